#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <optional>

#include "cli/meter_commands.h"
#include "cli/meter_session.h"
#include "output/history_text.h"
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
    "4 link lost during the read (what was read is written).\n";

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
    const int linkStatus = session.run([&]() -> std::optional<int> {
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
            // The history view, as when the user picks its tab, and then Read.
            form.window().TabStrip1.select(2);
            form.TabStrip1_Click();
            form.Command1_Click();
            asked = true;
            return std::nullopt;
        }
        progress();
        // Polling comes back once the count is in and the last record requested.
        const WindowModel& w = form.window();
        const bool done = w.comunication.enabled() && !w.Readdat.enabled() &&
                          form.state().recordFrames.size() ==
                              static_cast<std::size_t>(std::max<int>(form.state().recordCount, 0));
        return done ? std::optional<int>(kExitOk) : std::nullopt;
    });
    if (showProgress && shown > 0) {
        err << "\n";
    }
    if (linkStatus == kExitNoMeter) {
        session.reportNoMeter("read");
        return kExitNoMeter;
    }

    const Grid& grid = session.grid();
    const int count = form.state().recordCount;
    const WriteResult written =
        isWorkbookName(options.out)
            ? session.workbook().write(options.out, grid)
            : session.files().writeTextFile(options.out,
                                            historyTextLines(grid, historyBlockCount(count, grid)));
    const std::size_t read = form.state().recordFrames.size();
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
    return linkStatus;
}

}  // namespace

int runReadCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ReadOptions options;
    auto fail = [&err](const std::string& what) {
        err << "phasemeter-cli read: " << what << "\n";
        return kExitUsage;
    };
    for (std::size_t at = 0; at < args.size(); ++at) {
        const std::string& option = args[at];
        if (option == "--help") {
            out << kReadUsage;
            return kExitOk;
        }
        if (option != "--out" && option != "--port") {
            return fail("unknown option " + option);
        }
        if (at + 1 >= args.size() || args[at + 1].empty()) {
            return fail(option + " needs a value");
        }
        (option == "--out" ? options.out : options.port) = args[++at];
    }
    if (options.out.empty()) {
        return fail("--out FILE is missing");
    }
    return readMeter(options, err);
}

}  // namespace pm
