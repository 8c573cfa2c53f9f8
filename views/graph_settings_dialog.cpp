#include "views/graph_settings_dialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "base/text_rules.h"
#include "views/toolkit_color_qt.h"
#include "views/trend_chart_widget.h"

namespace zt30 {

namespace {

constexpr char kColorProperty[] = "toolkitColor";
constexpr char kNotANumber[] = "Chyba při zadání číselného textu";
constexpr char kOutOfRange[] = "Je nutné zadávat pouze čísla v rozsahu 10 až 100000";

QLabel* CaptionLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    if (buddy != nullptr) {
        label->setBuddy(buddy);
        buddy->setAccessibleName(text);
    }
    return label;
}

QPushButton* Button(const char* name, const QString& caption, const QString& hint, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(caption);
    if (!hint.isEmpty()) {
        button->setToolTip(hint);
    }
    // The dialog has no default button: none may become one by taking the focus, or Enter on "3D" or the
    // scroll bar would press it. A focused button takes Enter through the dialog's event filter.
    button->setAutoDefault(false);
    return button;
}

QFrame* ColorPanel(const char* name, const QString& accessibleName, QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setAccessibleName(accessibleName);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);
    panel->setAutoFillBackground(true);
    const int side = panel->fontMetrics().height() + 10;
    panel->setFixedSize(side, side);
    return panel;
}

}  // namespace

ToolkitColor PanelColor(const QFrame& panel) {
    return panel.property(kColorProperty).toUInt();
}

Trotace3D::Trotace3D(TrendChart& chart, UiServices& ui, QWidget* parent)
    : QDialog(parent), chart_(chart), ui_(ui) {
    BuildControls();
}

Trotace3D::~Trotace3D() = default;

