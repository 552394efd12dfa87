#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWidget>

#include "fakes/file_helpers.h"
#include "fakes/tool_run.h"
#include "qt/qt_drawing_surface.h"
#include "qt/qt_printer.h"
#include "qt/qt_window_snapshot.h"

namespace pm::testing {
namespace {

struct Word {
    QString text;
    QRectF box;  // points from the page's top-left corner
    int page = 0;
};

// The PDF's words with their boxes, as poppler finds them.
std::vector<Word> wordsOf(const QString& pdf) {
    const QString html =
        QString::fromUtf8(toolOutput(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"}));
    static const QRegularExpression pattern(
        QString::fromLatin1(R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" )re"
                            R"re(yMax="([\d.]+)">([^<]*)</word>)re"));
    std::vector<Word> words;
    int page = 0;
    for (auto it = pattern.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0) == QStringLiteral("<page ")) {
            ++page;
            continue;
        }
        words.push_back({m.captured(5),
                         QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())),
                         page});
    }
    return words;
}

// Words sharing a baseline, top to bottom, each row left to right.
std::vector<std::vector<Word>> rowsOf(std::vector<Word> words) {
    std::sort(words.begin(), words.end(), [](const Word& a, const Word& b) {
        const auto key = [](const Word& w) {
            return std::make_tuple(w.page, std::lround(w.box.bottom() * 2), w.box.left());
        };
        return key(a) < key(b);
    });
    std::vector<std::vector<Word>> rows;
    for (const Word& word : words) {
        if (rows.empty() || rows.back().front().page != word.page ||
            std::abs(rows.back().front().box.bottom() - word.box.bottom()) > 0.5) {
            rows.emplace_back();
        }
        rows.back().push_back(word);
    }
    return rows;
}

QStringList pagesOf(const QString& pdf) {
    QStringList pages =
        QString::fromUtf8(toolOutput(QStringLiteral("pdftotext"), {"-layout", pdf, "-"}))
            .split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) {
        pages.removeLast();
    }
    return pages;
}

class QtPrinterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        pdf = dir.filePath(QStringLiteral("report.pdf"));
        printer.qprinter().setOutputFormat(QPrinter::PdfFormat);
        printer.qprinter().setOutputFileName(pdf);
    }
    // The printable area in points, where the printer's twips start.
    QRectF printable() { return printer.qprinter().pageLayout().paintRect(QPageLayout::Point); }
    static double points(double twips) { return twips / 20.0; }

    QTemporaryDir dir;
    QString pdf;
    QtPrinter printer;
};

// The lines of the real-time report with captions as wide as the panel shows them.
std::vector<std::string> realTimeLines() {
    return {
        "     ",
        "                   U/V     I/A     P/KW    Q/Kvar   S/KVA    PF   ",
        "          1CH:    1230.00    123.4567  -123.4567  -123.4567   123.4567  -0.9999",
        "          2CH:    230.00    5.0000  1.1500  0.0000   1.1500  1.0000",
        "          3CH:    0.00    0.0000  0.0000  0.0000   0.0000  1.0000",
        "          U1U2:  120.0°    I1I2:  120.0°    U1I1:  0.0°",
        "          U2U3:  120.0°    I2I3:  120.0°    U2I2:  0.0°",
        "          U3U1:  120.0°    I3I1:  120.0°    U3I3:  0.0°",
        "          F/Hz:  50.00       In/A:  0.000",
        "     ",
    };
}

