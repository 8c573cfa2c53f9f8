#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>

#include "base/file_by_rename.h"

namespace zt30 {

namespace {

constexpr int kNameAttempts = 64;

// Beside the file, so that the rename stays within one file system; the name is unforeseeable, so nobody
// can plant anything at it beforehand, and O_EXCL fails on whatever is there all the same.
std::string TemporaryName(const std::string& path, std::random_device& random) {
    const std::uint64_t number = (std::uint64_t{random()} << 32) ^ random();
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(number));
    return path + suffix;
}

bool WriteAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The old file's owner and group where this writer may give them (root may; others at most their own
// groups), then its mode: after the owner, as a change of owner clears the set-user-ID bits.
bool KeepOwnerAndMode(int descriptor, const struct stat& old) {
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
        if (::fchown(descriptor, old.st_uid, old.st_gid) != 0) {
            // Not allowed: the new file stays the writer's.
        }
    }
    return ::fchmod(descriptor, old.st_mode & 07777) == 0;
}

// So that the rename itself survives a power cut; a folder that cannot be synced leaves the file written.
void SyncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

}  // namespace

FileWriteResult WriteFileByRename(const std::string& path, std::string_view bytes) {
    if (path.empty()) {
        return FileWriteResult::CannotCreate;
    }
    struct stat old {};
    const bool exists = ::lstat(path.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        return FileWriteResult::CannotCreate;
    }
    // Renaming over a link, a FIFO or a device node would replace it, not write where it leads.
    if (exists && !S_ISREG(old.st_mode)) {
        return FileWriteResult::NotRegularFile;
    }
    std::random_device random;
    std::string temporary;
    int descriptor = -1;
    for (int attempt = 0; attempt < kNameAttempts && descriptor < 0; ++attempt) {
        temporary = TemporaryName(path, random);
        // Private until it is complete; a new file takes the umask's mode, an old file's mode comes later.
        descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                            exists ? 0600 : 0666);
        if (descriptor < 0 && errno != EEXIST && errno != EINTR) {
            return FileWriteResult::CannotCreate;
        }
    }
    if (descriptor < 0) {
        return FileWriteResult::CannotCreate;
    }
    bool ok = WriteAll(descriptor, bytes) && (!exists || KeepOwnerAndMode(descriptor, old)) &&
              ::fsync(descriptor) == 0;
    ok = ::close(descriptor) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return FileWriteResult::CannotWrite;
    }
    SyncFolderOf(path);
    return FileWriteResult::Written;
}

}  // namespace zt30
