// zt30ctl's parameter files: `backup FILE` saves tables 1 to 4 with where they came from, `restore FILE
// [--dry-run]` writes the file's values and proves them by reading back, `diff FILE` compares. The file is
// read and checked before the line is opened (LoadParamFile), so a refused file sends nothing.
#pragma once

#include <optional>
#include <string>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "config/param_backup.h"
#include "config/regional_settings.h"

namespace zt30::cli {

struct ParamFileLoad {
    std::optional<ParamFile> file;
    std::string error;  // one line: "a.ini: line 7: unknown parameter \"XYZ\"", or that it cannot be read
};

// Reads the file (at most kMaxParamFileBytes and one byte more, so a larger one is refused) and checks it;
// a path that is not a regular file (a FIFO) is refused without being opened.
ParamFileLoad LoadParamFile(const std::string& path);

// Reads tables 1 to 4 and the type and version texts, and saves them with `now` and the bus address; no file
// is written when a table cannot be read. A line lost during the type and version reads saves the file
// without them and fails with the line's error. The file is replaced by rename (base/file_by_rename.h): a
// path that names no regular file (a link, a device) is refused, and a failed write leaves the old file.
int RunBackup(CommandContext& context, const std::string& path, const LocalDateTime& now);
// Writes the tables whose bytes the file changes and reads them back; prints each change (old -> new). A
// dry run only prints. 1 when a read, a write or the read-back fails.
int RunRestore(CommandContext& context, const std::string& path, const ParamFile& file, bool dryRun);
// Prints each parameter that differs (instrument -> file); 0 when none does, kExitDiffers otherwise.
int RunDiff(CommandContext& context, const std::string& path, const ParamFile& file);

}  // namespace zt30::cli
