#include "app/main_window.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <utility>
#include <vector>

#include "app/line_statistics_window.h"
#include "app/line_traffic_window.h"
#include "app/menu_icons_qt.h"
#include "config/about_dialog.h"
#include "config/address_dialog.h"
#include "config/ident_dialog.h"
#include "config/parameters_dialog.h"
#include "link/error_display.h"
#include "link/port_dialog.h"
#include "views/graph_settings_dialog.h"
#include "views/measured_values_window.h"
#include "views/recording_interval_dialog.h"
#include "views/trend_chart_widget.h"
#include "views/value_text.h"

namespace zt30 {

namespace {

constexpr int kTimerIntervalMs = 200;
// The window's place and size when the settings hold none.
constexpr int kDesignLeft = 192;
constexpr int kDesignTop = 107;
constexpr int kDesignWidth = 667;
constexpr int kDesignHeight = 465;

constexpr char kCounterQuestion[] = "Vznikl požadavek na nulování čítače.\nOpravdu chceš vynulovat čítač?";
constexpr char kSumQuestion[] = "Vznikl požadavek na nulování SUMY.\nOpravdu chceš vynulovat SUMU?";
constexpr char kQuestionCaption[] = "Dotaz";

// Holds the reading timer off for one command and restores its remembered state afterwards, also when the
// command ends with an error.
class TimerHoldOff {
public:
    explicit TimerHoldOff(QTimer& timer) : timer_(timer), wasActive_(timer.isActive()) { timer_.stop(); }
    // The timer stays as it is now; whether it was running.
    bool Release() { return std::exchange(wasActive_, false); }
    ~TimerHoldOff() {
        if (wasActive_) {
            timer_.start();
        }
    }
    TimerHoldOff(const TimerHoldOff&) = delete;
    TimerHoldOff& operator=(const TimerHoldOff&) = delete;

private:
    QTimer& timer_;
    bool wasActive_;
};

// Closes the line at the end of the piece of work that opened it.
class LineCloser {
public:
    explicit LineCloser(SerialLine& line) : line_(line) {}
    ~LineCloser() { line_.Close(); }
    LineCloser(const LineCloser&) = delete;
    LineCloser& operator=(const LineCloser&) = delete;

private:
    SerialLine& line_;
};

// Boxes raised inside a handler, held to be shown after it.
class HeldBoxes final : public UiServices {
public:
    struct Box {
        std::string text;
        std::string caption;
        MessageIcon icon;
    };
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) override {
        static_cast<void>(buttons);  // the error display's boxes have OK alone
        boxes.push_back({text, caption, icon});
        return MessageAnswer::Ok;
    }
    std::vector<Box> boxes;
};

// A panel that shows a value: its accessible name is left unset, so that assistive technologies read the
// value itself and hear of each change; the caption becomes its description.
QLabel* MakeValuePanel(const char* name, const QString& caption, QWidget* parent) {
    auto* panel = new QLabel(QStringLiteral("0"), parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setAccessibleDescription(caption);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setTextFormat(Qt::PlainText);
    panel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    panel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panel->setMinimumWidth(150);
    QFont font = panel->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.4);
    panel->setFont(font);
    return panel;
}

}  // namespace

Tzantor30::Tzantor30(std::unique_ptr<SettingsBackend> settingsBackend, UiServices& ui, WallClock& clock,
                     const RegionalSettings& regional, QWidget* parent)
    : QMainWindow(parent), ui_(ui), clock_(clock), regional_(regional) {
    BuildControls();
    BuildMenu();
    settings_ = std::make_unique<SettingsStore>(std::move(settingsBackend), ui_);
    FormCreate();
}

Tzantor30::~Tzantor30() = default;

