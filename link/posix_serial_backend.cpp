#include "link/posix_serial_backend.h"

#include <fcntl.h>
#include <sys/file.h>

#if defined(__linux__) && defined(TIOCGICOUNT)
#include <linux/serial.h>
#define ZT30_HAVE_ICOUNT 1
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "link/read_deadline.h"

namespace zt30 {
namespace {

using Nanos = std::int64_t;

// Milliseconds for poll() until the deadline, rounded up so a wait never ends just before it.
int PollTimeout(Nanos deadline, Nanos now) {
    if (deadline == kNoDeadline) {
        return -1;
    }
    const Nanos left = std::max<Nanos>(0, deadline - now);
    return static_cast<int>(std::min<Nanos>((left + kNanosPerMs - 1) / kNanosPerMs, 60'000));
}

// The time 11-bit characters (start, 8 data, parity, stop) need on the wire.
Nanos WireTime(std::size_t bytes, std::uint32_t baudRate) {
    const std::uint32_t rate = std::max<std::uint32_t>(baudRate, 1);
    return static_cast<Nanos>(bytes) * 11 * 1'000'000'000 / rate;
}

struct StandardRate {
    std::uint32_t rate;
    speed_t code;
};

constexpr StandardRate kStandardRates[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},     {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B921600
    {921600, B921600},
#endif
};

// The largest standard rate not above the wanted one: exact for standard rates, a placeholder for the others.
StandardRate PlaceholderRate(std::uint32_t rate) {
    StandardRate best = kStandardRates[0];
    for (const StandardRate& r : kStandardRates) {
        if (r.rate <= rate) {
            best = r;
        }
    }
    return best;
}

[[maybe_unused]] std::uint32_t RateOfCode(speed_t code) {
    for (const StandardRate& r : kStandardRates) {
        if (r.code == code) {
            return r.rate;
        }
    }
    return 0;
}

// A UART cannot hit every rate exactly and some drivers report the rate they reached; 2 % is well inside what
// the receiving side tolerates.
bool RateTook(std::uint32_t wanted, std::uint32_t got) {
    const std::uint64_t diff = wanted > got ? wanted - got : got - wanted;
    return diff * 50 <= wanted;
}

#ifdef ZT30_HAVE_TERMIOS2
bool SetExactRate(PosixSystem& system, int fd, std::uint32_t rate) {
    KernelTermios2 t{};
    if (system.Ioctl(fd, kGetTermios2, &t) != 0) {
        return false;
    }
    t.c_cflag &= ~(kKernelBaudMask | (kKernelBaudMask << kInputBaudShift));
    t.c_cflag |= kBaudOther | (kBaudOther << kInputBaudShift);
    t.c_ispeed = rate;
    t.c_ospeed = rate;
    if (system.Ioctl(fd, kSetTermios2, &t) != 0) {
        return false;
    }
    KernelTermios2 back{};
    return system.Ioctl(fd, kGetTermios2, &back) == 0 && RateTook(rate, back.c_ospeed) &&
           RateTook(rate, back.c_ispeed);
}

std::uint32_t CurrentRate(PosixSystem& system, int fd, const termios&) {
    KernelTermios2 t{};
    return system.Ioctl(fd, kGetTermios2, &t) == 0 ? t.c_ospeed : 0;
}
#else
bool SetExactRate(PosixSystem& system, int fd, std::uint32_t rate) {
    termios back{};
    return system.GetAttributes(fd, back) == 0 && RateTook(rate, RateOfCode(cfgetospeed(&back)));
}

std::uint32_t CurrentRate(PosixSystem&, int, const termios& t) {
    return RateOfCode(cfgetospeed(&t));
}
#endif

bool DeviceGone(short revents) {
    return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace

PosixSerialBackend::PosixSerialBackend(PortDeviceLookup lookup, std::unique_ptr<PosixSystem> system)
    : lookup_(std::move(lookup)), system_(std::move(system)) {}

PosixSerialBackend::~PosixSerialBackend() {
    ClosePort();
}

void PosixSerialBackend::NoteOpenFailure(const std::string& path, bool notTerminal) {
    const int error = errno;
    std::string reason;
    if (notTerminal) {
        reason = "not a terminal";
    } else if (error == ENOENT || error == ENODEV || error == ENXIO) {
        reason = "no such device";
    } else if (error == EACCES || error == EPERM) {
        reason = "permission denied";
    } else if (error == EBUSY || error == EWOULDBLOCK || error == EAGAIN) {
        reason = "busy, another program has it open";
    } else {
        reason = std::strerror(error);
    }
    openFailure_ = path + ": " + reason;
}

bool PosixSerialBackend::OpenPort(int portNumber) {
    ClosePort();
    openFailure_.clear();
    const std::optional<std::string> path = DevicePathForPort(portNumber, lookup_);
    if (!path) {
        return false;
    }
    const int fd = system_->Open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        NoteOpenFailure(*path, false);
        return false;
    }
    // The lock comes first, so a port held by another program is never left in exclusive mode by a failed
    // open. TIOCEXCL keeps other users out but not root; the lock also stops a second open by root.
    const bool terminal = system_->IsTerminal(fd) == 1;
    if (!terminal || system_->Lock(fd, LOCK_EX | LOCK_NB) != 0) {
        NoteOpenFailure(*path, !terminal);
        system_->Close(fd);
        return false;
    }
    if (system_->Ioctl(fd, TIOCEXCL, nullptr) != 0) {
        NoteOpenFailure(*path, false);
        system_->Lock(fd, LOCK_UN);
        system_->Close(fd);
        return false;
    }
    fd_ = fd;
    timeouts_ = kLineReadTimeouts;
    haveSaved_ = false;
    markErrors_ = false;
    abortOnError_ = false;
    discardNull_ = false;
    lineError_ = false;
    decoder_.Reset();
    haveCounts_ = ReadErrorCounts(counts_);
    return true;
}

bool PosixSerialBackend::SetQueues(std::size_t, std::size_t) {
    // The kernel sizes its own buffers; there is nothing to set.
    return IsOpen();
}

bool PosixSerialBackend::SetReadTimeouts(const ReadTimeouts& timeouts) {
    if (!IsOpen()) {
        return false;
    }
    timeouts_ = timeouts;
    return true;
}

bool PosixSerialBackend::GetConfig(LineConfig& config) {
    if (!IsOpen() || system_->GetAttributes(fd_, saved_) != 0) {
        return false;
    }
    haveSaved_ = true;
    LineConfig c;
    c.baudRate = CurrentRate(*system_, fd_, saved_);
    switch (saved_.c_cflag & CSIZE) {
        case CS5:
            c.dataBits = 5;
            break;
        case CS6:
            c.dataBits = 6;
            break;
        case CS7:
            c.dataBits = 7;
            break;
        default:
            c.dataBits = 8;
            break;
    }
    c.parity = (saved_.c_cflag & PARENB) == 0   ? Parity::None
               : (saved_.c_cflag & PARODD) != 0 ? Parity::Odd
                                                : Parity::Even;
    c.stopBits = (saved_.c_cflag & CSTOPB) != 0 ? 2 : 1;
    c.binaryMode = true;  // the only mode this backend drives the port in
    c.parityCheck = (saved_.c_iflag & INPCK) != 0;
    c.discardNull = discardNull_;
    c.abortOnError = abortOnError_;
    config = c;
    return true;
}

bool PosixSerialBackend::SetConfig(const LineConfig& config) {
    if (!IsOpen() || config.baudRate == 0 || config.dataBits < 5 || config.dataBits > 8 ||
        (config.stopBits != 1 && config.stopBits != 2)) {
        return false;
    }
    if (!haveSaved_) {
        if (system_->GetAttributes(fd_, saved_) != 0) {
            return false;
        }
        haveSaved_ = true;
    }
    termios t = saved_;
    // Raw binary mode: bytes pass untouched both ways, no flow control, reads never wait in the kernel.
    t.c_iflag &=
        ~(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
#ifdef IUCLC
    t.c_iflag &= ~IUCLC;
#endif
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
#ifdef CMSPAR
    // Left on by another program, it would turn even parity into space parity.
    t.c_cflag &= ~CMSPAR;
#endif
#ifdef CRTSCTS
    t.c_cflag &= ~CRTSCTS;
#endif
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[config.dataBits - 5];
    if (config.parity != Parity::None) {
        t.c_cflag |= PARENB;
        if (config.parity == Parity::Odd) {
            t.c_cflag |= PARODD;
        }
    }
    if (config.stopBits == 2) {
        t.c_cflag |= CSTOPB;
    }
    if (config.parityCheck) {
        t.c_iflag |= INPCK | PARMRK;
    }
    const StandardRate placeholder = PlaceholderRate(config.baudRate);
    if (cfsetispeed(&t, placeholder.code) != 0 || cfsetospeed(&t, placeholder.code) != 0 ||
        system_->SetAttributes(fd_, t) != 0) {
        return false;
    }
    saved_ = t;
    // A change of marking invalidates a half-seen mark.
    if (markErrors_ != config.parityCheck) {
        decoder_.Reset();
    }
    markErrors_ = config.parityCheck;
    abortOnError_ = config.abortOnError;
    discardNull_ = config.discardNull;
    // Errors the driver counted under the old configuration (another rate, say) are not this line's.
    if (haveCounts_) {
        ReadErrorCounts(counts_);
    }
    if (!SetExactRate(*system_, fd_, config.baudRate)) {
        return false;
    }
    baudRate_ = config.baudRate;
    return true;
}

void PosixSerialBackend::PurgeReceive() {
    if (IsOpen()) {
        system_->Flush(fd_, TCIFLUSH);
        decoder_.Reset();
    }
}

void PosixSerialBackend::PurgeTransmit() {
    if (IsOpen()) {
        system_->Flush(fd_, TCOFLUSH);
    }
}

bool PosixSerialBackend::ReadErrorCounts(LineErrorCounts& counts) {
#ifdef ZT30_HAVE_ICOUNT
    serial_icounter_struct c{};
    if (system_->Ioctl(fd_, TIOCGICOUNT, &c) != 0) {
        return false;
    }
    counts = {c.overrun, c.buf_overrun, c.parity, c.frame, c.brk};
    return true;
#else
    (void)counts;
    return false;
#endif
}

bool PosixSerialBackend::CheckLineError() {
    if (lineError_ || !abortOnError_ || !haveCounts_) {
        return lineError_;
    }
    LineErrorCounts now;
    if (!ReadErrorCounts(now)) {
        return false;  // a device that went fails the read or write by its own calls
    }
    lineError_ = now.overrun > counts_.overrun || now.bufferOverrun > counts_.bufferOverrun ||
                 now.parity > counts_.parity || now.frame > counts_.frame || now.breaks > counts_.breaks;
    counts_ = now;
    return lineError_;
}

ReadResult PosixSerialBackend::Read(std::span<std::uint8_t> buffer) {
    ReadResult result;
    if (!IsOpen() || CheckLineError()) {
        return result;
    }
    const Nanos start = system_->MonotonicNanos();
    ReadDeadline deadline(timeouts_, buffer.size(), start);
    // Exchanges never allocate: raw bytes pass through a fixed chunk on the stack.
    std::array<std::uint8_t, 256> raw;

    while (result.count < buffer.size()) {
        const Nanos now = system_->MonotonicNanos();
        if (deadline.Passed(now)) {
            break;
        }
        pollfd p{fd_, POLLIN, 0};
        const int ready = system_->Poll(&p, 1, PollTimeout(deadline.At(), now));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return result;
        }
        if (ready == 0) {
            continue;  // the deadline is checked at the top
        }
        if (DeviceGone(p.revents)) {
            return result;
        }
        if ((p.revents & POLLIN) == 0) {
            continue;
        }
        // Never more raw bytes than still wanted: decoding only shrinks, and the rest stays queued.
        const std::size_t want = std::min(buffer.size() - result.count, raw.size());
        const ssize_t got = system_->Read(fd_, raw.data(), want);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
                continue;
            }
            return result;
        }
        if (got == 0) {
            return result;  // readable but empty: the device hung up
        }
        const Nanos lastByte = system_->MonotonicNanos();
        deadline.ByteArrived(lastByte);
        const std::span<const std::uint8_t> chunk(raw.data(), static_cast<std::size_t>(got));
        const std::span<std::uint8_t> out = buffer.subspan(result.count);
        std::size_t produced = 0;
        // The byte times say when bytes reached the program, for the response times of the line monitor.
        const auto noteArrival = [&result, start, lastByte](std::size_t delivered) {
            if (delivered > 0) {
                result.lastByteUs = (lastByte - start) / 1000;
                if (result.firstByteUs < 0) {
                    result.firstByteUs = result.lastByteUs;
                }
            }
        };
        bool marked = false;
        if (markErrors_) {
            const ParmrkResult decoded = decoder_.Decode(chunk, out);
            produced = decoded.count;
            marked = decoded.lineError;
        } else {
            std::copy(chunk.begin(), chunk.end(), out.begin());
            produced = chunk.size();
        }
        // The bytes of a read that ends in a line error are filtered like any others.
        if (discardNull_) {
            const auto kept =
                std::remove(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(produced), 0);
            produced = static_cast<std::size_t>(kept - out.begin());
        }
        result.count += produced;
        noteArrival(produced);
        if (marked && abortOnError_) {
            lineError_ = true;
            return result;
        }
        if (CheckLineError()) {
            return result;
        }
    }
    result.ok = !CheckLineError();
    return result;
}

bool PosixSerialBackend::Write(std::span<const std::uint8_t> data) {
    if (!IsOpen() || CheckLineError()) {
        return false;
    }
    // Bytes the driver will not take within twice their wire time (plus slack) are stuck: fail, never hang.
    const Nanos deadline =
        system_->MonotonicNanos() + 2 * WireTime(data.size(), baudRate_) + 500 * kNanosPerMs;
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = system_->Write(fd_, data.data() + done, data.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return false;
        }
        const Nanos now = system_->MonotonicNanos();
        if (now >= deadline) {
            return false;
        }
        pollfd p{fd_, POLLOUT, 0};
        const int ready = system_->Poll(&p, 1, PollTimeout(deadline, now));
        if (ready < 0 && errno != EINTR) {
            return false;
        }
        if (ready > 0 && DeviceGone(p.revents)) {
            return false;
        }
    }
    return WaitUntilSent(data.size());
}

bool PosixSerialBackend::WaitUntilSent(std::size_t bytes) {
    // tcdrain can hang for good on some USB adapters, so the output queue is watched with a bound instead.
    const Nanos deadline = system_->MonotonicNanos() + 2 * WireTime(bytes, baudRate_) + 100 * kNanosPerMs;
    for (;;) {
        int queued = 0;
        if (system_->Ioctl(fd_, TIOCOUTQ, &queued) != 0) {
            return false;
        }
        if (queued <= 0) {
            return true;
        }
        const Nanos now = system_->MonotonicNanos();
        if (now >= deadline) {
            // The driver took the bytes; a queue that does not report empty (some adapters never do) must not
            // stall the exchange. Should the bytes really be stuck, the answer's read times out.
            return true;
        }
        const Nanos step = std::clamp<Nanos>(WireTime(static_cast<std::size_t>(queued), baudRate_),
                                             kNanosPerMs, 20 * kNanosPerMs);
        pollfd p{fd_, 0, 0};  // no events asked: wakes only on a hang-up or error
        const int ready = system_->Poll(&p, 1, PollTimeout(std::min(deadline, now + step), now));
        if (ready < 0 && errno != EINTR) {
            return false;
        }
        if (ready > 0 && DeviceGone(p.revents)) {
            return false;
        }
    }
}

void PosixSerialBackend::ClosePort() {
    if (!IsOpen()) {
        return;
    }
    system_->Ioctl(fd_, TIOCNXCL, nullptr);
    system_->Lock(fd_, LOCK_UN);
    system_->Close(fd_);
    fd_ = -1;
    haveSaved_ = false;
    lineError_ = false;
    decoder_.Reset();
}

std::unique_ptr<SerialBackend> MakeLocalSerialBackend(PortDeviceLookup lookup) {
    return std::make_unique<PosixSerialBackend>(std::move(lookup));
}

}  // namespace zt30
