#pragma once

// The quantities of the trend, stated once: the columns of one trend reading in the recording's
// order, and the quantities the chart can draw over them in the order of the trend page's check
// boxes. The check boxes' captions, the trend store and the recording's header all come from
// here.

#include <array>
#include <cstddef>
#include <string_view>

namespace pm {

// A column of a trend reading: its name and the unit the recording's header gives it (none for
// the angles, which are degrees, and the power factors).
struct TrendColumn {
    const char* name;
    const char* unit;
};

// U1..U3, I1..I3, the nine angles, F, P1..P3, P, Q1..Q3, S1..S3, PF1..PF3, In.
inline constexpr std::array<TrendColumn, 30> kTrendColumnList{{
    {"U1", "V"},   {"U2", "V"},   {"U3", "V"},    {"I1", "A"},    {"I2", "A"},    {"I3", "A"},
    {"U1U2", ""},  {"U2U3", ""},  {"U3U1", ""},   {"I1I2", ""},   {"I2I3", ""},   {"I3I1", ""},
    {"U1I1", ""},  {"U2I2", ""},  {"U3I3", ""},   {"F", "Hz"},    {"P1", "kW"},   {"P2", "kW"},
    {"P3", "kW"},  {"P", "kW"},   {"Q1", "kvar"}, {"Q2", "kvar"}, {"Q3", "kvar"}, {"S1", "kVA"},
    {"S2", "kVA"}, {"S3", "kVA"}, {"PF1", ""},    {"PF2", ""},    {"PF3", ""},    {"In", "A"},
}};
inline constexpr std::size_t kTrendColumns = kTrendColumnList.size();

// The index of the column of that name; a name that is no column's does not compile.
consteval std::size_t trendColumn(std::string_view name) {
    for (std::size_t k = 0; k < kTrendColumns; ++k) {
        if (name == kTrendColumnList[k].name) {
            return k;
        }
    }
    throw "no trend column of that name";
}

// A quantity the chart can draw: the sum of `count` trend columns from `first` (P, Q, S add up the
// three channels), with the unit shown beside its latest value.
struct TrendQuantity {
    const char* name;
    std::size_t first;
    std::size_t count;
    const char* unit;
};

// The sum of `count` columns from `firstColumn`, in that column's unit.
consteval TrendQuantity trendSum(const char* name, std::string_view firstColumn,
                                 std::size_t count) {
    const std::size_t first = trendColumn(firstColumn);
    return {name, first, count, kTrendColumnList[first].unit};
}
consteval TrendQuantity trendQuantity(const char* column) {
    return trendSum(column, column, 1);
}

// U1..U3, I1..I3, P1..P3, P, Q, S (the three channels' sums), PF1..PF3, F, In.
inline constexpr std::array<TrendQuantity, 17> kTrendQuantities{{
    trendQuantity("U1"),
    trendQuantity("U2"),
    trendQuantity("U3"),
    trendQuantity("I1"),
    trendQuantity("I2"),
    trendQuantity("I3"),
    trendQuantity("P1"),
    trendQuantity("P2"),
    trendQuantity("P3"),
    trendQuantity("P"),
    trendSum("Q", "Q1", 3),
    trendSum("S", "S1", 3),
    trendQuantity("PF1"),
    trendQuantity("PF2"),
    trendQuantity("PF3"),
    trendQuantity("F"),
    trendQuantity("In"),
}};

}  // namespace pm
