#include "support/ui_recorder.h"

#include <gtest/gtest.h>

namespace zt30::test {

namespace {

template <typename T>
std::optional<T> NextAnswer(std::deque<std::optional<T>>& answers, const char* what) {
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected " << what;
        return std::nullopt;
    }
    std::optional<T> answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace

MessageAnswer UiRecorder::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                                      MessageButtons buttons) {
    messages.push_back({text, caption, icon, buttons});
    if (whileOpen) {
        whileOpen();
    }
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

std::optional<std::string> UiRecorder::AskSaveFileName(const FileDialogRequest& request) {
    saveDialogs.push_back(request);
    if (whileOpen) {
        whileOpen();
    }
    return NextAnswer(fileAnswers, "save dialog");
}

std::optional<std::string> UiRecorder::AskOpenFileName(const FileDialogRequest& request) {
    openDialogs.push_back(request);
    if (whileOpen) {
        whileOpen();
    }
    return NextAnswer(fileAnswers, "open dialog");
}

std::optional<std::uint32_t> UiRecorder::ChooseColor(std::uint32_t initial) {
    colorDialogs.push_back(initial);
    if (whileOpen) {
        whileOpen();
    }
    return NextAnswer(colorAnswers, "colour chooser");
}

}  // namespace zt30::test
