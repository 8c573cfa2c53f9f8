// Writes a file whole by rename, for every place that replaces a file the user named or owns (zt30ctl's
// backups, the settings file, parameter files, chart exports, saved traffic): the bytes go to a new
// temporary file beside it, created exclusively under a name of its own (never through a link planted
// there), synced, given the old file's mode (and owner where the writer may), and renamed over the file.
// A failed write leaves the old file whole and removes the temporary file. No Qt.
#pragma once

#include <string>
#include <string_view>

namespace zt30 {

enum class FileWriteResult {
    Written,
    NotRegularFile,  // path names a symbolic link, a folder, a FIFO, a device...: nothing was touched
    CannotCreate,    // path cannot be examined or no file can be made in its folder (none, no permission)
    CannotWrite,     // writing, syncing or the rename failed (a full disk, a size limit)
};

// Replaces (or creates) path, a UTF-8 file name, with bytes. A new file gets the default mode (the umask's
// on POSIX); an existing one keeps its mode and, on POSIX, its owner and group where the writer may set
// them (root). On Windows a read-only file is not replaced (CannotWrite).
FileWriteResult WriteFileByRename(const std::string& path, std::string_view bytes);

}  // namespace zt30
