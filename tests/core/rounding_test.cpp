#include "core/rounding.h"

#include <gtest/gtest.h>

namespace pm {
namespace {

TEST(RoundHalfToEven, MakesHalvesEven) {
    const struct {
        double in, out;
    } cases[] = {{60.5, 60}, {61.5, 62}, {120.5, 120}, {121.5, 122}, {0.5, 0},    {-0.5, 0},
                 {-1.5, -2}, {2.4, 2},   {2.6, 3},     {-2.6, -3},   {359.5, 360}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(roundHalfToEven(c.in), c.out);
    }
}

}  // namespace
}  // namespace pm
