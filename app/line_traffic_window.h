// The window "Provoz linky": the frames on the line as the line monitor recorded them, one row each (time,
// direction, bytes, meaning, outcome, response times), failed reads in colour. Non-modal: it stays usable
// while automatic reading and the program's dialogs run, and never touches the line. While shown it takes the
// new frames every 100 ms and follows the newest unless the user has scrolled away; "Pozastavit" holds the
// list still, "Vymazat" empties it, "Uložit jako..." writes its lines to a text file.
#pragma once

#include <QSize>
#include <QWidget>

#include "app/traffic_table_model_qt.h"
#include "config/regional_settings.h"
#include "link/line_monitor.h"
#include "link/ui_services.h"

class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace zt30 {

class TLineTraffic final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TLineTraffic)

public:
    // monitor and ui must outlive the window; localTime as for TrafficTableModel.
    TLineTraffic(LineMonitor& monitor, UiServices& ui, const RegionalSettings& regional, QWidget* parent,
                 TrafficTableModel::LocalTimeOf localTime = {});
    ~TLineTraffic() override;

    // Shows the window with the frames recorded so far and brings it to the front.
    void ShowWindow();

    // The handlers, as the window's timer and buttons run them.
    // Takes the new frames (unless paused) and follows the newest one if the view was at the end.
    void Timer1Timer();
    // "Pozastavit" / "Pokračovat".
    void tl_pozastavitClick();
    // Empties the list; frames recorded from now on are shown.
    void tl_vymazatClick();
    // Asks for a file name and writes the list's lines there (UTF-8, CR LF, columns separated by tabs).
    void tl_ulozitClick();

    bool Paused() const { return paused_; }
    TrafficTableModel& Model() { return *model_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();
    // Narrows the widest columns as far as the window is narrower than preferred.
    void FitColumns();
    void ShowCount();

    UiServices& ui_;
    TrafficTableModel* model_ = nullptr;
    bool paused_ = false;
    bool placed_ = false;
    QSize preferredSize_;

    QTableView* str_provoz = nullptr;
    QPushButton* tl_pozastavit = nullptr;
    QPushButton* tl_vymazat = nullptr;
    QPushButton* tl_ulozit = nullptr;
    QLabel* lb_pocet = nullptr;
    QTimer* Timer1 = nullptr;
};

}  // namespace zt30
