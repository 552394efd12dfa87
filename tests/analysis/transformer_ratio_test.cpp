#include "analysis/transformer_ratio.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace pm {
namespace {

TEST(TransformerRatio, EntriesAcceptedOrRefused) {
    struct Case {
        std::string text;
        std::optional<double> factor;  // nothing: refused
    };
    for (const Case& c :
         {Case{"200/5", 40.0}, Case{" 10000 / 100 ", 100.0}, Case{"7.5/5", 1.5},
          Case{"直接接入", 1.0}, Case{"", 1.0}, Case{"5/5", 1.0}, Case{"200/0", std::nullopt},
          Case{"-200/5", std::nullopt}, Case{"5/200", std::nullopt}, Case{"200", std::nullopt},
          Case{"200/5/1", std::nullopt}, Case{"200/5A", std::nullopt}, Case{"inf/5", std::nullopt},
          Case{"nan/1", std::nullopt}, Case{"x'); DROP TABLE site;--", std::nullopt}}) {
        SCOPED_TRACE(c.text);
        const std::optional<TransformerRatio> ratio = parseTransformerRatio(c.text);
        ASSERT_EQ(ratio.has_value(), c.factor.has_value());
        if (ratio) {
            EXPECT_DOUBLE_EQ(ratio->factor(), *c.factor);
        }
    }
}

// The worked case of an inspection: 1000 kWh on a 200/5 A, direct-voltage meter whose wiring
// makes it run slow by K = 2.532.
TEST(TransformerRatio, BackBillingFromTheMultiplier) {
    const double multiplier =
        meterMultiplier(*parseTransformerRatio("200/5"), *parseTransformerRatio("直接接入"));
    EXPECT_DOUBLE_EQ(multiplier, 40.0);
    EXPECT_NEAR(backBillingEnergy(1000, multiplier, 2.532), 61280.0, 1e-6);
    EXPECT_LT(backBillingEnergy(1000, multiplier, 0.5), 0);  // a meter running fast: a refund
    EXPECT_DOUBLE_EQ(
        meterMultiplier(*parseTransformerRatio("200/5"), *parseTransformerRatio("10000/100")),
        4000.0);
}

}  // namespace
}  // namespace pm
