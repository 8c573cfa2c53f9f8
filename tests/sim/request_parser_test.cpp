#include "sim/request_parser.h"

#include <gtest/gtest.h>

#include "sim_test_bytes.h"

namespace zt30::sim {
namespace {

using test::Hex;
using test::ToHex;

struct FrameCase {
    const char* name;
    const char* bytes;
    FrameKind kind;
    std::uint8_t da, sa, fc;
    const char* data;
};

class ParserFrames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(ParserFrames, WholeFrameGivesItsFields) {
    const FrameCase& c = GetParam();
    RequestParser parser;
    const auto requests = parser.Feed(Hex(c.bytes));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, c.kind);
    EXPECT_EQ(requests[0].da, c.da);
    EXPECT_EQ(requests[0].sa, c.sa);
    EXPECT_EQ(requests[0].fc, c.fc);
    EXPECT_EQ(ToHex(requests[0].data), ToHex(Hex(c.data)));
    EXPECT_EQ(requests[0].raw, Hex(c.bytes));
    EXPECT_EQ(parser.Pending(), 0u);
}

TEST_P(ParserFrames, FrameSplitAnywhereCompletesOnItsLastByteOnly) {
    const auto bytes = Hex(GetParam().bytes);
    for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
        RequestParser parser;
        const std::span<const std::uint8_t> all(bytes);
        EXPECT_TRUE(parser.Feed(all.first(cut)).empty()) << "cut at " << cut;
        const auto requests = parser.Feed(all.subspan(cut));
        ASSERT_EQ(requests.size(), 1u) << "cut at " << cut;
        EXPECT_EQ(requests[0].raw, bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ProgramRequests, ParserFrames,
    ::testing::Values(
        FrameCase{"ReadTable0", "68 05 05 68 01 00 6C 01 00 6E 16", FrameKind::Sd2, 1, 0, 0x6C, "01 00"},
        FrameCase{"ClearSum", "68 06 06 68 01 00 63 02 07 5A C7 16", FrameKind::Sd2, 1, 0, 0x63, "02 07 5A"},
        FrameCase{"Identification", "68 04 04 68 01 00 6C 00 6D 16", FrameKind::Sd2, 1, 0, 0x6C, "00"},
        FrameCase{"StatusToFive", "10 05 00 69 6E 16", FrameKind::Sd1, 5, 0, 0x69, ""},
        FrameCase{"WriteTable1", "68 0B 0B 68 01 00 63 02 01 03 02 01 21 10 27 C5 16", FrameKind::Sd2, 1, 0,
                  0x63, "02 01 03 02 01 21 10 27"},
        FrameCase{"WriteTable2", "68 0D 0D 68 01 00 63 02 02 00 00 80 3F 00 00 00 00 27 16", FrameKind::Sd2,
                  1, 0, 0x63, "02 02 00 00 80 3F 00 00 00 00"},
        // A data byte equal to a start delimiter must not cut the frame.
        FrameCase{"WriteAddress16", "68 06 06 68 01 00 63 02 05 10 7B 16", FrameKind::Sd2, 1, 0, 0x63,
                  "02 05 10"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RequestParser, ConcatenatedFramesComeOutInOrder) {
    RequestParser parser;
    const auto requests = parser.Feed(
        Hex("10 05 00 69 6E 16  68 05 05 68 01 00 6C 01 00 6E 16  68 04 04 68 01 00 6C 00 6D 16"));
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].kind, FrameKind::Sd1);
    EXPECT_EQ(requests[1].data, Hex("01 00"));
    EXPECT_EQ(requests[2].data, Hex("00"));
}

TEST(RequestParser, GarbageBeforeAFrameIsDroppedAndReported) {
    RequestParser parser;
    const auto requests = parser.Feed(Hex("00 FF 16 6E 68 05 05 68 01 00 6C 01 00 6E 16"));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].raw, Hex("68 05 05 68 01 00 6C 01 00 6E 16"));
    EXPECT_EQ(parser.TakeDiscarded(), Hex("00 FF 16 6E"));
    EXPECT_TRUE(parser.TakeDiscarded().empty());
}

struct CorruptCase {
    const char* name;
    const char* bytes;
};

