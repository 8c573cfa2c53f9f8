// Comparing a parameter file with an instrument and writing it there with proof: tables 1 to 4 are read, the
// file's values applied to a copy, only the tables whose bytes then differ are written, and those are read
// back and compared byte for byte. zt30ctl's diff, restore and restore --dry-run are this over the open line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/param_backup.h"
#include "link/clock.h"
#include "link/device.h"

namespace zt30 {

// One parameter whose value differs, as ParamValueShown writes both values. After a CONFIG change come the
// switches that changed with it (`part` set).
struct ParamChange {
    std::string name;
    std::string before;
    std::string after;
    bool part = false;

    friend bool operator==(const ParamChange&, const ParamChange&) = default;
};

// The parameters of tables 1 to 4 that differ between the images (floats by their bits), in the parameters
// dialog's order, CONFIG last.
std::vector<ParamChange> ParamChanges(const DeviceImage& before, const DeviceImage& after);

// The tables 1 to 4 whose bytes differ between the images, in order.
std::vector<int> TablesThatDiffer(const DeviceImage& a, const DeviceImage& b);

// The bytes of table n (1 to 4) of the image, as they travel.
std::vector<std::uint8_t> TableBytes(int table, const DeviceImage& image);

enum class RestoreMode { Compare, Write };

enum class RestoreOutcome {
    Done,           // compared, or written and every written table read back as written
    ReadFailed,     // a table could not be read at first: nothing written
    WriteFailed,    // a write was not acknowledged: the tables after it not written
    ReadBackFailed  // a written table did not answer, or reads back other bytes
};

// A written table whose read-back did not prove the write.
struct ReadBackFault {
    int table = 0;
    std::vector<std::uint8_t> wanted;
    std::vector<std::uint8_t> read;        // empty when the read-back got no valid answer
    std::vector<ParamChange> differences;  // wanted -> read
};

struct RestoreReport {
    RestoreOutcome outcome = RestoreOutcome::Done;
    int failedTable = 0;               // ReadFailed, WriteFailed
    std::vector<ParamChange> changes;  // instrument -> file
    std::vector<int> tables;           // the tables that differ, to be written
    std::vector<int> written;          // the tables acknowledged
    std::vector<ReadBackFault> readBackFaults;
};

// Reads tables 1 to 4 and compares them with the file; with RestoreMode::Write also writes the tables that
// differ and reads them back, with the pauses of ReadTables and WriteTables.
// The line must be open; the image ends with what was last read or written.
RestoreReport RestoreParamFile(DeviceOperations& ops, Clock& clock, const ParamFile& file, RestoreMode mode);

}  // namespace zt30
