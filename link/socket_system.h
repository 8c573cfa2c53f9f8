// The operating system's TCP calls under the network line, behind one small interface: POSIX sockets or
// Winsock in the real implementation (socket_system_posix.cpp, socket_system_win32.cpp), a scripted peer in
// tests, which makes a connection fail, data arrive in pieces, the peer go away, or the clock run, without a
// network and without waiting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace zt30 {

// A socket of the system (a descriptor, or Winsock's SOCKET); kNoSocket is none.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

enum class SocketWait : std::uint8_t { Ready, Timeout, Failed };

struct SocketIo {
    enum class Status : std::uint8_t {
        Done,        // count bytes went or came (count > 0)
        WouldBlock,  // nothing to read, or no room to write, just now
        Closed,      // the peer ended the connection (a read of 0 bytes)
        Failed,      // reset, or any other error
    };
    Status status = Status::Failed;
    std::size_t count = 0;
};

class SocketSystem {
public:
    virtual ~SocketSystem() = default;

    // A non-blocking TCP connection to host:port with Nagle's delay off; kNoSocket when the name does not
    // resolve, the server refuses, or the connection is not made within timeoutMs.
    virtual SocketHandle Connect(const std::string& host, std::uint16_t port, int timeoutMs) = 0;
    // Waits at most timeoutMs (0: only looks) until there is something to read (data, the end, an error),
    // or with forWriting until there is room to write.
    virtual SocketWait Wait(SocketHandle socket, bool forWriting, int timeoutMs) = 0;
    virtual SocketIo Send(SocketHandle socket, std::span<const std::uint8_t> data) = 0;
    virtual SocketIo Receive(SocketHandle socket, std::span<std::uint8_t> buffer) = 0;
    virtual void Close(SocketHandle socket) = 0;
    // Waits ms milliseconds.
    virtual void Pause(int ms) = 0;
    // Nanoseconds on a monotonic clock, arbitrary origin.
    virtual std::int64_t MonotonicNanos() = 0;
};

// The system's own calls.
std::unique_ptr<SocketSystem> MakeRealSocketSystem();

}  // namespace zt30
