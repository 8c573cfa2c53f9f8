// The program's windows and the reading cycle, offscreen: the settings in memory, the instrument scripted on
// the fake line, the wall clock set by hand and every box recorded.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "app/program_qt.h"
#include "link/error_display.h"
#include "link/port_dialog.h"
#include "support/fake_serial_backend.h"
#include "support/fake_wall_clock.h"
#include "support/hex.h"
#include "support/memory_settings_backend.h"
#include "support/ui_recorder.h"
#include "views/measured_values_window.h"
#include "views/trend_chart_widget.h"

namespace zt30 {
namespace {

using test::Bytes;
using test::Hex;
using test::RecordedMessage;

// Table 0 of an instrument showing 12.5 with the sum 100.
const Bytes kTable0 = Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16");
const Bytes kAck = Hex("10 00 01 00 01 16");
const Bytes kReadTable0 = Hex("68 05 05 68 00 00 6C 01 00 6D 16");

class MainWindowTest : public ::testing::Test {
protected:
    // Starts the program over a store holding what plant puts there.
    void Start(const std::function<void(MemorySettingsBackend&)>& plant = {}) {
        auto settings = std::make_unique<MemorySettingsBackend>();
        store = settings.get();
        if (plant) {
            plant(*settings);
        }
        ProgramEnvironment environment{ui,
                                       wallClock,
                                       clock,
                                       regional,
                                       [&settings] { return std::move(settings); },
                                       [this](PortDeviceLookup) {
                                           auto backend = std::make_unique<FakeSerialBackend>(clock);
                                           fake = backend.get();
                                           fake->onWrite = [this](std::span<const std::uint8_t> request) {
                                               Answer(request);
                                           };
                                           return backend;
                                       }};
        program = std::make_unique<Program>(environment);
        window = &program->zantor30();
    }

    // The instrument: table 0 and acknowledgements while it is switched on.
    void Answer(std::span<const std::uint8_t> request) {
        if (!instrumentAnswers || request.size() < 7) {
            return;
        }
        fake->Arrive(
            request[6] == 0x6C ? std::span<const std::uint8_t>(kTable0) : std::span<const std::uint8_t>(kAck),
            2);
    }

    void Plant(MemorySettingsBackend& backend, const IntSetting& setting, const std::string& text) {
        backend.Plant(std::string(setting.section), std::string(setting.name),
                      ValueQuery{ValueQuery::Kind::Text, text});
    }

