// phasemeter-sim: the simulated meter on a pseudo-terminal, so that the real program, its real
// serial port and its real event loop can be run without an instrument.
//
// The slave side of the pty is what the program opens; this process answers on the master side.
// It keeps a descriptor of the slave open itself: without it the master reports a hang-up each
// time the program closes the port during its scan (and poll() would spin on it), and the line
// settings would be forgotten between two opens.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/version.h"
#include "options/option_table.h"
#include "simulator/instrument_simulator.h"

namespace {

using pm::sim::InstrumentSimulator;
using pm::sim::Request;
using pm::sim::RequestKind;

struct Options {
    std::string link;
    int records = 10;
    std::int64_t delayMs = 20;
    std::int64_t jitterMs = 0;
    int baud = 9600;
    int unanswered = 0;
    double drop = 0.0;
    double garbage = 0.0;
    int pieces = 1;
    std::optional<double> silentAfterSeconds;
    std::uint64_t seed = 1;
    std::optional<pm::sim::Phasors> phasors;
    double noise = 0.0;
    bool verbose = false;
};

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int) {
    stopRequested = 1;
}

bool parseInteger(std::string_view text, long long lo, long long hi, long long& out) {
    const std::string s(text);
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (s.empty() || errno != 0 || *end != '\0' || v < lo || v > hi) {
        return false;
    }
    out = v;
    return true;
}

bool parseReal(std::string_view text, double lo, double hi, double& out) {
    const std::string s(text);
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(s.c_str(), &end);
    if (s.empty() || errno != 0 || *end != '\0' || !std::isfinite(v) || v < lo || v > hi) {
        return false;
    }
    out = v;
    return true;
}

// The targets of the option table: each takes its value into `out` if it is in range.
template <typename T>
std::function<bool(std::string_view)> wholeNumber(T& out, long long lo, long long hi) {
    return [&out, lo, hi](std::string_view text) {
        long long n = 0;
        if (!parseInteger(text, lo, hi, n)) {
            return false;
        }
        out = static_cast<T>(n);
        return true;
    };
}

template <typename T>
std::function<bool(std::string_view)> realNumber(T& out, double lo, double hi) {
    return [&out, lo, hi](std::string_view text) {
        double x = 0.0;
        if (!parseReal(text, lo, hi, x)) {
            return false;
        }
        out = x;
        return true;
    };
}

enum class Action { Serve, ShowHelp, ShowVersion };

// phasemeter-sim's options, in the order of the usage.
std::vector<pm::options::Option> optionTable(Options& o, Action& action) {
    return {
        {"--link", "PATH",
         "also make PATH a symbolic link to the device and print PATH;\n"
         "the link is removed on exit",
         [&o](std::string_view path) {
             o.link = std::string(path);
             return true;
         }},
        {"--records", "N", "stored records, 0..65535 (default 10)",
         wholeNumber(o.records, 0, pm::sim::kMaxRecordCount)},
        {"--delay", "MS", "reply latency in milliseconds (default 20)",
         wholeNumber(o.delayMs, 0, 3'600'000)},
        {"--jitter", "MS", "each reply's latency up to MS earlier or later (default 0)",
         wholeNumber(o.jitterMs, 0, 3'600'000)},
        {"--baud", "N",
         "the line's speed: each reply's bytes follow each other at N baud,\n"
         "10 bits a byte (default 9600); 0 sends each reply at once",
         wholeNumber(o.baud, 0, 4'000'000)},
        {"--unanswered", "N", "never answer stored record N",
         wholeNumber(o.unanswered, 1, pm::sim::kMaxRecordCount)},
        {"--drop", "RATE", "probability 0..1 that a reply is not sent (default 0)",
         realNumber(o.drop, 0.0, 1.0)},
        {"--garbage", "RATE", "probability 0..1 that a reply is replaced by random bytes",
         realNumber(o.garbage, 0.0, 1.0)},
        {"--pieces", "K",
         "with --baud 0, send each reply in K pieces a few milliseconds\n"
         "apart (default 1)",
         wholeNumber(o.pieces, 1, 39)},
        {"--silent-after", "SECS", "stop answering this many seconds after start",
         realNumber(o.silentAfterSeconds, 0.0, 1e6)},
        {"--seed", "S", "seed of the readings and random choices (default 1)",
         wholeNumber(o.seed, 0, INT64_MAX)},
        {"--phasors", "SET",
         "make every reading from these phasors instead: for channels 1, 2\n"
         "and 3 magnitude@degrees, the degrees clockwise from U1, e.g.\n"
         "\"U=220@0,220@240,220@120 I=5@20,5@260,5@140\"",
         [&o](std::string_view set) {
             o.phasors = pm::sim::parsePhasors(set);
             return o.phasors.has_value();
         }},
        {"--noise", "DEG",
         "with --phasors, a random error of up to +-DEG degrees (0..180)\n"
         "on each phasor's angle in each live reading (default 0)",
         realNumber(o.noise, 0.0, 180.0)},
        {"--verbose", "", "log every request to stderr",
         [&o](std::string_view) {
             o.verbose = true;
             return true;
         }},
        {"--version", "", "print the version and exit",
         [&action](std::string_view) {
             action = Action::ShowVersion;
             return true;
         },
         true},
        {"--help", "", "show this text and exit",
         [&action](std::string_view) {
             action = Action::ShowHelp;
             return true;
         },
         true},
    };
}

