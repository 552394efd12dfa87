#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis/wiring_check.h"
#include "platform/archive.h"
#include "platform/clock.h"

namespace pm {

// A wiring check as the archive files it, made from what was shown: the reading's bytes, the
// options and result of the check, and `lines`, the check as its text file writes it
// (wiringReportLines). The conclusion and K for the lists come from `result`: K is none when it
// is infinite or the reading has no answer. `meteredEnergy` is 抄见电量 as entered (kWh) and
// `backBilledEnergy` the 退补电量 shown, which counts in the site's multiplier. The window's
// archive button and `phasemeter-cli wiring --store` both file through this. `site` gives the
// ratio entries the check was made with.
InspectionFields inspectionFields(ArchiveId siteId, std::int64_t timeUtc, std::string inspector,
                                  InspectionSource source, const WiringOptions& options,
                                  std::vector<std::uint8_t> frame, const WiringResult& result,
                                  std::vector<std::string> lines,
                                  std::optional<double> meteredEnergy,
                                  std::optional<double> backBilledEnergy, std::string note,
                                  const SiteFields& site);

// A filed instant on the local clock as the record and the command-line lists write it:
// "2026-12-08 14:30:05".
std::string localTimeText(const ClockReading& time);

// The 来源 of the check's text for where its reading came from: 实时数据 or 记录 NO.n.
std::string inspectionSourceText(const InspectionSource& source);

// The 来源 of a filed check shown again: "检查 7：记录 NO.3（下载 2）" or "检查 7：实时数据".
std::string filedSourceText(const Inspection& inspection);

}  // namespace pm
