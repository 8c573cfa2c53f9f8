#include "views/ini_file_backend_qt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <utility>

#include "base/file_by_rename.h"

namespace zt30 {

QString SettingsFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
           QString::fromUtf8(kSettingsKeyName.data(), static_cast<qsizetype>(kSettingsKeyName.size())) +
           QStringLiteral(".ini");
}

IniFileSettingsBackend::IniFileSettingsBackend(QString path) : path_(std::move(path)) {}

std::optional<IniDocument> IniFileSettingsBackend::ReadFile() const {
    const QFileInfo info(path_);
    if (!info.exists()) {
        return IniDocument();
    }
    // Anything but a plain file (a folder, a pipe, a device) could block the read or never end.
    if (!info.isFile() || info.size() > kMaxFileBytes) {
        return std::nullopt;
    }
    QFile file(path_);
    // Read whole in one call: the device's own buffer would only add a copy.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return std::nullopt;
    }
    // Read by what the open file holds, not by the limit, so a read costs what the file weighs; one that grew
    // while it was read (another writer at work) is not taken half-read.
    const qint64 size = file.size();
    if (size > kMaxFileBytes) {
        return std::nullopt;
    }
    const QByteArray bytes = file.read(size + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > size) {
        return std::nullopt;
    }
    // A file saved as UTF-16 cannot be edited line by line in UTF-8 without spoiling it for its editor.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        return std::nullopt;
    }
    return IniDocument(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

bool IniFileSettingsBackend::OpenKey() {
    document_ = ReadFile();
    return document_.has_value();
}

bool IniFileSettingsBackend::OpenSection(const std::string& section) {
    return document_ && document_->HasSection(section);
}

bool IniFileSettingsBackend::CreateSection(const std::string&) {
    return document_.has_value();
}

ValueQuery IniFileSettingsBackend::QueryValue(const std::string& section, const std::string& name) {
    return document_ ? document_->Find(section, name) : ValueQuery{};
}

bool IniFileSettingsBackend::SetTextValue(const std::string& section, const std::string& name,
                                          const std::string& text) {
    std::optional<IniDocument> document = ReadFile();
    if (!document || !document->Set(section, name, text)) {
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path_).absolutePath())) {
        return false;
    }
    const std::string bytes = document->Bytes();
    // A file its own reader would refuse would lock the store out from then on: the old one stays.
    if (bytes.size() > static_cast<std::size_t>(kMaxFileBytes)) {
        return false;
    }
    // A file linked from elsewhere (a dotfiles folder) is replaced where the link leads: the user's own
    // configuration folder holds no link the user did not make. Anything else that is not a regular file
    // is refused, and the file keeps its mode and owner (QSaveFile gave it the writer's).
    const QFileInfo info(path_);
    const QString target = !info.isSymLink() ? path_
                           : info.exists()   ? info.canonicalFilePath()
                                             : info.symLinkTarget();
    if (WriteFileByRename(target.toStdString(), bytes) != FileWriteResult::Written) {
        return false;
    }
    document_ = std::move(document);
    return true;
}

}  // namespace zt30
