#include "adapters/qt_files.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>

namespace pm {

namespace {

const QString kSaveFolderName = QStringLiteral("Korvalendrix");

QString failure(const QString& path, const QString& reason) {
    return QStringLiteral("无法保存文件 %1：%2").arg(QDir::toNativeSeparators(path), reason);
}

}  // namespace

QtFiles::QtFiles(QString home) {
    if (!home.isEmpty()) {
        saveFolder_ = QDir(home).filePath(kSaveFolderName);
    } else {
#ifdef Q_OS_WIN
        saveFolder_ = QStringLiteral("c:/") + kSaveFolderName;
#else
        saveFolder_ = QDir::home().filePath(kSaveFolderName);
#endif
    }
    saveFolder_ = QDir::toNativeSeparators(QDir::cleanPath(saveFolder_));
}

std::string QtFiles::saveFolder() const {
    return saveFolder_.toStdString();
}

bool QtFiles::ensureFolder(const std::string& folder) {
    const QString path = QString::fromStdString(folder);
    if (path.isEmpty()) {
        return false;
    }
    // mkpath also succeeds for a folder that is already there; a file of that name makes it fail.
    return QDir().mkpath(path) && QFileInfo(path).isDir();
}

QByteArray systemEncoded(const std::string& utf8) {
    QStringEncoder encoder(QStringConverter::System);
    return encoder.encode(QString::fromStdString(utf8));
}

WriteResult QtFiles::writeTextFile(const std::string& path, const std::vector<std::string>& lines) {
    return writeFileAtomically(QString::fromStdString(path), [&](QIODevice& out, QString& error) {
        for (const std::string& line : lines) {
            QByteArray bytes = systemEncoded(line);
            bytes.append("\r\n");
            if (out.write(bytes) != bytes.size()) {
                error = out.errorString();
                return false;
            }
        }
        return true;
    });
}

WriteResult writeFileAtomically(const QString& path,
                                const std::function<bool(QIODevice& out, QString& error)>& write) {
    if (path.isEmpty()) {
        return {failure(path, QStringLiteral("没有文件名")).toStdString()};
    }
    QSaveFile file(path);
    // A folder where only the file itself may be written (no new files allowed) still gets the
    // save, at the price of atomicity; anything else would refuse a save the user can make.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        return {failure(path, file.errorString()).toStdString()};
    }
    QString error;
    if (!write(file, error)) {
        const QString reason = error.isEmpty() ? file.errorString() : error;
        file.cancelWriting();
        return {failure(path, reason).toStdString()};
    }
    // The buffered tail goes out here, so a full disk shows up as a failed commit.
    if (!file.commit()) {
        return {failure(path, file.errorString()).toStdString()};
    }
    return {};
}

}  // namespace pm
