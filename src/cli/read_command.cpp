#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <optional>

#include "cli/command_options.h"
#include "cli/meter_commands.h"
#include "cli/meter_session.h"
#include "output/history_text.h"
#include "output/read_messages.h"
#include "platform/workbook.h"

namespace pm {

const char* const kReadUsage =
    "Usage: phasemeter-cli read --out FILE [--port DEVICE]\n"
    "Finds the meter on serial ports 1 to 16 (PHASEMETER_PORTS, as for the window), reads every\n"
    "stored record and writes them as the window saves its history table: a workbook for a name\n"
    "ending in .xlsx, the text file for any other.\n"
    "\n"
    "  --out FILE      the file to write\n"
    "  --port DEVICE   the meter's device, the only port tried (e.g. /dev/ttyUSB0)\n"
    "  --help          show this text\n"
    "\n"
    "Exit status: 0 done, 1 the file could not be written, 2 bad arguments, 3 no meter found,\n"
    "4 link lost during the read (what was read is written), 5 the meter's reply to the record\n"
    "count was not a count (nothing read, no file written), 6 some records never answered\n"
    "(asked twice each; the file holds the others, and their numbers are named).\n";

namespace {

struct ReadOptions {
    std::string port;
    std::string out;
};

bool isWorkbookName(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name.ends_with(".xlsx");
}

int readMeter(const ReadOptions& options, std::ostream& err) {
    MeterSession session(options.port, err);
    Form1& form = session.form();
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
    const WriteResult written =
        isWorkbookName(options.out)
            ? session.workbook().write(options.out, grid)
            : session.files().writeTextFile(options.out,
                                            historyTextLines(grid, historyBlockCount(count, grid)));
    const auto& frames = form.state().recordFrames;
    const auto read = std::count_if(frames.begin(), frames.end(),
                                    [](const auto& frame) { return !frame.empty(); });
    if (linkStatus == kExitLinkLost) {
        err << "phasemeter-cli read: " << session.linkedPortText()
            << ": link lost, the meter stopped answering; " << read << " of " << count
            << " records read";
        err << (written.ok() ? ", written to " + options.out : std::string()) << "\n";
    }
    if (!written.ok()) {
        err << "phasemeter-cli read: cannot write " << options.out << ": " << written.error << "\n";
        return kExitFailed;
    }
    if (linkStatus == kExitOk && !outcome.missing.empty()) {
        err << "phasemeter-cli read: " << session.linkedPortText() << ": " << outcome.missing.size()
            << " of " << count
            << " records never answered (asked twice each): " << recordListText(outcome.missing)
            << "; the other " << count - static_cast<int>(outcome.missing.size()) << " written to "
            << options.out << "\n";
        return kExitRecordsMissing;
    }
    return linkStatus;
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
             QCommandLineOption(QStringLiteral("port"), QString(), QStringLiteral("DEVICE"))},
            args, kReadUsage, out, err)) {
        return *status;
    }
    ReadOptions options;
    options.port = parser.value(QStringLiteral("port")).toStdString();
    options.out = parser.value(QStringLiteral("out")).toStdString();
    if (options.out.empty()) {
        return fail("--out FILE is missing");
    }
    return readMeter(options, err);
}

}  // namespace pm
