// A UiServices that records every message box and answers questions from a script, so a test can assert the
// exact text, caption, icon and order of what the program would have shown.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "link/ui_services.h"

namespace zt30::test {

struct RecordedMessage {
    std::string text;
    std::string caption;
    MessageIcon icon;
    MessageButtons buttons;

    friend bool operator==(const RecordedMessage&, const RecordedMessage&) = default;
};

class UiRecorder final : public UiServices {
public:
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;

    // Answers for the next questions, in order; a question with no scripted answer fails the test and gets
    // No.
    std::deque<MessageAnswer> answers;
    std::vector<RecordedMessage> messages;
};

}  // namespace zt30::test
