// The operating-system calls under the POSIX serial backend, behind one small interface: the real
// implementation forwards each call unchanged (errors in errno, as with the calls themselves), and tests put
// a scripted system in its place to make a call fail, be interrupted, write part of its bytes, or let the
// clock run, without a device and without waiting.
#pragma once

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/types.h>
#include <termios.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zt30 {

// glibc's <termios.h> and the kernel's <asm/termbits.h> both define struct termios, so the kernel's termios2
// (the only way to set a rate that has no B constant) is declared here under its own name. The layout is the
// generic one; the size check ties it to the ioctl numbers of this system.
#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__) || defined(__aarch64__) || \
                           defined(__arm__) || defined(__riscv))
#define ZT30_HAVE_TERMIOS2 1
struct KernelTermios2 {
    tcflag_t c_iflag;
    tcflag_t c_oflag;
    tcflag_t c_cflag;
    tcflag_t c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed;
    speed_t c_ospeed;
};
static_assert(sizeof(KernelTermios2) == 44);
inline constexpr unsigned long kGetTermios2 = _IOR('T', 0x2A, KernelTermios2);
inline constexpr unsigned long kSetTermios2 = _IOW('T', 0x2B, KernelTermios2);
inline constexpr tcflag_t kBaudOther = 0010000;
inline constexpr tcflag_t kKernelBaudMask = 0010017;
inline constexpr int kInputBaudShift = 16;
#endif

class PosixSystem {
public:
    virtual ~PosixSystem() = default;

    // open(2): a descriptor, or -1.
    virtual int Open(const char* path, int flags) = 0;
    virtual int Close(int fd) = 0;
    // isatty(3): 1 for a terminal, else 0.
    virtual int IsTerminal(int fd) = 0;
    // ioctl(2) with one pointer argument (nullptr for requests without one).
    virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
    virtual int GetAttributes(int fd, termios& attributes) = 0;        // tcgetattr
    virtual int SetAttributes(int fd, const termios& attributes) = 0;  // tcsetattr(TCSANOW)
    virtual int Flush(int fd, int queue) = 0;                          // tcflush
    virtual int Lock(int fd, int operation) = 0;                       // flock
    virtual int Poll(pollfd* fds, nfds_t count, int timeoutMs) = 0;
    virtual ssize_t Read(int fd, void* buffer, std::size_t count) = 0;
    virtual ssize_t Write(int fd, const void* data, std::size_t count) = 0;
    // Nanoseconds on the monotonic clock (CLOCK_MONOTONIC), arbitrary origin.
    virtual std::int64_t MonotonicNanos() = 0;
};

// The system's own calls.
std::unique_ptr<PosixSystem> MakeRealPosixSystem();

}  // namespace zt30
