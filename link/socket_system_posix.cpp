#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "link/socket_system.h"

namespace zt30 {
namespace {

std::int64_t Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// poll() with the time-out recomputed from the deadline after an interruption.
int PollUntil(pollfd& p, std::int64_t deadline) {
    for (;;) {
        const std::int64_t left = deadline - Now();
        const int ms = left <= 0 ? 0 : static_cast<int>((left + 999'999) / 1'000'000);
        const int ready = ::poll(&p, 1, ms);
        if (ready >= 0 || errno != EINTR) {
            return ready;
        }
    }
}

// A non-blocking connection attempt to one resolved address; the socket, or -1.
int ConnectOne(const addrinfo& a, std::int64_t deadline) {
    const int fd = ::socket(a.ai_family, a.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.ai_protocol);
    if (fd < 0) {
        return -1;
    }
    if (::connect(fd, a.ai_addr, a.ai_addrlen) != 0 && errno != EINPROGRESS && errno != EINTR) {
        ::close(fd);
        return -1;
    }
    pollfd p{fd, POLLOUT, 0};
    int error = 0;
    socklen_t length = sizeof error;
    if (PollUntil(p, deadline) != 1 || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 ||
        error != 0) {
        ::close(fd);
        return -1;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

class PosixSocketSystem final : public SocketSystem {
public:
    SocketHandle Connect(const std::string& host, std::uint16_t port, int timeoutMs) override {
        const std::int64_t deadline = Now() + std::int64_t{timeoutMs} * 1'000'000;
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
            return kNoSocket;
        }
        int fd = -1;
        for (const addrinfo* a = found; a != nullptr && fd < 0 && Now() < deadline; a = a->ai_next) {
            fd = ConnectOne(*a, deadline);
        }
        ::freeaddrinfo(found);
        return fd < 0 ? kNoSocket : fd;
    }

    SocketWait Wait(SocketHandle socket, bool forWriting, int timeoutMs) override {
        pollfd p{static_cast<int>(socket), static_cast<short>(forWriting ? POLLOUT : POLLIN), 0};
        const int ready = PollUntil(p, Now() + std::int64_t{timeoutMs} * 1'000'000);
        if (ready < 0 || (ready > 0 && (p.revents & POLLNVAL) != 0)) {
            return SocketWait::Failed;
        }
        // A hang-up or an error is "something to read": the read then tells which.
        return ready == 0 ? SocketWait::Timeout : SocketWait::Ready;
    }

    SocketIo Send(SocketHandle socket, std::span<const std::uint8_t> data) override {
        for (;;) {
            const ssize_t n = ::send(static_cast<int>(socket), data.data(), data.size(), MSG_NOSIGNAL);
            if (n >= 0) {
                return {n > 0 ? SocketIo::Status::Done : SocketIo::Status::WouldBlock,
                        static_cast<std::size_t>(n)};
            }
            if (errno != EINTR) {
                return {errno == EAGAIN || errno == EWOULDBLOCK ? SocketIo::Status::WouldBlock
                                                                : SocketIo::Status::Failed,
                        0};
            }
        }
    }

    SocketIo Receive(SocketHandle socket, std::span<std::uint8_t> buffer) override {
        for (;;) {
            const ssize_t n = ::recv(static_cast<int>(socket), buffer.data(), buffer.size(), 0);
            if (n > 0) {
                return {SocketIo::Status::Done, static_cast<std::size_t>(n)};
            }
            if (n == 0) {
                return {SocketIo::Status::Closed, 0};
            }
            if (errno != EINTR) {
                return {errno == EAGAIN || errno == EWOULDBLOCK ? SocketIo::Status::WouldBlock
                                                                : SocketIo::Status::Failed,
                        0};
            }
        }
    }

    void Close(SocketHandle socket) override { ::close(static_cast<int>(socket)); }

    void Pause(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    std::int64_t MonotonicNanos() override { return Now(); }
};

}  // namespace

std::unique_ptr<SocketSystem> MakeRealSocketSystem() {
    return std::make_unique<PosixSocketSystem>();
}

}  // namespace zt30
