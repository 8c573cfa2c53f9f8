// Fuzz target: the simulator's request parser and responder over any byte stream from the line. The stream
// is fed in the chunks the input cuts it into and, to a second parser, whole: both must find the same
// requests and drop the same bytes. Every request found is a well-formed frame; every answer without an
// injected fault passes the program's own answer checks, goes back to the asking station, and a table read
// after an acknowledged write gives back the bytes written.
//
// Input: [station count] [addresses...] [foreign] [fault kind] [fault value] [seed], then chunks until the
// input is used up: [time step in 100 ms] [count] [count bytes].
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "link/telegram.h"
#include "sim/request_parser.h"
#include "sim/responder.h"
#include "tests/fuzz/fuzz_support.h"

namespace zt30::fuzz {
namespace {

using sim::Bytes;
using sim::FrameKind;
using sim::Request;

constexpr std::size_t kDiscardedKept = 4096;  // the parser keeps at most about this much of the garbage

std::uint8_t Sum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes) {
        sum += b;
    }
    return static_cast<std::uint8_t>(sum & 0xFF);
}

void CheckRequestFrame(const Request& r) {
    const Bytes& f = r.raw;
    if (r.kind == FrameKind::Sd1) {
        ZT30_FUZZ_CHECK(f.size() == 6 && f[0] == 0x10 && f[5] == 0x16 && f[4] == Sum({f.data() + 1, 3}));
        ZT30_FUZZ_CHECK(r.da == f[1] && r.sa == f[2] && r.fc == f[3] && r.data.empty());
        return;
    }
    ZT30_FUZZ_CHECK(f.size() >= 9 && f[0] == 0x68 && f[1] == f[2] && f[3] == 0x68 && f[1] >= 3);
    const std::size_t le = f[1];
    ZT30_FUZZ_CHECK(f.size() == le + 6 && f[le + 5] == 0x16 && f[le + 4] == Sum({f.data() + 4, le}));
    ZT30_FUZZ_CHECK(r.da == f[4] && r.sa == f[5] && r.fc == f[6]);
    ZT30_FUZZ_CHECK(r.data == Bytes(f.begin() + 7, f.end() - 2));
}

struct Shadow {
    // The bytes of tables 1 to 4 as last acknowledged, per station.
    std::map<const sim::Instrument*, std::map<int, Bytes>> tables;
};

void CheckReply(sim::Responder& responder, const sim::ResponderConfig& config, const Request& r,
                const std::optional<sim::Reply>& reply, sim::Instrument* station, Shadow& shadow) {
    const bool foreign = station == nullptr && config.foreign == r.da;
    const Bytes& d = r.data;
    const bool write = r.kind == FrameKind::Sd2 && r.fc == 0x63 && d.size() >= 3 && d[0] == 0x02;
    if (r.da == 127 || (station == nullptr && !foreign)) {
        ZT30_FUZZ_CHECK(!reply);
        if (r.da == 127 && write) {
            // Every station may have taken a broadcast write, unanswered.
            for (auto& [s, tables] : shadow.tables) {
                tables.erase(d[1]);
            }
        }
        return;
    }
    if (!reply) {
        return;  // not heard: nothing done
    }
    if (reply->fault) {
        // A spoiled answer still follows the station's action, except a refusal.
        if (write && station != nullptr && reply->fault != sim::FaultKind::Nak) {
            shadow.tables[station].erase(d[1]);
        }
        return;
    }
    const Bytes& a = reply->bytes;
    ZT30_FUZZ_CHECK(!reply->hangup);
    if (a[0] == 0x10) {
        ZT30_FUZZ_CHECK(a.size() == 6 && a[1] == r.sa && a[2] == r.da);
        ZT30_FUZZ_CHECK(a[3] == 0x00 || a[3] == sim::kFcNegativeAcknowledge);
        // A positive acknowledgement is one the program accepts; a negative one it refuses.
        ZT30_FUZZ_CHECK(CheckAcknowledgement(a) == (a[3] == 0x00));
    } else {
        ZT30_FUZZ_CHECK(a.size() >= 9 && a[4] == r.sa && a[5] == r.da);
        if (a[6] == sim::kForeignAnswerFc) {
            ZT30_FUZZ_CHECK(foreign);
        } else {
            ZT30_FUZZ_CHECK(CheckVariableFrame(a) && a.size() == a[1] + 6u);
        }
    }
    if (station == nullptr) {
        return;
    }
    if (r.kind == FrameKind::Sd1) {
        ZT30_FUZZ_CHECK((a[3] == 0x00) == (r.fc == 0x69));
        return;
    }
    const bool read = r.fc == 0x6C && d.size() == 2 && d[0] == 0x01 && d[1] <= 5;
    if (read) {
        static constexpr std::size_t kLengths[] = {8, 6, 8, 12, 8, 1};
        ZT30_FUZZ_CHECK(a[0] == 0x68 && a[1] == kLengths[d[1]] + 3);
        const auto& tables = shadow.tables[station];
        if (const auto t = tables.find(d[1]); t != tables.end()) {
            ZT30_FUZZ_CHECK(Bytes(a.begin() + 7, a.end() - 2) == t->second);
        }
        if (d[1] == 5) {
            ZT30_FUZZ_CHECK(a[7] == station->Address());
        }
        return;
    }
    if (!write || a[0] != 0x10 || a[3] != 0x00) {
        return;
    }
    const int table = d[1];
    const Bytes payload(d.begin() + 2, d.end());
    if (table >= 1 && table <= 4) {
        shadow.tables[station][table] = payload;
    } else if (table == 5) {
        ZT30_FUZZ_CHECK(payload.size() == 1 && station->Address() == payload[0]);
        ZT30_FUZZ_CHECK(responder.StationAt(payload[0]) == station);
    } else {
        ZT30_FUZZ_CHECK((table == 6 && payload == Bytes{0x55}) || (table == 7 && payload == Bytes{0x5A}));
    }
}

