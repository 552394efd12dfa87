#pragma once

// A program's options as a table, for the programs that do not link Qt (phasemeter-sim); the ones
// that do read theirs with QCommandLineParser, by the same rules. Standard C++ only.
//
// Each row names one option, says whether it takes a value (and what the usage calls it), gives
// its text in the usage and the target that takes its value. The rules:
//   --name VALUE and --name=VALUE give a value; an empty one (--name "", --name=) is missing;
//   an option without a value takes no "=VALUE";
//   an unknown option or an argument that is no option is a mistake;
//   options are read from the left: the first mistake ends the reading, and so does a row marked
//   `last` (--help, --version), what follows it unread.

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pm::options {

struct Option {
    std::string_view name;   // with its dashes: "--records"
    std::string_view value;  // the value's name in the usage ("N"); empty: the option takes none
    std::string_view help;   // its text in the usage; each '\n' starts a further line
    // Takes the value ("" for an option without one); false when the value is bad.
    std::function<bool(std::string_view value)> target;
    bool last = false;  // the reading ends after this option
};

// Reads `args` (without the program's name) against `table`, calling each option's target in
// the order given. Returns the one line that names the mistake ("unknown option --fast",
// "--records needs a value", "bad value for --drop: 2", ...), without the program's name; ""
// when there is none.
std::string readOptions(std::span<const Option> table, const std::vector<std::string_view>& args);

// The usage's lines for `table`: each option with its value's name from column 2, its text from
// `column`, further lines of the text indented to `column`.
std::string optionLines(std::span<const Option> table, std::size_t column);

}  // namespace pm::options
