#include "cli/meter_session.h"

#include <QEventLoop>
#include <QLocale>
#include <QTimer>
#include <csignal>
#include <ostream>

#include "adapters/qt_number_format.h"
#include "adapters/serial_port_names.h"

namespace pm {
namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void onInterrupt(int) {
    gInterrupted = 1;
}

}  // namespace

bool interrupted() {
    return gInterrupted != 0;
}

void catchInterrupt() {
    std::signal(SIGINT, onInterrupt);
}

MeterSession::MeterSession(const std::string& device, std::ostream& err, Archive* archive)
    : err_(err), desktop_(err) {
    if (!device.empty()) {
        setPortDevices({QString::fromStdString(device)});
    }
    form_ = std::make_unique<Form1>(
        PlatformSet{scheduler_, clock_, surface_, wiringSurface_, serial_, grid_, desktop_, dialog_,
                    files_, snapshot_, workbook_, printer_, trendLog_, chartSnapshot_,
                    numberFormatOf(QLocale::system()), archive, portDeviceName});
}

MeterSession::~MeterSession() {
    line_.close();
}

bool MeterSession::ready() const {
    return form_->state().linked && !form_->window().Findcom.enabled();
}

int MeterSession::run(const std::function<std::optional<int>()>& step) {
    form_->Form_Load();
    QEventLoop loop;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (form_->state().linked && !everLinked_) {
            everLinked_ = true;
            linkedPort_ = line_.commPort();
        }
        if (const std::optional<int> status = step()) {
            watch.stop();
            loop.exit(*status);
        }
    });
    watch.start(50);
    return loop.exec();
}

std::string MeterSession::portText(int port) {
    std::string text = "port " + std::to_string(port);
    if (const std::optional<QString> path = devicePathForPort(port)) {
        text += " (" + path->toStdString() + ")";
    }
    return text;
}

void MeterSession::reportNoMeter(const std::string& command) const {
    err_ << "phasemeter-cli " << command << ": no meter found on ports 1 to " << kLastPort;
    bool anyDevice = false;
    for (int port = 1; port <= kLastPort; ++port) {
        const std::optional<OpenOutcome> outcome = serial_.outcome(port);
        // A port named in the list but without its device is worth naming; the numbers
        // beyond the list are not.
        if (outcome && (*outcome != OpenOutcome::NoSuchPort || devicePathForPort(port))) {
            err_ << "\n  " << portText(port) << ": " << openOutcomeReason(*outcome);
            anyDevice = true;
        }
    }
    if (!anyDevice) {
        err_ << ": no serial device behind any of them";
    }
    err_ << "\n";
}

}  // namespace pm
