#include "link/posix_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

namespace zt30 {
namespace {

class RealPosixSystem final : public PosixSystem {
public:
    int Open(const char* path, int flags) override { return ::open(path, flags); }
    int Close(int fd) override { return ::close(fd); }
    int IsTerminal(int fd) override { return ::isatty(fd); }
    int Ioctl(int fd, unsigned long request, void* argument) override {
        return ::ioctl(fd, request, argument);
    }
    int GetAttributes(int fd, termios& attributes) override { return ::tcgetattr(fd, &attributes); }
    int SetAttributes(int fd, const termios& attributes) override {
        return ::tcsetattr(fd, TCSANOW, &attributes);
    }
    int Flush(int fd, int queue) override { return ::tcflush(fd, queue); }
    int Lock(int fd, int operation) override { return ::flock(fd, operation); }
    int Poll(pollfd* fds, nfds_t count, int timeoutMs) override { return ::poll(fds, count, timeoutMs); }
    ssize_t Read(int fd, void* buffer, std::size_t count) override { return ::read(fd, buffer, count); }
    ssize_t Write(int fd, const void* data, std::size_t count) override { return ::write(fd, data, count); }
    std::int64_t MonotonicNanos() override {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
    }
};

}  // namespace

std::unique_ptr<PosixSystem> MakeRealPosixSystem() {
    return std::make_unique<RealPosixSystem>();
}

}  // namespace zt30
