// The record file of the measurement recorder: each recorded line is appended to the file the user chose,
// which is opened for that write only (created when missing) and closed again. A line that cannot be written
// (the file does not open, or a write falls short) is kept and written at the next successful open, in order
// and before the newer lines; past a large limit the oldest kept line is dropped. A line reaches the file
// whole and once: a write that falls short is cut off again. The file calls go through RecordFileSystem, so
// tests can make them fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zt30 {

// The operating system's file calls that the record needs; one file is open at a time.
class RecordFileSystem {
public:
    virtual ~RecordFileSystem() = default;
    // Opens the file at path (UTF-8) for appending, creating it when missing; false when it cannot.
    virtual bool Open(const std::string& path) = 0;
    // Appends bytes to the open file with one write; the number of bytes that reached the file.
    virtual std::size_t Write(std::string_view bytes) = 0;
    // Closes the open file, if any.
    virtual void Close() = 0;
    // The length in bytes of the closed file at path; nullopt when it cannot be found out.
    virtual std::optional<std::uint64_t> Length(const std::string& path) = 0;
    // Cuts the closed file at path to length bytes; false when it cannot.
    virtual bool CutTo(const std::string& path, std::uint64_t length) = 0;
};

// The system's files: UTF-8 names (wide names on Windows), binary append so that the line's own CR LF is what
// the file holds on every system, and no buffering, so that each Write is one write of the system.
std::unique_ptr<RecordFileSystem> MakeSystemRecordFileSystem();

// A text in the system's 8-bit code page: UTF-8 stays as it is where that is the code page (Linux); on
// Windows it becomes the ANSI code page, a character the code page lacks becoming "?".
std::string ToSystemCodePage(const std::string& utf8);

enum class AppendResult {
    Written,      // every kept line and the new one are in the file
    CannotOpen,   // the file did not open; the new line is kept
    WriteFailed,  // a write fell short; that line and the ones after it are kept
};

class RecordFile final {
public:
    // At one line a second, a day and more of lines waiting for the file to come back.
    static constexpr std::size_t kDefaultKeptLimit = 100000;

    // files must outlive the record file. keptLimit (at least 1) bounds the lines kept after failures.
    explicit RecordFile(RecordFileSystem& files, std::size_t keptLimit = kDefaultKeptLimit);

    // Appends line (the bytes as they go to the file, line end included) to the file at path, after the
    // lines kept from earlier failures, each with one write, then closes the file. A line that is not
    // written stays kept, in order.
    AppendResult Append(const std::string& path, std::string line);
    // Writes the kept lines alone to the file at path, as Append does; Written when none is left (also when
    // none was kept, without opening the file).
    AppendResult WriteKept(const std::string& path);

    // Lines waiting for the next successful open.
    std::size_t KeptLines() const { return kept_.size(); }
    // Lines that reached a file since the record file was made.
    std::uint64_t WrittenLines() const { return writtenLines_; }
    // Lines dropped (the oldest first, past the limit) since the count was last taken.
    std::uint64_t DroppedLines() const { return dropped_; }
    // The dropped lines' count, which starts again from 0.
    std::uint64_t TakeDroppedLines();

private:
    // Takes the `written` bytes of a short write off the end of the file again.
    void CutShortWrite(const std::string& path, std::size_t written);

    RecordFileSystem& files_;
    std::size_t keptLimit_;
    std::deque<std::string> kept_;
    std::uint64_t writtenLines_ = 0;
    std::uint64_t dropped_ = 0;
};

}  // namespace zt30
