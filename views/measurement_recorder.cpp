#include "views/measurement_recorder.h"

#include <utility>

#include "views/record_line.h"

namespace zt30 {

std::string RecordMessageText(RecordMessage message, std::uint64_t droppedLines) {
    switch (message) {
        case RecordMessage::None:
            break;
        case RecordMessage::CannotOpen:
            return kCannotOpenOutputFile;
        case RecordMessage::CannotWrite:
            return kCannotWriteOutputFile;
        case RecordMessage::LinesDropped:
            return "Výstupní soubor je opět zapisován.\nZahozeno nejstarších neuložených řádků: " +
                   std::to_string(droppedLines);
    }
    return {};
}

MeasurementRecorder::MeasurementRecorder(RecordFileSystem& files, const RegionalSettings& regional,
                                         std::size_t keptLimit)
    : file_(files, keptLimit), regional_(regional) {}

void MeasurementRecorder::startRecord(std::int32_t interval, std::string path) {
    table_.startRecord(interval);
    path_ = std::move(path);
    recording_ = true;
}

RecordOutcome MeasurementRecorder::addSample(const std::string& valueText, const std::string& sumText,
                                             const LocalDateTime& now, std::int32_t interval) {
    RecordOutcome outcome;
    if (!table_.CountCall(interval)) {
        outcome.keptLines = file_.KeptLines();
        return outcome;
    }
    outcome.rowsMoved = table_.Full();
    outcome.row = table_.Put(
        SampleRow{valueText, sumText, ShortDateText(now, regional_), LongTimeText(now, regional_)});
    // The line is built from the row just filled, so every sample reaches the file once, the newest included.
    if (recording_) {
        appendRowToFile(outcome.row, outcome);
    }
    outcome.keptLines = file_.KeptLines();
    return outcome;
}

void MeasurementRecorder::appendRowToFile(int row, RecordOutcome& outcome) {
    const SampleRow& cells = table_.Row(row);
    const std::uint64_t writtenBefore = file_.WrittenLines();
    const AppendResult result =
        file_.Append(path_, ToSystemCodePage(RecordLine(cells[0], cells[1], cells[2], cells[3])));
    if (file_.WrittenLines() > writtenBefore) {
        // A line reached the file: the outage is over, and the next failure is a new one.
        outage_ = false;
    }
    outcome.lineWritten = result == AppendResult::Written;
    if (outcome.lineWritten) {
        if (const std::uint64_t dropped = file_.TakeDroppedLines(); dropped > 0) {
            outcome.message = RecordMessage::LinesDropped;
            outcome.droppedLines = dropped;
        }
    } else if (!outage_) {
        outage_ = true;
        outcome.message =
            result == AppendResult::CannotOpen ? RecordMessage::CannotOpen : RecordMessage::CannotWrite;
    }
}

bool MeasurementRecorder::WriteKept(const std::string& path) {
    const std::uint64_t writtenBefore = file_.WrittenLines();
    const bool written = file_.WriteKept(path.empty() ? path_ : path) == AppendResult::Written;
    if (file_.WrittenLines() > writtenBefore) {
        outage_ = false;
    }
    return written;
}

}  // namespace zt30
