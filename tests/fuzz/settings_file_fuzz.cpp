// Fuzz target: the settings store over a settings file of any contents, through the file backend on a real
// file (in /dev/shm when there is one, so the syncs of the atomic write cost little). Every value reads as
// its stored integer or its default, a value that is not text shows the read error, nothing crashes; then one
// write: it reads back, every other value reads as before, and every other line of the file stays as it was.
//
// Input: [what to write] [4 bytes of the integer, little-endian] [text length] [text], then the file's
// contents. What to write: 0 to 14 one of the fifteen integers, 15 to 22 the device path of COM1 to COM8 (the
// text, which may be anything).
#include <unistd.h>

#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "base/text_rules.h"
#include "tests/fuzz/fuzz_support.h"
#include "views/ini_document.h"
#include "views/ini_file_backend.h"
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
    QFile file(QString::fromStdString(FilePath()));
    const bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
                        static_cast<qint64>(bytes.size());
    ZT30_FUZZ_CHECK(ok);
}

std::string ReadFile() {
    QFile file(QString::fromStdString(FilePath()));
    ZT30_FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

struct Line {
    std::string text;
    std::string end;
};

std::vector<Line> Lines(std::string_view bytes) {
    if (bytes.starts_with(kBom)) {
        bytes.remove_prefix(kBom.size());
    }
    std::vector<Line> lines;
    while (!bytes.empty()) {
        const std::size_t newline = bytes.find('\n');
        if (newline == std::string_view::npos) {
            lines.push_back({std::string(bytes), ""});
            break;
        }
        std::string_view text = bytes.substr(0, newline);
        const bool crlf = text.ends_with('\r');
        text.remove_suffix(crlf ? 1 : 0);
        lines.push_back({std::string(text), crlf ? "\r\n" : "\n"});
        bytes.remove_prefix(newline + 1);
    }
    return lines;
}

// The file after one write: the lines before and after the written one are those of the old file, in
// order and with their line ends (the last old line may have gained one); in between, one value line was
// rewritten after its "=" or at most three lines were added (a blank line, a section header, the value).
void CheckOtherLinesKept(std::string_view oldBytes, std::string_view newBytes) {
    ZT30_FUZZ_CHECK(oldBytes.starts_with(kBom) == newBytes.starts_with(kBom));
    const std::vector<Line> before = Lines(oldBytes);
    const std::vector<Line> after = Lines(newBytes);
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix].text == after[prefix].text) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix].text == after[after.size() - 1 - suffix].text) {
        ++suffix;
    }
    const std::size_t removed = before.size() - prefix - suffix;
    const std::size_t added = after.size() - prefix - suffix;
    ZT30_FUZZ_CHECK((removed == 1 && added == 1) || (removed == 0 && added >= 1 && added <= 3));
    if (removed == 1) {
        const std::string& old = before[prefix].text;
        const std::size_t equals = old.find('=');
        ZT30_FUZZ_CHECK(equals != std::string::npos && after[prefix].text.starts_with(old.substr(0, equals + 1)));
    }
    for (std::size_t i = 0; i < before.size(); ++i) {
        const bool lastWithoutEnd = i + 1 == before.size() && before[i].end.empty();
        const std::size_t j = i < prefix + removed ? i : i + added - removed;
        if (i >= prefix && i < prefix + removed) {
            ZT30_FUZZ_CHECK(before[i].end == after[i].end || lastWithoutEnd);
            continue;
        }
        ZT30_FUZZ_CHECK(before[i].end == after[j].end || lastWithoutEnd);
    }
}

struct Reading {
    std::vector<std::int32_t> ints;
    std::vector<std::optional<std::string>> devices;
};

// Reads all through a fresh store, checking each value against what the document holds.
Reading ReadAll(std::string_view bytes, CountingUi& ui, bool& open) {
    SettingsStore store(std::make_unique<IniFileSettingsBackend>(QString::fromStdString(FilePath())), ui);
    open = store.IsOpen();
    const bool readable = !bytes.starts_with("\xFF\xFE") && !bytes.starts_with("\xFE\xFF");
    ZT30_FUZZ_CHECK(open == readable);
    const IniDocument document(bytes);
    Reading reading;
    for (const IntSetting& s : settings::kAll) {
        const std::size_t messages = ui.messages.size();
        const IntRead read = store.readIntChecked(std::string(s.section), std::string(s.name), s.defaultValue);
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
        reading.devices.push_back(store.readText(std::string(settings::kDevicesSection), "COM" + std::to_string(port)));
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
    ZT30_FUZZ_CHECK(IniDocument(contents).Bytes() == contents);

    WriteFile(contents);
    CountingUi ui;
    bool open = false;
    const Reading before = ReadAll(contents, ui, open);

    const bool isInt = what < 15;
    const std::string section = isInt ? std::string(settings::kAll[what].section) : "DEVICES";
    const std::string name = isInt ? std::string(settings::kAll[what].name) : "COM" + std::to_string(what - 14);
    bool written = false;
    {
        SettingsStore store(std::make_unique<IniFileSettingsBackend>(QString::fromStdString(FilePath())), ui);
        const std::size_t messages = ui.messages.size();
        written = isInt ? store.writeInt(section, name, value) : store.writeText(section, name, text);
        ZT30_FUZZ_CHECK(ui.messages.size() == messages + (written ? 0 : 1));
    }
    const bool storable = isInt || (IsValidUtf8(text) && text.find('\0') == std::string::npos);
    ZT30_FUZZ_CHECK(written == (open && storable));
    const std::string after = ReadFile();
    if (!written) {
        ZT30_FUZZ_CHECK(after == contents);
        return 0;
    }
    CheckOtherLinesKept(contents, after);

    bool openAfter = false;
    const Reading read = ReadAll(after, ui, openAfter);
    ZT30_FUZZ_CHECK(openAfter);
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
