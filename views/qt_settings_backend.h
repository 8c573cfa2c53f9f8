// The program's SettingsBackend over QSettings: the INI file OrvZT30.ini in the user's configuration folder
// ($XDG_CONFIG_HOME, else ~/.config) on Linux, the registry key HKEY_CURRENT_USER\OrvZT30 on Windows. Every
// write is synced at once and its status checked. The file is only ever replaced whole (a temporary file
// renamed over it), and a file that could not be read is never written, so stored values are never lost.
#pragma once

#include <QDateTime>
#include <QSettings>
#include <QString>
#include <memory>
#include <optional>

#include "views/settings_store.h"

namespace zt30 {

class QtSettingsBackend final : public SettingsBackend {
public:
    // The store at the system's location (see above).
    QtSettingsBackend();
    // An INI store at the given file path.
    explicit QtSettingsBackend(QString iniPath);
    ~QtSettingsBackend() override;
    QtSettingsBackend(const QtSettingsBackend&) = delete;
    QtSettingsBackend& operator=(const QtSettingsBackend&) = delete;

    // The INI file used on systems without a registry: the user's configuration folder + "/OrvZT30.ini".
    static QString DefaultIniPath();

    bool OpenKey() override;
    bool OpenSection(const std::string& section) override;
    bool CreateSection(const std::string& section) override;
    ValueQuery QueryValue(const std::string& section, const std::string& name) override;
    bool SetTextValue(const std::string& section, const std::string& name, const std::string& text) override;

private:
    std::unique_ptr<QSettings> MakeSettings() const;

    // Identity of the INI file's contents as far as the file system tells it.
    struct FileStamp {
        bool exists;
        qint64 size;
        QDateTime modified;
        friend bool operator==(const FileStamp&, const FileStamp&) = default;
    };

    QString iniPath_;  // empty for the native registry
    std::unique_ptr<QSettings> settings_;
    bool readable_ = false;
    std::optional<FileStamp> damaged_;  // the file as it was when it could not be parsed  // the store was
                                        // read without error, so writing it back loses nothing
};

}  // namespace zt30
