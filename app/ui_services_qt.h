// The program's UI services over Qt: real message boxes (plain text, Czech button texts), the save and open
// file dialogs and the colour chooser, each modal over the window that is active when it opens, so the
// toolkit's nested message loop keeps the timers running as the windows expect.
#pragma once

#include <QString>

#include "link/ui_services.h"

namespace zt30 {

class QtUiServices final : public UiServices {
public:
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;
    std::optional<std::string> AskSaveFileName(const FileDialogRequest& request) override;
    std::optional<std::string> AskOpenFileName(const FileDialogRequest& request) override;
    std::optional<std::uint32_t> ChooseColor(std::uint32_t initial) override;
};

// A message's text as its box shows it: UTF-8 decoded, and a carriage return, alone or before a line feed,
// ending a line as it does in the system's own message boxes (Qt would show a lone one as a blank).
QString MessageBoxText(const std::string& text);

// A filter "description|pattern|description|pattern" in Qt's form "description (pattern);;...", the
// patterns of one entry separated by ";" becoming blanks. A trailing description without pattern is kept
// as "description (*)". The file dialogs show only the descriptions.
QString QtFileFilter(const std::string& filter);

}  // namespace zt30
