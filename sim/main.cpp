// zt30-sim: the instrument simulator as a console program. Parses the options, opens the pseudo-terminal,
// prints its slave path, then runs one poll loop on the master: bytes in go to the request parser, requests
// go one at a time to the responder, answers go out after the turnaround (paced at wire speed if asked).
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <fcntl.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <deque>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "base/text_rules.h"
#include "sim/pseudo_terminal.h"
#include "sim/request_parser.h"
#include "sim/responder.h"
#include "sim/sim_options.h"

namespace zt30::sim {
namespace {

using Clock = std::chrono::steady_clock;
using Nanos = std::chrono::nanoseconds;

// A frame interrupted for this long will not be completed: the program writes each request in one piece.
constexpr Nanos kIdleFlush = std::chrono::milliseconds(50);
constexpr int kBitsPerByte = 11;  // start bit, 8 data bits, even parity, stop bit

int g_signalPipe = -1;  // written by the signal handler only

void OnSignal(int) {
    const char byte = 1;
    // Nothing to do if it fails: the pipe is full, so a wake-up is already pending.
    [[maybe_unused]] const ssize_t n = write(g_signalPipe, &byte, 1);
}

bool InstallSignalHandlers(int pipeWriteEnd) {
    g_signalPipe = pipeWriteEnd;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0 &&
           sigaction(SIGHUP, &action, nullptr) == 0 && sigaction(SIGPIPE, &ignore, nullptr) == 0;
}

class Host {
public:
    Host(const SimOptions& options, PseudoTerminal& line, Responder& responder)
        : options_(options),
          line_(line),
          responder_(responder),
          start_(Clock::now()),
          byteTime_(Nanos(std::chrono::seconds(kBitsPerByte)) / options.baud) {}

    // Runs until a signal arrives on `signalFd` or a hang-up fault; returns the exit status.
    int Run(int signalFd);

private:
    struct Pending {
        Request request;
        Clock::time_point received;
    };
    struct Outgoing {
        std::vector<std::uint8_t> bytes;
        std::size_t sent = 0;
        Clock::time_point start;
        bool hangup = false;
        bool blocked = false;  // the line's queue is full; wait for room
        std::string note;      // the answer and its fault, logged when its first byte goes out
    };

    void Log(const std::string& tag, const std::string& text);
    bool ReceiveAvailable(Clock::time_point now);
    void Accept(std::vector<Request> requests, Clock::time_point received);
    void StartNextAnswer(Clock::time_point now);
    bool SendDue(Clock::time_point now);
    std::size_t BytesDue(Clock::time_point now) const;
    std::optional<Clock::time_point> NextWake() const;

