#include "views/graph_settings.h"

#include <algorithm>

namespace zt30 {

void LoadGraphSettings(SettingsSequence& sequence, GraphSettings& settings) {
    namespace s = zt30::settings;
    settings.penColor = static_cast<std::uint32_t>(
        sequence.readInt(s::kPenColor, static_cast<std::int32_t>(settings.penColor)));
    settings.gridColor = static_cast<std::uint32_t>(
        sequence.readInt(s::kGridColor, static_cast<std::int32_t>(settings.gridColor)));
    settings.borderColor = static_cast<std::uint32_t>(
        sequence.readInt(s::kBorderColor, static_cast<std::int32_t>(settings.borderColor)));
    settings.graph3D = sequence.readInt(s::kGraph3D, settings.graph3D ? 1 : 0) != 0;
    settings.graph3DPercent = std::clamp(sequence.readInt(s::kGraph3DPercent, settings.graph3DPercent),
                                         kMinGraph3DPercent, kMaxGraph3DPercent);
    settings.graphPoints = sequence.readInt(s::kGraphPoints, settings.graphPoints);
}

bool SaveGraphSettings(SettingsSequence& sequence, const GraphSettings& settings) {
    namespace s = zt30::settings;
    return sequence.writeInt(s::kPenColor, static_cast<std::int32_t>(settings.penColor)) &&
           sequence.writeInt(s::kGridColor, static_cast<std::int32_t>(settings.gridColor)) &&
           sequence.writeInt(s::kBorderColor, static_cast<std::int32_t>(settings.borderColor)) &&
           sequence.writeInt(s::kGraph3D, settings.graph3D ? 1 : 0) &&
           sequence.writeInt(s::kGraph3DPercent, settings.graph3DPercent) &&
           sequence.writeInt(s::kGraphPoints, settings.graphPoints);
}

}  // namespace zt30
