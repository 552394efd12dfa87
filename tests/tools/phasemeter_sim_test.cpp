// Runs the real phasemeter-sim and talks to it over its pseudo-terminal with plain termios, the
// way any serial program would. Every wait is bounded, so a broken simulator fails the test
// instead of hanging it.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "simulator/instrument_simulator.h"

extern char** environ;

namespace pm::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kPatience{5000};

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// phasemeter-sim as a child process; stopped (and, if it must be, killed) when the test ends.
class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> args) {
        int out[2];
        if (::pipe(out) != 0) {
            ADD_FAILURE() << "pipe";
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, out[1]);
        args.insert(args.begin(), PHASEMETER_SIM_PATH);
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, PHASEMETER_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
            ADD_FAILURE() << "cannot start " << PHASEMETER_SIM_PATH;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        stdout_ = out[0];
    }

    ~SimProcess() {
        stop();
        if (stdout_ >= 0) {
            ::close(stdout_);
        }
    }

    // The first line the simulator prints, or "" when none comes in time.
    std::string firstLine() {
        std::string line;
        const auto deadline = Clock::now() + kPatience;
        char c = 0;
        while (remainingMs(deadline) > 0) {
            pollfd p{stdout_, POLLIN, 0};
            if (::poll(&p, 1, remainingMs(deadline)) <= 0 || ::read(stdout_, &c, 1) != 1) {
                break;
            }
            if (c == '\n') {
                return line;
            }
            line += c;
        }
        return "";
    }

    // Asks the simulator to stop and returns its exit status, or -1 when it had to be killed.
    int stop() {
        if (pid_ <= 0) {
            return -1;
        }
        ::kill(pid_, SIGTERM);
        const auto deadline = Clock::now() + kPatience;
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (remainingMs(deadline) == 0) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                pid_ = -1;
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    int stdout_ = -1;
};

// A serial port opened the plain POSIX way: raw, non-blocking.
class Port {
  public:
    explicit Port(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0) {
            ADD_FAILURE() << "cannot open " << path;
            return;
        }
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd_, TCSANOW, &t);
    }
    ~Port() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    // Writes the request and reads until `length` bytes came or the patience ran out.
    Bytes ask(const Bytes& request, std::size_t length,
              std::chrono::milliseconds patience = kPatience) {
        Bytes got;
        if (fd_ < 0 ||
            ::write(fd_, request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
            return got;
        }
        const auto deadline = Clock::now() + patience;
        while (got.size() < length && remainingMs(deadline) > 0) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, remainingMs(deadline)) <= 0) {
                break;
            }
            std::uint8_t buffer[64];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                got.insert(got.end(), buffer, buffer + n);
            }
        }
        return got;
    }

  private:
    int fd_ = -1;
};

const Bytes kHandshake = {0xAA, 0xF8, 0x2A};
const Bytes kHello = {0xAA, 0x55, 0xAA};

// Opening anything but a pseudo-terminal here could hit a real serial line (or the console).
bool isPseudoTerminal(const std::string& path) {
    return path.rfind("/dev/pts/", 0) == 0;
}

TEST(PhasemeterSim, AnswersOnItsPseudoTerminalAcrossReopens) {
    SimProcess sim({"--delay", "5", "--records", "7", "--seed", "9", "--pieces", "3"});
    const std::string path = sim.firstLine();
    ASSERT_TRUE(isPseudoTerminal(path)) << "printed: " << path;
    {
        Port port(path);
        EXPECT_EQ(port.ask(kHandshake, 3), kHello);
        EXPECT_EQ(port.ask({0xAA, 0xE0, 0x2E}, 2), (Bytes{7, 0}));
        EXPECT_EQ(port.ask({0xAA, 0xC8, 0x32}, kMeasurementFrameLength),
                  encodeFrame(liveReading(9, 0)));
    }
    {
        // Closed and opened again, as the program's scan does.
        Port port(path);
        EXPECT_EQ(port.ask(kHandshake, 3), kHello);
        EXPECT_EQ(port.ask({0xAA, 0x07, 0x00}, kMeasurementFrameLength),
                  encodeFrame(storedReading(7)));
    }
    EXPECT_EQ(sim.stop(), 0);
}

TEST(PhasemeterSim, ServesThroughALinkAndRemovesIt) {
    char dirTemplate[] = "/tmp/phasemeter-sim-test-XXXXXX";
    ASSERT_NE(::mkdtemp(dirTemplate), nullptr);
    const std::string dir = dirTemplate;
    const std::string link = dir + "/meter";
    // A link left behind by an earlier run that was killed.
    ASSERT_EQ(::symlink("/nonexistent/pts/99", link.c_str()), 0);
    {
        SimProcess sim({"--link", link});
        ASSERT_EQ(sim.firstLine(), link);
        char target[256] = {};
        ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
        ASSERT_TRUE(isPseudoTerminal(target)) << target;
        {
            Port port(link);
            EXPECT_EQ(port.ask(kHandshake, 3), kHello);
        }
        EXPECT_EQ(sim.stop(), 0);
    }
    struct stat st {};
    EXPECT_NE(::lstat(link.c_str(), &st), 0) << "the link outlived the simulator";
    ::unlink(link.c_str());
    ::rmdir(dir.c_str());
}

TEST(PhasemeterSim, GoesSilentWhenTold) {
    SimProcess sim({"--silent-after", "0.3", "--delay", "1"});
    const std::string path = sim.firstLine();
    ASSERT_TRUE(isPseudoTerminal(path)) << "printed: " << path;
    Port port(path);
    EXPECT_EQ(port.ask(kHandshake, 3), kHello);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_TRUE(port.ask(kHandshake, 3, std::chrono::milliseconds(500)).empty());
    EXPECT_EQ(sim.stop(), 0);
}

TEST(PhasemeterSim, AnswersFromTheGivenPhasors) {
    const std::string text = "U=230@0,230@120,230@240 I=12.5@25,12.5@145,0@0";
    SimProcess sim({"--delay", "1", "--phasors", text, "--noise", "1.5", "--seed", "6"});
    const std::string path = sim.firstLine();
    ASSERT_TRUE(isPseudoTerminal(path)) << "printed: " << path;
    const Phasors phasors = parsePhasors(text).value();
    Port port(path);
    EXPECT_EQ(port.ask({0xAA, 0xC8, 0x32}, kMeasurementFrameLength),
              encodeFrame(phasorReading(withAngleNoise(phasors, 1.5, 6, 0))));
    EXPECT_EQ(port.ask({0xAA, 0x02, 0x00}, kMeasurementFrameLength),
              encodeFrame(phasorReading(phasors)));
    EXPECT_EQ(sim.stop(), 0);
}

TEST(PhasemeterSim, RejectsBadOptions) {
    const std::vector<std::vector<std::string>> cases = {
        {"--drop", "2"},   {"--pieces", "0"}, {"--records", "many"},
        {"--pieces"},      {"--fast"},        {"--phasors", "U=230@0 I=5@30"},
        {"--noise", "-1"}, {"--noise", "1"}};
    for (const auto& args : cases) {
        SCOPED_TRACE(args.front() + (args.size() > 1 ? " " + args.back() : ""));
        SimProcess sim(args);
        EXPECT_EQ(sim.firstLine(), "");
        EXPECT_EQ(sim.stop(), 2);
    }
}

}  // namespace
}  // namespace pm::sim