void Trotace3D::BuildControls() {
    setObjectName(QStringLiteral("rotace3D"));
    setWindowTitle(QStringLiteral("GRAF 3D"));
    setAccessibleName(windowTitle());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    check_3D = new QCheckBox(QStringLiteral("3D"), this);
    check_3D->setObjectName(QStringLiteral("check_3D"));
    check_3D->setToolTip(QStringLiteral("Nastaví zobrazení 3D"));
    check_3D->setAccessibleName(check_3D->text());
    check_3D->setAccessibleDescription(QStringLiteral("Rozměr"));
    check_3D->setChecked(true);
    bar_3D = new QScrollBar(Qt::Horizontal, this);
    bar_3D->setObjectName(QStringLiteral("bar_3D"));
    bar_3D->setToolTip(QStringLiteral("Nastaví natočení 3D grafu"));
    bar_3D->setRange(kMinGraph3DPercent, kMaxGraph3DPercent);
    bar_3D->setValue(kMinGraph3DPercent);
    bar_3D->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 24);
    ed_poc_mer = new QLineEdit(QStringLiteral("200"), this);
    ed_poc_mer->setObjectName(QStringLiteral("ed_poc_mer"));
    ed_poc_mer->setToolTip(QStringLiteral("Počet zobrazených měření v grafu (10 až 100.0000)"));
    ed_poc_mer->installEventFilter(this);

    tl_barva_mriz = Button("tl_barva_mriz", QStringLiteral("Mrižka"),
                           QStringLiteral("Nastaví barvu pozadí mřížky"), this);
    pa_barva_mriz = ColorPanel("pa_barva_mriz", tl_barva_mriz->text(), this);
    tl_barva_okraj =
        Button("tl_barva_okraj", QStringLiteral("Okraj"), QStringLiteral("Nastaví barvu okraje grafu"), this);
    pa_barva_okraj = ColorPanel("pa_barva_okraj", tl_barva_okraj->text(), this);
    tl_barva_pera = Button("tl_barva_pera", QStringLiteral("Barva pera"), QString(), this);
    pa_barva_pera = ColorPanel("pa_barva_pera", tl_barva_pera->text(), this);
    for (QFrame* panel : {pa_barva_mriz, pa_barva_okraj, pa_barva_pera}) {
        SetPanelColor(panel, kColorButtonFace);
    }

    tl_ok = Button("tl_ok", QStringLiteral("OK"), QString(), this);
    tl_cancel = Button("tl_cancel", QStringLiteral("Storno"), QString(), this);
    for (QPushButton* button : {tl_barva_mriz, tl_barva_okraj, tl_barva_pera, tl_ok, tl_cancel}) {
        button->installEventFilter(this);
    }

    auto* grid = new QGridLayout();
    // The box says its own caption; the group's label above it is its description.
    grid->addWidget(CaptionLabel(QStringLiteral("Rozměr"), nullptr, this), 0, 0);
    grid->addWidget(check_3D, 1, 0);
    grid->addWidget(CaptionLabel(QStringLiteral("Procento natočení"), bar_3D, this), 0, 1);
    grid->addWidget(bar_3D, 1, 1);
    grid->addWidget(CaptionLabel(QStringLiteral("Počet měření"), ed_poc_mer, this), 2, 0);
    grid->addWidget(ed_poc_mer, 3, 0);
    grid->addWidget(CaptionLabel(QStringLiteral("Nastavení barvy"), nullptr, this), 2, 1);
    auto* colors = new QGridLayout();
    int row = 0;
    for (auto [button, panel] :
         {std::pair{tl_barva_mriz, pa_barva_mriz}, std::pair{tl_barva_okraj, pa_barva_okraj},
          std::pair{tl_barva_pera, pa_barva_pera}}) {
        colors->addWidget(button, row, 0);
        colors->addWidget(panel, row, 1);
        ++row;
    }
    grid->addLayout(colors, 3, 1, 3, 1);
    grid->setRowStretch(4, 1);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    buttons->addWidget(tl_ok);
    buttons->addWidget(tl_cancel);
    auto* page = new QVBoxLayout(this);
    page->addLayout(grid);
    page->addSpacing(fontMetrics().height() / 2);
    page->addLayout(buttons);
    page->setSizeConstraint(QLayout::SetFixedSize);

    connect(check_3D, &QCheckBox::toggled, this, &Trotace3D::check_3DClick);
    connect(bar_3D, &QScrollBar::valueChanged, this, &Trotace3D::bar_3DChange);
    connect(tl_barva_mriz, &QPushButton::clicked, this, &Trotace3D::tl_barva_mrizClick);
    connect(tl_barva_okraj, &QPushButton::clicked, this, &Trotace3D::tl_barva_okrajClick);
    connect(tl_barva_pera, &QPushButton::clicked, this, &Trotace3D::tl_barva_peraClick);
    connect(tl_ok, &QPushButton::clicked, this, &Trotace3D::tl_okClick);
    // Storno, Escape and the close box all end as Cancel.
    connect(tl_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void Trotace3D::SetPanelColor(QFrame* panel, ToolkitColor color) {
    // The number is kept as given, so a system colour comes back as the same number.
    panel->setProperty(kColorProperty, static_cast<uint>(color));
    const QColor shown = ToQColor(color, palette());
    QPalette look = panel->palette();
    look.setColor(QPalette::Window, shown);
    panel->setPalette(look);
    panel->setAccessibleDescription(shown.name());
}

void Trotace3D::LoadFrom(const GraphSettings& graph) {
    check_3D->setChecked(graph.graph3D);
    SetPanelColor(pa_barva_mriz, graph.gridColor);
    SetPanelColor(pa_barva_okraj, graph.borderColor);
    bar_3D->setValue(graph.graph3DPercent);
    ed_poc_mer->setText(QString::number(graph.graphPoints));
    SetPanelColor(pa_barva_pera, graph.penColor);
}

int Trotace3D::ShowModal() {
    return exec() == kModalOk ? kModalOk : kModalCancel;
}

void Trotace3D::RestoreChart(const GraphSettings& graph) {
    chart_.SetChart3DPercent(graph.graph3DPercent);
    chart_.SetView3D(graph.graph3D);
    chart_.SetBackColor(graph.gridColor);
    chart_.SetColor(graph.borderColor);
}

void Trotace3D::TakeOver(GraphSettings& graph) const {
    graph.penColor = PanelColor(*pa_barva_pera);
    graph.borderColor = chart_.Color();
    graph.gridColor = chart_.BackColor();
    graph.graph3DPercent = chart_.Chart3DPercent();
    graph.graph3D = chart_.View3D();
    if (const std::optional<std::int32_t> points = ParseEntryInt(ed_poc_mer->text().toStdString())) {
        graph.graphPoints = *points;
    }
}

void Trotace3D::check_3DClick() {
    chart_.SetView3D(check_3D->isChecked());
}

void Trotace3D::bar_3DChange() {
    chart_.SetChart3DPercent(bar_3D->value());
}

std::optional<ToolkitColor> Trotace3D::ChooseColor() {
    const std::optional<std::uint32_t> chosen = ui_.ChooseColor(lastChosen_);
    if (chosen) {
        lastChosen_ = *chosen;
    }
    return chosen;
}

void Trotace3D::tl_barva_mrizClick() {
    if (const std::optional<ToolkitColor> color = ChooseColor()) {
        chart_.SetBackColor(*color);
        SetPanelColor(pa_barva_mriz, *color);
    }
}

void Trotace3D::tl_barva_okrajClick() {
    if (const std::optional<ToolkitColor> color = ChooseColor()) {
        chart_.SetColor(*color);
        SetPanelColor(pa_barva_okraj, *color);
    }
}

void Trotace3D::tl_barva_peraClick() {
    // Only the panel: points take the pen colour from the main window once the dialog is confirmed.
    if (const std::optional<ToolkitColor> color = ChooseColor()) {
        SetPanelColor(pa_barva_pera, *color);
    }
}

bool Trotace3D::CheckPointCount() {
    const std::optional<std::int32_t> points = ParseEntryInt(ed_poc_mer->text().toStdString());
    if (!points) {
        ui_.ShowMessage(kNotANumber, "CHYBA", MessageIcon::Exclamation, MessageButtons::Ok);
        ed_poc_mer->setText(QStringLiteral("0"));
        ed_poc_mer->setFocus();
        return false;
    }
    if (*points < kMinGraphPoints || *points > kMaxGraphPoints) {
        ui_.ShowMessage(kOutOfRange, "EDIT", MessageIcon::Error, MessageButtons::Ok);
        ed_poc_mer->setFocus();
        return false;
    }
    return true;
}

void Trotace3D::tl_okClick() {
    if (CheckPointCount()) {
        done(kModalOk);
    }
}

void Trotace3D::ed_poc_merKeyPress() {
    if (CheckPointCount()) {
        tl_ok->setFocus();
    }
}

bool Trotace3D::eventFilter(QObject* watched, QEvent* event) {
    // Only Enter is acted on: in the edit it runs the number check, on a focused button it presses the
    // button; every other key reaches the control unchanged.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == ed_poc_mer) {
                ed_poc_merKeyPress();
                return true;
            }
            if (auto* button = qobject_cast<QPushButton*>(watched)) {
                button->click();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace zt30
