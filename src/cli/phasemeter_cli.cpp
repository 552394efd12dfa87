// phasemeter-cli: the meter's companion without a window, for scripts and small computers.
#include <iostream>
#include <string>
#include <vector>

#include "cli/wiring_command.h"

namespace {

constexpr const char* kUsage =
    "Usage: phasemeter-cli COMMAND [options]\n"
    "\n"
    "Commands:\n"
    "  wiring    check the wiring of an installation from one measurement frame\n"
    "\n"
    "  phasemeter-cli COMMAND --help   the options of a command\n"
    "  phasemeter-cli --version        the version\n";

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args.front() == "--help") {
        (args.empty() ? std::cerr : std::cout) << kUsage;
        return args.empty() ? 2 : 0;
    }
    if (args.front() == "--version") {
        std::cout << "phasemeter-cli " << PHASEMETER_VERSION << "\n";
        return 0;
    }
    if (args.front() == "wiring") {
        return pm::runWiringCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
    }
    std::cerr << "phasemeter-cli: unknown command " << args.front() << "\n" << kUsage;
    return 2;
}
