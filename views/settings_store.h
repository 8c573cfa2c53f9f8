// The per-user settings store: fifteen signed 32-bit integers in five sections, each stored as decimal text,
// plus the device path of each COM port (section DEVICES) on POSIX systems. The store reads and writes
// through a SettingsBackend (QSettings in the program, an in-memory map in tests) and reports the three store
// errors through the UI services. A SettingsSequence groups one handler's reads and writes so that they stop
// after the first failure, as each window's creation and close handlers require.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "link/com_ports.h"
#include "link/ui_services.h"

namespace zt30 {

// What a backend finds under one value name.
struct ValueQuery {
    enum class Kind { Missing, Text, NotText };
    Kind kind = Kind::Missing;
    std::string text;  // the value's text when kind is Text

    friend bool operator==(const ValueQuery&, const ValueQuery&) = default;
};

// The storage beneath the store: a key holding sections holding named values.
class SettingsBackend {
public:
    virtual ~SettingsBackend() = default;
    // Opens the store's key, creating it when missing; false when it can be neither opened nor created.
    virtual bool OpenKey() = 0;
    // True when the section exists and can be read; never creates it.
    virtual bool OpenSection(const std::string& section) = 0;
    // Creates the section when it is missing; false when it cannot be created.
    virtual bool CreateSection(const std::string& section) = 0;
    // The value name in an opened section: missing, text (with its contents) or a value of another type.
    virtual ValueQuery QueryValue(const std::string& section, const std::string& name) = 0;
    // Sets name to a text value and makes it durable before returning; false when it cannot be set.
    virtual bool SetTextValue(const std::string& section, const std::string& name,
                              const std::string& text) = 0;
};

// One stored integer: its section, value name and the default used when it is missing or unreadable.
struct IntSetting {
    std::string_view section;
    std::string_view name;
    std::int32_t defaultValue;
};

// The store's key name (the registry key under HKEY_CURRENT_USER, the INI file's base name elsewhere).
inline constexpr std::string_view kSettingsKeyName = "OrvZT30";

namespace settings {
// Main window position and outer size in pixels.
inline constexpr IntSetting kLeft{"DESKTOP", "Left", 192};
inline constexpr IntSetting kTop{"DESKTOP", "Top", 107};
inline constexpr IntSetting kHeight{"DESKTOP", "Height", 465};
inline constexpr IntSetting kWidth{"DESKTOP", "Width", 667};
// Chart: colours are the toolkit's 32-bit colour numbers; 0x8000000F (button face) is stored as -2147483633.
inline constexpr IntSetting kPenColor{"GRAF", "PERO", 255};
inline constexpr IntSetting kGridColor{"GRAF", "MRIZ", static_cast<std::int32_t>(0x8000000Fu)};
inline constexpr IntSetting kBorderColor{"GRAF", "POZADI", static_cast<std::int32_t>(0x8000000Fu)};
inline constexpr IntSetting kGraph3D{"GRAF", "G3D", 1};
inline constexpr IntSetting kGraph3DPercent{"GRAF", "R3D", 35};
inline constexpr IntSetting kGraphPoints{"GRAF", "POCET", 200};
// Recording interval in seconds.
inline constexpr IntSetting kInterval{"ZAZNAM", "SOUBOR", 60};
// Bus addresses of the computer (SA) and the instrument (DA).
inline constexpr IntSetting kSourceAddress{"ADRESA", "SA", 0};
inline constexpr IntSetting kDestinationAddress{"ADRESA", "DA", 0};
// Port list index (0 "no port", 1 to 8 COM1 to COM8) and line speed in bit/s.
inline constexpr IntSetting kPortNumber{"PORT", "COM", 1};
inline constexpr IntSetting kBaudRate{"PORT", "BAUDRATE", 9600};

inline constexpr IntSetting kAll[] = {kLeft,
                                      kTop,
                                      kHeight,
                                      kWidth,
                                      kPenColor,
                                      kGridColor,
                                      kBorderColor,
                                      kGraph3D,
                                      kGraph3DPercent,
                                      kGraphPoints,
                                      kInterval,
                                      kSourceAddress,
                                      kDestinationAddress,
                                      kPortNumber,
                                      kBaudRate};

// Section of the device paths of the COM ports; value names "COM1" to "COM8".
inline constexpr std::string_view kDevicesSection = "DEVICES";
inline constexpr int kDevicePortCount = 8;
}  // namespace settings

// The result of one checked read: the value (the default when unreadable) and whether a read error occurred.
struct IntRead {
    std::int32_t value;
    bool ok;
};

class SettingsStore {
public:
    // Opens the key through the backend. When it cannot be opened the store still works: reads give their
    // defaults, and each write tries to open the key again and reports "Failed to create key OrvZT30".
    SettingsStore(std::unique_ptr<SettingsBackend> backend, UiServices& ui);
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // True when the key was opened.
    bool IsOpen() const { return open_; }

    // The stored integer, or defaultValue when the section, the value or a valid integer text is missing.
    // A value of a non-text type shows "Invalid data type for 'name'" and gives defaultValue.
    std::int32_t readInt(const std::string& section, const std::string& name, std::int32_t defaultValue);
    std::int32_t readInt(const IntSetting& setting);
    // As readInt, and tells whether a read error was shown.
    IntRead readIntChecked(const std::string& section, const std::string& name, std::int32_t defaultValue);

    // Stores value as decimal text, creating the section when needed; false (after showing "Failed to create
    // key SECTION" or "Failed to set data for 'name'") when it could not be stored.
    bool writeInt(const std::string& section, const std::string& name, std::int32_t value);
    bool writeInt(const IntSetting& setting, std::int32_t value);

    // A text value, silently nullopt when missing or not text (a caller in the reading cycle must not raise a
    // message box every second).
    std::optional<std::string> readText(const std::string& section, const std::string& name);
    // Stores a text value; errors are shown as for writeInt.
    bool writeText(const std::string& section, const std::string& name, const std::string& text);

    // The configured device path of COM n (text value COMn of section DEVICES); nullopt when none is set or
    // n is outside 1 to 8. The returned function refers to this store, which must outlive it.
    PortDeviceLookup DeviceLookup();

private:
    bool EnsureOpen();
    void ShowError(std::string text);

    std::unique_ptr<SettingsBackend> backend_;
    UiServices& ui_;
    bool open_ = false;
};

// One handler's sequence of reads and writes: after the first failing read or write, the later reads are
// not made (they return their defaults) and the later writes are not made (they return false).
class SettingsSequence {
public:
    explicit SettingsSequence(SettingsStore& store) : store_(store) {}

    // The stored value as SettingsStore::readInt; defaultValue without reading once the sequence failed.
    std::int32_t readInt(const std::string& section, const std::string& name, std::int32_t defaultValue);
    // Reads setting with the given default (a window passes its current value).
    std::int32_t readInt(const IntSetting& setting, std::int32_t defaultValue);
    std::int32_t readInt(const IntSetting& setting) { return readInt(setting, setting.defaultValue); }
    // As SettingsStore::writeInt; false without writing once the sequence failed.
    bool writeInt(const std::string& section, const std::string& name, std::int32_t value);
    bool writeInt(const IntSetting& setting, std::int32_t value);

    // True once a read or write of this sequence failed.
    bool failed() const { return failed_; }

private:
    SettingsStore& store_;
    bool failed_ = false;
};

// The decimal text of a stored integer: "-" and digits, no leading zeros, no blanks. It is read back with
// ParseStoredInt (base/text_rules.h), which also takes the blanks and "+" of a hand-edited file.
std::string IntToSettingText(std::int32_t value);

}  // namespace zt30
