// The measurement recorder: the interval count, the table of the latest 399 samples, the record line and the
// record file with its kept lines and its outage. The reading cycle hands it the texts of each reading as
// they were shown and the local time; it answers what happened (a row filled, a line written, lines kept, a
// box due), and whoever owns it shows that. It never shows anything itself, so a reading is never held up by
// it; a box is due once per outage of the file, not at every sample while the outage lasts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "config/regional_settings.h"
#include "views/measured_values_table.h"
#include "views/record_file.h"

namespace zt30 {

// The boxes of the record file (caption "CHYBA", exclamation icon, OK); the chart's export shows them too.
inline constexpr char kCannotOpenOutputFile[] = "Nemůže otevřít výstupní soubor";
inline constexpr char kCannotWriteOutputFile[] = "Nepodařilo se zapsat výstupní soubor";
inline constexpr char kRecordErrorCaption[] = "CHYBA";

enum class RecordMessage {
    None,
    CannotOpen,    // an outage began: the file does not open
    CannotWrite,   // an outage began: the file opened but a line did not reach it whole (a full disk)
    LinesDropped,  // the outage is over, and it lasted past the kept lines' limit
};

struct RecordOutcome {
    int row = 0;                // the sample row filled (1 to 399); 0 when the call took no sample
    bool rowsMoved = false;     // the table was full, so every row moved up by one
    bool lineWritten = false;   // the sample's line, and every line kept before it, is in the file
    std::size_t keptLines = 0;  // lines waiting for the file after this call
    RecordMessage message = RecordMessage::None;  // a box is due
    std::uint64_t droppedLines = 0;               // for LinesDropped: how many were lost
};

// The text of the box for message (empty for None).
std::string RecordMessageText(RecordMessage message, std::uint64_t droppedLines);

class MeasurementRecorder final {
public:
    // files must outlive the recorder; the date and time of a row follow regional.
    MeasurementRecorder(RecordFileSystem& files, const RegionalSettings& regional,
                        std::size_t keptLimit = RecordFile::kDefaultKeptLimit);

    // A record file was chosen (path in UTF-8): every later sample's line goes there, and the next call of
    // addSample takes a sample at once.
    void startRecord(std::int32_t interval, std::string path);

    // One call per reading of automatic reading, with the value and sum texts as shown and the local time.
    // Every interval-th call (every call for an interval of 0 or below) fills a row and, once a record file
    // was chosen, appends that row's line through appendRowToFile.
    RecordOutcome addSample(const std::string& valueText, const std::string& sumText,
                            const LocalDateTime& now, std::int32_t interval);

    // The end of the run: one more attempt to write the kept lines, to the record file or, when path is
    // given, to that file. True when no line is left unwritten.
    bool WriteKept(const std::string& path = {});

    bool Recording() const { return recording_; }
    const std::string& Path() const { return path_; }
    const MeasuredValuesTable& Table() const { return table_; }
    const RecordFile& File() const { return file_; }

private:
    // Appends the line of sample row `row` after the kept lines and fills in what it did.
    void appendRowToFile(int row, RecordOutcome& outcome);

    RecordFile file_;
    RegionalSettings regional_;
    MeasuredValuesTable table_;
    std::string path_;
    bool recording_ = false;
    bool outage_ = false;  // a failure was reported and no line has been written since
};

}  // namespace zt30
