// The trend store's thinning: what the chart gets of a long recording.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "view/trend_store.h"

namespace pm {
namespace {

const TrendQuantity& quantity(const char* name) {
    for (const TrendQuantity& q : kTrendQuantities) {
        if (std::string_view(q.name) == name) {
            return q;
        }
    }
    throw std::out_of_range(name);
}

TrendRow rowWith(std::size_t column, float value) {
    TrendRow row;
    row.fill(1.0f);
    row[column] = value;
    return row;
}

TEST(TrendStore, ThinningKeepsEveryBucketsExtremesInTimeOrder) {
    // A flat line of 1000 readings with one spike up and one dip, thinned into 10 buckets.
    TrendStore store;
    for (int t = 0; t < 1000; ++t) {
        const float u = t == 437 ? 250.0f : t == 438 ? 180.0f : 220.0f;
        store.add(t, rowWith(0, u));
    }
    const auto points = store.thinned(quantity("U1"), 0, 999, 10);
    EXPECT_LE(points.size(), 20u);
    double highest = 0;
    double lowest = 1e9;
    for (std::size_t k = 1; k < points.size(); ++k) {
        EXPECT_LT(points[k - 1].x, points[k].x);
    }
    for (const ChartPoint& p : points) {
        highest = std::max(highest, p.y);
        lowest = std::min(lowest, p.y);
    }
    EXPECT_EQ(highest, 250.0);
    EXPECT_EQ(lowest, 180.0);
}

TEST(TrendStore, WindowSumsAndMissingValues) {
    TrendStore store;
    const float none = std::numeric_limits<float>::quiet_NaN();
    for (int t = 0; t < 10; ++t) {
        TrendRow row = rowWith(20, static_cast<float>(t));  // Q1 = t, Q2 = Q3 = 1
        if (t == 5) {
            row[21] = none;
        }
        store.add(100 + t, row);
    }
    struct Case {
        std::int64_t from, to;
        std::size_t points;
        double firstY;
    };
    const Case cases[] = {{100, 109, 9, 2}, {105, 109, 4, 8}, {103, 104, 2, 5}, {200, 300, 0, 0}};
    for (const Case& c : cases) {
        // One bucket per second: nothing thinned, the missing reading left out.
        const auto points = store.thinned(quantity("Q"), c.from, c.to, 1000);
        ASSERT_EQ(points.size(), c.points) << c.from;
        if (!points.empty()) {
            EXPECT_EQ(points.front().y, c.firstY) << c.from;
        }
    }
    EXPECT_EQ(store.latest(quantity("Q")), 11.0);
    EXPECT_TRUE(std::isnan(TrendStore().latest(quantity("Q"))));
}

TEST(TrendStore, ThinningKeptFromCallToCallEqualsThinningAfresh) {
    // The chart asks every second for a span ending at the newest reading: a fixed span sliding
    // on, or the whole recording growing. Readings now and then lack the quantity, and the
    // clock sometimes repeats a second. What the kept buckets give must equal what a store that
    // never thinned before gives for the same readings.
    struct Case {
        std::int64_t span;  // 0: from the first reading
        int buckets;
    };
    const Case cases[] = {{60, 464}, {3600, 50}, {900, 7}, {0, 40}};
    for (const Case& c : cases) {
        TrendStore kept;
        std::vector<std::pair<std::int64_t, TrendRow>> readings;
        std::int64_t t = 1'000'000;
        for (int n = 0; n < 2500; ++n) {
            t += n % 37 == 0 ? 0 : 1;
            const float u = n % 53 == 0 ? std::numeric_limits<float>::quiet_NaN()
                                        : static_cast<float>((n * 7919) % 101);
            readings.emplace_back(t, rowWith(0, u));
            kept.add(t, readings.back().second);
            const std::int64_t from = c.span == 0 ? readings.front().first : t - c.span + 1;
            const auto points = kept.thinned(quantity("U1"), from, t, c.buckets);
            if (n % 250 != 249) {
                continue;
            }
            TrendStore fresh;
            for (const auto& [time, row] : readings) {
                fresh.add(time, row);
            }
            const auto expected = fresh.thinned(quantity("U1"), from, t, c.buckets);
            ASSERT_EQ(points.size(), expected.size()) << c.span << " at " << n;
            EXPECT_LE(points.size(), 2u * static_cast<unsigned>(c.buckets) + 4) << c.span;
            for (std::size_t k = 0; k < points.size(); ++k) {
                ASSERT_EQ(points[k].x, expected[k].x) << c.span << " at " << n << ", " << k;
                ASSERT_EQ(points[k].y, expected[k].y) << c.span << " at " << n << ", " << k;
                ASSERT_GE(points[k].x, static_cast<double>(from));
            }
        }
    }
}

TEST(TrendStore, AGapInTheReadingsBreaksTheLine) {
    // Ten readings, a pause, ten more: the line breaks only where the pause is longer than one
    // or two missed replies.
    struct Case {
        std::int64_t resume;  // the second of the first reading after the pause
        bool breaks;
    };
    for (const Case c : {Case{12, false}, Case{13, true}, Case{600, true}}) {
        TrendStore store;
        for (int n = 0; n < 20; ++n) {
            store.add(n < 10 ? n : c.resume + n - 10, rowWith(0, 220.0f));
        }
        const auto points = store.thinned(quantity("U1"), 0, c.resume + 9, 1000);
        const auto gap = std::find_if(points.begin(), points.end(),
                                      [](const ChartPoint& p) { return std::isnan(p.y); });
        ASSERT_EQ(points.size(), c.breaks ? 21u : 20u) << c.resume;
        if (c.breaks) {
            EXPECT_EQ(gap - points.begin(), 10) << c.resume;
            EXPECT_EQ(gap->x, static_cast<double>(c.resume));
        }
    }
}

// Readings arriving with instants that run back (a clock set back by a time sync) keep their
// order and their spacing, and no two land on one instant; a cleared store starts afresh.
TEST(TrendStore, AClockSetBackKeepsReadingsInOrderAndApart) {
    struct Case {
        std::vector<std::int64_t> instants;
        std::vector<std::int64_t> kept;
    };
    for (const Case& c : {Case{{100, 101, 41, 42, 43}, {100, 101, 102, 103, 104}},
                          Case{{100, 101, 101, 102}, {100, 101, 101, 102}},
                          Case{{100, 50, 20, 21}, {100, 101, 102, 103}},
                          Case{{100, 3700, 100, 101}, {100, 3700, 3701, 3702}}}) {
        TrendStore store;
        std::vector<std::int64_t> kept;
        for (std::size_t n = 0; n < c.instants.size(); ++n) {
            store.add(c.instants[n], rowWith(0, static_cast<float>(n)));
            kept.push_back(store.lastTime());
        }
        EXPECT_EQ(kept, c.kept) << c.instants.front();
        store.clear();
        store.add(10, rowWith(0, 1.0f));
        EXPECT_EQ(store.lastTime(), 10);
    }
}

TEST(TrendStore, BeyondTwoDaysTheOldestDayGoes) {
    TrendStore store;
    const auto limit = static_cast<std::int64_t>(TrendStore::kMaxReadings);
    for (std::int64_t t = 0; t <= limit; ++t) {
        store.add(t, rowWith(0, static_cast<float>(t)));
    }
    EXPECT_EQ(store.size(), TrendStore::kMaxReadings / 2 + 1);
    EXPECT_EQ(store.firstTime(), limit / 2);
    const auto points = store.thinned(quantity("U1"), limit / 2, limit / 2, 1);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].y, static_cast<double>(limit / 2));  // times and values still paired
}

TEST(TrendStore, LocalSecondsCountAcrossMidnightAndYears) {
    EXPECT_EQ(localSeconds({1970, 1, 1, 0, 0, 0, "", ""}), 0);
    EXPECT_EQ(localSeconds({2000, 3, 1, 0, 0, 1, "", ""}), 951868801);
    EXPECT_EQ(localSeconds({2026, 1, 1, 0, 0, 0, "", ""}) -
                  localSeconds({2025, 12, 31, 23, 59, 59, "", ""}),
              1);
}

}  // namespace
}  // namespace pm
