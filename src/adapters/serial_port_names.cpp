#include "adapters/serial_port_names.h"

#include <QFile>
#include <QSerialPortInfo>
#include <QtGlobal>
#include <algorithm>
#include <utility>
#include <vector>

namespace pm {
namespace {

constexpr char kPortListVariable[] = "PHASEMETER_PORTS";

// Set once at start, before the scan asks for a port; nothing when no --port was given.
std::optional<QStringList>& portDevices() {
    static std::optional<QStringList> devices;
    return devices;
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Compares the digit runs starting at a[i] and b[j] as numbers and moves both indexes past them.
// Returns <0, 0 or >0.
int compareNumbers(const QString& a, qsizetype& i, const QString& b, qsizetype& j) {
    auto skipZeros = [](const QString& s, qsizetype& k) {
        while (k < s.size() && s[k] == QLatin1Char('0')) {
            ++k;
        }
    };
    skipZeros(a, i);
    skipZeros(b, j);
    const qsizetype startA = i;
    const qsizetype startB = j;
    while (i < a.size() && isDigit(a[i])) {
        ++i;
    }
    while (j < b.size() && isDigit(b[j])) {
        ++j;
    }
    // Without leading zeros, the longer digit run is the larger number: no overflow for long runs.
    const qsizetype lengthA = i - startA;
    const qsizetype lengthB = j - startB;
    if (lengthA != lengthB) {
        return lengthA < lengthB ? -1 : 1;
    }
    return QStringView(a).mid(startA, lengthA).compare(QStringView(b).mid(startB, lengthB));
}

// The meter comes with a USB serial cable, so the ports of USB adapters are tried first.
int deviceGroup(const QString& name) {
    if (name.startsWith(QLatin1String("ttyUSB"))) {
        return 0;
    }
    if (name.startsWith(QLatin1String("ttyACM"))) {
        return 1;
    }
    return 2;
}

#ifndef Q_OS_WIN
QStringList systemSerialDevices() {
    std::vector<SerialDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        devices.push_back({info.portName(), info.systemLocation()});
    }
    return orderPortDevices(std::move(devices),
                            consoleDeviceNames(QString::fromLatin1(kConsoleActiveFile)));
}
#endif

}  // namespace

QStringList splitPortList(const QString& list) {
    if (list.isEmpty()) {
        return {};
    }
    QStringList entries;
    qsizetype start = 0;
    for (qsizetype k = 0; k <= list.size(); ++k) {
        if (k == list.size() || list[k] == QLatin1Char(':') || list[k] == QLatin1Char(';')) {
            entries.append(list.mid(start, k - start).trimmed());
            start = k + 1;
        }
    }
    return entries;
}

std::optional<QString> portFromList(const QStringList& devices, int port) {
    if (port < 1 || port > devices.size()) {
        return std::nullopt;
    }
    const QString& entry = devices[port - 1];
    if (entry.isEmpty()) {
        return std::nullopt;
    }
    if (!entry.contains(QLatin1Char('/'))) {
        return QStringLiteral("/dev/") + entry;
    }
    return entry;
}

bool naturalLess(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const int order = compareNumbers(a, i, b, j);
            if (order != 0) {
                return order < 0;
            }
            continue;
        }
        if (a[i] != b[j]) {
            return a[i] < b[j];
        }
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) {
        return j < b.size() && i >= a.size();
    }
    // Equal as numbers ("ttyS01" and "ttyS1"): the plain text order keeps the order strict.
    return a < b;
}

QStringList orderPortDevices(std::vector<SerialDevice> devices, const QStringList& consoleNames) {
    std::erase_if(devices,
                  [&](const SerialDevice& device) { return consoleNames.contains(device.name); });
    std::stable_sort(devices.begin(), devices.end(), [](const auto& a, const auto& b) {
        const int groupA = deviceGroup(a.name);
        const int groupB = deviceGroup(b.name);
        return groupA != groupB ? groupA < groupB : naturalLess(a.name, b.name);
    });
    QStringList paths;
    for (const SerialDevice& device : devices) {
        paths.append(device.path);
    }
    return paths;
}

QStringList consoleDeviceNames(const QString& activeFile) {
    QFile file(activeFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    return QString::fromLatin1(file.readAll())
        .simplified()
        .split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

void setPortDevices(const QStringList& devices) {
    portDevices() = devices;
}

std::string portDeviceName(int port) {
    const std::optional<QString> path = devicePathForPort(port);
    return path ? path->toStdString() : "COM" + std::to_string(port);
}

std::optional<QString> devicePathForPort(int port) {
    if (portDevices()) {
        return portFromList(*portDevices(), port);
    }
#ifdef Q_OS_WIN
    if (port < 1) {
        return std::nullopt;
    }
    return QStringLiteral("COM%1").arg(port);
#else
    if (qEnvironmentVariableIsSet(kPortListVariable)) {
        return portFromList(splitPortList(qEnvironmentVariable(kPortListVariable)), port);
    }
    return portFromList(systemSerialDevices(), port);
#endif
}

}  // namespace pm
