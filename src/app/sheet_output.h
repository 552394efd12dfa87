#pragma once

// The signed record of a filed wiring check, made from the archive and handed to a PDF file or
// the printer: what the wiring tab's and the archive tab's 报告 do, and phasemeter-cli report.

#include <optional>
#include <string>

#include "app/platform_set.h"
#include "core/number_format.h"
#include "platform/archive.h"
#include "platform/paged_document.h"

namespace pm {

// The record of inspection `id`, or why there is none.
struct SheetOutcome {
    std::optional<PagedDocument> document;
    std::string fileName;  // proposed: 户名_表号_YYYYMMDD.pdf
    std::string error;
};
SheetOutcome makeCheckSheet(Archive* archive, ArchiveId id, Clock& clock,
                            const NumberFormat& format, DocumentOutput& documents);

// 报告 in the window: asks whether to save the record as a PDF file or print it, then does so
// through the save or the printer dialog. A failure beeps and says why in a box. Returns what the
// page shows of it: "" when the user went back, else what became of the record, then "：" and
// where it went or why not ("报告已保存：/home/a/甲厂_3300123_20270115.pdf").
std::string writeCheckSheet(const PlatformSet& platform, ArchiveId id);

}  // namespace pm
