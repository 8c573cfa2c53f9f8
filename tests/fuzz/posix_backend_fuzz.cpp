// Fuzz target: the POSIX serial backend's reads and writes over a scripted operating system whose every
// answer comes from the fuzzer: polls that time out, wake early, are interrupted or report a hang-up; reads
// that deliver any bytes in any chunks, fail or find nothing; partial and failing writes; an output queue and
// error counters of any value. A read never delivers more than asked nor other bytes than the marked stream
// decodes to, no wait outlasts the read time-outs or the write's bound, a write reports success only when
// every byte went out in order, and a line error stays until the port is closed.
//
// Input: [flags] [rate], then steps: [operation] [size]; the system's answers are taken from the same input
// as the calls are made (its rules are in ScriptedSystem below).
#include <sys/file.h>

#ifdef __linux__
#include <linux/serial.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <span>
#include <vector>

#include "link/parmrk_decoder.h"
#include "link/posix_serial_backend.h"
#include "link/posix_system.h"
#include "tests/fuzz/fuzz_support.h"

namespace zt30::fuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::int64_t kMs = 1'000'000;

// The operating system, scripted by the input. Once the input is used up, polls time out, reads find
// nothing, writes take everything and the output queue is empty: every loop of the backend then ends by its
// own deadline.
class ScriptedSystem final : public PosixSystem {
public:
    ScriptedSystem(FuzzInput& script, bool counters) : script_(script), counters_(counters) {}

