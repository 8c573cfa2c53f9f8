#include "views/qt_settings_backend.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>
#include <utility>

namespace zt30 {

namespace {

QString KeyOf(const std::string& section, const std::string& name) {
    return QString::fromStdString(section) + u'/' + QString::fromStdString(name);
}

}  // namespace

QString QtSettingsBackend::DefaultIniPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
           QString::fromUtf8(kSettingsKeyName.data(), static_cast<qsizetype>(kSettingsKeyName.size())) +
           QStringLiteral(".ini");
}

#ifdef Q_OS_WIN
QtSettingsBackend::QtSettingsBackend() {}
#else
QtSettingsBackend::QtSettingsBackend() : iniPath_(DefaultIniPath()) {}
#endif

QtSettingsBackend::QtSettingsBackend(QString iniPath) : iniPath_(std::move(iniPath)) {}

QtSettingsBackend::~QtSettingsBackend() = default;

std::unique_ptr<QSettings> QtSettingsBackend::MakeSettings() const {
    std::unique_ptr<QSettings> settings;
    if (iniPath_.isEmpty()) {
        settings = std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\OrvZT30"),
                                               QSettings::NativeFormat);
    } else {
        settings = std::make_unique<QSettings>(iniPath_, QSettings::IniFormat);
    }
    // Never fall back to rewriting the file in place: a failed write must leave the old file whole.
    settings->setAtomicSyncRequired(true);
    return settings;
}

bool QtSettingsBackend::OpenKey() {
    settings_.reset();
    settings_ = MakeSettings();
    if (iniPath_.isEmpty()) {
        readable_ = settings_->status() == QSettings::NoError;
        return readable_;
    }
    // QSettings reads the file on construction; a missing file reads as empty. A file that could not be read
    // or parsed completely would be overwritten with what was understood of it, so such a store stays closed.
    // QSettings keeps a parsed file cached per path and reports its format error only on the first reading,
    // so the damaged file is remembered here until it changes. (An access error alone may come from QSettings
    // retrying a write that failed earlier: it is not a reason.)
    const QFileInfo info(iniPath_);
    const FileStamp stamp{info.exists(), info.size(), info.lastModified()};
    if (settings_->status() == QSettings::FormatError) {
        damaged_ = stamp;
    }
    QFile file(iniPath_);
    readable_ = !(damaged_ && *damaged_ == stamp) && (!stamp.exists || file.open(QIODevice::ReadOnly));
    return readable_;
}

bool QtSettingsBackend::OpenSection(const std::string& section) {
    return readable_ && settings_->childGroups().contains(QString::fromStdString(section));
}

bool QtSettingsBackend::CreateSection(const std::string&) {
    // A section comes into being with its first value; there is nothing to create on its own.
    return readable_;
}

ValueQuery QtSettingsBackend::QueryValue(const std::string& section, const std::string& name) {
    const QString key = KeyOf(section, name);
    if (!readable_ || !settings_->contains(key)) {
        return {};
    }
    const QVariant value = settings_->value(key);
    // Only a plain string is text: "a, b" in the INI file reads as a list, a REG_DWORD as a number.
    if (value.typeId() != QMetaType::QString) {
        return {ValueQuery::Kind::NotText, {}};
    }
    return {ValueQuery::Kind::Text, value.toString().toStdString()};
}

bool QtSettingsBackend::SetTextValue(const std::string& section, const std::string& name,
                                     const std::string& text) {
    if (!readable_) {
        return false;
    }
    const QString key = KeyOf(section, name);
    const QVariant previous = settings_->contains(key) ? settings_->value(key) : QVariant();
    settings_->setValue(key, QString::fromStdString(text));
    settings_->sync();
    if (settings_->status() == QSettings::NoError) {
        return true;
    }
    // Take the unsaved value back out of memory, so that a later successful write does not store it after it
    // was reported as failed, and start afresh because QSettings keeps its first error for good.
    if (previous.isValid()) {
        settings_->setValue(key, previous);
    } else {
        settings_->remove(key);
    }
    OpenKey();
    return false;
}

}  // namespace zt30
