#include "adapters/qt_text_log.h"

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace pm {

WriteResult QtTextLog::open(const std::string& path) {
    close();
    file_.setFileName(QString::fromStdString(path));
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        return {file_.errorString().toStdString()};
    }
    return {};
}

WriteResult QtTextLog::appendLine(const std::string& line) {
    if (!file_.isOpen()) {
        return {"no file is open"};
    }
    const std::string bytes = line + "\r\n";
    const qint64 lineStart = file_.pos();
    // A write the disk takes only part of reports no error; asked for the rest, the system says
    // why it cannot take it ("No space left on device").
    qint64 written = 0;
    while (written < static_cast<qint64>(bytes.size())) {
        const qint64 n =
            file_.write(bytes.data() + written, static_cast<qint64>(bytes.size()) - written);
        if (n <= 0) {
            break;
        }
        written += n;
    }
    if (written < static_cast<qint64>(bytes.size()) || !file_.flush()) {
        const QString why = file_.error() != QFileDevice::NoError
                                ? file_.errorString()
                                : QStringLiteral("cannot write the file");
        // A cut line is no reading: the file ends with the last whole line again.
        file_.resize(lineStart);
        return {why.toStdString()};
    }
#ifdef Q_OS_UNIX
    // Through the page cache to the disk, for the pulled plug; once a second is cheap.
    if (::fsync(file_.handle()) != 0) {
        return {std::string("cannot write through to the disk: ") + std::strerror(errno)};
    }
#endif
    return {};
}

void QtTextLog::close() {
    if (file_.isOpen()) {
        file_.close();
    }
}

}  // namespace pm
