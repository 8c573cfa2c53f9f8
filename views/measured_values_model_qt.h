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
    // Shows table, which must outlive the model.
    explicit MeasuredValuesModel(const MeasuredValuesTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // A sample filled sample row `row` (1 to 399): tells the views which rows changed, the one row while the
    // table fills, every row once it is full (rowsMoved).
    void SampleAdded(int row, bool rowsMoved);

private:
    const MeasuredValuesTable& table_;
};

}  // namespace zt30
