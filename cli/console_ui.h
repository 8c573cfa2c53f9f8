// The tool's UI services: the device operations show a message box only for a programming error (a table
// number out of range); here such a message goes to standard error as one line, and a question is answered
// No.
#pragma once

#include <ostream>

#include "link/ui_services.h"

namespace zt30::cli {

class ConsoleUi final : public UiServices {
public:
    explicit ConsoleUi(std::ostream& err) : err_(err) {}

    // Prints "caption: text" (line breaks as blanks) and answers Ok, or No to a question.
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override;

private:
    std::ostream& err_;
};

}  // namespace zt30::cli
