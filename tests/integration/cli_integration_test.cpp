// phasemeter-cli against phasemeter-sim on a pseudo-terminal: the commands run the window's link
// and write what the window would save, or end with the status that says why not.
#include <gtest/gtest.h>

#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "adapters/qt_files.h"
#include "adapters/qt_number_format.h"
#include "adapters/xlsx_workbook.h"
#include "output/history_text.h"
#include "output/trend_log.h"
#include "simulated_history.h"

namespace pm {
namespace {

struct CliRun {
    int status = -1;
    std::string out, err;
};

class CliAgainstSimulator : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    void TearDown() override {
        if (sim_.state() != QProcess::NotRunning) {
            sim_.kill();
            sim_.waitForFinished(5000);
        }
    }

    std::string path(const char* name) const { return dir_.filePath(name).toStdString(); }

    void startSimulator(const QStringList& extra) {
        const QString link = dir_.filePath(QStringLiteral("meter"));
        sim_.start(QStringLiteral(PHASEMETER_SIM_PATH), QStringList{"--link", link} + extra);
        ASSERT_TRUE(sim_.waitForStarted(5000) && sim_.waitForReadyRead(5000) &&
                    sim_.readLine().trimmed() == link.toUtf8());
    }

    // The command with the meter's device as PHASEMETER_PORTS, behind a port with no device.
    CliRun cli(const QStringList& args, const QString& ports = {}) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PHASEMETER_PORTS",
                   ports.isNull() ? dir_.filePath("none") + u':' + dir_.filePath("meter") : ports);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(PHASEMETER_CLI_PATH), args);
        process.waitForFinished(40'000);
        return {process.exitCode(), process.readAllStandardOutput().toStdString(),
                process.readAllStandardError().toStdString()};
    }

    QTemporaryDir dir_;
    QProcess sim_;
};

std::string contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string sheetXml(const std::string& file) {
    FILE* pipe = ::popen(("unzip -p '" + file + "' xl/worksheets/sheet1.xml").c_str(), "r");
    std::string xml;
    char buffer[4096];
    for (std::size_t got = 0; pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        xml.append(buffer, got);
    }
    if (pipe) {
        ::pclose(pipe);
    }
    return xml;
}

TEST_F(CliAgainstSimulator, ReadWritesWhatTheWindowSavesAfterARead) {
    constexpr int kRecords = 12;
    // A meter as slow as real ones get, on a 9600 baud line.
    startSimulator({"--records", QString::number(kRecords), "--baud", "9600", "--delay", "60",
                    "--jitter", "20"});
    const MemoryGrid grid = historyOf(kRecords);
    struct Case {
        const char* name;
        const char* file;
        const char* expected;
        std::string (*read)(const std::string&);
    };
    const Case cases[] = {{"text file", "cli.txt", "window.txt", contents},
                          {"workbook", "cli.xlsx", "window.xlsx", sheetXml}};
    QtFiles files;
    ASSERT_TRUE(files
                    .writeTextFile(path("window.txt"),
                                   historyTextLines(grid, historyBlockCount(kRecords, grid)))
                    .ok());
    ASSERT_TRUE(XlsxWorkbookWriter().write(path("window.xlsx"), grid).ok());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun run = cli({"read", "--out", QString::fromStdString(path(c.file))});
        EXPECT_EQ(run.status, 0) << run.err;
        const std::string written = c.read(path(c.file));
        EXPECT_NE(written.find("NO.12"), std::string::npos);
        EXPECT_EQ(written, c.read(path(c.expected)));
    }
}

