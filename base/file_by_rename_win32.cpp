#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>

#include "base/file_by_rename.h"

namespace zt30 {

namespace {

constexpr int kNameAttempts = 64;
// What an old file passes on; read-only is not among them, as such a file is never replaced.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

std::wstring Wide(const std::string& utf8) {
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                         static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) {
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                            wide.data(), size);
    }
    return wide;
}

// Beside the file, so that the move stays within one volume; unforeseeable, and CREATE_NEW fails on
// whatever is there all the same.
std::wstring TemporaryName(const std::wstring& path, std::random_device& random) {
    const std::uint64_t number = (std::uint64_t{random()} << 32) ^ random();
    wchar_t suffix[24];
    std::swprintf(suffix, sizeof suffix / sizeof suffix[0], L".%016llx.tmp",
                  static_cast<unsigned long long>(number));
    return path + suffix;
}

// What is at a path, opened as itself (a link is not followed): regular is false for a folder, a link, a
// device or a pipe.
struct Existing {
    bool exists = false;
    bool regular = false;
    DWORD attributes = 0;
};

// False when the path cannot be examined; a missing file is no failure.
bool Examine(const std::wstring& path, Existing& existing) {
    const HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    existing.exists = true;
    existing.regular = GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
                       (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                                                 FILE_ATTRIBUTE_DEVICE)) == 0;
    existing.attributes = info.dwFileAttributes;
    CloseHandle(handle);
    return true;
}

bool WriteAll(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace

FileWriteResult WriteFileByRename(const std::string& path, std::string_view bytes) {
    const std::wstring target = Wide(path);
    Existing existing;
    if (target.empty() || !Examine(target, existing)) {
        return FileWriteResult::CannotCreate;
    }
    if (existing.exists && !existing.regular) {
        return FileWriteResult::NotRegularFile;
    }
    std::random_device random;
    std::wstring temporary;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < kNameAttempts && handle == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = TemporaryName(target, random);
        handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            return FileWriteResult::CannotCreate;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        return FileWriteResult::CannotCreate;
    }
    bool ok = WriteAll(handle, bytes) && FlushFileBuffers(handle);
    ok = CloseHandle(handle) && ok;
    if (ok && (existing.attributes & kKeptAttributes) != 0) {
        ok = SetFileAttributesW(temporary.c_str(), existing.attributes & kKeptAttributes);
    }
    ok = ok &&
         MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        DeleteFileW(temporary.c_str());
        return FileWriteResult::CannotWrite;
    }
    return FileWriteResult::Written;
}

}  // namespace zt30
