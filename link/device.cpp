#include "link/device.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace zt30 {

using namespace frame;

namespace {

static_assert(std::numeric_limits<float>::is_iec559 && sizeof(float) == 4, "tables carry IEEE 754 singles");

float LoadFloat(std::span<const std::uint8_t> data, std::size_t offset) {
    const std::uint32_t bits = static_cast<std::uint32_t>(data[offset]) |
                               static_cast<std::uint32_t>(data[offset + 1]) << 8 |
                               static_cast<std::uint32_t>(data[offset + 2]) << 16 |
                               static_cast<std::uint32_t>(data[offset + 3]) << 24;
    return std::bit_cast<float>(bits);
}

void StoreFloat(float value, std::span<std::uint8_t> out, std::size_t offset) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) {
        out[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

std::uint16_t LoadU16(std::span<const std::uint8_t> data, std::size_t offset) {
    return static_cast<std::uint16_t>(data[offset] | data[offset + 1] << 8);
}

void StoreU16(std::uint16_t value, std::span<std::uint8_t> out, std::size_t offset) {
    out[offset] = static_cast<std::uint8_t>(value);
    out[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

// Fills block with zeros and copies data to its start, always keeping a terminating zero.
template <std::size_t N>
void StoreBlock(std::array<std::uint8_t, N>& block, std::span<const std::uint8_t> data) {
    block.fill(0);
    std::copy_n(data.begin(), std::min(data.size(), N - 1), block.begin());
}

constexpr int kLastReadableTable = 5;
constexpr int kFirstWritableTable = 1;
constexpr int kLastWritableTable = 5;
constexpr std::uint8_t kReadRequestLength = 5;     // DA, SA, FC, command, table
constexpr std::uint8_t kIdentRequestLength = 4;    // DA, SA, FC, command
constexpr std::uint8_t kWriteRequestOverhead = 5;  // DA, SA, FC, command, table

}  // namespace

std::size_t TableLength(int table) {
    if (table < 0 || table >= kTableCount) {
        return 0;
    }
    return kTableLength[table];
}

void DecodeTable(int table, std::span<const std::uint8_t> data, DeviceImage& image) {
    switch (table) {
        case 0:
            image.value = LoadFloat(data, 0);
            image.suma = LoadFloat(data, 4);
            break;
        case 1:
            image.func = data[0];
            image.dp = data[1];
            image.factor = data[2];
            image.config = data[3];
            image.filtr = LoadU16(data, 4);
            break;
        case 2:
            image.scale = LoadFloat(data, 0);
            image.offset = LoadFloat(data, 4);
            break;
        case 3:
            image.sp_lo = LoadFloat(data, 0);
            image.sp_hi = LoadFloat(data, 4);
            image.hyster = LoadFloat(data, 8);
            break;
        case 4:
            image.an_lo = LoadFloat(data, 0);
            image.an_hi = LoadFloat(data, 4);
            break;
        case 5:
            image.address = data[0];
            break;
        default:
            break;
    }
}

void EncodeTable(int table, const DeviceImage& image, std::span<std::uint8_t> out) {
    switch (table) {
        case 0:
            StoreFloat(image.value, out, 0);
            StoreFloat(image.suma, out, 4);
            break;
        case 1:
            out[0] = image.func;
            out[1] = image.dp;
            out[2] = image.factor;
            out[3] = image.config;
            StoreU16(image.filtr, out, 4);
            break;
        case 2:
            StoreFloat(image.scale, out, 0);
            StoreFloat(image.offset, out, 4);
            break;
        case 3:
            StoreFloat(image.sp_lo, out, 0);
            StoreFloat(image.sp_hi, out, 4);
            StoreFloat(image.hyster, out, 8);
            break;
        case 4:
            StoreFloat(image.an_lo, out, 0);
            StoreFloat(image.an_hi, out, 4);
            break;
        case 5:
            out[0] = image.address;
            break;
        default:
            break;
    }
}

std::string BlockText(std::span<const std::uint8_t> block, std::size_t offset, std::size_t maxLength) {
    if (offset >= block.size()) {
        return {};
    }
    const auto rest = block.subspan(offset, std::min(maxLength, block.size() - offset));
    const auto end = std::find(rest.begin(), rest.end(), std::uint8_t{0});
    return std::string(rest.begin(), end);
}

bool DeviceOperations::ReadTable(int table) {
    if (table < 0 || table > kLastReadableTable) {
        ui_.ShowMessage("Chyba, číslo tabulky mimo rozsah.", "Sériový Port", MessageIcon::Error,
                        MessageButtons::Ok);
        return false;
    }
    const auto unit = link_.BeginSd2Request(kFcReadRequest, kReadRequestLength);
    unit[0] = kCmdReadTable;
    unit[1] = static_cast<std::uint8_t>(table);
    link_.FinishSd2Request();
    if (!link_.ReceiveTableAnswer(TableLength(table))) {
        return false;
    }
    // At the broadcast address nothing was read; the image keeps what it had.
    if (link_.DestinationAddress() != kBroadcastAddress) {
        DecodeTable(table, link_.Received().subspan(kSd2DataOffset), image_);
    }
    return true;
}

bool DeviceOperations::WriteTable(int table) {
    if (table < kFirstWritableTable || table > kLastWritableTable) {
        ui_.ShowMessage("Nepředvídaná chyba, špatně zadaná tabulka", "DATA", MessageIcon::Error,
                        MessageButtons::Ok);
        return false;
    }
    const std::size_t length = TableLength(table);
    const auto unit =
        link_.BeginSd2Request(kFcWriteRequest, static_cast<std::uint8_t>(length + kWriteRequestOverhead));
    unit[0] = kCmdWriteTable;
    unit[1] = static_cast<std::uint8_t>(table);
    EncodeTable(table, image_, unit.subspan(2));
    link_.FinishSd2Request();
    return link_.AwaitAcknowledgement();
}

bool DeviceOperations::Clear(int table, std::uint8_t clearByte) {
    const auto unit = link_.BeginSd2Request(kFcWriteRequest, kWriteRequestOverhead + 1);
    unit[0] = kCmdWriteTable;
    unit[1] = static_cast<std::uint8_t>(table);
    unit[2] = clearByte;
    link_.FinishSd2Request();
    return link_.AwaitAcknowledgement();
}

bool DeviceOperations::ClearCounter() {
    return Clear(kTableClearCounter, kClearCounterByte);
}

bool DeviceOperations::ClearSum() {
    return Clear(kTableClearSum, kClearSumByte);
}

bool DeviceOperations::ReadText(std::uint8_t command, std::array<std::uint8_t, 250>& block) {
    const auto unit = link_.BeginSd2Request(kFcReadRequest, kIdentRequestLength);
    unit[0] = command;
    link_.FinishSd2Request();
    if (!link_.ReceiveVariableAnswer()) {
        return false;
    }
    const auto answer = link_.Received();
    const std::size_t le = answer[1];
    // An LE below 3 leaves no room for DA, SA and FC: such a frame can pass the checks but carries no data
    // unit.
    if (le < 3) {
        return false;
    }
    StoreBlock(block, answer.subspan(kSd2DataOffset, le - 3));
    return true;
}

bool DeviceOperations::ReadIdentification() {
    return ReadText(kCmdIdentification, image_.identType);
}

bool DeviceOperations::ReadVersion() {
    return ReadText(kCmdVersion, image_.identVersion);
}

bool DeviceOperations::ReadForeignIdentification() {
    const auto unit = link_.BeginSd2Request(kFcReadRequest, kIdentRequestLength);
    unit[0] = kCmdIdentification;
    link_.FinishSd2Request();
    if (!link_.ReceiveUncheckedAnswer()) {
        return false;
    }
    const auto answer = link_.Received();
    StoreBlock(image_.identForeign, answer.subspan(kSd2DataOffset + 1, answer[1] - 4u));
    return true;
}

bool DeviceOperations::RequestStationStatus() {
    return link_.StationStatusExchange();
}

}  // namespace zt30
