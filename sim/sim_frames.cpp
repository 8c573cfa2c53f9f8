#include "sim/sim_frames.h"

#include <cassert>

#include "link/frame_constants.h"

namespace zt30::sim {

std::uint8_t SumModulo256(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes) {
        sum += b;
    }
    return static_cast<std::uint8_t>(sum & 0xFFu);
}

Bytes BuildSd1(std::uint8_t da, std::uint8_t sa, std::uint8_t fc) {
    const std::uint8_t fields[] = {da, sa, fc};
    return {frame::kSd1, da, sa, fc, SumModulo256(fields), frame::kEd};
}

Bytes BuildSd2(std::uint8_t da, std::uint8_t sa, std::uint8_t fc, std::span<const std::uint8_t> data) {
    assert(data.size() <= 252);
    const auto le = static_cast<std::uint8_t>(data.size() + 3);
    Bytes frame{frame::kSd2, le, le, frame::kSd2, da, sa, fc};
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(SumModulo256(std::span<const std::uint8_t>(frame).subspan(4)));
    frame.push_back(frame::kEd);
    return frame;
}

}  // namespace zt30::sim
