// phasemeter's own options: what each asks for, what is left to Qt, and the line a mistake gets.
#include "qt/command_line.h"

#include <gtest/gtest.h>

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
        std::vector<std::string> ports;
        std::vector<std::string> qtArguments;
        std::string error;
    };
    const Case cases[] = {
        {"nothing", {}, Action::Run, {}, {}, ""},
        {"ports in the order given",
         {"--port", "/dev/ttyUSB1", "-platform", "offscreen", "--port=ttyACM0", "--port", "/x"},
         Action::Run,
         {"/dev/ttyUSB1", "ttyACM0", "/x"},
         {"-platform", "offscreen"},
         ""},
        {"a lone double dash is Qt's",
         {"--", "-style", "fusion"},
         Action::Run,
         {},
         {"--", "-style", "fusion"},
         ""},
        {"version",
         {"-platform", "xcb", "--version", "--bogus"},
         Action::ShowVersion,
         {},
         {"-platform", "xcb"},
         ""},
        {"help before a mistake", {"--help", "--port"}, Action::ShowHelp, {}, {}, ""},
        {"unknown option",
         {"--port", "a", "--platform", "offscreen"},
         Action::Fail,
         {},
         {},
         "phasemeter: unknown option '--platform'"},
        {"port without a device",
         {"-platform", "offscreen", "--port"},
         Action::Fail,
         {},
         {},
         "phasemeter: option '--port' needs a device"},
        {"port with an empty device",
         {"--port="},
         Action::Fail,
         {},
         {},
         "phasemeter: option '--port' needs a device"},
        {"a device name with colons stays one device",
         {"--port", "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0"},
         Action::Run,
         {"/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0"},
         {},
         ""},
        {"unknown option before version",
         {"--versio", "--version"},
         Action::Fail,
         {},
         {},
         "phasemeter: unknown option '--versio'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WindowCommandLine got = parseWindowCommandLine(c.args);
        EXPECT_EQ(got.action, c.action);
        EXPECT_EQ(got.error, c.error);
        EXPECT_EQ(got.ports, c.ports);
        EXPECT_EQ(got.qtArguments, c.qtArguments);
    }
}

}  // namespace
}  // namespace pm
