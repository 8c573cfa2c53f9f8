#include "cli/console_ui.h"

#include "cli/printable.h"

namespace zt30::cli {

MessageAnswer ConsoleUi::ShowMessage(const std::string& text, const std::string& caption, MessageIcon,
                                     MessageButtons buttons) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    err_ << PrintableText(caption) << ": " << PrintableText(line) << '\n';
    return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

}  // namespace zt30::cli
