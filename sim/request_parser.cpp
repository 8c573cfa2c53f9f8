#include "sim/request_parser.h"

#include <algorithm>

#include "link/frame_constants.h"
#include "sim/sim_frames.h"

namespace zt30::sim {

namespace {

// The smallest SD2 frame carries DA, SA and FC: LE 3.
constexpr std::size_t kMinSd2Le = 3;
constexpr std::size_t kMaxDiscardedKept = 4096;

bool IsStartDelimiter(std::uint8_t b) {
    return b == frame::kSd1 || b == frame::kSd2;
}

}  // namespace

std::vector<Request> RequestParser::Feed(std::span<const std::uint8_t> bytes) {
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    std::vector<Request> out;
    Scan(out);
    Compact();
    return out;
}

std::vector<Request> RequestParser::Flush() {
    std::vector<Request> out;
    while (Pending() > 0) {
        // Scan stops only at an unfinished frame; its first byte cannot start a frame any more.
        DropFront(1);
        Scan(out);
    }
    Compact();
    return out;
}

std::vector<std::uint8_t> RequestParser::TakeDiscarded() {
    // A copy of its size, so that the sample keeps its room for the next bytes instead of growing anew.
    std::vector<std::uint8_t> taken(discarded_);
    discarded_.clear();
    return taken;
}

RequestParser::Verdict RequestParser::CheckAtStart(std::size_t& length) const {
    const std::span<const std::uint8_t> b = Held();
    const std::size_t have = b.size();
    if (b[0] == frame::kSd1) {
        length = frame::kSd1Length;
        if (have < length) {
            return Verdict::Incomplete;
        }
        const bool ok = b[5] == frame::kEd && b[4] == SumModulo256(b.subspan(1, 3));
        return ok ? Verdict::Valid : Verdict::Invalid;
    }
    // SD2: every check that the bytes so far allow is made at once, so garbage is left quickly.
    if (have < 3) {
        return Verdict::Incomplete;
    }
    const std::size_t le = b[1];
    if (b[2] != le || le < kMinSd2Le) {
        return Verdict::Invalid;
    }
    if (have >= 4 && b[3] != frame::kSd2) {
        return Verdict::Invalid;
    }
    length = le + frame::kSd2Overhead;
    if (have < length) {
        return Verdict::Incomplete;
    }
    const bool ok = b[le + 5] == frame::kEd && b[le + 4] == SumModulo256(b.subspan(4, le));
    return ok ? Verdict::Valid : Verdict::Invalid;
}

void RequestParser::Scan(std::vector<Request>& out) {
    while (Pending() > 0) {
        const std::span<const std::uint8_t> b = Held();
        if (!IsStartDelimiter(b[0])) {
            const auto next = std::find_if(b.begin(), b.end(), IsStartDelimiter);
            DropFront(static_cast<std::size_t>(next - b.begin()));
            continue;
        }
        std::size_t length = 0;
        switch (CheckAtStart(length)) {
            case Verdict::Incomplete:
                return;
            case Verdict::Invalid:
                DropFront(1);
                break;
            case Verdict::Valid: {
                Request request;
                request.raw.assign(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(length));
                if (b[0] == frame::kSd1) {
                    request.kind = FrameKind::Sd1;
                    request.da = b[1];
                    request.sa = b[2];
                    request.fc = b[3];
                } else {
                    request.kind = FrameKind::Sd2;
                    request.da = b[4];
                    request.sa = b[5];
                    request.fc = b[6];
                    request.data.assign(request.raw.begin() + frame::kSd2DataOffset, request.raw.end() - 2);
                }
                start_ += length;
                out.push_back(std::move(request));
                break;
            }
        }
    }
}

void RequestParser::DropFront(std::size_t count) {
    const std::span<const std::uint8_t> dropped = Held().first(std::min(count, Pending()));
    // The log needs only a sample; a line full of noise must not grow memory without bound.
    if (discarded_.size() < kMaxDiscardedKept) {
        discarded_.insert(discarded_.end(), dropped.begin(), dropped.end());
    }
    start_ += dropped.size();
}

void RequestParser::Compact() {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
}

}  // namespace zt30::sim