TEST_F(QtPrinterTest, RealTimeReportEndsBeforeTheDiagramWhichIsPaintedAtItsOwnSize) {
    QtDrawingSurface surface(QSize(240, 200));
    surface.cls();  // black, so the picture shows on white paper
    surface.line(0, 0, 240, 200, 0x00FF00);

    ASSERT_EQ(printer.beginDoc(), "");
    printer.setCurrentY(500);
    for (const std::string& line : realTimeLines()) {
        printer.printLine(line);
    }
    printer.setCurrentX(7000);
    printer.setCurrentY(200);
    printer.paintPicture(surface, printer.currentX(), printer.currentY());
    ASSERT_EQ(printer.endDoc(), "");
    EXPECT_EQ(printer.pageCount(), 1);
    EXPECT_TRUE(QFontInfo(printer.font()).fixedPitch()) << printer.font().family().toStdString();

    const QRectF area = printable();
    const std::vector<Word> words = wordsOf(pdf);
    ASSERT_FALSE(words.empty());
    double headingTop = -1;
    for (const Word& word : words) {
        SCOPED_TRACE(word.text.toStdString());
        EXPECT_LT(word.box.right(), area.left() + points(7000));
        if (word.text == QStringLiteral("U/V")) {
            headingTop = word.box.top();
        }
    }
    // The heading is the second line, one line height below 500 twips.
    const double line = points(printer.lineHeight());
    EXPECT_GT(headingTop, area.top() + points(500) + line * 0.5);
    EXPECT_LT(headingTop, area.top() + points(500) + line * 2);

    // Each line's words in one row, at the columns the blanks put them in: the face is fixed-pitch.
    const std::vector<std::vector<Word>> rows = rowsOf(words);
    std::vector<std::string> printed;
    for (const std::string& text : realTimeLines()) {
        if (!QString::fromStdString(text).trimmed().isEmpty()) {
            printed.push_back(text);
        }
    }
    ASSERT_EQ(rows.size(), printed.size());
    const double advance =
        QFontMetricsF(printer.font(), &printer.qprinter()).horizontalAdvance(u'0') * 72 /
        printer.qprinter().resolution();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const QString text = QString::fromStdString(printed[r]);
        SCOPED_TRACE(printed[r]);
        const QStringList expected = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        ASSERT_EQ(rows[r].size(), static_cast<std::size_t>(expected.size()));
        qsizetype column = 0;
        for (std::size_t w = 0; w < rows[r].size(); ++w) {
            EXPECT_EQ(rows[r][w].text, expected.at(w));
            column = text.indexOf(expected.at(w), column);
            EXPECT_NEAR(rows[r][w].box.left(), area.left() + static_cast<double>(column) * advance,
                        0.5);
            column += expected.at(w).size();
        }
    }

    // The picture: 15 twips a pixel, top-left corner at (7000, 200) twips.
    toolOutput(QStringLiteral("pdftoppm"),
               {"-png", "-r", "50", "-singlefile", pdf, dir.filePath(QStringLiteral("page"))});
    const QImage page(dir.filePath(QStringLiteral("page.png")));
    ASSERT_FALSE(page.isNull());
    const auto pixel = [&](double xTwips, double yTwips) {
        const double x = (area.left() + points(xTwips)) * 50 / 72;
        const double y = (area.top() + points(yTwips)) * 50 / 72;
        return qGray(page.pixel(static_cast<int>(x), static_cast<int>(y)));
    };
    const int right = 7000 + 240 * 15;
    const int bottom = 200 + 200 * 15;
    EXPECT_LT(pixel(7000 + 300, 200 + 2400), 60) << "inside, near the bottom-left corner";
    EXPECT_LT(pixel(right - 300, 200 + 300), 60) << "inside, near the top-right corner";
    EXPECT_GT(pixel(7000 - 200, 1500), 200) << "left of it";
    EXPECT_GT(pixel(right + 200, 1500), 200) << "right of it";
    EXPECT_GT(pixel(7500, bottom + 200), 200) << "below it";
}

