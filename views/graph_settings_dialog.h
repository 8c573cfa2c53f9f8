// The graph settings dialog rotace3D ("GRAF 3D"): the main window chart's 3D view and depth, the colours of
// its back wall, its panel and its new points, and its point limit. The 3D box, the depth and the two chart
// colours change the chart at once, as a preview. The main window loads the dialog from its GraphSettings
// before showing it (LoadFrom), puts the chart back from them after Storno (RestoreChart) and takes the new
// values after OK (TakeOver); nothing here touches the settings store.
#pragma once

#include <QDialog>
#include <optional>

#include "link/ui_services.h"
#include "views/graph_settings.h"
#include "views/toolkit_color.h"

class QCheckBox;
class QFrame;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace zt30 {

class TrendChart;

inline constexpr int kMinGraphPoints = 10;
inline constexpr int kMaxGraphPoints = 100000;

class Trotace3D final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Trotace3D)

public:
    // The controls in their design state; the chart is not touched until the user or LoadFrom changes
    // them. chart and ui must outlive the dialog.
    Trotace3D(TrendChart& chart, UiServices& ui, QWidget* parent = nullptr);
    ~Trotace3D() override;

    // Before showing: check_3D, pa_barva_mriz, pa_barva_okraj, bar_3D, ed_poc_mer and pa_barva_pera from
    // graph, in this order; a changed box or scroll bar applies its state to the chart.
    void LoadFrom(const GraphSettings& graph);
    // Shows the dialog modally; kModalOk after OK, kModalCancel after Storno, Escape or the close box.
    int ShowModal();
    // After Cancel: the chart's 3D percent, 3D view, back-wall colour and panel colour from graph, in this
    // order.
    void RestoreChart(const GraphSettings& graph);
    // After OK: penColor from pa_barva_pera, borderColor, gridColor, graph3DPercent and graph3D from the
    // chart, graphPoints from ed_poc_mer, in this order. Points already drawn keep their colour.
    void TakeOver(GraphSettings& graph) const;

    // The handlers of the controls.
    void check_3DClick();
    void bar_3DChange();
    void tl_barva_mrizClick();
    void tl_barva_okrajClick();
    void tl_barva_peraClick();
    // Closes with OK when the number check passes; otherwise the dialog stays open.
    void tl_okClick();
    // Enter in ed_poc_mer: the number check, then the focus to tl_ok when it passes.
    void ed_poc_merKeyPress();
    // The number check of ed_poc_mer: an integer from 10 to 100000. Text that is not an integer shows the
    // conversion error and puts "0" in the edit; a number out of range shows the range error; either way
    // the edit gets the focus and the check fails.
    bool CheckPointCount();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    // The shared colour chooser, opening with the colour last confirmed in it; nullopt when cancelled.
    std::optional<ToolkitColor> ChooseColor();
    void SetPanelColor(QFrame* panel, ToolkitColor color);

    TrendChart& chart_;
    UiServices& ui_;
    // The colour last confirmed in the chooser during this run; white (the chooser's own start) before.
    ToolkitColor lastChosen_ = kColorWhite;

    QCheckBox* check_3D = nullptr;
    QScrollBar* bar_3D = nullptr;
    QLineEdit* ed_poc_mer = nullptr;
    QPushButton* tl_barva_mriz = nullptr;
    QFrame* pa_barva_mriz = nullptr;
    QPushButton* tl_barva_okraj = nullptr;
    QFrame* pa_barva_okraj = nullptr;
    QPushButton* tl_barva_pera = nullptr;
    QFrame* pa_barva_pera = nullptr;
    QPushButton* tl_ok = nullptr;
    QPushButton* tl_cancel = nullptr;
};

// The toolkit colour number a colour panel of the dialog shows (its property "toolkitColor").
ToolkitColor PanelColor(const QFrame& panel);

}  // namespace zt30
