#include "cli/parameters.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <span>
#include <vector>

#include "base/text_rules.h"
#include "cli/printable.h"
#include "config/param_format.h"
#include "config/param_texts.h"

namespace zt30::cli {

namespace {

constexpr char kSeparator = '.';

constexpr ParamInfo kParams[] = {
    {"FUNC", 1, ParamKind::Choice, nullptr, &DeviceImage::func},
    {"DP", 1, ParamKind::Choice, nullptr, &DeviceImage::dp},
    {"FACTOR", 1, ParamKind::Choice, nullptr, &DeviceImage::factor},
    {"SCALE", 2, ParamKind::Float, &DeviceImage::scale},
    {"OFFSET", 2, ParamKind::Float, &DeviceImage::offset},
    {"SP.LO", 3, ParamKind::Float, &DeviceImage::sp_lo},
    {"SP.HI", 3, ParamKind::Float, &DeviceImage::sp_hi},
    {"HYSTER", 3, ParamKind::Float, &DeviceImage::hyster},
    {"FILTR", 1, ParamKind::Filtr},
    {"AN.LO", 4, ParamKind::Float, &DeviceImage::an_lo},
    {"AN.HI", 4, ParamKind::Float, &DeviceImage::an_hi},
    // The CONFIG switches are named after the parameters dialog's radio groups, without their "rg_".
    {"VSTUP", 1, ParamKind::ConfigSwitch, nullptr, nullptr, 0},
    {"KOMPAR_OUT2", 1, ParamKind::ConfigSwitch, nullptr, nullptr, 1},
    {"RESET", 1, ParamKind::ConfigSwitch, nullptr, nullptr, 2},
    {"ALARM_OUT1", 1, ParamKind::ConfigSwitch, nullptr, nullptr, 3},
    {"TIME_OUT", 1, ParamKind::ConfigSwitch, nullptr, nullptr, 4},
    {"AOUT", 1, ParamKind::ConfigSwitch, nullptr, nullptr, 5},
};

// The item texts of a choice parameter's list.
std::span<const std::string_view> ChoiceTexts(const ParamInfo& param) {
    if (param.choiceField == &DeviceImage::func) {
        return kFuncItems;
    }
    if (param.choiceField == &DeviceImage::dp) {
        return kDpItems;
    }
    return kFactorItems;
}

// The two item texts of a CONFIG switch.
std::array<std::string_view, 2> SwitchItems(const ParamInfo& param) {
    const ConfigSwitchText& texts = kConfigSwitches[static_cast<std::size_t>(param.switchBit)];
    return {texts.item0, texts.item1};
}

// The first word of an item text, e.g. "RATE" of "RATE (kmitočtoměr)".
std::string_view FirstWord(std::string_view text) {
    return text.substr(0, text.find(' '));
}

// The items a value names: its list position, its whole text, or else the items it is the first word of
// (ASCII letters in any case). Only a single item is a choice.
std::vector<std::size_t> MatchChoice(std::span<const std::string_view> texts, std::string_view value) {
    if (const auto index = ParseOptionInt(value, 0, static_cast<long long>(texts.size()) - 1)) {
        return {static_cast<std::size_t>(*index)};
    }
    std::vector<std::size_t> byWord;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (EqualsIgnoringAsciiCase(value, texts[i])) {
            return {i};
        }
        if (EqualsIgnoringAsciiCase(value, FirstWord(texts[i]))) {
            byWord.push_back(i);
        }
    }
    return byWord;
}

// "0 dělení, 1 násobení": the items (all when `only` is empty) with their positions.
std::string ListOf(std::span<const std::string_view> texts, std::span<const std::size_t> only = {}) {
    std::string list;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (only.empty() || std::find(only.begin(), only.end(), i) != only.end()) {
            list += (list.empty() ? "" : ", ") + std::to_string(i) + " " + std::string(texts[i]);
        }
    }
    return list;
}

// The item index of a choice or switch value, or the error naming the items it could be.
std::optional<int> ParseChoice(std::span<const std::string_view> texts, std::string_view value,
                               const std::string& what, std::string& error) {
    const std::vector<std::size_t> matches = MatchChoice(texts, value);
    if (matches.size() == 1) {
        return static_cast<int>(matches.front());
    }
    error = what + (matches.empty() ? " is none of " + ListOf(texts)
                                    : " fits more than one item: " + ListOf(texts, matches));
    return std::nullopt;
}

}  // namespace

