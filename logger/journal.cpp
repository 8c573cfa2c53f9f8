#include "logger/journal.h"

namespace zt30::logger {

std::string StreamJournal::LineOf(Level level, std::string_view message, bool journalPrefixes) {
    std::string line;
    if (journalPrefixes) {
        line = "<" + std::to_string(static_cast<int>(level)) + ">";
    } else {
        line = "zt30ctl log: ";
        if (level == Level::Error) {
            line += "error: ";
        } else if (level == Level::Warning) {
            line += "warning: ";
        }
    }
    for (const char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        line += byte < 0x20 || byte == 0x7F ? ' ' : c;
    }
    return line;
}

void StreamJournal::Write(Level level, std::string_view message) {
    const std::string line = LineOf(level, message, journalPrefixes_) + '\n';
    const std::lock_guard lock(mutex_);
    out_ << line << std::flush;
}

}  // namespace zt30::logger
