#include "support/ui_recorder.h"

#include <gtest/gtest.h>

namespace zt30::test {

MessageAnswer UiRecorder::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                                      MessageButtons buttons) {
    messages.push_back({text, caption, icon, buttons});
    if (buttons == MessageButtons::Ok) {
        return MessageAnswer::Ok;
    }
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << caption << ": " << text;
        return MessageAnswer::No;
    }
    MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace zt30::test
