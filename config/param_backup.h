// A parameter file: the instrument's settable parameters (tables 1 to 4) as UTF-8 INI text that a person can
// read, edit and compare, written by `zt30ctl backup` and the parameters dialog's "Uložit..." and read by
// `zt30ctl restore`/`diff` and "Načíst...". Section [ZANTOR30] tells where it came from; section [PARAMETRY]
// holds the values by name. The writer and the reader are pure functions of values and bytes; the callers
// read and write the files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/param_table.h"
#include "config/regional_settings.h"
#include "link/device.h"

namespace zt30 {

inline constexpr char kOriginSection[] = "ZANTOR30";
inline constexpr char kParamsSection[] = "PARAMETRY";
inline constexpr char kConfigName[] = "CONFIG";

// A larger file is refused unread: a parameter file is a few hundred bytes.
inline constexpr std::size_t kMaxParamFileBytes = 64 * 1024;

// Where a file came from ([ZANTOR30]); informative only, nothing of it is sent to an instrument.
struct ParamFileOrigin {
    std::string saved;           // DATUM: local date and time, "2025-01-31 14:05:09"; empty when not given
    std::string type;            // TYP: the instrument's type text, when it answered it
    std::string version;         // VERZE: its version text, when it answered it
    std::optional<int> address;  // ADRESA: the bus address it was read at (0 to 126)
};

// What a file sets: only the parameters it names. A CONFIG line sets the whole byte, a switch line one bit.
struct ParamFile {
    ParamFileOrigin origin;
    std::vector<ParamSetting> settings;  // FUNC ... AN.HI and switches, in the file's order
    std::optional<std::uint8_t> config;  // CONFIG
};

// The origin's date text of a local time: "yyyy-MM-dd HH:mm:ss", whatever the regional settings.
std::string SavedText(const LocalDateTime& at);

// The identification texts of the image (identType, identVersion) as the origin keeps them: decoded from the
// instrument's code page, control characters shown as "\xNN"; empty for a block that holds no text.
std::string OriginText(std::span<const std::uint8_t> block);

// The file of the image's tables 1 to 4: every parameter, floats in ShortestFloatText with "." (a value that
// is not finite as "0x" and its eight IEEE 754 hex digits), list codes and switches with their texts in
// comments, CONFIG as two hex digits. Lines end with "\n".
std::string WriteParamFile(const DeviceImage& image, const ParamFileOrigin& origin);

// The parameters whose values in the image no file can hold (a list code outside its list, a FILTR above
// 59999, as an instrument may send them): WriteParamFile keeps them as comments only.
std::vector<std::string_view> ParamsOutsideFile(const DeviceImage& image);

// Why a file was refused.
enum class ParamFileFault {
    TooLarge,        // more than kMaxParamFileBytes (line 0: the whole file)
    NotText,         // a byte that is not UTF-8 text, or a control character other than a tab
    NotAnEntry,      // a line that is no [SECTION], NAME = VALUE or comment
    UnknownSection,  // a section other than [ZANTOR30] and [PARAMETRY]
    SectionTwice,    // a section header that came before
    OutsideSection,  // NAME = VALUE before any section
    UnknownName,     // a name its section does not know
    NameTwice,       // a name given before (a switch after CONFIG, or CONFIG after a switch, too)
    BadValue,        // a value its parameter does not take
    NoParameters,    // the file names no parameter (line 0)
};

struct ParamFileError {
    int line = 0;  // 1-based; 0 for the whole file
    ParamFileFault fault = ParamFileFault::NotText;
    std::string section;     // the section the line stands in (UnknownName, NameTwice, BadValue)
    std::string name;        // the section or name, as written
    std::string value;       // BadValue: the value, as written
    int firstLine = 0;       // NameTwice, SectionTwice: the line that gave it first
    std::string firstName;   // NameTwice: the name on that line (CONFIG against a switch)
    std::string expected;    // BadValue: what the value should be, in English
    std::string expectedCs;  // BadValue: the same in Czech
};

struct ParamFileRead {
    std::optional<ParamFile> file;  // the file, when it was accepted as a whole
    ParamFileError error;           // else the first fault found
};

// Reads a parameter file's bytes, strictly: UTF-8 text (a byte-order mark allowed), lines ending in LF or
// CR LF, blank lines and comments (";" or "#" first; in [PARAMETRY] also after a value) ignored, names and
// sections in any case. [PARAMETRY] takes FUNC ... AN.HI and the switch names with the values `zt30ctl set`
// takes, a float also as "0x" and eight hex digits of its bits, and CONFIG as two hex digits (00 to FF, "0x"
// allowed). The first fault refuses the whole file. Never reads outside `bytes`.
ParamFileRead ReadParamFile(std::string_view bytes);

// One parameter's value in the image as the file writes it, with its item text: "2.5", "1 RATE
// (kmitočtoměr)", "10000", a switch "1 4..   20 mA"; a list code outside its list as its number alone.
std::string ParamValueShown(const ParamInfo& param, const DeviceImage& image);

// Puts the file's values into the image; the parameters the file does not name stay as they are.
void ApplyParamFile(const ParamFile& file, DeviceImage& image);

// The fault in one line for zt30ctl: "line 7: unknown parameter \"XYZ\"".
std::string ParamFileErrorText(const ParamFileError& error);
// The same in Czech for the program: "řádek 7: neznámý parametr „XYZ“".
std::string ParamFileErrorTextCs(const ParamFileError& error);

}  // namespace zt30