void Tzantor30::BuildControls() {
    setObjectName(QStringLiteral("zantor30"));
    setWindowTitle(QStringLiteral("ZANTOR 30"));
    setWindowIcon(MakeMenuIcon(MenuIcon::Program));
    setGeometry(kDesignLeft, kDesignTop, kDesignWidth, kDesignHeight);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);

    Panel1 = new QWidget(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* top = new QHBoxLayout(Panel1);
    top->setContentsMargins(4, 4, 4, 4);

    Label1 = new QLabel(QStringLiteral("Naměřená hodnota"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    pa_meas = MakeValuePanel("pa_meas", Label1->text(), Panel1);
    Label2 = new QLabel(QStringLiteral("Suma"), Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    pa_suma = MakeValuePanel("pa_suma", Label2->text(), Panel1);
    Label1->setBuddy(pa_meas);  // the caption labels the value for assistive technologies
    Label2->setBuddy(pa_suma);
    for (auto [label, panel] : {std::pair{Label1, pa_meas}, std::pair{Label2, pa_suma}}) {
        auto* column = new QVBoxLayout;
        column->addWidget(label);
        column->addWidget(panel);
        top->addLayout(column);
        top->addSpacing(12);
    }

    cb_run = new QCheckBox(QStringLiteral("aut. čtení"), Panel1);
    cb_run->setObjectName(QStringLiteral("cb_run"));
    cb_run->setAccessibleName(cb_run->text());
    cb_run->setFocus();  // the window's one command of its own: Space starts and stops automatic reading
    top->addWidget(cb_run, 0, Qt::AlignBottom);
    top->addStretch(1);

    // The one-reading handler belongs to a button nobody sees; the timer runs it.
    tl_read = new QPushButton(QStringLiteral("tl_read"), Panel1);
    tl_read->setObjectName(QStringLiteral("tl_read"));
    tl_read->setVisible(false);
    layout->addWidget(Panel1);

    Chart1 = new TrendChart(central);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->SetUiServices(&ui_);
    Chart1->SetValueFormatter([separator = regional_.decimalSeparator](double value) {
        return QString::fromStdString(ValueText(value, separator));
    });
    ChartRegionalFormat chartFormat;
    chartFormat.shortDateFormat = QString::fromStdString(regional_.shortDateFormat);
    chartFormat.longTimeFormat = QString::fromStdString(regional_.longTimeFormat);
    chartFormat.decimalSeparator = QLatin1Char(regional_.decimalSeparator);
    Chart1->SetRegionalFormat(chartFormat);
    layout->addWidget(Chart1, 1);
    setCentralWidget(central);

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    const char* const panelNames[] = {"Stav čtení", "Interval záznamu", "Soubor záznamu"};
    const int panelWidths[] = {70, 100, 50};
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(statusBar());
        panel->setObjectName(QStringLiteral("StatusBar1_Panel%1").arg(i));
        panel->setAccessibleDescription(QString::fromUtf8(panelNames[i]));  // the name is the text shown
        panel->setTextFormat(Qt::PlainText);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setMinimumWidth(panelWidths[i]);
        statusPanels_[i] = panel;
        // The last panel takes the rest of the bar, so a long file name shows whole.
        statusBar()->addWidget(panel, i == 2 ? 1 : 0);
    }
    statusPanels_[0]->setAlignment(Qt::AlignCenter);
    statusPanels_[0]->setText(QString::fromUtf8(kStateError));
    statusPanels_[1]->setText(QStringLiteral("1 min."));
    statusPanels_[2]->setText(QStringLiteral("c:"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimerIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &Tzantor30::Timer1Fired);
    connect(tl_read, &QPushButton::clicked, this, [this] { RunHandler(ui_, [this] { tl_readClick(); }); });
    connect(cb_run, &QCheckBox::toggled, this, [this] { RunHandler(ui_, [this] { cb_runClick(); }); });
}

QAction* Tzantor30::AddMenuItem(QMenu* menu, const char* name, const QString& caption, const QIcon& icon) {
    QAction* action = menu->addAction(icon, caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

void Tzantor30::Wire(QAction* action, void (Tzantor30::*handler)()) {
    connect(action, &QAction::triggered, this,
            [this, handler] { RunHandler(ui_, [this, handler] { (this->*handler)(); }); });
}

void Tzantor30::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    const QIcon none;

    QMenu* mn_soubor = bar->addMenu(QStringLiteral("&Soubor"));
    mn_soubor->setObjectName(QStringLiteral("mn_soubor"));
    mn_save =
        AddMenuItem(mn_soubor, "mn_save", QStringLiteral("Data ukládat do.."), MakeMenuIcon(MenuIcon::Save));
    mn_soubor->addSeparator()->setObjectName(QStringLiteral("N1"));
    mn_exit = AddMenuItem(mn_soubor, "mn_exit", QStringLiteral("&Konec"), none);

    QMenu* mn_setting = bar->addMenu(QStringLiteral("&Nastavení"));
    mn_setting->setObjectName(QStringLiteral("mn_setting"));
    mn_port = AddMenuItem(mn_setting, "mn_port", QStringLiteral("&Komunikace"), MakeMenuIcon(MenuIcon::Port));
    mn_menu = AddMenuItem(mn_setting, "mn_menu", QStringLiteral("&Parametry Zantor 30"),
                          MakeMenuIcon(MenuIcon::Parameters));
    mn_zmena_adr = AddMenuItem(mn_setting, "mn_zmena_adr", QStringLiteral("Změna adresy"), none);
    mn_setting->addSeparator()->setObjectName(QStringLiteral("N2"));
    mn_nast_graf = AddMenuItem(mn_setting, "mn_nast_graf", QStringLiteral("Nastavení &grafu"),
                               MakeMenuIcon(MenuIcon::Graph));
    mn_sampling = AddMenuItem(mn_setting, "mn_sampling", QStringLiteral("Nastavení záznamu"),
                              MakeMenuIcon(MenuIcon::Sampling));
    mn_setting->addSeparator()->setObjectName(QStringLiteral("N3"));
    mn_clr_citac = AddMenuItem(mn_setting, "mn_clr_citac", QStringLiteral("&Nulování čítače..."), none);
    NulovnSUMY1 = AddMenuItem(mn_setting, "NulovnSUMY1", QStringLiteral("Nulování &SUMY..."), none);
    mn_meas =
        AddMenuItem(mn_setting, "mn_meas", QStringLiteral("Naměřené hodnoty"), MakeMenuIcon(MenuIcon::Table));

    QMenu* mn_diagnostika = bar->addMenu(QStringLiteral("Dia&gnostika"));
    mn_diagnostika->setObjectName(QStringLiteral("mn_diagnostika"));
    mn_provoz = AddMenuItem(mn_diagnostika, "mn_provoz", QStringLiteral("Provoz linky..."), none);
    mn_statistika =
        AddMenuItem(mn_diagnostika, "mn_statistika", QStringLiteral("Statistika komunikace..."), none);

    QMenu* mn_help = bar->addMenu(QStringLiteral("Nápo&věda"));
    mn_help->setObjectName(QStringLiteral("mn_help"));
    mn_about = AddMenuItem(mn_help, "mn_about", QStringLiteral("&O alikaci"), MakeMenuIcon(MenuIcon::About));
    mn_ident =
        AddMenuItem(mn_help, "mn_ident", QStringLiteral("&Identifikace"), MakeMenuIcon(MenuIcon::Identify));

    Wire(mn_save, &Tzantor30::mn_saveClick);
    Wire(mn_exit, &Tzantor30::mn_exitClick);
    Wire(mn_port, &Tzantor30::mn_portClick);
    Wire(mn_clr_citac, &Tzantor30::mn_clr_citacClick);
    Wire(NulovnSUMY1, &Tzantor30::NulovnSUMY1Click);
    Wire(mn_menu, &Tzantor30::mn_menuClick);
    Wire(mn_zmena_adr, &Tzantor30::mn_zmena_adrClick);
    Wire(mn_nast_graf, &Tzantor30::mn_nast_grafClick);
    Wire(mn_sampling, &Tzantor30::mn_samplingClick);
    Wire(mn_meas, &Tzantor30::mn_measClick);
    Wire(mn_ident, &Tzantor30::mn_identClick);
    Wire(mn_about, &Tzantor30::mn_aboutClick);
    Wire(mn_provoz, &Tzantor30::mn_provozClick);
    Wire(mn_statistika, &Tzantor30::mn_statistikaClick);
    // Each of these opens when its window has been handed over (the program entry does that at start).
    for (QAction* item : {mn_menu, mn_zmena_adr, mn_nast_graf, mn_sampling, mn_meas, mn_about, mn_ident,
                          mn_provoz, mn_statistika}) {
        item->setEnabled(false);
    }
}

void Tzantor30::SetPortWindow(Tport* port) {
    port_ = port;
}

void Tzantor30::SetAboutBox(TAboutBox* box) {
    aboutBox_ = box;
    mn_about->setEnabled(box != nullptr);
}

void Tzantor30::SetIdentDialog(Tabout_ident* dialog) {
    aboutIdent_ = dialog;
    mn_ident->setEnabled(dialog != nullptr);
}

void Tzantor30::SetParametersDialog(TForm_menu* dialog) {
    formMenu_ = dialog;
    mn_menu->setEnabled(dialog != nullptr);
}

void Tzantor30::SetAddressDialog(TZmenaAdresy* dialog) {
    zmenaAdresy_ = dialog;
    mn_zmena_adr->setEnabled(dialog != nullptr);
}

void Tzantor30::SetRecordWindows(Trotace3D* rotace3D, TGridMeas* gridMeas, Tfile_sampling* fileSampling) {
    rotace3D_ = rotace3D;
    gridMeas_ = gridMeas;
    fileSampling_ = fileSampling;
    mn_nast_graf->setEnabled(rotace3D != nullptr);
    mn_meas->setEnabled(gridMeas != nullptr);
    mn_sampling->setEnabled(fileSampling != nullptr);
}

void Tzantor30::SetDiagnosticsWindows(TLineTraffic* traffic, TLineStatistics* statistics) {
    lineTraffic_ = traffic;
    lineStatistics_ = statistics;
    mn_provoz->setEnabled(traffic != nullptr);
    mn_statistika->setEnabled(statistics != nullptr);
}

void Tzantor30::FormCreate() {
    SettingsSequence sequence(*settings_);
    namespace s = zt30::settings;
    // Each of the four is applied before the next is read; each defaults to the window's current value.
    move(sequence.readInt(s::kLeft, x()), y());
    move(x(), sequence.readInt(s::kTop, y()));
    // The stored size is the outer one; until the window system gives the frame, it is the inner size.
    resize(width(), sequence.readInt(s::kHeight, frameGeometry().height()));
    resize(sequence.readInt(s::kWidth, frameGeometry().width()), height());
    outerSize_ = size();

    LoadGraphSettings(sequence, graph_);
    ApplyGraphLook();
    recording_ = false;
    SetIntervalText(sequence.readInt(s::kInterval));
    SetState(kStateStop);
}

void Tzantor30::ApplyGraphLook() {
    Chart1->SetColor(graph_.borderColor);
    Chart1->SetBackColor(graph_.gridColor);
    Chart1->SetChart3DPercent(graph_.graph3DPercent);
    Chart1->SetView3D(graph_.graph3D);
}

void Tzantor30::FormClose() {
    SettingsSequence sequence(*settings_);
    namespace s = zt30::settings;
    sequence.writeInt(s::kTop, y()) && sequence.writeInt(s::kLeft, x()) &&
        sequence.writeInt(s::kHeight, frameGeometry().height()) &&
        sequence.writeInt(s::kWidth, frameGeometry().width()) && SaveGraphSettings(sequence, graph_);
}

void Tzantor30::closeEvent(QCloseEvent* event) {
    Timer1->stop();
    if (gridMeas_ != nullptr) {
        RunHandler(ui_, [this] { gridMeas_->FinishRecord(); });
    }
    RunHandler(ui_, [this] { FormClose(); });
    event->accept();
}

void Tzantor30::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!placedOnScreen_) {
        placedOnScreen_ = true;
        KeepOnScreen();
    }
}

bool Tzantor30::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (outerSize_.isValid() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        ApplyOuterSize();
    }
    return handled;
}

void Tzantor30::ApplyOuterSize() {
    // The frame is known only once the window manager has framed the shown window.
    const QWindow* handle = windowHandle();
    if (!isVisible() || handle == nullptr) {
        return;
    }
    const QMargins frame = handle->frameMargins();
    if (frame.isNull()) {
        return;
    }
    const QSize outer = outerSize_;
    outerSize_ = QSize();
    resize(outer - QSize(frame.left() + frame.right(), frame.top() + frame.bottom()));
}

void Tzantor30::KeepOnScreen() {
    // A stored place on a screen that is no longer there would leave the window out of reach.
    const QRect frame = frameGeometry();
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(frame)) {
            return;
        }
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().topLeft());
    }
}

