// Turns the toolkit's colour numbers (toolkit_color.h) into Qt colours for painting, system colours through
// the widget's palette, and a colour chosen in a colour dialog back into a plain colour number.
#pragma once

#include <QColor>
#include <QPalette>

#include "views/toolkit_color.h"

namespace zt30 {

// The palette colour (active group) that stands for a system colour index; unknown indexes give Window.
QPalette::ColorRole PaletteRoleFor(int systemIndex);

// The colour a number stands for: a system colour from palette, a plain colour from its bytes (opaque).
QColor ToQColor(ToolkitColor color, const QPalette& palette);

// The plain colour number 0x00BBGGRR of colour, its alpha dropped; an invalid colour gives black.
ToolkitColor ToToolkitColor(const QColor& color);

}  // namespace zt30