    template <typename T>
    T* Find(const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QString Panel(int index) {
        return Find<QLabel>(("StatusBar1_Panel" + std::to_string(index)).c_str())->text();
    }
    QString Meas() { return Find<QLabel>("pa_meas")->text(); }
    QString Suma() { return Find<QLabel>("pa_suma")->text(); }
    QTimer& Timer() { return *Find<QTimer>("Timer1"); }
    // A tick of the reading timer as the event loop runs it (an error goes to the error display), the wall
    // clock moved on by a second first.
    void Tick() {
        RunHandler(ui, [this] { window->Timer1Timer(); });
    }
    void TickNextSecond() {
        wallClock.AdvanceMs(1000);
        Tick();
    }
    // Ticks "aut. čtení" without choosing a record file.
    void RunWithoutRecordFile() {
        ui.fileAnswers.push_back(std::nullopt);
        Find<QCheckBox>("cb_run")->setChecked(true);
    }
    std::size_t Requests() const { return fake->writes.size(); }

    test::UiRecorder ui;
    test::FakeWallClock wallClock;
    FakeClock clock;
    RegionalSettings regional{',', "dd.MM.yy", "H:mm:ss"};
    MemorySettingsBackend* store = nullptr;
    FakeSerialBackend* fake = nullptr;
    bool instrumentAnswers = true;
    std::unique_ptr<Program> program;
    Tzantor30* window = nullptr;
};

TEST_F(MainWindowTest, FirstStartTakesEveryDefault) {
    Start();
    EXPECT_EQ(window->pos(), QPoint(192, 107));
    EXPECT_EQ(window->size(), QSize(667, 465));
    EXPECT_EQ(window->windowTitle(), "ZANTOR 30");
    const GraphSettings& graph = window->Graph();
    EXPECT_EQ(graph, GraphSettings{});
    EXPECT_EQ(graph.penColor, 255u);
    EXPECT_EQ(graph.graphPoints, 200);
    EXPECT_TRUE(window->Chart().View3D());
    EXPECT_EQ(window->Chart().Chart3DPercent(), 35);
    EXPECT_EQ(window->Chart().BackColor(), 0x8000000Fu);
    EXPECT_EQ(window->Chart().Color(), 0x8000000Fu);
    EXPECT_EQ(Panel(0), "STOP");
    EXPECT_EQ(Panel(1), "záznam: 60 s");
    EXPECT_EQ(Panel(2), "c:");
    EXPECT_EQ(Meas(), "0");
    EXPECT_EQ(Suma(), "0");
    EXPECT_FALSE(Find<QCheckBox>("cb_run")->isChecked());
    EXPECT_FALSE(Timer().isActive());
    EXPECT_EQ(Timer().interval(), 200);
    EXPECT_TRUE(ui.messages.empty());
    // Reading the defaults writes nothing: the interval section stays empty until its dialog confirms one.
    EXPECT_TRUE(store->writes.empty());
}

TEST_F(MainWindowTest, StoredLookIsAppliedAndWrittenBackInTheStoresOrder) {
    Start([this](MemorySettingsBackend& backend) {
        Plant(backend, settings::kLeft, "20");
        Plant(backend, settings::kWidth, "700");
        Plant(backend, settings::kGraph3D, "5");
        Plant(backend, settings::kGraph3DPercent, "60");
        Plant(backend, settings::kPenColor, "65280");
        Plant(backend, settings::kGraphPoints, "10");
        Plant(backend, settings::kInterval, "-5");
    });
    EXPECT_EQ(window->pos(), QPoint(20, 107));
    EXPECT_EQ(window->size(), QSize(700, 465));
    EXPECT_TRUE(window->Chart().View3D());
    EXPECT_EQ(window->Chart().Chart3DPercent(), 60);
    EXPECT_EQ(Panel(1), "záznam: -5 s");

    window->close();
    const std::vector<std::string> expected = {
        "DESKTOP/Top", "DESKTOP/Left", "DESKTOP/Height", "DESKTOP/Width", "GRAF/PERO",
        "GRAF/MRIZ",   "GRAF/POZADI",  "GRAF/G3D",       "GRAF/R3D",      "GRAF/POCET"};
    // The port window's own close writes come later; the main window's come in this order.
    ASSERT_GE(store->writes.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(store->writes.end() - 10, store->writes.end()), expected);
    EXPECT_EQ(store->Text("GRAF", "G3D"), "1");
    EXPECT_EQ(store->Text("GRAF", "MRIZ"), "-2147483633");
    EXPECT_EQ(store->Text("GRAF", "PERO"), "65280");
    EXPECT_EQ(store->Text("DESKTOP", "Left"), "20");
    EXPECT_EQ(std::count(store->writes.begin(), store->writes.end(), "ZAZNAM/SOUBOR"), 0);
}

TEST_F(MainWindowTest, AFailedWriteAtCloseStopsTheWritesAfterIt) {
    Start();
    store->failSetValue.insert("Width");
    window->close();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Failed to set data for 'Width'");
    EXPECT_TRUE(store->Text("DESKTOP", "Height"));
    EXPECT_FALSE(store->Text("GRAF", "PERO"));
}

TEST_F(MainWindowTest, OneReadingASecondShowsTheValueTextsAndAddsAChartPoint) {
    Start();
    RunWithoutRecordFile();
    EXPECT_TRUE(Timer().isActive());
    EXPECT_EQ(Panel(0), "STOP");  // unchanged until the first reading

    TickNextSecond();
    EXPECT_EQ(Meas(), "12,500");
    EXPECT_EQ(Suma(), "100,000");
    EXPECT_EQ(Panel(0), "ČTENÍ");
    ASSERT_EQ(Requests(), 1u);
    EXPECT_EQ(Bytes(fake->writes[0].begin(), fake->writes[0].end()), kReadTable0);
    EXPECT_FALSE(fake->isOpen);  // the line is held only for the reading
    EXPECT_EQ(window->Chart().PointCount(), 1);

    // Two ticks in one second read once; a tick a whole minute later at the same second reads not at all.
    wallClock.AdvanceMs(400);
    Tick();
    wallClock.AdvanceMs(60000 - 400);
    Tick();
    EXPECT_EQ(Requests(), 1u);
    TickNextSecond();
    EXPECT_EQ(Requests(), 2u);
    EXPECT_EQ(window->Chart().PointCount(), 2);
}

TEST_F(MainWindowTest, WithTheBoxUntickedATickReadsNothing) {
    Start();
    TickNextSecond();
    TickNextSecond();
    EXPECT_EQ(Requests(), 0u);
    EXPECT_EQ(window->Chart().PointCount(), 0);
}

TEST_F(MainWindowTest, TheFourthFailureInARowShowsZerosAndASuccessRestartsTheCount) {
    Start();
    RunWithoutRecordFile();
    TickNextSecond();
    instrumentAnswers = false;
    for (int failure = 1; failure <= 3; ++failure) {
        TickNextSecond();
        EXPECT_EQ(Meas(), "12,500") << failure;
        EXPECT_EQ(Suma(), "100,000") << failure;
    }
    TickNextSecond();
    EXPECT_EQ(Meas(), "0");
    EXPECT_EQ(Suma(), "0");
    EXPECT_EQ(Panel(0), "ČTENÍ");  // a failed reading leaves the state as it was
    // Every reading, failed or not, draws the last good value.
    EXPECT_EQ(window->Chart().PointCount(), 5);
    EXPECT_EQ(window->Chart().Series().At(4).y, 12.5);

    instrumentAnswers = true;
    TickNextSecond();
    instrumentAnswers = false;
    for (int failure = 1; failure <= 3; ++failure) {
        TickNextSecond();
    }
    EXPECT_EQ(Meas(), "12,500");  // three failures after a success still show it
    TickNextSecond();
    EXPECT_EQ(Meas(), "0");
}

TEST_F(MainWindowTest, TheChartHoldsTheLimitPlusOnePoints) {
    Start([this](MemorySettingsBackend& backend) { Plant(backend, settings::kGraphPoints, "10"); });
    RunWithoutRecordFile();
    for (int reading = 0; reading < 15; ++reading) {
        TickNextSecond();
    }
    EXPECT_EQ(window->Chart().PointCount(), 11);
}

// The chart's export asks through the program's dialogs and writes the readings in the regional format.
TEST_F(MainWindowTest, TheChartExportsItsReadingsThroughTheProgramsDialogs) {
    Start();
    RunWithoutRecordFile();
    TickNextSecond();
    QTemporaryDir folder;
    ui.fileAnswers.push_back(folder.filePath(QStringLiteral("body.csv")).toStdString());
    window->Chart().findChild<QAction*>(QStringLiteral("mn_exportCsv"))->trigger();
    QFile file(folder.filePath(QStringLiteral("body.csv")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().endsWith("\r\n2026-03-02T10:00:01.000;12,5\r\n"));
}

TEST_F(MainWindowTest, NoPortSwitchesAutomaticReadingOffWithTheErrorDisplay) {
    Start([this](MemorySettingsBackend& backend) { Plant(backend, settings::kPortNumber, "0"); });
    RunWithoutRecordFile();
    TickNextSecond();
    EXPECT_FALSE(Find<QCheckBox>("cb_run")->isChecked());
    EXPECT_FALSE(Timer().isActive());
    EXPECT_EQ(Panel(0), "ERROR");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], (RecordedMessage{"Sériový port COM0 nelze otevřít.", "ZT-30",
                                               MessageIcon::Error, MessageButtons::Ok}));
    EXPECT_EQ(window->Chart().PointCount(), 0);
    EXPECT_EQ(Requests(), 0u);
}

TEST_F(MainWindowTest, FirstTickOfTheBoxAsksForTheRecordFileAndEveryReadingIsHandedToTheRecord) {
    Start();
    const MeasuredValuesTable& record = program->GridMeas().Table();

    ui.fileAnswers.push_back(std::nullopt);
    Find<QCheckBox>("cb_run")->setChecked(true);
    ASSERT_EQ(ui.saveDialogs.size(), 1u);
    const FileDialogRequest& asked = ui.saveDialogs[0];
    EXPECT_EQ(asked.fileName, "Zantor30.txt");
    EXPECT_EQ(asked.filter, "Textový soubor [*.txt]|*.txt");
    EXPECT_EQ(asked.defaultSuffix, "TXT");
    EXPECT_TRUE(asked.confirmOverwrite);
    EXPECT_FALSE(window->Recording());
    EXPECT_EQ(Panel(2), "c:");
    EXPECT_TRUE(Timer().isActive());  // cancelling the dialog still starts automatic reading

    TickNextSecond();
    EXPECT_EQ(record.SampleCounter(), 1);
    Find<QCheckBox>("cb_run")->setChecked(false);
    EXPECT_EQ(Panel(0), "STOP");

    ui.fileAnswers.push_back("/data/mereni.txt");
    Find<QCheckBox>("cb_run")->setChecked(true);
    EXPECT_EQ(ui.saveDialogs.size(), 2u);
    EXPECT_EQ(ui.saveDialogs[1].fileName, "Zantor30.txt");
    EXPECT_TRUE(window->Recording());
    EXPECT_EQ(window->RecordFileName(), "/data/mereni.txt");
    EXPECT_EQ(Panel(2), "/data/mereni.txt");
    EXPECT_EQ(record.SampleCounter(), 60);  // the next reading takes a sample
    EXPECT_EQ(program->GridMeas().Recorder().Path(), "/data/mereni.txt");

    Find<QCheckBox>("cb_run")->setChecked(false);
    Find<QCheckBox>("cb_run")->setChecked(true);
    EXPECT_EQ(ui.saveDialogs.size(), 2u);  // a file is chosen: no more questions

    // Choosing again starts from the last name.
    ui.fileAnswers.push_back(std::nullopt);
    program->zantor30().findChild<QAction*>("mn_save")->trigger();
    EXPECT_EQ(ui.saveDialogs[2].fileName, "/data/mereni.txt");
    EXPECT_EQ(window->RecordFileName(), "/data/mereni.txt");
}

TEST_F(MainWindowTest, NoSampleAfterAReadingThatCouldNotOpenThePort) {
    Start([this](MemorySettingsBackend& backend) { Plant(backend, settings::kPortNumber, "0"); });
    RunWithoutRecordFile();
    TickNextSecond();
    EXPECT_EQ(program->GridMeas().Table().SampleCounter(), 0);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(MainWindowTest, AnErrorOfTheOpenStepsLeavesAutomaticReadingOnUntilTheNextTick) {
    Start();
    RunWithoutRecordFile();
    fake->failTimeouts = true;
    TickNextSecond();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Na COM1 nelze nastavit Timeout.");
    EXPECT_TRUE(Find<QCheckBox>("cb_run")->isChecked());
    // The failed open reset the port choice, so the next reading names COM0 and switches reading off.
    fake->failTimeouts = false;
    TickNextSecond();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, "Sériový port COM0 nelze otevřít.");
    EXPECT_FALSE(Find<QCheckBox>("cb_run")->isChecked());
    EXPECT_EQ(Panel(0), "ERROR");
}

TEST_F(MainWindowTest, AtTheBroadcastAddressAReadingSucceedsWithoutAnAnswer) {
    Start();
    RunWithoutRecordFile();
    TickNextSecond();
    program->port().Link().telegrams.SetDestinationAddress(127);
    instrumentAnswers = false;
    Find<QLabel>("pa_meas")->setText("zůstane");
    TickNextSecond();
    EXPECT_EQ(Panel(0), "ČTENÍ");
    EXPECT_EQ(Meas(), "12,500");  // the image kept its values, shown again
}

struct ClearCase {
    const char* item;
    const char* question;
    const char* request;
};

class ClearingTest : public MainWindowTest, public ::testing::WithParamInterface<ClearCase> {};

TEST_P(ClearingTest, AskFirstAndSendOnlyOnYes) {
    Start();
    QAction* item = window->findChild<QAction*>(GetParam().item);
    ui.answers.push_back(MessageAnswer::No);
    item->trigger();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              (RecordedMessage{GetParam().question, "Dotaz", MessageIcon::Question, MessageButtons::YesNo}));
    EXPECT_EQ(Requests(), 0u);