void Tzantor30::SetState(const char* text) {
    statusPanels_[0]->setText(QString::fromUtf8(text));
}

void Tzantor30::SetIntervalText(int seconds) {
    statusPanels_[1]->setText(QStringLiteral("záznam: %1 s").arg(seconds));
}

void Tzantor30::OpenLine() {
    SerialLine& line = port_->Link().line;
    if (!line.Open(port_->SelectedPort())) {
        throw line.OpenFailure();
    }
}

void Tzantor30::StopAfterPortFailure() {
    Timer1->stop();
    cb_run->setChecked(false);  // its handler sets "STOP"
    SetState(kStateError);
}

void Tzantor30::ShowValues(const std::string& meas, const std::string& sum) {
    measText_ = meas;
    sumText_ = sum;
    pa_meas->setText(QString::fromStdString(meas));
    pa_suma->setText(QString::fromStdString(sum));
}

void Tzantor30::tl_readClick() {
    SerialLine& line = port_->Link().line;
    if (!line.Open(port_->SelectedPort())) {
        StopAfterPortFailure();
        throw line.OpenFailure();
    }
    const LineCloser closer(line);
    const DeviceImage& image = port_->Link().image;
    const bool success = port_->Link().device.ReadTable(0);
    switch (cycle_.AfterReading(success)) {
        case ReadingCycle::Display::Values:
            ShowValues(ValueText(image.value, regional_.decimalSeparator),
                       ValueText(image.suma, regional_.decimalSeparator));
            SetState(kStateReading);
            break;
        case ReadingCycle::Display::Zeros:
            ShowValues("0", "0");
            break;
        case ReadingCycle::Display::Keep:
            break;
    }
    AddChartPoint(image.value);
}

