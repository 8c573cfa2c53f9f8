// Fuzz target: the settings store over a settings file of any contents, through the file backend on a real
// file (in /dev/shm when there is one, so the syncs of the atomic write cost little). Every value reads as
// its stored integer or its default, a value that is not text shows the read error, nothing crashes; then one
// write through the same store: the file read back holds the value written, every other value reads as
// before, and every other line of the file stays as it was.
//
// Input: [what to write] [4 bytes of the integer, little-endian] [text length] [text], then the file's
// contents. What to write: 0 to 14 one of the fifteen integers, 15 to 22 the device path of COM1 to COM8 (the
// text, which may be anything).
#include <fcntl.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "base/text_rules.h"
#include "tests/fuzz/fuzz_support.h"
#include "views/ini_document.h"
#include "views/ini_file_backend_qt.h"
#include "views/settings_store.h"

namespace zt30::fuzz {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

class CountingUi final : public UiServices {
public:
    MessageAnswer ShowMessage(const std::string& text, const std::string&, MessageIcon,
                              MessageButtons) override {
        messages.push_back(text);
        return MessageAnswer::Ok;
    }
    std::vector<std::string> messages;
};

// A folder of this process's own, removed at exit.
const std::string& FilePath() {
    static const std::string path = [] {
        std::string folder = (access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm") : std::string("/tmp")) +
                             "/zt30-fuzz-settings-XXXXXX";
        if (mkdtemp(folder.data()) == nullptr) {
            std::abort();
        }
        static std::string removeFolder;
        removeFolder = folder;
        std::atexit([] {
            std::remove((removeFolder + "/OrvZT30.ini").c_str());
            rmdir(removeFolder.c_str());
        });
        return folder + "/OrvZT30.ini";
    }();
    return path;
}

void WriteFile(std::string_view bytes) {
    const int fd = open(FilePath().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ZT30_FUZZ_CHECK(fd >= 0);
    ZT30_FUZZ_CHECK(write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
    close(fd);
}

std::string ReadFile() {
    const int fd = open(FilePath().c_str(), O_RDONLY | O_CLOEXEC);
    ZT30_FUZZ_CHECK(fd >= 0);
    std::string bytes;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return bytes;
}

// The store's backend over a document in memory, to read the file back as the file backend reads it.
class DocumentBackend final : public SettingsBackend {
public:
    explicit DocumentBackend(std::string_view bytes) : document_(bytes) {}
    const IniDocument& Document() const { return document_; }
    bool OpenKey() override { return true; }
    bool OpenSection(const std::string& section) override { return document_.HasSection(section); }
    bool CreateSection(const std::string&) override { return true; }
    ValueQuery QueryValue(const std::string& section, const std::string& name) override {
        return document_.Find(section, name);
    }
    bool SetTextValue(const std::string& section, const std::string& name, const std::string& text) override {
        return document_.Set(section, name, text);
    }

private:
    IniDocument document_;
};

// The file after one write differs from the old one in one run of bytes: either within one line, after its
// "=" (the value rewritten in place), or by lines added between two of the old ones (at most a line end for
// an old last line without one, a blank line, a section header and the value). Every other line keeps its
// bytes, its line end included, and the byte-order mark stays as it was.
void CheckOtherLinesKept(std::string_view before, std::string_view after) {
    ZT30_FUZZ_CHECK(before.starts_with(kBom) == after.starts_with(kBom));
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
        ++suffix;
    }
    const std::string_view removed = before.substr(prefix, before.size() - prefix - suffix);
    const std::string_view added = after.substr(prefix, after.size() - prefix - suffix);
    const auto newlines = [](std::string_view t) { return std::count(t.begin(), t.end(), '\n'); };
    ZT30_FUZZ_CHECK(newlines(removed) == 0);
    if (removed.empty()) {
        ZT30_FUZZ_CHECK(newlines(added) <= 4);
        return;
    }
    ZT30_FUZZ_CHECK(newlines(added) == 0);
    const std::size_t lineStart = before.rfind('\n', prefix == 0 ? 0 : prefix - 1);
    const std::size_t from = lineStart == std::string_view::npos || prefix == 0 ? 0 : lineStart + 1;
    ZT30_FUZZ_CHECK(before.substr(from, prefix - from).find('=') != std::string_view::npos);
}

struct Reading {
    std::vector<std::int32_t> ints;
    std::vector<std::optional<std::string>> devices;
};

// Reads every value through the store (open when the file could be read), checking each against what the
// document of the file's bytes holds.
Reading ReadAll(SettingsStore& store, const IniDocument& document, CountingUi& ui) {
    const bool open = store.IsOpen();
    Reading reading;
    for (const IntSetting& s : settings::kAll) {
        const std::size_t messages = ui.messages.size();
        const IntRead read =
            store.readIntChecked(std::string(s.section), std::string(s.name), s.defaultValue);
        const ValueQuery query = open ? document.Find(s.section, s.name) : ValueQuery{};
        std::int32_t expected = s.defaultValue;
        if (query.kind == ValueQuery::Kind::Text) {
            expected = ParseStoredInt(query.text).value_or(s.defaultValue);
        }
        const bool notText = query.kind == ValueQuery::Kind::NotText;
        ZT30_FUZZ_CHECK(read.value == expected && read.ok == !notText);
        ZT30_FUZZ_CHECK(ui.messages.size() == messages + (notText ? 1 : 0));
        if (notText) {
            ZT30_FUZZ_CHECK(ui.messages.back() == "Invalid data type for '" + std::string(s.name) + "'");
        }
        reading.ints.push_back(read.value);
    }
    const PortDeviceLookup lookup = store.DeviceLookup();
    for (int port = 1; port <= settings::kDevicePortCount; ++port) {
        std::optional<std::string> path = lookup(port);
        ZT30_FUZZ_CHECK(!path || (!path->empty() && path->find('\0') == std::string::npos));
        reading.devices.push_back(
            store.readText(std::string(settings::kDevicesSection), "COM" + std::to_string(port)));
    }
    ZT30_FUZZ_CHECK(!lookup(0) && !lookup(9));
    return reading;
}

}  // namespace
}  // namespace zt30::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zt30;
    using namespace zt30::fuzz;
    FuzzInput in({data, size});
    const int what = in.Byte() % 23;
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
        word |= std::uint32_t{in.Byte()} << (8 * i);
    }
    const auto value = static_cast<std::int32_t>(word);
    const std::string text(AsText(in.Take(in.Byte())));
    const std::string contents(AsText(in.Rest()));

    // The document keeps every byte as it read it.
    const IniDocument document(contents);
    ZT30_FUZZ_CHECK(document.Bytes() == contents);

    WriteFile(contents);
    CountingUi ui;
    SettingsStore store(std::make_unique<IniFileSettingsBackend>(QString::fromStdString(FilePath())), ui);
    const bool open = store.IsOpen();
    ZT30_FUZZ_CHECK(open == (!contents.starts_with("\xFF\xFE") && !contents.starts_with("\xFE\xFF")));
    const Reading before = ReadAll(store, document, ui);

    const bool isInt = what < 15;
    const std::string section = isInt ? std::string(settings::kAll[what].section) : "DEVICES";
    const std::string name =
        isInt ? std::string(settings::kAll[what].name) : "COM" + std::to_string(what - 14);
    const std::size_t messages = ui.messages.size();
    const bool written = isInt ? store.writeInt(section, name, value) : store.writeText(section, name, text);
    ZT30_FUZZ_CHECK(ui.messages.size() == messages + (written ? 0 : 1));
    const bool storable = isInt || (IsValidUtf8(text) && text.find('\0') == std::string::npos);
    ZT30_FUZZ_CHECK(written == (open && storable));
    const std::string after = ReadFile();
    if (!written) {
        ZT30_FUZZ_CHECK(after == contents);
        return 0;
    }
    CheckOtherLinesKept(contents, after);

    auto backend = std::make_unique<DocumentBackend>(after);
    const IniDocument& afterDocument = backend->Document();
    SettingsStore reread(std::move(backend), ui);
    const Reading read = ReadAll(reread, afterDocument, ui);
    Reading expected = before;
    if (isInt) {
        expected.ints[static_cast<std::size_t>(what)] = value;
    } else {
        expected.devices[static_cast<std::size_t>(what - 15)] = text;
    }
    ZT30_FUZZ_CHECK(read.ints == expected.ints);
    ZT30_FUZZ_CHECK(read.devices == expected.devices);
    return 0;
}
