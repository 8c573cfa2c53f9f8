#include "views/ini_document.h"

#include <algorithm>
#include <utility>

#include "base/text_rules.h"

namespace zt30 {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool IsStorableText(std::string_view text) {
    return IsValidUtf8(text) && text.find('\0') == std::string_view::npos;
}

void AppendUtf8(std::string& out, unsigned codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

char EscapeLetter(char c) {
    switch (c) {
        case '\a':
            return 'a';
        case '\b':
            return 'b';
        case '\f':
            return 'f';
        case '\n':
            return 'n';
        case '\r':
            return 'r';
        case '\t':
            return 't';
        case '\v':
            return 'v';
        default:
            return 0;
    }
}

char ControlOfLetter(char letter) {
    for (const char control : {'\a', '\b', '\f', '\n', '\r', '\t', '\v'}) {
        if (EscapeLetter(control) == letter) {
            return control;
        }
    }
    return 0;
}

}  // namespace

std::string UnescapeIniValue(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '"') {
            continue;  // quotes only keep blanks
        }
        if (c != '\\' || i + 1 == raw.size()) {
            out += c;
            continue;
        }
        const char e = raw[++i];
        if (e == 'x') {
            std::size_t end = i + 1;
            unsigned codePoint = 0;
            for (; end < raw.size() && end < i + 5 && HexDigitValue(raw[end]) >= 0; ++end) {
                codePoint = codePoint * 16 + static_cast<unsigned>(HexDigitValue(raw[end]));
            }
            if (end == i + 1) {
                out += "\\x";
            } else {
                AppendUtf8(out, codePoint);
                i = end - 1;
            }
            continue;
        }
        const char control = ControlOfLetter(e);
        out += control != 0 ? control : e;  // \\ \" \' \? and anything unknown stand for the character
    }
    return out;
}

std::string EscapeIniValue(std::string_view text) {
    std::string out;
    bool escaped = false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
            escaped = true;
        } else if (const char letter = EscapeLetter(c); letter != 0) {
            out += '\\';
            out += letter;
            escaped = true;
        } else if (byte < 0x20 || byte == 0x7F) {
            // Always four digits, so that a hex digit after it is never taken into the escape.
            out += "\\x00";
            AppendHexByte(out, byte);
            escaped = true;
        } else {
            out += c;
        }
    }
    const bool blankAtEdge = !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()));
    if (blankAtEdge) {
        return '"' + out + '"';
    }
    return escaped ? out : std::string(text);
}

IniDocument::IniDocument(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark)) {
        byteOrderMark_ = true;
        bytes.remove_prefix(kByteOrderMark.size());
    }
    // One allocation for the lines instead of a move of every line each time the vector grows.
    lines_.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    bool endFound = false;
    while (!bytes.empty()) {
        const std::size_t newline = bytes.find('\n');
        std::string_view text = bytes.substr(0, newline);
        std::string_view end;
        if (newline == std::string_view::npos) {
            bytes = {};
            // A carriage return closing the file is the line end whose line feed is missing: kept as an end,
            // so the value before it reads the same once a line is added after it.
            if (text.ends_with('\r')) {
                text.remove_suffix(1);
                end = "\r";
            }
        } else {
            bytes.remove_prefix(newline + 1);
            const bool crlf = text.ends_with('\r');
            text.remove_suffix(crlf ? 1 : 0);
            end = crlf ? std::string_view("\r\n") : std::string_view("\n");
            if (!endFound) {
                lineEnd_ = std::string(end);
                endFound = true;
            }
        }
        lines_.push_back(ParseLine(std::string(text), std::string(end)));
    }
}

IniDocument::Line IniDocument::ParseLine(std::string text, std::string end) {
    Line line;
    line.text = std::move(text);
    line.end = std::move(end);
    const std::string_view trimmed = TrimBlanks(line.text);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') {
        return line;
    }
    if (trimmed.front() == '[') {
        // A header always opens a section, so the values below an unclosed one are never taken for the
        // previous section's; they are kept but not read.
        const std::size_t close = trimmed.find(']');
        line.kind = Kind::Section;
        line.usable = close != std::string_view::npos;
        line.name = TrimBlanks(trimmed.substr(1, line.usable ? close - 1 : std::string_view::npos));
        return line;
    }
    const std::size_t equals = line.text.find('=');
    if (equals == std::string::npos) {
        return line;
    }
    const std::string_view name = TrimBlanks(std::string_view(line.text).substr(0, equals));
    if (name.empty()) {
        return line;
    }
    line.kind = Kind::Value;
    line.name = name;
    line.valueStart = equals + 1;
    while (line.valueStart < line.text.size() && IsBlank(line.text[line.valueStart])) {
        ++line.valueStart;
    }
    return line;
}

