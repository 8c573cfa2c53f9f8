// The network line over a scripted peer, for what a real server does not show on demand: a Telnet command
// or a doubled 0xFF split across reads, options the client does not know, a refused setting, the server
// gone in the middle of an answer, and the read time-outs on a clock that only the test moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <vector>

#include "link/network_address.h"
#include "link/network_serial_backend.h"

namespace zt30 {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t IAC = 255, SB = 250, SE = 240, WILL = 251, WONT = 252, DO = 253, DONT = 254;

// The server's side: what it will send, what it got, and its answers to the COM port commands (the value
// asked for, unless refused lists the command).
struct Peer {
    std::deque<Bytes> pieces;  // each Receive takes at most one piece
    bool ended = false;        // after the pieces, the connection ends
    bool refuseComPort = false;
    std::vector<std::uint8_t> refused;  // COM port commands answered with 0
    Bytes sent;
    std::int64_t now = 0;

    void Answer(const Bytes& request) {
        for (std::size_t i = 0; i + 2 < request.size(); ++i) {
            if (request[i] == IAC && request[i + 1] == WILL && request[i + 2] == 44) {
                pieces.push_back({IAC, refuseComPort ? DONT : DO, 44});
            }
            if (request[i] == IAC && request[i + 1] == SB && request[i + 2] == 44) {
                const Bytes endMark{IAC, SE};
                auto end = std::search(request.begin() + static_cast<long>(i), request.end(), endMark.begin(),
                                       endMark.end());
                Bytes answer(request.begin() + static_cast<long>(i), end + 2);
                const std::uint8_t code = answer[3];
                answer[3] = static_cast<std::uint8_t>(code + 100);
                if (std::count(refused.begin(), refused.end(), code) > 0) {
                    std::fill(answer.begin() + 4, answer.end() - 2, 0);
                }
                pieces.push_back(answer);
            }
        }
    }
};

class ScriptedSockets final : public SocketSystem {
public:
    explicit ScriptedSockets(std::shared_ptr<Peer> peer) : peer_(std::move(peer)) {}
    SocketHandle Connect(const std::string&, std::uint16_t, int) override { return 7; }
    SocketWait Wait(SocketHandle, bool forWriting, int timeoutMs) override {
        if (forWriting || !peer_->pieces.empty() || peer_->ended) {
            return SocketWait::Ready;
        }
        peer_->now += std::int64_t{timeoutMs} * 1'000'000;
        return SocketWait::Timeout;
    }
    SocketIo Send(SocketHandle, std::span<const std::uint8_t> data) override {
        const Bytes request(data.begin(), data.end());
        peer_->sent.insert(peer_->sent.end(), request.begin(), request.end());
        peer_->Answer(request);
        return {SocketIo::Status::Done, data.size()};
    }
    SocketIo Receive(SocketHandle, std::span<std::uint8_t> buffer) override {
        if (peer_->pieces.empty()) {
            return {peer_->ended ? SocketIo::Status::Closed : SocketIo::Status::WouldBlock, 0};
        }
        Bytes& piece = peer_->pieces.front();
        const std::size_t n = std::min(piece.size(), buffer.size());
        std::copy_n(piece.begin(), n, buffer.begin());
        piece.erase(piece.begin(), piece.begin() + static_cast<long>(n));
        if (piece.empty()) {
            peer_->pieces.pop_front();
        }
        return {SocketIo::Status::Done, n};
    }
    void Close(SocketHandle) override {}
    void Pause(int ms) override { peer_->now += std::int64_t{ms} * 1'000'000; }
    std::int64_t MonotonicNanos() override { return peer_->now; }

private:
    std::shared_ptr<Peer> peer_;
};

struct NetworkLine {
    explicit NetworkLine(const char* address = "rfc2217://server:2217")
        : line(settings,
               std::make_unique<NetworkSerialBackend>([address](int) { return std::string(address); },
                                                      std::make_unique<ScriptedSockets>(peer))) {}
    bool Contains(const Bytes& bytes) const {
        return std::search(peer->sent.begin(), peer->sent.end(), bytes.begin(), bytes.end()) !=
               peer->sent.end();
    }
    ReadResult Read(std::size_t n) {
        got.assign(n, 0);
        const ReadResult r = line.Read(got);
        got.resize(r.count);
        return r;
    }

