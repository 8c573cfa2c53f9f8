// The measured-values table behind the window GridMeas: up to 399 sample rows of four texts (value, sum,
// date, time), filled once per recording interval counted in calls of the reading cycle. The rows live in a
// fixed ring, so a sample costs the same whether the table is filling or full (when full the oldest row goes
// and the others move up by one without being copied). The texts come from the caller; what is written to the
// record file is decided by the window.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zt30 {

// A sample row's four cells, in column order: measured-value text, sum text, date, time.
using SampleRow = std::array<std::string, 4>;

class MeasuredValuesTable final {
public:
    // Sample rows are 1 to kSampleRows; row 0 of the grid is its heading.
    static constexpr int kSampleRows = 399;
    static constexpr int kColumns = 4;

    // Sets sampleCounter to interval, so that the next call of CountCall takes a sample.
    void startRecord(std::int32_t interval);

    // One call of the reading cycle: counts it and tells whether it takes a sample (then the count starts
    // again). An interval of 0 or below takes a sample at every call; a count already at or above a lowered
    // interval takes one at the next call.
    bool CountCall(std::int32_t interval);

    // Puts a sample into the next free row, or, once all 399 are filled, drops row 1, moves the others up
    // by one and puts it into row 399. Sets lastRow and returns the row filled.
    int Put(SampleRow row);

    // The text of a sample row's cell; an empty text for a row not yet filled or out of range.
    const std::string& Cell(int row, int column) const;
    // The four cells of a sample row; empty texts for a row not yet filled or out of range.
    const SampleRow& Row(int row) const;

    // The row the next sample goes to while the table is filling (1 to 400; 400 once it is full).
    int NextFreeRow() const { return filled_ + 1; }
    // Number of filled sample rows, 0 to 399.
    int FilledRows() const { return filled_; }
    bool Full() const { return filled_ == kSampleRows; }
    // Calls counted since the last sample.
    std::int32_t SampleCounter() const { return sampleCounter; }
    // The row filled by the last sample (1 before the first).
    int LastRow() const { return lastRow; }

private:
    // The ring slot of sample row `row` (1-based).
    int Slot(int row) const { return (first_ + row - 1) % kSampleRows; }

    std::array<SampleRow, kSampleRows> rows_{};
    int first_ = 0;   // slot of row 1
    int filled_ = 0;  // filled sample rows
    std::int32_t sampleCounter = 0;
    int lastRow = 1;
};

}  // namespace zt30