    ui.answers.push_back(MessageAnswer::Yes);
    item->trigger();
    ASSERT_EQ(Requests(), 1u);
    EXPECT_EQ(test::ToHex(fake->writes[0]), GetParam().request);
    EXPECT_FALSE(fake->isOpen);

    // No port chosen: the open failure under the program's title, nothing sent.
    program->port().Link().line.Open(0);
    ui.answers.push_back(MessageAnswer::Yes);
    item->trigger();
    EXPECT_EQ(ui.messages.back().text, "Sériový port COM0 nelze otevřít.");
    EXPECT_EQ(ui.messages.back().caption, "ZT-30");
    EXPECT_EQ(Requests(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ClearingTest,
    ::testing::Values(ClearCase{"mn_clr_citac",
                                "Vznikl požadavek na nulování čítače.\nOpravdu chceš vynulovat čítač?",
                                "68 06 06 68 00 00 63 02 06 55 C0 16"},
                      ClearCase{"NulovnSUMY1",
                                "Vznikl požadavek na nulování SUMY.\nOpravdu chceš vynulovat SUMU?",
                                "68 06 06 68 00 00 63 02 07 5A C6 16"}),
    [](const auto& info) { return std::string(info.param.item); });

TEST_F(MainWindowTest, ThePortWindowHoldsTheTimerOffAndTheLineIsClosedAfterIt) {
    Start();
    RunWithoutRecordFile();
    bool activeWhileShown = true;
    bool lineOpenWhileShown = false;
    Tport& port = program->port();
    QTimer::singleShot(0, &port, [&] {
        activeWhileShown = Timer().isActive();
        lineOpenWhileShown = fake->isOpen;
        port.reject();
    });
    window->findChild<QAction*>("mn_port")->trigger();
    EXPECT_FALSE(activeWhileShown);
    EXPECT_TRUE(lineOpenWhileShown);
    EXPECT_TRUE(Timer().isActive());
    EXPECT_TRUE(Find<QCheckBox>("cb_run")->isChecked());
    EXPECT_FALSE(fake->isOpen);
}

TEST_F(MainWindowTest, EveryMenuItemHasItsNameCaptionAndIcon) {
    Start();
    struct Item {
        const char* name;
        const char* caption;
        bool icon;
    };
    const Item items[] = {{"mn_save", "Data ukládat do..", true},
                          {"mn_exit", "&Konec", false},
                          {"mn_port", "&Komunikace", true},
                          {"mn_menu", "&Parametry Zantor 30", true},
                          {"mn_zmena_adr", "Změna adresy", false},
                          {"mn_nast_graf", "Nastavení &grafu", true},
                          {"mn_sampling", "Nastavení záznamu", true},
                          {"mn_clr_citac", "&Nulování čítače...", false},
                          {"NulovnSUMY1", "Nulování &SUMY...", false},
                          {"mn_meas", "Naměřené hodnoty", true},
                          {"mn_about", "&O alikaci", true},
                          {"mn_ident", "&Identifikace", true},
                          {"mn_provoz", "Provoz linky...", false},
                          {"mn_statistika", "Statistika komunikace...", false}};
    for (const Item& item : items) {
        const QAction* action = window->findChild<QAction*>(item.name);
        ASSERT_NE(action, nullptr) << item.name;
        EXPECT_EQ(action->text(), QString::fromUtf8(item.caption)) << item.name;
        EXPECT_EQ(!action->icon().isNull(), item.icon) << item.name;
    }
    QStringList menus;
    for (const QAction* menu : window->menuBar()->actions()) {
        menus << menu->text();
    }
    EXPECT_EQ(menus, QStringList({"&Soubor", "&Nastavení", "Dia&gnostika", "Nápo&věda"}));
    EXPECT_EQ(Find<QCheckBox>("cb_run")->accessibleName(), "aut. čtení");
    // Assistive technologies read a panel's value as its name, the caption as its description and label.
    const char* const panels[][3] = {{"pa_meas", "0", "Naměřená hodnota"},
                                     {"pa_suma", "0", "Suma"},
                                     {"StatusBar1_Panel0", "STOP", "Stav čtení"},
                                     {"StatusBar1_Panel1", "záznam: 60 s", "Interval záznamu"},
                                     {"StatusBar1_Panel2", "c:", "Soubor záznamu"}};
    for (const auto& panel : panels) {
        QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(Find<QLabel>(panel[0]));
        EXPECT_EQ(shown->text(QAccessible::Name), QString::fromUtf8(panel[1])) << panel[0];
        EXPECT_EQ(shown->text(QAccessible::Description), QString::fromUtf8(panel[2])) << panel[0];
    }
    const auto labels =
        QAccessible::queryAccessibleInterface(Find<QLabel>("pa_meas"))->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->object(), Find<QLabel>("Label1"));
    EXPECT_FALSE(window->findChild<QWidget*>("tl_read")->isVisible());
}

}  // namespace
}  // namespace zt30
