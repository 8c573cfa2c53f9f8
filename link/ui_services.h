// The one seam through which the program talks to the person at the screen: message boxes and questions, the
// file dialogs and the colour chooser. The Qt implementation shows real dialogs; tests use a recorder with
// scripted answers. The lowest layer that shows a message (the device operations) defines it, so every layer
// above can use it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zt30 {

enum class MessageIcon { None, Error, Exclamation, Question, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// The modal results of the program's windows, as their callers compare them: OK, and Storno or a window
// closed by its close box.
inline constexpr int kModalOk = 1;
inline constexpr int kModalCancel = 2;

// What a file dialog asks for. Texts are UTF-8.
struct FileDialogRequest {
    std::string title;     // empty: the toolkit's own title
    std::string fileName;  // the name the dialog starts from (may hold a folder)
    std::string filter;    // "description|pattern|description|pattern..." ("Textový soubor [*.txt]|*.txt")
    std::string defaultSuffix;      // added to a name typed without one ("TXT"); empty for none
    bool confirmOverwrite = false;  // a save dialog asks before an existing file is replaced

    friend bool operator==(const FileDialogRequest&, const FileDialogRequest&) = default;
};

class UiServices {
public:
    virtual ~UiServices() = default;

    // Shows a modal message box; returns the button pressed (Ok for an OK box, Yes or No for a question;
    // a question closed without an answer is No). Texts are UTF-8 and shown as plain text, never as markup.
    virtual MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                                      MessageButtons buttons) = 0;

    // A modal save-file dialog; the chosen full file name, or nullopt when cancelled. A user interface
    // without dialogs answers as if cancelled.
    virtual std::optional<std::string> AskSaveFileName(const FileDialogRequest& request) {
        static_cast<void>(request);
        return std::nullopt;
    }
    // A modal open-file dialog for an existing file; nullopt when cancelled.
    virtual std::optional<std::string> AskOpenFileName(const FileDialogRequest& request) {
        static_cast<void>(request);
        return std::nullopt;
    }
    // A modal colour chooser opening with `initial` (a toolkit colour number: 0x00BBGGRR, or 0x80000000 plus
    // a system colour index); the chosen colour as 0x00BBGGRR, or nullopt when cancelled.
    virtual std::optional<std::uint32_t> ChooseColor(std::uint32_t initial) {
        static_cast<void>(initial);
        return std::nullopt;
    }
};

}  // namespace zt30
