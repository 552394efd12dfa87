#pragma once

#include <QLocale>
#include <QString>

#include "platform/clock.h"

class QDateTime;

namespace pm {

// The computer's clock, formatted with the user's regional date and time settings, with the
// instant and the offset of the local time zone at that instant.
class QtClock final : public Clock {
  public:
    explicit QtClock(QLocale locale = QLocale::system());
    ClockReading now() override;
    ClockReading at(std::int64_t utcSeconds) override;

    // The same, for a given instant in its own time zone (tests use this to pin the instant, the
    // zone and the locale).
    ClockReading readingOf(const QDateTime& instant) const;

  private:
    QLocale locale_;
    QString timeFormat_;
};

// The locale's long time format without its time-zone field: the status bar shows the wall clock
// with seconds, and a zone name would not fit its panel.
QString timeFormatWithoutZone(const QString& longFormat);

}  // namespace pm
