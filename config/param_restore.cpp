#include "config/param_restore.h"

#include "base/text_rules.h"

namespace zt30 {

namespace {

constexpr int kFirstTable = 1;
constexpr int kLastTable = 4;
constexpr int kWritePauseMs = 100;

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
    for (int table = kFirstTable; table <= kLastTable; ++table) {
        if (TableBytes(table, a) != TableBytes(table, b)) {
            tables.push_back(table);
        }
    }
    return tables;
}

RestoreReport RestoreParamFile(DeviceOperations& ops, Clock& clock, const ParamFile& file, RestoreMode mode) {
    RestoreReport report;
    for (int table = kFirstTable; table <= kLastTable; ++table) {
        if (!ops.ReadTable(table)) {
            report.outcome = RestoreOutcome::ReadFailed;
            report.failedTable = table;
            return report;
        }
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
    for (const int table : report.tables) {
        if (!ops.WriteTable(table)) {
            report.outcome = RestoreOutcome::WriteFailed;
            report.failedTable = table;
            return report;
        }
        report.written.push_back(table);
        clock.SleepMs(kWritePauseMs);
    }
    // The proof: what the instrument now holds, byte for byte. A failed read leaves the image as written, so
    // it is told apart by its result, not by the bytes.
    for (const int table : report.written) {
        ReadBackFault fault{table, TableBytes(table, wanted), {}, {}};
        if (ops.ReadTable(table)) {
            fault.read = TableBytes(table, ops.Image());
            if (fault.read == fault.wanted) {
                continue;
            }
            DeviceImage read = wanted;
            DecodeTable(table, fault.read, read);
            fault.differences = ParamChanges(wanted, read);
        }
        report.readBackFaults.push_back(std::move(fault));
    }
    if (!report.readBackFaults.empty()) {
        report.outcome = RestoreOutcome::ReadBackFailed;
    }
    return report;
}

}  // namespace zt30
