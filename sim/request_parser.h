// Cuts the byte stream that arrives from the line into whole, checked request frames (SD1 and SD2).
// Incremental: bytes go in as they arrive, finished requests come out; a frame that fails a check is dropped
// and the search for a start delimiter goes on from its next byte. Pure: no I/O, no clock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zt30::sim {

enum class FrameKind { Sd1, Sd2 };

struct Request {
    FrameKind kind = FrameKind::Sd1;
    std::uint8_t da = 0;
    std::uint8_t sa = 0;
    std::uint8_t fc = 0;
    std::vector<std::uint8_t> data;  // SD2 data unit (command byte first); empty for SD1
    std::vector<std::uint8_t> raw;   // the whole frame as received
};

class RequestParser {
public:
    // Appends bytes from the line; returns the requests that they complete, in order of arrival.
    std::vector<Request> Feed(std::span<const std::uint8_t> bytes);

    // The line has gone quiet: an unfinished frame will never be completed. Drops its start and returns any
    // whole request found behind it; afterwards nothing is pending.
    std::vector<Request> Flush();

    // Bytes held for an unfinished frame.
    std::size_t Pending() const { return buffer_.size() - start_; }

    // Bytes dropped as garbage or as parts of bad frames since the last call (for the log).
    std::vector<std::uint8_t> TakeDiscarded();

private:
    enum class Verdict { Valid, Invalid, Incomplete };
    Verdict CheckAtStart(std::size_t& length) const;
    void Scan(std::vector<Request>& out);
    void DropFront(std::size_t count);
    void Compact();
    std::span<const std::uint8_t> Held() const { return std::span(buffer_).subspan(start_); }

    // Bytes before start_ are used up; they leave the buffer once per call, not one by one, so that a stream
    // full of start bytes costs time in proportion to its length.
    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;
    std::vector<std::uint8_t> discarded_;
};

}  // namespace zt30::sim
