// A UiServices that records every message box, file dialog and colour chooser and answers them from a script,
// so a test can assert the exact text, caption, icon and order of what the program would have shown.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
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
    std::optional<std::string> AskSaveFileName(const FileDialogRequest& request) override;
    std::optional<std::string> AskOpenFileName(const FileDialogRequest& request) override;
    std::optional<std::uint32_t> ChooseColor(std::uint32_t initial) override;

    // Answers for the next questions, in order; a question with no scripted answer fails the test and gets
    // No.
    std::deque<MessageAnswer> answers;
    std::vector<RecordedMessage> messages;

    // Answers for the next file dialogs (nullopt: cancelled); a dialog with no scripted answer fails the test
    // and is cancelled.
    std::deque<std::optional<std::string>> fileAnswers;
    std::vector<FileDialogRequest> saveDialogs;
    std::vector<FileDialogRequest> openDialogs;

    // Answers for the next colour choosers, as for file dialogs; the colour each opened with.
    std::deque<std::optional<std::uint32_t>> colorAnswers;
    std::vector<std::uint32_t> colorDialogs;

    // Called inside every box and dialog before it answers, as the toolkit's nested message loop would run
    // timers while it is open.
    std::function<void()> whileOpen;
};

}  // namespace zt30::test
