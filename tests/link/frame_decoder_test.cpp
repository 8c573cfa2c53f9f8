// The frame decoder: every frame of the protocol as its line of meaning, damaged frames named by what is
// wrong with them, and any bytes at all (every prefix, random content) described without a fault.
#include "link/frame_decoder.h"

#include <gtest/gtest.h>

#include <random>

#include "support/hex.h"

namespace zt30::test {
namespace {

const char kReadTable0[] = "68 05 05 68 01 00 6C 01 00 6E 16";
const char kReadIdent[] = "68 04 04 68 01 00 6C 00 6D 16";
const char kReadVersion[] = "68 04 04 68 01 00 6C 04 71 16";

struct DecodeCase {
    const char* name;
    const char* frame;
    const char* request;  // the request the frame answers, or ""
    const char* meaning;

    friend void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }
};

class Decode : public testing::TestWithParam<DecodeCase> {};

TEST_P(Decode, GivesTheLineOfMeaning) {
    EXPECT_EQ(DescribeFrame(Hex(GetParam().frame), Hex(GetParam().request)), GetParam().meaning);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Decode,
    testing::Values(
        DecodeCase{"read_table_0", kReadTable0, "", "SD2 1←0 read table 0"},
        DecodeCase{"read_table_3", "68 05 05 68 01 00 6C 01 03 71 16", "", "SD2 1←0 read table 3"},
        DecodeCase{"identification", kReadIdent, "", "SD2 1←0 ident command 0 (type)"},
        DecodeCase{"version", kReadVersion, "", "SD2 1←0 ident command 4 (version)"},
        DecodeCase{"write_table_1", "68 0B 0B 68 01 00 63 02 01 03 02 01 21 10 27 C5 16", "",
                   "SD2 1←0 write table 1: func 3, dp 2, factor 1, config 0x21, filtr 10000"},
        DecodeCase{"write_table_2", "68 0D 0D 68 01 00 63 02 02 00 00 80 3F 00 00 00 00 27 16", "",
                   "SD2 1←0 write table 2: scale 1, offset 0"},
        DecodeCase{"write_table_3", "68 11 11 68 01 00 63 02 03 00 00 20 41 00 00 A0 C0 00 00 00 3F 69 16",
                   "", "SD2 1←0 write table 3: sp_lo 10, sp_hi -5, hyster 0.5"},
        DecodeCase{"write_table_4", "68 0D 0D 68 01 00 63 02 04 00 00 00 00 00 00 C8 42 74 16", "",
                   "SD2 1←0 write table 4: an_lo 0, an_hi 100"},
        DecodeCase{"write_table_5", "68 06 06 68 01 00 63 02 05 07 72 16", "",
                   "SD2 1←0 write table 5: address 7"},
        DecodeCase{"clear_counter", "68 06 06 68 01 00 63 02 06 55 C1 16", "", "SD2 1←0 clear counter"},
        DecodeCase{"clear_sum", "68 06 06 68 01 00 63 02 07 5A C7 16", "", "SD2 1←0 clear sum"},
        DecodeCase{"clear_with_wrong_byte", "68 06 06 68 01 00 63 02 07 55 C2 16", "",
                   "SD2 1←0 write table 7, 1 data byte: 55"},
        DecodeCase{"write_table_0", "68 0D 0D 68 01 00 63 02 00 00 00 48 41 00 00 C8 42 F9 16", "",
                   "SD2 1←0 write table 0: value 12.5, sum 100"},
        DecodeCase{"unknown_command", "68 05 05 68 01 00 6C 09 02 78 16", "",
                   "SD2 1←0 command 09, 1 data byte: 02"},
        DecodeCase{"read_with_write_fc", "68 05 05 68 01 00 63 01 00 65 16", "",
                   "SD2 1←0 read table 0 [FC 63]"},
        DecodeCase{"station_status", "10 05 00 69 6E 16", "", "SD1 5←0 station status"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Answers, Decode,
    testing::Values(DecodeCase{"table_0", "68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16", kReadTable0,
                               "SD2 0←1 table 0: value 12.5, sum 100"},
                    DecodeCase{"table_1", "68 09 09 68 00 01 08 03 02 01 21 10 27 67 16",
                               "68 05 05 68 01 00 6C 01 01 6F 16",
                               "SD2 0←1 table 1: func 3, dp 2, factor 1, config 0x21, filtr 10000"},
                    DecodeCase{"table_5", "68 04 04 68 00 01 08 07 10 16", "68 05 05 68 01 00 6C 01 05 73 16",
                               "SD2 0←1 table 5: address 7"},
                    // Without the request an 8-byte answer could be table 0, 2 or 4.
                    DecodeCase{"data_without_request", "68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16",
                               "", "SD2 0←1 8 data bytes: 00 00 48 41 00 00 C8 42"},
                    DecodeCase{"table_of_wrong_size", "68 05 05 68 00 01 08 01 02 0C 16", kReadTable0,
                               "SD2 0←1 table 0, 2 data bytes: 01 02"},
                    DecodeCase{"type_text", "68 07 07 68 00 01 08 5A 54 2D 33 17 16", kReadIdent,
                               "SD2 0←1 type \"ZT-3\""},
                    DecodeCase{"version_text_stops_at_zero", "68 07 07 68 00 01 08 76 32 00 78 29 16",
                               kReadVersion, "SD2 0←1 version \"v2\""},
                    DecodeCase{"text_escapes_control_bytes", "68 06 06 68 00 01 08 1B 22 5C A2 16",
                               kReadIdent, "SD2 0←1 type \"\\x1B\\x22\\x5C\""},
                    DecodeCase{"acknowledgement", "10 00 01 00 01 16", "", "SD1 0←1 acknowledgement"},
                    DecodeCase{"negative_acknowledgement", "10 00 01 01 02 16", "",
                               "SD1 0←1 negative acknowledgement (FC 01)"},
                    DecodeCase{"single_character", "E5", "", "SC acknowledgement"},
                    DecodeCase{"foreign_answer", "68 07 07 68 00 09 0A 01 41 42 43 DA 16", kReadIdent,
                               "SD2 0←9 FC 0A, 4 data bytes: 01 41 42 43"},
                    DecodeCase{"long_data_is_cut",
                               "68 17 17 68 00 01 08 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 "
                               "12 13 C7 16",
                               "",
                               "SD2 0←1 20 data bytes: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F …"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Damaged, Decode,
    testing::Values(
        DecodeCase{"empty", "", "", "no bytes"},
        DecodeCase{"table_0_short", "68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C", kReadTable0,
                   "SD2 0←1 table 0: value 12.5, sum 100 [incomplete: 16 of 17 bytes]"},
        DecodeCase{"table_0_cut_in_its_data", "68 0B 0B 68 00 01 08 00 00 48", kReadTable0,
                   "SD2 0←1 table 0, 3 data bytes: 00 00 48 [incomplete: 10 of 17 bytes]"},
        DecodeCase{"wrong_fcs", "68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9D 16", kReadTable0,
                   "SD2 0←1 table 0: value 12.5, sum 100 [FCS 9D, not 9C]"},
        DecodeCase{"wrong_end", "68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 17", kReadTable0,
                   "SD2 0←1 table 0: value 12.5, sum 100 [end byte 17, not 16]"},
        DecodeCase{"wrong_end_and_fcs", "10 00 01 00 07 15", "",
                   "SD1 0←1 acknowledgement [end byte 15, not 16, "
                   "FCS 07, not 01]"},
        DecodeCase{"bytes_after", "10 00 01 00 01 16 10 00", "",
                   "SD1 0←1 acknowledgement [+2 bytes after the frame]"},
        DecodeCase{"le_not_ler", "68 0B 0C 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16", kReadTable0,
                   "SD2 0←1 [LE 11 ≠ LEr 12]"},
        DecodeCase{"le_below_3", "68 02 02 68 08 00 08 16", "", "SD2 8←0 [LE 2 below 3]"},
        DecodeCase{"second_start_byte", "68 04 04 00 00 01 08 07 10 16", "68 05 05 68 01 00 6C 01 05 73 16",
                   "SD2 [second start byte 00] 0←1 table 5: address 7"},
        DecodeCase{"sd2_two_bytes", "68 0B", "", "SD2 [incomplete: 2 bytes]"},
        DecodeCase{"sd2_head_only", "68 0B 0B 68 00", "", "SD2 [incomplete: 5 of 17 bytes]"},
        DecodeCase{"sd1_start_only", "10", "", "SD1 [incomplete: 1 of 6 bytes]"},
        DecodeCase{"sd1_short", "10 00 01 00 01", "", "SD1 0←1 acknowledgement [incomplete: 5 of 6 bytes]"},
        DecodeCase{"sc_with_more", "E5 E5", "", "SC acknowledgement [+1 bytes after it]"},
        DecodeCase{"unknown_start", "FF 00 12", "", "unknown start byte FF, 3 bytes"},
        DecodeCase{"request_without_command", "68 03 03 68 01 00 6C 6D 16", "", "SD2 1←0 FC 6C, no command"}),
    [](const auto& info) { return std::string(info.param.name); });

// The window's words: every kind of meaning in Czech, numbers with the regional decimal comma and the fields
// apart by semicolons, so that "12,5" stays one number.
class DecodeInCzech : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeInCzech, GivesTheLineOfMeaning) {
    EXPECT_EQ(DescribeFrame(Hex(GetParam().frame), Hex(GetParam().request), CzechFrameWords(), ','),
              GetParam().meaning);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, DecodeInCzech,
    testing::Values(
        DecodeCase{"read_table_0", kReadTable0, "", "SD2 1←0 čtení tabulky 0"},
        DecodeCase{"identification", kReadIdent, "", "SD2 1←0 identifikace, příkaz 0 (typ)"},
        DecodeCase{"write_table_1", "68 0B 0B 68 01 00 63 02 01 03 02 01 21 10 27 C5 16", "",
                   "SD2 1←0 zápis tabulky 1: FUNC 3; DP 2; FACTOR 1; CONFIG 0x21; FILTR 10000"},
        DecodeCase{"write_table_3", "68 11 11 68 01 00 63 02 03 00 00 20 41 00 00 A0 C0 00 00 00 3F 69 16",
                   "", "SD2 1←0 zápis tabulky 3: SP.LO 10; SP.HI -5; HYSTER 0,5"},
        DecodeCase{"clear_sum", "68 06 06 68 01 00 63 02 07 5A C7 16", "", "SD2 1←0 nulování sumy"},
        DecodeCase{"clear_with_wrong_byte", "68 06 06 68 01 00 63 02 07 55 C2 16", "",
                   "SD2 1←0 zápis tabulky 7, 1 datový bajt: 55"},
        DecodeCase{"station_status", "10 05 00 69 6E 16", "", "SD1 5←0 stav stanice"},
        DecodeCase{"table_0", "68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16", kReadTable0,
                   "SD2 0←1 tabulka 0: hodnota 12,5; suma 100"},
        DecodeCase{"table_of_wrong_size", "68 05 05 68 00 01 08 01 02 0C 16", kReadTable0,
                   "SD2 0←1 tabulka 0, 2 datové bajty: 01 02"},
        DecodeCase{"version_text", "68 07 07 68 00 01 08 76 32 00 78 29 16", kReadVersion,
                   "SD2 0←1 verze \"v2\""},
        DecodeCase{"negative_acknowledgement", "10 00 01 01 02 16", "", "SD1 0←1 záporné potvrzení (FC 01)"},
        DecodeCase{"foreign_answer", "68 0A 0A 68 00 09 0A 01 41 42 43 44 45 46 A9 16", kReadIdent,
                   "SD2 0←9 FC 0A, 7 datových bajtů: 01 41 42 43 44 45 46"},
        DecodeCase{"table_0_short", "68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C", kReadTable0,
                   "SD2 0←1 tabulka 0: hodnota 12,5; suma 100 [neúplný: 16 bajtů místo 17]"},
        DecodeCase{"wrong_end_and_fcs_and_more", "10 00 01 00 07 15 10 00", "",
                   "SD1 0←1 potvrzení [koncový bajt 15 místo 16; FCS 07 místo 01; +2 bajty za rámcem]"},
        DecodeCase{"le_below_3", "68 02 02 68 08 00 08 16", "", "SD2 8←0 [LE 2 menší než 3]"},
        DecodeCase{"sd1_start_only", "10", "", "SD1 [neúplný: 1 bajt místo 6]"},
        DecodeCase{"sc_with_more", "E5 E5", "", "SC potvrzení [+1 bajt za ním]"},
        DecodeCase{"unknown_start", "FF 00 12 00 00", "", "neznámý počáteční bajt FF, 5 bajtů"},
        DecodeCase{"empty", "", "", "žádné bajty"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HexText, UpperCaseBytesSeparatedByBlanks) {
    EXPECT_EQ(HexText(Hex("68 0b 00 ff")), "68 0B 00 FF");
    EXPECT_EQ(HexText({}), "");
}

// Any bytes: every prefix of every reference frame, and random frames that look like the protocol's, with any
// request for context, give a line and never read beyond what they are given (the sanitizer build checks).
TEST(DecodeAnyBytes, NeverFails) {
    const std::vector<Bytes> frames = {
        Hex(kReadTable0), Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16"), Hex("10 00 01 00 01 16"),
        Hex("68 06 06 68 01 00 63 02 07 5A C7 16"), Hex(kReadIdent)};
    for (const Bytes& frame : frames) {
        for (std::size_t n = 0; n <= frame.size(); ++n) {
            for (const Bytes& request : frames) {
                // Each prefix lives in a buffer of its own, so a read beyond it is a sanitizer error.
                const Bytes prefix(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(n));
                EXPECT_FALSE(DescribeFrame(prefix, request).empty());
            }
        }
    }
    std::mt19937 random(11);
    for (int round = 0; round < 20000; ++round) {
        Bytes frame(random() % 300);
        for (std::uint8_t& b : frame) {
            b = static_cast<std::uint8_t>(random());
        }
        if (!frame.empty() && random() % 2 == 0) {
            frame[0] = random() % 2 ? 0x68 : 0x10;
            if (frame.size() > 2) {
                frame[2] = frame[1];
            }
        }
        Bytes request(frames[random() % frames.size()]);
        request.resize(random() % (request.size() + 1));
        EXPECT_FALSE(DescribeFrame(frame, request).empty());
    }
}

}  // namespace
}  // namespace zt30::test
