#pragma once

// The readings of a trend as plain numbers, and what the chart gets of them. A day at one reading
// a second is 86,400 readings; the chart is a few hundred pixels wide, so it gets each quantity
// thinned to the smallest and largest value of every pixel column: a spike a second long still
// shows, and a repaint costs the same after a minute as after a day.

#include <array>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "core/chart_point.h"
#include "window/trend_quantities.h"

namespace pm {

// The values of one reading in the trend columns' order, NaN where the panel showed nothing.
using TrendRow = std::array<float, kTrendColumns>;

class TrendStore {
  public:
    // Two days at one reading a second; beyond that the oldest day goes, so that a recording left
    // running for weeks keeps the program's memory bounded (the file keeps everything).
    static constexpr std::size_t kMaxReadings = 2 * 86'400;
    // Readings further apart than this lie on either side of a gap (a lost link, a history read):
    // one missed reply is no gap.
    static constexpr std::int64_t kGapSeconds = 3;

    // A reading at `seconds` since the epoch (UTC). Readings come in time order. One older than
    // the last means the computer's clock was set back (a time sync): it goes a second after the
    // last, the pace of the polling, and the readings after it keep their spacing, moved on as
    // far, so that a clock set back breaks neither the order the lookups rely on nor the line.
    void add(std::int64_t seconds, const TrendRow& row);
    void clear();
    std::size_t size() const { return times_.size(); }
    bool empty() const { return times_.empty(); }
    std::int64_t firstTime() const { return times_.front(); }
    std::int64_t lastTime() const { return times_.back(); }
    // The quantity in the last reading; NaN when it had none.
    double latest(const TrendQuantity& quantity) const;

    // The quantity between `from` and `to` (both included), thinned to at most two points per
    // bucket of whole seconds, at most `buckets` of them over the span: the lowest and the
    // highest, in the order they came. Readings without the quantity are left out. Buckets lie on
    // multiples of their width, so that a span moving on by a second keeps all but its ends, and
    // those are kept from one call to the next: a call costs the readings that came since the
    // last one and the points it returns, not the span's readings. Where the readings have a gap
    // a point with a NaN value stands between its two sides, so that the line breaks there.
    std::vector<ChartPoint> thinned(const TrendQuantity& quantity, std::int64_t from,
                                    std::int64_t to, int buckets) const;

    // Bytes the store holds, for the memory budget of a day's recording.
    std::size_t capacityBytes() const;

  private:
    // The readings of a bucket with the quantity's lowest and highest value; none, both at
    // `kNone`, when no reading in it has the quantity.
    struct Extremes {
        std::size_t low;
        std::size_t high;
    };
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    // The whole buckets of one quantity at one width already thinned: buckets `first` onwards,
    // up to the last one no later reading can fall in.
    struct Thinning {
        std::size_t column;
        std::size_t count;
        std::int64_t width = 0;
        std::int64_t first = 0;
        std::deque<Extremes> buckets;
    };

    double value(std::size_t index, const TrendQuantity& quantity) const;
    // The extremes of the readings [begin, end).
    Extremes extremes(const TrendQuantity& quantity, std::size_t begin, std::size_t end) const;
    std::size_t readingAt(std::int64_t seconds) const;
    Thinning& thinningOf(const TrendQuantity& quantity) const;

    std::vector<std::int64_t> times_;
    // How far the readings since the clock was last set back are moved on.
    std::int64_t shift_ = 0;
    // The first reading after each gap, in order.
    std::vector<std::size_t> gapEnds_;
    // By column: drawing one quantity over a day then reads 350 KB, not the whole day's 11 MB.
    std::array<std::vector<float>, kTrendColumns> columns_;
    mutable std::vector<Thinning> thinnings_;
};

}  // namespace pm
