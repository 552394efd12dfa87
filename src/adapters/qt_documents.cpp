#include "adapters/qt_documents.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPen>
#include <QSaveFile>
#include <QStringList>
#include <exception>
// Nothing here uses qpdf's old PointerHolder; 4 leaves it out altogether.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>
#include <type_traits>

namespace pm {
namespace {

// A PDF's own resolution: Qt's writer places everything on a grid of this many dots an inch.
constexpr int kPdfDpi = 1200;
constexpr double kMmPerInch = 25.4;

// The faces each style may be set in, best first: what Debian's Chinese font packages bring, then
// what Windows and other systems call theirs.
const QStringList& wantedFamilies(Face face) {
    static const QStringList song{"AR PL UMing CN",      "AR PL UMing TW",  "Noto Serif CJK SC",
                                  "Source Han Serif SC", "SimSun",          "NSimSun",
                                  "WenQuanYi Micro Hei", "Noto Sans CJK SC"};
    static const QStringList hei{"WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "Noto Sans CJK SC",
                                 "Source Han Sans SC",  "Microsoft YaHei",   "SimHei",
                                 "AR PL UMing CN"};
    return face == Face::Hei ? hei : song;
}

// The wanted faces this system has, and behind them any other face that writes Chinese.
QStringList findFamilies(Face face) {
    QStringList found;
    for (const QString& family : wantedFamilies(face)) {
        if (QFontDatabase::hasFamily(family)) {
            found << family;
        }
    }
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    if (!chinese.isEmpty() && found.isEmpty()) {
        found << chinese.front();
    }
    return found;
}

// Asking the font database costs milliseconds and a sheet measures hundreds of texts; the faces
// installed are looked up once.
const QStringList& installedFamilies(Face face) {
    static const QStringList song = findFamilies(Face::Song);
    static const QStringList hei = findFamilies(Face::Hei);
    return face == Face::Hei ? hei : song;
}

QColor toQColor(Colour colour) {
    return QColor(redOf(colour), greenOf(colour), blueOf(colour));
}

}  // namespace

QFont documentFont(const TextStyle& style) {
    QFont font;
    const QStringList families = installedFamilies(style.face);
    if (!families.isEmpty()) {
        font.setFamilies(families);
    }
    font.setPointSizeF(style.points);
    font.setBold(style.bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QtDocumentMeasure::QtDocumentMeasure() : device_(1, 1, QImage::Format_RGB32) {
    const int dotsPerMetre = static_cast<int>(kPdfDpi / kMmPerInch * 1000 + 0.5);
    device_.setDotsPerMeterX(dotsPerMetre);
    device_.setDotsPerMeterY(dotsPerMetre);
}

const QFontMetricsF& QtDocumentMeasure::metrics(const TextStyle& style) {
    for (const auto& [known, metrics] : metrics_) {
        if (known == style) {
            return metrics;
        }
    }
    return metrics_.emplace_back(style, QFontMetricsF(documentFont(style), &device_)).second;
}

double QtDocumentMeasure::textWidth(const std::string& utf8, const TextStyle& style) {
    return metrics(style).horizontalAdvance(QString::fromStdString(utf8)) * kMmPerInch /
           device_.logicalDpiX();
}

double QtDocumentMeasure::lineHeight(const TextStyle& style) {
    return metrics(style).lineSpacing() * kMmPerInch / device_.logicalDpiY();
}

void paintDocument(QPainter& painter, QPagedPaintDevice& device, const PagedDocument& document) {
    const double unit = device.logicalDpiX() / kMmPerInch;  // device units a millimetre
    const auto at = [unit](double x, double y) { return QPointF(x * unit, y * unit); };
    painter.setRenderHint(QPainter::Antialiasing);
    bool first = true;
    for (const DocumentPage& page : document.pages) {
        if (!first) {
            device.newPage();
        }
        first = false;
        for (const PageItem& item : page.items) {
            std::visit(
                [&](const auto& part) {
                    using Part = std::decay_t<decltype(part)>;
                    if constexpr (std::is_same_v<Part, PageText>) {
                        const QFont font = documentFont(part.style);
                        painter.setFont(font);
                        painter.setPen(toQColor(part.colour));
                        const double ascent = QFontMetricsF(font, &device).ascent();
                        painter.drawText(at(part.x, part.top) + QPointF(0, ascent),
                                         QString::fromStdString(part.text));
                    } else if constexpr (std::is_same_v<Part, PageLine>) {
                        painter.setPen(QPen(toQColor(part.colour), part.width * unit, Qt::SolidLine,
                                            Qt::RoundCap));
                        painter.drawLine(at(part.x1, part.y1), at(part.x2, part.y2));
                    } else if constexpr (std::is_same_v<Part, PageCircle>) {
                        painter.setPen(QPen(toQColor(part.colour), part.width * unit));
                        painter.setBrush(Qt::NoBrush);
                        painter.drawEllipse(at(part.cx, part.cy), part.radius * unit,
                                            part.radius * unit);
                    } else {
                        painter.fillRect(QRectF(at(part.x, part.y),
                                                QSizeF(part.width * unit, part.height * unit)),
                                         toQColor(part.fill));
                    }
                },
                item);
        }
    }
}

std::optional<QByteArray> withPdfAuthor(const QByteArray& pdf, const std::string& author) {
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("document", pdf.constData(),
                                   static_cast<std::size_t>(pdf.size()));
        QPDFObjectHandle trailer = document.getTrailer();
        QPDFObjectHandle info = trailer.getKey("/Info");
        if (!info.isDictionary()) {
            info = document.makeIndirectObject(QPDFObjectHandle::newDictionary());
            trailer.replaceKey("/Info", info);
        }
        info.replaceKey("/Author", QPDFObjectHandle::newUnicodeString(author));
        QPDFWriter writer(document);
        writer.setOutputMemory();
        writer.write();
        const std::shared_ptr<Buffer> out = writer.getBufferSharedPointer();
        return QByteArray(reinterpret_cast<const char*>(out->getBuffer()),
                          static_cast<qsizetype>(out->getSize()));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string PdfDocumentOutput::fontProblem() {
    if (installedFamilies(Face::Song).isEmpty()) {
        return "系统中没有中文字体，无法生成报告（请安装 fonts-arphic-uming 或 "
               "fonts-wqy-microhei）";
    }
    return {};
}

std::optional<QByteArray> PdfDocumentOutput::pdfBytes(const PagedDocument& document) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kPdfDpi);
        writer.setPageLayout(sheetLayout());
        writer.setTitle(QString::fromStdString(document.info.title));
        writer.setCreator(QString::fromStdString(document.info.creator));
        QPainter painter;
        if (!painter.begin(&writer)) {
            return std::nullopt;
        }
        paintDocument(painter, writer, document);
        if (!painter.end()) {
            return std::nullopt;
        }
    }
    return buffer.data();
}

WriteResult PdfDocumentOutput::writePdf(const std::string& path, const PagedDocument& document) {
    const QString name = QString::fromStdString(path);
    std::optional<QByteArray> bytes = pdfBytes(document);
    if (!bytes) {
        return {"无法生成 PDF 文件"};
    }
    // A PDF without its author is still the whole document; only the metadata would be poorer.
    if (std::optional<QByteArray> signed_ = withPdfAuthor(*bytes, document.info.author)) {
        bytes = std::move(signed_);
    }
    return writeWholeFile(name, *bytes);
}

QPageLayout sheetLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

WriteResult writeWholeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return {QStringLiteral("无法写入文件 %1：%2")
                    .arg(QDir::toNativeSeparators(path), file.errorString())
                    .toStdString()};
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return {QStringLiteral("无法写入文件 %1：%2")
                    .arg(QDir::toNativeSeparators(path), reason)
                    .toStdString()};
    }
    return {};
}

}  // namespace pm
