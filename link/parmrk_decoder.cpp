#include "link/parmrk_decoder.h"

namespace zt30 {

ParmrkResult ParmrkDecoder::Decode(std::span<const std::uint8_t> raw, std::span<std::uint8_t> out) {
    ParmrkResult result;
    // Each raw byte yields at most one decoded byte, so one free output byte is enough to take the next raw
    // one.
    while (result.consumed < raw.size() && result.count < out.size()) {
        const std::uint8_t byte = raw[result.consumed++];
        switch (state_) {
            case State::Plain:
                if (byte == 0xFF) {
                    state_ = State::Escape;
                } else {
                    out[result.count++] = byte;
                }
                break;
            case State::Escape:
                if (byte == 0x00) {
                    state_ = State::ErrorMark;
                    break;
                }
                // FF FF is a real 0xFF; FF followed by anything else is never produced by the kernel, so the
                // stream can no longer be trusted and is reported like an error mark.
                if (byte != 0xFF) {
                    result.lineError = true;
                }
                out[result.count++] = byte;
                state_ = State::Plain;
                break;
            case State::ErrorMark:
                // The byte received in error (FF 00 00 is also how a break arrives).
                result.lineError = true;
                out[result.count++] = byte;
                state_ = State::Plain;
                break;
        }
    }
    return result;
}

}  // namespace zt30
