// The strict reader of parameter files: one pass over the lines, the first fault refuses the whole file.
#include <array>
#include <bit>
#include <tuple>
#include <utility>
#include <vector>

#include "base/text_rules.h"
#include "config/param_backup.h"
#include "config/param_format.h"
#include "config/param_texts.h"

namespace zt30 {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

enum class Section { None, Origin, Params };

// The names of [ZANTOR30], in the order the writer writes them.
enum OriginKey : std::size_t { kDate, kType, kVersion, kAddress, kOriginKeyCount };
constexpr std::array<std::string_view, kOriginKeyCount> kOriginKeys = {"DATUM", "TYP", "VERZE", "ADRESA"};

// Well-formed UTF-8 without control characters (C0 but the tab, DEL, C1).
bool IsTextLine(std::string_view line) {
    while (!line.empty()) {
        const std::size_t length = Utf8SequenceLength(line);
        const auto lead = static_cast<unsigned char>(line[0]);
        if (length == 0 || (lead < 0x20 && lead != '\t') || lead == 0x7F ||
            (length == 2 && lead == 0xC2 && static_cast<unsigned char>(line[1]) < 0xA0)) {
            return false;
        }
        line.remove_prefix(length);
    }
    return true;
}

// CONFIG: two hex digits, "0x" before them allowed.
std::optional<std::uint8_t> ParseConfigByte(std::string_view text) {
    if (text.size() == 4 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    if (text.size() != 2 || HexDigitValue(text[0]) < 0 || HexDigitValue(text[1]) < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(HexDigitValue(text[0]) * 16 + HexDigitValue(text[1]));
}

// A float's bits: "0x" and exactly eight hex digits.
std::optional<float> ParseFloatBits(std::string_view text) {
    if (text.size() != 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
        return std::nullopt;
    }
    std::uint32_t bits = 0;
    for (const char c : text.substr(2)) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            return std::nullopt;
        }
        bits = bits << 4 | static_cast<std::uint32_t>(digit);
    }
    return std::bit_cast<float>(bits);
}

// What a rejected value of a parameter should have been, in English and in Czech.
std::pair<std::string, std::string> Expected(const ParamInfo& param, const ValueParse& parse) {
    std::string cs;
    switch (parse.fault) {
        case ValueFault::NotAnItem:
            cs = "platné jsou " + ItemList(ItemsOf(param));
            break;
        case ValueFault::SeveralItems:
            cs = "hodí se na více položek: " + ItemList(ItemsOf(param), parse.items);
            break;
        case ValueFault::NotDecimal:
            cs = "očekává se desetinné číslo s tečkou";
            break;
        case ValueFault::NotFiltr:
            cs = "očekává se číslo 0 až 59999";
            break;
        case ValueFault::None:
            break;
    }
    std::string en = ValueFaultText(param, parse);
    if (param.kind == ParamKind::Float) {
        en += " (with \".\", or 0x and eight hex digits)";
        cs += " (nebo 0x a osm šestnáctkových číslic)";
    }
    return {en, cs};
}

class Reader {
public:
    ParamFileRead Read(std::string_view bytes) {
        if (bytes.size() > kMaxParamFileBytes) {
            return Fail(0, ParamFileFault::TooLarge);
        }
        if (bytes.starts_with(kByteOrderMark)) {
            bytes.remove_prefix(kByteOrderMark.size());
        }
        while (!bytes.empty()) {
            ++line_;
            const std::size_t end = bytes.find('\n');
            std::string_view text = bytes.substr(0, end);
            bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
            if (end != std::string_view::npos && text.ends_with('\r')) {
                text.remove_suffix(1);
            }
            if (!IsTextLine(text)) {
                return Fail(line_, ParamFileFault::NotText);
            }
            if (!Line(TrimBlanks(text))) {
                return {std::nullopt, error_};
            }
        }
        if (file_.settings.empty() && !file_.config) {
            return Fail(0, ParamFileFault::NoParameters);
        }
        return {std::move(file_), {}};
    }

private:
    ParamFileRead Fail(int line, ParamFileFault fault) {
        Refuse(fault);
        error_.line = line;
        return {std::nullopt, error_};
    }

    // Records the fault of the current line; always false, for `return Refuse(...)`.
    bool Refuse(ParamFileFault fault, std::string_view name = {}) {
        error_.line = line_;
        error_.fault = fault;
        error_.name = std::string(name);
        return false;
    }

    bool Line(std::string_view text) {
        if (text.empty() || text.front() == ';' || text.front() == '#') {
            return true;
        }
        if (text.front() == '[') {
            return SectionHeader(text);
        }
        const std::size_t equals = text.find('=');
        const std::string_view name = TrimBlanks(text.substr(0, equals));
        if (equals == std::string_view::npos || name.empty()) {
            return Refuse(ParamFileFault::NotAnEntry);
        }
        std::string_view value = text.substr(equals + 1);
        switch (section_) {
            case Section::None:
                return Refuse(ParamFileFault::OutsideSection, name);
            case Section::Origin:
                return OriginEntry(name, TrimBlanks(value));
            case Section::Params:
                return ParamEntry(name, TrimBlanks(value.substr(0, value.find(';'))));
        }
        return true;
    }

