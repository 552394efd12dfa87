#include "output/filed_check.h"

#include <cstdio>
#include <utility>

#include "analysis/wiring_texts.h"
#include "output/wiring_text.h"

namespace pm {

InspectionFields inspectionFields(ArchiveId siteId, std::int64_t timeUtc, std::string inspector,
                                  InspectionSource source, const WiringOptions& options,
                                  std::vector<std::uint8_t> frame, const WiringResult& result,
                                  std::vector<std::string> lines,
                                  std::optional<double> meteredEnergy,
                                  std::optional<double> backBilledEnergy, std::string note,
                                  const SiteFields& site) {
    InspectionFields fields;
    fields.siteId = siteId;
    fields.timeUtc = timeUtc;
    fields.inspector = std::move(inspector);
    fields.source = source;
    fields.options = options;
    fields.frame = std::move(frame);
    fields.lines = std::move(lines);
    fields.conclusion = conclusionOf(result);
    if (!result.answers.empty()) {
        fields.correctionFactor = result.answers.front().k.value;
    }
    fields.meteredEnergy = meteredEnergy;
    fields.backBilledEnergy = backBilledEnergy;
    fields.note = std::move(note);
    fields.currentRatio = site.currentRatio;
    fields.voltageRatio = site.voltageRatio;
    return fields;
}

std::string inspectionSourceText(const InspectionSource& source) {
    return source.live ? liveSourceText() : recordSourceText(source.recordNumber);
}

std::string localTimeText(const ClockReading& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return text;
}

std::string filedSourceText(const Inspection& inspection) {
    const InspectionSource& source = inspection.fields.source;
    return "检查 " + std::to_string(inspection.id) + "：" + inspectionSourceText(source) +
           (source.downloadId != 0 ? "（下载 " + std::to_string(source.downloadId) + "）" : "");
}

}  // namespace pm