std::string usage(const std::vector<pm::options::Option>& table) {
    return "Usage: phasemeter-sim [options]\n"
           "Serves a simulated phase meter on a pseudo-terminal and prints the device path.\n"
           "\n" +
           pm::options::optionLines(table, 24) +
           "\n"
           "Stops on SIGINT or SIGTERM.\n";
}

// Returns 0 to go on, or the exit status to leave with. A mistake gets one line on stderr.
int parseOptions(int argc, char** argv, Options& o) {
    Action action = Action::Serve;
    const std::vector<pm::options::Option> table = optionTable(o, action);
    const std::string mistake =
        pm::options::readOptions(table, {argv + (argc > 0 ? 1 : 0), argv + argc});
    if (!mistake.empty()) {
        std::fprintf(stderr, "phasemeter-sim: %s\n", mistake.c_str());
        return 2;
    }
    if (action == Action::ShowHelp) {
        std::fputs(usage(table).c_str(), stdout);
        return -1;
    }
    if (action == Action::ShowVersion) {
        std::printf("phasemeter-sim %s\n", pm::kVersion);
        return -1;
    }
    // Noise on the generated readings would go unnoticed among their own jitter: say so rather
    // than let the option pass for having worked.
    if (o.noise > 0.0 && !o.phasors) {
        std::fputs("phasemeter-sim: --noise needs --phasors\n", stderr);
        return 2;
    }
    return 0;
}

std::int64_t monotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

const char* kindName(RequestKind kind) {
    switch (kind) {
        case RequestKind::Handshake:
            return "handshake";
        case RequestKind::RecordCount:
            return "record count";
        case RequestKind::LiveData:
            return "live data";
        case RequestKind::StoredRecord:
            return "stored record";
        case RequestKind::ClockSet:
            return "clock set";
        case RequestKind::Unknown:
            break;
    }
    return "not understood";
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char two[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02X", b);
        if (!out.empty()) {
            out += ' ';
        }
        out += two;
    }
    return out;
}

// The pseudo-terminal, its held slave descriptor and the optional link, released in reverse.
class Terminal {
  public:
    ~Terminal() {
        if (!link_.empty()) {
            ::unlink(link_.c_str());
        }
        if (slave_ >= 0) {
            ::close(slave_);
        }
        if (master_ >= 0) {
            ::close(master_);
        }
    }