TEST_F(CliAgainstSimulator, LiveGivesOneLinePerReplyWithTheMetersNumbers) {
    startSimulator({});
    const CliRun run = cli({"live", "--seconds", "5"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, trendCsvHeader());
    int sequence = 0;
    for (; std::getline(lines, line); ++sequence) {
        SCOPED_TRACE(line);
        const std::string time = line.substr(0, line.find(','));
        const TrendValues values = trendValues(
            sim::encodeFrame(sim::liveReading(1, static_cast<std::uint64_t>(sequence))));
        EXPECT_EQ(line, trendCsvLine(time, values));
    }
    EXPECT_GE(sequence, 4);
    EXPECT_LE(sequence, 6);
}

// Ctrl-C is the usual end of a recording: the file then holds whole lines, every reading's.
TEST_F(CliAgainstSimulator, CtrlCLeavesTheCsvFileWhole) {
    startSimulator({});
    const std::string file = path("live.csv");
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PHASEMETER_PORTS", "");
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PHASEMETER_CLI_PATH), {"live", "--port", dir_.filePath("meter"),
                                                        "--csv", QString::fromStdString(file)});
    ASSERT_TRUE(process.waitForStarted(5000));
    // The header and one reading.
    auto lineEnds = [&] {
        const std::string text = contents(file);
        return std::count(text.begin(), text.end(), '\n');
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return lineEnds() >= 2; }, 15'000));
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);

    std::string expected = trendCsvHeader() + "\r\n";
    std::istringstream lines(contents(file));
    std::string line;
    std::getline(lines, line);
    for (std::uint64_t sequence = 0; std::getline(lines, line); ++sequence) {
        const std::string time = line.substr(0, line.find(','));
        expected +=
            trendCsvLine(time, trendValues(sim::encodeFrame(sim::liveReading(1, sequence)))) +
            "\r\n";
    }
    EXPECT_EQ(contents(file), expected);
}

// A meter that falls silent in the middle of a read, and one that is not there.
TEST_F(CliAgainstSimulator, EndsWithTheStatusThatSaysWhy) {
    // The link takes about a second, the read of 60 records six.
    startSimulator({"--records", "60", "--silent-after", "2.5"});
    const CliRun lost = cli({"read", "--out", QString::fromStdString(path("part.txt"))});
    EXPECT_EQ(lost.status, 4) << lost.err;
    EXPECT_NE(lost.err.find("port 2 (" + path("meter") + "): link lost"), std::string::npos)
        << lost.err;
    // What was read is there, as the window's Save writes a table a lost link cut short.
    const std::string part = contents(path("part.txt"));
    int read = 0;
    for (std::size_t at = part.find("NO."); at != std::string::npos;
         at = part.find("NO.", at + 1)) {
        ++read;
    }
    EXPECT_GE(read, 1);
    EXPECT_LT(read, 60);
    const MemoryGrid grid = historyOf(read);
    std::string expected;
    for (const std::string& text : historyTextLines(grid, historyBlockCount(60, grid))) {
        expected += text + "\r\n";
    }
    EXPECT_EQ(part, expected);
    EXPECT_NE(lost.err.find(std::to_string(read) + " of 60 records read"), std::string::npos);

    const CliRun none =
        cli({"read", "--out", QString::fromStdString(path("none.txt"))}, dir_.filePath("nothing"));
    EXPECT_EQ(none.status, 3) << none.err;
    EXPECT_NE(none.err.find("no meter found"), std::string::npos) << none.err;
    EXPECT_NE(none.err.find("port 1 (" + path("nothing") + "): no such device"), std::string::npos)
        << none.err;
    EXPECT_FALSE(std::filesystem::exists(path("none.txt")));
}

TEST_F(CliAgainstSimulator, NamesARecordThatNeverAnsweredAndWritesTheOthers) {
    startSimulator({"--records", "9", "--unanswered", "7", "--delay", "30"});
    const CliRun run = cli({"read", "--out", QString::fromStdString(path("gap.txt"))});
    EXPECT_EQ(run.status, 6) << run.err;
    EXPECT_NE(run.err.find("1 of 9 records never answered (asked twice each): 7;"),
              std::string::npos)
        << run.err;
    MemoryGrid grid = historyOf(6);
    writeMissingRecord(grid, 7);
    for (int n = 8; n <= 9; ++n) {
        writeStoredRecord(grid, sim::encodeFrame(sim::storedReading(n)), n,
                          numberFormatOf(QLocale::system()));
    }
    std::string expected;
    for (const std::string& text : historyTextLines(grid, 9)) {
        expected += text + "\r\n";
    }
    EXPECT_EQ(contents(path("gap.txt")), expected);
}

}  // namespace
}  // namespace pm