    bool SectionHeader(std::string_view text) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return Refuse(ParamFileFault::NotAnEntry);
        }
        const std::string_view after = TrimBlanks(text.substr(close + 1));
        if (!after.empty() && after.front() != ';') {
            return Refuse(ParamFileFault::NotAnEntry);
        }
        const std::string_view name = TrimBlanks(text.substr(1, close - 1));
        int* seen = nullptr;
        if (EqualsIgnoringAsciiCase(name, kOriginSection)) {
            section_ = Section::Origin;
            seen = &originLine_;
        } else if (EqualsIgnoringAsciiCase(name, kParamsSection)) {
            section_ = Section::Params;
            seen = &paramsLine_;
        } else {
            return Refuse(ParamFileFault::UnknownSection, name);
        }
        if (*seen != 0) {
            error_.firstLine = *seen;
            return Refuse(ParamFileFault::SectionTwice, name);
        }
        *seen = line_;
        return true;
    }

    // Sets the error's context for a fault of an entry.
    bool RefuseEntry(ParamFileFault fault, std::string_view name, std::string_view value = {}) {
        Refuse(fault, name);
        error_.section = section_ == Section::Origin ? kOriginSection : kParamsSection;
        error_.value = std::string(value);
        return false;
    }

    bool Twice(std::string_view name, int firstLine, std::string_view firstName) {
        RefuseEntry(ParamFileFault::NameTwice, name);
        error_.firstLine = firstLine;
        error_.firstName = std::string(firstName);
        return false;
    }

    bool OriginEntry(std::string_view name, std::string_view value) {
        std::size_t key = 0;
        while (key < kOriginKeyCount && !EqualsIgnoringAsciiCase(name, kOriginKeys[key])) {
            ++key;
        }
        if (key == kOriginKeyCount) {
            return RefuseEntry(ParamFileFault::UnknownName, name);
        }
        if (originNames_[key] != 0) {
            return Twice(name, originNames_[key], name);
        }
        originNames_[key] = line_;
        ParamFileOrigin& origin = file_.origin;
        switch (key) {
            case kDate:
                origin.saved = std::string(value);
                break;
            case kType:
                origin.type = std::string(value);
                break;
            case kVersion:
                origin.version = std::string(value);
                break;
            default: {
                const std::optional<std::uint8_t> address = ParseAddress(value);
                if (!address) {
                    RefuseEntry(ParamFileFault::BadValue, name, value);
                    error_.expected = "is not a bus address from 0 to 126";
                    error_.expectedCs = "očekává se adresa 0 až 126";
                    return false;
                }
                origin.address = *address;
                break;
            }
        }
        return true;
    }

    bool ParamEntry(std::string_view name, std::string_view value) {
        if (EqualsIgnoringAsciiCase(name, kConfigName)) {
            return ConfigEntry(name, value);
        }
        const ParamInfo* param = FindParam(name);
        if (!param) {
            return RefuseEntry(ParamFileFault::UnknownName, name);
        }
        const auto index = static_cast<std::size_t>(param - AllParams().data());
        if (paramLines_[index] != 0) {
            return Twice(name, paramLines_[index], name);
        }
        if (param->kind == ParamKind::ConfigSwitch && configLine_ != 0) {
            return Twice(name, configLine_, kConfigName);
        }
        ValueParse parsed;
        if (const std::optional<float> bits =
                param->kind == ParamKind::Float ? ParseFloatBits(value) : std::nullopt) {
            parsed.setting = ParamSetting{param, *bits};
        } else {
            parsed = ParseParamValue(*param, value);
        }
        if (!parsed.setting) {
            RefuseEntry(ParamFileFault::BadValue, name, value);
            std::tie(error_.expected, error_.expectedCs) = Expected(*param, parsed);
            return false;
        }
        paramLines_[index] = line_;
        if (param->kind == ParamKind::ConfigSwitch && firstSwitch_ == nullptr) {
            firstSwitch_ = param;
        }
        file_.settings.push_back(*parsed.setting);
        return true;
    }

    bool ConfigEntry(std::string_view name, std::string_view value) {
        if (configLine_ != 0) {
            return Twice(name, configLine_, name);
        }
        if (firstSwitch_ != nullptr) {
            const auto index = static_cast<std::size_t>(firstSwitch_ - AllParams().data());
            return Twice(name, paramLines_[index], firstSwitch_->name);
        }
        const std::optional<std::uint8_t> config = ParseConfigByte(value);
        if (!config) {
            RefuseEntry(ParamFileFault::BadValue, name, value);
            error_.expected = "is not two hex digits 00 to FF";
            error_.expectedCs = "očekávají se dvě šestnáctkové číslice 00 až FF";
            return false;
        }
        configLine_ = line_;
        file_.config = *config;
        return true;
    }

    int line_ = 0;
    Section section_ = Section::None;
    int originLine_ = 0;
    int paramsLine_ = 0;
    std::array<int, kOriginKeyCount> originNames_{};
    std::vector<int> paramLines_ = std::vector<int>(AllParams().size());  // by the index in AllParams()
    int configLine_ = 0;
    const ParamInfo* firstSwitch_ = nullptr;
    ParamFile file_;
    ParamFileError error_;
};

}  // namespace

ParamFileRead ReadParamFile(std::string_view bytes) {
    return Reader().Read(bytes);
}

}  // namespace zt30
