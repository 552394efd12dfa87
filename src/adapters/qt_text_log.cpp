#include "adapters/qt_text_log.h"

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
    // One write of the whole line: a line is either on the disk or not begun.
    if (file_.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file_.flush()) {
        return {file_.errorString().toStdString()};
    }
#ifdef Q_OS_UNIX
    // Through the page cache to the disk, for the pulled plug; once a second is cheap.
    if (::fsync(file_.handle()) != 0) {
        return {"cannot write through to the disk"};
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
