// The settings file's text as people write it by hand: what is read from it, and that setting a value changes
// that one value's bytes and nothing else.
#include "views/ini_document.h"

#include <gtest/gtest.h>

#include <string>

namespace zt30 {

void PrintTo(const ValueQuery& value, std::ostream* os) {
    *os << (value.kind == ValueQuery::Kind::Missing ? "missing"
            : value.kind == ValueQuery::Kind::Text  ? "text \"" + value.text + "\""
                                                    : "not text");
}

namespace {

ValueQuery Text(std::string text) {
    return {ValueQuery::Kind::Text, std::move(text)};
}

const ValueQuery kMissing{};
const ValueQuery kNotText{ValueQuery::Kind::NotText, {}};

// A file in the shape the README shows, with everything a person adds by hand.
constexpr std::string_view kHandWritten =
    "\xEF\xBB\xBF# ZT-30 settings\r\n"
    "; edited by hand\r\n"
    "\r\n"
    "[devices]\r\n"
    "  com3 =  \"/dev/serial/by-id/usb-FTDI cable\"  \r\n"
    "COM1 = /dev/ttyUSB0\r\n"
    "COM4=\r\n"
    "COM0=/dev/zero\r\n"
    "COM5=/dev/back\\\\slash\r\n"
    "COM6=/dev/\\x10d\\x10c\r\n"
    "COM7=\\xZZ\r\n"
    "COM8=\"unterminated\r\n"
    "# COM2=/dev/commented\r\n"
    "a line without an equals sign\r\n"
    "=no name\r\n"
    "[GRAF]\r\n"
    "G3D = 0\r\n"
    "PERO=255\r\n"
    "PERO=7\r\n"
    "MRIZ=\xFF\xFE\r\n"
    "POZADI=\\x0\r\n"
    "[DEVICES2]\r\n"
    "COM2=/dev/other\r\n";

struct ReadCase {
    std::string_view section;
    std::string_view name;
    ValueQuery expected;
};

class IniRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, TakesWhatAPersonWritesByHand) {
    const IniDocument document(kHandWritten);
    EXPECT_EQ(document.Find(GetParam().section, GetParam().name), GetParam().expected)
        << GetParam().section << "/" << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniRead,
    ::testing::Values(ReadCase{"DEVICES", "COM1", Text("/dev/ttyUSB0")},
                      ReadCase{"DEVICES", "COM3", Text("/dev/serial/by-id/usb-FTDI cable")},
                      ReadCase{"DEVICES", "COM4", Text("")}, ReadCase{"DEVICES", "COM0", Text("/dev/zero")},
                      ReadCase{"DEVICES", "COM5", Text("/dev/back\\slash")},
                      ReadCase{"DEVICES", "COM6", Text("/dev/\xC4\x8D\xC4\x8C")},  // Qt's \x is a code point
                      ReadCase{"DEVICES", "COM7", Text("\\xZZ")},                  // a malformed escape stays
                      ReadCase{"DEVICES", "COM8", Text("unterminated")},
                      ReadCase{"DEVICES", "COM2", kMissing},  // only in a comment and another section
                      ReadCase{"GRAF", "G3D", Text("0")},
                      ReadCase{"GRAF", "PERO", Text("7")},  // the last line of a name counts
                      ReadCase{"GRAF", "MRIZ", kNotText}, ReadCase{"GRAF", "POZADI", kNotText},
                      ReadCase{"GRAF", "R3D", kMissing}, ReadCase{"PORT", "COM", kMissing}));

TEST(IniDocument, SectionsAreFoundInAnyCaseAndAnUnclosedHeaderHidesItsValues) {
    const IniDocument document("PERO=1\n[GRAF\nPERO=5\n[ desktop ]\nLeft=3\n");
    EXPECT_TRUE(document.HasSection("DESKTOP"));
    EXPECT_FALSE(document.HasSection("GRAF"));
    EXPECT_EQ(document.Find("DESKTOP", "LEFT"), Text("3"));
    EXPECT_EQ(document.Find("GRAF", "PERO"), kMissing);  // neither the value above nor the one below
}

struct EditCase {
    const char* name;
    std::string_view before;
    std::string_view section;
    std::string_view key;
    std::string_view value;
    std::string_view after;
};

class IniEdit : public ::testing::TestWithParam<EditCase> {};

TEST_P(IniEdit, ChangesOnlyTheOneValue) {
    IniDocument document(GetParam().before);
    ASSERT_TRUE(document.Set(GetParam().section, GetParam().key, GetParam().value));
    EXPECT_EQ(document.Bytes(), GetParam().after);
    EXPECT_EQ(IniDocument(document.Bytes()).Find(GetParam().section, GetParam().key),
              Text(std::string(GetParam().value)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniEdit,
    ::testing::Values(
        EditCase{"InPlaceKeepingEverythingElse",
                 "\xEF\xBB\xBF# mine\r\nno equals here\r\n[graf]\r\ng3d = 0  \r\n; end\r\n", "GRAF", "G3D",
                 "1", "\xEF\xBB\xBF# mine\r\nno equals here\r\n[graf]\r\ng3d = 1\r\n; end\r\n"},
        EditCase{"LastOfTwoLines", "[GRAF]\nPERO=1\nPERO=2\n", "GRAF", "PERO", "3",
                 "[GRAF]\nPERO=1\nPERO=3\n"},
        EditCase{"AfterTheSectionsLastValue", "[GRAF]\nPERO=1\n\n# colours end\n[PORT]\nCOM=2\n", "GRAF",
                 "MRIZ", "-2147483633", "[GRAF]\nPERO=1\nMRIZ=-2147483633\n\n# colours end\n[PORT]\nCOM=2\n"},
        EditCase{"IntoAnEmptySection", "[ZAZNAM]\r\n[PORT]\r\n", "ZAZNAM", "SOUBOR", "60",
                 "[ZAZNAM]\r\nSOUBOR=60\r\n[PORT]\r\n"},
        EditCase{"NewSectionAfterALastLineWithoutEnd", "[PORT]\nCOM=2", "ADRESA", "DA", "5",
                 "[PORT]\nCOM=2\n\n[ADRESA]\nDA=5\n"},
        EditCase{"NewSectionAfterALastLineEndingInACarriageReturn", "[DEVICES]\r\nCOM4=/dev/x\r", "ADRESA",
                 "DA", "5", "[DEVICES]\r\nCOM4=/dev/x\r\n\r\n[ADRESA]\r\nDA=5\r\n"},
        EditCase{"ValueAfterALastLineEndingInACarriageReturn", "[PORT]\r\nCOM=2\r", "PORT", "DA", "5",
                 "[PORT]\r\nCOM=2\r\nDA=5\r\n"},
        EditCase{"NewSectionAfterMixedEndsAndACarriageReturnAfterAByteThatIsNotText",
                 "[DESKTOP]\nLeft=1\n[PORT]\r\nCMO=~; ed\xC3\r", "GRAF", "PERO", "128",
                 "[DESKTOP]\nLeft=1\n[PORT]\r\nCMO=~; ed\xC3\r\n\n[GRAF]\nPERO=128\n"},
        EditCase{"NewSectionBesidesAnUnclosedOne", "[GRAF\nPERO=5\n", "GRAF", "PERO", "7",
                 "[GRAF\nPERO=5\n\n[GRAF]\nPERO=7\n"},
        EditCase{"IntoAnEmptyFile", "", "DESKTOP", "Left", "192", "[DESKTOP]\nLeft=192\n"},
        EditCase{"BlanksAroundAreQuoted", "[DEVICES]\n", "DEVICES", "COM1", " /dev/x ",
                 "[DEVICES]\nCOM1=\" /dev/x \"\n"},
        EditCase{"EscapesReadBack", "[DEVICES]\n", "DEVICES", "COM1",
                 "a\"b\\c\td\x01"
                 "E",
                 "[DEVICES]\nCOM1=a\\\"b\\\\c\\td\\x0001E\n"},
        EditCase{"SignsAndUtf8StayPlain", "[DEVICES]\n", "DEVICES", "COM2", "/dev/čas=;#",
                 "[DEVICES]\nCOM2=/dev/čas=;#\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniDocument, AValueEndingTheFileInACarriageReturnReadsTheSameAfterAWrite) {
    IniDocument document("[DEVICES]\r\nCOM4=/dev/x\r");
    EXPECT_EQ(document.Find("DEVICES", "COM4"), Text("/dev/x"));
    ASSERT_TRUE(document.Set("DEVICES", "COM1", "/dev/y"));
    EXPECT_EQ(IniDocument(document.Bytes()).Find("DEVICES", "COM4"), Text("/dev/x"));
}

TEST(IniDocument, TextThatCouldNotBeReadBackIsNotSet) {
    IniDocument document("[GRAF]\nPERO=1\n");
    EXPECT_FALSE(document.Set("GRAF", "PERO", "\xFF"));
    EXPECT_FALSE(document.Set("GRAF", "PERO", std::string_view("a\0b", 3)));
    EXPECT_EQ(document.Bytes(), "[GRAF]\nPERO=1\n");
}

TEST(IniDocument, AnyBytesReadAndComeBackUnchanged) {
    const std::string odd("\x00\xFF[\r\r\n=\n[]\n\xEF\xBB\xBF\n\\", 16);
    EXPECT_EQ(IniDocument(odd).Bytes(), odd);
    EXPECT_EQ(IniDocument(kHandWritten).Bytes(), kHandWritten);
}

}  // namespace
}  // namespace zt30
