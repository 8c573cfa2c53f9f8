// The main window `zantor30`: the measured value and the sum, the time chart of the value, the three-panel
// status bar and the menu that leads to every other window. It owns the settings store, the chart's settings
// (GraphSettings) and the `recording` flag, and runs the reading cycle: every 200 ms its timer looks at the
// wall clock, and once per new second (while "aut. čtení" is ticked) it opens the port chosen in the port
// window, reads table 0, shows the value texts, adds a chart point, closes the line and hands the reading to
// the measured-values record.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "app/reading_cycle.h"
#include "app/wall_clock.h"
#include "config/regional_settings.h"
#include "link/ui_services.h"
#include "views/graph_settings.h"
#include "views/settings_store.h"

class QAction;
class QCheckBox;
class QIcon;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

namespace zt30 {

class TLineStatistics;
class TLineTraffic;
class TrendChart;
class Tport;
class TAboutBox;
class Tabout_ident;
class TForm_menu;
class TZmenaAdresy;
class Trotace3D;
class TGridMeas;
class Tfile_sampling;

// The status bar's run-state texts.
inline constexpr char kStateStop[] = "STOP";
inline constexpr char kStateReading[] = "ČTENÍ";
inline constexpr char kStateError[] = "ERROR";

class Tzantor30 final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Tzantor30)

public:
    // Builds the window, opens the settings store over settingsBackend, then runs FormCreate. ui, clock and
    // the later windows must outlive it.
    Tzantor30(std::unique_ptr<SettingsBackend> settingsBackend, UiServices& ui, WallClock& clock,
              const RegionalSettings& regional, QWidget* parent = nullptr);
    ~Tzantor30() override;

    // The windows created after this one, handed over by the program entry.
    void SetPortWindow(Tport* port);
    // Each enables its menu item.
    void SetAboutBox(TAboutBox* box);
    void SetIdentDialog(Tabout_ident* dialog);
    void SetParametersDialog(TForm_menu* dialog);
    void SetAddressDialog(TZmenaAdresy* dialog);
    // The record's windows; every reading of automatic reading is handed to gridMeas with the interval of
    // fileSampling.
    void SetRecordWindows(Trotace3D* rotace3D, TGridMeas* gridMeas, Tfile_sampling* fileSampling);
    // The line monitor's two windows, opened from the menu "Diagnostika".
    void SetDiagnosticsWindows(TLineTraffic* traffic, TLineStatistics* statistics);

    SettingsStore& Settings() { return *settings_; }
    const GraphSettings& Graph() const { return graph_; }
    TrendChart& Chart() { return *Chart1; }

    // Whether a record file was chosen in this run, and the file name the save dialog holds.
    bool Recording() const { return recording_; }
    const std::string& RecordFileName() const { return saveFileName_; }

    // Handlers, each run through the error display by its control; public so tests can run them directly.
    void FormCreate();
    void FormClose();
    // One reading: throws the open-failure error (after switching automatic reading off) when the port does
    // not open.
    void tl_readClick();
    // The timer's tick; throws what the reading throws (Timer1 itself shows it only after the tick).
    void Timer1Timer();
    void cb_runClick();
    void AddChartPoint(float y);
    void mn_saveClick();
    void mn_exitClick();
    void mn_portClick();
    void mn_clr_citacClick();
    void NulovnSUMY1Click();
    // The dialogs that talk to the instrument: Timer1 held off and the line open while each is shown; an
    // open failure raises its error and the dialog is not shown.
    void mn_menuClick();
    void mn_zmena_adrClick();
    void mn_identClick();
    void mn_aboutClick();
    // Graph settings: loads the dialog, shows it, then puts the chart back (Storno) or takes the new values.
    void mn_nast_grafClick();
    // Recording interval: shows the dialog, then the status text from its interval, whatever the result.
    void mn_samplingClick();
    // The measured-values window, modal; the table goes on filling behind it.
    void mn_measClick();
    void mn_provozClick();
    void mn_statistikaClick();

protected:
    // Stops the reading, gives the record its last attempt at the kept lines, then runs FormClose.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    QAction* AddMenuItem(QMenu* menu, const char* name, const QString& caption, const QIcon& icon);
    // Runs handler through the error display when the item is chosen.
    void Wire(QAction* action, void (Tzantor30::*handler)());
    void ApplyGraphLook();
    // Runs Timer1Timer; a box it raises is shown once the handler has returned, so that the timer, which the
    // toolkit does not fire again while its own handler runs, goes on firing while the box is open.
    void Timer1Fired();
    // Shows the value texts and keeps them for the record.
    void ShowValues(const std::string& meas, const std::string& sum);
    // Automatic reading off after a port failure: the box unticked, "ERROR" in the status bar.
    void StopAfterPortFailure();
    // Once the window system has given the window its frame: the stored outer size applied to the frame.
    void ApplyOuterSize();
    void SetState(const char* text);
    void SetIntervalText(int seconds);
    // Opens the line for the port chosen in the port window; throws the open-failure error when it fails.
    void OpenLine();
    void Clear(bool sum);
    // Holds Timer1 off, opens the line, runs showDialog and closes the line again.
    void ShowWithLine(const std::function<void()>& showDialog);
    void KeepOnScreen();

    UiServices& ui_;
    WallClock& clock_;
    RegionalSettings regional_;
    std::unique_ptr<SettingsStore> settings_;
    Tport* port_ = nullptr;
    TAboutBox* aboutBox_ = nullptr;
    Tabout_ident* aboutIdent_ = nullptr;
    TForm_menu* formMenu_ = nullptr;
    TZmenaAdresy* zmenaAdresy_ = nullptr;
    Trotace3D* rotace3D_ = nullptr;
    TGridMeas* gridMeas_ = nullptr;
    Tfile_sampling* fileSampling_ = nullptr;
    TLineTraffic* lineTraffic_ = nullptr;
    TLineStatistics* lineStatistics_ = nullptr;

    GraphSettings graph_;
    bool recording_ = false;
    std::string saveFileName_ = "Zantor30.txt";
    ReadingCycle cycle_;
    std::string measText_ = "0";
    std::string sumText_ = "0";
    bool placedOnScreen_ = false;
    // The outer size read at creation, applied once the frame is known (empty when done).
    QSize outerSize_;

    // Controls, named as the window's design names them.
    QWidget* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* pa_meas = nullptr;
    QLabel* pa_suma = nullptr;
    QCheckBox* cb_run = nullptr;
    QPushButton* tl_read = nullptr;
    TrendChart* Chart1 = nullptr;
    QLabel* statusPanels_[3] = {nullptr, nullptr, nullptr};
    QTimer* Timer1 = nullptr;
    QAction* mn_save = nullptr;
    QAction* mn_exit = nullptr;
    QAction* mn_port = nullptr;
    QAction* mn_menu = nullptr;
    QAction* mn_zmena_adr = nullptr;
    QAction* mn_nast_graf = nullptr;
    QAction* mn_sampling = nullptr;
    QAction* mn_clr_citac = nullptr;
    QAction* NulovnSUMY1 = nullptr;
    QAction* mn_meas = nullptr;
    QAction* mn_about = nullptr;
    QAction* mn_ident = nullptr;
    QAction* mn_provoz = nullptr;
    QAction* mn_statistika = nullptr;
};

}  // namespace zt30
