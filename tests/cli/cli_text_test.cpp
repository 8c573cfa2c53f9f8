// The tool's texts: the COM-port mapping from the settings, the parameters as shown and as typed after "set",
// and the escaping of what the instrument sends and of echoed arguments.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "cli/configured_devices.h"
#include "cli/parameters.h"
#include "cli/printable.h"
#include "support/memory_settings_backend.h"

namespace zt30::cli {
namespace {

TEST(ConfiguredDevices, OnlyTheComEntriesOfDevicesAndEmptyPathsMapNothing) {
    MemorySettingsBackend backend;
    backend.Plant("DEVICES", "COM1", {ValueQuery::Kind::Text, "/dev/ttyUSB0"});
    backend.Plant("DEVICES", "COM4", {ValueQuery::Kind::Text, ""});
    backend.Plant("DEVICES", "COM0", {ValueQuery::Kind::Text, "/dev/zero"});
    backend.Plant("DEVICES", "COM9", {ValueQuery::Kind::Text, "/dev/nine"});
    backend.Plant("PORT", "COM2", {ValueQuery::Kind::Text, "/dev/wrong"});
    const ConfiguredDevices devices = DevicesFromBackend(backend, "/cfg/OrvZT30.ini");
    EXPECT_EQ(devices[0].path, "/dev/ttyUSB0");
    EXPECT_FALSE(devices[1].path);
    EXPECT_FALSE(devices[3].path);
    for (const ConfiguredDevice& device : devices) {
        EXPECT_EQ(device.error, "");
    }
    const PortDeviceLookup lookup = DeviceLookupOf(devices);
    EXPECT_EQ(DevicePathForPort(1, lookup), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePathForPort(4, lookup), "/dev/ttyS3");
    EXPECT_FALSE(lookup(0));
    EXPECT_FALSE(lookup(9));
    EXPECT_EQ(FixedDeviceLookup("/dev/pts/9")(5), "/dev/pts/9");
}

TEST(ConfiguredDevices, ANetworkAddressIsTakenAndAMalformedOneIsThePortsError) {
    MemorySettingsBackend backend;
    backend.Plant("DEVICES", "COM1", {ValueQuery::Kind::Text, "rfc2217://plant-box:4000"});
    backend.Plant("DEVICES", "COM2", {ValueQuery::Kind::Text, "tcp://plant-box"});
    const ConfiguredDevices devices = DevicesFromBackend(backend, "/cfg/OrvZT30.ini");
    EXPECT_EQ(devices[0].path, "rfc2217://plant-box:4000");
    EXPECT_EQ(Win32DeviceForPort(1, DeviceLookupOf(devices)), "rfc2217://plant-box:4000");
    EXPECT_FALSE(devices[1].path);
    EXPECT_EQ(
        devices[1].error,
        "settings file /cfg/OrvZT30.ini: COM2 in [DEVICES] \"tcp://plant-box\" is not a network address: no "
        "port (HOST:PORT)");
}

TEST(ConfiguredDevices, UnreadableEntriesAndFilesAreErrorsNotDefaults) {
    MemorySettingsBackend backend;
    backend.Plant("DEVICES", "COM2", {ValueQuery::Kind::NotText, ""});
    ConfiguredDevices devices = DevicesFromBackend(backend, "/cfg/Orv\x1bZT30.ini");
    EXPECT_EQ(devices[0].error, "");
    EXPECT_EQ(devices[1].error,
              "settings file /cfg/Orv\\x1BZT30.ini: COM2 in [DEVICES] is not valid UTF-8 text");
    EXPECT_FALSE(devices[1].path);

    MemorySettingsBackend closed;
    closed.failOpenKey = true;
    devices = DevicesFromBackend(closed, "/cfg/OrvZT30.ini");
    for (const ConfiguredDevice& device : devices) {
        EXPECT_EQ(device.error, "settings file /cfg/OrvZT30.ini cannot be read");
    }
}

TEST(DeviceText, DecodesTheInstrumentsCodePageAndEscapesWhatATerminalWouldActOn) {
    EXPECT_EQ(EscapeDeviceText("ZANTOR 30 v1.2"), "ZANTOR 30 v1.2");
    EXPECT_EQ(EscapeDeviceText("M\xEC\xF8i\xE8 pr\xF9tok\x9A \x96 \xA9"), "Měřič průtokš – ©");
    EXPECT_EQ(EscapeDeviceText("\x1b[2J\x7f\x9b\\\x81\x98\x0D"), "\\x1B[2J\\x7F›\\x5C\\x81\\x98\\x0D");
}

TEST(DeviceText, OtherTextKeepsUtf8AndEscapesControlsAndStrayBytes) {
    EXPECT_EQ(PrintableText("čas\x07\n"), "čas\\x07\\x0A");
    EXPECT_EQ(PrintableText("a\xC2\x9B"
                            "1m\xFF\xC4"),
              "a\\xC2\\x9B1m\\xFF\\xC4");  // C1 CSI, stray bytes
    EXPECT_EQ(PrintableText(std::string(100, 'x')), std::string(100, 'x'));
    // An echoed argument is cut after kEchoLength characters, never inside one.
    EXPECT_EQ(PrintableArgument(std::string(kEchoLength, 'x')), std::string(kEchoLength, 'x'));
    std::string longArgument;
    for (std::size_t i = 0; i <= kEchoLength; ++i) {
        longArgument += "č";
    }
    EXPECT_EQ(PrintableArgument(longArgument), longArgument.substr(0, 2 * kEchoLength) + "...");
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
                                           SetCase{"RESET", "vyžaduje", true},
                                           SetCase{"ALARM_OUT1", "Sepnutý", false},
                                           SetCase{"ALARM_OUT1", "Sepnutý při nedosažení", true},
                                           SetCase{"VSTUP", "Čítá", false}, SetCase{"NOPE", "1", false}));

TEST(SetRequest, AWordThatStartsSeveralItemsNamesThemAndChoosesNone) {
    SetParse parsed = ParseSetRequest("ALARM_OUT1", "Sepnutý");
    EXPECT_FALSE(parsed.request);
    EXPECT_EQ(parsed.error,
              "set ALARM_OUT1: \"Sepnutý\" fits more than one item: 0 Sepnutý při překročení, 1 Sepnutý při "
              "nedosažení");
    parsed = ParseSetRequest("ALARM_OUT1", "Sepnutý při nedosažení");
    ASSERT_TRUE(parsed.request);
    EXPECT_EQ(parsed.request->intValue, 1);
    parsed = ParseSetRequest("FACTOR", "x");
    EXPECT_EQ(parsed.error, "set FACTOR: \"x\" is none of 0 dělení, 1 násobení");
}

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
