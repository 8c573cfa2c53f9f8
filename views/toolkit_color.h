// The toolkit's 32-bit colour numbers as the settings store and the chart keep them: 0x00BBGGRR for a plain
// colour, 0x80000000 plus an index for one of the system's colours (0x8000000F is the button face). Only
// painting turns them into real colours (toolkit_color_qt.h); everywhere else they stay numbers, so a system
// colour read back from the chart is the same number that was set.
#pragma once

#include <cstdint>

namespace zt30 {

using ToolkitColor = std::uint32_t;

inline constexpr ToolkitColor kSystemColorFlag = 0x80000000u;
inline constexpr ToolkitColor kColorRed = 0x000000FFu;
inline constexpr ToolkitColor kColorWhite = 0x00FFFFFFu;
inline constexpr ToolkitColor kColorBlack = 0x00000000u;
inline constexpr ToolkitColor kColorButtonFace = kSystemColorFlag | 15u;

// The system colour indexes the toolkit numbers (the Windows COLOR_ constants).
enum class SystemColorIndex : std::uint8_t {
    ScrollBar = 0,
    Desktop = 1,
    ActiveCaption = 2,
    InactiveCaption = 3,
    Menu = 4,
    Window = 5,
    WindowFrame = 6,
    MenuText = 7,
    WindowText = 8,
    CaptionText = 9,
    ActiveBorder = 10,
    InactiveBorder = 11,
    AppWorkspace = 12,
    Highlight = 13,
    HighlightText = 14,
    ButtonFace = 15,
    ButtonShadow = 16,
    GrayText = 17,
    ButtonText = 18,
    InactiveCaptionText = 19,
    ButtonHighlight = 20,
    DarkShadow3D = 21,
    Light3D = 22,
    InfoText = 23,
    InfoBackground = 24,
    HotLight = 26,
    GradientActiveCaption = 27,
    GradientInactiveCaption = 28,
    MenuHighlight = 29,
    MenuBar = 30,
};

// True for 0x80000000 plus an index; every other number is read as a plain colour.
constexpr bool IsSystemColor(ToolkitColor color) {
    return (color & 0xFF000000u) == kSystemColorFlag;
}

// The index of a system colour (its low byte); meaningful only when IsSystemColor(color).
constexpr int SystemIndexOf(ToolkitColor color) {
    return static_cast<int>(color & 0xFFu);
}

constexpr ToolkitColor SystemColor(SystemColorIndex index) {
    return kSystemColorFlag | static_cast<ToolkitColor>(index);
}

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

// The red, green and blue bytes of a plain colour (its low three bytes; a high byte other than the system
// flag, as in the toolkit's palette-relative numbers, is ignored).
constexpr Rgb RgbOf(ToolkitColor color) {
    return {static_cast<std::uint8_t>(color & 0xFFu), static_cast<std::uint8_t>((color >> 8) & 0xFFu),
            static_cast<std::uint8_t>((color >> 16) & 0xFFu)};
}

// The plain colour number 0x00BBGGRR.
constexpr ToolkitColor PlainColor(Rgb rgb) {
    return static_cast<ToolkitColor>(rgb.red) | (static_cast<ToolkitColor>(rgb.green) << 8) |
           (static_cast<ToolkitColor>(rgb.blue) << 16);
}

}  // namespace zt30
