#include <QElapsedTimer>
#include <charconv>
#include <optional>

#include "adapters/qt_text_log.h"
#include "cli/command_options.h"
#include "cli/meter_commands.h"
#include "cli/meter_session.h"
#include "output/trend_log.h"

namespace pm {

const char* const kLiveUsage =
    "Usage: phasemeter-cli live [--port DEVICE] [--seconds N] [--csv FILE | --json]\n"
    "Finds the meter on serial ports 1 to 16 (PHASEMETER_PORTS, as for the window) and writes one\n"
    "line per live reading, once a second: CSV with a header line, to standard output or to FILE,\n"
    "each line on the disk as it comes; or one JSON object per line to standard output. Runs for\n"
    "N seconds from the link, or until Ctrl-C.\n"
    "\n"
    "  --port DEVICE   the meter's device, the only port tried (e.g. /dev/ttyUSB0)\n"
    "  --seconds N     stop N seconds after the link (a whole number above 0)\n"
    "  --csv FILE      write the CSV lines to FILE instead of standard output\n"
    "  --json          JSON lines instead of CSV\n"
    "  --help          show this text\n"
    "\n"
    "Exit status: 0 done (also after Ctrl-C), 1 the file could not be written, 2 bad arguments,\n"
    "3 no meter found, 4 link lost.\n";

namespace {

struct LiveOptions {
    std::string port;
    std::optional<int> seconds;
    std::string csvPath;
    bool json = false;
};

// Where the lines go: the standard output, or the file written through line by line.
class LineSink {
  public:
    LineSink(std::ostream& out, const std::string& path) : out_(out), path_(path) {}
    WriteResult open() { return path_.empty() ? WriteResult{} : log_.open(path_); }
    WriteResult write(const std::string& line) {
        if (!path_.empty()) {
            return log_.appendLine(line);
        }
        out_ << line << "\n" << std::flush;
        return out_ ? WriteResult{} : WriteResult{"cannot write to the standard output"};
    }
    void close() { log_.close(); }

  private:
    std::ostream& out_;
    std::string path_;
    QtTextLog log_;
};

int recordLive(const LiveOptions& options, std::ostream& out, std::ostream& err) {
    LineSink sink(out, options.csvPath);
    WriteResult failure = sink.open();
    if (failure.ok() && !options.json) {
        failure = sink.write(trendCsvHeader());
    }
    if (!failure.ok()) {
        err << "phasemeter-cli live: cannot write " << options.csvPath << ": " << failure.error
            << "\n";
        return kExitFailed;
    }

    catchInterrupt();
    MeterSession session(options.port, err);
    Form1& form = session.form();
    form.onLiveReply = [&] {
        if (!failure.ok()) {
            return;
        }
        const std::string time = isoLocalTime(session.clock().now());
        const TrendValues values = trendValues(form.state().liveFrame);
        failure =
            sink.write(options.json ? trendJsonLine(time, values) : trendCsvLine(time, values));
    };
    // The seconds count from the link, so that N seconds give N readings however long the scan.
    QElapsedTimer sinceLink;
    const int status = session.run([&]() -> std::optional<int> {
        if (interrupted()) {
            return kExitOk;
        }
        if (!failure.ok()) {
            return kExitFailed;
        }
        if (session.noMeter()) {
            return kExitNoMeter;
        }
        if (session.linkLost()) {
            return kExitLinkLost;
        }
        if (form.state().linked && !sinceLink.isValid()) {
            sinceLink.start();
        }
        const bool timeUp = options.seconds && sinceLink.isValid() &&
                            sinceLink.elapsed() >= 1000LL * *options.seconds;
        return timeUp ? std::optional<int>(kExitOk) : std::nullopt;
    });
    form.onLiveReply = nullptr;

    if (status == kExitNoMeter) {
        session.reportNoMeter("live");
    } else if (status == kExitLinkLost) {
        if (!options.json) {
            sink.write(trendCsvGap(isoLocalTime(session.clock().now())));
        }
        err << "phasemeter-cli live: " << session.linkedPortText()
            << ": link lost, the meter stopped answering\n";
    } else if (status == kExitFailed) {
        err << "phasemeter-cli live: cannot write "
            << (options.csvPath.empty() ? std::string("the standard output") : options.csvPath)
            << ": " << failure.error << "\n";
    }
    sink.close();
    return status;
}

}  // namespace

int runLiveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto fail = [&err](const std::string& what) {
        err << "phasemeter-cli live: " << what << "\n";
        return kExitUsage;
    };
    QCommandLineParser parser;
    if (const std::optional<int> status = answerCommandOptions(
            parser, "live",
            {QCommandLineOption(QStringLiteral("port"), QString(), QStringLiteral("DEVICE")),
             QCommandLineOption(QStringLiteral("seconds"), QString(), QStringLiteral("N")),
             QCommandLineOption(QStringLiteral("csv"), QString(), QStringLiteral("FILE")),
             QCommandLineOption(QStringLiteral("json"))},
            args, kLiveUsage, out, err)) {
        return *status;
    }
    LiveOptions options;
    options.port = parser.value(QStringLiteral("port")).toStdString();
    options.csvPath = parser.value(QStringLiteral("csv")).toStdString();
    options.json = parser.isSet(QStringLiteral("json"));
    if (parser.isSet(QStringLiteral("seconds"))) {
        const std::string value = parser.value(QStringLiteral("seconds")).toStdString();
        int seconds = 0;
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), seconds);
        if (error != std::errc{} || end != value.data() + value.size() || seconds < 1) {
            return fail("--seconds " + value + ": not a whole number of seconds above 0");
        }
        options.seconds = seconds;
    }
    if (options.json && !options.csvPath.empty()) {
        return fail("--json writes to the standard output; --csv FILE takes the CSV lines");
    }
    return recordLive(options, out, err);
}

}  // namespace pm
