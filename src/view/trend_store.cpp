#include "view/trend_store.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pm {
namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar (Howard Hinnant's
// days_from_civil).
std::int64_t daysFromCivil(int year, int month, int day) {
    const std::int64_t y = month <= 2 ? year - 1 : year;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

}  // namespace

const std::array<TrendQuantity, 17> kTrendQuantities{{
    {"U1", 0, 1, "V"},
    {"U2", 1, 1, "V"},
    {"U3", 2, 1, "V"},
    {"I1", 3, 1, "A"},
    {"I2", 4, 1, "A"},
    {"I3", 5, 1, "A"},
    {"P1", 16, 1, "kW"},
    {"P2", 17, 1, "kW"},
    {"P3", 18, 1, "kW"},
    {"P", 19, 1, "kW"},
    {"Q", 20, 3, "kvar"},
    {"S", 23, 3, "kVA"},
    {"PF1", 26, 1, ""},
    {"PF2", 27, 1, ""},
    {"PF3", 28, 1, ""},
    {"F", 15, 1, "Hz"},
    {"In", 29, 1, "A"},
}};

std::int64_t localSeconds(const ClockReading& time) {
    return daysFromCivil(time.year, time.month, time.day) * 86400 + time.hour * 3600 +
           time.minute * 60 + time.second;
}

void TrendStore::add(std::int64_t seconds, const TrendRow& row) {
    // A clock set back would break the sorted times the lookups rely on.
    if (!times_.empty()) {
        seconds = std::max(seconds, times_.back());
    }
    if (times_.size() >= kMaxReadings) {
        const auto drop = static_cast<std::ptrdiff_t>(kMaxReadings / 2);
        times_.erase(times_.begin(), times_.begin() + drop);
        for (std::vector<float>& column : columns_) {
            column.erase(column.begin(), column.begin() + drop);
        }
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

std::vector<ChartPoint> TrendStore::thinned(const TrendQuantity& quantity, std::int64_t from,
                                            std::int64_t to, int buckets) const {
    std::vector<ChartPoint> points;
    if (to < from || buckets < 1) {
        return points;
    }
    const auto begin = std::lower_bound(times_.begin(), times_.end(), from);
    const auto end = std::upper_bound(begin, times_.end(), to);
    const double span = static_cast<double>(to - from) + 1.0;
    points.reserve(static_cast<std::size_t>(buckets) * 2);

    int bucket = -1;
    std::size_t low = 0;
    std::size_t high = 0;
    auto flush = [&] {
        if (bucket < 0) {
            return;
        }
        const std::size_t first = std::min(low, high);
        const std::size_t second = std::max(low, high);
        points.push_back({static_cast<double>(times_[first]), value(first, quantity)});
        if (second != first) {
            points.push_back({static_cast<double>(times_[second]), value(second, quantity)});
        }
    };
    for (auto it = begin; it != end; ++it) {
        const auto index = static_cast<std::size_t>(it - times_.begin());
        const double v = value(index, quantity);
        if (std::isnan(v)) {
            continue;
        }
        const int b = std::min(buckets - 1,
                               static_cast<int>(static_cast<double>(*it - from) * buckets / span));
        if (b != bucket) {
            flush();
            bucket = b;
            low = high = index;
        } else if (v < value(low, quantity)) {
            low = index;
        } else if (v > value(high, quantity)) {
            high = index;
        }
    }
    flush();
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
