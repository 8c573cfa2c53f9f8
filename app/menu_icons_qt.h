// The program's own small pictures: the menu items' icons and the window icon, drawn with QPainter so they
// scale to any screen and need no image files.
#pragma once

#include <QIcon>

namespace zt30 {

enum class MenuIcon {
    Save,        // the record file: a floppy disk
    Port,        // the serial port: a nine-pin connector
    Parameters,  // the instrument's parameters: its front panel
    Graph,       // the chart's look: axes and a trend line
    Sampling,    // the recording interval: a clock
    Table,       // the measured values: a grid
    About,       // the program: an "i"
    Identify,    // the instrument's identity: a magnifying glass
    Program,     // the window and desktop icon: the instrument's display with a trend
};

QIcon MakeMenuIcon(MenuIcon kind);

}  // namespace zt30
