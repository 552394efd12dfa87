#include <unistd.h>

#include <algorithm>
#include <optional>

#include "cli/command_archive.h"
#include "cli/command_options.h"
#include "cli/history_file.h"
#include "cli/meter_commands.h"
#include "cli/meter_session.h"
#include "output/read_messages.h"

namespace pm {

const char* const kReadUsage =
    "Usage: phasemeter-cli read [--out FILE] [--site NAME [--archive FILE]] [--port DEVICE]\n"
    "Finds the meter on serial ports 1 to 16 (PHASEMETER_PORTS, as for the window), reads every\n"
    "stored record and writes them as the window saves its history table: a workbook for a name\n"
    "ending in .xlsx, the text file for any other. With --site the read is also filed in the\n"
    "archive under that site, as the window files it, and the last line on standard output is\n"
    "download=ID; without --site nothing is filed.\n"
    "\n"
    "  --out FILE      the file to write (may be left out with --site)\n"
    "  --site NAME     file the read under the archive's site of that name (户名)\n"
    "  --archive FILE  the archive file (default: PHASEMETER_ARCHIVE, else the window's)\n"
    "  --port DEVICE   the meter's device, the only port tried (e.g. /dev/ttyUSB0)\n"
    "  --help          show this text\n"
    "\n"
    "Exit status: 0 done, 1 the file could not be written, 2 bad arguments, 3 no meter found,\n"
    "4 link lost during the read (what was read is written), 5 the meter's reply to the record\n"
    "count was not a count (nothing read, no file written), 6 some records never answered\n"
    "(asked twice each; the file holds the others, and their numbers are named), 7 the archive\n"
    "cannot be used, has no such site, or did not take the whole read (the file is written all\n"
    "the same; statuses 1 and 4 go before it).\n";

namespace {

struct ReadOptions {
    std::string port;
    std::string out;
    std::optional<std::string> site;
};

// Why the archive does not hold what the read received, "" when it does: the download filed,
// finished unless the link was lost, and every record answered with the bytes that came. The
// check reads the file back, so a write that failed unseen is found as well.
std::string unfiledPart(Archive& archive, ArchiveId id, bool linkLost,
                        const std::vector<std::vector<std::uint8_t>>& frames) {
    if (id == 0) {
        return "the read was not filed";
    }
    const std::optional<Download> filed = archive.download(id);
    if (!filed) {
        return "download " + std::to_string(id) + " cannot be read back";
    }
    if (!linkLost && !filed->summary.finished) {
        return "download " + std::to_string(id) + " was left unfinished";
    }
    std::vector<DownloadRecord> received;
    for (std::size_t n = 0; n < frames.size(); ++n) {
        if (!frames[n].empty()) {
            received.push_back({static_cast<int>(n + 1), frames[n]});
        }
    }
    if (filed->records != received) {
        return "download " + std::to_string(id) + " holds " +
               std::to_string(filed->records.size()) + " of the " +
               std::to_string(received.size()) + " records read";
    }
    return {};
}

int readMeter(const ReadOptions& options, CommandArchive* filing, std::ostream& out,
              std::ostream& err) {
    std::optional<Site> site;
    bool notFiled = false;
    if (filing != nullptr) {
        std::string reason;
        site = filing->site(*options.site, reason);
        if (!site) {
            // With a file to write the read still goes on: only the filing is given up.
            if (options.out.empty()) {
                err << "phasemeter-cli read: " << reason << "; nothing read\n";
                return kExitReadNotFiled;
            }
            err << "phasemeter-cli read: " << reason << "; the read goes to " << options.out
                << " only\n";
            filing = nullptr;
            notFiled = true;
        }
    }
    MeterSession session(options.port, err, filing != nullptr ? &filing->archive() : nullptr);
    Form1& form = session.form();
    if (site) {
        form.setCurrentSite(site);
    }
    const bool showProgress = ::isatty(STDERR_FILENO) == 1;
    bool asked = false;
    std::size_t shown = 0;
    auto progress = [&] {
        const std::size_t read = form.state().recordFrames.size();
        if (showProgress && read != shown) {
            shown = read;
            err << "\rrecord " << read << " of " << form.state().recordCount << std::flush;
        }
    };
    bool historyShown = false;
    const int linkStatus = session.run([&]() -> std::optional<int> {
        if (!historyShown) {
            // The history view from the start, as when the user picks its tab: the link is then
            // kept with handshakes, and no live frame is asked for before the count.
            form.window().TabStrip1.select(2);
            form.TabStrip1_Click();
            historyShown = true;
        }
        if (session.noMeter()) {
            return kExitNoMeter;
        }
        if (session.linkLost()) {
            return kExitLinkLost;
        }
        if (!session.ready()) {
            return std::nullopt;
        }
        if (!asked) {
            form.Command1_Click();
            asked = true;
            return std::nullopt;
        }
        progress();
        return form.state().read.finished ? std::optional<int>(kExitOk) : std::nullopt;
    });
    if (showProgress && shown > 0) {
        err << "\n";
    }
    if (linkStatus == kExitNoMeter) {
        session.reportNoMeter("read");
        return kExitNoMeter;
    }

    const RecordRead& outcome = form.state().read;
    if (linkStatus == kExitOk && outcome.countRefused) {
        err << "phasemeter-cli read: " << session.linkedPortText()
            << ": the meter's reply to the record count was not a count; nothing read\n";
        return kExitNotACount;
    }
    const Grid& grid = session.grid();
    const int count = form.state().recordCount;
    WriteResult written;
    if (!options.out.empty()) {
        written = writeHistoryFile(options.out, grid, count, session.files(), session.workbook());
    }
    // Where the records went, for the lines below.
    const std::string destination = options.out.empty() ? "filed" : "written to " + options.out;
    const auto& frames = form.state().recordFrames;
    const auto read = std::count_if(frames.begin(), frames.end(),
                                    [](const auto& frame) { return !frame.empty(); });
    if (linkStatus == kExitLinkLost) {
        err << "phasemeter-cli read: " << session.linkedPortText()
            << ": link lost, the meter stopped answering; " << read << " of " << count
            << " records read";
        err << (written.ok() ? ", " + destination : std::string()) << "\n";
    }
    int status = linkStatus;
    if (!written.ok()) {
        err << "phasemeter-cli read: cannot write " << options.out << ": " << written.error << "\n";
        status = kExitFailed;
    } else if (linkStatus == kExitOk && !outcome.missing.empty()) {
        err << "phasemeter-cli read: " << session.linkedPortText() << ": " << outcome.missing.size()
            << " of " << count
            << " records never answered (asked twice each): " << recordListText(outcome.missing)
            << "; the other " << count - static_cast<int>(outcome.missing.size()) << " "
            << destination << "\n";
        status = kExitRecordsMissing;
    }
    if (filing != nullptr) {
        const ArchiveId id = form.filedDownload();
        const std::string unfiled =
            unfiledPart(filing->archive(), id, linkStatus == kExitLinkLost, frames);
        if (!unfiled.empty()) {
            const std::string reason = filing->unavailableReason();
            err << "phasemeter-cli read: " << filing->fault(unfiled)
                << (reason.empty() ? std::string() : " (" + reason + ")") << "\n";
            return status == kExitOk || status == kExitRecordsMissing ? kExitReadNotFiled : status;
        }
        out << "download=" << id << "\n";
    }
    if (notFiled && (status == kExitOk || status == kExitRecordsMissing)) {
        return kExitReadNotFiled;
    }
    return status;
}

}  // namespace

int runReadCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto fail = [&err](const std::string& what) {
        err << "phasemeter-cli read: " << what << "\n";
        return kExitUsage;
    };
    QCommandLineParser parser;
    if (const std::optional<int> status = answerCommandOptions(
            parser, "read",
            {QCommandLineOption(QStringLiteral("out"), QString(), QStringLiteral("FILE")),
             QCommandLineOption(QStringLiteral("port"), QString(), QStringLiteral("DEVICE")),
             QCommandLineOption(QStringLiteral("site"), QString(), QStringLiteral("NAME")),
             archiveOption()},
            args, kReadUsage, out, err)) {
        return *status;
    }
    ReadOptions options;
    options.port = parser.value(QStringLiteral("port")).toStdString();
    options.out = parser.value(QStringLiteral("out")).toStdString();
    if (parser.isSet(QStringLiteral("site"))) {
        options.site = parser.value(QStringLiteral("site")).toStdString();
    }
    if (options.out.empty() && !options.site) {
        return fail("--out FILE is missing (or --site NAME, to file the read only)");
    }
    if (parser.isSet(archiveOption().names().first()) && !options.site) {
        return fail("--archive FILE files nothing without --site NAME");
    }
    if (!options.site) {
        return readMeter(options, nullptr, out, err);
    }
    CommandArchive archive(parser);
    return readMeter(options, &archive, out, err);
}

}  // namespace pm
