// The graph settings, recording interval and measured-values windows as the main window runs them, in the
// whole program offscreen: the instrument scripted on the fake line, the wall clock set by hand, the settings
// in memory and the record file in a temporary folder.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "app/main_window.h"
#include "app/program_qt.h"
#include "link/error_display.h"
#include "support/fake_serial_backend.h"
#include "support/fake_wall_clock.h"
#include "support/hex.h"
#include "support/memory_settings_backend.h"
#include "support/ui_recorder.h"
#include "views/graph_settings_dialog.h"
#include "views/measured_values_window.h"
#include "views/measurement_recorder.h"
#include "views/recording_interval_dialog.h"
#include "views/trend_chart_widget.h"

namespace zt30 {
namespace {

// Table 0 of an instrument showing 12.5 with the sum 100.
const test::Bytes kTable0 = test::Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16");

class RecordWindowsTest : public ::testing::Test {
protected:
    void Start(const std::string& storedInterval = {}) {
        auto settings = std::make_unique<MemorySettingsBackend>();
        store = settings.get();
        if (!storedInterval.empty()) {
            store->Plant("ZAZNAM", "SOUBOR", ValueQuery{ValueQuery::Kind::Text, storedInterval});
        }
        program = std::make_unique<Program>(ProgramEnvironment{
            ui, wallClock, clock, RegionalSettings{',', "dd.MM.yy", "H:mm:ss"},
            [&settings] { return std::move(settings); },
            [this](PortDeviceLookup) {
                auto backend = std::make_unique<FakeSerialBackend>(clock);
                FakeSerialBackend* fake = backend.get();
                fake->onWrite = [fake](std::span<const std::uint8_t>) { fake->Arrive(kTable0, 2); };
                return backend;
            }});
        window = &program->zantor30();
    }
    template <typename T>
    T* Find(QObject& parent, const char* name) {
        T* found = parent.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void Trigger(const char* item) { Find<QAction>(*window, item)->trigger(); }
    QString IntervalPanel() { return Find<QLabel>(*window, "StatusBar1_Panel1")->text(); }
    void TickNextSecond() {
        wallClock.AdvanceMs(1000);
        RunHandler(ui, [this] { window->Timer1Timer(); });
    }
    // Ticks "aut. čtení", answering the save dialog with file (nullopt: Storno).
    void StartReading(std::optional<std::string> file) {
        ui.fileAnswers.push_back(std::move(file));
        Find<QCheckBox>(*window, "cb_run")->setChecked(true);
    }
    // Runs the event loop, the wall clock moving on a second every 50 ms, until done() holds (false after 20
    // s).
    bool RunUntil(const std::function<bool()>& done) {
        QEventLoop loop;
        QTimer second;
        second.callOnTimeout([&] { done() ? loop.quit() : wallClock.AdvanceMs(1000); });
        second.start(50);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        return done();
    }
    QImage RenderChart() {
        TrendChart& chart = window->Chart();
        QImage image(chart.size(), QImage::Format_RGB32);
        chart.render(&image);
        return image;
    }

    test::UiRecorder ui;
    test::FakeWallClock wallClock;
    FakeClock clock;
    MemorySettingsBackend* store = nullptr;
    std::unique_ptr<Program> program;
    Tzantor30* window = nullptr;
};

TEST_F(RecordWindowsTest, ReadingsFillTheTableAndTheRecordFileFromTheNextSecondOn) {
    Start();
    for (const char* item : {"mn_nast_graf", "mn_sampling", "mn_meas"}) {
        EXPECT_TRUE(Find<QAction>(*window, item)->isEnabled()) << item;
    }
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Zantor30.txt"));
    StartReading(path.toStdString());
    TickNextSecond();  // choosing the file starts a sample at once
    for (int second = 2; second <= 60; ++second) {
        TickNextSecond();
    }
    const std::string first = "12,500; 100,000; 02.03.26; 10:00:01; \r\n";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), first);
    file.close();
    TickNextSecond();  // the 60th call after the first sample
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), first + "12,500; 100,000; 02.03.26; 10:01:01; \r\n");
    EXPECT_EQ(program->GridMeas().Table().FilledRows(), 2);
}

// The real timer and a box with its own nested loop, as QMessageBox runs one: the record file's box waits for
// the reading's tick to return, so the timer goes on firing while the box is open and no reading is lost.
TEST_F(RecordWindowsTest, ReadingsGoOnOnceASecondWhileTheRecordFilesBoxIsOpen) {
    Start("1");
    QTemporaryDir folder;
    QDir top(folder.path());
    ASSERT_TRUE(top.mkdir(QStringLiteral("data")));
    const QString path = folder.filePath(QStringLiteral("data/z.txt"));
    StartReading(path.toStdString());
    const MeasuredValuesTable& table = program->GridMeas().Table();
    int pointsAtOpen = -1, pointsAtClose = -1;
    ui.whileOpen = [&] {
        pointsAtOpen = window->Chart().PointCount();
        RunUntil([&] { return window->Chart().PointCount() >= pointsAtOpen + 5; });
        pointsAtClose = window->Chart().PointCount();
    };
    ASSERT_TRUE(RunUntil([&] { return table.FilledRows() >= 2; }));
    ASSERT_TRUE(top.rename(QStringLiteral("data"), QStringLiteral("away")));
    ASSERT_TRUE(RunUntil([&] { return pointsAtClose >= 0; }));
    EXPECT_GE(pointsAtClose - pointsAtOpen, 5);
    EXPECT_EQ(table.FilledRows(), window->Chart().PointCount());  // a sample for every reading

    ASSERT_TRUE(top.rename(QStringLiteral("away"), QStringLiteral("data")));
    const int rows = table.FilledRows();
    ASSERT_TRUE(RunUntil([&] { return table.FilledRows() >= rows + 2; }));
    EXPECT_EQ(ui.messages.size(), 1u);  // one box for the whole outage
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    EXPECT_EQ(lines.size() - 1, table.FilledRows());  // every sample, none twice
}

