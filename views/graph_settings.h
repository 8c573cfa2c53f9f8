// The chart's look and point limit as the main window holds them (GraphSettings), loaded from section GRAF of
// the settings store when the main window is created and saved there when it closes; the graph settings
// dialog edits them in between.
#pragma once

#include <cstdint>

#include "views/settings_store.h"

namespace zt30 {

struct GraphSettings {
    // Colours are the toolkit's 32-bit colour numbers: 0x00BBGGRR, or 0x80000000 plus a system colour index.
    std::uint32_t penColor = 255;
    std::uint32_t gridColor = 0x8000000Fu;
    std::uint32_t borderColor = 0x8000000Fu;
    bool graph3D = true;
    int graph3DPercent = 35;  // 1 to 100
    int graphPoints = 200;

    friend bool operator==(const GraphSettings&, const GraphSettings&) = default;
};

// The depth range the chart accepts.
inline constexpr int kMinGraph3DPercent = 1;
inline constexpr int kMaxGraph3DPercent = 100;

// Reads PERO, MRIZ, POZADI, G3D, R3D and POCET in this order into settings, each defaulting to the field's
// current value; stops at the sequence's first failure, keeping the fields read before it. A stored depth
// outside 1 to 100 is brought to the nearer end of that range; the other values are taken unchecked.
void LoadGraphSettings(SettingsSequence& sequence, GraphSettings& settings);

// Writes the six values in the same order; stops at the first failure. True when all were written.
bool SaveGraphSettings(SettingsSequence& sequence, const GraphSettings& settings);

}  // namespace zt30
