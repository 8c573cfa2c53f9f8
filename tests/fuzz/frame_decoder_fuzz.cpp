// Fuzz target: the line of meaning of any frame, the request it answers being any bytes too. The line is
// one line of valid UTF-8 without control characters (it goes into a table cell, a text file and a terminal),
// its length does not grow with the frame's (data is cut after a few bytes), a whole frame the telegram
// layer accepts as an answer or an acknowledgement is described without a problem in brackets, and the hex
// text is exactly the bytes.
//
// Input: [request length] [request bytes] [frame bytes to the end].
#include <string>

#include "base/text_rules.h"
#include "link/frame_constants.h"
#include "link/frame_decoder.h"
#include "link/telegram.h"
#include "tests/fuzz/fuzz_support.h"

namespace zt30::fuzz {
namespace {

// Far more than any description needs (the longest are a few dozen bytes plus 16 bytes of hex or 64
// characters of text, each at most four bytes), far less than the longest frame's hex.
constexpr std::size_t kLongestDescription = 640;

bool IsOneLine(const std::string& text) {
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            return false;
        }
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// A frame the layer accepts that is also whole by its own length field, with both start bytes: nothing in it
// is wrong. (The layer checks the bytes it reads against LE, not LE against what it asked for.)
bool IsWholeAcceptedFrame(std::span<const std::uint8_t> frame) {
    if (CheckAcknowledgement(frame)) {
        return frame.size() == frame::kSd1Length;
    }
    return CheckVariableFrame(frame) && frame[1] >= 3 && frame.size() == frame[1] + frame::kSd2Overhead &&
           frame[3] == frame::kSd2;
}

void CheckHex(std::span<const std::uint8_t> bytes) {
    const std::string hex = HexText(bytes);
    ZT30_FUZZ_CHECK(hex.size() == (bytes.empty() ? 0 : 3 * bytes.size() - 1));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        ZT30_FUZZ_CHECK(i == 0 || hex[3 * i - 1] == ' ');
        ZT30_FUZZ_CHECK(HexDigit(hex[3 * i]) * 16 + HexDigit(hex[3 * i + 1]) == bytes[i]);
    }
}

}  // namespace
}  // namespace zt30::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zt30;
    using namespace zt30::fuzz;
    FuzzInput in({data, size});
    const auto request = in.Take(in.Byte());
    const auto frame = in.Rest();

    for (const auto& asked : {request, std::span<const std::uint8_t>{}}) {
        const std::string text = DescribeFrame(frame, asked);
        ZT30_FUZZ_CHECK(!text.empty() && text.size() <= kLongestDescription);
        ZT30_FUZZ_CHECK(IsValidUtf8(text) && IsOneLine(text));
    }
    // Without a request the data shows as hex, so a bracket can only open a problem.
    if (IsWholeAcceptedFrame(frame)) {
        ZT30_FUZZ_CHECK(DescribeFrame(frame).find('[') == std::string::npos);
    }
    CheckHex(frame);
    return 0;
}