TEST_F(RecordWindowsTest, TheMeasuredValuesWindowIsModalAndTheTableKeepsFillingBehindIt) {
    Start("1");
    StartReading(std::nullopt);
    QTimer::singleShot(0, &program->GridMeas(), [this] {
        TickNextSecond();
        TickNextSecond();
        Find<QAction>(program->GridMeas(), "Konec1")->trigger();
    });
    Trigger("mn_meas");
    EXPECT_EQ(program->GridMeas().Table().FilledRows(), 2);
    EXPECT_EQ(program->GridMeas().Table().Cell(2, 0), "12,500");
}

TEST_F(RecordWindowsTest, TheIntervalTextIsSetAfterEveryShowingOfTheIntervalDialog) {
    Start();
    EXPECT_EQ(IntervalPanel(), "záznam: 60 s");
    Tfile_sampling& dialog = program->file_sampling();
    QTimer::singleShot(0, &dialog, [&] {
        Find<QLineEdit>(dialog, "ed_zaznam")->setText(QStringLiteral("5"));
        Find<QPushButton>(dialog, "tl_ok")->click();
    });
    Trigger("mn_sampling");
    EXPECT_EQ(IntervalPanel(), "záznam: 5 s");
    EXPECT_EQ(store->Text("ZAZNAM", "SOUBOR"), "5");

    // An entry error, then Storno: the previous interval, and the text set again from it.
    Find<QLabel>(*window, "StatusBar1_Panel1")->setText(QStringLiteral("jiný text"));
    QTimer::singleShot(0, &dialog, [&] {
        Find<QLineEdit>(dialog, "ed_zaznam")->setText(QStringLiteral("0"));
        Find<QPushButton>(dialog, "tl_ok")->click();
        Find<QPushButton>(dialog, "tl_cancel")->click();
    });
    Trigger("mn_sampling");
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(IntervalPanel(), "záznam: 5 s");
    EXPECT_EQ(store->Text("ZAZNAM", "SOUBOR"), "5");
}

TEST_F(RecordWindowsTest, StornoInTheGraphDialogLeavesTheChartPixelForPixelAsBefore) {
    Start();
    window->show();
    QApplication::processEvents();
    for (int i = 0; i < 20; ++i) {
        window->AddChartPoint(static_cast<float>(i % 7));
        wallClock.AdvanceMs(1000);
    }
    const QImage before = RenderChart();
    const GraphSettings graph = window->Graph();
    Trotace3D& dialog = program->rotace3D();
    bool previewed = false;
    QTimer::singleShot(0, &dialog, [&] {
        Find<QCheckBox>(dialog, "check_3D")->click();
        Find<QScrollBar>(dialog, "bar_3D")->setValue(80);
        ui.colorAnswers = {0x0000FF00u, 0x00FF0000u};
        Find<QPushButton>(dialog, "tl_barva_mriz")->click();
        Find<QPushButton>(dialog, "tl_barva_okraj")->click();
        previewed = RenderChart() != before && !window->Chart().View3D();
        dialog.reject();
    });
    Trigger("mn_nast_graf");
    EXPECT_TRUE(previewed);
    EXPECT_EQ(window->Graph(), graph);
    EXPECT_TRUE(RenderChart() == before);
}

TEST_F(RecordWindowsTest, OkTakesTheNewLookTheNewPenOnlyForNewPointsAndStoresNothingBeforeClosing) {
    Start();
    window->AddChartPoint(1.0f);
    Trotace3D& dialog = program->rotace3D();
    QTimer::singleShot(0, &dialog, [&] {
        ui.colorAnswers = {0x0000FF00u};
        Find<QPushButton>(dialog, "tl_barva_pera")->click();
        Find<QScrollBar>(dialog, "bar_3D")->setValue(80);
        Find<QLineEdit>(dialog, "ed_poc_mer")->setText(QStringLiteral("500"));
        window->AddChartPoint(2.0f);  // a reading while the dialog is open keeps the old pen
        Find<QPushButton>(dialog, "tl_ok")->click();
    });
    Trigger("mn_nast_graf");
    window->AddChartPoint(3.0f);
    const ChartSeries& points = window->Chart().Series();
    ASSERT_EQ(points.Count(), 3u);
    EXPECT_EQ(points.ColorAt(0), kColorRed);
    EXPECT_EQ(points.ColorAt(1), kColorRed);
    EXPECT_EQ(points.ColorAt(2), 0x0000FF00u);
    EXPECT_EQ(window->Graph().graph3DPercent, 80);
    EXPECT_EQ(window->Graph().graphPoints, 500);
    EXPECT_FALSE(store->Text("GRAF", "R3D"));

    window->close();
    EXPECT_EQ(store->Text("GRAF", "R3D"), "80");
    EXPECT_EQ(store->Text("GRAF", "POCET"), "500");
    EXPECT_EQ(store->Text("GRAF", "PERO"), "65280");
}

}  // namespace
}  // namespace zt30
