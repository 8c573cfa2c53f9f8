// The logger's messages: one line each with its level, on standard error. Under systemd (JOURNAL_STREAM set)
// a line starts with the journal's level prefix ("<3>", "<4>", "<6>"); in a terminal with "zt30ctl log: " and
// the level's word. Safe to call from every thread: each message is one write.
#pragma once

#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

namespace zt30::logger {

enum class Level { Error = 3, Warning = 4, Info = 6 };

class Journal {
public:
    virtual ~Journal() = default;
    virtual void Write(Level level, std::string_view message) = 0;
};

// The journal on a stream; journalPrefixes chooses the systemd form.
class StreamJournal final : public Journal {
public:
    StreamJournal(std::ostream& out, bool journalPrefixes) : out_(out), journalPrefixes_(journalPrefixes) {}
    void Write(Level level, std::string_view message) override;

    // The form of one line, without its line feed; messages are never split, control characters become
    // blanks.
    static std::string LineOf(Level level, std::string_view message, bool journalPrefixes);

private:
    std::mutex mutex_;
    std::ostream& out_;
    bool journalPrefixes_;
};

}  // namespace zt30::logger
