#include "views/measured_values_table.h"

#include <limits>
#include <utility>

namespace zt30 {

namespace {

const std::string kEmptyCell;
const SampleRow kEmptyRow{};

}  // namespace

void MeasuredValuesTable::startRecord(std::int32_t interval) {
    sampleCounter = interval;
}

bool MeasuredValuesTable::CountCall(std::int32_t interval) {
    // A counter started at the largest interval must not run over when the call is counted.
    if (sampleCounter < std::numeric_limits<std::int32_t>::max()) {
        ++sampleCounter;
    }
    if (sampleCounter < interval) {
        return false;
    }
    sampleCounter = 0;
    return true;
}

int MeasuredValuesTable::Put(SampleRow row) {
    int target = 0;
    if (filled_ < kSampleRows) {
        ++filled_;
        target = filled_;
    } else {
        // The slot of the oldest row becomes the slot of the new last row.
        first_ = (first_ + 1) % kSampleRows;
        target = kSampleRows;
    }
    rows_[static_cast<std::size_t>(Slot(target))] = std::move(row);
    lastRow = target;
    return target;
}

const std::string& MeasuredValuesTable::Cell(int row, int column) const {
    if (row < 1 || row > filled_ || column < 0 || column >= kColumns) {
        return kEmptyCell;
    }
    return rows_[static_cast<std::size_t>(Slot(row))][static_cast<std::size_t>(column)];
}

const SampleRow& MeasuredValuesTable::Row(int row) const {
    if (row < 1 || row > filled_) {
        return kEmptyRow;
    }
    return rows_[static_cast<std::size_t>(Slot(row))];
}

}  // namespace zt30