void Tzantor30::Timer1Timer() {
    if (!cycle_.NewSecond(clock_.Now().local.second)) {
        return;
    }
    if (cb_run->isChecked()) {
        tl_readClick();  // the open-failure error leaves here, so that tick takes no sample
        if (gridMeas_ != nullptr && fileSampling_ != nullptr) {
            gridMeas_->addSample(measText_, sumText_, clock_.Now().local, fileSampling_->Interval());
        }
    }
}

void Tzantor30::Timer1Fired() {
    HeldBoxes held;
    RunHandler(held, [this] { Timer1Timer(); });
    for (HeldBoxes::Box& box : held.boxes) {
        QTimer::singleShot(0, this, [this, box = std::move(box)] {
            ui_.ShowMessage(box.text, box.caption, box.icon, MessageButtons::Ok);
        });
    }
}

void Tzantor30::cb_runClick() {
    if (!recording_ && cb_run->isChecked()) {
        mn_saveClick();
    }
    if (cb_run->isChecked()) {
        Timer1->start();
    } else {
        Timer1->stop();
        SetState(kStateStop);
    }
}

void Tzantor30::AddChartPoint(float y) {
    Chart1->AddLimitedPoint(graph_.graphPoints, clock_.Now().localMs, y, graph_.penColor);
}

