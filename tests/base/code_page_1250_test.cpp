// The instrument's code page: Czech letters and the typographic marks decode to the characters the operator
// expects, the five bytes without a character never pass as something else, and (where the system has iconv)
// every byte agrees with the system's own Windows-1250 converter.
#include "base/code_page_1250.h"

#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include <iconv.h>
#endif

namespace zt30 {
namespace {

TEST(CodePage1250, CzechTextDecodesToItsLetters) {
    // "Přístroj Žluťoučký kůň" as the instrument's firmware stores it.
    const std::string bytes = "P\xF8\xEDstroj \x8Elu\x9Dou\xE8k\xFD k\xF9\xF2";
    EXPECT_EQ(Windows1250ToUtf8(bytes), "Přístroj Žluťoučký kůň");
    EXPECT_EQ(Windows1250ToUtf8("\x80 \x84x\x93 \x96 \xA7\xB0"), "€ „x“ – §°");
    EXPECT_EQ(Windows1250ToUtf8("<b>\x9A</b>\r\n\x1B"), "<b>š</b>\r\n\x1B");
}

TEST(CodePage1250, BytesWithoutACharacterBecomeTheReplacementCharacter) {
    EXPECT_FALSE(Windows1250Char(0x98));
    EXPECT_EQ(Windows1250ToUtf8("a\x81\x98"), "a\xEF\xBF\xBD\xEF\xBF\xBD");
}

#ifndef _WIN32
TEST(CodePage1250, EveryByteAgreesWithTheSystemConverter) {
    iconv_t converter = iconv_open("UTF-8", "CP1250");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        GTEST_SKIP() << "the system's iconv has no CP1250";
    }
    for (int byte = 0; byte < 256; ++byte) {
        char in[1] = {static_cast<char>(byte)};
        char out[8] = {};
        char* inPointer = in;
        char* outPointer = out;
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof(out);
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        const bool converted =
            iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) != static_cast<std::size_t>(-1);
        const std::string ours = Windows1250ToUtf8(std::string(in, 1));
        if (converted) {
            EXPECT_EQ(ours, std::string(out, sizeof(out) - outLeft)) << "byte " << byte;
        } else {
            EXPECT_FALSE(Windows1250Char(static_cast<std::uint8_t>(byte))) << "byte " << byte;
        }
    }
    iconv_close(converter);
}
#endif

}  // namespace
}  // namespace zt30
