// The three programs' --version, --help and wrong options, as a shell runs them: the first line
// each prints where, and the exit status. No display is offered (or only the offscreen one), so the
// window program must answer these before it needs one.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <string>
#include <vector>

namespace pm {
namespace {

constexpr char kProjectVersion[] = PHASEMETER_PROJECT_VERSION;  // project()'s, not the header's

struct ProgramRun {
    bool finished = false;
    int status = -1;
    std::string out, err;
};

// Without a display, or on the offscreen platform; no serial device either way.
ProgramRun runProgram(const char* program, const QStringList& args, bool offscreen = false) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        env.remove(QString::fromLatin1(display));
    }
    if (offscreen) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    env.insert(QStringLiteral("PHASEMETER_PORTS"), QString());
    process.setProcessEnvironment(env);
    process.start(QString::fromLocal8Bit(program), args);
    ProgramRun result;
    result.finished = process.waitForFinished(20'000);
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

TEST(ProgramOptions, VersionHelpAndAWrongOption) {
    const std::string version(kProjectVersion);
    struct Case {
        const char* program;
        const char* arg;
        int status;
        bool onStderr;          // where the text goes; the other stream stays empty
        std::string firstLine;  // of that text
        std::string mentions;   // somewhere in that text
    };
    const Case cases[] = {
        {PHASEMETER_PATH, "--version", 0, false, "phasemeter " + version, ""},
        {PHASEMETER_PATH, "--help", 0, false,
         "Usage: phasemeter [--port DEVICE]... [--archive FILE | --no-archive] [Qt options]",
         "PHASEMETER_ARCHIVE"},
        {PHASEMETER_PATH, "--bogus", 2, true, "phasemeter: unknown option '--bogus'", ""},
        {PHASEMETER_PATH, "--archive", 2, true, "phasemeter: option '--archive' needs a file", ""},
        {PHASEMETER_CLI_PATH, "--version", 0, false, "phasemeter-cli " + version, ""},
        {PHASEMETER_CLI_PATH, "--help", 0, false, "Usage: phasemeter-cli COMMAND [options]",
         "--version"},
        {PHASEMETER_CLI_PATH, "--bogus", 2, true, "phasemeter-cli: unknown command --bogus", ""},
        {PHASEMETER_SIM_PATH, "--version", 0, false, "phasemeter-sim " + version, ""},
        {PHASEMETER_SIM_PATH, "--help", 0, false, "Usage: phasemeter-sim [options]", "--version"},
        {PHASEMETER_SIM_PATH, "--bogus", 2, true, "phasemeter-sim: unknown option --bogus", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.program) + " " + c.arg);
        const ProgramRun got = runProgram(c.program, {QString::fromLatin1(c.arg)});
        ASSERT_TRUE(got.finished);
        EXPECT_EQ(got.status, c.status) << got.err;
        const std::string& text = c.onStderr ? got.err : got.out;
        EXPECT_EQ(firstLine(text), c.firstLine);
        EXPECT_NE(text.find(c.mentions), std::string::npos) << text;
        EXPECT_EQ(c.onStderr ? got.out : got.err, "");
    }
}

// Every command answers alike: --help with its usage on stdout and status 0; an unknown option,
// a missing value and an empty one with one line on stderr that names the command and the
// option, and status 2. The window answers before it starts: on the offscreen platform a window
// that started would not end.
TEST(ProgramOptions, EveryCommandAnswersHelpAndMistakesAlike) {
    struct Command {
        const char* program;
        QStringList words;   // the command, before its options
        std::string prefix;  // of its line on stderr
        QString option;      // one that takes a value
    };
    const Command commands[] = {
        {PHASEMETER_PATH, {}, "phasemeter: ", "--port"},
        {PHASEMETER_CLI_PATH, {"read"}, "phasemeter-cli read: ", "--out"},
        {PHASEMETER_CLI_PATH, {"live"}, "phasemeter-cli live: ", "--csv"},
        {PHASEMETER_CLI_PATH, {"wiring"}, "phasemeter-cli wiring: ", "--frame"},
        {PHASEMETER_CLI_PATH, {"archive", "sites"}, "phasemeter-cli archive sites: ", "--site"},
        {PHASEMETER_CLI_PATH, {"archive", "add-site"}, "phasemeter-cli archive add-site: ", "--ct"},
        {PHASEMETER_CLI_PATH, {"archive", "export"}, "phasemeter-cli archive export: ", "--out"},
        {PHASEMETER_SIM_PATH, {}, "phasemeter-sim: ", "--records"},
    };
    for (const Command& command : commands) {
        const std::vector<QStringList> cases = {{"--help"},
                                                {"--bogus"},
                                                {command.option},
                                                {command.option, ""},
                                                {command.option + "="}};
        for (const QStringList& args : cases) {
            SCOPED_TRACE(std::string(command.program) + " " +
                         (command.words + args).join(' ').toStdString());
            const ProgramRun got = runProgram(command.program, command.words + args, true);
            ASSERT_TRUE(got.finished);
            if (args.front() == "--help") {
                EXPECT_EQ(got.status, 0);
                EXPECT_TRUE(got.out.starts_with("Usage: ")) << got.out;
                EXPECT_EQ(got.err, "");
                continue;
            }
            EXPECT_EQ(got.status, 2);
            EXPECT_EQ(got.out, "");
            EXPECT_EQ(std::count(got.err.begin(), got.err.end(), '\n'), 1) << got.err;
            EXPECT_TRUE(got.err.starts_with(command.prefix)) << got.err;
            const std::string named = args.front().section(u'=', 0, 0).toStdString();
            EXPECT_NE(got.err.find(named), std::string::npos) << got.err;
        }
    }
}

}  // namespace
}  // namespace pm
