#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pm {

// Reads a command's arguments (without the program's and the command's names) with `parser`,
// given the command's `options`; --help is added to them. The same rules for every command, and
// those of the window and of phasemeter-sim:
//   --name VALUE and --name=VALUE give a value; an empty one (--name "", --name=) is missing;
//   an option without a value takes no "=VALUE";
//   an unknown option or an argument that is no option is a mistake;
//   the first --help from the left ends the reading, what follows it unread.
// Returns the one line that names a mistake before that --help (anywhere when there is none),
// without the command's name ("unknown option --fast", "--out needs a value"); "" when there is
// none, and `parser` then holds what was read, parser.isSet("help") among it.
std::string readCommandOptions(QCommandLineParser& parser, QList<QCommandLineOption> options,
                               const std::vector<std::string>& args);

// readCommandOptions for the command `name` ("read"), and the answer every command gives alike:
// for a mistake its line on `err` ("phasemeter-cli read: unknown option --fast") and status 2,
// for --help `usage` on `out` and status 0; nothing when the command goes on with `parser`.
std::optional<int> answerCommandOptions(QCommandLineParser& parser, std::string_view name,
                                        QList<QCommandLineOption> options,
                                        const std::vector<std::string>& args,
                                        std::string_view usage, std::ostream& out,
                                        std::ostream& err);

}  // namespace pm
