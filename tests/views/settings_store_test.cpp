#include "views/settings_store.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "link/com_ports.h"
#include "support/memory_settings_backend.h"
#include "support/ui_recorder.h"
#include "views/graph_settings.h"

namespace zt30 {
namespace {

using test::RecordedMessage;
using test::UiRecorder;

class SettingsStoreTest : public ::testing::Test {
protected:
    SettingsStoreTest() {
        auto owned = std::make_unique<MemorySettingsBackend>();
        backend = owned.get();
        store = std::make_unique<SettingsStore>(std::move(owned), ui);
    }

    UiRecorder ui;
    MemorySettingsBackend* backend;
    std::unique_ptr<SettingsStore> store;
};

TEST_F(SettingsStoreTest, EmptyStoreGivesEveryDefault) {
    const std::pair<IntSetting, std::int32_t> expected[] = {{settings::kLeft, 192},
                                                            {settings::kTop, 107},
                                                            {settings::kHeight, 465},
                                                            {settings::kWidth, 667},
                                                            {settings::kPenColor, 255},
                                                            {settings::kGridColor, -2147483633},
                                                            {settings::kBorderColor, -2147483633},
                                                            {settings::kGraph3D, 1},
                                                            {settings::kGraph3DPercent, 35},
                                                            {settings::kGraphPoints, 200},
                                                            {settings::kInterval, 60},
                                                            {settings::kSourceAddress, 0},
                                                            {settings::kDestinationAddress, 0},
                                                            {settings::kPortNumber, 1},
                                                            {settings::kBaudRate, 9600}};
    ASSERT_EQ(std::size(expected), std::size(settings::kAll));
    for (const auto& [setting, value] : expected) {
        EXPECT_EQ(store->readInt(setting), value) << setting.name;
    }
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(backend->ValueCount(), 0u);  // reading never creates anything
}

struct TextCase {
    const char* text;
    std::int32_t expected;  // with default 60
};

class StoredTextTest : public SettingsStoreTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(StoredTextTest, ReadsIntegerTextOrTheDefault) {
    backend->Plant("ZAZNAM", "SOUBOR", {ValueQuery::Kind::Text, GetParam().text});
    EXPECT_EQ(store->readInt(settings::kInterval), GetParam().expected);
    EXPECT_TRUE(ui.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, StoredTextTest,
                         ::testing::Values(TextCase{"-5", -5}, TextCase{"0", 0}, TextCase{"abc", 60},
                                           TextCase{"", 60}, TextCase{"12a", 60},
                                           TextCase{"2147483647", 2147483647}, TextCase{"2147483648", 60},
                                           TextCase{"-2147483648", INT32_MIN}, TextCase{"-2147483649", 60},
                                           TextCase{"99999999999999999999", 60}, TextCase{"0x10", 60},
                                           TextCase{"$10", 60}, TextCase{"1.5", 60}, TextCase{" 7 ", 7},
                                           TextCase{"+7", 7}, TextCase{"+-7", 60}, TextCase{"-", 60}));

TEST_F(SettingsStoreTest, SectionWithoutTheValueGivesTheDefault) {
    backend->Plant("PORT", "COM", {ValueQuery::Kind::Text, "3"});
    EXPECT_EQ(store->readInt(settings::kBaudRate), 9600);
    EXPECT_EQ(store->readInt(settings::kPortNumber), 3);
}

TEST_F(SettingsStoreTest, WritesDecimalTextAndCreatesTheSection) {
    EXPECT_TRUE(store->writeInt(settings::kGridColor, static_cast<std::int32_t>(0x8000000Fu)));
    EXPECT_TRUE(store->writeInt(settings::kPenColor, 255));
    EXPECT_TRUE(store->writeInt(settings::kInterval, -5));
    EXPECT_EQ(backend->Text("GRAF", "MRIZ"), "-2147483633");
    EXPECT_EQ(backend->Text("GRAF", "PERO"), "255");
    EXPECT_EQ(backend->Text("ZAZNAM", "SOUBOR"), "-5");
    EXPECT_EQ(store->readInt(settings::kGridColor), -2147483633);
}

TEST_F(SettingsStoreTest, NonTextValueIsReportedAndStopsTheHandlersLaterReads) {
    backend->Plant("GRAF", "PERO", {ValueQuery::Kind::Text, "4"});
    backend->Plant("GRAF", "MRIZ", {ValueQuery::Kind::NotText, ""});
    backend->Plant("GRAF", "POZADI", {ValueQuery::Kind::Text, "7"});
    backend->Plant("GRAF", "R3D", {ValueQuery::Kind::Text, "50"});

    SettingsSequence sequence(*store);
    GraphSettings graph;
    graph.graph3DPercent = 20;  // the holder's current value stays when its read is not made
    LoadGraphSettings(sequence, graph);

    EXPECT_TRUE(sequence.failed());
    EXPECT_EQ(ui.messages, (std::vector<RecordedMessage>{{"Invalid data type for 'MRIZ'", "ZT-30",
                                                          MessageIcon::Error, MessageButtons::Ok}}));
    EXPECT_EQ(graph.penColor, 4u);
    EXPECT_EQ(graph.gridColor, 0x8000000Fu);
    EXPECT_EQ(graph.borderColor, 0x8000000Fu);
    EXPECT_EQ(graph.graph3DPercent, 20);
    EXPECT_EQ(backend->queries, (std::vector<std::string>{"GRAF/PERO", "GRAF/MRIZ"}));
    // A new handler reads again.
    SettingsSequence next(*store);
    EXPECT_EQ(next.readInt(settings::kGraph3DPercent), 50);
}

TEST_F(SettingsStoreTest, FailedWriteStopsTheLaterWritesAndKeepsTheEarlierOnes) {
    backend->failSetValue = {"R3D"};
    SettingsSequence sequence(*store);
    GraphSettings graph;
    graph.graphPoints = 500;
    EXPECT_FALSE(SaveGraphSettings(sequence, graph));
    EXPECT_EQ(ui.messages, (std::vector<RecordedMessage>{{"Failed to set data for 'R3D'", "ZT-30",
                                                          MessageIcon::Error, MessageButtons::Ok}}));
    EXPECT_EQ(backend->writes,
              (std::vector<std::string>{"GRAF/PERO", "GRAF/MRIZ", "GRAF/POZADI", "GRAF/G3D", "GRAF/R3D"}));
    EXPECT_EQ(backend->Text("GRAF", "G3D"), "1");
    EXPECT_EQ(backend->Text("GRAF", "POCET"), std::nullopt);
    EXPECT_FALSE(sequence.writeInt(settings::kLeft, 1));
    EXPECT_EQ(backend->Text("DESKTOP", "Left"), std::nullopt);
}

TEST_F(SettingsStoreTest, SectionThatCannotBeCreatedIsReportedWithFullStop) {
    backend->failCreateSection = {"ADRESA"};
    SettingsSequence sequence(*store);
    EXPECT_FALSE(sequence.writeInt(settings::kSourceAddress, 3));
    EXPECT_FALSE(sequence.writeInt(settings::kBaudRate, 19200));
    EXPECT_EQ(ui.messages, (std::vector<RecordedMessage>{{"Failed to create key ADRESA.", "ZT-30",
                                                          MessageIcon::Error, MessageButtons::Ok}}));
    EXPECT_TRUE(backend->writes.empty());
}

TEST(SettingsStoreKey, StoreThatCannotBeOpenedReadsDefaultsAndReportsWrites) {
    UiRecorder ui;
    auto owned = std::make_unique<MemorySettingsBackend>();
    owned->failOpenKey = true;
    SettingsStore store(std::move(owned), ui);
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(store.readInt(settings::kBaudRate), 9600);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(store.writeInt(settings::kBaudRate, 19200));
    EXPECT_EQ(ui.messages, (std::vector<RecordedMessage>{{"Failed to create key OrvZT30.", "ZT-30",
                                                          MessageIcon::Error, MessageButtons::Ok}}));
}

struct DepthCase {
    const char* stored;
    int expected;
};

class GraphDepthTest : public SettingsStoreTest, public ::testing::WithParamInterface<DepthCase> {};

TEST_P(GraphDepthTest, DepthIsBroughtIntoOneToHundred) {
    backend->Plant("GRAF", "R3D", {ValueQuery::Kind::Text, GetParam().stored});
    backend->Plant("GRAF", "POCET", {ValueQuery::Kind::Text, "5"});
    backend->Plant("GRAF", "G3D", {ValueQuery::Kind::Text, "7"});
    SettingsSequence sequence(*store);
    GraphSettings graph;
    graph.graph3D = false;
    LoadGraphSettings(sequence, graph);
    EXPECT_EQ(graph.graph3DPercent, GetParam().expected);
    EXPECT_EQ(graph.graphPoints, 5);  // other values are taken unchecked
    EXPECT_TRUE(graph.graph3D);       // any non-zero value is true
}

INSTANTIATE_TEST_SUITE_P(Cases, GraphDepthTest,
                         ::testing::Values(DepthCase{"0", 1}, DepthCase{"-5", 1}, DepthCase{"1", 1},
                                           DepthCase{"100", 100}, DepthCase{"101", 100},
                                           DepthCase{"-2147483648", 1}, DepthCase{"35", 35}));

TEST_F(SettingsStoreTest, GraphSettingsRoundTrip) {
    GraphSettings written{0x00FF8040u, 0x80000005u, 0x00000000u, false, 77, 100000};
    SettingsSequence save(*store);
    ASSERT_TRUE(SaveGraphSettings(save, written));
    EXPECT_EQ(backend->Text("GRAF", "MRIZ"), "-2147483643");
    GraphSettings read;
    SettingsSequence load(*store);
    LoadGraphSettings(load, read);
    EXPECT_EQ(read, written);
}

TEST_F(SettingsStoreTest, DeviceLookupGivesConfiguredPathsOnly) {
    backend->Plant("DEVICES", "COM3", {ValueQuery::Kind::Text, "/dev/ttyUSB0"});
    backend->Plant("DEVICES", "COM4", {ValueQuery::Kind::Text, ""});
    backend->Plant("DEVICES", "COM5", {ValueQuery::Kind::NotText, ""});
    backend->Plant("DEVICES", "COM0", {ValueQuery::Kind::Text, "/dev/null"});
    backend->Plant("DEVICES", "COM9", {ValueQuery::Kind::Text, "/dev/null"});
    PortDeviceLookup lookup = store->DeviceLookup();
    EXPECT_EQ(lookup(3), "/dev/ttyUSB0");
    EXPECT_EQ(lookup(4), std::nullopt);
    EXPECT_EQ(lookup(5), std::nullopt);
    EXPECT_EQ(lookup(0), std::nullopt);
    EXPECT_EQ(lookup(9), std::nullopt);
    EXPECT_EQ(lookup(1), std::nullopt);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(DevicePathForPort(3, lookup), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePathForPort(2, lookup), "/dev/ttyS1");
}

TEST_F(SettingsStoreTest, DeviceTextRoundTrip) {
    ASSERT_TRUE(store->writeText("DEVICES", "COM8", "/dev/pts/4"));
    EXPECT_EQ(store->DeviceLookup()(8), "/dev/pts/4");
}

}  // namespace
}  // namespace zt30
