// The grid's model of the measured-values table: 399 rows and 4 columns that always exist (empty until
// filled), with the headings "Naměřená", "SUMA", "datum" and "čas". Rows are never inserted or removed, only
// changed, so a view stays on the rows the user scrolled to while the table fills and, once full, moves up
// under it.
#pragma once

#include <QAbstractTableModel>

#include "views/measured_values_table.h"

namespace zt30 {

class MeasuredValuesModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MeasuredValuesModel)

public:
    explicit MeasuredValuesModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Puts a sample into the table (MeasuredValuesTable::Put) and tells the views which rows changed: the
    // one row while the table fills, every row once it is full. Returns the sample row filled (1 to 399).
    int Put(SampleRow row);

    // The table, for its counting and for reading the rows.
    MeasuredValuesTable& Table() { return table_; }
    const MeasuredValuesTable& Table() const { return table_; }

private:
    MeasuredValuesTable table_;
};

}  // namespace zt30
