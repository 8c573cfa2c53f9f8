#include "views/toolkit_color_qt.h"

#include <array>

namespace zt30 {

namespace {

// The nearest palette role for each system colour index 0 to 30; the roles follow what each Windows colour
// paints (faces, texts, selection, tool tips), so a chart in the button-face colour looks like the dialogs.
constexpr std::array<QPalette::ColorRole, 31> kRoles = {
    QPalette::Midlight,         // 0 scroll bar
    QPalette::Dark,             // 1 desktop
    QPalette::Highlight,        // 2 active caption
    QPalette::Mid,              // 3 inactive caption
    QPalette::Window,           // 4 menu
    QPalette::Base,             // 5 window
    QPalette::Shadow,           // 6 window frame
    QPalette::WindowText,       // 7 menu text
    QPalette::Text,             // 8 window text
    QPalette::HighlightedText,  // 9 caption text
    QPalette::Button,           // 10 active border
    QPalette::Button,           // 11 inactive border
    QPalette::Mid,              // 12 application workspace
    QPalette::Highlight,        // 13 highlight
    QPalette::HighlightedText,  // 14 highlighted text
    QPalette::Button,           // 15 button face
    QPalette::Dark,             // 16 button shadow
    QPalette::PlaceholderText,  // 17 grey text
    QPalette::ButtonText,       // 18 button text
    QPalette::WindowText,       // 19 inactive caption text
    QPalette::Light,            // 20 button highlight
    QPalette::Shadow,           // 21 3D dark shadow
    QPalette::Midlight,         // 22 3D light
    QPalette::ToolTipText,      // 23 info text
    QPalette::ToolTipBase,      // 24 info background
    QPalette::Window,           // 25 not used by the system
    QPalette::Link,             // 26 hot-tracked item
    QPalette::Highlight,        // 27 gradient of the active caption
    QPalette::Mid,              // 28 gradient of the inactive caption
    QPalette::Highlight,        // 29 menu highlight
    QPalette::Window,           // 30 menu bar
};

}  // namespace

QPalette::ColorRole PaletteRoleFor(int systemIndex) {
    if (systemIndex < 0 || systemIndex >= static_cast<int>(kRoles.size())) {
        return QPalette::Window;
    }
    return kRoles[static_cast<std::size_t>(systemIndex)];
}

QColor ToQColor(ToolkitColor color, const QPalette& palette) {
    if (IsSystemColor(color)) {
        QColor system = palette.color(QPalette::Active, PaletteRoleFor(SystemIndexOf(color)));
        system.setAlpha(255);
        return system;
    }
    const Rgb rgb = RgbOf(color);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

ToolkitColor ToToolkitColor(const QColor& color) {
    if (!color.isValid()) {
        return kColorBlack;
    }
    const QColor rgb = color.toRgb();
    return PlainColor({static_cast<std::uint8_t>(rgb.red()), static_cast<std::uint8_t>(rgb.green()),
                       static_cast<std::uint8_t>(rgb.blue())});
}

}  // namespace zt30
