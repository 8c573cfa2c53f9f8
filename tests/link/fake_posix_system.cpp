#include "link/fake_posix_system.h"

#include <sys/file.h>

#ifdef __linux__
#include <linux/serial.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

namespace zt30::test {
namespace {

constexpr int kFd = 7;

}  // namespace

void FakePosixSystem::Arrive(std::int64_t atMs, std::vector<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) {
        incoming_.push_back({Ns(atMs), b});
    }
    std::stable_sort(incoming_.begin(), incoming_.end(),
                     [](const Incoming& a, const Incoming& b) { return a.atNs < b.atNs; });
}

void FakePosixSystem::CountError(std::int64_t atMs, DriverCounter counter) {
    counterSteps_.push_back({Ns(atMs), counter});
}

int FakePosixSystem::Open(const char* path, int) {
    calls.push_back(std::string("open ") + path);
    return kFd;
}

int FakePosixSystem::Close(int fd) {
    EXPECT_EQ(fd, kFd);
    calls.push_back("close");
    return 0;
}

int FakePosixSystem::IsTerminal(int) {
    return notTerminal ? 0 : 1;
}

int FakePosixSystem::Ioctl(int fd, unsigned long request, void* argument) {
    EXPECT_EQ(fd, kFd);
    if (request == TIOCEXCL || request == TIOCNXCL) {
        calls.push_back(request == TIOCEXCL ? "TIOCEXCL" : "TIOCNXCL");
        if (request == TIOCEXCL && exclusiveFails) {
            errno = EBUSY;
            return -1;
        }
        return 0;
    }
    if (request == TIOCOUTQ) {
        if (now_ >= queueEmptyAtNs_) {
            queued_ = 0;
        }
        *static_cast<int*>(argument) = queued_;
        return 0;
    }
#ifdef ZT30_HAVE_TERMIOS2
    if (request == kGetTermios2) {
        auto* t = static_cast<KernelTermios2*>(argument);
        *t = {attributes.c_iflag, attributes.c_oflag, attributes.c_cflag, attributes.c_lflag, 0, {}, 0, 0};
        t->c_ispeed = exactRate;
        t->c_ospeed = exactRate;
        return 0;
    }
    if (request == kSetTermios2) {
        exactRate = static_cast<KernelTermios2*>(argument)->c_ospeed;
        return 0;
    }
#endif
#ifdef __linux__
    if (request == TIOCGICOUNT) {
        if (!countersSupported) {
            errno = EINVAL;
            return -1;
        }
        serial_icounter_struct c{};
        for (const CounterStep& step : counterSteps_) {
            if (step.atNs > now_) {
                continue;
            }
            switch (step.counter) {
                case DriverCounter::Overrun:
                    ++c.overrun;
                    break;
                case DriverCounter::BufferOverrun:
                    ++c.buf_overrun;
                    break;
                case DriverCounter::Parity:
                    ++c.parity;
                    break;
                case DriverCounter::Frame:
                    ++c.frame;
                    break;
                case DriverCounter::Break:
                    ++c.brk;
                    break;
            }
        }
        std::memcpy(argument, &c, sizeof c);
        return 0;
    }
#endif
    errno = ENOTTY;
    return -1;
}

int FakePosixSystem::GetAttributes(int, termios& t) {
    t = attributes;
    return 0;
}

int FakePosixSystem::SetAttributes(int, const termios& t) {
    calls.push_back("tcsetattr");
    attributes = t;
    return 0;
}

int FakePosixSystem::Flush(int, int queue) {
    calls.push_back(queue == TCIFLUSH ? "flush in" : "flush out");
    if (queue == TCIFLUSH) {
        while (!incoming_.empty() && incoming_.front().atNs <= now_) {
            incoming_.pop_front();
        }
    } else {
        queued_ = 0;
        queueEmptyAtNs_ = now_;
    }
    return 0;
}

int FakePosixSystem::Lock(int, int operation) {
    const bool unlock = (operation & LOCK_UN) != 0;
    calls.push_back(unlock ? "unlock" : "lock");
    if (!unlock && lockTaken) {
        errno = EWOULDBLOCK;
        return -1;
    }
    return 0;
}

int FakePosixSystem::Poll(pollfd* fds, nfds_t count, int timeoutMs) {
    pollTimeouts.push_back(timeoutMs);
    EXPECT_EQ(count, 1u);
    pollfd& p = fds[0];
    p.revents = 0;
    const std::int64_t end = timeoutMs < 0 ? kNever : now_ + std::int64_t{timeoutMs} * 1'000'000;
    std::int64_t ready = Ns(hangupAtMs);
    if ((p.events & POLLIN) != 0 && !incoming_.empty()) {
        ready = std::min(ready, incoming_.front().atNs);
    }
    if ((p.events & POLLOUT) != 0) {
        ready = std::min(ready, Ns(writableAtMs));
    }
    ready = std::max(ready, now_);
    // A signal that came while nobody waited interrupted nothing.
    std::erase_if(signalsAtMs, [this](std::int64_t ms) { return Ns(ms) < now_; });
    const auto signal = std::min_element(signalsAtMs.begin(), signalsAtMs.end());
    if (signal != signalsAtMs.end() && Ns(*signal) < ready && Ns(*signal) <= end) {
        now_ = Ns(*signal);
        signalsAtMs.erase(signal);
        errno = EINTR;
        return -1;
    }
    if (ready > end || ready == kNever) {
        if (end == kNever) {
            ADD_FAILURE() << "a poll without time-out would wait for ever";
            return 0;
        }
        now_ = end;
        return 0;
    }
    now_ = ready;
    if (HungUp()) {
        p.revents = static_cast<short>(POLLHUP | POLLERR | (p.events & (POLLIN | POLLOUT)));
        return 1;
    }
    if ((p.events & POLLIN) != 0 && !incoming_.empty() && incoming_.front().atNs <= now_) {
        p.revents |= POLLIN;
    }
    if ((p.events & POLLOUT) != 0 && now_ >= Ns(writableAtMs)) {
        p.revents |= POLLOUT;
    }
    return 1;
}

ssize_t FakePosixSystem::Read(int, void* buffer, std::size_t count) {
    if (!readErrors.empty()) {
        errno = readErrors.front();
        readErrors.pop_front();
        return -1;
    }
    if (HungUp()) {
        return 0;
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t n = 0;
    while (n < count && !incoming_.empty() && incoming_.front().atNs <= now_) {
        out[n++] = incoming_.front().byte;
        incoming_.pop_front();
    }
    if (n == 0) {
        errno = EAGAIN;
        return -1;
    }
    return static_cast<ssize_t>(n);
}

ssize_t FakePosixSystem::Write(int, const void* data, std::size_t count) {
    ++writeCalls;
    if (!writeErrors.empty()) {
        errno = writeErrors.front();
        writeErrors.pop_front();
        return -1;
    }
    if (HungUp()) {
        errno = EIO;
        return -1;
    }
    if (now_ < Ns(writableAtMs)) {
        errno = EAGAIN;
        return -1;
    }
    const std::size_t take = std::min(count, writeLimit);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    written.insert(written.end(), bytes, bytes + take);
    queued_ += static_cast<int>(take);
    queueEmptyAtNs_ = drainMs == kNever ? kNever : now_ + drainMs * 1'000'000;
    return static_cast<ssize_t>(take);
}

}  // namespace zt30::test