class ParserCorrupt : public ::testing::TestWithParam<CorruptCase> {};

TEST_P(ParserCorrupt, BadFrameIsIgnoredAndTheNextOneStillFound) {
    RequestParser parser;
    auto requests = parser.Feed(Hex(GetParam().bytes));
    // Whatever is left waiting is a prefix that cannot complete; a quiet line ends the wait.
    const auto flushed = parser.Flush();
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(flushed.empty());
    requests = parser.Feed(Hex("10 01 00 69 6A 16"));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].da, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Corruptions, ParserCorrupt,
    ::testing::Values(CorruptCase{"Sd2WrongFcs", "68 05 05 68 01 00 6C 01 00 6F 16"},
                      CorruptCase{"Sd2WrongEnd", "68 05 05 68 01 00 6C 01 00 6E 17"},
                      CorruptCase{"LeDiffersFromLer", "68 05 06 68 01 00 6C 01 00 6E 16"},
                      CorruptCase{"SecondDelimiterWrong", "68 05 05 69 01 00 6C 01 00 6E 16"},
                      CorruptCase{"LeTooSmallForAddresses", "68 02 02 68 01 00 03 16"},
                      CorruptCase{"Sd1WrongFcs", "10 01 00 69 6B 16"},
                      CorruptCase{"Sd1WrongEnd", "10 01 00 69 6A 00"},
                      CorruptCase{"Sd2OneByteShort", "68 05 05 68 01 00 6C 01 00 6E"},
                      // The FCS is a sum, not an exclusive or: 01^00^6C^01^00 = 6C.
                      CorruptCase{"XorInsteadOfSum", "68 05 05 68 01 00 6C 01 00 6C 16"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RequestParser, StaleLongPrefixIsFlushedAndTheRequestBehindItRecovered) {
    RequestParser parser;
    // "68 40 40 68" announces a 70-byte frame that never comes; a real request follows at once.
    EXPECT_TRUE(parser.Feed(Hex("68 40 40 68 10 05 00 69 6E 16")).empty());
    EXPECT_GT(parser.Pending(), 0u);
    const auto requests = parser.Flush();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].raw, Hex("10 05 00 69 6E 16"));
    EXPECT_EQ(parser.Pending(), 0u);
}

TEST(RequestParser, FrameWithBadCheckIsRescannedFromItsSecondByte) {
    RequestParser parser;
    // The broken SD2 frame's data holds a whole SD1 request; it is found once the outer frame fails.
    const auto requests = parser.Feed(Hex("68 0A 0A 68 01 00 63 02 10 01 00 69 6A 16 00 16"));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].raw, Hex("10 01 00 69 6A 16"));
}

// Thousands of start bytes that never begin a frame, fed in pieces, then a request cut over three feeds: the
// bytes used up in one feed never count as pending in the next, and the sample of dropped bytes stays
// bounded.
TEST(RequestParser, RunOfStartBytesThenARequestAcrossFeeds) {
    RequestParser parser;
    const std::vector<std::uint8_t> noise(5000, 0x10);
    for (std::size_t at = 0; at < noise.size(); at += 1000) {
        EXPECT_TRUE(parser.Feed(std::span(noise).subspan(at, 1000)).empty());
        EXPECT_LE(parser.Pending(), 5u);
    }
    const auto request = Hex("68 05 05 68 01 00 6C 01 00 6E 16");
    EXPECT_TRUE(parser.Feed(std::span(request).first(2)).empty());
    EXPECT_TRUE(parser.Feed(std::span(request).subspan(2, 6)).empty());
    EXPECT_EQ(parser.Pending(), 8u);  // the start bytes before it are decided by then
    const auto requests = parser.Feed(std::span(request).subspan(8));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].raw, request);
    EXPECT_EQ(parser.Pending(), 0u);
    const auto dropped = parser.TakeDiscarded();
    EXPECT_EQ(dropped, std::vector<std::uint8_t>(dropped.size(), 0x10));
    EXPECT_GE(dropped.size(), 4096u);
    EXPECT_LE(dropped.size(), 5000u);
}

}  // namespace
}  // namespace zt30::sim
