#include "qt/command_line.h"

#include <string_view>

namespace pm {

const char* const kWindowUsage =
    "Usage: phasemeter [--port DEVICE]... [Qt options]\n"
    "The companion of the three-clamp phase volt-ampere meter (智能型三钳相位伏安表), in a\n"
    "window: it finds the meter on a serial port, shows the live readings and the phasor\n"
    "diagram, reads the stored records, checks the wiring and records the readings over time.\n"
    "\n"
    "  --port DEVICE   look for the meter on DEVICE; each --port adds one device, in order,\n"
    "                  as ports 1, 2, ..., in place of PHASEMETER_PORTS\n"
    "  --version       print the version and exit\n"
    "  --help          show this text and exit\n"
    "\n"
    "Qt's own options take one dash, e.g. -platform offscreen.\n"
    "\n"
    "Environment:\n"
    "  PHASEMETER_PORTS  the devices that ports 1 to 16 stand for, separated by ':';\n"
    "                    where it is unset, the system's serial devices\n";

namespace {

WindowCommandLine failure(std::string line) {
    WindowCommandLine result;
    result.action = WindowCommandLine::Action::Fail;
    result.error = "phasemeter: " + std::move(line);
    return result;
}

}  // namespace

WindowCommandLine parseWindowCommandLine(const std::vector<std::string>& args) {
    WindowCommandLine result;
    for (std::size_t a = 0; a < args.size(); ++a) {
        const std::string_view arg = args[a];
        if (arg == "--version") {
            result.action = WindowCommandLine::Action::ShowVersion;
            return result;
        }
        if (arg == "--help") {
            result.action = WindowCommandLine::Action::ShowHelp;
            return result;
        }
        std::string device;
        if (arg == "--port") {
            if (a + 1 == args.size()) {
                return failure("option '--port' needs a device");
            }
            device = args[++a];
        } else if (arg.starts_with("--port=")) {
            device = arg.substr(7);
        } else if (arg.starts_with("--") && arg.size() > 2) {
            return failure("unknown option '" + args[a] + "'");
        } else {
            result.qtArguments.push_back(args[a]);
            continue;
        }
        if (device.empty()) {
            return failure("option '--port' needs a device");
        }
        result.ports.push_back(device);
    }
    return result;
}

}  // namespace pm
