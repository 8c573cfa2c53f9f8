// The tool's texts: the settings file's COM-port mapping, the parameters as shown and as typed after "set",
// and the escaping of what the instrument sends.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "cli/ini_devices.h"
#include "cli/parameters.h"
#include "cli/printable.h"

namespace zt30::cli {
namespace {

TEST(SettingsFile, FollowsXdgConfigHomeElseHome) {
    EXPECT_EQ(SettingsFilePath("/cfg", "/home/u"), "/cfg/OrvZT30.ini");
    EXPECT_EQ(SettingsFilePath(nullptr, "/home/u"), "/home/u/.config/OrvZT30.ini");
    EXPECT_EQ(SettingsFilePath("", "/home/u"), "/home/u/.config/OrvZT30.ini");
    EXPECT_EQ(SettingsFilePath("relative/dir", "/home/u"), "/home/u/.config/OrvZT30.ini");
    EXPECT_FALSE(SettingsFilePath(nullptr, nullptr));
}

TEST(DevicesSection, ReadsOnlyTheComKeysOfDevices) {
    const DeviceTable table = ParseDevicesSection(
        "[PORT]\nCOM=3\nCOM2=/dev/wrong\n"
        "; a comment\n"
        "[DEVICES]\r\n"
        "COM1=/dev/ttyUSB0\r\n"
        "  com3 =  \"/dev/serial/by-id/usb-FTDI cable\"  \r\n"
        "COM4=\n"
        "COM9=/dev/nine\n"
        "COM0=/dev/zero\n"
        "COMX=/dev/x\n"
        "garbage line without equals\n"
        "COM5=/dev/back\\\\slash\n"
        "COM6=/dev/\\x10d\\x10c\n"
        "[DEVICES2]\nCOM7=/dev/other\n");
    EXPECT_EQ(table[0], "/dev/ttyUSB0");
    EXPECT_FALSE(table[1]);
    EXPECT_EQ(table[2], "/dev/serial/by-id/usb-FTDI cable");
    EXPECT_FALSE(table[3]);  // an empty value maps nothing
    EXPECT_EQ(table[4], "/dev/back\\slash");
    EXPECT_EQ(table[5], "/dev/\xC4\x8D\xC4\x8C");  // Qt's \x escapes are code points
    EXPECT_FALSE(table[6]);
    EXPECT_FALSE(table[7]);
}

TEST(DevicesSection, ToleratesBrokenText) {
    for (const std::string_view text : {"", "[DEVICES", "[DEVICES]\nCOM1", "[DEVICES]\nCOM1=\"unterminated",
                                        "[DEVICES]\nCOM1=\\", "[DEVICES]\nCOM1=\\xZZ"}) {
        const DeviceTable table = ParseDevicesSection(text);
        EXPECT_FALSE(table[1]) << text;
    }
    EXPECT_EQ(ParseDevicesSection("[DEVICES]\nCOM1=\\xZZ")[0], "\\xZZ");
    EXPECT_EQ(ParseDevicesSection("[DEVICES]\nCOM1=\"unterminated")[0], "unterminated");
}

TEST(DevicesSection, LookupMapsPortsOneToEightOnly) {
    DeviceTable table;
    table[7] = "/dev/eight";
    const PortDeviceLookup lookup = LookupFromTable(table);
    EXPECT_EQ(lookup(8), "/dev/eight");
    EXPECT_FALSE(lookup(0));
    EXPECT_FALSE(lookup(9));
    EXPECT_FALSE(lookup(-1));
    EXPECT_EQ(FixedDeviceLookup("/dev/pts/9")(5), "/dev/pts/9");
}

TEST(DeviceText, EscapesEverythingButPrintableAscii) {
    EXPECT_EQ(EscapeDeviceText("ZANTOR 30 v1.2"), "ZANTOR 30 v1.2");
    EXPECT_EQ(EscapeDeviceText("\x1b[2J\x7f\x9a\\"), "\\x1B[2J\\x7F\\x9A\\x5C");
    EXPECT_EQ(PrintableArgument("čas\x07\n"), "čas??");
}

TEST(SetRequest, NamesAreCaptionsAndSwitchNamesInAnyCase) {
    for (const std::string_view name :
         {"FUNC", "dp", "Factor", "SCALE", "OFFSET", "SP.LO", "sp.hi", "HYSTER", "FILTR", "AN.LO", "AN.HI",
          "VSTUP", "KOMPAR_OUT2", "RESET", "ALARM_OUT1", "TIME_OUT", "aout"}) {
        EXPECT_NE(FindParam(name), nullptr) << name;
    }
    EXPECT_EQ(FindParam("CONFIG"), nullptr);
    EXPECT_EQ(FindParam("SPLO"), nullptr);
}

struct SetCase {
    const char* name;
    const char* value;
    bool accepted;
};

class SetValues : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetValues, AreParsedWithTheProgramsRules) {
    const SetParse parsed = ParseSetRequest(GetParam().name, GetParam().value);
    EXPECT_EQ(parsed.request.has_value(), GetParam().accepted) << parsed.error;
    EXPECT_EQ(parsed.error.empty(), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Cases, SetValues,
                         ::testing::Values(SetCase{"FUNC", "3", true}, SetCase{"FUNC", "4", false},
                                           SetCase{"FUNC", "rate", true},
                                           SetCase{"FUNC", "RATE (kmitočtoměr)", true},
                                           SetCase{"FUNC", "RAT", false}, SetCase{"DP", "000.000", true},
                                           SetCase{"DP", "6", false}, SetCase{"FACTOR", "násobení", true},
                                           SetCase{"SCALE", " -2.5E1 ", true}, SetCase{"SCALE", "2,5", false},
                                           SetCase{"SCALE", "1e39", false}, SetCase{"SCALE", "", false},
                                           SetCase{"FILTR", "59999", true}, SetCase{"FILTR", "60000", false},
                                           SetCase{"FILTR", "-1", false}, SetCase{"AOUT", "1", true},
                                           SetCase{"AOUT", "2", false}, SetCase{"AOUT", "4..   20 mA", true},
                                           SetCase{"NOPE", "1", false}));

TEST(SetRequest, ApplyChangesOnlyItsField) {
    DeviceImage image;
    image.func = 1;
    image.config = 0xC5;  // bits 6 and 7 set
    image.scale = 1.0f;
    const auto apply = [&image](const char* name, const char* value) {
        const SetParse parsed = ParseSetRequest(name, value);
        ASSERT_TRUE(parsed.request) << parsed.error;
        ApplySetRequest(*parsed.request, image);
    };
    apply("FUNC", "flohod");
    EXPECT_EQ(image.func, 3);
    apply("OFFSET", "-0.25");
    EXPECT_EQ(image.offset, -0.25f);
    EXPECT_EQ(image.scale, 1.0f);
    apply("FILTR", "10000");
    EXPECT_EQ(image.filtr, 10000);
    apply("KOMPAR_OUT2", "1");
    EXPECT_EQ(image.config, 0x07);  // bit 1 set, bits 6 and 7 cleared as the dialog writes them
    apply("VSTUP", "0");
    EXPECT_EQ(image.config, 0x06);
}

TEST(Params, ShownInTheDialogsOrderAndFormats) {
    DeviceImage image;
    image.func = 1;
    image.dp = 2;
    image.factor = 1;
    image.config = 0x21;
    image.filtr = 10000;
    image.scale = 1.0f;
    image.offset = -0.25f;
    image.sp_lo = 1234.5678f;
    image.an_hi = 20.0f;
    std::ostringstream out;
    PrintParams(image, out);
    EXPECT_EQ(out.str(),
              "FUNC          RATE (kmitočtoměr)\n"
              "DP            0000.00\n"
              "FACTOR        násobení\n"
              "SCALE         1.000000\n"
              "OFFSET        -0.250000\n"
              "SP.LO         1234.567749\n"
              "SP.HI         0.000000\n"
              "HYSTER        0.000000\n"
              "FILTR         10000\n"
              "AN.LO         0.000000\n"
              "AN.HI         20.000000\n"
              "CONFIG        0x21\n"
              "  VSTUP       Vstupní signál: Čítá náběžnou hranou\n"
              "  KOMPAR_OUT2 Výstup OUT 2: Komparuje naměřenou hodnotu\n"
              "  RESET       Kvitace RESET: Nevyžaduje kvitaci\n"
              "  ALARM_OUT1  Výstup OUT 1: Sepnutý při překročení\n"
              "  TIME_OUT    Časový výstup: Trvalé sepnutí OUT 1\n"
              "  AOUT        Analogový výstup: 4..   20 mA\n");
}

TEST(Params, CodesOutsideTheirListsAreShownNotIndexed) {
    DeviceImage image;
    image.func = 200;
    image.dp = 6;
    image.factor = 255;
    EXPECT_EQ(ParamValueText(*FindParam("FUNC"), image), "200 (unknown)");
    EXPECT_EQ(ParamValueText(*FindParam("DP"), image), "6 (unknown)");
    EXPECT_EQ(ParamValueText(*FindParam("FACTOR"), image), "255 (unknown)");
}

}  // namespace
}  // namespace zt30::cli
