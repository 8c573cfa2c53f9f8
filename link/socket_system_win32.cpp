#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <ws2tcpip.h>

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

timeval TimeLeft(std::int64_t deadline) {
    const std::int64_t left = deadline - Now();
    const std::int64_t us = left <= 0 ? 0 : (left + 999) / 1000;
    return timeval{static_cast<long>(us / 1'000'000), static_cast<long>(us % 1'000'000)};
}

// Winsock's select: unlike WSAPoll it reports a refused connection at once on every version of Windows.
int SelectOne(SOCKET s, bool forWriting, std::int64_t deadline) {
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval wait = TimeLeft(deadline);
    const int n = select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed, &wait);
    if (n < 0) {
        return -1;
    }
    if (n > 0 && FD_ISSET(s, &failed)) {
        return forWriting ? -1 : 1;  // a read then reports the error itself
    }
    return n > 0 ? 1 : 0;
}

SOCKET ConnectOne(const addrinfo& a, std::int64_t deadline) {
    SOCKET s = socket(a.ai_family, a.ai_socktype, a.ai_protocol);
    if (s == INVALID_SOCKET) {
        return s;
    }
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0 ||
        (connect(s, a.ai_addr, static_cast<int>(a.ai_addrlen)) != 0 && WSAGetLastError() != WSAEWOULDBLOCK)) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    int error = 0;
    int length = sizeof error;
    if (SelectOne(s, true, deadline) != 1 ||
        getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 || error != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    const BOOL on = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    return s;
}

SocketIo::Status ErrorStatus() {
    return WSAGetLastError() == WSAEWOULDBLOCK ? SocketIo::Status::WouldBlock : SocketIo::Status::Failed;
}

int ClampedLength(std::size_t n) {
    return n > 0x7fffffff ? 0x7fffffff : static_cast<int>(n);
}

class WinsockSystem final : public SocketSystem {
public:
    WinsockSystem() {
        WSADATA data{};
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    WinsockSystem(const WinsockSystem&) = delete;
    WinsockSystem& operator=(const WinsockSystem&) = delete;
    ~WinsockSystem() override {
        if (started_) {
            WSACleanup();
        }
    }

    SocketHandle Connect(const std::string& host, std::uint16_t port, int timeoutMs) override {
        if (!started_) {
            return kNoSocket;
        }
        const std::int64_t deadline = Now() + std::int64_t{timeoutMs} * 1'000'000;
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        addrinfo* found = nullptr;
        if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
            return kNoSocket;
        }
        SOCKET s = INVALID_SOCKET;
        for (const addrinfo* a = found; a != nullptr && s == INVALID_SOCKET && Now() < deadline;
             a = a->ai_next) {
            s = ConnectOne(*a, deadline);
        }
        freeaddrinfo(found);
        return s == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(s);
    }

    SocketWait Wait(SocketHandle socket, bool forWriting, int timeoutMs) override {
        const int n =
            SelectOne(static_cast<SOCKET>(socket), forWriting, Now() + std::int64_t{timeoutMs} * 1'000'000);
        return n < 0 ? SocketWait::Failed : n == 0 ? SocketWait::Timeout : SocketWait::Ready;
    }

    SocketIo Send(SocketHandle socket, std::span<const std::uint8_t> data) override {
        const int n = send(static_cast<SOCKET>(socket), reinterpret_cast<const char*>(data.data()),
                           ClampedLength(data.size()), 0);
        if (n == SOCKET_ERROR) {
            return {ErrorStatus(), 0};
        }
        return {n > 0 ? SocketIo::Status::Done : SocketIo::Status::WouldBlock, static_cast<std::size_t>(n)};
    }

    SocketIo Receive(SocketHandle socket, std::span<std::uint8_t> buffer) override {
        const int n = recv(static_cast<SOCKET>(socket), reinterpret_cast<char*>(buffer.data()),
                           ClampedLength(buffer.size()), 0);
        if (n == SOCKET_ERROR) {
            return {ErrorStatus(), 0};
        }
        return n == 0 ? SocketIo{SocketIo::Status::Closed, 0}
                      : SocketIo{SocketIo::Status::Done, static_cast<std::size_t>(n)};
    }

    void Close(SocketHandle socket) override { closesocket(static_cast<SOCKET>(socket)); }

    void Pause(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    std::int64_t MonotonicNanos() override { return Now(); }

private:
    bool started_ = false;
};

}  // namespace

std::unique_ptr<SocketSystem> MakeRealSocketSystem() {
    return std::make_unique<WinsockSystem>();
}

}  // namespace zt30
