#include "adapters/qt_documents.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "analysis/primary_values.h"
#include "fakes/test_frames.h"
#include "fakes/tool_run.h"
#include "output/check_sheet.h"
#include "output/filed_check.h"
#include "output/wiring_text.h"
#include "qt/qt_document_printer.h"
#include "qt/qt_printer.h"

namespace pm::testing {
namespace {

QString run(const QString& program, const QStringList& arguments) {
    return QString::fromUtf8(toolOutput(program, arguments));
}

// A miswired four-wire installation (I2 reversed, I1 and I3 on each other's phase) through
// 200/5 and 10000/100, filed with its register difference.
PagedDocument miswiredSheet(DocumentMeasure& measure) {
    const auto phasors = sim::parsePhasors("U=100@0,100@120,100@240 I=5@260,5@320,5@20");
    const Frame frame = frameOf(sim::phasorReading(*phasors));
    const SiteFields site{
        "某某化工有限公司",     "0012345678", "某市工业大道 88 号", "3300123", "DTSD341",
        WiringSystem::FourWire, "200/5",      "10000/100",          ""};
    WiringOptions options;
    options.meteredEnergy = 1000;
    const WiringResult result = checkWiring(wiringReading(frame), options);
    const std::optional<SiteRatios> ratios =
        enteredSiteRatios(site.currentRatio, site.voltageRatio);
    const InspectionFields fields = inspectionFields(
        1, 1'800'000'000, "张工", {}, options, frame, result,
        wiringReportLines(liveSourceText(), options, wiringReadingTexts(frame, {}), result, ratios),
        1000, backBilledEnergy(options, result, ratios), "", site);
    ClockReading filed;
    filed.year = 2027;
    filed.month = 1;
    filed.day = 15;
    filed.hour = 9;
    filed.minute = 30;
    return checkSheet({{4, fields}, site, filed, {}, "phasemeter 9"}, measure);
}

// The PDF as poppler reads it: its text, its fonts embedded, and the title, author and creator.
TEST(PdfDocumentOutput, WritesTextInEmbeddedFacesWithItsAuthor) {
    PdfDocumentOutput documents;
    ASSERT_EQ(documents.fontProblem(), "");
    const PagedDocument sheet = miswiredSheet(documents.measure());
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("r.pdf"));
    ASSERT_TRUE(documents.writePdf(pdf.toStdString(), sheet).ok());

    const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
    for (const char* wanted : {kCheckSheetTitle, "某某化工有限公司", "3300123", "张工",
                               "2027-01-15 09:30:00", "I1=", "经PT接入", "一次 1", "退补电量",
                               "1000 × 4000 × (", "客户代表", "检查编号 4", "第 1 页 / 共 1 页"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(wanted))) << wanted;
    }
    const QStringList fonts =
        run(QStringLiteral("pdffonts"), {pdf}).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GT(fonts.size(), 2);
    for (const QString& row : fonts.mid(2)) {
        // name, type, encoding, then emb sub uni object ID
        const QStringList columns = row.split(u' ', Qt::SkipEmptyParts);
        ASSERT_GE(columns.size(), 7);
        EXPECT_EQ(columns[columns.size() - 5], QStringLiteral("yes")) << row.toStdString();
    }
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(info.contains(QStringLiteral("Author:          张工"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("Creator:         phasemeter 9")));
    EXPECT_TRUE(info.contains(QString::fromUtf8(kCheckSheetTitle)));
}

// A file that cannot be written is said to be so and leaves nothing; one that can replaces the
// old file whole.
TEST(PdfDocumentOutput, ASaveThatFailsLeavesNothingAndOneThatWorksReplacesTheOldFile) {
    PdfDocumentOutput documents;
    const PagedDocument sheet = miswiredSheet(documents.measure());
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no/such/r.pdf"));
    const WriteResult failed = documents.writePdf(missing.toStdString(), sheet);
    EXPECT_NE(failed.error.find("无法写入文件"), std::string::npos) << failed.error;
    EXPECT_FALSE(QFile::exists(missing));

    const QString pdf = dir.filePath(QStringLiteral("r.pdf"));
    {
        QFile old(pdf);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(500000, 'x'));
    }
    ASSERT_TRUE(documents.writePdf(pdf.toStdString(), sheet).ok());
    QFile written(pdf);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
    EXPECT_FALSE(bytes.contains("xxxxxxxx"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("r.pdf")});
}

// Printed to a PDF file from the printer dialog: A4 sheets with the author, whatever paper the
// dialog left, and the printer given back as the window's other printouts use it.
TEST(QtDocumentPrinter, PrintsA4SheetsAndGivesThePrinterBackAsItWas) {
    QtPrinter printer;
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("printed.pdf"));
    QPrinter& device = printer.qprinter();
    device.setOutputFormat(QPrinter::PdfFormat);
    device.setOutputFileName(pdf);
    device.setPageSize(QPageSize(QPageSize::Letter));
    QtDocumentPrinter documents(printer);
    ASSERT_EQ(documents.print(miswiredSheet(documents.measure())), "");
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(info.contains(QStringLiteral("(A4)"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QStringLiteral("Author:          张工"))) << info.toStdString();
    EXPECT_FALSE(device.fullPage());
    EXPECT_EQ(device.pageLayout().pageSize().id(), QPageSize::Letter);
}

}  // namespace
}  // namespace pm::testing
