#include "view/trend_store.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pm {
namespace {

// Bucket widths in seconds: each at most a quarter wider than the one before, so that the chart
// keeps at least four fifths of the buckets it asks for, and a span that grows a second at a time
// changes width only every quarter of its length.
std::int64_t bucketWidth(std::int64_t span, int buckets) {
    std::int64_t width = 1;
    while (width * buckets < span) {
        width = std::max(width + 1, width * 5 / 4);
    }
    return width;
}

// The bucket a second lies in, also before 1970.
std::int64_t bucketOf(std::int64_t seconds, std::int64_t width) {
    return seconds >= 0 ? seconds / width : -((-seconds + width - 1) / width);
}

}  // namespace

void TrendStore::add(std::int64_t seconds, const TrendRow& row) {
    seconds += shift_;
    if (!times_.empty() && seconds < times_.back()) {
        shift_ += times_.back() + 1 - seconds;
        seconds = times_.back() + 1;
    }
    if (times_.size() >= kMaxReadings) {
        const auto drop = static_cast<std::ptrdiff_t>(kMaxReadings / 2);
        times_.erase(times_.begin(), times_.begin() + drop);
        for (std::vector<float>& column : columns_) {
            column.erase(column.begin(), column.begin() + drop);
        }
        thinnings_.clear();  // they count readings from the first
        std::erase_if(gapEnds_, [&](std::size_t end) { return end < kMaxReadings / 2; });
        for (std::size_t& end : gapEnds_) {
            end -= kMaxReadings / 2;
        }
    }
    if (!times_.empty() && seconds - times_.back() > kGapSeconds) {
        gapEnds_.push_back(times_.size());
    }
    times_.push_back(seconds);
    for (std::size_t k = 0; k < kTrendColumns; ++k) {
        columns_[k].push_back(row[k]);
    }
}

void TrendStore::clear() {
    times_.clear();
    for (std::vector<float>& column : columns_) {
        column.clear();
    }
    thinnings_.clear();
    gapEnds_.clear();
    shift_ = 0;
}

double TrendStore::value(std::size_t index, const TrendQuantity& quantity) const {
    double sum = 0;
    for (std::size_t k = 0; k < quantity.count; ++k) {
        sum += columns_[quantity.first + k][index];  // a NaN makes the sum NaN
    }
    return sum;
}

double TrendStore::latest(const TrendQuantity& quantity) const {
    return empty() ? std::nan("") : value(size() - 1, quantity);
}

std::size_t TrendStore::readingAt(std::int64_t seconds) const {
    return static_cast<std::size_t>(std::lower_bound(times_.begin(), times_.end(), seconds) -
                                    times_.begin());
}

TrendStore::Extremes TrendStore::extremes(const TrendQuantity& quantity, std::size_t begin,
                                          std::size_t end) const {
    Extremes found{kNone, kNone};
    double low = 0;
    double high = 0;
    for (std::size_t index = begin; index < end; ++index) {
        const double v = value(index, quantity);
        if (std::isnan(v)) {
            continue;
        }
        if (found.low == kNone || v < low) {
            found.low = index;
            low = v;
        }
        if (found.high == kNone || v > high) {
            found.high = index;
            high = v;
        }
    }
    return found;
}

TrendStore::Thinning& TrendStore::thinningOf(const TrendQuantity& quantity) const {
    for (Thinning& thinning : thinnings_) {
        if (thinning.column == quantity.first && thinning.count == quantity.count) {
            return thinning;
        }
    }
    Thinning& added = thinnings_.emplace_back();
    added.column = quantity.first;
    added.count = quantity.count;
    return added;
}

std::vector<ChartPoint> TrendStore::thinned(const TrendQuantity& quantity, std::int64_t from,
                                            std::int64_t to, int buckets) const {
    std::vector<ChartPoint> points;
    if (to < from || buckets < 1 || empty()) {
        return points;
    }
    const std::int64_t width = bucketWidth(to - from + 1, buckets);
    points.reserve(static_cast<std::size_t>(buckets) * 2 + 4);
    std::size_t last = kNone;  // the reading of the last point
    const auto point = [&](std::size_t index) {
        // A gap since the last point: a point without a value breaks the line.
        const auto gap = std::upper_bound(gapEnds_.begin(), gapEnds_.end(), last);
        if (last != kNone && gap != gapEnds_.end() && *gap <= index) {
            points.push_back({static_cast<double>(times_[*gap]), std::nan("")});
        }
        points.push_back({static_cast<double>(times_[index]), value(index, quantity)});
        last = index;
    };
    const auto emit = [&](Extremes e) {
        if (e.low == kNone) {
            return;
        }
        const std::size_t first = std::min(e.low, e.high);
        const std::size_t second = std::max(e.low, e.high);
        point(first);
        if (second != first) {
            point(second);
        }
    };

    // The whole buckets of the span, [wholeFrom, wholeTo); the part bucket at either end is
    // thinned afresh each call.
    const std::int64_t wholeFrom = bucketOf(from - 1, width) + 1;
    const std::int64_t wholeTo = std::max(wholeFrom, bucketOf(to + 1, width));
    const std::int64_t headEnd = std::min(wholeFrom * width, to + 1);
    emit(extremes(quantity, readingAt(from), readingAt(headEnd)));
    if (wholeTo > wholeFrom) {
        // A bucket is final once a reading lies past it: readings come in time order.
        const std::int64_t finalTo = std::min(wholeTo, bucketOf(lastTime(), width));
        Thinning& kept = thinningOf(quantity);
        if (kept.width != width || kept.first > wholeFrom ||
            kept.first + static_cast<std::int64_t>(kept.buckets.size()) < wholeFrom) {
            kept.width = width;
            kept.first = wholeFrom;
            kept.buckets.clear();
        }
        while (kept.first < wholeFrom) {
            kept.buckets.pop_front();
            ++kept.first;
        }
        std::int64_t keptTo = kept.first + static_cast<std::int64_t>(kept.buckets.size());
        for (; keptTo < finalTo; ++keptTo) {
            kept.buckets.push_back(
                extremes(quantity, readingAt(keptTo * width), readingAt((keptTo + 1) * width)));
        }
        // A span that ends earlier than an earlier call's uses only the buckets it covers.
        const auto used = static_cast<std::size_t>(std::min(keptTo, wholeTo) - kept.first);
        for (std::size_t k = 0; k < used; ++k) {
            emit(kept.buckets[k]);
        }
        for (std::int64_t k = keptTo; k < wholeTo; ++k) {
            emit(extremes(quantity, readingAt(k * width), readingAt((k + 1) * width)));
        }
    }
    const std::int64_t tailFrom = std::max(headEnd, wholeTo * width);
    emit(extremes(quantity, readingAt(tailFrom), readingAt(to + 1)));
    return points;
}

std::size_t TrendStore::capacityBytes() const {
    std::size_t bytes = times_.capacity() * sizeof(std::int64_t);
    for (const std::vector<float>& column : columns_) {
        bytes += column.capacity() * sizeof(float);
    }
    return bytes;
}

}  // namespace pm
