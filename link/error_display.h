// The application's error display: an error that escapes a handler ends that handler and is shown in a modal
// box with the program title "ZT-30" as caption, the error icon and an OK button; the program then goes on.
// Every handler that can raise runs through RunHandler, so no exception ever crosses the toolkit's event
// loop.
#pragma once

#include <exception>
#include <string>
#include <utility>

#include "link/ui_services.h"

namespace zt30 {

inline constexpr char kProgramTitle[] = "ZT-30";

// The text as the error display shows it: a full stop is appended when the last character sorts after ".";
// an empty text stays empty.
std::string ErrorDisplayText(const std::string& message);

// Shows `message` in the error display.
void ShowErrorDisplay(UiServices& ui, const std::string& message);

// Runs handler(); a std::exception it raises (a SerialLineError above all) is shown in the error display, any
// other exception as a generic text. Returns true when the handler ended normally.
template <typename Handler>
bool RunHandler(UiServices& ui, Handler&& handler) noexcept {
    try {
        try {
            std::forward<Handler>(handler)();
            return true;
        } catch (const std::exception& error) {
            ShowErrorDisplay(ui, error.what());
        } catch (...) {
            ShowErrorDisplay(ui, "Neznámá chyba");
        }
    } catch (...) {
        // Showing the error failed as well (out of memory): nothing more can be done here.
    }
    return false;
}

}  // namespace zt30
