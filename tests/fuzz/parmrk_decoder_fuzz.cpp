// Fuzz target: the decoder of the kernel's parity marks over any byte stream, cut into reads at any points
// and decoded into output buffers of any size, against a plain reference unescape of the whole stream that
// looks ahead instead of keeping state.
//
// Input: segments until the input is used up: [control] [count] [count raw bytes]
//   control bits 0-5: the output room of each decode call (0: as large as the rest of the segment),
//   bit 6: the decoder is reset before the segment (the received data was purged).
#include <algorithm>
#include <vector>

#include "link/parmrk_decoder.h"
#include "tests/fuzz/fuzz_support.h"

namespace zt30::fuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Reference {
    Bytes out;
    std::vector<bool> errorAt;       // per raw byte: a mark ending at it was an error mark or malformed
    std::vector<bool> pendingAfter;  // per raw byte: the stream ends inside a mark after it
};

// Unescapes raw[from, to): FF FF is FF, FF 00 c is c received in error, FF x is x in a stream that can no
// longer be trusted; a mark cut off by the end of the piece yields nothing.
void Unescape(const Bytes& raw, std::size_t from, std::size_t to, Reference& ref) {
    std::size_t i = from;
    while (i < to) {
        if (raw[i] != 0xFF) {
            ref.out.push_back(raw[i]);
            ++i;
            continue;
        }
        ref.pendingAfter[i] = true;
        if (i + 1 >= to) {
            return;
        }
        if (raw[i + 1] == 0xFF) {
            ref.out.push_back(0xFF);
            i += 2;
            continue;
        }
        if (raw[i + 1] != 0x00) {
            ref.out.push_back(raw[i + 1]);
            ref.errorAt[i + 1] = true;
            i += 2;
            continue;
        }
        ref.pendingAfter[i + 1] = true;
        if (i + 2 >= to) {
            return;
        }
        ref.out.push_back(raw[i + 2]);
        ref.errorAt[i + 2] = true;
        i += 3;
    }
}

struct Segment {
    std::size_t from;
    std::size_t to;
    std::size_t room;
    bool reset;
};

}  // namespace
}  // namespace zt30::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zt30::fuzz;
    FuzzInput in({data, size});
    Bytes raw;
    std::vector<Segment> segments;
    while (!in.Empty()) {
        const std::uint8_t control = in.Byte();
        const auto bytes = in.Take(in.Byte());
        segments.push_back({raw.size(), raw.size() + bytes.size(), control & 0x3Fu, (control & 0x40) != 0});
        raw.insert(raw.end(), bytes.begin(), bytes.end());
    }

    // The reference: the stream between two resets is one piece.
    Reference ref;
    ref.errorAt.assign(raw.size(), false);
    ref.pendingAfter.assign(raw.size(), false);
    std::size_t pieceStart = 0;
    for (const Segment& s : segments) {
        if (s.reset) {
            Unescape(raw, pieceStart, s.from, ref);
            pieceStart = s.from;
        }
    }
    Unescape(raw, pieceStart, raw.size(), ref);

    zt30::ParmrkDecoder decoder;
    Bytes out;
    constexpr std::uint8_t kUntouched = 0xA5;
    constexpr std::size_t kSlack = 8;  // bytes after the room that must stay untouched
    Bytes buffer(std::max<std::size_t>(raw.size(), 0x3F) + kSlack);
    for (const Segment& s : segments) {
        if (s.reset) {
            decoder.Reset();
        }
        std::size_t at = s.from;
        while (at < s.to) {
            const std::size_t rest = s.to - at;
            const std::size_t room = s.room == 0 ? rest : s.room;
            std::fill_n(buffer.begin(), room + kSlack, kUntouched);
            const zt30::ParmrkResult r =
                decoder.Decode({raw.data() + at, rest}, std::span<std::uint8_t>(buffer.data(), room));
            ZT30_FUZZ_CHECK(r.consumed >= 1 && r.consumed <= rest);
            ZT30_FUZZ_CHECK(r.count <= r.consumed && r.count <= room);
            ZT30_FUZZ_CHECK(room < rest || r.consumed == rest);
            for (std::size_t i = r.count; i < room + kSlack; ++i) {
                ZT30_FUZZ_CHECK(buffer[i] == kUntouched);
            }
            bool error = false;
            for (std::size_t i = at; i < at + r.consumed; ++i) {
                error = error || ref.errorAt[i];
            }
            ZT30_FUZZ_CHECK(r.lineError == error);
            out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(r.count));
            at += r.consumed;
            ZT30_FUZZ_CHECK(decoder.Pending() == ref.pendingAfter[at - 1]);
        }
    }
    ZT30_FUZZ_CHECK(out == ref.out);
    return 0;
}
