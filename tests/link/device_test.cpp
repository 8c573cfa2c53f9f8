// The device tables and operations: the exact requests of every operation, table decoding and encoding of
// every field, the bad-table messages, and the image left untouched by every failure.
#include "link/device.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <functional>
#include <random>

#include "support/link_fixture.h"
#include "support/request_examples.h"

namespace zt30::test {
namespace {

const Bytes kAck = Hex("10 00 01 00 01 16");

// ---- exact requests

class OperationRequest : public testing::TestWithParam<RequestExample> {};

TEST_P(OperationRequest, SendsTheExactBytes) {
    LinkFixture f;
    GetParam().run(*f.device);
    ASSERT_GE(f.WriteCount(), 1u);
    EXPECT_EQ(ToHex(f.fake->writes[0]), GetParam().request);
}

INSTANTIATE_TEST_SUITE_P(Examples, OperationRequest, testing::ValuesIn(RequestExamples()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- tables

TEST(Tables, LengthsAndRangeOfNumbers) {
    const std::size_t expected[] = {8, 6, 8, 12, 8, 1, 1, 1};
    for (int t = 0; t < 8; ++t) {
        EXPECT_EQ(TableLength(t), expected[t]) << t;
    }
    EXPECT_EQ(TableLength(-1), 0u);
    EXPECT_EQ(TableLength(8), 0u);
}

TEST(Tables, FloatsTravelLittleEndian) {
    DeviceImage image;
    image.scale = 1.0f;
    image.offset = -2.5f;
    Bytes out(8);
    EncodeTable(2, image, out);
    EXPECT_EQ(ToHex(out), "00 00 80 3F 00 00 20 C0");
}

TEST(Tables, EveryFieldSurvivesEncodeAndDecode) {
    DeviceImage in;
    in.value = 12.5f;
    in.suma = -1e30f;
    in.func = 2;
    in.dp = 5;
    in.factor = 1;
    in.config = 0xFF;
    in.filtr = 0xABCD;
    in.scale = 3.25f;
    in.offset = -0.125f;
    in.sp_lo = 1e-20f;
    in.sp_hi = 65504.0f;
    in.hyster = 0.5f;
    in.an_lo = -4.0f;
    in.an_hi = 20000.0f;
    in.address = 126;
    DeviceImage out;
    for (int t = 0; t <= 5; ++t) {
        Bytes data(TableLength(t));
        EncodeTable(t, in, data);
        DecodeTable(t, data, out);
    }
    EXPECT_EQ(std::memcmp(&in.value, &out.value, sizeof(float)), 0);
    EXPECT_EQ(out.suma, in.suma);
    EXPECT_EQ(out.func, in.func);
    EXPECT_EQ(out.dp, in.dp);
    EXPECT_EQ(out.factor, in.factor);
    EXPECT_EQ(out.config, in.config);
    EXPECT_EQ(out.filtr, in.filtr);
    EXPECT_EQ(out.scale, in.scale);
    EXPECT_EQ(out.offset, in.offset);
    EXPECT_EQ(out.sp_lo, in.sp_lo);
    EXPECT_EQ(out.sp_hi, in.sp_hi);
    EXPECT_EQ(out.hyster, in.hyster);
    EXPECT_EQ(out.an_lo, in.an_lo);
    EXPECT_EQ(out.an_hi, in.an_hi);
    EXPECT_EQ(out.address, in.address);
}

// ---- one hand-written vector per table, checked in both directions: a round trip alone would pass with
// the same wrong offset in the decoder and the encoder. Every byte of a vector differs from the others, so
// a field read from or written to the wrong place cannot go unnoticed.

// The float with the given IEEE 754 bits, for vectors whose bytes are all different.
float Bits(std::uint32_t bits) {
    return std::bit_cast<float>(bits);
}

struct TableVector {
    const char* name;
    int table;
    const char* data;  // the table's bytes, hexadecimal, as on the wire
    std::function<void(DeviceImage&)> fields;

    friend void PrintTo(const TableVector& v, std::ostream* os) { *os << v.name; }
};

class TableVectors : public testing::TestWithParam<TableVector> {};

TEST_P(TableVectors, ReadFillsTheFieldsFromTheseBytes) {
    LinkFixture f;
    DeviceImage expected;
    GetParam().fields(expected);
    f.answers = {DataAnswer(Hex(GetParam().data))};
    ASSERT_TRUE(f.device->ReadTable(GetParam().table));
    EXPECT_TRUE(f.image == expected);
}

TEST_P(TableVectors, WriteSendsTheFieldsAsTheseBytes) {
    const int table = GetParam().table;
    DeviceImage image;
    GetParam().fields(image);
    Bytes out(TableLength(table));
    EncodeTable(table, image, out);
    EXPECT_EQ(ToHex(out), GetParam().data);
    if (table == 0) {
        return;  // read only: no request carries it
    }
    LinkFixture f;
    f.image = image;
    f.answers = {kAck};
    ASSERT_TRUE(f.device->WriteTable(table));
    const Bytes& request = f.fake->writes.at(0);
    ASSERT_EQ(request.size(), TableLength(table) + 11);
    EXPECT_EQ(ToHex(std::span(request).subspan(9, TableLength(table))), GetParam().data);
}

INSTANTIATE_TEST_SUITE_P(Tables, TableVectors,
                         testing::Values(TableVector{"Table0", 0, "C1 B1 A1 41 F2 E2 D2 42",
                                                     [](DeviceImage& i) {
                                                         i.value = Bits(0x41A1B1C1);
                                                         i.suma = Bits(0x42D2E2F2);
                                                     }},
                                         TableVector{"Table1", 1, "03 02 01 21 10 27",
                                                     [](DeviceImage& i) {
                                                         i.func = 3;
                                                         i.dp = 2;
                                                         i.factor = 1;
                                                         i.config = 0x21;
                                                         i.filtr = 10000;
                                                     }},
                                         TableVector{"Table2", 2, "C3 B2 A1 3F F6 E5 D4 C1",
                                                     [](DeviceImage& i) {
                                                         i.scale = Bits(0x3FA1B2C3);
                                                         i.offset = Bits(0xC1D4E5F6);
                                                     }},
                                         TableVector{"Table3", 3, "33 22 11 40 66 55 44 41 99 88 77 3E",
                                                     [](DeviceImage& i) {
                                                         i.sp_lo = Bits(0x40112233);
                                                         i.sp_hi = Bits(0x41445566);
                                                         i.hyster = Bits(0x3E778899);
                                                     }},
                                         TableVector{"Table4", 4, "EF CD AB 40 DC BA 98 41",
                                                     [](DeviceImage& i) {
                                                         i.an_lo = Bits(0x40ABCDEF);
                                                         i.an_hi = Bits(0x4198BADC);
                                                     }},
                                         TableVector{"Table5", 5, "7E",
                                                     [](DeviceImage& i) { i.address = 126; }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadTable, MeasuredValueAndSum) {
    LinkFixture f;
    f.answers = {Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16")};
    ASSERT_TRUE(f.device->ReadTable(0));
    EXPECT_EQ(f.image.value, 12.5f);
    EXPECT_EQ(f.image.suma, 100.0f);
}

TEST(ReadTable, FunctionTable) {
    LinkFixture f;
    f.answers = {DataAnswer(Hex("03 02 01 21 10 27"))};
    ASSERT_TRUE(f.device->ReadTable(1));
    EXPECT_EQ(f.image.func, 3);
    EXPECT_EQ(f.image.dp, 2);
    EXPECT_EQ(f.image.factor, 1);
    EXPECT_EQ(f.image.config, 0x21);
    EXPECT_EQ(f.image.filtr, 10000);
}

TEST(ReadTable, LimitsTableOfTwentyOneBytes) {
    LinkFixture f;
    f.answers = {DataAnswer(Hex("00 00 80 3F 00 00 00 40 00 00 40 40"))};
    ASSERT_TRUE(f.device->ReadTable(3));
    EXPECT_EQ(f.CallsSinceOpen().back(), "read 21 -> 21");
    EXPECT_EQ(f.image.sp_lo, 1.0f);
    EXPECT_EQ(f.image.sp_hi, 2.0f);
    EXPECT_EQ(f.image.hyster, 3.0f);
}

TEST(ReadTable, FailureLeavesTheImageAsItWas) {
    LinkFixture f;
    f.image.value = 7.0f;
    f.image.suma = 8.0f;
    EXPECT_FALSE(f.device->ReadTable(0));  // no answer
    Bytes damaged = Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9D 16");
    f.answers = {{}, damaged};
    EXPECT_FALSE(f.device->ReadTable(0));
    EXPECT_EQ(f.image.value, 7.0f);
    EXPECT_EQ(f.image.suma, 8.0f);
}

TEST(ReadTable, AnAnswerOfAnotherLengthIsRefusedThoughItsCountAndFrameCheckOut) {
    LinkFixture f;
    f.image.value = 7.0f;
    f.image.suma = 8.0f;
    // LE 9 (a table 1 answer) and two more bytes: 17 bytes, table 0's count, with a good FCS and end byte.
    f.answers = {Hex("68 09 09 68 00 01 08 00 00 48 41 00 00 92 16 C8 42")};
    EXPECT_FALSE(f.device->ReadTable(0));
    EXPECT_EQ(f.image.value, 7.0f);
    EXPECT_EQ(f.image.suma, 8.0f);
    EXPECT_EQ(f.CallsSinceOpen().back(), "purge rx");
}

TEST(ReadTable, BroadcastSucceedsWithoutTouchingTheImage) {
    LinkFixture f;
    f.link->SetDestinationAddress(127);
    f.image.value = 7.0f;
    f.answers = {Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16")};
    EXPECT_TRUE(f.device->ReadTable(0));
    EXPECT_EQ(f.image.value, 7.0f);
}

// ---- bad table numbers

TEST(BadTable, ReadOutsideZeroToFiveShowsItsMessageAndSendsNothing) {
    for (int table : {-1, 6, 7, 255}) {
        LinkFixture f;
        EXPECT_FALSE(f.device->ReadTable(table));
        EXPECT_EQ(f.WriteCount(), 0u);
        ASSERT_EQ(f.ui.messages.size(), 1u);
        EXPECT_EQ(f.ui.messages[0], (RecordedMessage{"Chyba, číslo tabulky mimo rozsah.", "Sériový Port",
                                                     MessageIcon::Error, MessageButtons::Ok}));
    }
}

TEST(BadTable, WriteOutsideOneToFiveShowsItsMessageAndSendsNothing) {
    for (int table : {0, 6, 7, -3}) {
        LinkFixture f;
        EXPECT_FALSE(f.device->WriteTable(table));
        EXPECT_EQ(f.WriteCount(), 0u);
        ASSERT_EQ(f.ui.messages.size(), 1u);
        EXPECT_EQ(f.ui.messages[0], (RecordedMessage{"Nepředvídaná chyba, špatně zadaná tabulka", "DATA",
                                                     MessageIcon::Error, MessageButtons::Ok}));
    }
}

// ---- writes and clears

TEST(WriteTable, SendsConfigBitsSixAndSevenAsTheImageHoldsThem) {
    LinkFixture f;
    f.image.config = 0xC1;
    f.answers = {kAck};
    EXPECT_TRUE(f.device->WriteTable(1));
    EXPECT_EQ(f.fake->writes[0][12], 0xC1);
    EXPECT_TRUE(f.ui.messages.empty());
}

TEST(WriteTable, BroadcastWaitsForAnAcknowledgementLikeAnyOther) {
    LinkFixture f;
    f.link->SetDestinationAddress(127);
    EXPECT_FALSE(f.device->WriteTable(5));
    EXPECT_EQ(f.WriteCount(), 3u);
}

TEST(Clear, SumRefusedByAcknowledgementWithFunctionCodeTwo) {
    LinkFixture f;
    f.answers = {Hex("10 00 01 02 03 16")};
    EXPECT_FALSE(f.device->ClearSum());
}

TEST(Clear, CounterAcknowledged) {
    LinkFixture f;
    f.answers = {kAck};
    EXPECT_TRUE(f.device->ClearCounter());
}

// ---- identification

TEST(Identification, DataUnitFollowedByZeros) {
    LinkFixture f;
    f.image.identType.fill('x');
    const std::string text = "ZANTOR 30 rev. B 123";  // 20 bytes
    f.answers = {DataAnswer(Bytes(text.begin(), text.end()))};
    ASSERT_TRUE(f.device->ReadIdentification());
    EXPECT_EQ(BlockText(f.image.identType), text);
    EXPECT_TRUE(
        std::all_of(f.image.identType.begin() + 20, f.image.identType.end(), [](auto b) { return b == 0; }));
}

TEST(Identification, LongestAnswerKeepsATerminatingZero) {
    LinkFixture f;
    f.answers = {DataAnswer(Bytes(246, 'v'))};  // a 255-byte frame
    ASSERT_TRUE(f.device->ReadVersion());
    EXPECT_EQ(BlockText(f.image.identVersion).size(), 246u);
    EXPECT_EQ(f.image.identVersion.back(), 0);
}

TEST(Identification, FrameWithoutRoomForItsHeaderIsRefused) {
    // LE 2 passes the five checks (FC and FCS share offset 6) but has no data unit at all.
    LinkFixture f;
    f.image.identType[0] = 'k';
    f.answers = {Hex("68 02 02 68 05 03 08 16")};
    EXPECT_FALSE(f.device->ReadIdentification());
    EXPECT_EQ(f.image.identType[0], 'k');
}

TEST(Identification, FailureLeavesTheBlock) {
    LinkFixture f;
    f.image.identVersion[0] = 'k';
    EXPECT_FALSE(f.device->ReadVersion());
    EXPECT_EQ(f.image.identVersion[0], 'k');
}

TEST(ForeignIdentification, CopiesTheDataUnitLessItsFirstByte) {
    LinkFixture f;
    f.image.identForeign.fill('x');
    Bytes data = {0x01};
    for (char c : std::string("MAKER")) {
        data.push_back(static_cast<std::uint8_t>(c));
    }
    Bytes answer = DataAnswer(data);
    answer[6] = 0x33;  // unchecked: any function code
    f.answers = {answer};
    ASSERT_TRUE(f.device->ReadForeignIdentification());
    EXPECT_EQ(BlockText(f.image.identForeign), "MAKER");
    EXPECT_TRUE(std::all_of(f.image.identForeign.begin() + 5, f.image.identForeign.end(),
                            [](auto b) { return b == 0; }));
}

TEST(ForeignIdentification, NeverShowsBytesOfAnEarlierExchange) {
    LinkFixture f;
    // A full answer fills the receive buffer first.
    f.answers = {DataAnswer(Bytes(100, 'A')), Hex("68 64 64 68 00 01 08 00 42 42")};
    ASSERT_TRUE(f.device->ReadForeignIdentification());
    const auto before = f.image.identForeign;
    // The second answer announces LE 100 but stops after 10 bytes: the rest would be stale 'A's.
    EXPECT_FALSE(f.device->ReadForeignIdentification());
    EXPECT_EQ(f.image.identForeign, before);
}

TEST(BlockTextOf, StopsAtZeroLengthOrEnd) {
    const Bytes block = Hex("41 42 00 43 44 45");
    EXPECT_EQ(BlockText(block), "AB");
    EXPECT_EQ(BlockText(block, 3), "CDE");
    EXPECT_EQ(BlockText(block, 3, 2), "CD");
    EXPECT_EQ(BlockText(block, 6), "");
    EXPECT_EQ(BlockText(block, 60), "");
}

// ---- untrusted answers

TEST(UntrustedAnswers, RandomBytesNeverCrashAndAFailureNeverTouchesTheImage) {
    // Random answers of every length, and good frames with one byte flipped, to every operation. The bounds
    // are checked by the sanitizer build; here each failed operation must leave the image as it was.
    std::mt19937 random(20261208);
    const std::function<bool(DeviceOperations&)> operations[] = {
        [](DeviceOperations& d) { return d.ReadTable(0); },
        [](DeviceOperations& d) { return d.ReadTable(3); },
        [](DeviceOperations& d) { return d.WriteTable(1); },
        [](DeviceOperations& d) { return d.ClearSum(); },
        [](DeviceOperations& d) { return d.ReadIdentification(); },
        [](DeviceOperations& d) { return d.ReadVersion(); },
        [](DeviceOperations& d) { return d.ReadForeignIdentification(); },
        [](DeviceOperations& d) { return d.RequestStationStatus(); }};
    const Bytes good = DataAnswer(Bytes(12, 0x41));
    for (int round = 0; round < 400; ++round) {
        LinkFixture f;
        for (int i = 0; i < 3; ++i) {
            Bytes answer;
            if (random() % 2 == 0) {
                answer.resize(random() % 300);
                for (auto& b : answer) {
                    b = static_cast<std::uint8_t>(random());
                }
            } else {
                answer = good;
                answer[random() % answer.size()] ^= static_cast<std::uint8_t>(1 + random() % 255);
            }
            f.answers.push_back(answer);
        }
        f.image.identType.fill('t');
        f.image.identVersion.fill('v');
        f.image.identForeign.fill('f');
        f.image.value = 1.5f;
        f.image.scale = 2.5f;
        const DeviceImage before = f.image;
        const bool ok = operations[round % std::size(operations)](*f.device);
        if (!ok) {
            EXPECT_TRUE(before == f.image) << "round " << round;
        }
    }
}

}  // namespace
}  // namespace zt30::test
