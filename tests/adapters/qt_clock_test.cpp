#include "adapters/qt_clock.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>

namespace pm {
namespace {

TEST(QtClock, TimeFormatLosesOnlyItsZone) {
    struct Case {
        const char* format;
        const char* expected;
    };
    const Case cases[] = {
        {"HH:mm:ss t", "HH:mm:ss"},
        {"h:mm:ss AP t", "h:mm:ss AP"},
        {"tAh:mm:ss", "Ah:mm:ss"},
        {"HH:mm:ss", "HH:mm:ss"},
        {"HH 'o''clock' mm:ss tttt", "HH 'o''clock' mm:ss"},
        {"HH:mm:ss 'at' t", "HH:mm:ss 'at'"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(timeFormatWithoutZone(QString::fromUtf8(c.format)).toStdString(), c.expected)
            << c.format;
    }
}

TEST(QtClock, ReadingUsesTheRegionalFormatsOfOneInstant) {
    struct Case {
        QLocale::Language language;
        QLocale::Territory territory;
        const char* date;
        const char* time;
    };
    const Case cases[] = {
        {QLocale::English, QLocale::UnitedStates, "12/31/26", "11:59:58\u202fPM"},
        {QLocale::German, QLocale::Germany, "31.12.26", "23:59:58"},
        {QLocale::Chinese, QLocale::China, "2026/12/31", "23:59:58"},
    };
    // On a clock eight hours ahead of UTC: 15:59:58 UTC.
    const QDateTime instant(QDate(2026, 12, 31), QTime(23, 59, 58), QTimeZone(8 * 3600));
    for (const Case& c : cases) {
        const QLocale locale(c.language, c.territory);
        SCOPED_TRACE(locale.name().toStdString());
        const ClockReading r = QtClock(locale).readingOf(instant);
        EXPECT_EQ(r.year, 2026);
        EXPECT_EQ(r.month, 12);
        EXPECT_EQ(r.day, 31);
        EXPECT_EQ(r.hour, 23);
        EXPECT_EQ(r.minute, 59);
        EXPECT_EQ(r.second, 58);
        EXPECT_EQ(r.utcSeconds, 1798732798);
        EXPECT_EQ(r.utcOffsetSeconds, 8 * 3600);
        EXPECT_EQ(r.dateText, c.date);
        // The time shows seconds, and nothing of a time zone.
        EXPECT_NE(r.timeText.find("59:58"), std::string::npos) << r.timeText;
        EXPECT_EQ(r.timeText.find("UTC"), std::string::npos) << r.timeText;
    }
}

}  // namespace
}  // namespace pm
