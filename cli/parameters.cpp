#include "cli/parameters.h"

#include <span>

#include "base/text_rules.h"
#include "cli/printable.h"
#include "config/param_format.h"
#include "config/param_texts.h"

namespace zt30::cli {

SetParse ParseSetRequest(std::string_view name, std::string_view value) {
    SetParse result;
    const ParamInfo* param = FindParam(name);
    if (!param) {
        result.error = "set: unknown parameter \"" + PrintableArgument(name) + "\" (zt30ctl set --help)";
        return result;
    }
    ValueParse parsed = ParseParamValue(*param, value);
    if (!parsed.setting) {
        result.error = "set " + std::string(param->name) + ": \"" + PrintableArgument(value) + "\" " +
                       ValueFaultText(*param, parsed);
        return result;
    }
    result.request = parsed.setting;
    return result;
}

std::string ParamValueText(const ParamInfo& param, const DeviceImage& image) {
    const auto listText = [](std::span<const std::string_view> texts, unsigned code) {
        return code < texts.size() ? std::string(texts[code]) : std::to_string(code) + " (unknown)";
    };
    switch (param.kind) {
        case ParamKind::Choice:
            return listText(ChoiceTexts(param), image.*param.choiceField);
        case ParamKind::Float:
            return FormatFloatParam(image.*param.floatField, '.');
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
    for (const ParamInfo& param : AllParams()) {
        if (param.kind != ParamKind::ConfigSwitch) {
            line(param.name, ParamValueText(param, image));
        }
    }
    std::string config = "0x";
    AppendHexByte(config, image.config);
    line("CONFIG", config);
    for (const ParamInfo& param : AllParams()) {
        if (param.kind == ParamKind::ConfigSwitch) {
            const auto& group = kConfigSwitches[static_cast<std::size_t>(param.switchBit)];
            line("  " + std::string(param.name),
                 std::string(group.caption) + ": " + ParamValueText(param, image));
        }
    }
}

}  // namespace zt30::cli
