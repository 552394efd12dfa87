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
class TrendChartView final : public QChartView {
  public:
    explicit TrendChartView(QWidget* parent = nullptr);
    void mirror(const Chart& chart);
    // The series shown, for tests.
    const std::vector<QLineSeries*>& series() const { return series_; }

  private:
    QDateTimeAxis* timeAxis_;
    QValueAxis* valueAxis_;
    std::vector<QLineSeries*> series_;
};

}  // namespace pm
