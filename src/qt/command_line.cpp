#include "qt/command_line.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <utility>

namespace pm {

const char* const kWindowUsage =
    "Usage: phasemeter [--port DEVICE]... [--archive FILE | --no-archive] [Qt options]\n"
    "The companion of the three-clamp phase volt-ampere meter (智能型三钳相位伏安表), in a\n"
    "window: it finds the meter on a serial port, shows the live readings and the phasor\n"
    "diagram, reads the stored records, checks the wiring and records the readings over time.\n"
    "\n"
    "  --port DEVICE   look for the meter on DEVICE; each --port adds one device, in order,\n"
    "                  as ports 1, 2, ..., in place of PHASEMETER_PORTS\n"
    "  --archive FILE  keep the site archive in FILE instead of the default\n"
    "                  (~/.local/share/phasemeter/archive.sqlite)\n"
    "  --no-archive    keep no archive: nothing is filed and nothing written\n"
    "  --version       print the version and exit\n"
    "  --help          show this text and exit\n"
    "\n"
    "Qt's own options take one dash, e.g. -platform offscreen.\n"
    "\n"
    "Environment:\n"
    "  PHASEMETER_PORTS  the devices that ports 1 to 16 stand for, separated by ':';\n"
    "                    where it is unset, the system's serial devices\n"
    "  PHASEMETER_ARCHIVE  the archive file, where --archive is not given\n";

namespace {

WindowCommandLine failure(const std::string& line) {
    WindowCommandLine result;
    result.action = WindowCommandLine::Action::Fail;
    result.error = "phasemeter: " + line;
    return result;
}

// The mistake in what `parser` read from our arguments, "" for none. Only --port and --archive
// take a value.
std::string mistakeIn(const QCommandLineParser& parser, bool parsed, const QStringList& ours) {
    if (!parser.unknownOptionNames().isEmpty()) {
        return "unknown option '--" + parser.unknownOptionNames().first().toStdString() + "'";
    }
    // The parser keeps a value each time it finds the option, but none for it as the last
    // argument.
    for (const auto& [name, what] :
         {std::pair{"port", "a device"}, std::pair{"archive", "a file"}}) {
        const QString option = QString::fromLatin1(name);
        if (parser.values(option).size() < parser.optionNames().count(option) ||
            parser.values(option).contains(QString())) {
            return std::string("option '--") + name + "' needs " + what;
        }
    }
    if (parser.isSet(QStringLiteral("archive")) && parser.isSet(QStringLiteral("no-archive"))) {
        return "options '--archive' and '--no-archive' exclude each other";
    }
    if (!parsed) {
        // Else only a value given to an option that takes none fails the parse.
        for (const QString& argument : ours) {
            const QString name = argument.section(u'=', 0, 0);
            if (argument.contains(u'=') && (name == "--help" || name == "--version")) {
                return "option '" + name.toStdString() + "' takes no value";
            }
        }
        return parser.errorText().toStdString();
    }
    return {};
}

}  // namespace

WindowCommandLine parseWindowCommandLine(const std::vector<std::string>& args) {
    // Ours take two dashes, and --port its device, the next argument unless written --port=DEVICE;
    // the rest, in its order, is Qt's (a lone "--" among it). parse() skips the program's name.
    QStringList ours{QStringLiteral("phasemeter")};
    std::vector<std::string> qtArguments;
    for (std::size_t a = 0; a < args.size(); ++a) {
        if (!args[a].starts_with("--") || args[a] == "--") {
            qtArguments.push_back(args[a]);
            continue;
        }
        ours.append(QString::fromStdString(args[a]));
        if ((args[a] == "--port" || args[a] == "--archive") && a + 1 < args.size()) {
            ours.append(QString::fromStdString(args[++a]));
        }
    }

    QCommandLineParser parser;
    parser.addOptions(
        {QCommandLineOption(QStringLiteral("port"), QString(), QStringLiteral("DEVICE")),
         QCommandLineOption(QStringLiteral("archive"), QString(), QStringLiteral("FILE")),
         QCommandLineOption(QStringLiteral("no-archive")),
         QCommandLineOption(QStringLiteral("version")),
         QCommandLineOption(QStringLiteral("help"))});
    // The first --version or --help ends the reading: it is the last argument of the shortest
    // run from the left after which the parser has found it (and not taken it for a device).
    auto ended = [&parser] {
        return parser.isSet(QStringLiteral("version")) || parser.isSet(QStringLiteral("help"));
    };
    qsizetype end = ours.size();
    for (qsizetype n = 2; n < ours.size(); ++n) {
        parser.parse(ours.first(n));
        if (ended()) {
            end = n;
            break;
        }
    }
    const QStringList read = ours.first(end);
    const bool parsed = parser.parse(read);
    if (const std::string mistake = mistakeIn(parser, parsed, read.sliced(1)); !mistake.empty()) {
        return failure(mistake);
    }

    WindowCommandLine result;
    result.qtArguments = std::move(qtArguments);
    if (parser.isSet(QStringLiteral("version"))) {
        result.action = WindowCommandLine::Action::ShowVersion;
    } else if (parser.isSet(QStringLiteral("help"))) {
        result.action = WindowCommandLine::Action::ShowHelp;
    }
    if (parser.isSet(QStringLiteral("archive"))) {
        result.archive = parser.values(QStringLiteral("archive")).last().toStdString();
    }
    result.noArchive = parser.isSet(QStringLiteral("no-archive"));
    for (const QString& device : parser.values(QStringLiteral("port"))) {
        result.ports.push_back(device.toStdString());
    }
    return result;
}

}  // namespace pm
