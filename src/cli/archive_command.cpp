#include "cli/archive_command.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

#include "adapters/qt_clock.h"
#include "adapters/qt_files.h"
#include "adapters/qt_number_format.h"
#include "adapters/xlsx_workbook.h"
#include "analysis/transformer_ratio.h"
#include "analysis/wiring_texts.h"
#include "cli/command_archive.h"
#include "cli/command_options.h"
#include "cli/history_file.h"
#include "output/filed_check.h"
#include "output/trend_log.h"
#include "platform/memory_grid.h"
#include "view/download_table.h"

namespace pm {

const char* const kArchiveUsage =
    "Usage: phasemeter-cli archive COMMAND [options] [--archive FILE]\n"
    "The site archive the window keeps: the sites, the reads of their stored records and the\n"
    "wiring checks filed.\n"
    "\n"
    "  sites [--site NAME] [--json]         the sites, the one changed last first\n"
    "  downloads [--site NAME] [--json]     the filed reads (of one site), newest first\n"
    "  inspections [--site NAME] [--json]   the filed wiring checks, newest first\n"
    "  add-site --name NAME [--account A] [--address A] [--meter NUMBER] [--model MODEL]\n"
    "           [--system 3p4w|3p3w] [--ct 200/5] [--pt 10000/100] [--note TEXT]\n"
    "                                       files a new site and prints site=ID\n"
    "  export --download ID --out FILE      writes a filed read as the window saves it: a\n"
    "                                       workbook for FILE.xlsx, the text file for any other\n"
    "\n"
    "  --json          one JSON array instead of lines of tab-separated columns\n"
    "  --archive FILE  the archive file (default: PHASEMETER_ARCHIVE, else the window's)\n"
    "  --help          show this text\n"
    "\n"
    "Times are local: \"2026-12-08 14:30:05\" in the columns, ISO 8601 with the offset from UTC\n"
    "in JSON. --ct and --pt take primary/secondary or 直接接入; without them the ratio is not\n"
    "recorded and the site's checks stay on the secondary side.\n"
    "\n"
    "Exit status: 0 done, 1 the export could not be written, 2 bad arguments, 5 the archive\n"
    "cannot be opened or written, or has no such site or download.\n";

namespace {

const QString kJson = QStringLiteral("json");

QCommandLineOption valueOption(const char* name, const char* valueName) {
    return QCommandLineOption(QString::fromLatin1(name), QString(), QString::fromUtf8(valueName));
}

std::string systemName(WiringSystem system) {
    return system == WiringSystem::ThreeWire ? "3p3w" : "3p4w";
}

std::string hexOf(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (std::uint8_t byte : bytes) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", byte);
        text += two;
    }
    return text;
}

// A column value: a tab or a line end inside it would break the line into other columns.
std::string column(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return text;
}

QJsonValue json(const std::string& text) {
    return QString::fromStdString(text);
}

QJsonValue json(ArchiveId id) {
    return QJsonValue(static_cast<qint64>(id));
}

QJsonValue json(const std::optional<double>& number) {
    return number ? QJsonValue(*number) : QJsonValue(QJsonValue::Null);
}

// The command's parts shared by its subcommands: the streams, the archive and the clock that
// shows filed instants in local time.
class Listing {
  public:
    Listing(CommandArchive& archive, std::ostream& out) : archive_(archive), out_(out) {}

    std::string localTime(std::int64_t utc) { return localTimeText(clock_.at(utc)); }
    QJsonValue isoTime(std::int64_t utc) { return json(isoLocalTime(clock_.at(utc))); }

    // The names of every site by id, "" for downloads filed under none.
    std::map<ArchiveId, std::string> siteNames() {
        std::map<ArchiveId, std::string> names{{0, ""}};
        for (const Site& site : archive_.archive().sites()) {
            names[site.id] = site.fields.name;
        }
        return names;
    }

    void writeLines(const std::vector<std::vector<std::string>>& rows) {
        for (const std::vector<std::string>& row : rows) {
            for (std::size_t k = 0; k < row.size(); ++k) {
                out_ << (k == 0 ? "" : "\t") << column(row[k]);
            }
            out_ << "\n";
        }
    }
    void writeJson(const QJsonArray& array) {
        out_ << QJsonDocument(array).toJson(QJsonDocument::Indented).toStdString();
    }

