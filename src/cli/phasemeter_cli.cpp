// phasemeter-cli: the meter's companion without a window, for scripts and small computers.
#include <QCoreApplication>
#include <QGuiApplication>
#include <iostream>
#include <string>
#include <vector>

#include "cli/archive_command.h"
#include "cli/meter_commands.h"
#include "cli/report_command.h"
#include "cli/wiring_command.h"
#include "core/version.h"

namespace {

constexpr const char* kUsage =
    "Usage: phasemeter-cli COMMAND [options]\n"
    "\n"
    "Commands:\n"
    "  read      read the meter's stored records into a text file or a workbook\n"
    "  live      write the meter's live readings as CSV or JSON lines\n"
    "  wiring    check the wiring of an installation from one measurement frame\n"
    "  archive   list, add to and export from the site archive\n"
    "  report    write the record of a filed wiring check as a PDF file\n"
    "\n"
    "  phasemeter-cli COMMAND --help   the options of a command\n"
    "  phasemeter-cli --version        the version\n";

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    // The first argument is the command, or --help or --version; each command reads its own
    // options (cli/command_options.h). A mistake gets one line on stderr, as a command's do.
    if (args.empty()) {
        std::cerr << "phasemeter-cli: no command given: read, live, wiring, archive or report (see "
                     "phasemeter-cli --help)\n";
        return 2;
    }
    if (args.front() == "--help") {
        std::cout << kUsage;
        return 0;
    }
    if (args.front() == "--version") {
        std::cout << "phasemeter-cli " << pm::kVersion << "\n";
        return 0;
    }
    if (args.front() == "wiring") {
        return pm::runWiringCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    }
    if (args.front() == "archive") {
        // The archive is on Qt SQL, which needs the application object.
        QCoreApplication application(argc, argv);
        return pm::runArchiveCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    }
    if (args.front() == "report") {
        // Text is measured and painted in the system's fonts, which needs the GUI application;
        // nothing is shown, so no display is needed either.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        QGuiApplication application(argc, argv);
        return pm::runReportCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    }
    if (args.front() == "read" || args.front() == "live") {
        // The line to the meter runs on Qt's event loop, as in the window.
        QCoreApplication application(argc, argv);
        const std::vector<std::string> options(args.begin() + 1, args.end());
        return args.front() == "read" ? pm::runReadCommand(options, std::cout, std::cerr)
                                      : pm::runLiveCommand(options, std::cout, std::cerr);
    }
    std::cerr << "phasemeter-cli: unknown command " << args.front() << "\n";
    return 2;
}