    bool open() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            return fail("cannot create a pseudo-terminal");
        }
        const char* name = ::ptsname(master_);
        if (name == nullptr) {
            return fail("cannot name the pseudo-terminal");
        }
        device_ = name;
        slave_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY);
        if (slave_ < 0) {
            return fail("cannot open the pseudo-terminal's device");
        }
        // Raw: no echo of the requests back to the program, no line editing, no CR/LF games.
        termios settings{};
        if (::tcgetattr(slave_, &settings) != 0) {
            return fail("cannot read the line settings");
        }
        ::cfmakeraw(&settings);
        ::cfsetispeed(&settings, B9600);
        ::cfsetospeed(&settings, B9600);
        if (::tcsetattr(slave_, TCSANOW, &settings) != 0) {
            return fail("cannot set the line to raw mode");
        }
        const int flags = ::fcntl(master_, F_GETFL);
        if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
            return fail("cannot make the pseudo-terminal non-blocking");
        }
        return true;
    }

    // A stale link left by an earlier run is replaced; anything that is not a link is kept.
    bool makeLink(const std::string& path) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                std::fprintf(stderr, "phasemeter-sim: %s exists and is not a link; left alone\n",
                             path.c_str());
                return false;
            }
            ::unlink(path.c_str());
        }
        if (::symlink(device_.c_str(), path.c_str()) != 0) {
            return fail(("cannot create the link " + path).c_str());
        }
        link_ = path;
        return true;
    }

    int master() const { return master_; }
    const std::string& device() const { return device_; }

  private:
    static bool fail(const char* what) {
        std::fprintf(stderr, "phasemeter-sim: %s: %s\n", what, std::strerror(errno));
        return false;
    }

    int master_ = -1;
    int slave_ = -1;
    std::string device_;
    std::string link_;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int status = parseOptions(argc, argv, options); status != 0) {
        return status < 0 ? 0 : status;
    }

    // The stop signals are blocked except inside ppoll(), so one that comes between the check of
    // the flag and the wait still ends the wait.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigset_t waitMask;
    ::sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    Terminal terminal;
    if (!terminal.open()) {
        return 1;
    }
    if (!options.link.empty() && !terminal.makeLink(options.link)) {
        return 1;
    }

    const std::int64_t start = monotonicMs();
    std::multimap<std::int64_t, std::vector<std::uint8_t>> outgoing;  // due time, bytes
    InstrumentSimulator meter(
        [&outgoing](std::vector<std::uint8_t> bytes, std::int64_t delayMs) {
            outgoing.emplace(monotonicMs() + delayMs, std::move(bytes));
        },
        options.seed);
    meter.setRecordCount(options.records);
    meter.setReplyDelayMs(options.delayMs);
    meter.setJitterMs(options.jitterMs);
    meter.setBaud(options.baud);
    meter.setClock(monotonicMs);
    meter.setUnansweredRecord(options.unanswered);
    meter.setDropRate(options.drop);
    meter.setGarbageRate(options.garbage);
    meter.setPieces(options.pieces);
    meter.setPhasors(options.phasors, options.noise);
    if (options.verbose) {
        meter.setRequestObserver([start](const Request& r) {
            std::fprintf(stderr, "%8" PRId64 " ms  %-14s %5d  %s\n", monotonicMs() - start,
                         kindName(r.kind), r.code, hex(r.bytes).c_str());
        });
    }
    std::optional<std::int64_t> silentAt;
    if (options.silentAfterSeconds) {
        silentAt = start + std::llround(*options.silentAfterSeconds * 1000.0);
    }

    std::printf("%s\n", options.link.empty() ? terminal.device().c_str() : options.link.c_str());
    std::fflush(stdout);

    std::vector<std::uint8_t> buffer(256);
    while (!stopRequested) {
        const std::int64_t now = monotonicMs();
        if (silentAt && now >= *silentAt && !meter.silent()) {
            meter.setSilent(true);
            if (options.verbose) {
                std::fprintf(stderr, "%8" PRId64 " ms  silent from now on\n", now - start);
            }
        }
        while (!outgoing.empty() && outgoing.begin()->first <= now) {
            const std::vector<std::uint8_t>& bytes = outgoing.begin()->second;
            // A full line (nobody has read for a long while) loses the reply, as a real line would.
            const ssize_t written = ::write(terminal.master(), bytes.data(), bytes.size());
            if (options.verbose) {
                std::fprintf(stderr, "%8" PRId64 " ms  sent %zd of %zu bytes: %s\n", now - start,
                             written, bytes.size(), hex(bytes).c_str());
            }
            outgoing.erase(outgoing.begin());
        }

        std::int64_t waitMs = -1;
        if (!outgoing.empty()) {
            waitMs = outgoing.begin()->first - now;
        }
        if (silentAt && !meter.silent()) {
            const std::int64_t untilSilent = *silentAt - now;
            waitMs = waitMs < 0 ? untilSilent : std::min(waitMs, untilSilent);
        }
        timespec timeout{};
        if (waitMs >= 0) {
            timeout.tv_sec = static_cast<time_t>(waitMs / 1000);
            timeout.tv_nsec = static_cast<long>((waitMs % 1000) * 1'000'000);
        }
        pollfd watch{terminal.master(), POLLIN, 0};
        const int ready = ::ppoll(&watch, 1, waitMs >= 0 ? &timeout : nullptr, &waitMask);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::fprintf(stderr, "phasemeter-sim: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if ((watch.revents & POLLIN) != 0) {
            for (;;) {
                const ssize_t got = ::read(terminal.master(), buffer.data(), buffer.size());
                if (got <= 0) {
                    break;
                }
                meter.receive(std::span(buffer.data(), static_cast<std::size_t>(got)));
            }
        } else if ((watch.revents & (POLLHUP | POLLERR)) != 0) {
            // Should not happen while the slave is held open; if it does, do not spin on it.
            ::usleep(50'000);
        }
    }
    if (options.verbose) {
        std::fputs("phasemeter-sim: stopped\n", stderr);
    }
    return 0;
}
