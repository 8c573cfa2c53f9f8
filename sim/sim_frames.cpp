#include "sim/sim_frames.h"

#include <algorithm>
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
    // Sized once and filled in place (growing a vector from an initializer list trips g++ 12's bounds
    // warning).
    Bytes frame(le + frame::kSd2Overhead);
    frame[0] = frame::kSd2;
    frame[1] = le;
    frame[2] = le;
    frame[3] = frame::kSd2;
    frame[4] = da;
    frame[5] = sa;
    frame[6] = fc;
    std::copy(data.begin(), data.end(), frame.begin() + 7);
    frame[frame.size() - 2] = SumModulo256(std::span<const std::uint8_t>(frame).subspan(4, le));
    frame[frame.size() - 1] = frame::kEd;
    return frame;
}

}  // namespace zt30::sim
