// Fuzz target: the parameter file reader over any bytes. A file is refused as a whole or accepted. A refusal
// names a line of the file (0 only for the whole file: too large, no parameter), and the reader is one pass:
// the lines before that one are read without a fault, and the file cut after it is refused at the same line
// for the same reason; its texts for zt30ctl and the program are one line of UTF-8 each. An accepted file's
// values put into an image, written as a file and read again, give the same values bit for bit (NaN payloads
// and the sign of zero included) and the same origin, whatever the image held before; that file is written
// again to the same bytes.
//
// Input: the file's bytes.
#include <algorithm>
#include <bit>
#include <string>
#include <string_view>

#include "base/text_rules.h"
#include "config/param_backup.h"
#include "tests/fuzz/fuzz_support.h"

namespace zt30::fuzz {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool SameTables(const DeviceImage& a, const DeviceImage& b) {
    const auto same = [](float x, float y) {
        return std::bit_cast<std::uint32_t>(x) == std::bit_cast<std::uint32_t>(y);
    };
    return a.func == b.func && a.dp == b.dp && a.factor == b.factor && a.config == b.config &&
           a.filtr == b.filtr && same(a.scale, b.scale) && same(a.offset, b.offset) &&
           same(a.sp_lo, b.sp_lo) && same(a.sp_hi, b.sp_hi) && same(a.hyster, b.hyster) &&
           same(a.an_lo, b.an_lo) && same(a.an_hi, b.an_hi);
}

// An image whose tables 1 to 4 differ from anything a file sets in every field, NaN payloads included.
DeviceImage Scrambled() {
    DeviceImage image;
    image.func = 0xEE;
    image.dp = 0xEE;
    image.factor = 0xEE;
    image.config = 0xEE;
    image.filtr = 0xEEEE;
    for (float DeviceImage::*field :
         {&DeviceImage::scale, &DeviceImage::offset, &DeviceImage::sp_lo, &DeviceImage::sp_hi,
          &DeviceImage::hyster, &DeviceImage::an_lo, &DeviceImage::an_hi}) {
        image.*field = std::bit_cast<float>(std::uint32_t{0xFFBADBAD});
    }
    return image;
}

bool OneLineOfText(const std::string& text) {
    return !text.empty() && IsValidUtf8(text) && text.find_first_of("\r\n") == std::string::npos;
}

// Where line n (1-based) starts, counted as the reader counts: after a byte-order mark, lines end at "\n".
std::size_t LineStart(std::string_view bytes, int n) {
    std::size_t at = bytes.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    for (int line = 1; line < n; ++line) {
        const std::size_t end = bytes.find('\n', at);
        ZT30_FUZZ_CHECK(end != std::string_view::npos);
        at = end + 1;
    }
    return at;
}

void CheckRefusal(std::string_view bytes, const ParamFileError& error) {
    ZT30_FUZZ_CHECK(OneLineOfText(ParamFileErrorText(error)));
    ZT30_FUZZ_CHECK(OneLineOfText(ParamFileErrorTextCs(error)));
    const bool wholeFile =
        error.fault == ParamFileFault::TooLarge || error.fault == ParamFileFault::NoParameters;
    ZT30_FUZZ_CHECK(wholeFile == (error.line == 0));
    ZT30_FUZZ_CHECK((error.fault == ParamFileFault::TooLarge) == (bytes.size() > kMaxParamFileBytes));
    if (wholeFile) {
        return;
    }
    ZT30_FUZZ_CHECK(error.line >= 1);
    const std::size_t start = LineStart(bytes, error.line);
    ZT30_FUZZ_CHECK(start < bytes.size());  // the line is in the file
    ZT30_FUZZ_CHECK(error.firstLine < error.line);

    const ParamFileRead before = ReadParamFile(bytes.substr(0, start));
    ZT30_FUZZ_CHECK(before.file ||
                    (before.error.line == 0 && before.error.fault == ParamFileFault::NoParameters));
    const std::size_t end = bytes.find('\n', start);
    const ParamFileRead through =
        ReadParamFile(bytes.substr(0, end == std::string_view::npos ? end : end + 1));
    ZT30_FUZZ_CHECK(!through.file && through.error.line == error.line && through.error.fault == error.fault);
}

void CheckRoundTrip(const ParamFile& file) {
    DeviceImage image;
    ApplyParamFile(file, image);
    // Every value a file sets is one a file can hold.
    ZT30_FUZZ_CHECK(ParamsOutsideFile(image).empty());
    const std::string written = WriteParamFile(image, file.origin);
    const ParamFileRead again = ReadParamFile(written);
    ZT30_FUZZ_CHECK(again.file.has_value());
    DeviceImage restored = Scrambled();
    ApplyParamFile(*again.file, restored);
    ZT30_FUZZ_CHECK(SameTables(restored, image));
    const ParamFileOrigin& origin = again.file->origin;
    ZT30_FUZZ_CHECK(origin.saved == file.origin.saved && origin.type == file.origin.type &&
                    origin.version == file.origin.version && origin.address == file.origin.address);
    ZT30_FUZZ_CHECK(WriteParamFile(restored, origin) == written);
}

}  // namespace
}  // namespace zt30::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zt30;
    using namespace zt30::fuzz;
    const std::string_view bytes = AsText({data, size});
    const ParamFileRead read = ReadParamFile(bytes);
    if (read.file) {
        CheckRoundTrip(*read.file);
    } else {
        CheckRefusal(bytes, read.error);
    }
    return 0;
}