    QJsonObject siteJson(const Site& site) {
        const SiteFields& f = site.fields;
        return {{"id", json(site.id)},
                {"name", json(f.name)},
                {"account", json(f.account)},
                {"address", json(f.address)},
                {"meter_number", json(f.meterNumber)},
                {"meter_model", json(f.meterModel)},
                {"system", json(systemName(f.system))},
                {"current_ratio", json(f.currentRatio)},
                {"voltage_ratio", json(f.voltageRatio)},
                {"note", json(f.note)},
                {"created", isoTime(site.createdUtc)},
                {"changed", isoTime(site.changedUtc)}};
    }

    QJsonObject downloadJson(const DownloadSummary& d, const std::string& siteName) {
        return {{"id", json(d.id)},
                {"site_id", d.siteId == 0 ? QJsonValue(QJsonValue::Null) : json(d.siteId)},
                {"site", d.siteId == 0 ? QJsonValue(QJsonValue::Null) : json(siteName)},
                {"start", isoTime(d.startUtc)},
                {"end", d.finished ? isoTime(d.endUtc) : QJsonValue(QJsonValue::Null)},
                {"port", json(d.port)},
                {"reported_count", d.reportedCount},
                {"held_records", d.heldRecords},
                {"table_blocks", d.tableBlocks},
                {"finished", d.finished}};
    }

    QJsonObject inspectionJson(const Inspection& inspection, const std::string& siteName) {
        const InspectionFields& f = inspection.fields;
        const WiringOptions& o = f.options;
        QJsonArray lines;
        for (const std::string& line : f.lines) {
            lines.append(json(line));
        }
        const QJsonObject source{{"live", f.source.live},
                                 {"download_id", json(f.source.downloadId)},
                                 {"record", f.source.recordNumber}};
        const QJsonObject options{
            {"system", json(systemName(o.system))},
            {"load_from", o.loadFrom},
            {"load_to", o.loadTo},
            {"direction", o.direction == PowerDirection::Export ? "export" : "import"},
            {"via_voltage_transformers", o.viaVoltageTransformers},
            {"b_terminal", o.bTerminal},
            {"average_power_factor", json(o.averagePowerFactor)},
            {"metered_energy", json(o.meteredEnergy)}};
        return {{"id", json(inspection.id)},
                {"site_id", json(f.siteId)},
                {"site", json(siteName)},
                {"time", isoTime(f.timeUtc)},
                {"inspector", json(f.inspector)},
                {"source", source},
                {"options", options},
                {"frame", json(hexOf(f.frame))},
                {"lines", lines},
                {"conclusion", json(f.conclusion)},
                {"correction_factor", json(f.correctionFactor)},
                {"metered_energy", json(f.meteredEnergy)},
                {"back_billed_energy", json(f.backBilledEnergy)},
                {"note", json(f.note)}};
    }

  private:
    CommandArchive& archive_;
    std::ostream& out_;
    QtClock clock_;
};

class ArchiveCommand {
  public:
    ArchiveCommand(std::string name, std::ostream& out, std::ostream& err)
        : name_("archive " + std::move(name)), out_(out), err_(err) {}

    // Reads the subcommand's options; a status when it ends here (a mistake or --help).
    std::optional<int> read(QList<QCommandLineOption> options,
                            const std::vector<std::string>& args) {
        options.append(archiveOption());
        return answerCommandOptions(parser_, name_, std::move(options), args, kArchiveUsage, out_,
                                    err_);
    }
    const QCommandLineParser& parser() const { return parser_; }
    std::optional<std::string> value(const char* name) const {
        const QString option = QString::fromLatin1(name);
        return parser_.isSet(option) ? std::optional(parser_.value(option).toStdString())
                                     : std::nullopt;
    }

    int usage(const std::string& what) {
        err_ << "phasemeter-cli " << name_ << ": " << what << "\n";
        return kExitUsage;
    }
    int fault(const std::string& what) {
        err_ << "phasemeter-cli " << name_ << ": " << what << "\n";
        return kExitArchiveFault;
    }

    int list();
    int addSite();
    int exportDownload();

  private:
    static constexpr int kExitUsage = 2;

    // The archive, or the status of why it cannot be used.
    std::optional<int> open() {
        archive_.emplace(parser_);
        if (const std::string reason = archive_->unavailableReason(); !reason.empty()) {
            return fault(archive_->fault(reason));
        }
        return std::nullopt;
    }
    // A read's result: the archive's reason when it failed under it, else nothing.
    std::optional<int> readFault() {
        if (const std::string reason = archive_->unavailableReason(); !reason.empty()) {
            return fault(archive_->fault(reason));
        }
        return std::nullopt;
    }

