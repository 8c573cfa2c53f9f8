#include "config/param_backup.h"

#include <bit>
#include <cmath>

#include "base/text_rules.h"
#include "config/device_texts.h"
#include "config/param_format.h"
#include "config/param_texts.h"

namespace zt30 {

namespace {

constexpr std::size_t kQuotedLength = 60;  // characters of a value quoted in a message

std::string HexByte(std::uint8_t byte) {
    std::string text;
    AppendHexByte(text, byte);
    return text;
}

// A float as the file writes it: the shortest decimal text, or its bits when it is not a finite number
// (no decimal text reads back as such a value).
std::string FloatFileText(float value) {
    if (std::isfinite(value)) {
        return ShortestFloatText(value, '.');
    }
    const auto bits = std::bit_cast<std::uint32_t>(value);
    std::string text = "0x";
    for (int shift = 24; shift >= 0; shift -= 8) {
        AppendHexByte(text, static_cast<std::uint8_t>(bits >> shift));
    }
    return text;
}

bool Storable(const ParamInfo& param, const DeviceImage& image) {
    switch (param.kind) {
        case ParamKind::Choice:
            return image.*param.choiceField < ChoiceTexts(param).size();
        case ParamKind::Filtr:
            return ParseFiltr(FormatIntParam(image.filtr)).has_value();
        case ParamKind::Float:
        case ParamKind::ConfigSwitch:
            break;
    }
    return true;
}

// One parameter's line; a value the reader would refuse (a list code outside its list, a FILTR above 59999,
// as an instrument may hold them) is kept as a comment and so never written back.
std::string ParamLine(const ParamInfo& param, const DeviceImage& image) {
    const std::string name(param.name);
    switch (param.kind) {
        case ParamKind::Choice: {
            const std::uint8_t code = image.*param.choiceField;
            const auto items = ChoiceTexts(param);
            if (!Storable(param, image)) {
                return "; " + name + " = " + std::to_string(code) + " (mimo seznam, nezapíše se)\n";
            }
            return name + " = " + std::to_string(code) + " ; " + std::string(items[code]) + "\n";
        }
        case ParamKind::Float: {
            const float value = image.*param.floatField;
            return name + " = " + FloatFileText(value) +
                   (std::isfinite(value) ? "" : " ; " + FormatFloatParam(value, '.')) + "\n";
        }
        case ParamKind::Filtr:
            if (!Storable(param, image)) {
                return "; " + name + " = " + FormatIntParam(image.filtr) +
                       " (mimo 0 až 59999, nezapíše se)\n";
            }
            return name + " = " + FormatIntParam(image.filtr) + "\n";
        case ParamKind::ConfigSwitch:
            break;
    }
    return {};
}

// A value quoted in a message, cut after kQuotedLength characters. The reader has checked that it is text.
std::string Quoted(std::string_view text) {
    std::string out;
    for (std::size_t characters = 0; !text.empty(); ++characters) {
        if (characters == kQuotedLength) {
            out += "...";
            break;
        }
        const std::size_t length = std::max<std::size_t>(1, Utf8SequenceLength(text));
        out += text.substr(0, std::min(length, text.size()));
        text.remove_prefix(std::min(length, text.size()));
    }
    return out;
}

}  // namespace

std::string ParamValueShown(const ParamInfo& param, const DeviceImage& image) {
    switch (param.kind) {
        case ParamKind::Choice: {
            const std::uint8_t code = image.*param.choiceField;
            const auto items = ChoiceTexts(param);
            return std::to_string(code) + (code < items.size() ? " " + std::string(items[code]) : "");
        }
        case ParamKind::Float: {
            const float value = image.*param.floatField;
            return FloatFileText(value) +
                   (std::isfinite(value) ? "" : " (" + FormatFloatParam(value, '.') + ")");
        }
        case ParamKind::Filtr:
            return FormatIntParam(image.filtr);
        case ParamKind::ConfigSwitch: {
            const int item = (image.config >> param.switchBit) & 1;
            return std::to_string(item) + " " +
                   std::string(SwitchItems(param)[static_cast<std::size_t>(item)]);
        }
    }
    return {};
}

std::string SavedText(const LocalDateTime& at) {
    return FormatDateTime(at, "yyyy-MM-dd HH:mm:ss", RegionalSettings{});
}

std::string OriginText(std::span<const std::uint8_t> block) {
    const std::string decoded = DeviceText(block);
    std::string text;
    for (const char c : decoded) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte < 0x20 || byte == 0x7F) {
            text += "\\x";
            AppendHexByte(text, byte);  // a line break in the text must not break the file's lines
        } else {
            text += c;
        }
    }
    return text;
}

