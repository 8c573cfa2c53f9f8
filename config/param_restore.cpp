#include "config/param_restore.h"

#include "base/text_rules.h"
#include "link/instrument_tasks.h"

namespace zt30 {

namespace {

std::string ConfigText(std::uint8_t config) {
    std::string text = "0x";
    AppendHexByte(text, config);
    return text;
}

}  // namespace

std::vector<std::uint8_t> TableBytes(int table, const DeviceImage& image) {
    std::vector<std::uint8_t> bytes(TableLength(table));
    EncodeTable(table, image, bytes);
    return bytes;
}

std::vector<ParamChange> ParamChanges(const DeviceImage& before, const DeviceImage& after) {
    std::vector<ParamChange> changes;
    for (const ParamInfo& param : AllParams()) {
        if (param.kind == ParamKind::ConfigSwitch) {
            continue;
        }
        // The shown texts tell floats apart by their bits, and every other value exactly.
        std::string old = ParamValueShown(param, before);
        std::string now = ParamValueShown(param, after);
        if (old != now) {
            changes.push_back({std::string(param.name), std::move(old), std::move(now)});
        }
    }
    if (before.config != after.config) {
        changes.push_back({kConfigName, ConfigText(before.config), ConfigText(after.config)});
        for (const ParamInfo& param : AllParams()) {
            if (param.kind == ParamKind::ConfigSwitch &&
                ((before.config ^ after.config) >> param.switchBit & 1)) {
                changes.push_back({std::string(param.name), ParamValueShown(param, before),
                                   ParamValueShown(param, after), true});
            }
        }
    }
    return changes;
}

std::vector<int> TablesThatDiffer(const DeviceImage& a, const DeviceImage& b) {
    std::vector<int> tables;
    for (const int table : kParamTables) {
        if (TableBytes(table, a) != TableBytes(table, b)) {
            tables.push_back(table);
        }
    }
    return tables;
}

RestoreReport RestoreParamFile(DeviceOperations& ops, Clock& clock, const ParamFile& file, RestoreMode mode) {
    RestoreReport report;
    const TableTransfer read = ReadTables(ops, clock, kParamTables, OnTableFailure::Stop);
    if (!read.Ok()) {
        report.outcome = RestoreOutcome::ReadFailed;
        report.failedTable = read.failed.front();
        return report;
    }
    const DeviceImage instrument = ops.Image();
    DeviceImage wanted = instrument;
    ApplyParamFile(file, wanted);
    report.changes = ParamChanges(instrument, wanted);
    report.tables = TablesThatDiffer(instrument, wanted);
    if (mode == RestoreMode::Compare || report.tables.empty()) {
        return report;
    }

    ops.Image() = wanted;
    TableTransfer written = WriteTables(ops, clock, report.tables, OnTableFailure::Stop);
    report.written = std::move(written.done);
    if (!written.Ok()) {
        report.outcome = RestoreOutcome::WriteFailed;
        report.failedTable = written.failed.front();
        return report;
    }
    // The proof: what the instrument now holds, byte for byte. A failed read leaves the image as written, so
    // it is told apart by its result, not by the bytes.
    ReadTables(ops, clock, report.written, OnTableFailure::GoOn, [&](int table, bool ok) {
        ReadBackFault fault{table, TableBytes(table, wanted), {}, {}};
        if (ok) {
            fault.read = TableBytes(table, ops.Image());
            if (fault.read == fault.wanted) {
                return;
            }
            DeviceImage read = wanted;
            DecodeTable(table, fault.read, read);
            fault.differences = ParamChanges(wanted, read);
        }
        report.readBackFaults.push_back(std::move(fault));
    });
    if (!report.readBackFaults.empty()) {
        report.outcome = RestoreOutcome::ReadBackFailed;
    }
    return report;
}

}  // namespace zt30
