// The settings file's text: sections of named text values, as the program writes them and as a person edits
// them by hand. Any bytes are read without error; every line is kept as it was written, so setting a value
// changes that value's line alone (or adds one) and leaves comments, blank lines, lines the reader does not
// understand, a byte-order mark and the line ends as they were. The file backend reads and writes the file;
// the rules are told in the README ("The settings file").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "views/settings_store.h"

namespace zt30 {

class IniDocument final {
public:
    // One line of the document as a reader of the whole file sees it, numbered from 1.
    struct Entry {
        enum class Kind { Section, Value, Unreadable };  // Unreadable: neither a header nor NAME=VALUE
        Kind kind = Kind::Value;
        std::size_t lineNumber = 0;
        std::string section;  // a value's section ("" before the first header); a header's own name
        std::string name;     // a value's name
        std::string raw;      // a value's text as written after "=", blanks around it removed
    };

    // The document of the file's bytes; nothing in them is an error.
    explicit IniDocument(std::string_view bytes = {});

    // True when a section of that name exists (ASCII letters compared without case).
    bool HasSection(std::string_view section) const;
    // The value of name in section (names compared as sections are; the last line of that name counts):
    // missing, its text, or NotText when it is not valid UTF-8 or holds a zero byte.
    ValueQuery Find(std::string_view section, std::string_view name) const;
    // Sets name in section to text: the value's line is rewritten in place, or a line is added at the end of
    // the section, or the section is added at the end. False, changing nothing, when text is not valid UTF-8
    // or holds a zero byte (it could not be read back as text).
    bool Set(std::string_view section, std::string_view name, std::string_view text);

    // Every header and value line in order, and every other line that is not blank or a comment (";" or
    // "#"), for a reader that refuses what it does not know. A header without its "]" is Unreadable.
    std::vector<Entry> Entries() const;
    // The document's bytes, as read with the one change of each Set.
    std::string Bytes() const;

private:
    enum class Kind { Other, Section, Value };
    struct Line {
        std::string text;  // without its line end
        std::string end;   // "\n", "\r\n", or "\r" or "" for a last line without a line feed
        Kind kind = Kind::Other;
        std::string name;            // a section's or a value's name, without the blanks around it
        bool usable = true;          // a section: its header is closed by "]"
        std::size_t valueStart = 0;  // a value: where its text begins, after "=" and blanks
    };

    static Line ParseLine(std::string text, std::string end);
    // The index of the value line that Find reads, or npos.
    std::size_t FindLine(std::string_view section, std::string_view name) const;
    // The index of the header of the last section of that name, or npos.
    std::size_t FindSection(std::string_view section) const;
    void Insert(std::size_t at, std::string text);

    std::vector<Line> lines_;
    bool byteOrderMark_ = false;
    std::string lineEnd_ = "\n";  // for added lines: the file's own
};

// The text of a value as written after "=" and the blanks that follow it: double quotes removed (they keep
// blanks), and the backslash escapes \\ \" \' \? \a \b \f \n \r \t \v and \x with up to four hex digits (a
// code point, as Qt's INI format writes it) undone. A malformed escape stays as it was written.
std::string UnescapeIniValue(std::string_view raw);
// The value as the document writes it: plain when it reads back as itself, else escaped and quoted.
std::string EscapeIniValue(std::string_view text);

}  // namespace zt30