void Tzantor30::mn_saveClick() {
    const std::optional<std::string> chosen = ui_.AskSaveFileName(RecordFileRequest(saveFileName_));
    if (!chosen) {
        return;
    }
    saveFileName_ = *chosen;
    recording_ = true;
    if (gridMeas_ != nullptr && fileSampling_ != nullptr) {
        gridMeas_->startRecord(fileSampling_->Interval(), saveFileName_);
    }
    statusPanels_[2]->setText(QString::fromStdString(saveFileName_));
}

void Tzantor30::mn_exitClick() {
    close();
}

void Tzantor30::mn_portClick() {
    TimerHoldOff holdOff(*Timer1);
    port_->ShowModal();
    port_->Link().line.Close();
}

void Tzantor30::Clear(bool sum) {
    if (ui_.ShowMessage(sum ? kSumQuestion : kCounterQuestion, kQuestionCaption, MessageIcon::Question,
                        MessageButtons::YesNo) != MessageAnswer::Yes) {
        return;
    }
    OpenLine();
    const LineCloser closer(port_->Link().line);
    DeviceOperations& device = port_->Link().device;
    sum ? device.ClearSum() : device.ClearCounter();  // a failure is not reported
}

void Tzantor30::ShowWithLine(const std::function<void()>& showDialog) {
    TimerHoldOff holdOff(*Timer1);
    try {
        OpenLine();
    } catch (...) {
        // The failed open reset the port choice, so a reading would fail too, with a second box: automatic
        // reading goes off now, as after a reading's port failure, and the one box says why.
        if (holdOff.Release()) {
            StopAfterPortFailure();
        }
        throw;
    }
    const LineCloser closer(port_->Link().line);
    showDialog();
}

void Tzantor30::mn_menuClick() {
    ShowWithLine([this] { formMenu_->ShowModal(); });
}

void Tzantor30::mn_zmena_adrClick() {
    ShowWithLine([this] { zmenaAdresy_->ShowModal(); });
}

void Tzantor30::mn_identClick() {
    ShowWithLine([this] { aboutIdent_->ShowModal(); });
}

void Tzantor30::mn_aboutClick() {
    aboutBox_->ShowModal();
}

void Tzantor30::mn_clr_citacClick() {
    Clear(false);
}

void Tzantor30::NulovnSUMY1Click() {
    Clear(true);
}

void Tzantor30::mn_nast_grafClick() {
    rotace3D_->LoadFrom(graph_);
    if (rotace3D_->ShowModal() == kModalCancel) {
        rotace3D_->RestoreChart(graph_);
    } else {
        // Nothing is stored before the window closes; the new pen colour is for points added from now on.
        rotace3D_->TakeOver(graph_);
    }
}

void Tzantor30::mn_samplingClick() {
    fileSampling_->ShowModal();
    SetIntervalText(fileSampling_->Interval());
}

void Tzantor30::mn_measClick() {
    gridMeas_->ShowModal();
}

// The monitor's windows are not modal and never use the line: the timer runs on.
void Tzantor30::mn_provozClick() {
    lineTraffic_->ShowWindow();
}

void Tzantor30::mn_statistikaClick() {
    lineStatistics_->ShowWindow();
}

}  // namespace zt30
