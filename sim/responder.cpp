#include "sim/responder.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "link/frame_constants.h"

namespace zt30::sim {

namespace {

constexpr std::size_t kForeignField = 32;
constexpr std::uint8_t kForeignFormatByte = 0x01;

Bytes TextBytes(const char* text) {
    return Bytes(text, text + std::strlen(text));
}

Bytes Acknowledge(const Request& request) {
    return BuildSd1(request.sa, request.da, frame::kFcAcknowledge);
}

Bytes Refuse(const Request& request) {
    return BuildSd1(request.sa, request.da, kFcNegativeAcknowledge);
}

Bytes DataAnswer(const Request& request, std::span<const std::uint8_t> data) {
    return BuildSd2(request.sa, request.da, frame::kFcDataAnswer, data);
}

void Spoil(Reply& reply, FaultKind kind) {
    Bytes& b = reply.bytes;
    switch (kind) {
        case FaultKind::Short:
            b.pop_back();
            break;
        case FaultKind::BadFcs:
            b[b.size() - 2] = static_cast<std::uint8_t>(b[b.size() - 2] + 1);
            break;
        case FaultKind::BadEnd:
            b.back() = static_cast<std::uint8_t>(frame::kEd + 1);
            break;
        case FaultKind::Late:
            reply.delay = kLateDelay;
            break;
        case FaultKind::Hangup:
            b.resize(b.size() / 2);
            reply.hangup = true;
            break;
        case FaultKind::NoAnswer:
        case FaultKind::Nak:
            break;  // handled before the station acts
    }
    reply.fault = kind;
}

}  // namespace

Bytes ForeignIdentificationData() {
    Bytes data(1 + 3 * kForeignField, 0);
    data[0] = kForeignFormatByte;
    const char* fields[] = {kForeignMaker, kForeignModel, kForeignVersion};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t n = std::min(std::strlen(fields[i]), kForeignField);
        std::memcpy(data.data() + 1 + i * kForeignField, fields[i], n);
    }
    return data;
}

Responder::Responder(const ResponderConfig& config, Instrument::TimeSource now)
    : foreign_(config.foreign), turnaround_(config.turnaround), faults_(config.faults, config.seed) {
    for (std::uint8_t address : config.stations) {
        stations_.push_back(std::make_unique<Instrument>(address, config.pulseHz, now));
    }
}

Instrument* Responder::StationAt(std::uint8_t address) {
    for (auto& station : stations_) {
        if (station->Address() == address) {
            return station.get();
        }
    }
    return nullptr;
}

bool Responder::AddressTaken(std::uint8_t address, const Instrument& asking) const {
    if (foreign_ == address) {
        return true;
    }
    return std::any_of(stations_.begin(), stations_.end(), [&](const auto& station) {
        return station.get() != &asking && station->Address() == address;
    });
}

std::optional<Reply> Responder::Handle(const Request& request) {
    if (request.da == frame::kBroadcastAddress) {
        for (auto& station : stations_) {
            Act(*station, request, true);
        }
        return std::nullopt;
    }
    Instrument* station = StationAt(request.da);
    const bool foreign = !station && foreign_ == request.da;
    if (!station && !foreign) {
        return std::nullopt;
    }
    const std::optional<FaultKind> fault = faults_.Next();
    if (fault == FaultKind::NoAnswer) {
        return std::nullopt;
    }
    Reply reply;
    reply.delay = turnaround_;
    if (fault == FaultKind::Nak) {
        reply.bytes = Refuse(request);
        reply.fault = fault;
        return reply;
    }
    std::optional<Bytes> answer = station ? Act(*station, request, false) : ActForeign(request);
    if (!answer) {
        return std::nullopt;
    }
    reply.bytes = std::move(*answer);
    if (fault) {
        Spoil(reply, *fault);
    }
    return reply;
}

std::optional<Bytes> Responder::Act(Instrument& station, const Request& request, bool broadcast) {
    if (request.kind == FrameKind::Sd1) {
        return request.fc == frame::kFcStatusRequest ? Acknowledge(request) : Refuse(request);
    }
    const Bytes& data = request.data;
    if (data.empty()) {
        return Refuse(request);
    }
    const std::uint8_t command = data[0];
    if (request.fc == frame::kFcReadRequest) {
        if ((command == frame::kCmdIdentification || command == frame::kCmdVersion) && data.size() == 1) {
            const Bytes text = TextBytes(command == frame::kCmdVersion ? kVersionText : kIdentificationText);
            return DataAnswer(request, text);
        }
        if (command == frame::kCmdReadTable && data.size() == 2 && data[1] <= 5) {
            return DataAnswer(request, station.ReadTable(data[1]));
        }
        return Refuse(request);
    }
    if (request.fc != frame::kFcWriteRequest || command != frame::kCmdWriteTable || data.size() < 3) {
        return Refuse(request);
    }
    const int table = data[1];
    const std::span<const std::uint8_t> payload = std::span<const std::uint8_t>(data).subspan(2);
    bool done = false;
    if (table == frame::kTableClearCounter || table == frame::kTableClearSum) {
        done = payload.size() == 1 && station.Clear(table, payload[0]);
    } else if (table == 5) {
        // One broadcast would give every station the same address: a change must name its station.
        done = !broadcast && payload.size() == 1 && !AddressTaken(payload[0], station) &&
               station.WriteTable(table, payload);
    } else {
        done = station.WriteTable(table, payload);
    }
    return done ? Acknowledge(request) : Refuse(request);
}

std::optional<Bytes> Responder::ActForeign(const Request& request) const {
    if (request.kind == FrameKind::Sd1) {
        return request.fc == frame::kFcStatusRequest ? std::optional<Bytes>(Acknowledge(request))
                                                     : std::nullopt;
    }
    if (request.fc == frame::kFcReadRequest && request.data.size() == 1 &&
        request.data[0] == frame::kCmdIdentification) {
        return BuildSd2(request.sa, request.da, kForeignAnswerFc, ForeignIdentificationData());
    }
    return std::nullopt;
}

}  // namespace zt30::sim
