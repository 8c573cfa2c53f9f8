// The logger's configuration file and the texts it publishes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <limits>
#include <string>

#include "logger/journal.h"
#include "logger/logger_config.h"
#include "logger/reading_message.h"

namespace zt30::logger {
namespace {

ConfigRead Parse(const std::string& text) {
    return ParseLoggerConfig(text, "plant.ini");
}

TEST(LoggerConfig, ReadsLinesRecordAndBrokerWithDefaultsAndTrailingComments) {
    const ConfigRead read = Parse(
        "; the plant\n"
        "[LINE1]                      ; every section whose name begins with LINE\n"
        "DEVICE = /dev/ttyUSB0        ; a device\n"
        "STATIONS = 1, 5,10\n"
        "[line-east]\n"
        "device = COM3\n"
        "BAUD = 115200\n"
        "SA = 2\n"
        "STATIONS = 126\n"
        "INTERVAL = 60\n"
        "[RECORD]\n"
        "FOLDER = \"/var/lib/zt30 ; records\"\n"
        "[MQTT]\n"
        "BROKER = mqtts://broker.example:8883\n"
        "USER = logger\n"
        "PASSWORD = a;b#c\n"
        "CAFILE = /etc/ssl/ca.pem\n");
    ASSERT_TRUE(read.config) << read.error;
    const LoggerConfig& c = *read.config;
    ASSERT_EQ(c.lines.size(), 2u);
    EXPECT_EQ(c.lines[0].name, "LINE1");
    EXPECT_EQ(c.lines[0].device, "/dev/ttyUSB0");
    EXPECT_EQ(c.lines[0].port, 0);
    EXPECT_EQ(c.lines[0].baudRate, 9600);
    EXPECT_EQ(c.lines[0].sourceAddress, 0);
    EXPECT_EQ(c.lines[0].stations, (std::vector<std::uint8_t>{1, 5, 10}));
    EXPECT_EQ(c.lines[0].intervalSeconds, 1);
    EXPECT_EQ(c.lines[1].name, "line-east");
    EXPECT_EQ(c.lines[1].port, 3);
    EXPECT_EQ(c.lines[1].baudRate, 115200);
    EXPECT_EQ(c.lines[1].sourceAddress, 2);
    EXPECT_EQ(c.lines[1].intervalSeconds, 60);
    ASSERT_TRUE(c.record);
    EXPECT_EQ(c.record->folder, "/var/lib/zt30 ; records");  // quotes keep what looks like a comment
    ASSERT_TRUE(c.mqtt);
    EXPECT_EQ(c.mqtt->topic, "zt30");
    EXPECT_EQ(c.mqtt->password, "a;b#c");  // no blank before ";": part of the value
    EXPECT_EQ(c.mqtt->caFile, "/etc/ssl/ca.pem");
}

TEST(LoggerConfig, EitherOutputAloneIsEnough) {
    EXPECT_TRUE(Parse("[LINE1]\nDEVICE=tcp://127.0.0.1:4001\nSTATIONS=1\n[RECORD]\nFOLDER=/tmp\n").config);
    EXPECT_TRUE(Parse("[LINE1]\nDEVICE=/dev/x\nSTATIONS=1\n[MQTT]\nBROKER=mqtt://[::1]\n").config);
}

TEST(LoggerConfig, RefusesWithFileLineAndReason) {
    const std::string ok = "[RECORD]\nFOLDER=/tmp\n";
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"[LINE1]\nDEVICE=/dev/x\nSTATIONS=1\nSPEED=9600\n" + ok,
         "plant.ini:4: unknown name SPEED in [LINE1]"},
        {"[LINE1]\nDEVICE=/dev/x\nSTATIONS=1, 5, 1\n" + ok,
         "plant.ini:3: STATIONS: station 1 is given twice"},
        {"[LINE1]\nDEVICE=/dev/x\nSTATIONS=127\n" + ok,
         "plant.ini:3: STATIONS: \"127\" is not a bus address from 0 to 126"},
        {ok + "[LINE1]\nDEVICE=/dev/x\n", "plant.ini:3: [LINE1] has no STATIONS"},
        {"[LINE1]\nDEVICE=/dev/x\nSTATIONS=1\nINTERVAL=0\n" + ok,
         "plant.ini:4: INTERVAL: \"0\" is not a number from 1 to 86400"},
        {"[LINE1]\nDEVICE=/dev/x\nSTATIONS=1\nSA=1\n" + ok,
         "plant.ini:4: SA 1 is also a station's address on this line"},
        {"[LINE1]\nDEVICE=/dev/x\nSTATIONS=1\nSTATIONS=2\n" + ok,
         "plant.ini:4: STATIONS is given twice in [LINE1] (line 3)"},
        {"[LINE1]\nDEVICE=/dev/x\nSTATIONS=1\n[line1]\nDEVICE=/dev/y\nSTATIONS=1\n" + ok,
         "plant.ini:4: section [line1] is given twice (line 1)"},
        {"[LINE1]\nDEVICE=/dev/x\nSTATIONS=1\n[LINE2]\nDEVICE=/dev/x\nSTATIONS=2\n" + ok,
         "plant.ini:5: DEVICE /dev/x is also the device of [LINE1]"},
        {"[LINE 1]\nDEVICE=/dev/x\nSTATIONS=1\n" + ok,
         "plant.ini:1: section [LINE 1]: a line's name holds only letters, digits, \"_\" and \"-\""},
        {"[LINE1]\nDEVICE=rfc2217://host\nSTATIONS=1\n" + ok,
         "plant.ini:2: DEVICE: \"rfc2217://host\": no port (HOST:PORT)"},
        {"[PORTS]\n", "plant.ini:1: unknown section [PORTS] (LINE..., RECORD or MQTT)"},
        {"DEVICE=/dev/x\n", "plant.ini:1: DEVICE stands before the first section"},
        {"[LINE1]\nDEVICE /dev/x\n", "plant.ini:2: not a [SECTION] header or a NAME = VALUE line"},
        {"[LINE1]\nDEVICE=/dev/\\x0\nSTATIONS=1\n" + ok, "plant.ini:2: DEVICE: the value is not text"},
        {"[LINE1]\nDEVICE=/dev/x\nSTATIONS=1\n[MQTT]\nBROKER=http://h:1\n",
         "plant.ini:5: BROKER: \"http://h:1\" is not mqtt://HOST:PORT or mqtts://HOST:PORT"},
        {"[LINE1]\nDEVICE=/dev/x\nSTATIONS=1\n[MQTT]\nBROKER=mqtt://h\nTOPIC=plant/#\n",
         "plant.ini:6: TOPIC: \"plant/#\" is not a topic prefix (no +, no #, no empty level)"},
        {"[LINE1]\nDEVICE=/dev/x\nSTATIONS=1\n[MQTT]\nBROKER=mqtt://h\nPASSWORD=x\n",
         "plant.ini:6: PASSWORD without USER"},
        {"[LINE1]\nDEVICE=/dev/x\nSTATIONS=1\n[MQTT]\nBROKER=mqtt://h\nCAFILE=/ca\n",
         "plant.ini:6: CAFILE is for an mqtts:// broker only"},
        {ok, "plant.ini: no [LINE...] section: no line to read"},
        {"[LINE1]\nDEVICE=/dev/x\nSTATIONS=1\n",
         "plant.ini: neither [RECORD] nor [MQTT]: the readings would go nowhere"},
    };
    for (const auto& c : cases) {
        const ConfigRead read = Parse(c.text);
        EXPECT_FALSE(read.config) << c.text;
        EXPECT_EQ(read.error.substr(0, c.error.size()), c.error) << c.text;
    }
}

