#include "qt/qt_window_snapshot.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QPixmap>

#include "adapters/qt_files.h"

namespace pm {

namespace {

// Screen text and thin phasor lines smear at the usual JPEG quality of 75.
constexpr int kJpegQuality = 90;

}  // namespace

void QtWindowSnapshot::take() {
    // An old picture must not pass for a new one: without a window there is no picture at all.
    picture_ = window_ ? window_->grab().toImage() : QImage();
}

QByteArray QtWindowSnapshot::formatFor(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png")) {
        return "PNG";
    }
    if (suffix == QLatin1String("bmp")) {
        return "BMP";
    }
    return "JPEG";
}

WriteResult QtWindowSnapshot::save(const std::string& path) {
    const QString name = QString::fromStdString(path);
    if (picture_.isNull()) {
        return {QStringLiteral("无法保存文件 %1：没有窗口图像")
                    .arg(QDir::toNativeSeparators(name))
                    .toStdString()};
    }
    const QByteArray format = formatFor(name);
    return writeFileAtomically(name, [&](QIODevice& out, QString& error) {
        QImageWriter writer(&out, format);
        if (format == "JPEG") {
            writer.setQuality(kJpegQuality);
        }
        if (!writer.write(picture_)) {
            error = writer.errorString();
            return false;
        }
        return true;
    });
}

}  // namespace pm