    std::shared_ptr<Peer> peer = std::make_shared<Peer>();
    PortSettings settings{1, 19200, 1, 0};
    SerialLine line;
    Bytes got;
};

TEST(NetworkLine, OpenSetsTheServersPortTo8E1WithoutFlowControlAndPurgesIt) {
    NetworkLine net;
    ASSERT_TRUE(net.line.Open(1));
    EXPECT_TRUE(net.Contains({IAC, WILL, 44}));
    EXPECT_TRUE(net.Contains({IAC, SB, 44, 1, 0x00, 0x00, 0x4B, 0x00, IAC, SE})) << "19200 Bd";
    EXPECT_TRUE(net.Contains({IAC, SB, 44, 2, 8, IAC, SE}));
    EXPECT_TRUE(net.Contains({IAC, SB, 44, 3, 3, IAC, SE})) << "even parity";
    EXPECT_TRUE(net.Contains({IAC, SB, 44, 4, 1, IAC, SE}));
    EXPECT_TRUE(net.Contains({IAC, SB, 44, 5, 1, IAC, SE})) << "no flow control";
    EXPECT_TRUE(net.Contains({IAC, SB, 44, 12, 2, IAC, SE, IAC, SB, 44, 12, 1, IAC, SE})) << "both purges";

    // A new speed alone goes at once, with no other setting.
    net.peer->sent.clear();
    net.settings.baudRate = 9600;
    net.line.ApplySettings();
    EXPECT_EQ(net.peer->sent, (Bytes{IAC, SB, 44, 1, 0x00, 0x00, 0x25, 0x80, IAC, SE}));
}

TEST(NetworkLine, ARefusedSettingIsTheConfigurationErrorAndARefusedOptionTheOpenFailure) {
    NetworkLine parity;
    parity.peer->refused = {3};
    EXPECT_THROW(
        {
            try {
                parity.line.Open(1);
            } catch (const SerialLineError& e) {
                EXPECT_STREQ(e.what(), "Nepodařila se reinicializace portu COM1");
                throw;
            }
        },
        SerialLineError);
    EXPECT_FALSE(parity.line.IsOpen());

    NetworkLine plainTelnet;
    plainTelnet.peer->refuseComPort = true;
    EXPECT_FALSE(plainTelnet.line.Open(1));
}

TEST(NetworkLine, DataIsUnescapedAcrossReadsAndCommandsNeverReachIt) {
    NetworkLine net;
    ASSERT_TRUE(net.line.Open(1));
    net.peer->sent.clear();
    // 0xFF doubled across two reads, a modem-state notification split in three, options unknown to the
    // client, then the rest of the answer.
    net.peer->pieces = {{0x68, IAC},
                        {IAC, 0x01, IAC, SB},
                        {44, 107},
                        {0x30, IAC, SE, IAC, WILL, 0x99},
                        {IAC, DO, 0x18, 0x02}};
    EXPECT_TRUE(net.Read(4).ok);
    EXPECT_EQ(net.got, (Bytes{0x68, 0xFF, 0x01, 0x02}));
    EXPECT_EQ(net.peer->sent, (Bytes{IAC, DONT, 0x99, IAC, WONT, 0x18}));
    // A read that ends on the first 0xFF of a pair: its partner, in the next read, makes the data byte.
    net.peer->pieces = {{0x03, IAC}};
    EXPECT_TRUE(net.Read(2).ok);
    EXPECT_EQ(net.got, (Bytes{0x03}));
    net.peer->pieces = {{IAC, 0x16}};
    EXPECT_TRUE(net.Read(2).ok);
    EXPECT_EQ(net.got, (Bytes{0xFF, 0x16}));

    net.peer->sent.clear();
    EXPECT_TRUE(net.line.Write(Bytes{0x10, 0xFF, 0x16}));
    EXPECT_TRUE(net.Contains({0x10, IAC, IAC, 0x16}));
}

TEST(NetworkLine, ReadsEndByTheSameTimeOutsAsOnALocalPort) {
    NetworkLine net("tcp://server:4001");
    ASSERT_TRUE(net.line.Open(1));
    std::int64_t start = net.peer->now;
    EXPECT_TRUE(net.Read(17).ok);
    EXPECT_TRUE(net.got.empty());
    EXPECT_EQ((net.peer->now - start) / 1'000'000, 534) << "500 + 2 * 17 ms";

    net.peer->pieces = {{0x68, 0xFF, 0xFF}};
    start = net.peer->now;
    EXPECT_TRUE(net.Read(17).ok);
    EXPECT_EQ(net.got, (Bytes{0x68, 0xFF, 0xFF})) << "raw bytes pass as they are";
    EXPECT_EQ((net.peer->now - start) / 1'000'000, 100) << "100 ms after the last byte";
}

TEST(NetworkLine, AServerGoneFailsTheReadAtOnceAndEveryCallUntilReopened) {
    NetworkLine net;
    ASSERT_TRUE(net.line.Open(1));
    net.peer->pieces = {{0x68, 0x05}};
    net.peer->ended = true;
    const std::int64_t start = net.peer->now;
    const ReadResult r = net.Read(11);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.count, 2u);
    EXPECT_EQ(net.peer->now, start) << "no waiting for a time-out";
    EXPECT_FALSE(net.line.Write(Bytes{0x10}));
    EXPECT_FALSE(net.Read(1).ok);

    net.peer->ended = false;
    net.line.Close();
    EXPECT_TRUE(net.line.Open(1));
    EXPECT_TRUE(net.line.Write(Bytes{0x10}));
}

TEST(NetworkAddress, TakesTheTwoSchemesAndRefusesWhatIsNotAnAddress) {
    EXPECT_EQ(ParseNetworkAddress("rfc2217://10.0.0.5:2217").address,
              (NetworkAddress{NetworkScheme::Rfc2217, "10.0.0.5", 2217}));
    EXPECT_EQ(ParseNetworkAddress("TCP://[::1]:65535").address,
              (NetworkAddress{NetworkScheme::Tcp, "::1", 65535}));
    EXPECT_FALSE(IsNetworkDevice("/dev/ttyUSB0"));
    const std::pair<const char*, const char*> refused[] = {
        {"tcp://box", "no port (HOST:PORT)"},
        {"tcp://box:", "no port (HOST:PORT)"},
        {"tcp://box:0", "port out of range 1..65535"},
        {"tcp://box:65536", "port out of range 1..65535"},
        {"tcp://box:99999999999999999999", "port out of range 1..65535"},
        {"tcp://box:80/x", "port not a number 1..65535"},
        {"socket://box:4001", "unknown scheme (rfc2217:// or tcp://)"},
        {"tcp://:4001", "no valid host"},
        {"tcp://my box:4001", "no valid host"},
        {"tcp://[::1:4001", "unclosed [ in the host"},
    };
    for (const auto& [text, error] : refused) {
        const NetworkAddressParse parsed = ParseNetworkAddress(text);
        EXPECT_FALSE(parsed.address) << text;
        EXPECT_EQ(parsed.error, error) << text;
    }
}

}  // namespace
}  // namespace zt30
