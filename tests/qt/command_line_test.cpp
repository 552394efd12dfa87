// phasemeter's own options: what each asks for, what is left to Qt, and the line a mistake gets.
#include "qt/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace pm {
namespace {

using Action = WindowCommandLine::Action;

TEST(WindowCommandLine, OursAreTakenTheRestIsLeftToQt) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        Action action;
        std::optional<std::string> portList;
        std::vector<std::string> qtArguments;
        std::string error;
    };
    const Case cases[] = {
        {"nothing", {}, Action::Run, std::nullopt, {}, ""},
        {"ports in the order given",
         {"--port", "/dev/ttyUSB1", "-platform", "offscreen", "--port=ttyACM0", "--port", "/x"},
         Action::Run,
         "/dev/ttyUSB1:ttyACM0:/x",
         {"-platform", "offscreen"},
         ""},
        {"a lone double dash is Qt's",
         {"--", "-style", "fusion"},
         Action::Run,
         std::nullopt,
         {"--", "-style", "fusion"},
         ""},
        {"version",
         {"-platform", "xcb", "--version", "--bogus"},
         Action::ShowVersion,
         std::nullopt,
         {"-platform", "xcb"},
         ""},
        {"help before a mistake", {"--help", "--port"}, Action::ShowHelp, std::nullopt, {}, ""},
        {"unknown option",
         {"--port", "a", "--platform", "offscreen"},
         Action::Fail,
         std::nullopt,
         {},
         "phasemeter: unknown option '--platform'"},
        {"port without a device",
         {"-platform", "offscreen", "--port"},
         Action::Fail,
         std::nullopt,
         {},
         "phasemeter: option '--port' needs a device"},
        {"port with an empty device",
         {"--port="},
         Action::Fail,
         std::nullopt,
         {},
         "phasemeter: option '--port' needs a device"},
        {"port naming two devices",
         {"--port", "/dev/a:/dev/b"},
         Action::Fail,
         std::nullopt,
         {},
         "phasemeter: --port takes one device, without ':' or ';': '/dev/a:/dev/b'"},
        {"unknown option before version",
         {"--versio", "--version"},
         Action::Fail,
         std::nullopt,
         {},
         "phasemeter: unknown option '--versio'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WindowCommandLine got = parseWindowCommandLine(c.args);
        EXPECT_EQ(got.action, c.action);
        EXPECT_EQ(got.error, c.error);
        EXPECT_EQ(got.portList, c.portList);
        EXPECT_EQ(got.qtArguments, c.qtArguments);
    }
}

}  // namespace
}  // namespace pm