TEST(ReadingMessage, TimeIsLocalIsoWithMillisecondsAndOffset) {
    ReadingTime t;
    t.local = {2026, 12, 9, 3, 3, 0, 1, 234};
    t.utcOffsetMinutes = 60;
    EXPECT_EQ(IsoTimeText(t), "2026-12-09T03:00:01.234+01:00");
    t.utcOffsetMinutes = -(9 * 60 + 30);
    EXPECT_EQ(IsoTimeText(t), "2026-12-09T03:00:01.234-09:30");
    // A time of the system clock comes back with its milliseconds.
    const auto at = std::chrono::system_clock::time_point(std::chrono::milliseconds(1765249201234));
    EXPECT_EQ(ReadingTimeOf(at).local.millisecond, 234);
}

TEST(ReadingMessage, NumbersAreTheShortestTextsThatReadBackAsTheSameFloat) {
    ReadingTime t;
    t.local = {2026, 12, 9, 3, 3, 0, 1, 234};
    t.utcOffsetMinutes = 60;
    EXPECT_EQ(ReadingPayload(t, 12.5f, 100.0f),
              "{\"time\":\"2026-12-09T03:00:01.234+01:00\",\"value\":12.5,\"sum\":100}");
    for (const float f : {0.1f, 1.0f / 3.0f, 16777217.0f, 3.4028235e38f, -1.17549435e-38f, 1e-45f}) {
        const std::string text = JsonNumberText(f);
        EXPECT_EQ(std::strtof(text.c_str(), nullptr), f) << text;
        EXPECT_LE(text.size(), 15u) << text;
    }
    EXPECT_EQ(JsonNumberText(0.1f), "0.1");
    EXPECT_EQ(JsonNumberText(std::numeric_limits<float>::quiet_NaN()), "null");
    EXPECT_EQ(JsonNumberText(-std::numeric_limits<float>::infinity()), "null");
}

TEST(Journal, OneLinePerMessageWithItsLevel) {
    EXPECT_EQ(StreamJournal::LineOf(Level::Error, "LINE1: gone\nsecond", true), "<3>LINE1: gone second");
    EXPECT_EQ(StreamJournal::LineOf(Level::Warning, "slow", false), "zt30ctl log: warning: slow");
    EXPECT_EQ(StreamJournal::LineOf(Level::Info, "started", false), "zt30ctl log: started");
}

}  // namespace
}  // namespace zt30::logger
