// The three programs' --version, --help and a wrong option, as a shell runs them: the first line
// each prints where, and the exit status. No display is offered, so the window program must answer
// these before it needs one.
#include <gtest/gtest.h>

#include <QProcess>
#include <string>

namespace pm {
namespace {

constexpr char kProjectVersion[] = PHASEMETER_PROJECT_VERSION;  // project()'s, not the header's

struct ProgramRun {
    bool finished = false;
    int status = -1;
    std::string out, err;
};

ProgramRun runProgram(const char* program, const char* arg) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        env.remove(QString::fromLatin1(display));
    }
    env.insert(QStringLiteral("PHASEMETER_PORTS"), QString());
    process.setProcessEnvironment(env);
    process.start(QString::fromLocal8Bit(program), {QString::fromLatin1(arg)});
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
        {PHASEMETER_PATH, "--help", 0, false, "Usage: phasemeter [--port DEVICE]... [Qt options]",
         "PHASEMETER_PORTS"},
        {PHASEMETER_PATH, "--bogus", 2, true, "phasemeter: unknown option '--bogus'",
         "Try 'phasemeter --help'."},
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
        const ProgramRun got = runProgram(c.program, c.arg);
        ASSERT_TRUE(got.finished);
        EXPECT_EQ(got.status, c.status) << got.err;
        const std::string& text = c.onStderr ? got.err : got.out;
        EXPECT_EQ(firstLine(text), c.firstLine);
        EXPECT_NE(text.find(c.mentions), std::string::npos) << text;
        EXPECT_EQ(c.onStderr ? got.out : got.err, "");
    }
}

}  // namespace
}  // namespace pm
