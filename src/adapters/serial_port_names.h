#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace pm {

// Port numbers 1 to 16 stand for devices. Where PHASEMETER_PORTS is set (even to nothing) it is
// the whole list, so tests, the demo and a user with an odd set-up decide which devices are tried;
// otherwise the system's serial devices are taken in natural name order. On Windows port n is COMn.
// Returns the device path, or nothing when no device stands behind that number.
std::optional<QString> devicePathForPort(int port);

// The entries of a PHASEMETER_PORTS value, split at ':' and ';'. Empty entries keep their place,
// so "::/dev/ttyUSB0" puts a device at port 3; an empty value lists no device at all.
QStringList splitPortList(const QString& list);

// The device behind port number `port` (1-based) of a list; nothing when the number is outside the
// list or the entry is empty. A bare name such as "ttyUSB0" means the device of that name in /dev.
std::optional<QString> portFromList(const QStringList& devices, int port);

// Name order in which the digits of a name count as one number: ttyS2 before ttyS10.
bool naturalLess(const QString& a, const QString& b);

}  // namespace pm
