#include "adapters/serial_port_names.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QtGlobal>
#include <algorithm>
#include <vector>

#include "adapters/qt_serial_control.h"
#include "fakes/file_helpers.h"
#include "fakes/pseudo_terminal.h"

namespace pm {
namespace {

using testing::ScopedEnv;

std::string text(const std::optional<QString>& path) {
    return path ? path->toStdString() : std::string("(none)");
}

TEST(SerialPortNames, ListEntriesSplitAtColonsAndSemicolons) {
    struct Case {
        const char* name;
        const char* list;
        QStringList entries;
    };
    const Case cases[] = {
        {"colons", "/dev/ttyUSB0:/dev/ttyACM0", {"/dev/ttyUSB0", "/dev/ttyACM0"}},
        {"semicolons and colons", "/dev/a;/dev/b:/dev/c", {"/dev/a", "/dev/b", "/dev/c"}},
        {"empty value lists nothing", "", {}},
        {"empty entries keep their place", "::/dev/pts/4", {"", "", "/dev/pts/4"}},
        {"spaces around entries", " /dev/a ; /dev/b", {"/dev/a", "/dev/b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(splitPortList(QString::fromUtf8(c.list)), c.entries);
    }
}

TEST(SerialPortNames, PortNumbersPickListEntries) {
    const QStringList devices{"/dev/ttyUSB0", "", "ttyACM1"};
    struct Case {
        int port;
        const char* expected;
    };
    const Case cases[] = {
        {1, "/dev/ttyUSB0"}, {2, "(none)"}, {3, "/dev/ttyACM1"},
        {4, "(none)"},       {0, "(none)"}, {-1, "(none)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        EXPECT_EQ(text(portFromList(devices, c.port)), c.expected);
    }
}

#ifndef Q_OS_WIN
TEST(SerialPortNames, EnvironmentListDecidesEveryPort) {
    {
        const ScopedEnv ports("PHASEMETER_PORTS", "/tmp/meter-a:/tmp/meter-b;/tmp/meter-c");
        EXPECT_EQ(text(devicePathForPort(1)), "/tmp/meter-a");
        EXPECT_EQ(text(devicePathForPort(3)), "/tmp/meter-c");
        EXPECT_EQ(text(devicePathForPort(4)), "(none)");
        EXPECT_EQ(text(devicePathForPort(16)), "(none)");
    }
    {
        // Set but empty: no port at all, and the system's own devices are never looked at.
        const ScopedEnv ports("PHASEMETER_PORTS", "");
        for (int port = 1; port <= 16; ++port) {
            EXPECT_EQ(text(devicePathForPort(port)), "(none)") << port;
        }
    }
}
#endif

TEST(SerialPortNames, UsbAdaptersComeFirstAndTheConsoleIsLeftOut) {
    struct Case {
        const char* name;
        QStringList devices;
        const char* consoleFile;  // nullptr: the file is missing
        QStringList expected;
    };
    const Case cases[] = {
        {"USB after built-in in the input, no console file",
         {"ttyS0", "ttyS1", "ttyUSB1", "ttyUSB0"},
         nullptr,
         {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyS0", "/dev/ttyS1"}},
        {"console ttyS0 left out",
         {"ttyS0", "ttyS1", "ttyUSB0"},
         "tty0 ttyS0\n",
         {"/dev/ttyUSB0", "/dev/ttyS1"}},
        {"ttyS10 after ttyS2",
         {"ttyS10", "ttyUSB10", "ttyS2", "ttyUSB2"},
         "tty0\n",
         {"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyS2", "/dev/ttyS10"}},
        {"ttyACM after ttyUSB",
         {"ttyAMA0", "ttyACM1", "ttyS0", "ttyACM0", "ttyUSB3"},
         "",
         {"/dev/ttyUSB3", "/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyAMA0", "/dev/ttyS0"}},
        {"a USB console is left out too",
         {"ttyUSB0", "ttyUSB1", "ttyAMA0"},
         "ttyAMA0 ttyUSB0",
         {"/dev/ttyUSB1"}},
    };
    const QTemporaryDir folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString activeFile = folder.filePath(QString::fromUtf8(c.name));
        if (c.consoleFile != nullptr) {
            testing::writeBytes(activeFile, c.consoleFile);
        }
        std::vector<SerialDevice> devices;
        for (const QString& name : c.devices) {
            devices.push_back({name, "/dev/" + name});
        }
        EXPECT_EQ(orderPortDevices(devices, consoleDeviceNames(activeFile)), c.expected);
    }
}

TEST(SerialPortNames, NaturalOrderCountsDigitsAsNumbers) {
    std::vector<QString> names{"ttyUSB10", "ttyS10",  "ttyUSB1", "ttyS2", "ttyACM0",
                               "ttyS1",    "ttyUSB0", "ttyS02",  "ttyS0", "ttyS100000000000000000"};
    std::sort(names.begin(), names.end(), naturalLess);
    const std::vector<QString> expected{
        "ttyACM0", "ttyS0",   "ttyS1",   "ttyS02", "ttyS2", "ttyS10", "ttyS100000000000000000",
        "ttyUSB0", "ttyUSB1", "ttyUSB10"};
    EXPECT_EQ(names, expected);
    EXPECT_FALSE(naturalLess("ttyS1", "ttyS1"));
    EXPECT_TRUE(naturalLess("ttyS", "ttyS0"));
    EXPECT_FALSE(naturalLess("ttyS0", "ttyS"));
}

TEST(SerialOpenFailure, QtErrorsBecomeOutcomes) {
    struct Case {
        const char* name;
        QSerialPort::SerialPortError error;
        const char* text;
        bool accessible;
        OpenOutcome expected;
    };
    const char* locking = "Permission error while locking the device";
    const Case cases[] = {
        {"missing device", QSerialPort::DeviceNotFoundError, "No such file or directory", false,
         OpenOutcome::NoSuchPort},
        {"lock held by another program", QSerialPort::PermissionError, locking, true,
         OpenOutcome::InUse},
        {"lock held, device not ours either", QSerialPort::PermissionError, locking, false,
         OpenOutcome::InUse},
        {"not in the dialout group", QSerialPort::PermissionError, "Permission denied", false,
         OpenOutcome::NoPermission},
        {"held exclusively without a lock file", QSerialPort::PermissionError,
         "Device or resource busy", true, OpenOutcome::InUse},
        {"no writable lock directory", QSerialPort::PermissionError,
         "Permission error while creating lock file", true, OpenOutcome::NoPermission},
        {"not a terminal", QSerialPort::UnsupportedOperationError, "Inappropriate ioctl for device",
         true, OpenOutcome::Failed},
        {"already open", QSerialPort::OpenError, "Device is already open", true,
         OpenOutcome::Failed},
        {"resource error", QSerialPort::ResourceError, "Input/output error", true,
         OpenOutcome::Failed},
        {"unknown error", QSerialPort::UnknownError, "Unknown error", true, OpenOutcome::Failed},
        {"failed without an error", QSerialPort::NoError, "", true, OpenOutcome::Failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(classifyOpenFailure(c.error, QString::fromUtf8(c.text), c.accessible),
                  c.expected);
    }
}

}  // namespace
}  // namespace pm