sim::ResponderConfig ConfigOf(FuzzInput& in) {
    sim::ResponderConfig config;
    config.stations.clear();
    const int count = 1 + in.Byte() % 3;
    std::set<std::uint8_t> taken;
    for (int i = 0; i < count; ++i) {
        const auto address = static_cast<std::uint8_t>(in.Byte() % 127);
        if (taken.insert(address).second) {
            config.stations.push_back(address);
        }
    }
    const std::uint8_t foreign = in.Byte();
    if ((foreign & 0x80) != 0 && !taken.contains(foreign & 0x7F) && (foreign & 0x7F) != 127) {
        config.foreign = static_cast<std::uint8_t>(foreign & 0x7F);
    }
    const std::uint8_t kind = in.Byte();
    const std::uint8_t value = in.Byte();
    if (kind % 8 < 7) {
        sim::FaultSpec spec;
        spec.kind = static_cast<sim::FaultKind>(kind % 8);
        if ((kind & 0x80) != 0) {
            spec.onlyRequest = value + 1u;
        } else {
            spec.rate = value / 255.0;
        }
        config.faults.push_back(spec);
    }
    config.seed = in.Byte();
    return config;
}

}  // namespace
}  // namespace zt30::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zt30::fuzz;
    using namespace zt30;
    FuzzInput in({data, size});
    const sim::ResponderConfig config = ConfigOf(in);
    std::chrono::nanoseconds now{0};
    sim::Responder responder(config, [&now] { return now; });

    sim::RequestParser chunked;
    Bytes stream;
    stream.reserve(size);
    std::vector<Bytes> found;
    std::size_t foundBytes = 0;
    std::size_t discarded = 0;
    Shadow shadow;
    const auto handle = [&](std::vector<Request>&& requests) {
        for (Request& r : requests) {
            CheckRequestFrame(r);
            foundBytes += r.raw.size();
            // The station is looked up before it acts: a change of address moves it.
            sim::Instrument* station = responder.StationAt(r.da);
            const std::optional<sim::Reply> reply = responder.Handle(r);
            CheckReply(responder, config, r, reply, station, shadow);
            found.push_back(std::move(r.raw));
        }
    };
    while (!in.Empty()) {
        now += std::chrono::milliseconds(100) * in.Byte();
        const auto chunk = in.Take(in.Byte());
        stream.insert(stream.end(), chunk.begin(), chunk.end());
        handle(chunked.Feed(chunk));
        discarded += chunked.TakeDiscarded().size();
        if (stream.size() < kDiscardedKept) {
            ZT30_FUZZ_CHECK(foundBytes + discarded + chunked.Pending() == stream.size());
        }
    }
    handle(chunked.Flush());
    ZT30_FUZZ_CHECK(chunked.Pending() == 0);

    // Cut or whole, the stream holds the same requests.
    sim::RequestParser whole;
    std::size_t next = 0;
    for (const auto& parts : {whole.Feed(stream), whole.Flush()}) {
        for (const Request& r : parts) {
            ZT30_FUZZ_CHECK(next < found.size() && r.raw == found[next]);
            ++next;
        }
    }
    ZT30_FUZZ_CHECK(next == found.size());
    return 0;
}
