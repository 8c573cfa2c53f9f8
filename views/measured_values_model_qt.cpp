#include "views/measured_values_model_qt.h"

namespace zt30 {

namespace {

const char* const kHeadings[MeasuredValuesTable::kColumns] = {"Naměřená", "SUMA", "datum", "čas"};

}  // namespace

MeasuredValuesModel::MeasuredValuesModel(const MeasuredValuesTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {}

int MeasuredValuesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : MeasuredValuesTable::kSampleRows;
}

int MeasuredValuesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : MeasuredValuesTable::kColumns;
}

QVariant MeasuredValuesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)) {
        return {};
    }
    // Model row 0 is sample row 1: the grid's heading row is the view's header.
    return QString::fromStdString(table_.Cell(index.row() + 1, index.column()));
}

QVariant MeasuredValuesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Horizontal && section >= 0 && section < MeasuredValuesTable::kColumns) {
        return QString::fromUtf8(kHeadings[section]);
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    return {};
}

Qt::ItemFlags MeasuredValuesModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void MeasuredValuesModel::SampleAdded(int row, bool rowsMoved) {
    const int first = rowsMoved ? 0 : row - 1;
    emit dataChanged(index(first, 0), index(row - 1, MeasuredValuesTable::kColumns - 1), {Qt::DisplayRole});
}

}  // namespace zt30
