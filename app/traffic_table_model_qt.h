// The rows of the "Provoz linky" window: one row for each record of the line monitor's traffic ring, read in
// place (nothing is copied), with the time, direction, bytes, meaning, outcome and response times as texts.
// Update() takes what the ring recorded since the last call and drops the rows whose records the ring has
// overwritten; failed reads are marked in colour.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <functional>

#include "config/regional_settings.h"
#include "link/traffic_ring.h"

namespace zt30 {

// The Czech text of an outcome, as the monitor windows show it ("přijato", "krátká odpověď", ...).
QString TrafficOutcomeText(TrafficOutcome outcome);

class TrafficTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kTime, kDirection, kBytes, kMeaning, kOutcome, kResponse, kColumnCount };

    // Rows whose records left (at the top) and records that joined (at the bottom). When both happen, as
    // many rows as do both stay in place and show later records, so the view repaints and need not move
    // rows; what was in row r is then in row r - removed.
    struct UpdateResult {
        int removed = 0;
        int added = 0;
    };

    using LocalTimeOf = std::function<LocalDateTime(std::int64_t wallUs)>;

    // ring must outlive the model; localTime turns a record's wall time into the local time shown (the
    // system's time zone when empty).
    TrafficTableModel(const TrafficRing& ring, const RegionalSettings& regional, LocalTimeOf localTime = {},
                      QObject* parent = nullptr);

    // Drops the rows of records the ring no longer holds and, when takeNew, appends the records recorded
    // since; without takeNew the list keeps its last state (paused).
    UpdateResult Update(bool takeNew);
    // Empties the list; only records made after this are shown.
    void Clear();
    // Records recorded but not shown yet (while paused).
    std::uint64_t Waiting() const;

    // The record of a row, or nullptr when the ring has overwritten it since the last update.
    const TrafficRecord* Record(int row) const;
    // A column's text for a record, as the table shows it.
    QString Text(const TrafficRecord& record, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // The request a received record answers: the last transmission of its exchange before it.
    std::span<const std::uint8_t> RequestBefore(const TrafficRecord& record) const;
    QString Milliseconds(std::int64_t us) const;

    const TrafficRing& ring_;
    RegionalSettings regional_;
    LocalTimeOf localTime_;
    std::uint64_t first_ = 0;  // the sequence number of row 0
    std::uint64_t end_ = 0;    // one past the last row's
};

}  // namespace zt30