TEST_F(QtPrinterTest, SnapshotIsPaintedAtItsSizeOnScreen) {
    QWidget widget;
    widget.setFixedSize(200, 100);
    widget.setStyleSheet(QStringLiteral("background: black"));
    widget.setAutoFillBackground(true);
    QtWindowSnapshot snapshot;
    snapshot.setWindow(&widget);
    snapshot.take();

    ASSERT_EQ(printer.beginDoc(), "");
    printer.paintSnapshot(snapshot, 500, 500);
    ASSERT_EQ(printer.endDoc(), "");
    toolOutput(QStringLiteral("pdftoppm"),
               {"-png", "-r", "50", "-singlefile", pdf, dir.filePath(QStringLiteral("page"))});
    const QImage page(dir.filePath(QStringLiteral("page.png")));
    ASSERT_FALSE(page.isNull());
    const QRectF area = printable();
    const auto gray = [&](double xTwips, double yTwips) {
        return qGray(page.pixel(static_cast<int>((area.left() + points(xTwips)) * 50 / 72),
                                static_cast<int>((area.top() + points(yTwips)) * 50 / 72)));
    };
    const int right = 500 + 200 * 15;
    const int bottom = 500 + 100 * 15;
    EXPECT_LT(gray(800, 800), 60) << "inside, top-left";
    EXPECT_LT(gray(right - 300, bottom - 300), 60) << "inside, bottom-right";
    EXPECT_GT(gray(right + 300, 1000), 200) << "right of it";
    EXPECT_GT(gray(1000, bottom + 300), 200) << "below it";
}

TEST_F(QtPrinterTest, LongReportContinuesOnNewPages) {
    ASSERT_EQ(printer.beginDoc(), "");
    constexpr int kLines = 300;
    for (int k = 1; k <= kLines; ++k) {
        printer.printLine(QStringLiteral("        NO.%1  U/V  I/A")
                              .arg(k, 3, 10, QLatin1Char('0'))
                              .toStdString());
    }
    ASSERT_EQ(printer.endDoc(), "");

    const int perPage = printer.pageHeight() / printer.lineHeight();
    ASSERT_GT(perPage, 20);
    const int expectedPages = (kLines + perPage - 1) / perPage;
    EXPECT_GT(expectedPages, 1);
    EXPECT_EQ(printer.pageCount(), expectedPages);

    const QStringList pages = pagesOf(pdf);
    EXPECT_EQ(pages.size(), expectedPages);
    // Every line once, in order, and each page filled before the next begins.
    static const QRegularExpression number(QStringLiteral(R"(NO\.(\d+))"));
    int next = 1;
    for (qsizetype p = 0; p < pages.size(); ++p) {
        int onPage = 0;
        for (auto it = number.globalMatch(pages.at(p)); it.hasNext(); ++onPage) {
            EXPECT_EQ(it.next().captured(1).toInt(), next++);
        }
        EXPECT_EQ(onPage, p + 1 < pages.size() ? perPage : kLines - perPage * (expectedPages - 1));
    }
    EXPECT_EQ(next, kLines + 1);
    const QRectF area = printable();
    for (const Word& word : wordsOf(pdf)) {
        EXPECT_LE(word.box.bottom(), area.bottom() + 0.5) << word.text.toStdString();
    }
}

TEST_F(QtPrinterTest, ALinePastTheBottomOfAnEmptyPageGoesToItsTop) {
    ASSERT_EQ(printer.beginDoc(), "");
    printer.setCurrentX(3000);
    printer.setCurrentY(printer.pageHeight() + 1000);
    printer.printLine("alone");
    EXPECT_EQ(printer.currentX(), 0);
    EXPECT_EQ(printer.currentY(), printer.lineHeight());
    ASSERT_EQ(printer.endDoc(), "");
    EXPECT_EQ(printer.pageCount(), 1);
    EXPECT_EQ(pagesOf(pdf).size(), 1);
}

TEST_F(QtPrinterTest, FailuresAreToldInWords) {
    EXPECT_FALSE(printer.endDoc().empty()) << "no document begun";
    printer.printLine("ignored");  // harmless without a document

    printer.qprinter().setOutputFileName(dir.filePath(QStringLiteral("missing/report.pdf")));
    const std::string error = printer.beginDoc();
    EXPECT_NE(error.find("report.pdf"), std::string::npos) << error;
    EXPECT_FALSE(printer.endDoc().empty());

    // And the printer is usable again afterwards.
    printer.qprinter().setOutputFileName(pdf);
    ASSERT_EQ(printer.beginDoc(), "");
    EXPECT_FALSE(printer.beginDoc().empty()) << "a second document while one is open";
    printer.printLine("after");
    EXPECT_EQ(printer.endDoc(), "");
    EXPECT_TRUE(pagesOf(pdf).join(QString()).contains(QStringLiteral("after")));
}

}  // namespace
}  // namespace pm::testing
