// The trend chart's zoom, pan, read-out and context menu, offscreen, driven through the widget's own events:
// the time and value under the pointer stay put, the live view comes back, new points leave a zoomed view
// alone, the read-out reads the nearest point, and the menu saves the picture and the points through the
// UI services.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QWheelEvent>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "config/regional_settings_qt.h"
#include "support/ui_recorder.h"
#include "views/trend_chart.h"

namespace zt30 {
namespace {

constexpr std::int64_t kStart = 1'767'254'400'000;  // 2026-01-01 08:00 local
constexpr ToolkitColor kBlue = 0x00FF0000u;
constexpr int kPoints = 600;

QImage Render(TrendChart& chart) {
    QImage image(chart.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    chart.render(&image);
    return image;
}

// The pixels of one colour: their bounding box.
QRect Find(const QImage& image, const QColor& color, const QRect& within) {
    QRect box;
    for (int y = within.top(); y <= within.bottom(); ++y) {
        for (int x = within.left(); x <= within.right(); ++x) {
            if (image.pixel(x, y) == color.rgb()) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

void Wheel(TrendChart& chart, QPointF at, int turn, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWheelEvent event(at, chart.mapToGlobal(at), QPoint(), QPoint(0, turn), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&chart, &event);
}

void Move(TrendChart& chart, QPointF to, Qt::MouseButtons buttons) {
    QMouseEvent event(QEvent::MouseMove, to, chart.mapToGlobal(to), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&chart, &event);
}

void Button(TrendChart& chart, QEvent::Type type, QPointF at) {
    QMouseEvent event(type, at, chart.mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&chart, &event);
}

void Drag(TrendChart& chart, QPointF from, QPointF to) {
    Button(chart, QEvent::MouseButtonPress, from);
    Move(chart, (from + to) / 2, Qt::LeftButton);
    Move(chart, to, Qt::LeftButton);
    Button(chart, QEvent::MouseButtonRelease, to);
}

QByteArray ReadAll(const QString& fileName) {
    QFile file(fileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << fileName.toStdString();
    return file.readAll();
}

class ChartZoomTest : public ::testing::Test {
protected:
    ChartZoomTest() {
        chart.resize(640, 400);
        chart.SetLegendFirstValue(1'000'000);  // no legend: its markers are not counted
        chart.SetUiServices(&ui);
        for (int i = 0; i < kPoints; ++i) {
            chart.AddPoint(kStart + i * 1000, 50.0 + 20.0 * std::sin(i / 40.0));
        }
        Render(chart);
    }

    const PlotMapping& Mapping() {
        Render(chart);
        return chart.Frame().value().mapping;
    }

    QPointF Centre() {
        const PlotMapping& m = Mapping();
        return {m.left + m.width / 2.0, m.top + m.height / 2.0};
    }

    QAction* Action(const char* name) { return chart.findChild<QAction*>(QString::fromLatin1(name)); }

    test::UiRecorder ui;
    TrendChart chart;
};

struct ZoomCase {
    const char* name;
    double share;  // where the pointer is, as a share of the plot's width
    int turn;      // wheel units; 120 a notch away from the user
    bool view3D;
};

class WheelZoomTest : public ChartZoomTest, public ::testing::WithParamInterface<ZoomCase> {};

TEST_P(WheelZoomTest, TheTimeUnderThePointerStaysWhereItIs) {
    const ZoomCase& c = GetParam();
    chart.SetView3D(c.view3D);
    chart.SetChart3DPercent(40);
    // A blue point at the pointer, alone in its pixel column among points a few columns apart: the segment
    // into it is blue, so its column is the blue run's right end.
    chart.Clear();
    for (int i = 0; i < 120; ++i) {
        chart.AddPoint(kStart + i * 5000, std::sin(i / 10.0));
    }
    const std::int64_t blueTime = kStart + static_cast<int>(c.share * 119) * 5000 + 2500;
    chart.AddPoint(blueTime, 0.5, kBlue);
    const PlotMapping before = Mapping();
    const QPointF at(before.XOf(blueTime), before.top + before.height / 3.0);
    const double anchor = before.TimeAt(at.x());
    const QRect plot = chart.Frame()->plot;
    ASSERT_NEAR(Find(Render(chart), Qt::blue, plot).right(), at.x(), 1.0);

    Wheel(chart, at, c.turn);
    const PlotMapping after = Mapping();
    EXPECT_FALSE(chart.LiveView());
    const double span = static_cast<double>(before.time.end - before.time.begin);
    EXPECT_NEAR(static_cast<double>(after.time.end - after.time.begin), span * std::pow(0.8, c.turn / 120.0),
                1.0);
    EXPECT_NEAR(after.TimeAt(at.x()), anchor, 1.0);
    EXPECT_NEAR(Find(Render(chart), Qt::blue, plot).right(), at.x(), 1.0);
    // The value axis stays fitted to the points shown.
    EXPECT_FALSE(chart.Viewport().Values().has_value());
}

INSTANTIATE_TEST_SUITE_P(Views, WheelZoomTest,
                         ::testing::Values(ZoomCase{"InAtTheMiddle", 0.5, 120, false},
                                           ZoomCase{"InTwiceNearTheLeft", 0.1, 240, false},
                                           ZoomCase{"InNearTheNewest", 0.97, 120, true},
                                           ZoomCase{"OutAtAThird", 0.33, -120, false},
                                           ZoomCase{"InByATouchpadStep", 0.6, 15, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChartZoomTest, ShiftWheelZoomsTheValuesAboutThePointerAndLeavesTheTimes) {
    const PlotMapping before = Mapping();
    const QPointF at(before.left + 100, before.top + before.height / 4.0);
    const double anchor = before.ValueAt(at.y());
    Wheel(chart, at, 240, Qt::ShiftModifier);
    const PlotMapping after = Mapping();
    EXPECT_FALSE(chart.LiveView());
    EXPECT_EQ(after.time, before.time);
    EXPECT_NEAR(after.ValueAt(at.y()), anchor, 1e-9 * std::abs(anchor));
    EXPECT_NEAR(after.values.max - after.values.min, (before.values.max - before.values.min) * 0.64, 1e-9);
    // Two wheel turns before a paint both count.
    Wheel(chart, at, -120, Qt::ShiftModifier);
    Wheel(chart, at, -120, Qt::ShiftModifier);
    EXPECT_NEAR(Mapping().values.max - Mapping().values.min, before.values.max - before.values.min, 1e-9);
}

TEST_F(ChartZoomTest, DraggingPansTheTimeUnderThePointerAlong) {
    Wheel(chart, Centre(), 360);
    const PlotMapping zoomed = Mapping();
    const QPointF from(zoomed.left + 200, zoomed.top + 50);
    const double time = zoomed.TimeAt(from.x());
    Drag(chart, from, from + QPointF(-90, 40));
    const PlotMapping panned = Mapping();
    EXPECT_NEAR(panned.TimeAt(from.x() - 90), time, 1.0);
    EXPECT_EQ(panned.time.end - panned.time.begin, zoomed.time.end - zoomed.time.begin);
    // A fitted value axis stays fitted; once zoomed, the values follow the pointer too.
    EXPECT_FALSE(chart.Viewport().Values().has_value());
    Wheel(chart, from, 120, Qt::ShiftModifier);
    const PlotMapping valued = Mapping();
    const double value = valued.ValueAt(from.y());
    Drag(chart, from, from + QPointF(30, 40));
    EXPECT_NEAR(Mapping().ValueAt(from.y() + 40), value, 1e-9 * std::abs(value));
    EXPECT_NEAR(Mapping().TimeAt(from.x() + 30), valued.TimeAt(from.x()), 1.0);
}

TEST_F(ChartZoomTest, AClickThatShakesALittleIsNoPan) {
    const QPointF at = Centre();
    Button(chart, QEvent::MouseButtonPress, at);
    Move(chart, at + QPointF(1, 1), Qt::LeftButton);
    Button(chart, QEvent::MouseButtonRelease, at + QPointF(1, 1));
    EXPECT_TRUE(chart.LiveView());
    // Nor is a drag that starts outside the plot, over the axis labels.
    Drag(chart, QPointF(2, 2), QPointF(200, 200));
    EXPECT_TRUE(chart.LiveView());
}

// Each way back to the live view, after zooming the times and the values.
class LiveViewTest : public ChartZoomTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LiveViewTest, ReturnsToTheNewestPointWithTheValuesFitted) {
    const PlotMapping live = Mapping();
    EXPECT_EQ(live.time.begin, kStart);
    EXPECT_EQ(live.time.end, kStart + (kPoints - 1) * 1000 + 1);
    Wheel(chart, Centre(), 240);
    Wheel(chart, Centre(), 240, Qt::ShiftModifier);
    ASSERT_NE(Mapping().time, live.time);
    const std::string way = GetParam();
    if (way == "DoubleClick") {
        QTest::mouseDClick(&chart, Qt::LeftButton, Qt::NoModifier, Centre().toPoint());
    } else if (way == "Home") {
        QTest::keyClick(&chart, Qt::Key_Home);
    } else {
        Action("mn_liveView")->trigger();
    }
    EXPECT_TRUE(chart.LiveView());
    // The live view follows the newest point again.
    chart.AddPoint(kStart + kPoints * 1000, 200.0);
    const PlotMapping back = Mapping();
    EXPECT_EQ(back.time.end, kStart + kPoints * 1000 + 1);
    EXPECT_GE(back.values.max, 200.0);
    EXPECT_LE(back.values.min, live.values.min);
}

INSTANTIATE_TEST_SUITE_P(Views, LiveViewTest, ::testing::Values("DoubleClick", "Home", "Menu"));

TEST_F(ChartZoomTest, NewPointsDoNotMoveAZoomedView) {
    // The legend lists the latest values, in texts of one width, as the main window's do.
    chart.SetValueFormatter([](double) { return QStringLiteral("12,345"); });
    chart.SetLegendFirstValue(0);
    const QColor note(255, 255, 225);
    const QRect plot = chart.Frame()->plot;
    EXPECT_TRUE(Find(Render(chart), note, plot).isEmpty());
    Wheel(chart, Centre(), 480);
    const PlotMapping zoomed = Mapping();
    const QImage before = Render(chart);
    // The note says how to return; the zoomed view keeps its times and values while the chart runs on.
    EXPECT_FALSE(Find(before, note, plot).isEmpty());
    for (int i = 0; i < 100; ++i) {
        chart.AddLimitedPoint(kPoints, kStart + (kPoints + i) * 1000, 500.0 + i, kColorRed);
    }
    const PlotMapping after = Mapping();
    EXPECT_EQ(after.time, zoomed.time);
    EXPECT_EQ(after.values, zoomed.values);
    EXPECT_EQ(Render(chart).copy(plot), before.copy(plot));
    EXPECT_FALSE(chart.LiveView());
    // Whereas the live view moves on with them.
    chart.ReturnToLiveView();
    EXPECT_EQ(Mapping().time.end, kStart + (kPoints + 99) * 1000 + 1);
}

TEST_F(ChartZoomTest, ReadOutShowsTheNearestPointInTheMainWindowsValueText) {
    std::vector<double> asked;
    chart.SetValueFormatter([&asked](double value) {
        asked.push_back(value);
        return QStringLiteral("hodnota");
    });
    // A spike that a point nearer in time but far below it must not hide.
    chart.Clear();
    for (int i = 0; i < 60; ++i) {
        chart.AddPoint(kStart + i * 1000, i == 30 ? 100.0 : 0.0);
    }
    const PlotMapping m = Mapping();
    const QPointF nearSpike(m.XOf(kStart + 30'000) + 12, m.YOf(100.0) + 2);
    Move(chart, nearSpike, Qt::NoButton);
    ASSERT_TRUE(chart.ReadoutIndex().has_value());
    EXPECT_EQ(*chart.ReadoutIndex(), 30u);
    asked.clear();
    const QImage shown = Render(chart);
    EXPECT_EQ(asked, std::vector<double>{100.0});
    // The read-out is drawn over the chart, never into its picture.
    EXPECT_NE(shown, chart.ToImage());
    // Low in the plot the point below the pointer wins.
    Move(chart, QPointF(m.XOf(kStart + 10'000) + 1, m.YOf(0.0) - 5), Qt::NoButton);
    EXPECT_EQ(chart.ReadoutIndex(), std::optional<std::size_t>(10u));
    // Outside the plot, or once the pointer has left, there is none.
    Move(chart, QPointF(1, 1), Qt::NoButton);
    EXPECT_FALSE(chart.ReadoutIndex().has_value());
    Move(chart, nearSpike, Qt::NoButton);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&chart, &leave);
    EXPECT_FALSE(chart.ReadoutIndex().has_value());
}

TEST_F(ChartZoomTest, ContextMenuOffersItsFourItems) {
    auto* menu = chart.findChild<QMenu*>(QStringLiteral("mn_chart"));
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            items << action->objectName() + QLatin1Char('=') + action->text();
        }
    }
    EXPECT_EQ(items.join(QLatin1Char('|')),
              QStringLiteral("mn_saveImage=Uložit graf jako obrázek...|mn_copyChart=Kopírovat graf|"
                             "mn_exportCsv=Exportovat body do CSV...|mn_liveView=Živý pohled"));

    // The keyboard opens it (menu key, Shift+F10); "Živý pohled" only counts in a zoomed view.
    QTest::keyClick(&chart, Qt::Key_Menu);
    ASSERT_EQ(QApplication::activePopupWidget(), menu);
    EXPECT_FALSE(Action("mn_liveView")->isEnabled());
    EXPECT_TRUE(Action("mn_saveImage")->isEnabled());
    EXPECT_TRUE(Action("mn_exportCsv")->isEnabled());
    menu->close();
    Wheel(chart, Centre(), 120);
    QTest::keyClick(&chart, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::activePopupWidget(), menu);
    EXPECT_TRUE(Action("mn_liveView")->isEnabled());
    menu->close();
    QTest::keyClick(&chart, Qt::Key_F10);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    // Without the UI services nothing can ask for a file name.
    chart.SetUiServices(nullptr);
    QTest::keyClick(&chart, Qt::Key_Menu);
    EXPECT_FALSE(Action("mn_saveImage")->isEnabled());
    EXPECT_FALSE(Action("mn_exportCsv")->isEnabled());
    EXPECT_TRUE(Action("mn_copyChart")->isEnabled());
    menu->close();
}

TEST_F(ChartZoomTest, KeysZoomAndPanForThoseWithoutAMouse) {
    const PlotMapping live = Mapping();
    QTest::keyClick(&chart, Qt::Key_Plus);
    const PlotMapping zoomed = Mapping();
    EXPECT_NEAR(static_cast<double>(zoomed.time.end - zoomed.time.begin),
                0.8 * static_cast<double>(live.time.end - live.time.begin), 1.0);
    QTest::keyClick(&chart, Qt::Key_Left);
    EXPECT_NEAR(static_cast<double>(Mapping().time.begin - zoomed.time.begin),
                -0.1 * static_cast<double>(zoomed.time.end - zoomed.time.begin), 1.0);
    QTest::keyClick(&chart, Qt::Key_Minus);
    EXPECT_NEAR(static_cast<double>(Mapping().time.end - Mapping().time.begin),
                static_cast<double>(live.time.end - live.time.begin), 2.0);
}

TEST_F(ChartZoomTest, AClickGivesTheChartTheFocusForItsKeys) {
    QWidget window;
    auto* other = new QWidget(&window);
    other->setFocusPolicy(Qt::StrongFocus);
    chart.setParent(&window);
    chart.move(0, 40);
    window.resize(700, 500);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    ASSERT_FALSE(chart.hasFocus());
    QTest::mouseClick(&chart, Qt::LeftButton, Qt::NoModifier, Centre().toPoint());
    EXPECT_TRUE(chart.hasFocus());
    chart.setParent(nullptr);
}

// A known series exported in a Czech and in a C regional setting: the bytes of the file.
struct CsvCase {
    const char* name;
    const char* locale;
    QByteArray expected;
};

class CsvExportTest : public ChartZoomTest, public ::testing::WithParamInterface<CsvCase> {};

TEST_P(CsvExportTest, WritesTheKnownSeriesByteForByte) {
    const RegionalSettings regional = RegionalSettingsFor(QLocale(QString::fromLatin1(GetParam().locale)));
    chart.SetRegionalFormat({QString::fromStdString(regional.shortDateFormat),
                             QString::fromStdString(regional.longTimeFormat),
                             QLatin1Char(regional.decimalSeparator)});
    chart.Clear();
    chart.AddPoint(kStart, 12.5);
    chart.AddPoint(kStart + 1'234, static_cast<float>(-0.1));
    chart.AddPoint(kStart + 61'000, 123456789.0);
    chart.AddPoint(kStart + 16 * 3'600'000 - 1, std::numeric_limits<double>::quiet_NaN());
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString fileName = folder.filePath(QStringLiteral("body.csv"));
    ui.fileAnswers.push_back(fileName.toStdString());
    Action("mn_exportCsv")->trigger();
    ASSERT_EQ(ui.saveDialogs.size(), 1u);
    EXPECT_EQ(ui.saveDialogs[0], (FileDialogRequest{"Exportovat body do CSV", "Zantor30.csv",
                                                    "Soubor CSV [*.csv]|*.csv", "csv", true}));
    EXPECT_EQ(ReadAll(fileName), GetParam().expected);
    EXPECT_TRUE(ui.messages.empty());
    // The dialog starts from the name chosen last.
    ui.fileAnswers.push_back(std::nullopt);
    Action("mn_exportCsv")->trigger();
    EXPECT_EQ(ui.saveDialogs.at(1).fileName, fileName.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Views, CsvExportTest,
                         ::testing::Values(CsvCase{"Czech", "cs_CZ",
                                                   "\xEF\xBB\xBF"
                                                   "Čas;Naměřená hodnota\r\n"
                                                   "2026-01-01T08:00:00.000;12,5\r\n"
                                                   "2026-01-01T08:00:01.234;-0,1\r\n"
                                                   "2026-01-01T08:01:01.000;123456789\r\n"
                                                   "2026-01-01T23:59:59.999;\r\n"},
                                           CsvCase{"C", "C",
                                                   "\xEF\xBB\xBF"
                                                   "Čas,Naměřená hodnota\r\n"
                                                   "2026-01-01T08:00:00.000,12.5\r\n"
                                                   "2026-01-01T08:00:01.234,-0.1\r\n"
                                                   "2026-01-01T08:01:01.000,123456789\r\n"
                                                   "2026-01-01T23:59:59.999,\r\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChartZoomTest, ZoomedExportHoldsThePointsShown) {
    QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("zoom.csv"));
    const QPointF at = Centre();
    Wheel(chart, at, 120 * 10);
    const PlotMapping m = Mapping();
    ui.fileAnswers.push_back(fileName.toStdString());
    Action("mn_exportCsv")->trigger();
    const QList<QByteArray> lines = ReadAll(fileName).split('\n');
    // Header, then every point whose time lies in the range shown, and the empty rest after the last CR LF.
    const auto first = (m.time.begin - kStart + 999) / 1000;
    const auto last = (m.time.end - 1 - kStart) / 1000;
    ASSERT_EQ(lines.size(), last - first + 1 + 2);
    EXPECT_TRUE(lines[1].startsWith(
        QByteArray::fromStdString(QDateTime::fromMSecsSinceEpoch(kStart + first * 1000, QTimeZone::utc())
                                      .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"))
                                      .toStdString())));
}

TEST_F(ChartZoomTest, PictureHasTheChartsSizeOnFileAndClipboard) {
    chart.resize(517, 333);
    chart.SetView3D(true);
    QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("graf.png"));
    ui.fileAnswers.push_back(fileName.toStdString());
    Action("mn_saveImage")->trigger();
    ASSERT_EQ(ui.saveDialogs.size(), 1u);
    EXPECT_EQ(ui.saveDialogs[0], (FileDialogRequest{"Uložit graf jako obrázek", "Zantor30.png",
                                                    "Obrázek PNG [*.png]|*.png", "png", true}));
    const QImage saved(fileName, "PNG");
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), QSize(517, 333));
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), chart.ToImage());

    Action("mn_copyChart")->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(517, 333));
}

TEST_F(ChartZoomTest, AFileThatCannotBeWrittenIsReportedAndACancelWritesNothing) {
    QTemporaryDir folder;
    ui.fileAnswers.push_back(folder.filePath(QStringLiteral("chybí/graf.png")).toStdString());
    Action("mn_saveImage")->trigger();
    ui.fileAnswers.push_back(std::nullopt);
    Action("mn_exportCsv")->trigger();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], (test::RecordedMessage{"Nemůže otevřít výstupní soubor", "CHYBA",
                                                     MessageIcon::Exclamation, MessageButtons::Ok}));
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

}  // namespace
}  // namespace zt30
