#pragma once

#include <QChartView>
#include <vector>

#include "window/window_model.h"

class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

namespace pm {

// The chart of the trend page: mirrors a Chart control of the window model, one line series per
// line, time along the bottom, both axes fitted to what the control holds. Each change replaces
// the points of every series at once; the control holds at most a few points per pixel column.
// A point without a value (a gap in the readings) breaks its line.
class TrendChartView final : public QChartView {
  public:
    explicit TrendChartView(QWidget* parent = nullptr);
    void mirror(const Chart& chart);
    // The series shown, one a line (further pieces of broken lines aside), for tests.
    const std::vector<QLineSeries*>& series() const { return series_; }
    // The pieces of lines after a gap, for tests.
    const std::vector<QLineSeries*>& pieces() const { return pieces_; }

  private:
    QLineSeries* addSeries();

    QDateTimeAxis* timeAxis_;
    QValueAxis* valueAxis_;
    std::vector<QLineSeries*> series_;
    std::vector<QLineSeries*> pieces_;
};

}  // namespace pm
