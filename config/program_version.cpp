#include "config/program_version.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cwchar>
#include <vector>
#endif

namespace zt30 {

#ifdef _WIN32
namespace {

std::wstring Widen(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int count = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(count > 0 ? count : 0), L'\0');
    if (count > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), count);
    }
    return wide;
}

std::string Narrow(const wchar_t* text, std::size_t length) {
    if (length == 0) {
        return {};
    }
    const int size = static_cast<int>(length);
    const int count = WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(count > 0 ? count : 0), '\0');
    if (count > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text, size, narrow.data(), count, nullptr, nullptr);
    }
    return narrow;
}

// The whole version resource of a file, in a buffer one byte larger than the system asks for; empty when the
// file has none.
std::vector<unsigned char> ReadVersionResource(const std::wstring& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) {
        return {};
    }
    std::vector<unsigned char> block(static_cast<std::size_t>(size) + 1, 0);
    if (GetFileVersionInfoW(file.c_str(), 0, size, block.data()) == 0) {
        return {};
    }
    return block;
}

}  // namespace

std::wstring RunningProgramFile() {
    // MAX_PATH is not a limit for long path names; grow until the name fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768) {
            return {};
        }
        path.resize(path.size() * 2);
    }
}

std::optional<std::string> VersionResourceString(const std::wstring& file, std::string_view name) {
    std::vector<unsigned char> block = ReadVersionResource(file);
    if (block.empty()) {
        return std::nullopt;
    }
    const std::wstring key = L"\\StringFileInfo\\" + Widen(kVersionStringTable) + L"\\" + Widen(name);
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), key.c_str(), &value, &length) == 0 || value == nullptr) {
        return std::nullopt;
    }
    // The length counts characters and usually the terminating zero; never read past either.
    const auto* text = static_cast<const wchar_t*>(value);
    return Narrow(text, wcsnlen(text, length));
}

std::optional<std::array<std::uint16_t, 4>> VersionResourceFileVersion(const std::wstring& file) {
    std::vector<unsigned char> block = ReadVersionResource(file);
    if (block.empty()) {
        return std::nullopt;
    }
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", &value, &length) == 0 || value == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    if (fixed->dwSignature != VS_FFI_SIGNATURE) {
        return std::nullopt;
    }
    return std::array<std::uint16_t, 4>{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                                        HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
}

std::optional<std::string> ProgramVersion() {
    const std::wstring file = RunningProgramFile();
    if (file.empty()) {
        return std::nullopt;
    }
    return VersionResourceString(file, "FileVersion");
}

#else

std::optional<std::string> ProgramVersion() {
    constexpr std::array<unsigned, 4> kBuilt{ZT30_VERSION_MAJOR, ZT30_VERSION_MINOR, ZT30_VERSION_PATCH,
                                             ZT30_VERSION_TWEAK};
    std::string text;
    for (unsigned part : kBuilt) {
        text += (text.empty() ? "" : ".") + std::to_string(part);
    }
    return text;
}

#endif

}  // namespace zt30
