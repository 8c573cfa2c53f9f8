#include "link/instrument_tasks.h"

namespace zt30 {

namespace {

template <typename Exchange>
TableTransfer Transfer(std::span<const int> tables, OnTableFailure onFailure, const TableProgress& afterEach,
                       Clock& clock, int pauseMs, Exchange exchange) {
    TableTransfer result;
    for (const int table : tables) {
        const bool ok = exchange(table);
        (ok ? result.done : result.failed).push_back(table);
        if (afterEach) {
            afterEach(table, ok);
        }
        if (!ok && onFailure == OnTableFailure::Stop) {
            break;
        }
        clock.SleepMs(pauseMs);
    }
    return result;
}

constexpr int kAddressTable = 5;

}  // namespace

bool ProbeStation(DeviceOperations& ops, std::uint8_t address) {
    TelegramLayer& link = ops.Link();
    const std::uint8_t remembered = link.DestinationAddress();
    link.SetDestinationAddress(address);
    const bool answered = ops.RequestStationStatus();
    link.SetDestinationAddress(remembered);
    return answered;
}

TableTransfer ReadTables(DeviceOperations& ops, Clock& clock, std::span<const int> tables,
                         OnTableFailure onFailure, const TableProgress& afterEach) {
    return Transfer(tables, onFailure, afterEach, clock, kTableReadPauseMs,
                    [&ops](int table) { return ops.ReadTable(table); });
}

TableTransfer WriteTables(DeviceOperations& ops, Clock& clock, std::span<const int> tables,
                          OnTableFailure onFailure, const TableProgress& afterEach) {
    return Transfer(tables, onFailure, afterEach, clock, kTableWritePauseMs,
                    [&ops](int table) { return ops.WriteTable(table); });
}

AddressChange ChangeAddress(DeviceOperations& ops, Clock& clock, std::uint8_t newAddress,
                            AddressReadBack readBack) {
    ops.Image().address = newAddress;
    // The request still goes to the old address and carries the new one.
    if (!ops.WriteTable(kAddressTable)) {
        return AddressChange::WriteFailed;
    }
    // The instrument takes the new address after its acknowledgement; the link follows it.
    ops.Link().SetDestinationAddress(newAddress);
    clock.SleepMs(kAddressChangePauseMs);
    if (readBack == AddressReadBack::On &&
        (!ops.ReadTable(kAddressTable) || ops.Image().address != newAddress)) {
        return AddressChange::NotAtNewAddress;
    }
    return AddressChange::Changed;
}

Identification ReadTypeAndVersion(DeviceOperations& ops, Clock& clock) {
    Identification result;
    const DeviceImage& image = ops.Image();
    result.typeRead = ops.ReadIdentification();
    if (result.typeRead) {
        result.type = BlockText(image.identType);
    }
    clock.SleepMs(kIdentPauseMs);
    result.versionRead = ops.ReadVersion();
    if (result.versionRead) {
        result.version = BlockText(image.identVersion);
    }
    return result;
}

Identification Identify(DeviceOperations& ops, Clock& clock) {
    Identification result = ReadTypeAndVersion(ops, clock);
    if (result.Identified()) {
        return result;
    }
    clock.SleepMs(kIdentPauseMs);
    result.foreign = ops.ReadForeignIdentification();
    if (result.foreign) {
        for (std::size_t i = 0; i < result.foreignFields.size(); ++i) {
            result.foreignFields[i] =
                BlockText(ops.Image().identForeign, i * kForeignFieldLength, kForeignFieldLength);
        }
    }
    return result;
}

}  // namespace zt30
