// Parameter files: every float of a seeded sweep written and read back bit for bit, the file's own form, the
// partial files and the texts zt30ctl set takes, and each kind of refused file with its line and reason.
#include "config/param_backup.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>

#include "config/param_format.h"
#include "config/param_restore.h"

namespace zt30 {
namespace {

float FromBits(std::uint32_t bits) {
    return std::bit_cast<float>(bits);
}

constexpr float DeviceImage::*kFloatFields[] = {
    &DeviceImage::scale,  &DeviceImage::offset, &DeviceImage::sp_lo, &DeviceImage::sp_hi,
    &DeviceImage::hyster, &DeviceImage::an_lo,  &DeviceImage::an_hi};

void ExpectSameTables(const DeviceImage& read, const DeviceImage& written, const std::string& text) {
    for (int table = 1; table <= 4; ++table) {
        ASSERT_EQ(TableBytes(table, read), TableBytes(table, written)) << "table " << table << "\n" << text;
    }
}

TEST(ParamFileRoundTrip, EveryFloatOfASeededSweepReadsBackBitForBit) {
    // Values an instrument may hold at the edges of the float format come first, then random bit patterns
    // (every exponent, both signs, not-a-number payloads) and random decimals as a person types them.
    std::vector<std::uint32_t> edges = {0x00000000, 0x80000000, 0x00000001, 0x80000001, 0x007FFFFF,
                                        0x00800000, 0x7F7FFFFF, 0xFF7FFFFF, 0x7F800000, 0xFF800000,
                                        0x7FC00000, 0xFFC00000, 0x7F800001, 0x7FBFFFFF, 0x3F800000,
                                        0x3DCCCCCD, 0x4B800001, 0x5F000000, 0x501502F9, 0x2F800000};
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> decimals(0, 9999999);
    std::uniform_int_distribution<int> scale(-6, 6);
    std::size_t floats = 0;
    for (int round = 0; round < 12000; ++round) {
        DeviceImage image;
        for (float DeviceImage::*field : kFloatFields) {
            float value = 0;
            if (floats < edges.size()) {
                value = FromBits(edges[floats]);
            } else if (round % 2 == 0) {
                value = FromBits(static_cast<std::uint32_t>(random()));
            } else {
                value = static_cast<float>(decimals(random) * std::pow(10.0, scale(random)));
            }
            image.*field = value;
            ++floats;
        }
        image.func = static_cast<std::uint8_t>(random() % 4);
        image.dp = static_cast<std::uint8_t>(random() % 6);
        image.factor = static_cast<std::uint8_t>(random() % 2);
        image.config = static_cast<std::uint8_t>(random());
        image.filtr = static_cast<std::uint16_t>(random() % 60000);
        const std::string text = WriteParamFile(image, {});
        const ParamFileRead read = ReadParamFile(text);
        ASSERT_TRUE(read.file) << ParamFileErrorText(read.error) << "\n" << text;
        DeviceImage restored;  // zeros: every value must come from the file
        ApplyParamFile(*read.file, restored);
        ExpectSameTables(restored, image, text);
    }
    EXPECT_EQ(floats, 12000u * 7u);
}

TEST(ParamFileRoundTrip, FloatsAreWrittenInTheirShortestText) {
    const std::pair<float, const char*> cases[] = {{2.5f, "2.5"},
                                                   {0.1f, "0.1"},
                                                   {-0.0f, "-0"},
                                                   {100.0f, "100"},
                                                   {1234.5678f, "1234.5677"},
                                                   {16777216.0f, "16777216"},
                                                   {1e10f, "1E+10"},
                                                   {1e-45f, "1E-45"},
                                                   {FLT_MAX, "3.4028235E+38"},
                                                   {-0.25f, "-0.25"},
                                                   {0.3f, "0.3"},
                                                   {1.0e-7f, "1E-07"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(ShortestFloatText(value, '.'), text);
        DeviceImage image;
        image.offset = value;
        EXPECT_NE(WriteParamFile(image, {}).find("\nOFFSET = " + std::string(text) + "\n"), std::string::npos)
            << text;
    }
}

TEST(ParamFileWriter, WritesTheOriginTheListTextsAndKeepsWhatNoFileCanHoldAsComments) {
    DeviceImage image;
    image.func = 7;  // outside its list, as an instrument may send it
    image.dp = 2;
    image.factor = 1;
    image.config = 0xE1;
    image.filtr = 60000;
    image.scale = 2.5f;
    image.offset = FromBits(0x7FC00000);
    image.an_hi = 20.0f;
    ParamFileOrigin origin{"2025-01-31 14:05:09", "ZANTOR 30", "V1.0", 1};
    EXPECT_EQ(WriteParamFile(image, origin),
              "; Parametry přístroje ZANTOR 30. Soubor smí jmenovat jen některé z nich, ostatní se nezmění.\n"
              "[ZANTOR30]\n"
              "DATUM = 2025-01-31 14:05:09\n"
              "TYP = ZANTOR 30\n"
              "VERZE = V1.0\n"
              "ADRESA = 1\n"
              "\n"
              "[PARAMETRY]\n"
              "; 0 TOTAL (čítač), 1 RATE (kmitočtoměr), 2 FLOMIN (průtokoměr), 3 FLOHOD (průtokoměr)\n"
              "; FUNC = 7 (mimo seznam, nezapíše se)\n"
              "; 0 000000., 1 00000.0, 2 0000.00, 3 000.000, 4 00.0000, 5 0.00000\n"
              "DP = 2 ; 0000.00\n"
              "; 0 dělení, 1 násobení\n"
              "FACTOR = 1 ; násobení\n"
              "SCALE = 2.5\n"
              "OFFSET = 0x7FC00000 ; nan\n"
              "SP.LO = 0\n"
              "SP.HI = 0\n"
              "HYSTER = 0\n"
              "; FILTR = 60000 (mimo 0 až 59999, nezapíše se)\n"
              "AN.LO = 0\n"
              "AN.HI = 20\n"
              "CONFIG = E1\n"
              ";   VSTUP = 1        bit 0, Vstupní signál: Čítá náběžnou hranou\n"
              ";   KOMPAR_OUT2 = 0  bit 1, Výstup OUT 2: Komparuje naměřenou hodnotu\n"
              ";   RESET = 0        bit 2, Kvitace RESET: Nevyžaduje kvitaci\n"
              ";   ALARM_OUT1 = 0   bit 3, Výstup OUT 1: Sepnutý při překročení\n"
              ";   TIME_OUT = 0     bit 4, Časový výstup: Trvalé sepnutí OUT 1\n"
              ";   AOUT = 1         bit 5, Analogový výstup: 4..   20 mA\n"
              ";   bity 6 a 7 nemají žádnou volbu\n");
    EXPECT_EQ(ParamsOutsideFile(image), (std::vector<std::string_view>{"FUNC", "FILTR"}));
}

TEST(ParamFileWriter, OriginTextsAreDecodedAndCannotBreakALine) {
    std::array<std::uint8_t, 250> block{};
    const char raw[] = "M\xEC\xF8i\xE8\n[PARAMETRY]\r";
    std::memcpy(block.data(), raw, sizeof raw - 1);
    EXPECT_EQ(OriginText(block), "Měřič\\x0A[PARAMETRY]\\x0D");
    EXPECT_EQ(OriginText(std::array<std::uint8_t, 250>{}), "");
    LocalDateTime at;
    at.year = 2025;
    at.month = 3;
    at.day = 7;
    at.hour = 9;
    at.minute = 5;
    at.second = 1;
    EXPECT_EQ(SavedText(at), "2025-03-07 09:05:01");
}

// A base the partial files change: every field set, CONFIG with its unused bits 6 and 7.
DeviceImage Base() {
    DeviceImage image;
    image.func = 2;
    image.dp = 1;
    image.factor = 1;
    image.config = 0xC2;
    image.filtr = 100;
    for (float DeviceImage::*field : kFloatFields) {
        image.*field = 7.0f;
    }
    return image;
}

struct PartialCase {
    const char* name;
    std::string text;
    std::function<void(DeviceImage&)> change;  // what the file changes in Base()
};

class PartialFiles : public ::testing::TestWithParam<PartialCase> {};

TEST_P(PartialFiles, ChangeOnlyWhatTheyName) {
    const ParamFileRead read = ReadParamFile(GetParam().text);
    ASSERT_TRUE(read.file) << ParamFileErrorText(read.error);
    DeviceImage image = Base();
    ApplyParamFile(*read.file, image);
    DeviceImage expected = Base();
    GetParam().change(expected);
    ExpectSameTables(image, expected, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PartialFiles,
    ::testing::Values(
        PartialCase{"OneFloat", "[PARAMETRY]\nSCALE = 2\n", [](DeviceImage& i) { i.scale = 2.0f; }},
        PartialCase{"SetTextsCrLfAnyCase",
                    "[parametry]\r\nfunc = rate\r\nDp=000.000\r\nFACTOR = dělení ; x\r\n",
                    [](DeviceImage& i) {
                        i.func = 1;
                        i.dp = 3;
                        i.factor = 0;
                    }},
        PartialCase{"SwitchesClearTheUnusedBits",
                    "\xEF\xBB\xBF[PARAMETRY]\nAOUT = 4..   20 mA\n\tvstup\t=\t1\n",
                    [](DeviceImage& i) { i.config = 0x23; }},
        PartialCase{"ConfigIsTheWholeByte", "[PARAMETRY]\nCONFIG = 0xc5",
                    [](DeviceImage& i) { i.config = 0xC5; }},
        PartialCase{"FloatFormsOfSet",
                    "[PARAMETRY]\nHYSTER =  -2.5E1 \nAN.HI = 0x7FC00001 ; bits\nAN.LO = .5\n",
                    [](DeviceImage& i) {
                        i.hyster = -25.0f;
                        i.an_hi = FromBits(0x7FC00001);
                        i.an_lo = 0.5f;
                    }},
        PartialCase{"OriginAndCommentsAreNotValues",
                    "; saved by hand\n[ZANTOR30]\nDATUM = 1. 2. 2025 ; not a comment here\nTYP = a = b\n"
                    "ADRESA = 126\n\n# other comment\n[PARAMETRY]\n  FILTR = 59999  ",
                    [](DeviceImage& i) { i.filtr = 59999; }}),
    [](const ::testing::TestParamInfo<PartialCase>& info) { return std::string(info.param.name); });

TEST(ParamFileReader, KeepsTheOriginAndTheSettingsInTheFilesOrder) {
    const ParamFileRead read = ReadParamFile(
        "[ZANTOR30]\nDATUM = 2025-01-31 14:05:09\nTYP = ZANTOR 30 ; x\nadresa = 5\n"
        "[PARAMETRY]\nSP.HI = 3\nFUNC = 0\n");
    ASSERT_TRUE(read.file);
    EXPECT_EQ(read.file->origin.saved, "2025-01-31 14:05:09");
    EXPECT_EQ(read.file->origin.type, "ZANTOR 30 ; x");
    EXPECT_EQ(read.file->origin.version, "");
    EXPECT_EQ(read.file->origin.address, 5);
    ASSERT_EQ(read.file->settings.size(), 2u);
    EXPECT_EQ(read.file->settings[0].param->name, "SP.HI");
    EXPECT_EQ(read.file->settings[1].param->name, "FUNC");
    EXPECT_FALSE(read.file->config);
}

struct BadCase {
    const char* name;
    std::string text;
    int line;
    ParamFileFault fault;
    std::string message;  // ParamFileErrorText
};

class BadFiles : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadFiles, AreRefusedWholeWithTheLineAndTheReason) {
    const ParamFileRead read = ReadParamFile(GetParam().text);
    ASSERT_FALSE(read.file);
    EXPECT_EQ(read.error.line, GetParam().line);
    EXPECT_EQ(read.error.fault, GetParam().fault);
    EXPECT_EQ(ParamFileErrorText(read.error), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadFiles,
    ::testing::Values(
        BadCase{"UnknownName", "[PARAMETRY]\nSCALE = 1\nSPLO = 1\n", 3, ParamFileFault::UnknownName,
                "line 3: unknown parameter \"SPLO\""},
        BadCase{"UnknownOriginName", "[ZANTOR30]\nSERIAL = 5\n", 2, ParamFileFault::UnknownName,
                "line 2: unknown name \"SERIAL\" in [ZANTOR30] (DATUM, TYP, VERZE, ADRESA)"},
        BadCase{"FiltrOutOfRange", "[PARAMETRY]\nFILTR = 60000\n", 2, ParamFileFault::BadValue,
                "line 2: FILTR: \"60000\" is not a number from 0 to 59999"},
        BadCase{
            "CodeOutsideItsList", "[PARAMETRY]\n\nFUNC = 4 ; x\n", 3, ParamFileFault::BadValue,
            "line 3: FUNC: \"4\" is none of 0 TOTAL (čítač), 1 RATE (kmitočtoměr), 2 FLOMIN (průtokoměr), 3 "
            "FLOHOD (průtokoměr)"},
        BadCase{
            "WordOfSeveralItems", "[PARAMETRY]\nALARM_OUT1 = sepnutý\n", 2, ParamFileFault::BadValue,
            "line 2: ALARM_OUT1: \"sepnutý\" fits more than one item: 0 Sepnutý při překročení, 1 Sepnutý "
            "při nedosažení"},
        BadCase{"DecimalComma", "[PARAMETRY]\nSCALE = 1,5\n", 2, ParamFileFault::BadValue,
                "line 2: SCALE: \"1,5\" is not a decimal number (with \".\", or 0x and eight hex digits)"},
        BadCase{"BeyondTheFloatRange", "[PARAMETRY]\nSCALE = 1e39\n", 2, ParamFileFault::BadValue,
                "line 2: SCALE: \"1e39\" is not a decimal number (with \".\", or 0x and eight hex digits)"},
        BadCase{
            "BitsNotEightDigits", "[PARAMETRY]\nSCALE = 0x3F80000\n", 2, ParamFileFault::BadValue,
            "line 2: SCALE: \"0x3F80000\" is not a decimal number (with \".\", or 0x and eight hex digits)"},
        BadCase{"EmptyValue", "[PARAMETRY]\nOFFSET = ; nothing\n", 2, ParamFileFault::BadValue,
                "line 2: OFFSET: \"\" is not a decimal number (with \".\", or 0x and eight hex digits)"},
        BadCase{"ConfigThreeDigits", "[PARAMETRY]\nCONFIG = 100\n", 2, ParamFileFault::BadValue,
                "line 2: CONFIG: \"100\" is not two hex digits 00 to FF"},
        BadCase{"AddressBroadcast", "[ZANTOR30]\nADRESA = 127\n[PARAMETRY]\nDP = 1\n", 2,
                ParamFileFault::BadValue, "line 2: ADRESA: \"127\" is not a bus address from 0 to 126"},
        BadCase{"NameTwice", "[PARAMETRY]\nfunc = 1\nSCALE = 1\nFUNC = 1\n", 4, ParamFileFault::NameTwice,
                "line 4: FUNC again (first on line 2)"},
        BadCase{"OriginNameTwice", "[ZANTOR30]\nTYP = a\nTYP = b\n", 3, ParamFileFault::NameTwice,
                "line 3: TYP again (first on line 2)"},
        BadCase{"SwitchAfterConfig", "[PARAMETRY]\nCONFIG = 21\nAOUT = 0\n", 3, ParamFileFault::NameTwice,
                "line 3: AOUT and CONFIG on line 2 both set CONFIG bits"},
        BadCase{"ConfigAfterSwitch", "[PARAMETRY]\nRESET = 1\nCONFIG = 21\n", 3, ParamFileFault::NameTwice,
                "line 3: CONFIG and RESET on line 2 both set CONFIG bits"},
        BadCase{"SectionTwice", "[PARAMETRY]\nDP = 1\n[ZANTOR30]\n[Parametry]\n", 4,
                ParamFileFault::SectionTwice, "line 4: section [Parametry] again (first on line 1)"},
        BadCase{"UnknownSection", "[PARAMETRY]\nDP = 1\n[GRAF]\nDP = 2\n", 3, ParamFileFault::UnknownSection,
                "line 3: unknown section [GRAF] (expected [ZANTOR30] or [PARAMETRY])"},
        BadCase{"OutsideSection", "SCALE = 1\n[PARAMETRY]\n", 1, ParamFileFault::OutsideSection,
                "line 1: NAME = VALUE outside a section"},
        BadCase{"NoEquals", "[PARAMETRY]\nSCALE 1\n", 2, ParamFileFault::NotAnEntry,
                "line 2: expected [SECTION], NAME = VALUE or a comment"},
        BadCase{"OpenSection", "[PARAMETRY\nSCALE = 1\n", 1, ParamFileFault::NotAnEntry,
                "line 1: expected [SECTION], NAME = VALUE or a comment"},
        BadCase{"NotUtf8", "[PARAMETRY]\nFACTOR = n\xE1soben\xED\n", 2, ParamFileFault::NotText,
                "line 2: not UTF-8 text (a byte that is not UTF-8, or a control character)"},
        BadCase{"ZeroByte", std::string("[PARAMETRY]\nDP = 1\0\n", 20), 2, ParamFileFault::NotText,
                "line 2: not UTF-8 text (a byte that is not UTF-8, or a control character)"},
        BadCase{"EscapeCharacter", "[PARAMETRY]\nDP = 1\n\x1B[2J\n", 3, ParamFileFault::NotText,
                "line 3: not UTF-8 text (a byte that is not UTF-8, or a control character)"},
        BadCase{"LoneCarriageReturn", "[PARAMETRY]\rDP = 1\n", 1, ParamFileFault::NotText,
                "line 1: not UTF-8 text (a byte that is not UTF-8, or a control character)"},
        BadCase{"CutInsideACharacter", "[PARAMETRY]\nFACTOR = d\xC4", 2, ParamFileFault::NotText,
                "line 2: not UTF-8 text (a byte that is not UTF-8, or a control character)"},
        BadCase{"Empty", "", 0, ParamFileFault::NoParameters, "names no parameter"},
        BadCase{"OriginOnly", "[ZANTOR30]\nTYP = ZANTOR 30\n[PARAMETRY]\n; FUNC = 7\n", 0,
                ParamFileFault::NoParameters, "names no parameter"},
        BadCase{"TooLarge", "[PARAMETRY]\nDP = 1\n" + std::string(kMaxParamFileBytes, ';'), 0,
                ParamFileFault::TooLarge, "larger than 64 KiB, not a parameter file"}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST(ParamFileReader, TheFirstFaultIsReportedAndLongValuesAreCut) {
    const ParamFileRead read =
        ReadParamFile("[PARAMETRY]\nSCALE = " + std::string(70, '9') + "x\nNOPE = 1\nFUNC = 9\n");
    ASSERT_FALSE(read.file);
    EXPECT_EQ(read.error.line, 2);
    EXPECT_EQ(ParamFileErrorText(read.error),
              "line 2: SCALE: \"" + std::string(60, '9') +
                  "...\" is not a decimal number (with \".\", or 0x and eight hex digits)");
}

TEST(ParamFileReader, TellsTheProgramsOperatorInCzech) {
    const std::pair<std::string, std::string> cases[] = {
        {"[PARAMETRY]\nSCALE = 1\nXYZ = 1\n", "řádek 3: neznámý parametr „XYZ“"},
        {"[PARAMETRY]\nDP = 6\n",
         "řádek 2: „6“ není platná hodnota DP: platné jsou 0 000000., 1 00000.0, 2 0000.00, 3 000.000, 4 "
         "00.0000, 5 0.00000"},
        {"[PARAMETRY]\nFILTR = -1\n", "řádek 2: „-1“ není platná hodnota FILTR: očekává se číslo 0 až 59999"},
        {"[PARAMETRY]\nDP = 1\nDP = 2\n", "řádek 3: DP podruhé (poprvé na řádku 2)"},
        {"[PARAMETRY]\nDP = \xFF\n", "řádek 2: není to text v kódování UTF-8"},
        {"", "soubor neobsahuje žádný parametr"},
    };
    for (const auto& [text, message] : cases) {
        const ParamFileRead read = ReadParamFile(text);
        ASSERT_FALSE(read.file) << text;
        EXPECT_EQ(ParamFileErrorTextCs(read.error), message);
    }
}

}  // namespace
}  // namespace zt30
