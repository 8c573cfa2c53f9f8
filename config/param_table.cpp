#include "config/param_table.h"

#include <algorithm>
#include <iterator>

#include "base/text_rules.h"
#include "config/param_format.h"
#include "config/param_texts.h"

namespace zt30 {

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

}  // namespace

std::span<const ParamInfo> AllParams() {
    return kParams;
}

const ParamInfo* FindParam(std::string_view name) {
    const auto it = std::find_if(std::begin(kParams), std::end(kParams), [name](const ParamInfo& param) {
        return EqualsIgnoringAsciiCase(param.name, name);
    });
    return it == std::end(kParams) ? nullptr : &*it;
}

std::span<const std::string_view> ChoiceTexts(const ParamInfo& param) {
    if (param.choiceField == &DeviceImage::func) {
        return kFuncItems;
    }
    if (param.choiceField == &DeviceImage::dp) {
        return kDpItems;
    }
    return kFactorItems;
}

std::array<std::string_view, 2> SwitchItems(const ParamInfo& param) {
    const ConfigSwitchText& texts = kConfigSwitches[static_cast<std::size_t>(param.switchBit)];
    return {texts.item0, texts.item1};
}

std::vector<std::string_view> ItemsOf(const ParamInfo& param) {
    if (param.kind == ParamKind::ConfigSwitch) {
        const auto items = SwitchItems(param);
        return {items.begin(), items.end()};
    }
    const auto texts = ChoiceTexts(param);
    return {texts.begin(), texts.end()};
}

ValueParse ParseParamValue(const ParamInfo& param, std::string_view text) {
    ValueParse result;
    ParamSetting setting{&param};
    switch (param.kind) {
        case ParamKind::Choice:
        case ParamKind::ConfigSwitch: {
            const std::vector<std::string_view> items = ItemsOf(param);
            std::vector<std::size_t> matches = MatchChoice(items, text);
            if (matches.size() != 1) {
                result.fault = matches.empty() ? ValueFault::NotAnItem : ValueFault::SeveralItems;
                result.items = std::move(matches);
                return result;
            }
            setting.intValue = static_cast<int>(matches.front());
            break;
        }
        case ParamKind::Float: {
            const auto number = ParseFloatParam(text, kSeparator);
            if (!number) {
                result.fault = ValueFault::NotDecimal;
                return result;
            }
            setting.floatValue = *number;
            break;
        }
        case ParamKind::Filtr: {
            const auto number = ParseFiltr(text);
            if (!number) {
                result.fault = ValueFault::NotFiltr;
                return result;
            }
            setting.intValue = *number;
            break;
        }
    }
    result.setting = setting;
    return result;
}

void ApplyParamSetting(const ParamSetting& setting, DeviceImage& image) {
    const ParamInfo& param = *setting.param;
    switch (param.kind) {
        case ParamKind::Choice:
            image.*param.choiceField = static_cast<std::uint8_t>(setting.intValue);
            break;
        case ParamKind::Float:
            image.*param.floatField = setting.floatValue;
            break;
        case ParamKind::Filtr:
            image.filtr = static_cast<std::uint16_t>(setting.intValue);
            break;
        case ParamKind::ConfigSwitch: {
            auto switches = SwitchesFromConfig(image.config);
            switches[static_cast<std::size_t>(param.switchBit)] = setting.intValue;
            image.config = ConfigFromSwitches(switches);
            break;
        }
    }
}

std::string ItemList(std::span<const std::string_view> texts, std::span<const std::size_t> only) {
    std::string list;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (only.empty() || std::find(only.begin(), only.end(), i) != only.end()) {
            list += (list.empty() ? "" : ", ") + std::to_string(i) + " " + std::string(texts[i]);
        }
    }
    return list;
}

std::string ValueFaultText(const ParamInfo& param, const ValueParse& parse) {
    switch (parse.fault) {
        case ValueFault::NotAnItem:
            return "is none of " + ItemList(ItemsOf(param));
        case ValueFault::SeveralItems:
            return "fits more than one item: " + ItemList(ItemsOf(param), parse.items);
        case ValueFault::NotDecimal:
            return "is not a decimal number";
        case ValueFault::NotFiltr:
            return "is not a number from 0 to 59999";
        case ValueFault::None:
            break;
    }
    return {};
}

}  // namespace zt30
