#include "cli/headless_platform.h"

#include <ostream>

namespace pm {

void StderrDesktop::showMessage(MessageIcon, const std::string& title, const std::string& text) {
    std::string oneLine = text;
    for (char& c : oneLine) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    err_ << "phasemeter-cli: " << title << ": " << oneLine << "\n";
}

std::optional<OpenOutcome> WatchedSerial::outcome(int port) const {
    if (port < 1 || port > kLastPort) {
        return std::nullopt;
    }
    return outcomes_[static_cast<std::size_t>(port)];
}

OpenOutcome WatchedSerial::open() {
    // The seventeenth open of the scan would start the second round: by then port 16 has had its
    // half second to answer, and a command that gives up does so without opening port 1 again.
    if (opens_ >= kLastPort) {
        roundDone_ = true;
        return OpenOutcome::Failed;
    }
    ++opens_;
    const OpenOutcome result = line_.open();
    const int port = line_.commPort();
    if (port >= 1 && port <= kLastPort) {
        outcomes_[static_cast<std::size_t>(port)] = result;
    }
    return result;
}

std::string openOutcomeReason(OpenOutcome outcome) {
    switch (outcome) {
        case OpenOutcome::Opened:
            return "no answer to the handshake";
        case OpenOutcome::InUse:
            return "in use by another program";
        case OpenOutcome::NoSuchPort:
            return "no such device";
        case OpenOutcome::NoPermission:
            return "not allowed for this user (is the user in the group dialout?)";
        case OpenOutcome::Failed:
            break;
    }
    return "could not be opened";
}

}  // namespace pm
