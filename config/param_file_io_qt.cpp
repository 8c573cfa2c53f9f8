#include "config/param_file_io_qt.h"

#include <QFile>
#include <QString>

#include "base/file_by_rename.h"

namespace zt30 {

std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t limit) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.read(static_cast<qint64>(limit) + 1);
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return bytes.toStdString();
}

bool SaveFileBytes(const std::string& path, const std::string& bytes) {
    // Not QSaveFile: it writes where a link leads and renames over a FIFO or a device.
    return WriteFileByRename(path, bytes) == FileWriteResult::Written;
}

}  // namespace zt30