    const SimOptions& options_;
    PseudoTerminal& line_;
    Responder& responder_;
    Clock::time_point start_;
    Nanos byteTime_;
    RequestParser parser_;
    std::deque<Pending> queue_;
    std::optional<Outgoing> out_;
    Clock::time_point lastByte_{};
    Clock::time_point wireFree_{};  // when the last request byte has fully arrived on the emulated wire
    bool hungUp_ = false;
};

void Host::Log(const std::string& tag, const std::string& text) {
    if (!options_.verbose) {
        return;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    std::fprintf(stderr, "%10.3f %s %s\n", seconds, tag.c_str(), text.c_str());
    std::fflush(stderr);
}

bool Host::ReceiveAvailable(Clock::time_point now) {
    std::uint8_t buffer[4096];
    while (true) {
        const ssize_t n = read(line_.Master(), buffer, sizeof buffer);
        if (n > 0) {
            lastByte_ = now;
            Clock::time_point received = now;
            if (options_.wireTime) {
                wireFree_ = std::max(wireFree_, now) + byteTime_ * n;
                received = wireFree_;
            }
            Accept(parser_.Feed(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n))),
                   received);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        // EAGAIN: all read. EIO cannot happen while the held slave keeps the line up; if it does, stop.
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

void Host::Accept(std::vector<Request> requests, Clock::time_point received) {
    if (const auto dropped = parser_.TakeDiscarded(); !dropped.empty()) {
        Log("DROP", HexBytes(dropped));
    }
    for (Request& request : requests) {
        Log("RX", HexBytes(request.raw));
        queue_.push_back({std::move(request), received});
    }
}

void Host::StartNextAnswer(Clock::time_point now) {
    // One request at a time: a station's address change must not be seen before its acknowledgement is out.
    while (!out_ && !queue_.empty()) {
        Pending pending = std::move(queue_.front());
        queue_.pop_front();
        std::optional<Reply> reply = responder_.Handle(pending.request);
        if (!reply) {
            continue;
        }
        std::string note = HexBytes(reply->bytes);
        if (reply->fault) {
            note += " [fault ";
            note += FaultName(*reply->fault);
            note += ']';
        }
        out_ = Outgoing{std::move(reply->bytes), 0,     std::max(pending.received + reply->delay, now),
                        reply->hangup,           false, std::move(note)};
    }
}

std::size_t Host::BytesDue(Clock::time_point now) const {
    if (now < out_->start) {
        return 0;
    }
    if (!options_.wireTime) {
        return out_->bytes.size();
    }
    // A byte is handed over when its last bit would have arrived.
    const auto elapsed = static_cast<std::size_t>((now - out_->start) / byteTime_);
    return std::min(elapsed, out_->bytes.size());
}

bool Host::SendDue(Clock::time_point now) {
    const std::size_t due = BytesDue(now);
    if (due > 0 && out_->sent == 0 && !out_->note.empty()) {
        Log("TX", out_->note);
        out_->note.clear();
    }
    while (out_->sent < due) {
        const ssize_t n = write(line_.Master(), out_->bytes.data() + out_->sent, due - out_->sent);
        if (n > 0) {
            out_->sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            out_->blocked = true;
            return true;
        }
        return false;
    }
    out_->blocked = false;
    if (out_->sent == out_->bytes.size()) {
        if (out_->hangup) {
            Log("HANGUP", "closing the line");
            hungUp_ = true;
        }
        out_.reset();
    }
    return true;
}

std::optional<Clock::time_point> Host::NextWake() const {
    std::optional<Clock::time_point> wake;
    if (out_ && !out_->blocked) {
        wake = options_.wireTime ? out_->start + byteTime_ * static_cast<long>(out_->sent + 1) : out_->start;
    }
    if (parser_.Pending() > 0) {
        const Clock::time_point flush = lastByte_ + kIdleFlush;
        wake = wake ? std::min(*wake, flush) : flush;
    }
    return wake;
}

int Host::Run(int signalFd) {
    while (true) {
        Clock::time_point now = Clock::now();
        StartNextAnswer(now);
        if (out_ && !out_->blocked && !SendDue(now)) {
            std::cerr << "zt30-sim: the line failed\n";
            return 1;
        }
        if (hungUp_) {
            return 0;
        }
        if (!out_ && !queue_.empty()) {
            continue;  // the answer was sent in full at once; start the next one
        }
        pollfd fds[2] = {{line_.Master(), POLLIN, 0}, {signalFd, POLLIN, 0}};
        if (out_ && out_->blocked) {
            fds[0].events |= POLLOUT;
        }
        timespec timeout{};
        timespec* timeoutPtr = nullptr;
        if (const auto wake = NextWake()) {
            const Nanos wait = std::max(Nanos(0), *wake - Clock::now());
            timeout.tv_sec = static_cast<time_t>(wait.count() / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(wait.count() % 1'000'000'000);
            timeoutPtr = &timeout;
        }
        if (ppoll(fds, 2, timeoutPtr, nullptr) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::perror("zt30-sim: poll");
            return 1;
        }
        if (fds[1].revents != 0) {
            return 0;
        }
        now = Clock::now();
        if ((fds[0].revents & POLLOUT) != 0 && out_) {
            out_->blocked = false;
        }
        if ((fds[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0 && !ReceiveAvailable(now)) {
            std::cerr << "zt30-sim: the line failed\n";
            return 1;
        }
        if (parser_.Pending() > 0 && now - lastByte_ >= kIdleFlush) {
            Accept(parser_.Flush(), now);
        }
    }
}

int Main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    const ParsedOptions parsed = ParseSimOptions(args);
    if (!parsed.options) {
        std::cerr << "zt30-sim: " << parsed.error << "\nTry 'zt30-sim --help'.\n";
        return 2;
    }
    const SimOptions& options = *parsed.options;
    if (options.help) {
        std::cout << SimHelpText();
        return 0;
    }
    int signalPipe[2];
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0 || !InstallSignalHandlers(signalPipe[1])) {
        std::perror("zt30-sim: signals");
        return 1;
    }
    std::string error;
    std::optional<PseudoTerminal> line = PseudoTerminal::Open(error);
    if (!line) {
        std::cerr << "zt30-sim: " << error << '\n';
        return 1;
    }
    std::optional<SymbolicLink> link =
        options.linkPath ? SymbolicLink::Create(*options.linkPath, line->SlavePath(), error) : std::nullopt;
    if (options.linkPath) {
        if (!link) {
            std::cerr << "zt30-sim: " << error << '\n';
            return 1;
        }
    }
    std::cout << line->SlavePath() << std::endl;

    Responder responder(options.responder,
                        [] { return std::chrono::duration_cast<Nanos>(Clock::now().time_since_epoch()); });
    Host host(options, *line, responder);
    const int status = host.Run(signalPipe[0]);
    // Hang up before the link goes, so a program that follows the link never finds a live line behind it.
    line->Close();
    if (link) {
        link->Remove();
    }
    return status;
}

}  // namespace
}  // namespace zt30::sim

int main(int argc, char** argv) {
    return zt30::sim::Main(argc, argv);
}
