#pragma once

// The record of a filed wiring check that the inspector signs and hands in, laid out on A4: the
// site, the check, the readings on both sides of the transformers, the phasor diagram, the
// verdict with the energy to refund or charge, and lines for the signatures.

#include <optional>
#include <string>

#include "core/number_format.h"
#include "platform/archive.h"
#include "platform/clock.h"
#include "platform/paged_document.h"

namespace pm {

constexpr const char* kCheckSheetTitle = "电能计量装置接线检查记录";

struct CheckSheetInput {
    Inspection inspection;
    SiteFields site;     // the site it was filed under, as the archive holds it now
    ClockReading filed;  // the instant it was filed, on the local clock
    NumberFormat format;
    std::string program;  // "phasemeter 1.5.0"
};

// The pages. The check is analysed again from its reading and options, with the transformer
// ratios it was filed with; where that gives another conclusion or K than the one filed, the
// verdict says so.
PagedDocument checkSheet(const CheckSheetInput& input, DocumentMeasure& measure);

// The file name proposed for it: 户名_表号_YYYYMMDD.pdf (表号 left out when the site has none),
// with what a file name cannot hold replaced by "_".
std::string checkSheetFileName(const SiteFields& site, const ClockReading& filed);

// 退补电量 in numbers: "1000 × 40 × (2.532 − 1) = 61280 kWh", or without the site's ratios
// "1000 × (2.532 − 1) = 1532 kWh". The result is in whole kWh (with three decimals below
// 100 kWh), and K has three decimals or as many more as make the product of the numbers written
// come to the result written; where none do, "≈" stands for "=".
std::string backBillingFormula(double metered, std::optional<double> multiplier, double k,
                               double energy, const NumberFormat& format);

}  // namespace pm
