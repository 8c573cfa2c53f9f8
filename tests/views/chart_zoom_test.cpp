// The trend chart's zoom, pan, read-out and context menu, offscreen, driven through the widget's own events:
// the time and value under the pointer stay put, the live view comes back, new points leave a zoomed view
// alone, the read-out reads the nearest point, and the menu saves the picture and the points through the
// UI services.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "config/regional_settings_qt.h"
#include "support/ui_recorder.h"
#include "views/trend_chart_widget.h"

namespace zt30 {
namespace {

constexpr std::int64_t kStart = 1'767'254'400'000;  // 2026-01-01 08:00 local
constexpr int kPoints = 600;

// The right end of the blue pixels within an area; -1 when there are none.
int BlueRight(const QImage& image, const QRect& area) {
    int right = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            right = image.pixel(x, y) == qRgb(0, 0, 255) ? std::max(right, x) : right;
        }
    }
    return right;
}

void Send(TrendChart& chart, QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, chart.mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&chart, &event);
}

void Drag(TrendChart& chart, QPointF from, QPointF to) {
    Send(chart, QEvent::MouseButtonPress, from, Qt::LeftButton);
    Send(chart, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    Send(chart, QEvent::MouseMove, to, Qt::LeftButton);
    Send(chart, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

class ChartZoomTest : public ::testing::Test {
protected:
    ChartZoomTest() {
        chart.resize(640, 400);
        chart.SetLegendFirstValue(1'000'000);  // no legend
        chart.SetUiServices(&ui);
        for (int i = 0; i < kPoints; ++i) {
            chart.AddPoint(kStart + i * 1000, 50.0 + 20.0 * std::sin(i / 40.0));
        }
    }

    QImage Render() {
        QImage image(chart.size(), QImage::Format_RGB32);
        chart.render(&image);
        return image;
    }
    PlotMapping Mapping() {
        Render();
        return chart.Frame().value().mapping;
    }
    QPointF Centre() {
        const PlotMapping m = Mapping();
        return {m.left + m.width / 2.0, m.top + m.height / 2.0};
    }
    void Wheel(QPointF at, int turn, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWheelEvent event(at, chart.mapToGlobal(at), QPoint(), QPoint(0, turn), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&chart, &event);
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

void PrintTo(const ZoomCase& c, std::ostream* out) {
    *out << c.name;
}

class WheelZoomTest : public ChartZoomTest, public ::testing::WithParamInterface<ZoomCase> {};

TEST_P(WheelZoomTest, TheTimeUnderThePointerStaysWhereItIs) {
    const ZoomCase& c = GetParam();
    chart.SetView3D(c.view3D);
    chart.SetChart3DPercent(40);
    // A blue point at the pointer, alone in its pixel column: the segment into it is blue, so its column is
    // the right end of the blue pixels.
    chart.Clear();
    for (int i = 0; i < 120; ++i) {
        chart.AddPoint(kStart + i * 5000, std::sin(i / 10.0));
    }
    const std::int64_t blueTime = kStart + static_cast<int>(c.share * 119) * 5000 + 2500;
    chart.AddPoint(blueTime, 0.5, 0x00FF0000u);
    const PlotMapping before = Mapping();
    const QPointF at(before.XOf(blueTime), before.top + before.height / 3.0);
    const QRect plot = chart.Frame()->plot;
    ASSERT_NEAR(BlueRight(Render(), plot), at.x(), 1.0);

    Wheel(at, c.turn);
    const PlotMapping after = Mapping();
    EXPECT_FALSE(chart.LiveView());
    const auto span = [](const PlotMapping& m) { return static_cast<double>(m.time.end - m.time.begin); };
    EXPECT_NEAR(span(after), span(before) * std::pow(0.8, c.turn / 120.0), 1.0);
    EXPECT_NEAR(after.TimeAt(at.x()), before.TimeAt(at.x()), 1.0);
    EXPECT_NEAR(BlueRight(Render(), plot), at.x(), 1.0);
    EXPECT_FALSE(chart.Viewport().Values().has_value());  // the values stay fitted to the points shown
}

INSTANTIATE_TEST_SUITE_P(Views, WheelZoomTest,
                         ::testing::Values(ZoomCase{"InAtTheMiddle", 0.5, 120, false},
                                           ZoomCase{"InTwiceNearTheLeft", 0.1, 240, false},
                                           ZoomCase{"InNearTheNewest", 0.97, 120, true},
                                           ZoomCase{"OutByATouchpadStep", 0.33, -15, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChartZoomTest, ShiftWheelAndDragKeepTheValueAndTimeUnderThePointer) {
    const PlotMapping live = Mapping();
    const QPointF at(live.left + 200, live.top + live.height / 4.0);
    Wheel(at, 240, Qt::ShiftModifier);
    const PlotMapping zoomed = Mapping();
    EXPECT_EQ(zoomed.time, live.time);
    EXPECT_NEAR(zoomed.ValueAt(at.y()), live.ValueAt(at.y()), 1e-9);
    EXPECT_NEAR(zoomed.values.max - zoomed.values.min, (live.values.max - live.values.min) * 0.64, 1e-9);
    // A shake of the hand is no pan; a drag moves the time and the zoomed values along with the pointer.
    Drag(chart, at, at + QPointF(1, 1));
    EXPECT_EQ(Mapping().time, live.time);
    Drag(chart, at, at + QPointF(-90, 40));
    const PlotMapping panned = Mapping();
    EXPECT_NEAR(panned.TimeAt(at.x() - 90), zoomed.TimeAt(at.x()), 1.0);
    EXPECT_NEAR(panned.ValueAt(at.y() + 40), zoomed.ValueAt(at.y()), 1e-9);
    // Two turns before a paint both count.
    Wheel(at, -120, Qt::ShiftModifier);
    Wheel(at, -120, Qt::ShiftModifier);
    EXPECT_NEAR(Mapping().values.max - Mapping().values.min, live.values.max - live.values.min, 1e-9);
}

// Each way back to the live view, after zooming the times and the values.
class LiveViewTest : public ChartZoomTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LiveViewTest, ReturnsToTheNewestPointWithTheValuesFitted) {
    const PlotMapping live = Mapping();
    EXPECT_EQ(live.time, (TimeRange{kStart, kStart + (kPoints - 1) * 1000 + 1}));
    Wheel(Centre(), 240);
    Wheel(Centre(), 240, Qt::ShiftModifier);
    const std::string way = GetParam();
    if (way == "DoubleClick") {
        QTest::mouseDClick(&chart, Qt::LeftButton, Qt::NoModifier, Centre().toPoint());
    } else if (way == "Home") {
        QTest::keyClick(&chart, Qt::Key_Home);
    } else {
        Action("mn_liveView")->trigger();
    }
    EXPECT_TRUE(chart.LiveView());
    chart.AddPoint(kStart + kPoints * 1000, 200.0);
    const PlotMapping back = Mapping();
    EXPECT_EQ(back.time.end, kStart + kPoints * 1000 + 1);
    EXPECT_GE(back.values.max, 200.0);
    EXPECT_LE(back.values.min, live.values.min);
}

INSTANTIATE_TEST_SUITE_P(Views, LiveViewTest, ::testing::Values("DoubleClick", "Home", "Menu"));

TEST_F(ChartZoomTest, NewPointsDoNotMoveAZoomedView) {
    // The legend lists the latest values in texts of one width, as the main window's do.
    chart.SetValueFormatter([](double) { return QStringLiteral("12,345"); });
    chart.SetLegendFirstValue(0);
    const QRgb note = qRgb(255, 255, 225);
    Render();
    const QRect plot = chart.Frame()->plot;
    EXPECT_NE(Render().copy(plot).pixel(6, 6), note);
    Wheel(Centre(), 480);
    const PlotMapping zoomed = Mapping();
    const QImage before = Render().copy(plot);
    EXPECT_EQ(before.pixel(6, 6), note);  // the note saying how to return
    for (int i = 0; i < 100; ++i) {
        chart.AddLimitedPoint(kPoints, kStart + (kPoints + i) * 1000, 500.0 + i, kColorRed);
    }
    EXPECT_EQ(Mapping().time, zoomed.time);
    EXPECT_EQ(Mapping().values, zoomed.values);
    EXPECT_EQ(Render().copy(plot), before);
    chart.ReturnToLiveView();  // whereas the live view moves on with them
    EXPECT_EQ(Mapping().time.end, kStart + (kPoints + 99) * 1000 + 1);
}

TEST_F(ChartZoomTest, ReadOutShowsTheNearestPointInTheOwnersValueText) {
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
    Send(chart, QEvent::MouseMove, nearSpike, Qt::NoButton);
    EXPECT_EQ(chart.ReadoutIndex(), std::optional<std::size_t>(30));
    asked.clear();
    EXPECT_NE(Render(), chart.ToImage());  // drawn over the chart, never into its picture
    EXPECT_EQ(asked, std::vector<double>{100.0});
    Send(chart, QEvent::MouseMove, QPointF(m.XOf(kStart + 10'000) + 1, m.YOf(0.0) - 5), Qt::NoButton);
    EXPECT_EQ(chart.ReadoutIndex(), std::optional<std::size_t>(10));
    // None outside the plot, nor once the pointer has left.
    Send(chart, QEvent::MouseMove, QPointF(1, 1), Qt::NoButton);
    EXPECT_FALSE(chart.ReadoutIndex().has_value());
    Send(chart, QEvent::MouseMove, nearSpike, Qt::NoButton);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&chart, &leave);
    EXPECT_FALSE(chart.ReadoutIndex().has_value());
}

TEST_F(ChartZoomTest, ContextMenuOpensFromTheKeyboardWithItsFourItems) {
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
    QTest::keyClick(&chart, Qt::Key_Menu);
    ASSERT_EQ(QApplication::activePopupWidget(), menu);
    EXPECT_FALSE(Action("mn_liveView")->isEnabled());  // already live
    menu->close();
    Wheel(Centre(), 120);
    chart.SetUiServices(nullptr);
    QTest::keyClick(&chart, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::activePopupWidget(), menu);
    EXPECT_TRUE(Action("mn_liveView")->isEnabled());
    EXPECT_FALSE(Action("mn_saveImage")->isEnabled());  // nothing could ask for a file name
    EXPECT_FALSE(Action("mn_exportCsv")->isEnabled());
    menu->close();
}

TEST_F(ChartZoomTest, PlusMinusAndArrowsZoomAndPanWithoutAMouse) {
    const PlotMapping live = Mapping();
    const auto span = [](const PlotMapping& m) { return static_cast<double>(m.time.end - m.time.begin); };
    QTest::keyClick(&chart, Qt::Key_Plus);
    const PlotMapping zoomed = Mapping();
    EXPECT_NEAR(span(zoomed), 0.8 * span(live), 1.0);
    QTest::keyClick(&chart, Qt::Key_Left);
    EXPECT_NEAR(static_cast<double>(Mapping().time.begin - zoomed.time.begin), -0.1 * span(zoomed), 1.0);
    QTest::keyClick(&chart, Qt::Key_Minus);
    EXPECT_NEAR(span(Mapping()), span(live), 2.0);
}

TEST_F(ChartZoomTest, AClickGivesTheChartTheFocusForHome) {
    QWidget window;
    auto* other = new QWidget(&window);
    other->setFocusPolicy(Qt::StrongFocus);
    chart.setParent(&window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    QTest::mouseClick(&chart, Qt::LeftButton, Qt::NoModifier, Centre().toPoint());
    EXPECT_TRUE(chart.hasFocus());
    chart.setParent(nullptr);
}

// A known series exported in a Czech and in a C regional setting, whole and zoomed: the file's bytes.
struct CsvCase {
    const char* locale;
    QByteArray expected;
};

void PrintTo(const CsvCase& c, std::ostream* out) {
    *out << c.locale;
}

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
    const QString fileName = folder.filePath(QStringLiteral("body.csv"));
    const auto exported = [&] {
        ui.fileAnswers.push_back(fileName.toStdString());
        Action("mn_exportCsv")->trigger();
        QFile file(fileName);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    };
    EXPECT_EQ(exported(), GetParam().expected);
    EXPECT_EQ(ui.saveDialogs.at(0), (FileDialogRequest{"Exportovat body do CSV", "Zantor30.csv",
                                                       "Soubor CSV [*.csv]|*.csv", "csv", true}));
    // A zoomed view exports the points it shows; the dialog starts from the name chosen last.
    const PlotMapping m = Mapping();
    Wheel(QPointF(m.left, m.top + 10), 120 * 20);  // from the first point on, 11 minutes
    const QByteArray zoomed = exported();
    EXPECT_EQ(ui.saveDialogs.at(1).fileName, fileName.toStdString());
    const QList<QByteArray> lines = GetParam().expected.split('\n');
    EXPECT_EQ(zoomed, lines.mid(0, 4).join('\n') + '\n');
    EXPECT_TRUE(ui.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Views, CsvExportTest,
                         ::testing::Values(CsvCase{"cs_CZ",
                                                   "\xEF\xBB\xBF"
                                                   "Čas;Naměřená hodnota\r\n"
                                                   "2026-01-01T08:00:00.000;12,5\r\n"
                                                   "2026-01-01T08:00:01.234;-0,1\r\n"
                                                   "2026-01-01T08:01:01.000;123456789\r\n"
                                                   "2026-01-01T23:59:59.999;\r\n"},
                                           CsvCase{"C",
                                                   "\xEF\xBB\xBF"
                                                   "Čas,Naměřená hodnota\r\n"
                                                   "2026-01-01T08:00:00.000,12.5\r\n"
                                                   "2026-01-01T08:00:01.234,-0.1\r\n"
                                                   "2026-01-01T08:01:01.000,123456789\r\n"
                                                   "2026-01-01T23:59:59.999,\r\n"}));

TEST_F(ChartZoomTest, PictureHasTheChartsSizeAndAFailedSaveIsReported) {
    chart.resize(517, 333);
    chart.SetView3D(true);
    QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("graf.png"));
    ui.fileAnswers = {fileName.toStdString(),
                      folder.filePath(QStringLiteral("chybí/graf.png")).toStdString()};
    Action("mn_saveImage")->trigger();
    EXPECT_EQ(ui.saveDialogs.at(0), (FileDialogRequest{"Uložit graf jako obrázek", "Zantor30.png",
                                                       "Obrázek PNG [*.png]|*.png", "png", true}));
    const QImage saved(fileName, "PNG");
    EXPECT_EQ(saved.size(), QSize(517, 333));
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), chart.ToImage());
    Action("mn_copyChart")->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(517, 333));
    EXPECT_TRUE(ui.messages.empty());
    Action("mn_saveImage")->trigger();
    EXPECT_EQ(ui.messages,
              (std::vector<test::RecordedMessage>{{"Nemůže otevřít výstupní soubor", "CHYBA",
                                                   MessageIcon::Exclamation, MessageButtons::Ok}}));
}

}  // namespace
}  // namespace zt30
