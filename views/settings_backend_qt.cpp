#include "views/settings_backend_qt.h"

#include <QStringList>
#include <QVariant>

#include "views/ini_file_backend_qt.h"

namespace zt30 {

namespace {

QString KeyOf(const std::string& section, const std::string& name) {
    return QString::fromStdString(section) + u'/' + QString::fromStdString(name);
}

}  // namespace

std::unique_ptr<SettingsBackend> MakeSystemSettingsBackend() {
#ifdef Q_OS_WIN
    return std::make_unique<QtSettingsBackend>();
#else
    return std::make_unique<IniFileSettingsBackend>(SettingsFilePath());
#endif
}

QtSettingsBackend::QtSettingsBackend() = default;

QtSettingsBackend::~QtSettingsBackend() = default;

bool QtSettingsBackend::OpenKey() {
    settings_ = std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\") +
            QString::fromUtf8(kSettingsKeyName.data(), static_cast<qsizetype>(kSettingsKeyName.size())),
        QSettings::NativeFormat);
    readable_ = settings_->status() == QSettings::NoError;
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
