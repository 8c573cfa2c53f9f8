// One bus frame as one line of meaning, for the "Provoz linky" window, its saved file and zt30ctl's trace:
// "SD2 1←0 read table 0", "SD2 0←1 table 0: value 12.5, sum 100", "SD1 0←1 acknowledgement". Pure functions
// over the bytes; any length and any content is described, never trusted: what is wrong with a frame (an end
// byte, the FCS, missing or extra bytes) is named in brackets after what it says. The words come from a
// table per language (the window speaks Czech, the trace English) and the decimal separator is given, so
// both languages describe the same frames through the same code.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zt30 {

// One text of a language's table: "%1", "%2" stand for what the decoder fills in. It has no default, so a
// table that leaves a text out does not compile.
struct FrameText {
    constexpr FrameText(const char* text) : text(text) {}  // implicit: tables are plain literals
    const char* text;
};

// A text that follows a count (%1): one for 1, few for 2 to 4, many for every other count.
struct FrameCountText {
    FrameText one;
    FrameText few;
    FrameText many;
};

// The words of the meanings in one language.
struct FrameWords {
    FrameText noBytes;                  // an empty frame
    FrameCountText bytes;               // "%1 bytes"
    FrameCountText dataBytes;           // "%1 data bytes"
    FrameText listSeparator;            // between the fields of a table and between problems
    FrameText table;                    // "table %1", as an answer holds it
    FrameText readTable;                // "read table %1"
    FrameText writeTable;               // "write table %1"
    FrameText typeCommand;              // "ident command %1 (type)"
    FrameText versionCommand;           // "ident command %1 (version)"
    FrameText clearCounter;             // the write of the counter's clear byte
    FrameText clearSum;                 // the write of the sum's clear byte
    FrameText command;                  // "command %1", an unknown one
    FrameText noCommand;                // "FC %1, no command"
    FrameText typeText;                 // "type %1", the answer to typeCommand
    FrameText versionText;              // "version %1"
    FrameText stationStatus;            // SD1 request of the station's status
    FrameText acknowledgement;          // SD1 answer without data
    FrameText requestFc;                // "request FC %1", another SD1 request
    FrameText negativeAcknowledgement;  // "negative acknowledgement (FC %1)"
    FrameText shortAcknowledgement;     // the single character E5
    FrameCountText bytesAfterAck;       // "+%1 bytes after it"
    FrameCountText bytesAfterFrame;     // "+%1 bytes after the frame"
    FrameCountText incomplete;          // "incomplete: %1 of %2 bytes"
    FrameCountText incompleteHead;      // "incomplete: %1 bytes", too short to know the length
    FrameText wrongEnd;                 // "end byte %1, not %2"
    FrameText wrongFcs;                 // "FCS %1, not %2"
    FrameText lengthsDiffer;            // "LE %1 ≠ LEr %2"
    FrameText lengthTooSmall;           // "LE %1 below 3"
    FrameText secondStart;              // "second start byte %1"
    FrameText unknownStart;             // "unknown start byte %1"
    // The fields of the tables.
    FrameText value, sum, func, dp, factor, config, filtr, scale, offset, spLo, spHi, hyster, anLo, anHi,
        address;
};

// zt30ctl's words ("read table 0") and the window's ("čtení tabulky 0").
const FrameWords& EnglishFrameWords();
const FrameWords& CzechFrameWords();

// The meaning of frame. request, when given, is the request the frame answers: it tells which table an SD2
// data answer holds and whether it carries an identification text. Numbers with a fraction are written
// with decimalSeparator.
std::string DescribeFrame(std::span<const std::uint8_t> frame, std::span<const std::uint8_t> request = {},
                          const FrameWords& words = EnglishFrameWords(), char decimalSeparator = '.');

// The bytes in upper-case hex, separated by blanks ("68 05 05 68").
std::string HexText(std::span<const std::uint8_t> bytes);

}  // namespace zt30
