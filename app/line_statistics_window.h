// The window "Statistika komunikace": the line monitor's statistics since the last reset, one column for the
// whole line and one for each station address that was asked anything, one row for each counter (requests,
// re-sends, accepted answers, each kind of failure, purges) and for the response time minimum, median and
// maximum. Non-modal and never touching the line; while shown it takes the new figures four times a second,
// and "Vynulovat" starts the statistics again.
#pragma once

#include <QSize>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "config/regional_settings.h"
#include "link/line_monitor.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

namespace zt30 {

class TLineStatistics final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TLineStatistics)

public:
    using LocalNow = std::function<LocalDateTime()>;

    // monitor must outlive the window; localNow (the system's local time when empty) dates the start of the
    // statistics.
    TLineStatistics(LineMonitor& monitor, const RegionalSettings& regional, QWidget* parent,
                    LocalNow localNow = {});
    ~TLineStatistics() override;

    // Shows the window with the current figures and brings it to the front.
    void ShowWindow();

    // The handlers, as the window's timer and button run them.
    // Shows the figures again when they changed since last shown.
    void Timer1Timer();
    // Starts the statistics again from zero.
    void tl_vynulovatClick();

    // The text of a counter row's cell: the column "Celkem" (0) or a station's (1 ...).
    QString CellText(int row, int column) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();
    // The size that shows every row and three columns.
    QSize PreferredSize() const;
    void ShowFigures();
    void ShowStart();

    LineMonitor& monitor_;
    LocalNow localNow_;
    RegionalSettings regional_;
    std::uint64_t shownVersion_ = 0;
    bool shownOnce_ = false;
    bool placed_ = false;
    LocalDateTime start_;

    QTableWidget* str_statistika = nullptr;
    QPushButton* tl_vynulovat = nullptr;
    QLabel* lb_od = nullptr;
    QTimer* Timer1 = nullptr;
};

}  // namespace zt30
