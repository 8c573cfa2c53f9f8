// The line monitor's windows offscreen, over the in-memory line: "Provoz linky" shows each frame with its
// meaning and outcome, follows the newest frame until the user scrolls away, pauses, clears and saves;
// "Statistika komunikace" shows the counts live and starts again; both stay usable while a modal dialog runs,
// and the program opens them from its menu without stopping automatic reading.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <fstream>
#include <sstream>

#include "app/line_statistics_window.h"
#include "app/line_traffic_window.h"
#include "app/main_window.h"
#include "app/program_qt.h"
#include "app/ui_services_qt.h"
#include "link/port_dialog.h"
#include "support/fake_wall_clock.h"
#include "support/link_fixture.h"
#include "support/memory_settings_backend.h"

namespace zt30::test {
namespace {

const Bytes kTable0 = Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16");
const Bytes kShortTable0 = Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C");

// Local time of a record: 10:00 plus its wall time, so every text is fixed.
LocalDateTime FixedLocal(std::int64_t wallUs) {
    const auto ms = wallUs / 1000;
    return LocalDateTime{2026,
                         3,
                         2,
                         1,
                         10,
                         static_cast<int>(ms / 60000 % 60),
                         static_cast<int>(ms / 1000 % 60),
                         static_cast<int>(ms % 1000)};
}

// The list over a ring of 4: records joining and leaving, and a pause longer than the ring holds.
TEST(TrafficTableModel, FollowsTheRingThroughWrapAndALongPause) {
    TrafficRing ring(4);
    TrafficTableModel model(ring, RegionalSettings{}, FixedLocal);
    const auto push = [&ring](int count) {
        for (int i = 0; i < count; ++i) {
            ring.Push(TelegramEvent{}, 0);
        }
    };
    const auto sequences = [&model] {
        std::vector<std::uint64_t> shown;
        for (int row = 0; row < model.rowCount(); ++row) {
            shown.push_back(model.Record(row)->sequence);
        }
        return shown;
    };
    push(3);
    TrafficTableModel::UpdateResult update = model.Update(true);
    EXPECT_EQ(update.added, 3);
    EXPECT_EQ(sequences(), (std::vector<std::uint64_t>{0, 1, 2}));
    push(3);  // 2 to 5 held
    update = model.Update(true);
    EXPECT_EQ(update.removed, 2);
    EXPECT_EQ(update.added, 3);
    EXPECT_EQ(sequences(), (std::vector<std::uint64_t>{2, 3, 4, 5}));
    push(1);  // overwrites row 0 before the next update
    EXPECT_EQ(model.Record(0), nullptr);
    EXPECT_FALSE(model.index(0, TrafficTableModel::kMeaning).data().isValid());
    update = model.Update(false);  // paused: the stale row leaves, nothing joins
    EXPECT_EQ(sequences(), (std::vector<std::uint64_t>{3, 4, 5}));
    EXPECT_EQ(model.Waiting(), 1u);
    push(10);  // 13 to 16 held: everything shown and what came between is gone
    update = model.Update(false);
    EXPECT_EQ(update.removed, 3);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.Waiting(), 4u);
    model.Update(true);
    EXPECT_EQ(sequences(), (std::vector<std::uint64_t>{13, 14, 15, 16}));
}

class LineWindowsTest : public ::testing::Test {
protected:
    explicit LineWindowsTest(std::size_t capacity = kDefaultTrafficCapacity)
        : monitor(*f.link, capacity, [this] { return f.clock.NowUs(); }) {
        f.fake->onWrite = [this](std::span<const std::uint8_t>) {
            if (!script.empty()) {
                if (!script.front().empty()) {
                    f.fake->Arrive(script.front(), 2);
                }
                script.pop_front();
            } else {
                f.fake->Arrive(kTable0, 2);
            }
        };
    }

