#include "qt/trend_chart.h"

#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>

namespace pm {
namespace {

// The model counts seconds since the epoch; the axis wants milliseconds, and labels them in local
// time, each with the offset from UTC of its own instant, so that the end of daylight saving time
// shows as the hour it repeats and not as readings folded onto each other.
double axisMillis(double seconds) {
    return seconds * 1000.0;
}

}  // namespace

TrendChartView::TrendChartView(QWidget* parent) : QChartView(parent) {
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->setMargins(QMargins(4, 4, 4, 4));
    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setFormat(QStringLiteral("HH:mm:ss"));
    timeAxis_->setTickCount(6);
    // Qt 6.4 never draws the labels of a date-time axis first shown with its default range, not
    // even after a valid one is set: it gets a valid range before it is shown.
    timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(0), QDateTime::fromMSecsSinceEpoch(60'000));
    valueAxis_ = new QValueAxis;
    chart->addAxis(timeAxis_, Qt::AlignBottom);
    chart->addAxis(valueAxis_, Qt::AlignLeft);
    setChart(chart);
    setRenderHint(QPainter::Antialiasing, false);
}

QLineSeries* TrendChartView::addSeries() {
    auto* series = new QLineSeries;
    chart()->addSeries(series);
    series->attachAxis(timeAxis_);
    series->attachAxis(valueAxis_);
    return series;
}

void TrendChartView::mirror(const Chart& model) {
    QChart* chart = this->chart();
    const auto& lines = model.lines();
    // Series come and go with the ticked quantities; the rest keep their colours.
    while (series_.size() > lines.size()) {
        chart->removeSeries(series_.back());
        delete series_.back();
        series_.pop_back();
    }
    while (series_.size() < lines.size()) {
        series_.push_back(addSeries());
    }
    // Each line in its pieces between gaps (points without a value): the first piece in the
    // line's own series, the others in further series of the same colour, not in the legend.
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    std::vector<std::vector<QList<QPointF>>> pieces(lines.size());
    std::size_t further = 0;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        pieces[k].emplace_back().reserve(static_cast<qsizetype>(lines[k].points.size()));
        for (const Chart::Point& p : lines[k].points) {
            if (std::isnan(p.y)) {
                if (!pieces[k].back().isEmpty()) {
                    pieces[k].emplace_back();
                }
                continue;
            }
            pieces[k].back().append(QPointF(axisMillis(p.x), p.y));
            low = std::min(low, p.y);
            high = std::max(high, p.y);
        }
        further += pieces[k].size() - 1;
    }
    while (pieces_.size() > further) {
        chart->removeSeries(pieces_.back());
        delete pieces_.back();
        pieces_.pop_back();
    }
    while (pieces_.size() < further) {
        pieces_.push_back(addSeries());
        for (QLegendMarker* marker : chart->legend()->markers(pieces_.back())) {
            marker->setVisible(false);
        }
    }
    // Every change of an axis lays out every series again, each in full: the series are emptied
    // while the axes move, so that each is laid out once, with its new points.
    for (QLineSeries* series : series_) {
        series->clear();
    }
    for (QLineSeries* series : pieces_) {
        series->clear();
    }
    if (!(low <= high)) {
        low = 0;
        high = 1;
    }
    // A flat line still gets a band around it, and the axis rounds to readable ticks. Laying out
    // the axis's labels costs more than the lines: the axis stays while it holds every value and
    // the values fill at least half of it.
    const double pad = std::max((high - low) * 0.05, std::max(std::abs(high) * 0.01, 0.001));
    const bool holds = valueAxis_->min() <= low && high <= valueAxis_->max();
    if (!holds || valueAxis_->max() - valueAxis_->min() > 2 * (high - low + 2 * pad)) {
        valueAxis_->setRange(low - pad, high + pad);
        valueAxis_->applyNiceNumbers();
    }
    timeAxis_->setRange(
        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(axisMillis(model.xFrom()))),
        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(axisMillis(model.xTo()))));
    std::size_t next = 0;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const QString name = QString::fromStdString(lines[k].name);
        if (series_[k]->name() != name) {
            series_[k]->setName(name);
        }
        series_[k]->replace(pieces[k][0]);
        for (std::size_t piece = 1; piece < pieces[k].size(); ++piece, ++next) {
            if (pieces_[next]->color() != series_[k]->color()) {
                pieces_[next]->setColor(series_[k]->color());
            }
            pieces_[next]->replace(pieces[k][piece]);
        }
    }
}

}  // namespace pm
