// The record file: lines appended to a real file, and over scripted file calls the lines kept after failures,
// written later in order, whole and once; and the recorder's box once per outage, named for its cause.
#include "views/record_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

#include "views/measurement_recorder.h"

namespace zt30 {
namespace {

TEST(RecordFile, AppendsAfterWhatTheFileHeldAndCreatesAMissingOne) {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("zt30-record-" + std::to_string(std::random_device()()));
    fs::create_directories(folder);
    const auto read = [](const fs::path& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    };
    std::ofstream(folder / "old.txt", std::ios::binary) << "old\n";
    auto files = MakeSystemRecordFileSystem();
    RecordFile record(*files);
    for (const char* name : {"old.txt", "new.txt"}) {
        const std::string path = (folder / name).string();
        EXPECT_EQ(record.Append(path, "1; 2; 3; 4; \r\n"), AppendResult::Written);
        EXPECT_EQ(record.Append(path, "5; \r\n"), AppendResult::Written);
    }
    EXPECT_EQ(read(folder / "old.txt"), "old\n1; 2; 3; 4; \r\n5; \r\n");
    EXPECT_EQ(read(folder / "new.txt"), "1; 2; 3; 4; \r\n5; \r\n");
    EXPECT_EQ(record.Append(folder.string(), "x\r\n"), AppendResult::CannotOpen);  // a folder
    EXPECT_EQ(record.Append("", "y\r\n"), AppendResult::CannotOpen);
    EXPECT_EQ(record.KeptLines(), 2u);
    fs::remove_all(folder);
}

TEST(RecordFile, TextGoesToTheFileInTheSystemsCodePage) {
#ifdef _WIN32
    EXPECT_EQ(ToSystemCodePage("12,500; 02.03.26; 9:05:07; \r\n"), "12,500; 02.03.26; 9:05:07; \r\n");
#else
    EXPECT_EQ(ToSystemCodePage("12,500; 2. bře 2026; \r\n"), "12,500; 2. bře 2026; \r\n");  // UTF-8
#endif
}

// Files in memory; a test makes the next opens fail or the next write fall short.
class ScriptedFiles final : public RecordFileSystem {
public:
    bool Open(const std::string& path) override {
        open_ = path;
        return failOpens-- <= 0;
    }
    std::size_t Write(std::string_view bytes) override {
        ++writes;
        const std::size_t taken = std::min(bytes.size(), shortWrite.value_or(bytes.size()));
        shortWrite.reset();
        contents[open_].append(bytes.substr(0, taken));
        return taken;
    }
    void Close() override { open_.clear(); }
    std::optional<std::uint64_t> Length(const std::string& path) override { return contents[path].size(); }
    bool CutTo(const std::string& path, std::uint64_t length) override {
        contents[path].resize(length);
        return true;
    }

    int failOpens = 0;
    std::optional<std::size_t> shortWrite;
    int writes = 0;
    std::map<std::string, std::string> contents;

private:
    std::string open_;
};

TEST(RecordFile, AShortWriteIsCutOffAndTheLineWrittenWholeOnceLater) {
    ScriptedFiles files;
    RecordFile record(files);
    ASSERT_EQ(record.Append("f", "aaaa\r\n"), AppendResult::Written);
    files.shortWrite = 3;
    EXPECT_EQ(record.Append("f", "bbbb\r\n"), AppendResult::WriteFailed);
    EXPECT_EQ(files.contents["f"], "aaaa\r\n");  // never half a line
    files.failOpens = 1;
    EXPECT_EQ(record.Append("f", "cccc\r\n"), AppendResult::CannotOpen);
    EXPECT_EQ(record.KeptLines(), 2u);

    const int writesBefore = files.writes;
    EXPECT_EQ(record.Append("f", "dddd\r\n"), AppendResult::Written);
    EXPECT_EQ(files.contents["f"], "aaaa\r\nbbbb\r\ncccc\r\ndddd\r\n");
    EXPECT_EQ(files.writes - writesBefore, 3);  // one write per line
}

TEST(RecordFile, PastTheLimitTheOldestKeptLinesAreDroppedAndCounted) {
    ScriptedFiles files;
    RecordFile record(files, 3);
    files.failOpens = 5;
    for (const char* line : {"a", "b", "c", "d", "e"}) {
        EXPECT_EQ(record.Append("f", line), AppendResult::CannotOpen);
    }
    EXPECT_EQ(record.KeptLines(), 3u);
    EXPECT_EQ(record.DroppedLines(), 2u);
    EXPECT_EQ(record.Append("f", "g"), AppendResult::Written);
    EXPECT_EQ(files.contents["f"], "deg");
    EXPECT_EQ(record.TakeDroppedLines(), 3u);
    EXPECT_EQ(record.DroppedLines(), 0u);
}

TEST(MeasurementRecorder, OneBoxPerOutageNamingItsCauseAndTheLostLinesWhenItEnds) {
    ScriptedFiles files;
    MeasurementRecorder recorder(files, RegionalSettings{}, 2);
    const auto sample = [&recorder](const char* value) {
        return recorder.addSample(value, "0,000", LocalDateTime{}, 1);
    };
    recorder.startRecord(60, "f");

    files.shortWrite = 0;  // a full disk: nothing reaches the file
    RecordOutcome outcome = sample("a");
    EXPECT_EQ(outcome.message, RecordMessage::CannotWrite);
    EXPECT_EQ(RecordMessageText(outcome.message, 0), "Nepodařilo se zapsat výstupní soubor");
    files.failOpens = 3;
    EXPECT_EQ(sample("b").message, RecordMessage::None);  // the same outage
    EXPECT_EQ(sample("c").message, RecordMessage::None);
    EXPECT_EQ(sample("d").keptLines, 2u);
    outcome = sample("e");
    EXPECT_TRUE(outcome.lineWritten);
    EXPECT_EQ(outcome.message, RecordMessage::LinesDropped);
    EXPECT_EQ(RecordMessageText(outcome.message, outcome.droppedLines),
              "Výstupní soubor je opět zapisován.\nZahozeno nejstarších neuložených řádků: 3");
    EXPECT_EQ(files.contents["f"],
              "d; 0,000; 2000-01-01; 00:00:00; \r\ne; 0,000; 2000-01-01; 00:00:00; \r\n");

    files.failOpens = 1;  // a new outage after a line was written
    EXPECT_EQ(sample("f").message, RecordMessage::CannotOpen);
}

}  // namespace
}  // namespace zt30
