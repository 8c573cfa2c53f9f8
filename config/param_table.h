// The instrument's parameters by name, as zt30ctl and the parameter files name them: the captions of the
// parameters dialog (FUNC ... AN.HI) and a name for each CONFIG switch, each tied to its table and
// DeviceImage field, with the one parser of a value typed for them ("." as decimal separator). `zt30ctl set`
// and the parameter-file reader share it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/device.h"

namespace zt30 {

enum class ParamKind { Choice, Float, Filtr, ConfigSwitch };

struct ParamInfo {
    std::string_view name;  // upper case, as the files and zt30ctl write it
    int table;              // 1 to 4
    ParamKind kind;
    float DeviceImage::*floatField = nullptr;
    std::uint8_t DeviceImage::*choiceField = nullptr;
    int switchBit = 0;  // CONFIG bit of a switch
};

// Every named parameter: FUNC ... AN.HI in the parameters dialog's order, then the six CONFIG switches in bit
// order (VSTUP, KOMPAR_OUT2, RESET, ALARM_OUT1, TIME_OUT, AOUT).
std::span<const ParamInfo> AllParams();

// A parameter by its name (ASCII letters in any case), or nullptr. CONFIG itself is not one: it is the six
// switches.
const ParamInfo* FindParam(std::string_view name);

// The item texts of a choice parameter's list; the two item texts of a CONFIG switch.
std::span<const std::string_view> ChoiceTexts(const ParamInfo& param);
std::array<std::string_view, 2> SwitchItems(const ParamInfo& param);

// One value for one parameter: a float, or an integer (list position, FILTR, switch item) for the others.
struct ParamSetting {
    const ParamInfo* param = nullptr;
    float floatValue = 0.0f;
    int intValue = 0;
};

// Why a value text was not accepted.
enum class ValueFault { None, NotAnItem, SeveralItems, NotDecimal, NotFiltr };

struct ValueParse {
    std::optional<ParamSetting> setting;
    ValueFault fault = ValueFault::None;
    std::vector<std::size_t> items;  // SeveralItems: the items the text could name
};

// The value of a text for a parameter. A list or switch takes its item's position, its whole text or the
// first word of exactly one item (ASCII letters in any case); a float ParseFloatParam's form with "."; FILTR
// ParseFiltr's form.
ValueParse ParseParamValue(const ParamInfo& param, std::string_view text);

// Puts the value into the image's field. A CONFIG switch leaves the other five as they are and clears bits 6
// and 7, as the parameters dialog writes them.
void ApplyParamSetting(const ParamSetting& setting, DeviceImage& image);

// "0 dělení, 1 násobení": the items of a list with their positions (all, or only those given).
std::string ItemList(std::span<const std::string_view> texts, std::span<const std::size_t> only = {});

// The items a choice or switch parameter offers (its list, or the switch's two items).
std::vector<std::string_view> ItemsOf(const ParamInfo& param);

// What a rejected value should have been, in English for zt30ctl: "is none of 0 dělení, 1 násobení", "is not
// a decimal number", ...
std::string ValueFaultText(const ParamInfo& param, const ValueParse& parse);

}  // namespace zt30
