#include "output/trend_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "fakes/test_frames.h"

namespace pm {
namespace {

using testing::balancedFrame;
using testing::withByte;

TEST(TrendLog, OneLinePerReadingInCsvAndJson) {
    const std::string time = isoLocalTime({2026, 12, 7, 9, 5, 3, "", ""});
    struct Case {
        const char* name;
        testing::Frame frame;
        std::string csv;
        std::string json;
    };
    const Case cases[] = {
        {"balanced", balancedFrame(),
         "2026-12-07T09:05:03+00:00,230.00,230.00,230.00,5.000,5.000,5.000,120.0,120.0,120.0,120.0,"
         "120.0,120.0,30.0,30.0,30.0,50.00,0.9959,0.9959,0.9959,2.9877,0.5750,0.5750,0.5750,"
         "1.1500,1.1500,1.1500,0.866,0.866,0.866,0.000",
         R"({"时间":"2026-12-07T09:05:03+00:00","U1/V":230.00,"U2/V":230.00,"U3/V":230.00,)"
         R"("I1/A":5.000,"I2/A":5.000,"I3/A":5.000,"U1U2":120.0,"U2U3":120.0,"U3U1":120.0,)"
         R"("I1I2":120.0,"I2I3":120.0,"I3I1":120.0,"U1I1":30.0,"U2I2":30.0,"U3I3":30.0,)"
         R"("F/Hz":50.00,"P1/kW":0.9959,"P2/kW":0.9959,"P3/kW":0.9959,"P/kW":2.9877,)"
         R"("Q1/kvar":0.5750,"Q2/kvar":0.5750,"Q3/kvar":0.5750,"S1/kVA":1.1500,)"
         R"("S2/kVA":1.1500,"S3/kVA":1.1500,"PF1":0.866,"PF2":0.866,"PF3":0.866,"In/A":0.000})"},
        // An unknown range code: the panel shows no U2, so nothing derived from it either.
        {"voltage 2 out of the tables", withByte(balancedFrame(), 13, 0),
         "2026-12-07T09:05:03+00:00,230.00,,230.00,5.000,5.000,5.000,120.0,120.0,120.0,120.0,120.0,"
         "120.0,30.0,30.0,30.0,50.00,0.9959,,0.9959,,0.5750,,0.5750,1.1500,,1.1500,0.866,,0.866,"
         "0.000",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TrendValues values = trendValues(c.frame);
        EXPECT_EQ(trendCsvLine(time, values), c.csv);
        if (!c.json.empty()) {
            EXPECT_EQ(trendJsonLine(time, values), c.json);
        }
    }
    EXPECT_NE(
        trendJsonLine(time, trendValues(withByte(balancedFrame(), 13, 0))).find(R"("U2/V":null,)"),
        std::string::npos);
    const std::string gap = trendCsvGap(time);
    EXPECT_EQ(gap, time + std::string(kTrendColumns, ','));
    const std::string header = trendCsvHeader();
    EXPECT_TRUE(header.starts_with("\xEF\xBB\xBF时间,U1/V,"));
    EXPECT_EQ(std::count(header.begin(), header.end(), ','), static_cast<long>(kTrendColumns));
}

TEST(TrendLog, TheTimeCarriesItsOffsetFromUtc) {
    const std::pair<int, const char*> cases[] = {{8 * 3600, "+08:00"},   {0, "+00:00"},
                                                 {-12600, "-03:30"},     {20700, "+05:45"},
                                                 {-10 * 3600, "-10:00"}, {-1800, "-00:30"}};
    for (const auto& [offset, text] : cases) {
        ClockReading time{2026, 12, 7, 9, 5, 3, "", ""};
        time.utcOffsetSeconds = offset;
        EXPECT_EQ(isoLocalTime(time), std::string("2026-12-07T09:05:03") + text);
    }
}

}  // namespace
}  // namespace pm
