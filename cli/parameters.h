// The instrument's parameters as the tool shows and changes them, by the names of config/param_table.h:
// `params` prints them from the image; `set` parses one value with the shared parser and applies it to the
// image.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "config/param_table.h"
#include "link/device.h"

namespace zt30::cli {

// The parameter table and its value parser live with the parameter formats; the tool uses them by these
// names.
using zt30::FindParam;
using zt30::ParamInfo;
using zt30::ParamKind;
using SetRequest = zt30::ParamSetting;

struct SetParse {
    std::optional<SetRequest> request;
    std::string error;  // one line when the name or the value is not accepted
};

// Parses "set NAME VALUE" without touching the line. Decimal numbers use "." as separator.
SetParse ParseSetRequest(std::string_view name, std::string_view value);

// Puts the new value into the image. A CONFIG switch leaves the other five as they are and clears bits 6
// and 7.
inline void ApplySetRequest(const SetRequest& request, DeviceImage& image) {
    ApplyParamSetting(request, image);
}

// The display text of one parameter's value in the image ("." as decimal separator); for a CONFIG switch its
// item text. A code outside its list shows the number and "(unknown)".
std::string ParamValueText(const ParamInfo& param, const DeviceImage& image);

// Prints tables 1 to 4 from the image, one parameter a line in the parameters dialog's order, then CONFIG
// and its six switches.
void PrintParams(const DeviceImage& image, std::ostream& out);

}  // namespace zt30::cli
