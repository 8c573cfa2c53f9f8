// The settings backend of this system, and the registry backend behind it on Windows: QSettings' native
// format, the key HKEY_CURRENT_USER\OrvZT30, every write synced at once and its status checked. Elsewhere the
// store lives in the settings file (IniFileSettingsBackend).
#pragma once

#include <QSettings>
#include <memory>

#include "views/settings_store.h"

namespace zt30 {

// The store of this system: the registry key on Windows, the settings file (SettingsFilePath()) elsewhere.
std::unique_ptr<SettingsBackend> MakeSystemSettingsBackend();

class QtSettingsBackend final : public SettingsBackend {
public:
    QtSettingsBackend();
    ~QtSettingsBackend() override;
    QtSettingsBackend(const QtSettingsBackend&) = delete;
    QtSettingsBackend& operator=(const QtSettingsBackend&) = delete;

    bool OpenKey() override;
    bool OpenSection(const std::string& section) override;
    bool CreateSection(const std::string& section) override;
    // Only a string value is text; a value of a numeric registry type is NotText.
    ValueQuery QueryValue(const std::string& section, const std::string& name) override;
    bool SetTextValue(const std::string& section, const std::string& name, const std::string& text) override;

private:
    std::unique_ptr<QSettings> settings_;
    bool readable_ = false;
};

}  // namespace zt30