std::size_t IniDocument::FindLine(std::string_view section, std::string_view name) const {
    std::size_t found = kNone;
    bool inSection = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Section) {
            inSection = line.usable && EqualsIgnoringAsciiCase(line.name, section);
        } else if (line.kind == Kind::Value && inSection && EqualsIgnoringAsciiCase(line.name, name)) {
            found = i;
        }
    }
    return found;
}

std::size_t IniDocument::FindSection(std::string_view section) const {
    for (std::size_t i = lines_.size(); i-- > 0;) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Section && line.usable && EqualsIgnoringAsciiCase(line.name, section)) {
            return i;
        }
    }
    return kNone;
}

std::vector<IniDocument::Entry> IniDocument::Entries() const {
    std::vector<Entry> entries;
    std::string section;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        Entry entry;
        entry.lineNumber = i + 1;
        if (line.kind == Kind::Section && line.usable) {
            section = line.name;
            entry.kind = Entry::Kind::Section;
            entry.section = section;
        } else if (line.kind == Kind::Value) {
            entry.section = section;
            entry.name = line.name;
            entry.raw = TrimBlanks(std::string_view(line.text).substr(line.valueStart));
        } else if (const std::string_view t = TrimBlanks(line.text);
                   !t.empty() && t.front() != ';' && t.front() != '#') {
            entry.kind = Entry::Kind::Unreadable;
            entry.section = section;
            entry.raw = t;
        } else {
            continue;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool IniDocument::HasSection(std::string_view section) const {
    return FindSection(section) != kNone;
}

ValueQuery IniDocument::Find(std::string_view section, std::string_view name) const {
    const std::size_t index = FindLine(section, name);
    if (index == kNone) {
        return {};
    }
    const Line& line = lines_[index];
    std::string text = UnescapeIniValue(TrimBlanks(std::string_view(line.text).substr(line.valueStart)));
    if (!IsStorableText(text)) {
        return {ValueQuery::Kind::NotText, {}};
    }
    return {ValueQuery::Kind::Text, std::move(text)};
}

void IniDocument::Insert(std::size_t at, std::string text) {
    if (at > 0 && lines_[at - 1].end.empty()) {
        lines_[at - 1].end = lineEnd_;
    } else if (at > 0 && lines_[at - 1].end == "\r") {
        lines_[at - 1].end = "\r\n";
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), ParseLine(std::move(text), lineEnd_));
}

bool IniDocument::Set(std::string_view section, std::string_view name, std::string_view text) {
    if (!IsStorableText(text)) {
        return false;
    }
    const std::string value = EscapeIniValue(text);
    if (const std::size_t index = FindLine(section, name); index != kNone) {
        Line& line = lines_[index];
        line.text.replace(line.valueStart, std::string::npos, value);
        return true;
    }
    const std::string valueLine = std::string(name) + '=' + value;
    if (std::size_t at = FindSection(section); at != kNone) {
        // After the section's last value, so that comments and blank lines closing it stay below.
        for (std::size_t i = at + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i) {
            if (lines_[i].kind == Kind::Value) {
                at = i;
            }
        }
        Insert(at + 1, valueLine);
        return true;
    }
    if (!lines_.empty() && !TrimBlanks(lines_.back().text).empty()) {
        Insert(lines_.size(), "");
    }
    Insert(lines_.size(), '[' + std::string(section) + ']');
    Insert(lines_.size(), valueLine);
    return true;
}

std::string IniDocument::Bytes() const {
    std::string bytes(byteOrderMark_ ? kByteOrderMark : std::string_view{});
    for (const Line& line : lines_) {
        bytes += line.text;
        bytes += line.end;
    }
    return bytes;
}

}  // namespace zt30