    // Readings of table 0, answered from the script, then with the good answer.
    void Read(int times) {
        for (int i = 0; i < times; ++i) {
            f.device->ReadTable(0);
        }
    }
    QTableView& Table() { return *traffic.findChild<QTableView*>("str_provoz"); }
    QScrollBar& Bar() { return *Table().verticalScrollBar(); }
    QString Cell(int row, int column) { return traffic.Model().index(row, column).data().toString(); }
    // The sequence number of the record in the top visible row.
    std::uint64_t TopRecord() {
        const int row = Table().rowAt(0);
        return traffic.Model().Record(row)->sequence;
    }

    LinkFixture f;
    std::deque<Bytes> script;
    LineMonitor monitor;
    UiRecorder ui;
    RegionalSettings regional{',', "dd.MM.yy", "H:mm:ss"};
    TLineTraffic traffic{monitor, ui, regional, nullptr, FixedLocal};
};

TEST_F(LineWindowsTest, ShowsEachFrameWithItsMeaningOutcomeAndTimes) {
    script = {kTable0, kShortTable0};
    Read(2);
    traffic.ShowWindow();
    ASSERT_EQ(traffic.Model().rowCount(), 5);
    const QStringList request = {
        "10:00:00,000", "→", "68 05 05 68 01 00 6C 01 00 6E 16", "SD2 1←0 čtení tabulky 0", "odesláno", ""};
    const QStringList answer = {"10:00:00,002",
                                "←",
                                "68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16",
                                "SD2 0←1 tabulka 0: hodnota 12,5; suma 100",
                                "přijato",
                                "2,0 / 2,0"};
    for (int column = 0; column < TrafficTableModel::kColumnCount; ++column) {
        EXPECT_EQ(Cell(0, column), request[column]) << column;
        EXPECT_EQ(Cell(1, column), answer[column]) << column;
    }
    EXPECT_EQ(Cell(3, TrafficTableModel::kMeaning),
              "SD2 0←1 tabulka 0: hodnota 12,5; suma 100 [neúplný: 16 bajtů místo 17]");
    EXPECT_EQ(Cell(3, TrafficTableModel::kOutcome), "krátká odpověď");
    EXPECT_EQ(Cell(4, TrafficTableModel::kOutcome), "vyprázdnění bufferů");
    // The failed read is marked; the good one is not.
    EXPECT_TRUE(traffic.Model().index(3, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(traffic.Model().index(1, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(traffic.findChild<QLabel*>("lb_pocet")->text(), "Rámců v seznamu: 5");
}

TEST_F(LineWindowsTest, FollowsTheNewestFrameUntilTheUserScrollsAway) {
    traffic.resize(700, 300);
    traffic.ShowWindow();
    Read(100);
    traffic.Timer1Timer();
    EXPECT_EQ(Bar().value(), Bar().maximum());
    ASSERT_GT(Bar().maximum(), 0);
    const int lastRow = traffic.Model().rowCount() - 1;
    EXPECT_EQ(Table().rowAt(Table().viewport()->height() - 2), lastRow);

    // Scrolled up: new frames come in below, the view stays where the user put it.
    Bar().setValue(20);
    const std::uint64_t top = TopRecord();
    Read(10);
    traffic.Timer1Timer();
    EXPECT_EQ(traffic.Model().rowCount(), lastRow + 1 + 20);
    EXPECT_EQ(Bar().value(), 20);
    EXPECT_EQ(TopRecord(), top);

    // Back at the end, it follows again.
    Bar().setValue(Bar().maximum());
    Read(10);
    traffic.Timer1Timer();
    EXPECT_EQ(Bar().value(), Bar().maximum());
    EXPECT_EQ(Table().rowAt(Table().viewport()->height() - 2), traffic.Model().rowCount() - 1);
}

class SmallRingWindowsTest : public LineWindowsTest {
protected:
    SmallRingWindowsTest() : LineWindowsTest(60) {}
};

TEST_F(SmallRingWindowsTest, RowsLeavingAtTheTopDoNotMoveWhatTheUserLooksAt) {
    traffic.resize(700, 300);
    traffic.ShowWindow();
    Read(30);  // 60 records: the ring is full
    traffic.Timer1Timer();
    Bar().setValue(30);
    const std::uint64_t top = TopRecord();
    Read(5);  // 10 more: the 10 oldest leave
    traffic.Timer1Timer();
    EXPECT_EQ(traffic.Model().rowCount(), 60);
    EXPECT_EQ(Bar().value(), 20);
    EXPECT_EQ(TopRecord(), top);
    EXPECT_EQ(traffic.Model().Record(0)->sequence, 10u);
}

TEST_F(LineWindowsTest, PauseHoldsTheListAndResumeCatchesUp) {
    traffic.ShowWindow();
    Read(2);
    traffic.Timer1Timer();
    QPushButton* pause = traffic.findChild<QPushButton*>("tl_pozastavit");
    QTest::mouseClick(pause, Qt::LeftButton);
    EXPECT_TRUE(traffic.Paused());
    EXPECT_EQ(pause->text(), "&Pokračovat");
    Read(3);
    traffic.Timer1Timer();
    EXPECT_EQ(traffic.Model().rowCount(), 4);
    EXPECT_EQ(traffic.findChild<QLabel*>("lb_pocet")->text(),
              "Rámců v seznamu: 4, pozastaveno, nových rámců: 6");
    QTest::mouseClick(pause, Qt::LeftButton);
    EXPECT_EQ(pause->text(), "&Pozastavit");
    EXPECT_EQ(traffic.Model().rowCount(), 10);
}

TEST_F(LineWindowsTest, ClearEmptiesTheListAndNewFramesFollow) {
    traffic.ShowWindow();
    Read(3);
    traffic.Timer1Timer();
    QTest::mouseClick(traffic.findChild<QPushButton*>("tl_vymazat"), Qt::LeftButton);
    EXPECT_EQ(traffic.Model().rowCount(), 0);
    Read(1);
    traffic.Timer1Timer();
    ASSERT_EQ(traffic.Model().rowCount(), 2);
    EXPECT_EQ(traffic.Model().Record(0)->sequence, 6u);
}

TEST_F(LineWindowsTest, SaveWritesTheSameLinesToATextFile) {
    script = {kShortTable0};
    Read(1);
    traffic.ShowWindow();
    const std::string path =
        ::testing::TempDir() + "/zt30-provoz-" + std::to_string(QCoreApplication::applicationPid()) + ".txt";
    ui.fileAnswers.push_back(path);
    QTest::mouseClick(traffic.findChild<QPushButton*>("tl_ulozit"), Qt::LeftButton);
    ASSERT_EQ(ui.saveDialogs.size(), 1u);
    EXPECT_EQ(ui.saveDialogs[0].filter, "Textový soubor [*.txt]|*.txt");
    EXPECT_TRUE(ui.saveDialogs[0].confirmOverwrite);
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(
        text.str(),
        "Čas\tSměr\tBajty\tVýznam\tVýsledek\tOdezva [ms]\r\n"
        "10:00:00,000\t→\t68 05 05 68 01 00 6C 01 00 6E 16\tSD2 1←0 čtení tabulky 0\todesláno\t\r\n"
        "10:00:00,002\t←\t68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C\tSD2 0←1 tabulka 0: hodnota 12,5; "
        "suma 100 [neúplný: 16 bajtů místo 17]\tkrátká odpověď\t2,0 / 2,0\r\n"
        "10:00:00,102\t\t\t\tvyprázdnění bufferů\t\r\n");
    std::remove(path.c_str());
    EXPECT_TRUE(ui.messages.empty());

    // A cancelled dialog writes nothing; a file that cannot be opened is reported.
    ui.fileAnswers.push_back(std::nullopt);
    traffic.tl_ulozitClick();
    ui.fileAnswers.push_back(::testing::TempDir());
    traffic.tl_ulozitClick();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], (RecordedMessage{"Nemůže otevřít výstupní soubor", "CHYBA",
                                               MessageIcon::Exclamation, MessageButtons::Ok}));
}

// The real save dialog lists the filter by its description alone, which already names the pattern.
TEST(LineTrafficSaveDialog, ShowsTheFilterAsItsDescription) {
    LinkFixture f;
    LineMonitor monitor(*f.link, 16, [&f] { return f.clock.NowUs(); });
    QtUiServices ui;
    TLineTraffic traffic(monitor, ui, RegionalSettings{}, nullptr, FixedLocal);
    traffic.ShowWindow();
    QStringList filters;
    QTimer::singleShot(0, [&filters] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        const QComboBox* shown = dialog->findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(shown, nullptr);
        for (int i = 0; i < shown->count(); ++i) {
            filters << shown->itemText(i);
        }
        dialog->reject();
    });
    traffic.tl_ulozitClick();
    EXPECT_EQ(filters, QStringList{"Textový soubor [*.txt]"});
}

TEST_F(LineWindowsTest, StatisticsShowTheCountsLiveAndStartAgain) {
    LocalDateTime now{2026, 3, 2, 1, 10, 0, 0, 0};
    TLineStatistics statistics(monitor, regional, nullptr, [&now] { return now; });
    script = {kTable0, {}, kShortTable0};
    Read(3);
    f.link->SetDestinationAddress(5);
    f.device->RequestStationStatus();  // the good table answer is no acknowledgement
    statistics.ShowWindow();
    auto* table = statistics.findChild<QTableWidget*>("str_statistika");
    ASSERT_EQ(table->columnCount(), 3);
    EXPECT_EQ(table->horizontalHeaderItem(0)->text(), "Celkem");
    EXPECT_EQ(table->horizontalHeaderItem(1)->text(), "Stanice 1");
    EXPECT_EQ(table->horizontalHeaderItem(2)->text(), "Stanice 5");
    const auto row = [table](const char* caption) {
        for (int r = 0; r < table->rowCount(); ++r) {
            if (table->verticalHeaderItem(r)->text() == QString::fromUtf8(caption)) {
                return r;
            }
        }
        ADD_FAILURE() << caption;
        return 0;
    };
    EXPECT_EQ(statistics.CellText(row("Požadavky"), 0), "4");
    EXPECT_EQ(statistics.CellText(row("Požadavky"), 1), "3");
    EXPECT_EQ(statistics.CellText(row("Přijaté odpovědi"), 1), "1");
    EXPECT_EQ(statistics.CellText(row("Bez odpovědi"), 1), "1");
    EXPECT_EQ(statistics.CellText(row("Krátká odpověď"), 1), "1");
    EXPECT_EQ(statistics.CellText(row("Chybný počáteční bajt"), 2), "1");
    EXPECT_EQ(statistics.CellText(row("Vyprázdnění bufferů"), 0), "2");
    EXPECT_EQ(statistics.CellText(row("Odezva min. [ms]"), 1), "2,0");
    EXPECT_EQ(statistics.CellText(row("Odezva max. [ms]"), 0), "2,0");
    EXPECT_EQ(table->item(row("Krátká odpověď"), 1)->foreground().color(), QColor(0xA0, 0x00, 0x00));
    EXPECT_EQ(statistics.findChild<QLabel*>("lb_od")->text(), "Od 02.03.26 10:00:00");

    // Live: the next tick shows what came since.
    f.link->SetDestinationAddress(1);
    Read(1);
    statistics.Timer1Timer();
    EXPECT_EQ(statistics.CellText(row("Požadavky"), 0), "5");

    now.minute = 5;
    QTest::mouseClick(statistics.findChild<QPushButton*>("tl_vynulovat"), Qt::LeftButton);
    EXPECT_EQ(table->columnCount(), 1);
    EXPECT_EQ(statistics.CellText(row("Požadavky"), 0), "0");
    EXPECT_EQ(statistics.CellText(row("Odezva medián [ms]"), 0), "–");
    EXPECT_EQ(statistics.findChild<QLabel*>("lb_od")->text(), "Od 02.03.26 10:05:00");
}

// A modal dialog run by exec(), as the port and parameters dialogs are, blocks every other window of the
// program; the monitor's windows take clicks all the same, also under a second dialog opened from the first.
TEST_F(LineWindowsTest, WindowsStayUsableWhileModalDialogsRun) {
    QWidget owner;
    owner.show();
    TLineTraffic window(monitor, ui, regional, &owner, FixedLocal);
    window.ShowWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QWidget plain(&owner, Qt::Window);  // a window without the rule, for comparison
    auto* plainButton = new QPushButton(QStringLiteral("x"), &plain);
    int plainClicks = 0;
    QObject::connect(plainButton, &QPushButton::clicked, [&plainClicks] { ++plainClicks; });
    plain.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plain));
    Read(2);
    window.Timer1Timer();

