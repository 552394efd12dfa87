// data/udev/60-phasemeter.rules, read line by line as key-operator-"value" pairs: each adapter
// the meters come with gets its serial device opened to the user at the seat and kept from
// ModemManager, by one line that holds both; other devices are left alone.
#include <fnmatch.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace pm {
namespace {

struct Pair {
    std::string key;
    std::string op;
    std::string value;
};
using RuleLine = std::vector<Pair>;
using Device = std::map<std::string, std::string>;  // key as a rule names it, and its value

// The pairs of one rule line: KEY or KEY{attr}, an operator, a quoted value, separated by commas.
RuleLine parseLine(const std::string& text) {
    RuleLine line;
    std::size_t at = 0;
    while (true) {
        at = text.find_first_not_of(" \t,", at);
        const std::size_t op = at == std::string::npos ? at : text.find_first_of("=!+-:", at);
        const std::size_t open = op == std::string::npos ? op : text.find('"', op);
        const std::size_t close = open == std::string::npos ? open : text.find('"', open + 1);
        if (close == std::string::npos) {
            return line;
        }
        auto trimmed = [](std::string part) {
            part.erase(part.find_last_not_of(" \t") + 1);
            return part;
        };
        line.push_back({trimmed(text.substr(at, op - at)), trimmed(text.substr(op, open - op)),
                        text.substr(open + 1, close - open - 1)});
        at = close + 1;
    }
}

std::vector<RuleLine> readRules(const char* path) {
    std::vector<RuleLine> rules;
    std::ifstream in(path);
    for (std::string text; std::getline(in, text);) {
        if (text.find_first_not_of(" \t") == std::string::npos || text[0] == '#') {
            continue;
        }
        rules.push_back(parseLine(text));
    }
    return rules;
}

// A udev pattern: shell globs, alternatives separated by '|'.
bool patternMatches(const std::string& pattern, const std::string& value) {
    std::size_t start = 0;
    for (std::size_t bar; (bar = pattern.find('|', start)) != std::string::npos; start = bar + 1) {
        if (::fnmatch(pattern.substr(start, bar - start).c_str(), value.c_str(), 0) == 0) {
            return true;
        }
    }
    return ::fnmatch(pattern.substr(start).c_str(), value.c_str(), 0) == 0;
}

bool lineMatches(const RuleLine& line, const Device& device) {
    return std::all_of(line.begin(), line.end(), [&](const Pair& p) {
        if (p.op != "==" && p.op != "!=") {
            return true;
        }
        const auto found = device.find(p.key);
        return (found != device.end() && patternMatches(p.value, found->second)) == (p.op == "==");
    });
}

bool carries(const RuleLine& line, const char* key, const char* op, const char* value) {
    return std::any_of(line.begin(), line.end(), [&](const Pair& p) {
        return p.key == key && p.op == op && p.value == value;
    });
}

// The tty device of a USB serial adapter being added.
Device usbSerial(const char* kernel, const char* vendor, const char* product, const char* driver) {
    return {{"ACTION", "add"},     {"SUBSYSTEM", "tty"},        {"KERNEL", kernel},
            {"SUBSYSTEMS", "usb"}, {"ATTRS{idVendor}", vendor}, {"ATTRS{idProduct}", product},
            {"DRIVERS", driver}};
}

TEST(UdevRule, ListedAdaptersGetTheSeatAndNoModemManager) {
    struct Case {
        const char* name;
        Device device;
        bool handled;
    };
    Device changed = usbSerial("ttyUSB0", "1a86", "7523", "ch341");
    changed["ACTION"] = "change";
    Device usbParent = usbSerial("1-1", "1a86", "7523", "usb");
    usbParent["SUBSYSTEM"] = "usb";
    const Case cases[] = {
        {"CH340", usbSerial("ttyUSB0", "1a86", "7523", "ch341"), true},
        {"CH341", usbSerial("ttyUSB0", "1a86", "5523", "ch341"), true},
        {"CP210x", usbSerial("ttyUSB1", "10c4", "ea60", "cp210x"), true},
        {"CP2105", usbSerial("ttyUSB2", "10c4", "ea70", "cp210x"), true},
        {"CP2108", usbSerial("ttyUSB3", "10c4", "ea71", "cp210x"), true},
        {"FT232R", usbSerial("ttyUSB0", "0403", "6001", "ftdi_sio"), true},
        {"FT2232", usbSerial("ttyUSB0", "0403", "6010", "ftdi_sio"), true},
        {"FT4232", usbSerial("ttyUSB0", "0403", "6011", "ftdi_sio"), true},
        {"FT232H", usbSerial("ttyUSB0", "0403", "6014", "ftdi_sio"), true},
        {"FT230X", usbSerial("ttyUSB0", "0403", "6015", "ftdi_sio"), true},
        {"PL2303", usbSerial("ttyUSB0", "067b", "2303", "pl2303"), true},
        {"PL2303GC", usbSerial("ttyUSB0", "067b", "23a3", "pl2303"), true},
        {"PL2303GT", usbSerial("ttyUSB0", "067b", "23c3", "pl2303"), true},
        {"PL2303GL", usbSerial("ttyUSB0", "067b", "23d3", "pl2303"), true},
        {"CDC ACM of any maker", usbSerial("ttyACM0", "2e8a", "000a", "cdc_acm"), true},
        {"tenth CDC ACM device", usbSerial("ttyACM10", "1234", "5678", "cdc_acm"), true},
        {"adapter seen again (change)", changed, true},
        {"unlisted adapter", usbSerial("ttyUSB0", "1234", "5678", "usbserial"), false},
        {"listed vendor, other product", usbSerial("ttyUSB0", "0403", "6002", "ftdi_sio"), false},
        {"the USB device, not its tty", usbParent, false},
    };
    const std::vector<RuleLine> rules = readRules(PHASEMETER_UDEV_RULE);
    ASSERT_FALSE(rules.empty()) << PHASEMETER_UDEV_RULE;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool handled = std::any_of(rules.begin(), rules.end(), [&](const RuleLine& line) {
            return lineMatches(line, c.device) && carries(line, "TAG", "+=", "uaccess") &&
                   carries(line, "ENV{ID_MM_DEVICE_IGNORE}", "=", "1");
        });
        EXPECT_EQ(handled, c.handled);
    }
}

TEST(UdevRule, FileSortsBeforeTheRulesThatReadIt) {
    const std::string name = std::filesystem::path(PHASEMETER_UDEV_RULE).filename().string();
    EXPECT_LT(name, "73-seat-late.rules");  // applies the uaccess tag
    EXPECT_LT(name, "77-mm-");              // ModemManager's first rules
}

}  // namespace
}  // namespace pm
