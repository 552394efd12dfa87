#include "cli/report_command.h"

#include <optional>

#include "adapters/qt_clock.h"
#include "adapters/qt_documents.h"
#include "adapters/qt_number_format.h"
#include "app/sheet_output.h"
#include "cli/command_archive.h"
#include "cli/command_options.h"
#include "output/file_names.h"

namespace pm {
namespace {

const char* const kReportUsage =
    "Usage: phasemeter-cli report --inspection ID --out FILE.pdf [--archive FILE]\n"
    "Writes the record of a filed wiring check (电能计量装置接线检查记录) as a PDF file on A4: "
    "the\n"
    "site, the check, the readings on both sides of the transformers, the phasor diagram, the\n"
    "verdict with the energy to refund or charge, and lines for the signatures. The same pages\n"
    "as the window's 报告. An existing file is replaced only once the new one is whole.\n"
    "\n"
    "  --inspection ID  the filed check (phasemeter-cli archive inspections lists them)\n"
    "  --out FILE       the PDF file to write (.pdf is added to a name without an extension)\n"
    "  --archive FILE   the archive file (default: PHASEMETER_ARCHIVE, else the window's)\n"
    "  --help           show this text\n"
    "\n"
    "Exit status: 0 written, 1 the file could not be written, 2 bad arguments, 5 the archive\n"
    "cannot be opened or has no such inspection.\n";

constexpr int kExitWriteFailed = 1;

}  // namespace

int runReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const auto option = [](const char* name, const char* value) {
        return QCommandLineOption(QString::fromLatin1(name), QString(), QString::fromLatin1(value));
    };
    QCommandLineParser parser;
    if (const std::optional<int> status = answerCommandOptions(
            parser, "report", {option("inspection", "ID"), option("out", "FILE"), archiveOption()},
            args, kReportUsage, out, err)) {
        return *status;
    }
    const auto mistake = [&err](const std::string& what) {
        err << "phasemeter-cli report: " << what << "\n";
        return 2;
    };
    const std::string idText = parser.value(QStringLiteral("inspection")).toStdString();
    if (idText.empty()) {
        return mistake("--inspection ID is needed");
    }
    const std::optional<ArchiveId> id = archiveIdOf(idText);
    if (!id) {
        return mistake("--inspection needs a number from 1: " + idText);
    }
    if (!parser.isSet(QStringLiteral("out"))) {
        return mistake("--out FILE.pdf is needed");
    }
    const std::string path =
        withDefaultExtension(parser.value(QStringLiteral("out")).toStdString(), ".pdf");

    CommandArchive archive(parser);
    if (const std::string reason = archive.unavailableReason(); !reason.empty()) {
        err << "phasemeter-cli report: " << archive.fault(reason) << "\n";
        return kExitArchiveFault;
    }
    QtClock clock;
    PdfDocumentOutput documents;
    const SheetOutcome sheet = makeCheckSheet(&archive.archive(), *id, clock,
                                              numberFormatOf(QLocale::system()), documents);
    if (!sheet.document) {
        err << "phasemeter-cli report: " << sheet.error << "\n";
        return archive.archive().inspection(*id) ? kExitWriteFailed : kExitArchiveFault;
    }
    const WriteResult written = documents.writePdf(path, *sheet.document);
    if (!written.ok()) {
        err << "phasemeter-cli report: " << written.error << "\n";
        return kExitWriteFailed;
    }
    out << "report=" << path << " pages=" << sheet.document->pages.size() << "\n";
    return 0;
}

}  // namespace pm
