#include "cli/backup_commands.h"

#include <fstream>
#include <vector>

#include "base/file_by_rename.h"
#include "base/text_rules.h"
#include "cli/printable.h"
#include "config/param_restore.h"
#include "link/instrument_tasks.h"

namespace zt30::cli {

namespace {

int Fail(CommandContext& context, const std::string& message) {
    context.err << message << '\n';
    return kExitFailure;
}

std::string Shown(const std::string& path) {
    return PrintableText(path);
}

// "1, 3"
std::string TableList(const std::vector<int>& tables) {
    std::string list;
    for (const int table : tables) {
        list += (list.empty() ? "" : ", ") + std::to_string(table);
    }
    return list;
}

std::string Tables(const std::vector<int>& tables) {
    return (tables.size() == 1 ? "table " : "tables ") + TableList(tables);
}

void PrintChanges(std::ostream& out, const std::vector<ParamChange>& changes) {
    for (const ParamChange& change : changes) {
        const std::string name = (change.part ? "  " : "") + change.name;
        out << name << std::string(name.size() < 14 ? 14 - name.size() : 1, ' ') << change.before << " -> "
            << change.after << '\n';
    }
}

}  // namespace

ParamFileLoad LoadParamFile(const std::string& path) {
    ParamFileLoad load;
    if (NotRegularFile(path)) {
        load.error = Shown(path) + " is not a regular file";
        return load;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes(kMaxParamFileBytes + 1, '\0');
    if (in) {
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    if (!in && !in.eof()) {
        load.error = Shown(path) + " cannot be read";
        return load;
    }
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    ParamFileRead read = ReadParamFile(bytes);
    if (!read.file) {
        load.error = Shown(path) + ": " + ParamFileErrorText(read.error);
        return load;
    }
    load.file = std::move(read.file);
    return load;
}

int RunBackup(CommandContext& context, const std::string& path, const LocalDateTime& now) {
    DeviceOperations& ops = context.ops;
    const TableTransfer read = ReadTables(ops, context.clock, kParamTables, OnTableFailure::Stop);
    if (!read.Ok()) {
        return Fail(context, std::string(kReadFailed) + " (table " + std::to_string(read.failed.front()) +
                                 "); nothing saved");
    }
    ParamFileOrigin origin;
    origin.saved = SavedText(now);
    origin.address = ops.Link().DestinationAddress();
    const Identification ident = ReadTypeAndVersion(ops, context.clock);
    if (ident.typeRead) {
        origin.type = OriginText(ops.Image().identType);
    }
    if (ident.versionRead) {
        origin.version = OriginText(ops.Image().identVersion);
    }
    // An instrument that does not tell its type or version is saved without them; a line lost during those
    // reads still leaves a whole file, but the backup is not what was asked for.
    std::optional<std::string> lost;
    if (!ident.typeRead || !ident.versionRead) {
        lost = context.lineGone ? context.lineGone() : std::nullopt;
    }
    switch (WriteFileByRename(path, WriteParamFile(ops.Image(), origin))) {
        case FileWriteResult::Written:
            break;
        case FileWriteResult::NotRegularFile:
            return Fail(context, Shown(path) + " is not a regular file; nothing saved");
        case FileWriteResult::CannotCreate:
        case FileWriteResult::CannotWrite:
            return Fail(context, Shown(path) + " cannot be written");
    }
    for (const std::string_view name : ParamsOutsideFile(ops.Image())) {
        context.err << name << ' ' << ParamValueShown(*FindParam(name), ops.Image())
                    << " is outside its range and is kept in the file only as a comment\n";
    }
    context.out << "saved the parameters of station " << *origin.address;
    if (!origin.type.empty() || !origin.version.empty()) {
        context.out << " (" << PrintableText(origin.type) << (origin.type.empty() ? "" : " ")
                    << PrintableText(origin.version) << ')';
    }
    context.out << " to " << Shown(path) << '\n';
    if (lost) {
        const char* missing = ident.typeRead ? "version" : ident.versionRead ? "type" : "type and version";
        return Fail(context, std::string("the file is whole but lacks the instrument's ") + missing +
                                 ", as the line was lost: " + *lost);
    }
    return kExitOk;
}

int RunRestore(CommandContext& context, const std::string& path, const ParamFile& file, bool dryRun) {
    const RestoreReport report = RestoreParamFile(context.ops, context.clock, file,
                                                  dryRun ? RestoreMode::Compare : RestoreMode::Write);
    if (report.outcome == RestoreOutcome::ReadFailed) {
        return Fail(context, std::string(kReadFailed) + " (table " + std::to_string(report.failedTable) +
                                 "); nothing written");
    }
    PrintChanges(context.out, report.changes);
    if (report.tables.empty()) {
        context.out << "the instrument already holds the values of " << Shown(path) << "; nothing written\n";
        return kExitOk;
    }
    if (dryRun) {
        context.out << "dry run: " << Tables(report.tables) << " would be written\n";
        return kExitOk;
    }
    if (report.outcome == RestoreOutcome::WriteFailed) {
        return Fail(context, std::string(kWriteFailed) + " (table " + std::to_string(report.failedTable) +
                                 "); " +
                                 (report.written.empty() ? "nothing written before it"
                                                         : "written before it: " + Tables(report.written)));
    }
    for (const ReadBackFault& fault : report.readBackFaults) {
        std::string line = "table " + std::to_string(fault.table) + " read back: ";
        if (fault.read.empty()) {
            line += "no valid answer";
        } else {
            line += HexBytes(fault.read) + ", written " + HexBytes(fault.wanted);
            for (const ParamChange& difference : fault.differences) {
                line += "; " + difference.name + " " + difference.after + " instead of " + difference.before;
            }
        }
        context.err << line << '\n';
    }
    if (report.outcome == RestoreOutcome::ReadBackFailed) {
        return Fail(context, "restore not proven: the instrument does not hold the values of " + Shown(path));
    }
    context.out << "written and read back: " << Tables(report.written) << '\n';
    return kExitOk;
}

int RunDiff(CommandContext& context, const std::string& path, const ParamFile& file) {
    const RestoreReport report = RestoreParamFile(context.ops, context.clock, file, RestoreMode::Compare);
    if (report.outcome == RestoreOutcome::ReadFailed) {
        return Fail(context,
                    std::string(kReadFailed) + " (table " + std::to_string(report.failedTable) + ")");
    }
    if (report.changes.empty()) {
        context.out << "the instrument holds the values of " << Shown(path) << '\n';
        return kExitOk;
    }
    context.out << "instrument -> " << Shown(path) << ":\n";
    PrintChanges(context.out, report.changes);
    return kExitDiffers;
}

}  // namespace zt30::cli
