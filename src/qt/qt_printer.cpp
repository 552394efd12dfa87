#include "qt/qt_printer.h"

#include <cmath>

#include <QDir>
#include <QFontDatabase>
#include <QFontMetricsF>

#include "qt/qt_drawing_surface.h"
#include "qt/qt_window_snapshot.h"

namespace pm {

namespace {

constexpr qreal kTwipsPerInch = 1440.0;
constexpr qreal kLargestPoints = 10.0;
constexpr qreal kSmallestPoints = 4.0;

}  // namespace

// High resolution: the printer's own dots (the PDF writer's 1200 dpi), not the screen's 96.
QtPrinter::QtPrinter() : printer_(QPrinter::HighResolution) {}

QtPrinter::~QtPrinter() {
    // A document left open would otherwise go to the printer half done.
    if (painter_.isActive()) {
        printer_.abort();
        painter_.end();
    }
}

qreal QtPrinter::toDevice(int twips) const {
    return twips * printer_.resolution() / kTwipsPerInch;
}

int QtPrinter::toTwips(qreal deviceUnits) const {
    return static_cast<int>(std::lround(deviceUnits * kTwipsPerInch / printer_.resolution()));
}

QFont QtPrinter::reportFont(const QPaintDevice& device) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    const QString widest(kWidestLineColumns, u'0');
    const qreal limit = kTextLimitTwips * device.logicalDpiX() / kTwipsPerInch;
    for (qreal points = kLargestPoints; points > kSmallestPoints; points -= 0.5) {
        font.setPointSizeF(points);
        if (QFontMetricsF(font, &device).horizontalAdvance(widest) <= limit) {
            return font;
        }
    }
    font.setPointSizeF(kSmallestPoints);
    return font;
}

QString QtPrinter::beginFailure() const {
    if (printer_.outputFormat() == QPrinter::PdfFormat) {
        return QStringLiteral("无法写入文件 %1")
            .arg(QDir::toNativeSeparators(printer_.outputFileName()));
    }
    if (printer_.printerName().isEmpty()) {
        return QStringLiteral("没有可用的打印机");
    }
    return QStringLiteral("打印机 %1 无法开始打印").arg(printer_.printerName());
}

std::string QtPrinter::beginDoc() {
    if (painter_.isActive()) {
        return "上一个打印作业尚未结束";
    }
    pages_ = 0;
    if (!painter_.begin(&printer_)) {
        return beginFailure().toStdString();
    }
    font_ = reportFont(printer_);
    painter_.setFont(font_);
    const QFontMetricsF metrics(font_, &printer_);
    ascent_ = metrics.ascent();
    lineHeight_ = std::max(1, toTwips(metrics.lineSpacing()));
    pageHeight_ = toTwips(printer_.height());
    x_ = 0;
    y_ = 0;
    pages_ = 1;
    pageUsed_ = false;
    return {};
}

void QtPrinter::printLine(const std::string& text) {
    if (y_ + lineHeight_ > pageHeight_) {
        // A page on which nothing was printed yet takes the line at its top instead.
        if (painter_.isActive() && pageUsed_ && printer_.newPage()) {
            ++pages_;
        }
        pageUsed_ = false;
        y_ = 0;
    }
    if (painter_.isActive()) {
        painter_.drawText(QPointF(toDevice(x_), toDevice(y_) + ascent_),
                          QString::fromStdString(text));
        pageUsed_ = true;
    }
    x_ = 0;
    y_ += lineHeight_;
}

void QtPrinter::paintPicture(const DrawingSurface& picture, int xTwips, int yTwips) {
    const auto* surface = dynamic_cast<const QtDrawingSurface*>(&picture);
    if (surface == nullptr || !painter_.isActive() || surface->image().isNull()) {
        return;
    }
    const QImage& image = surface->image();
    const QRectF target(toDevice(xTwips), toDevice(yTwips),
                        toDevice(image.width() * kTwipsPerScreenPixel),
                        toDevice(image.height() * kTwipsPerScreenPixel));
    painter_.drawImage(target, image);
    pageUsed_ = true;
}

void QtPrinter::paintSnapshot(const WindowSnapshot& picture, int xTwips, int yTwips) {
    const auto* snapshot = dynamic_cast<const QtWindowSnapshot*>(&picture);
    if (snapshot == nullptr || !painter_.isActive() || snapshot->picture().isNull()) {
        return;
    }
    const QImage& image = snapshot->picture();
    // The snapshot is taken at the screen's device pixel ratio; print it at its size on screen.
    const double ratio = image.devicePixelRatio();
    const QRectF target(toDevice(xTwips), toDevice(yTwips),
                        toDevice(static_cast<int>(image.width() / ratio) * kTwipsPerScreenPixel),
                        toDevice(static_cast<int>(image.height() / ratio) * kTwipsPerScreenPixel));
    painter_.drawImage(target, image);
    pageUsed_ = true;
}

std::string QtPrinter::endDoc() {
    if (!painter_.isActive()) {
        return "没有正在进行的打印作业";
    }
    const bool ended = painter_.end();
    if (!ended || printer_.printerState() == QPrinter::Error) {
        if (printer_.outputFormat() == QPrinter::PdfFormat) {
            return QStringLiteral("无法完成文件 %1")
                .arg(QDir::toNativeSeparators(printer_.outputFileName()))
                .toStdString();
        }
        return QStringLiteral("打印机 %1 未能完成打印").arg(printer_.printerName()).toStdString();
    }
    return {};
}

}  // namespace pm
