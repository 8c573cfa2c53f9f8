#include "sim/pseudo_terminal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace zt30::sim {

namespace {

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool MakeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        return false;
    }
    cfmakeraw(&t);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

std::optional<std::string> ReadLink(const std::string& path) {
    char buffer[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof buffer) {
        return std::nullopt;
    }
    return std::string(buffer, static_cast<std::size_t>(n));
}

}  // namespace

std::optional<PseudoTerminal> PseudoTerminal::Open(std::string& error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        error = SystemError("posix_openpt");
        return std::nullopt;
    }
    const char* name = nullptr;
    if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr) {
        error = SystemError("cannot unlock the pseudo-terminal");
        close(master);
        return std::nullopt;
    }
    std::string path = name;
    const int slave = open(path.c_str(), O_RDWR | O_NOCTTY);
    const int flags = fcntl(master, F_GETFL);
    if (slave < 0 || !MakeRaw(master) || !MakeRaw(slave) || flags < 0 ||
        fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = SystemError("cannot set up the pseudo-terminal " + path);
        if (slave >= 0) {
            close(slave);
        }
        close(master);
        return std::nullopt;
    }
    return PseudoTerminal(master, slave, std::move(path));
}

PseudoTerminal::PseudoTerminal(PseudoTerminal&& other) noexcept
    : master_(std::exchange(other.master_, -1)),
      slave_(std::exchange(other.slave_, -1)),
      slavePath_(std::move(other.slavePath_)) {}

PseudoTerminal::~PseudoTerminal() {
    Close();
}

void PseudoTerminal::Close() {
    if (master_ >= 0) {
        close(master_);
        master_ = -1;
    }
    if (slave_ >= 0) {
        close(slave_);
        slave_ = -1;
    }
}

std::optional<SymbolicLink> SymbolicLink::Create(const std::string& path, const std::string& target,
                                                 std::string& error) {
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = path + " exists and is not a symbolic link; not replaced";
            return std::nullopt;
        }
        if (unlink(path.c_str()) != 0) {
            error = SystemError("cannot remove the old link " + path);
            return std::nullopt;
        }
    }
    if (symlink(target.c_str(), path.c_str()) != 0) {
        error = SystemError("cannot create the link " + path);
        return std::nullopt;
    }
    return SymbolicLink(path, target);
}

SymbolicLink::SymbolicLink(SymbolicLink&& other) noexcept
    : path_(std::exchange(other.path_, {})), target_(std::move(other.target_)) {}

SymbolicLink::~SymbolicLink() {
    Remove();
}

void SymbolicLink::Remove() {
    // Another simulator may have taken the name over since; its link is not ours to remove.
    if (!path_.empty() && ReadLink(path_) == target_) {
        unlink(path_.c_str());
    }
    path_.clear();
}

}  // namespace zt30::sim
