// The graph settings dialog offscreen over a real chart: the number check of ed_poc_mer with
// its two boxes, Enter, and the shared colour chooser. The main window's side is tested with the whole
// program.
#include "views/graph_settings_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "support/ui_recorder.h"
#include "views/trend_chart_widget.h"

namespace zt30 {
namespace {

using test::RecordedMessage;

const RecordedMessage kNotANumber{"Chyba při zadání číselného textu", "CHYBA", MessageIcon::Exclamation,
                                  MessageButtons::Ok};
const RecordedMessage kOutOfRange{"Je nutné zadávat pouze čísla v rozsahu 10 až 100000", "EDIT",
                                  MessageIcon::Error, MessageButtons::Ok};

class GraphSettingsDialogTest : public ::testing::Test {
protected:
    template <typename T = QPushButton>
    T* Find(const char* name) {
        T* control = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QLineEdit* Edit() { return Find<QLineEdit>("ed_poc_mer"); }

    test::UiRecorder ui;
    TrendChart chart;
    Trotace3D dialog{chart, ui};
};

struct NumberCase {
    const char* text;
    std::optional<RecordedMessage> box;  // none: accepted
    const char* textAfter;
};

class PointCountTest : public GraphSettingsDialogTest, public ::testing::WithParamInterface<NumberCase> {};

TEST_P(PointCountTest, OkChecksTheNumber) {
    dialog.show();
    Edit()->setText(QString::fromUtf8(GetParam().text));
    Find("tl_ok")->click();
    const bool accepted = !GetParam().box;
    EXPECT_EQ(dialog.result(), accepted ? kModalOk : 0);
    EXPECT_EQ(dialog.isVisible(), !accepted);
    EXPECT_EQ(ui.messages, accepted ? std::vector<RecordedMessage>{} : std::vector{*GetParam().box});
    EXPECT_EQ(Edit()->text(), QString::fromUtf8(GetParam().textAfter));
    if (!accepted) {
        EXPECT_EQ(dialog.focusWidget(), Edit());
        Find("tl_ok")->click();  // OK again: "0" after a text that was no number is out of range
        EXPECT_EQ(ui.messages.back(), kOutOfRange);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PointCountTest,
    ::testing::Values(NumberCase{"10", std::nullopt, "10"}, NumberCase{"100000", std::nullopt, "100000"},
                      NumberCase{"9", kOutOfRange, "9"}, NumberCase{"100001", kOutOfRange, "100001"},
                      NumberCase{"-50", kOutOfRange, "-50"}, NumberCase{"", kNotANumber, "0"},
                      NumberCase{"12a", kNotANumber, "0"}, NumberCase{"99999999999", kNotANumber, "0"}));

TEST_F(GraphSettingsDialogTest, EnterChecksTheNumberAndMovesTheFocusToOk) {
    dialog.show();
    Edit()->setFocus();
    Edit()->setText(QStringLiteral("abc"));
    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_EQ(ui.messages, std::vector<RecordedMessage>{kNotANumber});
    Edit()->setText(QStringLiteral("150"));
    QTest::keyClick(Edit(), Qt::Key_Enter);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(dialog.focusWidget(), Find("tl_ok"));
    EXPECT_TRUE(dialog.isVisible());  // Enter does not close the dialog
    QTest::keyClick(Edit(), Qt::Key_5);
    EXPECT_EQ(Edit()->text(), "1505");  // other keys reach the edit
    EXPECT_EQ(Edit()->accessibleName(), "Počet měření");
    EXPECT_EQ(Edit()->toolTip(), "Počet zobrazených měření v grafu (10 až 100.0000)");
    // No colour button is the default: Enter on "3D" or the scroll bar presses nothing.
    for (const char* name : {"check_3D", "bar_3D"}) {
        QTest::keyClick(Find<QWidget>(name), Qt::Key_Return);
    }
    EXPECT_TRUE(ui.colorDialogs.empty() && dialog.isVisible());
    QTest::keyClick(Find("tl_ok"), Qt::Key_Enter);  // a focused button takes Enter
    EXPECT_EQ(dialog.result(), kModalOk);
}

TEST_F(GraphSettingsDialogTest, TheOneChooserOpensWithTheColourLastConfirmed) {
    const ToolkitColor green = 0x0000FF00, blue = 0x00FF0000;
    ui.colorAnswers = {green, std::nullopt, blue};
    Find("tl_barva_mriz")->click();
    Find("tl_barva_okraj")->click();  // cancelled: nothing changes
    Find("tl_barva_pera")->click();   // the panel only, not the chart
    EXPECT_EQ(ui.colorDialogs, (std::vector<std::uint32_t>{kColorWhite, green, green}));
    EXPECT_EQ(std::make_tuple(chart.BackColor(), chart.Color()), std::make_tuple(green, kColorButtonFace));
    EXPECT_EQ(PanelColor(*Find<QFrame>("pa_barva_mriz")), green);
    EXPECT_EQ(PanelColor(*Find<QFrame>("pa_barva_okraj")), kColorButtonFace);
    EXPECT_EQ(PanelColor(*Find<QFrame>("pa_barva_pera")), blue);
    EXPECT_EQ(Find<QFrame>("pa_barva_pera")->palette().color(QPalette::Window), QColor(0, 0, 255));
}

TEST_F(GraphSettingsDialogTest, LoadingAndTakingOverAnUnchangedDialogChangesNothing) {
    GraphSettings graph;
    graph.graph3D = false;
    graph.graph3DPercent = 77;
    graph.gridColor = 0x80000005u;  // a system colour stays the same number
    graph.penColor = 0x00123456u;
    graph.graphPoints = 4321;
    chart.SetChart3DPercent(77);
    chart.SetBackColor(graph.gridColor);
    dialog.LoadFrom(graph);
    EXPECT_FALSE(Find<QCheckBox>("check_3D")->isChecked());
    EXPECT_EQ(Find<QScrollBar>("bar_3D")->value(), 77);
    EXPECT_EQ(Edit()->text(), "4321");
    GraphSettings taken;
    dialog.TakeOver(taken);
    EXPECT_EQ(taken, graph);
}

}  // namespace
}  // namespace zt30
