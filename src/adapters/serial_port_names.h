#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace pm {

// Port numbers 1 to 16 stand for devices. Where PHASEMETER_PORTS is set (even to nothing) it is
// the whole list, so tests, the demo and a user with an odd set-up decide which devices are tried.
// Otherwise the system's serial devices are taken in the order of orderPortDevices: USB adapters
// first, the machine's own ports after them, the system console never. On Windows port n is COMn.
// Returns the device path, or nothing when no device stands behind that number.
std::optional<QString> devicePathForPort(int port);
// The device behind port n as a download names it: its path, or "COMn" when there is none.
std::string portDeviceName(int port);

// The devices named on the command line (--port), ports 1, 2, ... in order: they take the place of
// PHASEMETER_PORTS and of the system's list. Taken whole, so a name with ':' such as
// /dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0 stays one device.
void setPortDevices(const QStringList& devices);

// A serial device as the system lists it: its name ("ttyUSB0") and its path ("/dev/ttyUSB0").
struct SerialDevice {
    QString name;
    QString path;
};

// The paths of `devices` in port order: ttyUSB* devices, then ttyACM* devices, then every other
// device (the machine's own ttyS*, ttyAMA* and the like), each group in natural name order. A
// device whose name is one of `consoleNames` is left out: the handshake is never written to the
// system console.
QStringList orderPortDevices(std::vector<SerialDevice> devices, const QStringList& consoleNames);

// Where the kernel names the devices of the system console, separated by spaces.
inline constexpr char kConsoleActiveFile[] = "/sys/class/tty/console/active";

// The device names listed in `activeFile` (kConsoleActiveFile on a real machine); none when the
// file is missing or cannot be read.
QStringList consoleDeviceNames(const QString& activeFile);

// The entries of a PHASEMETER_PORTS value, split at ':' and ';'. Empty entries keep their place,
// so "::/dev/ttyUSB0" puts a device at port 3; an empty value lists no device at all.
QStringList splitPortList(const QString& list);

// The device behind port number `port` (1-based) of a list; nothing when the number is outside the
// list or the entry is empty. A bare name such as "ttyUSB0" means the device of that name in /dev.
std::optional<QString> portFromList(const QStringList& devices, int port);

// Name order in which the digits of a name count as one number: ttyS2 before ttyS10.
bool naturalLess(const QString& a, const QString& b);

}  // namespace pm
