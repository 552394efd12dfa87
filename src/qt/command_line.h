#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pm {

// What phasemeter's own options ask for. Ours are the long options --port, --version and --help;
// every other argument is left to QApplication (-platform, -style, ...), but an unknown option
// with two dashes is a mistake, not something to pass on.
struct WindowCommandLine {
    enum class Action { Run, ShowVersion, ShowHelp, Fail };
    Action action = Action::Run;
    // The --port devices in the order given; none when no --port was given, and the environment
    // decides.
    std::vector<std::string> ports;
    // --archive FILE (the last one given), and --no-archive.
    std::optional<std::string> archive;
    bool noArchive = false;
    // The arguments for QApplication, in their order, without the program name.
    std::vector<std::string> qtArguments;
    // With Fail: one line that names the option at fault.
    std::string error;
};

// `args` without the program name, read with QCommandLineParser. The first --version or --help
// from the left decides, unless a mistake comes before it: an unknown option, --port without a
// device or with an empty one (--port "", --port=), a value given to --version or --help.
WindowCommandLine parseWindowCommandLine(const std::vector<std::string>& args);

// The text of --help.
extern const char* const kWindowUsage;

}  // namespace pm
