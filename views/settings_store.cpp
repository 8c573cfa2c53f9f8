#include "views/settings_store.h"

#include <utility>

#include "base/text_rules.h"

namespace zt30 {

namespace {

constexpr const char* kErrorCaption = "ZT-30";

// The program's error display appends a full stop when the text's last character sorts after ".".
std::string WithFullStop(std::string text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') {
        text += '.';
    }
    return text;
}

}  // namespace

std::string IntToSettingText(std::int32_t value) {
    return std::to_string(value);
}

SettingsStore::SettingsStore(std::unique_ptr<SettingsBackend> backend, UiServices& ui)
    : backend_(std::move(backend)), ui_(ui) {
    open_ = backend_->OpenKey();
}

bool SettingsStore::EnsureOpen() {
    if (!open_) {
        open_ = backend_->OpenKey();
    }
    return open_;
}

void SettingsStore::ShowError(std::string text) {
    ui_.ShowMessage(WithFullStop(std::move(text)), kErrorCaption, MessageIcon::Error, MessageButtons::Ok);
}

IntRead SettingsStore::readIntChecked(const std::string& section, const std::string& name,
                                      std::int32_t defaultValue) {
    if (!EnsureOpen() || !backend_->OpenSection(section)) {
        return {defaultValue, true};
    }
    ValueQuery query = backend_->QueryValue(section, name);
    switch (query.kind) {
        case ValueQuery::Kind::Missing:
            return {defaultValue, true};
        case ValueQuery::Kind::NotText:
            ShowError("Invalid data type for '" + name + "'");
            return {defaultValue, false};
        case ValueQuery::Kind::Text:
            break;
    }
    return {ParseStoredInt(query.text).value_or(defaultValue), true};
}

std::int32_t SettingsStore::readInt(const std::string& section, const std::string& name,
                                    std::int32_t defaultValue) {
    return readIntChecked(section, name, defaultValue).value;
}

std::int32_t SettingsStore::readInt(const IntSetting& setting) {
    return readInt(std::string(setting.section), std::string(setting.name), setting.defaultValue);
}

bool SettingsStore::writeText(const std::string& section, const std::string& name, const std::string& text) {
    if (!EnsureOpen()) {
        ShowError("Failed to create key " + std::string(kSettingsKeyName));
        return false;
    }
    if (!backend_->CreateSection(section)) {
        ShowError("Failed to create key " + section);
        return false;
    }
    if (!backend_->SetTextValue(section, name, text)) {
        ShowError("Failed to set data for '" + name + "'");
        return false;
    }
    return true;
}

bool SettingsStore::writeInt(const std::string& section, const std::string& name, std::int32_t value) {
    return writeText(section, name, IntToSettingText(value));
}

bool SettingsStore::writeInt(const IntSetting& setting, std::int32_t value) {
    return writeInt(std::string(setting.section), std::string(setting.name), value);
}

std::optional<std::string> SettingsStore::readText(const std::string& section, const std::string& name) {
    if (!EnsureOpen() || !backend_->OpenSection(section)) {
        return std::nullopt;
    }
    ValueQuery query = backend_->QueryValue(section, name);
    if (query.kind != ValueQuery::Kind::Text) {
        return std::nullopt;
    }
    return std::move(query.text);
}

PortDeviceLookup SettingsStore::DeviceLookup() {
    return [this](int portNumber) -> std::optional<std::string> {
        if (portNumber < 1 || portNumber > settings::kDevicePortCount) {
            return std::nullopt;
        }
        std::optional<std::string> path =
            readText(std::string(settings::kDevicesSection), "COM" + std::to_string(portNumber));
        // A path with an embedded zero byte would name a different device than the one written.
        if (!path || path->empty() || path->find('\0') != std::string::npos) {
            return std::nullopt;
        }
        return path;
    };
}

std::int32_t SettingsSequence::readInt(const std::string& section, const std::string& name,
                                       std::int32_t defaultValue) {
    if (failed_) {
        return defaultValue;
    }
    IntRead read = store_.readIntChecked(section, name, defaultValue);
    failed_ = !read.ok;
    return read.value;
}

std::int32_t SettingsSequence::readInt(const IntSetting& setting, std::int32_t defaultValue) {
    return readInt(std::string(setting.section), std::string(setting.name), defaultValue);
}

bool SettingsSequence::writeInt(const std::string& section, const std::string& name, std::int32_t value) {
    if (failed_) {
        return false;
    }
    failed_ = !store_.writeInt(section, name, value);
    return !failed_;
}

bool SettingsSequence::writeInt(const IntSetting& setting, std::int32_t value) {
    return writeInt(std::string(setting.section), std::string(setting.name), value);
}

}  // namespace zt30