    std::string name_;
    std::ostream& out_;
    std::ostream& err_;
    QCommandLineParser parser_;
    std::optional<CommandArchive> archive_;
};

int ArchiveCommand::list() {
    if (const std::optional<int> status = open()) {
        return *status;
    }
    Archive& archive = archive_->archive();
    std::optional<Site> only;
    if (const std::optional<std::string> name = value("site")) {
        std::string reason;
        only = archive_->site(*name, reason);
        if (!only) {
            return fault(reason);
        }
    }
    const bool asJson = parser_.isSet(kJson);
    Listing listing(*archive_, out_);
    std::map<ArchiveId, std::string> names = listing.siteNames();
    std::vector<ArchiveId> siteIds;
    if (only) {
        siteIds.push_back(only->id);
    } else {
        for (const auto& [id, name] : names) {
            siteIds.push_back(id);
        }
    }
    QJsonArray array;
    std::vector<std::vector<std::string>> rows;
    if (name_ == "archive sites") {
        rows.push_back({"id", "name", "account", "meter", "system", "ct", "pt", "changed"});
        const std::vector<Site> sites = only ? std::vector<Site>{*only} : archive.sites();
        for (const Site& site : sites) {
            const SiteFields& f = site.fields;
            array.append(listing.siteJson(site));
            rows.push_back({std::to_string(site.id), f.name, f.account, f.meterNumber,
                            systemName(f.system), f.currentRatio, f.voltageRatio,
                            listing.localTime(site.changedUtc)});
        }
    } else if (name_ == "archive downloads") {
        rows.push_back({"id", "site", "start", "end", "port", "count", "records"});
        std::vector<DownloadSummary> downloads;
        for (ArchiveId site : siteIds) {
            const std::vector<DownloadSummary> ofSite = archive.downloads(site);
            downloads.insert(downloads.end(), ofSite.begin(), ofSite.end());
        }
        std::sort(downloads.begin(), downloads.end(),
                  [](const auto& a, const auto& b) { return a.id > b.id; });
        for (const DownloadSummary& d : downloads) {
            array.append(listing.downloadJson(d, names[d.siteId]));
            rows.push_back({std::to_string(d.id), d.siteId == 0 ? "-" : names[d.siteId],
                            listing.localTime(d.startUtc),
                            d.finished ? listing.localTime(d.endUtc) : "unfinished", d.port,
                            std::to_string(d.reportedCount), std::to_string(d.heldRecords)});
        }
    } else {
        rows.push_back({"id", "site", "time", "inspector", "conclusion", "K"});
        std::vector<InspectionSummary> inspections;
        for (ArchiveId site : siteIds) {
            const std::vector<InspectionSummary> ofSite = archive.inspections(site);
            inspections.insert(inspections.end(), ofSite.begin(), ofSite.end());
        }
        std::sort(inspections.begin(), inspections.end(),
                  [](const auto& a, const auto& b) { return a.id > b.id; });
        for (const InspectionSummary& i : inspections) {
            if (asJson) {
                const std::optional<Inspection> whole = archive.inspection(i.id);
                if (!whole) {
                    return readFault().value_or(
                        fault("inspection " + std::to_string(i.id) + " cannot be read"));
                }
                array.append(listing.inspectionJson(*whole, names[i.siteId]));
            }
            rows.push_back({std::to_string(i.id), names[i.siteId], listing.localTime(i.timeUtc),
                            i.inspector, i.conclusion,
                            // None: infinite, or a reading nothing explained.
                            i.correctionFactor ? correctionFactorText({i.correctionFactor}) : "-"});
        }
    }
    // A list the archive broke off while reading is not given as if it were whole.
    if (const std::optional<int> status = readFault()) {
        return *status;
    }
    if (asJson) {
        listing.writeJson(array);
    } else {
        listing.writeLines(rows);
    }
    return 0;
}

int ArchiveCommand::addSite() {
    SiteFields fields;
    fields.name = value("name").value_or("");
    if (fields.name.find_first_not_of(" \t") == std::string::npos) {
        return usage("--name NAME is missing: every site has a name (户名)");
    }
    fields.account = value("account").value_or("");
    fields.address = value("address").value_or("");
    fields.meterNumber = value("meter").value_or("");
    fields.meterModel = value("model").value_or("");
    fields.note = value("note").value_or("");
    if (const std::optional<std::string> system = value("system")) {
        if (*system != "3p4w" && *system != "3p3w") {
            return usage("--system must be 3p4w or 3p3w, not " + *system);
        }
        fields.system = *system == "3p3w" ? WiringSystem::ThreeWire : WiringSystem::FourWire;
    }
    for (const auto& [option, example, ratio] :
         {std::tuple{"ct", "200/5", &fields.currentRatio},
          std::tuple{"pt", "10000/100", &fields.voltageRatio}}) {
        if (const std::optional<std::string> text = value(option)) {
            if (!parseTransformerRatio(*text)) {
                return usage(std::string("--") + option + " " + *text +
                             ": not a ratio; give primary/secondary with the secondary not above "
                             "the primary (e.g. " +
                             example + ") or 直接接入");
            }
            *ratio = *text;
        }
    }
    if (const std::optional<int> status = open()) {
        return *status;
    }
    Archive& archive = archive_->archive();
    if (const std::optional<Site> same = archive.siteNamed(fields.name)) {
        return usage("a site named \"" + fields.name + "\" is filed already (site=" +
                     std::to_string(same->id) + "); --site NAME has to name one site");
    }
    if (const std::optional<int> status = readFault()) {
        return *status;
    }
    const ArchiveIdResult saved = archive.saveSite(0, fields, QtClock().now().utcSeconds);
    if (!saved.ok()) {
        return fault(archive_->fault(saved.error) + "; the site is not filed");
    }
    out_ << "site=" << saved.id << "\n";
    return 0;
}

int ArchiveCommand::exportDownload() {
    const std::optional<std::string> idText = value("download");
    const std::string path = value("out").value_or("");
    if (!idText) {
        return usage("--download ID is missing");
    }
    const std::optional<ArchiveId> id = archiveIdOf(*idText);
    if (!id) {
        return usage("--download must be the number of a filed download, not " + *idText);
    }
    if (path.empty()) {
        return usage("--out FILE is missing");
    }
    if (const std::optional<int> status = open()) {
        return *status;
    }
    const std::optional<Download> download = archive_->archive().download(*id);
    if (!download) {
        return readFault().value_or(
            fault("no download " + *idText + " in the archive " + archive_->path()));
    }
    // The table as the read left it, in the regional number format a read on this computer
    // shows, written by the window's Save.
    MemoryGrid grid;
    writeDownload(grid, *download, numberFormatOf(QLocale::system()));
    QtFiles files;
    XlsxWorkbookWriter workbook;
    const WriteResult written =
        writeHistoryFile(path, grid, download->summary.reportedCount, files, workbook);
    if (!written.ok()) {
        err_ << "phasemeter-cli " << name_ << ": cannot write " << path << ": " << written.error
             << "\n";
        return 1;
    }
    if (!download->summary.finished) {
        err_ << "phasemeter-cli " << name_ << ": download " << *id
             << " was never finished (the link was lost or the program ended during the read); "
             << download->records.size() << " of " << download->summary.reportedCount
             << " records written\n";
    }
    return 0;
}

}  // namespace

int runArchiveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << "phasemeter-cli archive: no command given: sites, downloads, inspections, add-site "
               "or export (see phasemeter-cli archive --help)\n";
        return 2;
    }
    const std::string& command = args.front();
    if (command == "--help") {
        out << kArchiveUsage;
        return 0;
    }
    const std::vector<std::string> options(args.begin() + 1, args.end());
    ArchiveCommand run(command, out, err);
    if (command == "sites" || command == "downloads" || command == "inspections") {
        if (const std::optional<int> status =
                run.read({valueOption("site", "NAME"), QCommandLineOption(kJson)}, options)) {
            return *status;
        }
        return run.list();
    }
    if (command == "add-site") {
        QList<QCommandLineOption> table;
        for (const auto& [name, valueName] : {std::pair{"name", "NAME"},
                                              {"account", "ACCOUNT"},
                                              {"address", "ADDRESS"},
                                              {"meter", "NUMBER"},
                                              {"model", "MODEL"},
                                              {"system", "3p4w|3p3w"},
                                              {"ct", "RATIO"},
                                              {"pt", "RATIO"},
                                              {"note", "TEXT"}}) {
            table.append(valueOption(name, valueName));
        }
        if (const std::optional<int> status = run.read(table, options)) {
            return *status;
        }
        return run.addSite();
    }
    if (command == "export") {
        if (const std::optional<int> status =
                run.read({valueOption("download", "ID"), valueOption("out", "FILE")}, options)) {
            return *status;
        }
        return run.exportDownload();
    }
    err << "phasemeter-cli archive: unknown command " << command
        << " (sites, downloads, inspections, add-site or export)\n";
    return 2;
}

}  // namespace pm
