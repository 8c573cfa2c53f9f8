// The one seam through which the program talks to the person at the screen: message boxes and questions.
// The Qt implementation shows real dialogs; tests use a recorder with scripted answers. The lowest layer that
// shows a message (the device operations) defines it, so every layer above can use it.
#pragma once

#include <string>

namespace zt30 {

enum class MessageIcon { None, Error, Exclamation, Question, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

class UiServices {
public:
    virtual ~UiServices() = default;

    // Shows a modal message box; returns the button pressed (Ok for an OK box, Yes or No for a question;
    // a question closed without an answer is No). Texts are UTF-8 and shown as plain text, never as markup.
    virtual MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                                      MessageButtons buttons) = 0;
};

}  // namespace zt30
