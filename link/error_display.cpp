#include "link/error_display.h"

namespace zt30 {

std::string ErrorDisplayText(const std::string& message) {
    // A character outside ASCII ends in a UTF-8 byte above 0x7F, so comparing the last byte gives the same
    // answer as comparing the last character.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.')) {
        return message + ".";
    }
    return message;
}

void ShowErrorDisplay(UiServices& ui, const std::string& message) {
    ui.ShowMessage(ErrorDisplayText(message), kProgramTitle, MessageIcon::Error, MessageButtons::Ok);
}

}  // namespace zt30
