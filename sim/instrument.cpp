#include "sim/instrument.h"

#include <bit>
#include <cmath>

#include "link/frame_constants.h"

namespace zt30::sim {

namespace {

constexpr std::uint8_t kMaxStationAddress = 126;
constexpr std::uint8_t kMaxFunc = 3;
constexpr std::uint8_t kMaxDp = 5;

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFFu));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutFloat(std::vector<std::uint8_t>& out, float f) {
    const auto v = std::bit_cast<std::uint32_t>(f);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFFu));
    }
}

std::uint16_t GetU16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

float GetFloat(std::span<const std::uint8_t> b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    }
    return std::bit_cast<float>(v);
}

}  // namespace

Instrument::Instrument(std::uint8_t address, double pulseHz, TimeSource now)
    : address_(address), pulseHz_(pulseHz), now_(std::move(now)), last_(now_()) {}

void Instrument::Advance() {
    const std::chrono::nanoseconds now = now_();
    if (now <= last_) {
        return;
    }
    const double seconds = std::chrono::duration<double>(now - last_).count();
    last_ = now;
    pulseFraction_ += pulseHz_ * seconds;
    const double whole = std::floor(pulseFraction_);
    pulseFraction_ -= whole;
    counter_ += static_cast<std::uint64_t>(whole);
    sum_ += Scaled(whole);
}

double Instrument::Scaled(double raw) const {
    if (params_.factor == kFactorMultiply) {
        return raw * static_cast<double>(params_.scale);
    }
    return params_.scale == 0.0F ? 0.0 : raw / static_cast<double>(params_.scale);
}

float Instrument::Value() {
    Advance();
    double raw = 0.0;
    switch (static_cast<Function>(params_.func)) {
        case Function::Total:
            raw = static_cast<double>(counter_);
            break;
        case Function::Rate:
            raw = pulseHz_;
            break;
        case Function::FlowPerMinute:
            raw = pulseHz_ * 60.0;
            break;
        case Function::FlowPerHour:
            raw = pulseHz_ * 3600.0;
            break;
    }
    return static_cast<float>(Scaled(raw) + static_cast<double>(params_.offset));
}

float Instrument::Sum() {
    Advance();
    return static_cast<float>(sum_);
}

std::uint64_t Instrument::Counter() {
    Advance();
    return counter_;
}

std::vector<std::uint8_t> Instrument::ReadTable(int table) {
    std::vector<std::uint8_t> out;
    switch (table) {
        case 0: {
            const float value = Value();
            PutFloat(out, value);
            PutFloat(out, Sum());
            break;
        }
        case 1:
            out = {params_.func, params_.dp, params_.factor, params_.config};
            PutU16(out, params_.filtr);
            break;
        case 2:
            PutFloat(out, params_.scale);
            PutFloat(out, params_.offset);
            break;
        case 3:
            PutFloat(out, params_.sp_lo);
            PutFloat(out, params_.sp_hi);
            PutFloat(out, params_.hyster);
            break;
        case 4:
            PutFloat(out, params_.an_lo);
            PutFloat(out, params_.an_hi);
            break;
        case 5:
            out = {address_};
            break;
        default:
            break;
    }
    return out;
}

bool Instrument::WriteTable(int table, std::span<const std::uint8_t> bytes) {
    if (table < 1 || table > 5 || bytes.size() != frame::kTableLength[table]) {
        return false;
    }
    // Pulses so far count with the old SCALE and FACTOR.
    Advance();
    switch (table) {
        case 1:
            if (bytes[0] > kMaxFunc || bytes[1] > kMaxDp || bytes[2] > kFactorMultiply) {
                return false;
            }
            params_.func = bytes[0];
            params_.dp = bytes[1];
            params_.factor = bytes[2];
            params_.config = bytes[3];
            params_.filtr = GetU16(bytes, 4);
            return true;
        case 2:
            params_.scale = GetFloat(bytes, 0);
            params_.offset = GetFloat(bytes, 4);
            return true;
        case 3:
            params_.sp_lo = GetFloat(bytes, 0);
            params_.sp_hi = GetFloat(bytes, 4);
            params_.hyster = GetFloat(bytes, 8);
            return true;
        case 4:
            params_.an_lo = GetFloat(bytes, 0);
            params_.an_hi = GetFloat(bytes, 4);
            return true;
        default:
            if (bytes[0] > kMaxStationAddress) {
                return false;
            }
            address_ = bytes[0];
            return true;
    }
}

bool Instrument::Clear(int table, std::uint8_t code) {
    Advance();
    if (table == frame::kTableClearCounter && code == frame::kClearCounterByte) {
        counter_ = 0;
        return true;
    }
    if (table == frame::kTableClearSum && code == frame::kClearSumByte) {
        sum_ = 0.0;
        return true;
    }
    return false;
}

}  // namespace zt30::sim
