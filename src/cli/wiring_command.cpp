#include "cli/wiring_command.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "analysis/wiring_check.h"
#include "cli/command_options.h"
#include "output/wiring_text.h"
#include "protocol/measurement_frame.h"
#include "protocol/request_frames.h"

namespace pm {

const char* const kWiringUsage =
    "Usage: phasemeter-cli wiring --frame HEX [options]\n"
    "Checks the wiring of an energy-meter installation from one measurement frame (39 bytes in\n"
    "hexadecimal, spaces allowed) and prints the analysis, one key=value line each.\n"
    "\n"
    "  --system 3p4w|3p3w    three-phase four-wire (default) or three-wire\n"
    "  --load-angle FROM:TO  range of the true load angle in degrees (default 0:60)\n"
    "  --export              the installation exports power\n"
    "  --pt                  four-wire through voltage transformers (a reversed PT is possible)\n"
    "  --b-terminal N        three-wire: terminal 1..3 of phase b\n"
    "  --pf X                average power factor, for the correction factor at it\n"
    "  --energy KWH          energy the meter recorded, for the energy to back-bill\n"
    "  --record N            the frame is stored record N (default: live data)\n"
    "  --help                show this text\n";

namespace {

std::optional<std::vector<std::uint8_t>> hexBytes(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if (c == ' ' || c == ':' || c == '-') {
            continue;
        }
        digits += c;
    }
    if (digits.size() != 2 * kFrameLength) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t at = 0; at < digits.size(); at += 2) {
        std::uint8_t byte = 0;
        const auto [end, error] =
            std::from_chars(digits.data() + at, digits.data() + at + 2, byte, 16);
        if (error != std::errc{} || end != digits.data() + at + 2) {
            return std::nullopt;
        }
        bytes.push_back(byte);
    }
    return bytes;
}

std::optional<double> number(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

int runWiringCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto fail = [&err](const std::string& what) {
        err << "phasemeter-cli wiring: " << what << "\n";
        return 2;
    };
    QCommandLineParser parser;
    QList<QCommandLineOption> table;
    // The options with a value, as kWiringUsage names it, and the two without one.
    for (const auto& [name, valueName] : {std::pair{"frame", "HEX"},
                                          {"system", "3p4w|3p3w"},
                                          {"load-angle", "FROM:TO"},
                                          {"b-terminal", "N"},
                                          {"pf", "X"},
                                          {"energy", "KWH"},
                                          {"record", "N"}}) {
        table.append(QCommandLineOption(QString::fromLatin1(name), QString(),
                                        QString::fromLatin1(valueName)));
    }
    table.append(QCommandLineOption(QStringLiteral("export")));
    table.append(QCommandLineOption(QStringLiteral("pt")));
    if (const std::optional<int> status =
            answerCommandOptions(parser, "wiring", table, args, kWiringUsage, out, err)) {
        return *status;
    }
    // The value of each option given, the last one where it is given twice.
    auto value = [&parser](const char* name) -> std::optional<std::string> {
        const QString option = QString::fromLatin1(name);
        return parser.isSet(option) ? std::optional(parser.value(option).toStdString())
                                    : std::nullopt;
    };

    WiringOptions options;
    std::optional<std::vector<std::uint8_t>> frame;
    std::string source = liveSourceText();
    if (parser.isSet(QStringLiteral("export"))) {
        options.direction = PowerDirection::Export;
    }
    options.viaVoltageTransformers = parser.isSet(QStringLiteral("pt"));
    if (const auto v = value("frame")) {
        frame = hexBytes(*v);
        if (!frame) {
            return fail("--frame is not " + std::to_string(kFrameLength) +
                        " bytes of hexadecimal: " + *v);
        }
    }
    if (const auto v = value("system")) {
        if (*v != "3p4w" && *v != "3p3w") {
            return fail("--system must be 3p4w or 3p3w, not " + *v);
        }
        options.system = *v == "3p4w" ? WiringSystem::FourWire : WiringSystem::ThreeWire;
    }
    if (const auto v = value("load-angle")) {
        const std::size_t colon = v->find(':');
        const std::optional<double> from = colon == std::string::npos
                                               ? std::nullopt
                                               : number(std::string_view(*v).substr(0, colon));
        const std::optional<double> to = colon == std::string::npos
                                             ? std::nullopt
                                             : number(std::string_view(*v).substr(colon + 1));
        if (!from || !to || !(*from < *to) || *to - *from >= 360) {
            return fail("--load-angle must be FROM:TO with FROM < TO, not " + *v);
        }
        options.loadFrom = *from;
        options.loadTo = *to;
    }
    if (const auto v = value("b-terminal")) {
        if (*v != "1" && *v != "2" && *v != "3") {
            return fail("--b-terminal must be 1, 2 or 3, not " + *v);
        }
        options.bTerminal = (*v)[0] - '0';
    }
    if (const auto v = value("pf")) {
        const std::optional<double> pf = number(*v);
        if (!pf || *pf < -1 || *pf > 1) {
            return fail("--pf must be a power factor from -1 to 1, not " + *v);
        }
        options.averagePowerFactor = pf;
    }
    if (const auto v = value("energy")) {
        const std::optional<double> energy = number(*v);
        if (!energy) {
            return fail("--energy must be a number of kWh, not " + *v);
        }
        options.meteredEnergy = energy;
    }
    if (const auto v = value("record")) {
        const std::optional<double> record = number(*v);
        if (!record || *record < kFirstRecordNumber || *record > kLastRecordNumber ||
            *record != static_cast<int>(*record)) {
            return fail("--record must be a record number from 1 to 10000, not " + *v);
        }
        source = recordSourceText(static_cast<int>(*record));
    }
    if (!frame) {
        return fail("--frame is missing");
    }
    const WiringResult result = checkWiring(wiringReading(*frame), options);
    for (const std::string& line :
         wiringReportLines(source, options, wiringReadingTexts(*frame, NumberFormat{}), result)) {
        out << line << "\n";
    }
    return 0;
}

}  // namespace pm
