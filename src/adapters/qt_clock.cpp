#include "adapters/qt_clock.h"

#include <QDateTime>

namespace pm {

QString timeFormatWithoutZone(const QString& longFormat) {
    QString out;
    bool quoted = false;
    for (QChar c : longFormat) {
        if (c == u'\'') {
            quoted = !quoted;
        } else if (!quoted && c == u't') {
            continue;
        }
        out.append(c);
    }
    return out.simplified();
}

QtClock::QtClock(QLocale locale)
    : locale_(std::move(locale)),
      timeFormat_(timeFormatWithoutZone(locale_.timeFormat(QLocale::LongFormat))) {}

ClockReading QtClock::now() {
    return readingOf(QDateTime::currentDateTime());
}

ClockReading QtClock::at(std::int64_t utcSeconds) {
    return readingOf(QDateTime::fromSecsSinceEpoch(utcSeconds));
}

ClockReading QtClock::readingOf(const QDateTime& instant) const {
    const QDate date = instant.date();
    const QTime time = instant.time();
    ClockReading r;
    r.year = date.year();
    r.month = date.month();
    r.day = date.day();
    r.hour = time.hour();
    r.minute = time.minute();
    r.second = time.second();
    r.dateText = locale_.toString(date, QLocale::ShortFormat).toStdString();
    r.timeText = locale_.toString(time, timeFormat_).toStdString();
    r.utcSeconds = instant.toSecsSinceEpoch();
    r.utcOffsetSeconds = instant.offsetFromUtc();
    return r;
}

}  // namespace pm
