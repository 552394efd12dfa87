#include "cli/wiring_command.h"

#include <QDateTime>
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "analysis/primary_values.h"
#include "analysis/wiring_check.h"
#include "app/wiring_page.h"
#include "cli/command_archive.h"
#include "cli/command_options.h"
#include "output/filed_check.h"
#include "output/wiring_text.h"
#include "protocol/measurement_frame.h"
#include "protocol/request_frames.h"

namespace pm {

const char* const kWiringUsage =
    "Usage: phasemeter-cli wiring (--frame HEX | --download ID --record N) [options]\n"
    "Checks the wiring of an energy-meter installation from one measurement frame (39 bytes in\n"
    "hexadecimal, spaces allowed) or a record of a filed download, and prints the analysis, one\n"
    "key=value line each. With --site the site's wiring system (unless --system is given) and\n"
    "its CT and PT ratios apply; with --store the analysis is filed as an inspection of the site\n"
    "and the last line is inspection=ID.\n"
    "\n"
    "  --system 3p4w|3p3w    three-phase four-wire (default) or three-wire\n"
    "  --load-angle FROM:TO  range of the true load angle in degrees (default 0:60)\n"
    "  --export              the installation exports power\n"
    "  --pt                  four-wire through voltage transformers (a reversed PT is possible)\n"
    "  --b-terminal N        three-wire: terminal 1..3 of phase b\n"
    "  --pf X                average power factor, for the correction factor at it\n"
    "  --energy KWH          energy the meter recorded, for the energy to back-bill\n"
    "  --record N            the frame is stored record N (default: live data)\n"
    "  --download ID         analyse record N (--record) of the filed download ID\n"
    "  --site NAME           the archive's site of that name (户名) is the one checked\n"
    "  --store               file the analysis as an inspection of the site\n"
    "  --inspector NAME      with --store: who checked (检查人)\n"
    "  --note TEXT           with --store: a note filed with it\n"
    "  --archive FILE        the archive file (default: PHASEMETER_ARCHIVE, else the window's)\n"
    "  --help                show this text\n"
    "\n"
    "Exit status: 0 done (also for bad data in a well-formed frame), 2 bad arguments, 5 the\n"
    "archive cannot be opened or written, or has no such site, download or record.\n";

namespace {

std::optional<std::vector<std::uint8_t>> hexBytes(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if (c == ' ' || c == ':' || c == '-') {
            continue;
        }
        digits += c;
    }
    if (digits.size() != 2 * kFrameLength) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t at = 0; at < digits.size(); at += 2) {
        std::uint8_t byte = 0;
        const auto [end, error] =
            std::from_chars(digits.data() + at, digits.data() + at + 2, byte, 16);
        if (error != std::errc{} || end != digits.data() + at + 2) {
            return std::nullopt;
        }
        bytes.push_back(byte);
    }
    return bytes;
}

std::optional<double> number(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// The check of a reading and its lines, as the wiring tab's text file writes them.
struct Analysis {
    WiringResult result;
    std::vector<std::string> lines;
};

Analysis analysis(const std::vector<std::uint8_t>& frame, const InspectionSource& source,
                  const WiringOptions& options, const std::optional<SiteRatios>& ratios) {
    Analysis made;
    made.result = checkWiring(wiringReading(frame), options);
    made.lines = wiringReportLines(inspectionSourceText(source), options,
                                   wiringReadingTexts(frame, NumberFormat{}), made.result, ratios);
    return made;
}

void printLines(const std::vector<std::string>& lines, std::ostream& out) {
    for (const std::string& line : lines) {
        out << line << "\n";
    }
}

}  // namespace

int runWiringCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto fail = [&err](const std::string& what) {
        err << "phasemeter-cli wiring: " << what << "\n";
        return 2;
    };
    QCommandLineParser parser;
    QList<QCommandLineOption> table;
    // The options with a value, as kWiringUsage names it, and those without one.
    for (const auto& [name, valueName] : {std::pair{"frame", "HEX"},
                                          {"system", "3p4w|3p3w"},
                                          {"load-angle", "FROM:TO"},
                                          {"b-terminal", "N"},
                                          {"pf", "X"},
                                          {"energy", "KWH"},
                                          {"record", "N"},
                                          {"download", "ID"},
                                          {"site", "NAME"},
                                          {"inspector", "NAME"},
                                          {"note", "TEXT"}}) {
        table.append(QCommandLineOption(QString::fromLatin1(name), QString(),
                                        QString::fromLatin1(valueName)));
    }
    table.append(QCommandLineOption(QStringLiteral("export")));
    table.append(QCommandLineOption(QStringLiteral("pt")));
    table.append(QCommandLineOption(QStringLiteral("store")));
    table.append(archiveOption());
    if (const std::optional<int> status =
            answerCommandOptions(parser, "wiring", table, args, kWiringUsage, out, err)) {
        return *status;
    }
    // The value of each option given, the last one where it is given twice.
    auto value = [&parser](const char* name) -> std::optional<std::string> {
        const QString option = QString::fromLatin1(name);
        return parser.isSet(option) ? std::optional(parser.value(option).toStdString())
                                    : std::nullopt;
    };

    WiringOptions options;
    std::optional<std::vector<std::uint8_t>> frame;
    InspectionSource source;
    if (parser.isSet(QStringLiteral("export"))) {
        options.direction = PowerDirection::Export;
    }
    options.viaVoltageTransformers = parser.isSet(QStringLiteral("pt"));
    if (const auto v = value("frame")) {
        frame = hexBytes(*v);
        if (!frame) {
            return fail("--frame is not " + std::to_string(kFrameLength) +
                        " bytes of hexadecimal: " + *v);
        }
    }
    if (const auto v = value("system")) {
        if (*v != "3p4w" && *v != "3p3w") {
            return fail("--system must be 3p4w or 3p3w, not " + *v);
        }
        options.system = *v == "3p4w" ? WiringSystem::FourWire : WiringSystem::ThreeWire;
    }
    if (const auto v = value("load-angle")) {
        const std::size_t colon = v->find(':');
        const std::optional<double> from = colon == std::string::npos
                                               ? std::nullopt
                                               : number(std::string_view(*v).substr(0, colon));
        const std::optional<double> to = colon == std::string::npos
                                             ? std::nullopt
                                             : number(std::string_view(*v).substr(colon + 1));
        if (!from || !to || !(*from < *to) || *to - *from >= 360) {
            return fail("--load-angle must be FROM:TO with FROM < TO, not " + *v);
        }
        options.loadFrom = *from;
        options.loadTo = *to;
    }
    if (const auto v = value("b-terminal")) {
        if (*v != "1" && *v != "2" && *v != "3") {
            return fail("--b-terminal must be 1, 2 or 3, not " + *v);
        }
        options.bTerminal = (*v)[0] - '0';
    }
    if (const auto v = value("pf")) {
        const std::optional<double> pf = number(*v);
        if (!pf || *pf < -1 || *pf > 1) {
            return fail("--pf must be a power factor from -1 to 1, not " + *v);
        }
        options.averagePowerFactor = pf;
    }
    if (const auto v = value("energy")) {
        const std::optional<double> energy = number(*v);
        if (!energy) {
            return fail("--energy must be a number of kWh, not " + *v);
        }
        options.meteredEnergy = energy;
    }
    if (const auto v = value("record")) {
        const std::optional<double> record = number(*v);
        if (!record || *record < kFirstRecordNumber || *record > kLastRecordNumber ||
            *record != static_cast<int>(*record)) {
            return fail("--record must be a record number from 1 to 10000, not " + *v);
        }
        source = {false, 0, static_cast<int>(*record)};
    }
    const std::optional<std::string> download = value("download");
    if (download) {
        const std::optional<double> id = number(*download);
        if (!id || *id < 1 || *id > 9e15 ||
            *id != static_cast<double>(static_cast<ArchiveId>(*id))) {
            return fail("--download must be the number of a filed download, not " + *download);
        }
        if (frame) {
            return fail("--frame and --download both give the reading; give one");
        }
        if (source.live) {
            return fail("--download needs --record N, the record of it to analyse");
        }
        source.downloadId = static_cast<ArchiveId>(*id);
    }
    if (!frame && !download) {
        return fail("--frame is missing");
    }
    const std::optional<std::string> siteName = value("site");
    const bool store = parser.isSet(QStringLiteral("store"));
    if (store && !siteName) {
        return fail("--store needs --site NAME, the site the inspection is filed under");
    }
    for (const char* withStore : {"inspector", "note"}) {
        if (value(withStore) && !store) {
            return fail(std::string("--") + withStore + " is filed only with --store");
        }
    }
    if (parser.isSet(archiveOption().names().first()) && !siteName && !download) {
        return fail("--archive FILE needs --site NAME or --download ID");
    }
    if (!siteName && !download) {
        printLines(analysis(*frame, source, options, std::nullopt).lines, out);
        return 0;
    }

    auto archiveFault = [&err](const std::string& what) {
        err << "phasemeter-cli wiring: " << what << "\n";
        return kExitArchiveFault;
    };
    CommandArchive archive(parser);
    if (const std::string reason = archive.unavailableReason(); !reason.empty()) {
        return archiveFault(archive.fault(reason));
    }
    std::optional<Site> site;
    if (siteName) {
        std::string reason;
        site = archive.site(*siteName, reason);
        if (!site) {
            return archiveFault(reason);
        }
        // The site's wiring system, as choosing the site on the wiring tab sets it; an explicit
        // --system is the user's later choice.
        if (!value("system")) {
            options.system = site->fields.system;
        }
    }
    if (download) {
        const std::optional<Download> filed = archive.archive().download(source.downloadId);
        if (!filed) {
            const std::string reason = archive.unavailableReason();
            return archiveFault(reason.empty() ? "no download " + *download + " in the archive " +
                                                     archive.path()
                                               : archive.fault(reason));
        }
        const auto record =
            std::find_if(filed->records.begin(), filed->records.end(),
                         [&](const DownloadRecord& r) { return r.number == source.recordNumber; });
        if (record == filed->records.end() || record->bytes.empty()) {
            return archiveFault("download " + *download + " has no record " +
                                std::to_string(source.recordNumber) + " (" +
                                std::to_string(filed->records.size()) + " records filed)");
        }
        frame = record->bytes;
    }
    const std::optional<SiteRatios> ratios = site ? siteRatios(site->fields) : std::nullopt;
    const Analysis shown = analysis(*frame, source, options, ratios);
    printLines(shown.lines, out);
    if (!store) {
        return 0;
    }
    const ArchiveIdResult filed = archive.archive().addInspection(inspectionFields(
        site->id, QDateTime::currentSecsSinceEpoch(), value("inspector").value_or(""), source,
        options, *frame, shown.result, shown.lines, options.meteredEnergy,
        backBilledEnergy(options, shown.result, ratios), value("note").value_or(""), site->fields));
    if (!filed.ok()) {
        return archiveFault(archive.fault(filed.error) + "; the inspection is not filed");
    }
    out << "inspection=" << filed.id << "\n";
    return 0;
}

}  // namespace pm
