// Undoes the kernel's marking of received bytes when parity checking is on (termios INPCK|PARMRK): a real
// 0xFF arrives as FF FF and a byte received with a parity or framing error as FF 00 c. The POSIX serial
// backend feeds every chunk it reads through one decoder, which keeps an unfinished mark from one chunk to
// the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zt30 {

struct ParmrkResult {
    std::size_t consumed = 0;  // raw bytes taken from the input
    std::size_t count = 0;     // decoded bytes placed at the start of the output
    bool lineError = false;    // an error mark (or a malformed mark) was among the consumed bytes
};

class ParmrkDecoder {
public:
    // Decodes raw into out; never writes more than one byte per consumed raw byte, and consumes all of raw
    // when out is at least as long. A mark split across calls is completed by the next call.
    ParmrkResult Decode(std::span<const std::uint8_t> raw, std::span<std::uint8_t> out);
    // Forgets an unfinished mark (after the received data was discarded).
    void Reset() { state_ = State::Plain; }
    // True when the last call ended inside a mark.
    bool Pending() const { return state_ != State::Plain; }

private:
    enum class State : std::uint8_t { Plain, Escape, ErrorMark };
    State state_ = State::Plain;
};

}  // namespace zt30
