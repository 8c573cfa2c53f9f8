// The instrument's multi-step jobs over the device operations: probing one station of a scan, reading and
// writing parameter tables with the instrument's pauses, changing its bus address, and identifying it. Each
// job is written once here; the dialogs and zt30ctl call it and differ only in how they present the result.
// The pauses go through the Clock; the line must already be open. Nothing here shows a message.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "link/clock.h"
#include "link/device.h"

namespace zt30 {

// The parameter tables, in the order they are read and written.
inline constexpr std::array<int, 4> kParamTables = {1, 2, 3, 4};
// Pauses after each table read and each table write: the instrument stores a written table before it
// takes the next request.
inline constexpr int kTableReadPauseMs = 20;
inline constexpr int kTableWritePauseMs = 100;
inline constexpr int kIdentPauseMs = 50;           // between the identification requests
inline constexpr int kAddressChangePauseMs = 100;  // after the acknowledged new address
// Bytes of each of the three text fields of a foreign device's answer (maker, model, version).
inline constexpr std::size_t kForeignFieldLength = 32;

// Whether a station answers the status request at address; the link's DA points there for the probe only.
bool ProbeStation(DeviceOperations& ops, std::uint8_t address);

// What a table transfer does after a table failed: the dialogs go on with the others and report once, the
// command-line tool stops (a silent instrument costs one time-out, not four).
enum class OnTableFailure { GoOn, Stop };

// Called after each table's exchange, before its pause: the table and whether it succeeded.
using TableProgress = std::function<void(int table, bool ok)>;

struct TableTransfer {
    std::vector<int> done;    // the tables read, or acknowledged, in order
    std::vector<int> failed;  // the tables that failed, in order; with Stop at most one
    bool Ok() const { return failed.empty(); }
};

// Reads the tables (0 to 5) into the image in order, pausing kTableReadPauseMs after each.
TableTransfer ReadTables(DeviceOperations& ops, Clock& clock, std::span<const int> tables,
                         OnTableFailure onFailure, const TableProgress& afterEach = {});
// Writes the tables (1 to 5) from the image in order, pausing kTableWritePauseMs after each.
TableTransfer WriteTables(DeviceOperations& ops, Clock& clock, std::span<const int> tables,
                          OnTableFailure onFailure, const TableProgress& afterEach = {});

// Whether an address change proves itself by reading table 5 back at the new address.
enum class AddressReadBack : bool { Off, On };

enum class AddressChange {
    Changed,         // acknowledged (and, with the read-back, answered at the new address with it)
    WriteFailed,     // not acknowledged: the link keeps the old address, the image holds the new one
    NotAtNewAddress  // acknowledged, but table 5 did not come back with it from the new address
};

// Sets the image's address, writes table 5 to the current (old) DA, and after the acknowledgement moves the
// link to the new address and pauses kAddressChangePauseMs; then reads table 5 there when asked.
AddressChange ChangeAddress(DeviceOperations& ops, Clock& clock, std::uint8_t newAddress,
                            AddressReadBack readBack);

// The result of Identify, with the texts as the instrument's bytes (its code page) up to their first zero.
struct Identification {
    bool typeRead = false;     // the identification answered: type holds its text
    bool versionRead = false;  // the version answered: version holds its text
    // Neither answered, but a device of another kind did: its three fields (maker, model, version).
    bool foreign = false;
    std::string type;
    std::string version;
    std::array<std::string, 3> foreignFields;

    bool Identified() const { return typeRead || versionRead; }
};

// ReadIdentification, a pause, ReadVersion; the image's two blocks change only for the answers received.
Identification ReadTypeAndVersion(DeviceOperations& ops, Clock& clock);
// ReadTypeAndVersion, and when neither answered, a pause and ReadForeignIdentification.
Identification Identify(DeviceOperations& ops, Clock& clock);

}  // namespace zt30
