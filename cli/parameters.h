// The instrument's parameters as the tool names, shows and changes them: the captions of the parameters
// dialog (FUNC ... AN.HI) and a name for each CONFIG switch, each tied to its table and DeviceImage field.
// `params` prints them from the image; `set` parses one value with the program's parsers and applies it to
// the image.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "link/device.h"

namespace zt30::cli {

enum class ParamKind { Choice, Float, Filtr, ConfigSwitch };

struct ParamInfo {
    std::string_view name;  // as typed after "set", upper case
    int table;              // 1 to 4
    ParamKind kind;
    float DeviceImage::*floatField = nullptr;
    std::uint8_t DeviceImage::*choiceField = nullptr;
    int switchBit = 0;  // CONFIG bit of a switch
};

// A parameter by its name (case-insensitive), or nullptr.
const ParamInfo* FindParam(std::string_view name);

// One parsed change: the parameter and its new value (a float, or an integer for the other kinds).
struct SetRequest {
    const ParamInfo* param = nullptr;
    float floatValue = 0.0f;
    int intValue = 0;
};

struct SetParse {
    std::optional<SetRequest> request;
    std::string error;  // one line when the name or the value is not accepted
};

// Parses "set NAME VALUE" without touching the line. Decimal numbers use "." as separator.
SetParse ParseSetRequest(std::string_view name, std::string_view value);

// Puts the new value into the image. A CONFIG switch leaves the other five as they are and clears bits 6
// and 7.
void ApplySetRequest(const SetRequest& request, DeviceImage& image);

// The display text of one parameter's value in the image ("." as decimal separator); for a CONFIG switch its
// item text. A code outside its list shows the number and "(unknown)".
std::string ParamValueText(const ParamInfo& param, const DeviceImage& image);

// Prints tables 1 to 4 from the image, one parameter a line in the parameters dialog's order, then CONFIG
// and its six switches.
void PrintParams(const DeviceImage& image, std::ostream& out);

}  // namespace zt30::cli
