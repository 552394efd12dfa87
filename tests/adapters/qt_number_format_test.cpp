#include "adapters/qt_number_format.h"

#include <gtest/gtest.h>

#include <QLocale>

#include "core/number_text.h"

namespace pm {
namespace {

struct LocaleCase {
    const char* locale;
    NumberFormat expected;
    float value;
    const char* shown;  // -1234567.5 with one decimal
};

TEST(NumberFormatOf, TakesSymbolsAndGroupingFromTheLocale) {
    const LocaleCase cases[] = {
        {"en_US", {".", ",", {3}}, -1234567.5f, "-1,234,567.5"},
        {"de_DE", {",", ".", {3}}, -1234567.5f, "-1.234.567,5"},
        // A narrow no-break space between groups.
        {"fr_FR", {",", "\u202F", {3}}, -1234567.5f, "-1\u202F234\u202F567,5"},
        // The locale's own minus is U+2212; ours stays ASCII so that it reads back.
        {"sv_SE", {",", "\u00A0", {3}}, -1234567.5f, "-1\u00A0234\u00A0567,5"},
        // Arabic-Indic digits natively; the marks are taken, the digits are not.
        {"ar_EG", {"\u066B", "\u066C", {3}}, -1234567.5f, "-1\u066C234\u066C567\u066B5"},
        {"hi_IN", {".", ",", {3, 2}}, -1234567.5f, "-12,34,567.5"},
        // Groups only from five digits on: 1234 but 12 345.
        {"pl_PL", {",", "\u00A0", {3}, true, 2}, -1234.5f, "-1234,5"},
        // No grouping at all.
        {"C", {".", ",", {}}, -1234567.5f, "-1234567.5"},
    };
    for (const LocaleCase& c : cases) {
        SCOPED_TRACE(c.locale);
        const NumberFormat format = numberFormatOf(QLocale(QString::fromLatin1(c.locale)));
        EXPECT_EQ(format, c.expected);
        const std::string text = fixNumberText(c.value, 1, format);
        EXPECT_EQ(text, c.shown);
        EXPECT_EQ(readNumber(text, format), static_cast<double>(c.value));
    }
}

TEST(NumberFormatOf, OmitGroupSeparatorOptionMeansNoGrouping) {
    QLocale german(QLocale::German, QLocale::Germany);
    german.setNumberOptions(QLocale::OmitGroupSeparator);
    const NumberFormat format = numberFormatOf(german);
    EXPECT_TRUE(format.grouping.empty());
    EXPECT_EQ(fixNumberText(1234567.5f, 1, format), "1234567,5");
}

}  // namespace
}  // namespace pm
