#include "app/sheet_output.h"

#include "app/page_output.h"
#include "core/version.h"
#include "output/check_sheet.h"
#include "platform/clock.h"
#include "platform/common_dialog.h"
#include "platform/desktop.h"

namespace pm {
namespace {

const FileType kPdfType{"PDF文件 (*.pdf)", "*.pdf", ".pdf"};

}  // namespace

SheetOutcome makeCheckSheet(Archive* archive, ArchiveId id, Clock& clock,
                            const NumberFormat& format, DocumentOutput& documents) {
    if (archive == nullptr) {
        return {std::nullopt, {}, "档案未使用"};
    }
    if (std::string reason = archive->unavailableReason(); !reason.empty()) {
        return {std::nullopt, {}, "档案不可用：" + reason};
    }
    if (id == 0) {
        return {std::nullopt, {}, "没有选定检查记录"};
    }
    std::optional<Inspection> inspection = archive->inspection(id);
    if (!inspection) {
        const std::string reason = archive->unavailableReason();
        return {std::nullopt,
                {},
                reason.empty() ? "档案中没有检查 " + std::to_string(id) : "档案不可用：" + reason};
    }
    if (std::string problem = documents.fontProblem(); !problem.empty()) {
        return {std::nullopt, {}, problem};
    }
    // A site goes with its inspections, so it is there; a blank one would print as blank lines.
    const std::optional<Site> site = archive->site(inspection->fields.siteId);
    const ClockReading filed = clock.at(inspection->fields.timeUtc);
    CheckSheetInput input{std::move(*inspection), site ? site->fields : SiteFields{}, filed, format,
                          std::string("phasemeter ") + kVersion};
    SheetOutcome outcome;
    outcome.fileName = checkSheetFileName(input.site, filed);
    outcome.document = checkSheet(input, documents.measure());
    return outcome;
}

std::string writeCheckSheet(const PlatformSet& platform, ArchiveId id) {
    Desktop& desktop = platform.desktop;
    if (platform.documents == nullptr) {
        return "未生成报告：本程序无法输出文档";
    }
    SheetOutcome sheet = makeCheckSheet(platform.archive, id, platform.clock, platform.numberFormat,
                                        *platform.documents);
    if (!sheet.document) {
        desktop.beep();
        desktop.showMessage(MessageIcon::Warning, "报告", "无法生成报告：" + sheet.error);
        return "未生成报告：" + sheet.error;
    }
    const int choice = desktop.choose("报告", "检查 " + std::to_string(id) + " 的检查记录：",
                                      {"保存为PDF", "打印"});
    if (choice == 0) {
        const std::optional<SaveTarget> target =
            askSaveTarget(platform, {kPdfType}, sheet.fileName);
        if (!target) {
            return "";
        }
        const WriteResult written = platform.documents->writePdf(target->path, *sheet.document);
        reportSaveFailure(platform, written);
        return written.ok() ? "报告已保存：" + target->path : "报告未保存：" + written.error;
    }
    if (choice == 1) {
        const PrintChoice printer = platform.dialog.showPrinter();
        if (printer.outcome == PrintDialogOutcome::Cancelled) {
            return "";
        }
        const std::string error = printer.outcome == PrintDialogOutcome::Failed
                                      ? printer.error
                                      : platform.documents->print(*sheet.document);
        if (!error.empty()) {
            desktop.beep();
            desktop.showMessage(MessageIcon::Warning, "Printing Error!",
                                "文件打印出错.\r\n" + error);
            return "报告未打印：" + error;
        }
        return "报告已打印";
    }
    return "";
}

}  // namespace pm
