#include "output/page_layout.h"

#include <gtest/gtest.h>

#include <random>

#include "fakes/fake_measure.h"

namespace pm {
namespace {

std::string withoutBlanks(std::string text) {
    std::erase_if(text, [](char c) { return c == ' ' || c == '\n'; });
    return text;
}

// Texts made of what a site's fields and a verdict hold: Chinese, punctuation that must not begin
// a line, Latin words and numbers, blanks and line ends, at widths from three characters to a
// whole column.
TEST(WrapText, EveryLineFitsNothingIsLostAndNoLineBeginsWithClosingPunctuation) {
    const std::vector<std::string> pieces{
        "电", "能", "计",    "量",    "，",      "。", "）",
        "（", " ",  "200/5", "Ua·Ia", "K=2.532", "\n", "ABCDEFGHIJKLMNOPQRST"};
    std::mt19937 random(21);
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 60);
    std::uniform_real_distribution<double> width(25, 90);
    testing::FixedPitchMeasure measure;
    const TextStyle style{10, Face::Song, false};
    for (int n = 0; n < 400; ++n) {
        std::string text;
        for (int k = length(random); k > 0; --k) {
            text += pieces[piece(random)];
        }
        const double w = width(random);
        SCOPED_TRACE(text + " at " + std::to_string(w));
        const std::vector<std::string> lines = wrapText(text, w, style, measure);
        std::string joined;
        for (std::size_t k = 0; k < lines.size(); ++k) {
            EXPECT_LE(measure.textWidth(lines[k], style), w + 1e-9) << lines[k];
            for (const char* closing : {"，", "。", "）"}) {
                // Punctuation after a blank or at a paragraph's start has nothing to stay with.
                const bool loose = text.starts_with(closing) ||
                                   text.find(std::string(" ") + closing) != std::string::npos ||
                                   text.find(std::string("\n") + closing) != std::string::npos;
                EXPECT_FALSE(k > 0 && !loose && lines[k].starts_with(closing)) << lines[k];
            }
            EXPECT_FALSE(lines[k].ends_with(" ")) << lines[k];
            joined += lines[k];
        }
        EXPECT_EQ(withoutBlanks(joined), withoutBlanks(text));
    }
}

TEST(WrapText, BreaksAtBlanksBetweenWordsAndKeepsAWordThatFitsWhole) {
    testing::FixedPitchMeasure measure;
    const TextStyle style{10, Face::Song, false};
    const double em = 10 * testing::FixedPitchMeasure::kMmPerPoint;
    EXPECT_EQ(wrapText("CT 200/5 PT 10000/100", 4.5 * em, style, measure),
              (std::vector<std::string>{"CT 200/5", "PT", "10000/100"}));
    EXPECT_EQ(wrapText("", 20, style, measure), std::vector<std::string>{""});
    EXPECT_EQ(wrapText("甲\n\n乙", 20, style, measure), (std::vector<std::string>{"甲", "", "乙"}));
}

// A flow of rows longer than a sheet: every part stays between the margins of its sheet, and the
// rows after the first sheet's last one begin the next at its top.
TEST(PageFlow, APartThatDoesNotFitBeginsTheNextSheet) {
    testing::FixedPitchMeasure measure;
    const PageFlow::Margins margins;
    PageFlow flow(measure, margins);
    for (int k = 0; k < 60; ++k) {
        flow.fieldRow({{"户名", std::string(static_cast<std::size_t>(k % 7) * 12, 'x')}});
    }
    const std::vector<DocumentPage> pages = flow.finish([](int n, int count) {
        return PageFlow::Footer{"/", "/", std::to_string(n) + "/" + std::to_string(count)};
    });
    ASSERT_GT(pages.size(), 1u);
    const double bottom = kSheetHeightMm - margins.bottom - margins.reservedBottom;
    for (const DocumentPage& page : pages) {
        double first = kSheetHeightMm;
        for (const PageItem& item : page.items) {
            if (const auto* text = std::get_if<PageText>(&item);
                text && text->text.find('/') == std::string::npos) {
                first = std::min(first, text->top);
                EXPECT_LE(text->top + measure.lineHeight(text->style), bottom + 1e-9);
            }
        }
        EXPECT_DOUBLE_EQ(first, margins.top);
    }
}

}  // namespace
}  // namespace pm
