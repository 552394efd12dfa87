#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/primary_values.h"
#include "analysis/transformer_ratio.h"
#include "analysis/wiring_check.h"
#include "core/number_format.h"

namespace pm {

// A reading as the wiring text gives it: the sixteen readings of a frame as the live panel shows
// them (U1..U3, I1..I3, the nine angles in frame order, F; a quantity the frame cannot give shows
// as "----"), the channels as numbers for the primary values, and the number format of the
// texts, which the primary values are written in too.
struct WiringReadingTexts {
    std::array<std::string, 16> texts;
    ChannelSet channels;
    NumberFormat format;
};
WiringReadingTexts wiringReadingTexts(std::span<const std::uint8_t> frame,
                                      const NumberFormat& format);

// A plain number: "." and no grouping whatever the regional settings, as few decimals as it
// needs up to `decimals`; never "-0".
std::string plainNumber(double value, int decimals);

// Where the analysed reading came from: "实时数据" or "记录 NO.n".
std::string liveSourceText();
std::string recordSourceText(int recordNumber);

// The wiring check as a text, one key=value line each: 接线判断, 来源, 接线方式, 负载角, 功率方向,
// 经PT接入 or b相端子, the sixteen readings, 相序, 可信度, 原因 (only when unrecognised), 结论,
// 元件1.., 更正系数, then as they apply 对称负载更正系数, 功率因数更正系数, 退补电量, 警告,
// 备选1..3 (conclusion;K) and 等效解释. Numbers other than the readings are written with "."
// and no grouping. With the site's ratios the readings are followed by 倍率 and the primary
// values, 一次1..3 (the channels the installation uses: "U 5774V;I 200.0A;P 1155kW;Q 666.8kvar;
// S 1155kVA", magnitudes as the panel shows them) and 一次合计 (P, Q and S of the whole
// installation, signed), in the readings' format; and 退补电量 counts in the multiplier.
std::vector<std::string> wiringReportLines(const std::string& source, const WiringOptions& options,
                                           const WiringReadingTexts& readings,
                                           const WiringResult& result,
                                           const std::optional<SiteRatios>& ratios = std::nullopt);

}  // namespace pm
