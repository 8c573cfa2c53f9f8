#include "link/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include <gtest/gtest.h>

namespace zt30::test {

PtyPair::PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        ADD_FAILURE() << "no pseudo-terminal: errno " << errno;
        return;
    }
    const char* name = ptsname(master_);
    if (name == nullptr) {
        ADD_FAILURE() << "no slave name";
        return;
    }
    slavePath_ = name;
    termios t{};
    if (tcgetattr(master_, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(master_, TCSANOW, &t);
    }
    watch_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (watch_ < 0) {
        ADD_FAILURE() << "no second descriptor of the slave: errno " << errno;
    }
}

PtyPair::~PtyPair() {
    if (watch_ >= 0) {
        close(watch_);
    }
    CloseMaster();
}

bool PtyPair::WaitForSlaveInput(std::chrono::milliseconds timeout) {
    pollfd p{watch_, POLLIN, 0};
    return poll(&p, 1, static_cast<int>(timeout.count())) > 0 && (p.revents & POLLIN) != 0;
}

bool PtyPair::WriteMaster(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{master_, POLLOUT, 0};
            poll(&p, 1, 100);
        } else {
            return false;
        }
    }
    return true;
}

std::vector<std::uint8_t> PtyPair::ReadMaster(std::size_t count, std::chrono::milliseconds timeout) {
    std::vector<std::uint8_t> got;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0 || (p.revents & POLLIN) == 0) {
            continue;
        }
        std::uint8_t chunk[4096];
        const std::size_t want = std::min(sizeof chunk, count - got.size());
        const ssize_t n = read(master_, chunk, want);
        if (n > 0) {
            got.insert(got.end(), chunk, chunk + n);
        }
    }
    return got;
}

void PtyPair::CloseMaster() {
    if (master_ >= 0) {
        close(master_);
        master_ = -1;
    }
}

PortDeviceLookup SlaveAsPortOne(const PtyPair& pty) {
    return
        [path = pty.SlavePath()](int n) { return n == 1 ? std::optional<std::string>(path) : std::nullopt; };
}

bool OpenLikeTheLine(PosixSerialBackend& backend, std::uint32_t baudRate, bool abortOnError) {
    LineConfig config;
    if (!backend.OpenPort(1) || !backend.SetQueues(kLineQueueSize, kLineQueueSize) ||
        !backend.SetReadTimeouts(kLineReadTimeouts) || !backend.GetConfig(config)) {
        return false;
    }
    config.baudRate = baudRate;
    config.dataBits = 8;
    config.parity = Parity::Even;
    config.stopBits = 1;
    config.parityCheck = true;
    config.abortOnError = abortOnError;
    return backend.SetConfig(config);
}

}  // namespace zt30::test
