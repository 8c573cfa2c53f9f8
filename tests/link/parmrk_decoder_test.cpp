// The un-escaper of marked input: real 0xFF bytes, error marks and marks split across reads.
#include "link/parmrk_decoder.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zt30 {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct DecodeCase {
    std::string name;
    std::vector<Bytes> chunks;  // fed one call each, in order
    Bytes expected;
    std::vector<bool> errors;  // lineError of each call
    bool pendingAfter;
};

class ParmrkDecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(ParmrkDecodeTest, DecodesChunksInOrder) {
    const DecodeCase& c = GetParam();
    ParmrkDecoder decoder;
    Bytes all;
    for (std::size_t i = 0; i < c.chunks.size(); ++i) {
        Bytes out(c.chunks[i].size() + 3, 0xEE);
        const ParmrkResult r = decoder.Decode(c.chunks[i], out);
        EXPECT_EQ(r.consumed, c.chunks[i].size()) << "call " << i;
        ASSERT_LE(r.count, c.chunks[i].size()) << "call " << i;
        EXPECT_EQ(r.lineError, c.errors[i]) << "call " << i;
        EXPECT_EQ(out[r.count], 0xEE) << "wrote past its count in call " << i;
        all.insert(all.end(), out.begin(), out.begin() + static_cast<std::ptrdiff_t>(r.count));
    }
    EXPECT_EQ(all, c.expected);
    EXPECT_EQ(decoder.Pending(), c.pendingAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Marks, ParmrkDecodeTest,
    ::testing::Values(
        DecodeCase{"Plain", {{0x68, 0x05, 0x00, 0x16}}, {0x68, 0x05, 0x00, 0x16}, {false}, false},
        DecodeCase{"DoubledFfIsOneFf", {{0x01, 0xFF, 0xFF, 0x02}}, {0x01, 0xFF, 0x02}, {false}, false},
        DecodeCase{"RunOfRealFf", {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}, {0xFF, 0xFF, 0xFF}, {false}, false},
        DecodeCase{
            "FfSplitAcrossReads", {{0x01, 0xFF}, {0xFF, 0x02}}, {0x01, 0xFF, 0x02}, {false, false}, false},
        DecodeCase{"ReadEndsInsideMark", {{0x01, 0xFF}}, {0x01}, {false}, true},
        DecodeCase{"ErrorMark", {{0x01, 0xFF, 0x00, 0x41, 0x02}}, {0x01, 0x41, 0x02}, {true}, false},
        DecodeCase{"ErrorMarkSplitAfterFf", {{0x01, 0xFF}, {0x00, 0x41}}, {0x01, 0x41}, {false, true}, false},
        DecodeCase{"ErrorMarkSplitAfterZero", {{0xFF, 0x00}, {0x41}}, {0x41}, {false, true}, false},
        DecodeCase{"ErrorMarkOnFfByte", {{0xFF, 0x00, 0xFF, 0x07}}, {0xFF, 0x07}, {true}, false},
        DecodeCase{"BreakMark", {{0xFF, 0x00, 0x00}}, {0x00}, {true}, false},
        DecodeCase{"MarkLookalikeFromRealFfThenZero",
                   {{0xFF, 0xFF, 0x00, 0x41}},
                   {0xFF, 0x00, 0x41},
                   {false},
                   false},
        DecodeCase{"MalformedMarkIsAnError", {{0xFF, 0x41}}, {0x41}, {true}, false},
        DecodeCase{"EmptyChunkKeepsState", {{0xFF}, {}, {0xFF}}, {0xFF}, {false, false, false}, false}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });

TEST(ParmrkDecoderTest, ResetForgetsHalfSeenMark) {
    ParmrkDecoder decoder;
    Bytes out(4);
    decoder.Decode(Bytes{0xFF, 0x00}, out);
    ASSERT_TRUE(decoder.Pending());
    decoder.Reset();
    const ParmrkResult r = decoder.Decode(Bytes{0x41}, out);
    EXPECT_FALSE(r.lineError);
    ASSERT_EQ(r.count, 1u);
    EXPECT_EQ(out[0], 0x41);
}

TEST(ParmrkDecoderTest, NeverWritesPastAShortOutput) {
    ParmrkDecoder decoder;
    const Bytes raw{0x01, 0x02, 0xFF, 0xFF, 0x03};
    Bytes out(3, 0xEE);
    const ParmrkResult first = decoder.Decode(raw, std::span<std::uint8_t>(out.data(), 2));
    EXPECT_EQ(first.count, 2u);
    EXPECT_EQ(first.consumed, 2u);
    EXPECT_EQ(out[2], 0xEE);
    // The caller continues with what was not consumed.
    const ParmrkResult rest = decoder.Decode(std::span(raw).subspan(first.consumed), out);
    EXPECT_EQ(rest.count, 2u);
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(out[1], 0x03);
}

}  // namespace
}  // namespace zt30
