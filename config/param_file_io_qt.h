// The parameters dialog's files on disk, through Qt so that any file name the file dialogs give works on
// every system: a parameter file read whole up to its size limit, and a file replaced only once its new
// text has been written completely.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace zt30 {

// The file's bytes, at most `limit` bytes and one more (so a larger file shows as one); nullopt when it
// cannot be opened or read. path is UTF-8.
std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t limit);

// Writes bytes to a new file beside path and puts it in path's place (WriteFileByRename); false, leaving an
// older file whole, when that fails or path names no regular file. path is UTF-8.
bool SaveFileBytes(const std::string& path, const std::string& bytes);

}  // namespace zt30