const ParamInfo* FindParam(std::string_view name) {
    const auto it = std::find_if(std::begin(kParams), std::end(kParams), [name](const ParamInfo& param) {
        return EqualsIgnoringAsciiCase(param.name, name);
    });
    return it == std::end(kParams) ? nullptr : &*it;
}

SetParse ParseSetRequest(std::string_view name, std::string_view value) {
    SetParse result;
    const ParamInfo* param = FindParam(name);
    if (!param) {
        result.error = "set: unknown parameter \"" + PrintableArgument(name) + "\" (zt30ctl set --help)";
        return result;
    }
    SetRequest request{param};
    const std::string shownValue = "\"" + PrintableArgument(value) + "\"";
    const std::string prefix = "set " + std::string(param->name) + ": ";
    switch (param->kind) {
        case ParamKind::Choice: {
            const auto index = ParseChoice(ChoiceTexts(*param), value, prefix + shownValue, result.error);
            if (!index) {
                return result;
            }
            request.intValue = *index;
            break;
        }
        case ParamKind::Float: {
            const auto number = ParseFloatParam(value, kSeparator);
            if (!number) {
                result.error = prefix + shownValue + " is not a decimal number";
                return result;
            }
            request.floatValue = *number;
            break;
        }
        case ParamKind::Filtr: {
            const auto number = ParseFiltr(value);
            if (!number) {
                result.error = "set FILTR: " + shownValue + " is not a number from 0 to 59999";
                return result;
            }
            request.intValue = *number;
            break;
        }
        case ParamKind::ConfigSwitch: {
            const auto index = ParseChoice(SwitchItems(*param), value, prefix + shownValue, result.error);
            if (!index) {
                return result;
            }
            request.intValue = *index;
            break;
        }
    }
    result.request = request;
    return result;
}

void ApplySetRequest(const SetRequest& request, DeviceImage& image) {
    const ParamInfo& param = *request.param;
    switch (param.kind) {
        case ParamKind::Choice:
            image.*param.choiceField = static_cast<std::uint8_t>(request.intValue);
            break;
        case ParamKind::Float:
            image.*param.floatField = request.floatValue;
            break;
        case ParamKind::Filtr:
            image.filtr = static_cast<std::uint16_t>(request.intValue);
            break;
        case ParamKind::ConfigSwitch: {
            auto switches = SwitchesFromConfig(image.config);
            switches[static_cast<std::size_t>(param.switchBit)] = request.intValue;
            image.config = ConfigFromSwitches(switches);
            break;
        }
    }
}

std::string ParamValueText(const ParamInfo& param, const DeviceImage& image) {
    const auto listText = [](std::span<const std::string_view> texts, unsigned code) {
        return code < texts.size() ? std::string(texts[code]) : std::to_string(code) + " (unknown)";
    };
    switch (param.kind) {
        case ParamKind::Choice:
            return listText(ChoiceTexts(param), image.*param.choiceField);
        case ParamKind::Float:
            return FormatFloatParam(image.*param.floatField, kSeparator);
        case ParamKind::Filtr:
            return FormatIntParam(image.filtr);
        case ParamKind::ConfigSwitch: {
            return listText(SwitchItems(param), (image.config >> param.switchBit) & 1u);
        }
    }
    return {};
}

void PrintParams(const DeviceImage& image, std::ostream& out) {
    const auto line = [&out](std::string_view name, const std::string& text) {
        out << name << std::string(name.size() < 14 ? 14 - name.size() : 1, ' ') << text << '\n';
    };
    for (const ParamInfo& param : kParams) {
        if (param.kind != ParamKind::ConfigSwitch) {
            line(param.name, ParamValueText(param, image));
        }
    }
    std::string config = "0x";
    AppendHexByte(config, image.config);
    line("CONFIG", config);
    for (const ParamInfo& param : kParams) {
        if (param.kind == ParamKind::ConfigSwitch) {
            const auto& group = kConfigSwitches[static_cast<std::size_t>(param.switchBit)];
            line("  " + std::string(param.name),
                 std::string(group.caption) + ": " + ParamValueText(param, image));
        }
    }
}

}  // namespace zt30::cli