    auto* clear = window.findChild<QPushButton*>("tl_vymazat");
    auto* pause = window.findChild<QPushButton*>("tl_pozastavit");
    // A click as the window system delivers it, through the window, where Qt applies modality.
    const auto click = [](QWidget* button) {
        QTest::mouseClick(button->window()->windowHandle(), Qt::LeftButton, {},
                          button->mapTo(button->window(), button->rect().center()));
    };
    QDialog dialog(&owner);
    bool checked = false;
    QTimer::singleShot(0, &dialog, [&] {
        ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
        click(clear);
        EXPECT_EQ(window.Model().rowCount(), 0);
        click(plainButton);
        EXPECT_EQ(plainClicks, 0);
        QDialog inner(&dialog);
        QTimer::singleShot(0, &inner, [&] {
            click(pause);
            EXPECT_TRUE(window.Paused());
            inner.accept();
        });
        inner.exec();
        click(pause);
        EXPECT_FALSE(window.Paused());
        checked = true;
        dialog.accept();
    });
    dialog.exec();
    EXPECT_TRUE(checked);
    click(plainButton);
    EXPECT_EQ(plainClicks, 1);
}

// The program: the menu "Diagnostika" opens both windows without a modal loop, and automatic reading goes on
// into them.
TEST(LineWindowsInTheProgram, OpenFromTheMenuWhileAutomaticReadingRuns) {
    UiRecorder ui;
    FakeWallClock wallClock;
    FakeClock clock;
    FakeSerialBackend* fake = nullptr;
    auto settings = std::make_unique<MemorySettingsBackend>();
    ProgramEnvironment environment{ui,
                                   wallClock,
                                   clock,
                                   RegionalSettings{',', "dd.MM.yy", "H:mm:ss"},
                                   [&settings] { return std::move(settings); },
                                   [&](PortDeviceLookup) {
                                       auto backend = std::make_unique<FakeSerialBackend>(clock);
                                       fake = backend.get();
                                       fake->onWrite = [&fake](std::span<const std::uint8_t>) {
                                           fake->Arrive(kTable0, 2);
                                       };
                                       return backend;
                                   }};
    Program program(environment);
    Tzantor30& window = program.zantor30();
    window.show();
    program.port().Link().telegrams.SetDestinationAddress(1);
    ui.fileAnswers.push_back(std::nullopt);  // no record file
    window.findChild<QCheckBox*>("cb_run")->setChecked(true);

    QAction* provoz = window.findChild<QAction*>("mn_provoz");
    QAction* statistika = window.findChild<QAction*>("mn_statistika");
    ASSERT_TRUE(provoz->isEnabled());
    ASSERT_TRUE(statistika->isEnabled());
    provoz->trigger();
    statistika->trigger();
    EXPECT_TRUE(program.lineTraffic().isVisible());
    EXPECT_TRUE(program.lineStatistics().isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(window.findChild<QTimer*>("Timer1")->isActive());

    wallClock.AdvanceMs(1000);
    window.Timer1Timer();
    program.lineTraffic().Timer1Timer();
    program.lineStatistics().Timer1Timer();
    ASSERT_EQ(program.lineTraffic().Model().rowCount(), 2);
    EXPECT_EQ(program.lineTraffic().Model().Text(*program.lineTraffic().Model().Record(1),
                                                 TrafficTableModel::kMeaning),
              "SD2 0←1 tabulka 0: hodnota 12,5; suma 100");
    EXPECT_EQ(program.lineStatistics().CellText(3, 0), "1");  // "Přijaté odpovědi"
    EXPECT_TRUE(ui.messages.empty());
    window.findChild<QCheckBox*>("cb_run")->setChecked(false);
}

}  // namespace
}  // namespace zt30::test