    int Open(const char*, int) override { return kFd; }
    int Close(int) override { return 0; }
    int IsTerminal(int) override { return 1; }
    int Ioctl(int fd, unsigned long request, void* argument) override {
        ZT30_FUZZ_CHECK(fd == kFd);
        if (request == TIOCOUTQ) {
            *static_cast<int*>(argument) = script_.Byte() % 64;
            return 0;
        }
#ifdef ZT30_HAVE_TERMIOS2
        if (request == kGetTermios2) {
            auto* t = static_cast<KernelTermios2*>(argument);
            *t = {attributes_.c_iflag,
                  attributes_.c_oflag,
                  attributes_.c_cflag,
                  attributes_.c_lflag,
                  0,
                  {},
                  0,
                  0};
            t->c_ispeed = rate_;
            t->c_ospeed = rate_;
            return 0;
        }
        if (request == kSetTermios2) {
            rate_ = static_cast<KernelTermios2*>(argument)->c_ospeed;
            return 0;
        }
#endif
#ifdef __linux__
        if (request == TIOCGICOUNT) {
            if (!counters_) {
                errno = EINVAL;
                return -1;
            }
            // A byte with its top bit set raises one of the counters.
            const std::uint8_t b = script_.Byte();
            if ((b & 0x80) != 0) {
                int* counts[] = {&count_.overrun, &count_.buf_overrun, &count_.parity, &count_.frame,
                                 &count_.brk};
                ++*counts[b % 5];
            }
            std::memcpy(argument, &count_, sizeof count_);
            return 0;
        }
#endif
        return 0;  // TIOCEXCL, TIOCNXCL
    }
    int GetAttributes(int, termios& t) override {
        t = attributes_;
        return 0;
    }
    int SetAttributes(int, const termios& t) override {
        attributes_ = t;
        return 0;
    }
    int Flush(int, int queue) override {
        flushedInput = flushedInput || queue == TCIFLUSH;
        return 0;
    }
    int Lock(int, int) override {
        return 0;
    }
    // [kind] [delay]: 0 time-out; 1 to 3 ready; 4 interrupted; 5 hang-up; 6 error; 7 woken with nothing.
    int Poll(pollfd* fds, nfds_t count, int timeoutMs) override {
        ZT30_FUZZ_CHECK(count == 1 && timeoutMs >= 0);
        pollfd& p = fds[0];
        p.revents = 0;
        const std::int64_t timeout = std::int64_t{timeoutMs} * kMs;
        if (script_.Empty()) {
            now_ += timeout;
            return 0;
        }
        const std::uint8_t kind = script_.Byte() % 8;
        const std::int64_t delay = timeout == 0 ? 0 : script_.Byte() * timeout / 255;
        now_ += kind == 0 ? timeout : delay;
        switch (kind) {
            case 0:
                return 0;
            case 4:
                errno = EINTR;
                return -1;
            case 5:
                p.revents = static_cast<short>(POLLHUP | (p.events & POLLIN));
                return 1;
            case 6:
                p.revents = (delay & 1) != 0 ? POLLERR : POLLNVAL;
                return 1;
            case 7:
                return 1;
            default:
                p.revents = static_cast<short>(p.events & (POLLIN | POLLOUT));
                return 1;
        }
    }
    // [kind] ...: 0 to 4 [count] count bytes; 5 interrupted; 6 nothing there; 7 an I/O error or, with the
    // next byte odd, end of file (the device went).
    ssize_t Read(int, void* buffer, std::size_t count) override {
        ZT30_FUZZ_CHECK(count >= 1 && count <= 256);
        const std::uint8_t kind = script_.Byte() % 8;
        if (kind < 5) {
            const auto bytes = script_.Take(std::min<std::size_t>(count, script_.Byte()));
            if (!bytes.empty()) {
                std::memcpy(buffer, bytes.data(), bytes.size());
                raw.insert(raw.end(), bytes.begin(), bytes.end());
                return static_cast<ssize_t>(bytes.size());
            }
        }
        if (kind == 5) {
            errno = EINTR;
            return -1;
        }
        if (kind == 7) {
            if ((script_.Byte() & 1) != 0) {
                return 0;
            }
            errno = EIO;
            return -1;
        }
        errno = EAGAIN;
        return -1;
    }
    // [kind] ...: 0 to 4 [count] takes 1 + count % n bytes; 5 interrupted; 6 no room; 7 an I/O error.
    ssize_t Write(int, const void* data, std::size_t count) override {
        ZT30_FUZZ_CHECK(count >= 1);
        std::size_t take = count;
        if (!script_.Empty()) {
            const std::uint8_t kind = script_.Byte() % 8;
            if (kind >= 5) {
                errno = kind == 5 ? EINTR : kind == 6 ? EAGAIN : EIO;
                return -1;
            }
            take = 1 + script_.Byte() % count;
        }
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        written.insert(written.end(), bytes, bytes + take);
        return static_cast<ssize_t>(take);
    }
    std::int64_t MonotonicNanos() override {
        return now_;
    }

    Bytes raw;      // every byte a read delivered
    Bytes written;  // every byte a write took
    bool flushedInput = false;

private:
    static constexpr int kFd = 5;
    FuzzInput& script_;
    bool counters_;
    std::int64_t now_ = 1'000'000'000'000;
    termios attributes_{};
    std::uint32_t rate_ = 9600;
#ifdef __linux__
    serial_icounter_struct count_{};
#endif
};

constexpr std::uint32_t kRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,
                                    19200, 38400, 56000, 57600, 115200, 128000, 256000};

