#include "cli/meter_commands.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace pm {
namespace {

// Bad arguments end before the meter is looked for: one line naming what is wrong, status 2.
TEST(MeterCommands, BadArgumentsAreNamedOnOneLineWithStatusTwo) {
    using Command = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);
    struct Case {
        const char* name;
        Command command;
        std::vector<std::string> args;
        std::string named;
    };
    const Case cases[] = {
        {"read without a file", runReadCommand, {}, "--out FILE is missing"},
        {"read, --out without a value", runReadCommand, {"--out"}, "--out needs a value"},
        {"read, an empty port", runReadCommand, {"--out", "x.txt", "--port", ""}, "--port"},
        {"read, an unknown option", runReadCommand, {"--out", "x.txt", "--fast"}, "--fast"},
        {"read, an archive to file nothing in",
         runReadCommand,
         {"--out", "x.txt", "--archive", "a.sqlite"},
         "--archive"},
        {"live, zero seconds", runLiveCommand, {"--seconds", "0"}, "--seconds 0"},
        {"live, seconds not a number", runLiveCommand, {"--seconds", "3s"}, "--seconds 3s"},
        {"live, --csv without a file", runLiveCommand, {"--csv"}, "--csv needs a value"},
        {"live, JSON into the CSV file", runLiveCommand, {"--json", "--csv", "a.csv"}, "--json"},
        {"live, an unknown option", runLiveCommand, {"--out", "a.csv"}, "--out"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ostringstream out, err;
        EXPECT_EQ(c.command(c.args, out, err), 2);
        EXPECT_TRUE(out.str().empty());
        EXPECT_NE(err.str().find(c.named), std::string::npos) << err.str();
        EXPECT_EQ(err.str().find('\n'), err.str().size() - 1) << err.str();
    }
}

TEST(MeterCommands, HelpGoesToTheOutputWithStatusZero) {
    struct Case {
        const char* name;
        int (*command)(const std::vector<std::string>&, std::ostream&, std::ostream&);
        const char* usage;
    };
    const Case cases[] = {{"read", runReadCommand, kReadUsage},
                          {"live", runLiveCommand, kLiveUsage}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ostringstream out, err;
        EXPECT_EQ(c.command({"--port", "/dev/null", "--help"}, out, err), 0);
        EXPECT_EQ(out.str(), c.usage);
        EXPECT_TRUE(err.str().empty());
    }
}

}  // namespace
}  // namespace pm
