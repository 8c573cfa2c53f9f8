// The settings store's file on systems without a registry: OrvZT30.ini in the user's configuration folder
// ($XDG_CONFIG_HOME, else ~/.config), read and edited as an IniDocument, so a file edited by hand keeps its
// comments and lines. The file is read when the store opens and again before each write, so that what was
// changed in it meanwhile (by hand or by another copy of the program) stays; each write replaces the file
// whole and atomically (WriteFileByRename: a temporary file, synced, given the file's mode and owner, and
// renamed over it), a file that exists but cannot be read is never written, and none is written that its
// reader would refuse (kMaxFileBytes).
#pragma once

#include <QString>
#include <optional>

#include "views/ini_document.h"
#include "views/settings_store.h"

namespace zt30 {

// The settings file: the user's configuration folder + "/OrvZT30.ini".
QString SettingsFilePath();

class IniFileSettingsBackend final : public SettingsBackend {
public:
    // A file larger than this is not a settings file and is treated as unreadable.
    static constexpr qint64 kMaxFileBytes = 1 << 20;

    explicit IniFileSettingsBackend(QString path);

    // Reads the file; a missing file is an empty store. False when the file exists but cannot be read (no
    // permission, not a plain file, too large, UTF-16): the store then stays closed and the file untouched.
    bool OpenKey() override;
    bool OpenSection(const std::string& section) override;
    // A section comes into being with its first value.
    bool CreateSection(const std::string& section) override;
    // A value that is not valid UTF-8 (or holds a zero byte) is NotText, the store's read error.
    ValueQuery QueryValue(const std::string& section, const std::string& name) override;
    // Reads the file again, sets the value and replaces the file; false, leaving the file as it was, when
    // it cannot be read or written, when it would grow past kMaxFileBytes, or when text is not valid UTF-8.
    bool SetTextValue(const std::string& section, const std::string& name, const std::string& text) override;

    const QString& Path() const { return path_; }

private:
    std::optional<IniDocument> ReadFile() const;

    QString path_;
    std::optional<IniDocument> document_;  // the file as last read or written; none while it is unreadable
};

}  // namespace zt30
