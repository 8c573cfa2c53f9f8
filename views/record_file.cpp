#include "views/record_file.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

namespace zt30 {

namespace {

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

class SystemRecordFileSystem final : public RecordFileSystem {
public:
    SystemRecordFileSystem() = default;
    ~SystemRecordFileSystem() override { Close(); }
    SystemRecordFileSystem(const SystemRecordFileSystem&) = delete;
    SystemRecordFileSystem& operator=(const SystemRecordFileSystem&) = delete;

    bool Open(const std::string& path) override {
        Close();
        if (path.empty()) {
            return false;
        }
#ifdef _WIN32
        file_ = _wfopen(PathOf(path).c_str(), L"ab");
#else
        file_ = std::fopen(PathOf(path).c_str(), "ab");
#endif
        if (file_ == nullptr) {
            return false;
        }
        // Unbuffered: a line goes to the system in one write, and a short write is seen at once.
        std::setvbuf(file_, nullptr, _IONBF, 0);
        return true;
    }

    std::size_t Write(std::string_view bytes) override {
        if (file_ == nullptr || bytes.empty()) {
            return 0;
        }
        return std::fwrite(bytes.data(), 1, bytes.size(), file_);
    }

    void Close() override {
        if (file_ != nullptr) {
            std::fclose(file_);
            file_ = nullptr;
        }
    }

    std::optional<std::uint64_t> Length(const std::string& path) override {
        std::error_code error;
        const std::uintmax_t length = std::filesystem::file_size(PathOf(path), error);
        if (error) {
            return std::nullopt;
        }
        return static_cast<std::uint64_t>(length);
    }

    bool CutTo(const std::string& path, std::uint64_t length) override {
        std::error_code error;
        std::filesystem::resize_file(PathOf(path), length, error);
        return !error;
    }

private:
    std::FILE* file_ = nullptr;
};

}  // namespace

std::unique_ptr<RecordFileSystem> MakeSystemRecordFileSystem() {
    return std::make_unique<SystemRecordFileSystem>();
}

std::string ToSystemCodePage(const std::string& utf8) {
#ifdef _WIN32
    if (utf8.empty()) {
        return utf8;
    }
    const int source = static_cast<int>(utf8.size());
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), source, nullptr, 0);
    if (wideLength <= 0) {
        return utf8;
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), source, wide.data(), wideLength);
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return utf8;
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, text.data(), length, nullptr, nullptr);
    return text;
#else
    return utf8;
#endif
}

RecordFile::RecordFile(RecordFileSystem& files, std::size_t keptLimit)
    : files_(files), keptLimit_(keptLimit > 0 ? keptLimit : 1) {}

AppendResult RecordFile::Append(const std::string& path, std::string line) {
    kept_.push_back(std::move(line));
    if (kept_.size() > keptLimit_) {
        kept_.pop_front();
        ++dropped_;
    }
    return WriteKept(path);
}

AppendResult RecordFile::WriteKept(const std::string& path) {
    if (kept_.empty()) {
        return AppendResult::Written;
    }
    if (!files_.Open(path)) {
        return AppendResult::CannotOpen;
    }
    while (!kept_.empty()) {
        const std::string& next = kept_.front();
        const std::size_t written = files_.Write(next);
        if (written != next.size()) {
            files_.Close();
            if (written > 0 && written < next.size()) {
                CutShortWrite(path, written);
            }
            return AppendResult::WriteFailed;
        }
        kept_.pop_front();
        ++writtenLines_;
    }
    files_.Close();
    return AppendResult::Written;
}

std::uint64_t RecordFile::TakeDroppedLines() {
    return std::exchange(dropped_, 0);
}

void RecordFile::CutShortWrite(const std::string& path, std::size_t written) {
    const std::optional<std::uint64_t> length = files_.Length(path);
    if (length && *length >= written) {
        files_.CutTo(path, *length - written);
    }
}

}  // namespace zt30