std::int64_t WireNs(std::size_t bytes, std::uint32_t rate) {
    return static_cast<std::int64_t>(bytes) * 11 * 1'000'000'000 / rate;
}

}  // namespace
}  // namespace zt30::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zt30;
    using namespace zt30::fuzz;
    FuzzInput in({data, size});
    const std::uint8_t flags = in.Byte();
    const std::uint32_t rate = kRates[in.Byte() % std::size(kRates)];
    auto owned = std::make_unique<ScriptedSystem>(in, (flags & 8) != 0);
    ScriptedSystem& system = *owned;
    PosixSerialBackend backend([](int) { return std::optional<std::string>("/dev/ttyFUZZ"); },
                               std::move(owned));

    ZT30_FUZZ_CHECK(backend.OpenPort(1));
    ZT30_FUZZ_CHECK(backend.SetReadTimeouts(kLineReadTimeouts));
    LineConfig config;
    ZT30_FUZZ_CHECK(backend.GetConfig(config));
    config.baudRate = rate;
    config.parityCheck = (flags & 1) != 0;
    config.abortOnError = (flags & 2) != 0;
    config.discardNull = (flags & 4) != 0;
    ZT30_FUZZ_CHECK(backend.SetConfig(config));

    // The bytes a read should deliver: the raw stream through a decoder of its own when marking is on. The
    // buffers serve every step of the input.
    ParmrkDecoder shadow;
    Bytes buffer;
    Bytes decoded;
    Bytes bytes;
    buffer.reserve(256);
    decoded.reserve(256);
    bytes.reserve(256);
    bool markError = false;  // a read met an error mark with abort-on-error on
    while (!in.Empty()) {
        const std::uint8_t operation = in.Byte() % 4;
        const std::size_t n = 1 + in.Byte() % 255;
        const std::int64_t start = system.MonotonicNanos();
        const bool failedBefore = backend.HasLineError();
        if (operation <= 1) {
            buffer.assign(n, 0);
            const std::size_t rawBefore = system.raw.size();
            const ReadResult r = backend.Read(buffer);
            const std::int64_t elapsed = system.MonotonicNanos() - start;
            ZT30_FUZZ_CHECK(r.count <= n);
            ZT30_FUZZ_CHECK(elapsed <= (500 + 2 * static_cast<std::int64_t>(n) + 1) * kMs);
            ZT30_FUZZ_CHECK(!failedBefore || (!r.ok && r.count == 0 && system.raw.size() == rawBefore));
            const auto chunk = std::span(system.raw).subspan(rawBefore);
            decoded.assign(chunk.begin(), chunk.end());
            if (config.parityCheck) {
                const ParmrkResult d = shadow.Decode(chunk, decoded);
                ZT30_FUZZ_CHECK(d.consumed == chunk.size());
                decoded.resize(d.count);
                markError = markError || (d.lineError && config.abortOnError);
            }
            if (config.discardNull) {
                std::erase(decoded, std::uint8_t{0});
            }
            // A read returns all it decoded, so what it delivered is what its raw bytes decode to.
            ZT30_FUZZ_CHECK(r.count == decoded.size() &&
                            std::equal(decoded.begin(), decoded.end(), buffer.begin()));
            ZT30_FUZZ_CHECK(!markError || backend.HasLineError());
            ZT30_FUZZ_CHECK(!backend.HasLineError() || !r.ok);
        } else if (operation == 2) {
            bytes.resize(n);
            for (std::size_t i = 0; i < n; ++i) {
                bytes[i] = static_cast<std::uint8_t>(i * 37 + n);
            }
            const std::size_t before = system.written.size();
            const bool ok = backend.Write(bytes);
            const auto sent = std::span(system.written).subspan(before);
            ZT30_FUZZ_CHECK(sent.size() <= n && std::equal(sent.begin(), sent.end(), bytes.begin()));
            ZT30_FUZZ_CHECK(!ok || sent.size() == n);
            ZT30_FUZZ_CHECK(!backend.HasLineError() || (!ok && sent.empty()));
            const std::int64_t bound = 4 * WireNs(n, rate) + 602 * kMs;
            ZT30_FUZZ_CHECK(system.MonotonicNanos() - start <= bound);
        } else {
            backend.PurgeReceive();
            ZT30_FUZZ_CHECK(system.flushedInput);
            system.flushedInput = false;
            shadow.Reset();
        }
        // A line error comes only with abort-on-error on, and stays.
        ZT30_FUZZ_CHECK(!backend.HasLineError() || config.abortOnError);
        ZT30_FUZZ_CHECK(!failedBefore || backend.HasLineError());
    }
    backend.ClosePort();
    ZT30_FUZZ_CHECK(!backend.HasLineError());
    return 0;
}