std::string WriteParamFile(const DeviceImage& image, const ParamFileOrigin& origin) {
    std::string text =
        "; Parametry přístroje ZANTOR 30. Soubor smí jmenovat jen některé z nich, ostatní se "
        "nezmění.\n";
    text += "[" + std::string(kOriginSection) + "]\n";
    if (!origin.saved.empty()) {
        text += "DATUM = " + origin.saved + "\n";
    }
    if (!origin.type.empty()) {
        text += "TYP = " + origin.type + "\n";
    }
    if (!origin.version.empty()) {
        text += "VERZE = " + origin.version + "\n";
    }
    if (origin.address) {
        text += "ADRESA = " + std::to_string(*origin.address) + "\n";
    }
    text += "\n[" + std::string(kParamsSection) + "]\n";
    for (const ParamInfo& param : AllParams()) {
        if (param.kind == ParamKind::Choice) {
            text += "; " + ItemList(ChoiceTexts(param)) + "\n";
        }
        text += ParamLine(param, image);
    }
    text += std::string(kConfigName) + " = " + HexByte(image.config) + "\n";
    for (const ParamInfo& param : AllParams()) {
        if (param.kind == ParamKind::ConfigSwitch) {
            const auto bit = static_cast<std::size_t>(param.switchBit);
            const int item = (image.config >> bit) & 1;
            const std::string setting = std::string(param.name) + " = " + std::to_string(item);
            text += ";   " + setting + std::string(setting.size() < 17 ? 17 - setting.size() : 1, ' ') +
                    "bit " + std::to_string(bit) + ", " + std::string(kConfigSwitches[bit].caption) + ": " +
                    std::string(SwitchItems(param)[static_cast<std::size_t>(item)]) + "\n";
        }
    }
    if ((image.config & 0xC0) != 0) {
        text += ";   bity 6 a 7 nemají žádnou volbu\n";
    }
    return text;
}

std::vector<std::string_view> ParamsOutsideFile(const DeviceImage& image) {
    std::vector<std::string_view> names;
    for (const ParamInfo& param : AllParams()) {
        if (!Storable(param, image)) {
            names.push_back(param.name);
        }
    }
    return names;
}

void ApplyParamFile(const ParamFile& file, DeviceImage& image) {
    for (const ParamSetting& setting : file.settings) {
        ApplyParamSetting(setting, image);
    }
    if (file.config) {
        image.config = *file.config;
    }
}

std::string ParamFileErrorText(const ParamFileError& error) {
    std::string text = error.line > 0 ? "line " + std::to_string(error.line) + ": " : std::string();
    const std::string name = Quoted(error.name);
    switch (error.fault) {
        case ParamFileFault::TooLarge:
            return text + "larger than " + std::to_string(kMaxParamFileBytes / 1024) +
                   " KiB, not a parameter file";
        case ParamFileFault::NotText:
            return text + "not UTF-8 text (a byte that is not UTF-8, or a control character)";
        case ParamFileFault::NotAnEntry:
            return text + "expected [SECTION], NAME = VALUE or a comment";
        case ParamFileFault::UnknownSection:
            return text + "unknown section [" + name + "] (expected [" + kOriginSection + "] or [" +
                   kParamsSection + "])";
        case ParamFileFault::SectionTwice:
            return text + "section [" + name + "] again (first on line " + std::to_string(error.firstLine) +
                   ")";
        case ParamFileFault::OutsideSection:
            return text + "NAME = VALUE outside a section";
        case ParamFileFault::UnknownName:
            return text + (error.section == kParamsSection
                               ? "unknown parameter \"" + name + "\""
                               : "unknown name \"" + name + "\" in [" + error.section +
                                     "] (DATUM, TYP, VERZE, ADRESA)");
        case ParamFileFault::NameTwice:
            if (!EqualsIgnoringAsciiCase(error.name, error.firstName)) {
                return text + name + " and " + error.firstName + " on line " +
                       std::to_string(error.firstLine) + " both set CONFIG bits";
            }
            return text + name + " again (first on line " + std::to_string(error.firstLine) + ")";
        case ParamFileFault::BadValue:
            return text + name + ": \"" + Quoted(error.value) + "\" " + error.expected;
        case ParamFileFault::NoParameters:
            return text + "names no parameter";
    }
    return text;
}

std::string ParamFileErrorTextCs(const ParamFileError& error) {
    std::string text = error.line > 0 ? "řádek " + std::to_string(error.line) + ": " : std::string();
    const std::string name = Quoted(error.name);
    switch (error.fault) {
        case ParamFileFault::TooLarge:
            return text + "soubor je větší než " + std::to_string(kMaxParamFileBytes / 1024) +
                   " KiB, není to soubor parametrů";
        case ParamFileFault::NotText:
            return text + "není to text v kódování UTF-8";
        case ParamFileFault::NotAnEntry:
            return text + "očekává se [ODDÍL], JMÉNO = hodnota nebo poznámka";
        case ParamFileFault::UnknownSection:
            return text + "neznámý oddíl [" + name + "]";
        case ParamFileFault::SectionTwice:
            return text + "oddíl [" + name + "] podruhé (poprvé na řádku " + std::to_string(error.firstLine) +
                   ")";
        case ParamFileFault::OutsideSection:
            return text + "hodnota mimo oddíl";
        case ParamFileFault::UnknownName:
            return text + (error.section == kParamsSection
                               ? "neznámý parametr „" + name + "“"
                               : "neznámé jméno „" + name + "“ v oddílu [" + error.section + "]");
        case ParamFileFault::NameTwice:
            if (!EqualsIgnoringAsciiCase(error.name, error.firstName)) {
                return text + name + " i " + error.firstName + " na řádku " +
                       std::to_string(error.firstLine) + " nastavují bity CONFIG";
            }
            return text + name + " podruhé (poprvé na řádku " + std::to_string(error.firstLine) + ")";
        case ParamFileFault::BadValue:
            return text + "„" + Quoted(error.value) + "“ není platná hodnota " + name + ": " +
                   error.expectedCs;
        case ParamFileFault::NoParameters:
            return text + "soubor neobsahuje žádný parametr";
    }
    return text;
}

}  // namespace zt30
