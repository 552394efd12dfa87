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

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "adapters/qt_files.h"
#include "adapters/qt_number_format.h"
#include "adapters/xlsx_workbook.h"
#include "app/wiring_page.h"
#include "output/filed_check.h"
#include "output/history_text.h"
#include "output/trend_log.h"
#include "output/wiring_text.h"
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
        env.insert("PHASEMETER_ARCHIVE", dir_.filePath("archive.sqlite"));
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
    env.insert("PHASEMETER_ARCHIVE", dir_.filePath("archive.sqlite"));
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

std::string lastLine(const std::string& out) {
    const std::size_t end = out.find_last_not_of('\n');
    const std::size_t start = out.rfind('\n', end);
    return out.substr(start == std::string::npos ? 0 : start + 1, end - start);
}

QJsonArray jsonArray(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).array();
}

// The archive through the command line: a site, a read filed under it and exported as the read
// wrote it, a wiring check filed with what it showed, and what is refused.
TEST_F(CliAgainstSimulator, FilesReadsAndInspectionsAndExportsThemAsRead) {
    constexpr int kRecords = 6;
    startSimulator({"--records", QString::number(kRecords)});
    const QString site = QStringLiteral("一号变 10kV");
    const CliRun added = cli({"archive", "add-site", "--name", site, "--system", "3p4w", "--ct",
                              "200/5", "--pt", "10000/100"});
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.out.rfind("site=", 0), 0u);

    // Each format read once and exported again from the archive: the same file.
    for (const char* name : {"read.txt", "read.xlsx"}) {
        SCOPED_TRACE(name);
        const std::string read = path(name), exported = path((std::string("e") + name).c_str());
        const CliRun run = cli({"read", "--site", site, "--out", QString::fromStdString(read)});
        ASSERT_EQ(run.status, 0) << run.err;
        const std::string download = lastLine(run.out);
        ASSERT_EQ(download.rfind("download=", 0), 0u) << run.out;
        const CliRun out =
            cli({"archive", "export", "--download", QString::fromStdString(download.substr(9)),
                 "--out", QString::fromStdString(exported)});
        ASSERT_EQ(out.status, 0) << out.err;
        const bool workbook = read.ends_with(".xlsx");
        EXPECT_EQ(workbook ? sheetXml(exported) : contents(exported),
                  workbook ? sheetXml(read) : contents(read));
        EXPECT_NE(contents(read).size(), 0u);
    }
    const QJsonArray downloads = jsonArray(cli({"archive", "downloads", "--json"}).out);
    ASSERT_EQ(downloads.size(), 2);
    const QJsonObject download = downloads.first().toObject();
    EXPECT_EQ(download["site"].toString(), site);
    EXPECT_EQ(download["held_records"].toInt(), kRecords);
    EXPECT_TRUE(download["finished"].toBool());

    // The check of a filed record, filed: its stored bytes and options give its lines again.
    const CliRun check =
        cli({"wiring", "--download", QString::number(download["id"].toInteger()), "--record", "4",
             "--site", site, "--energy", "1234.5", "--load-angle", "-10:50", "--store",
             "--inspector", "李工", "--note", "表尾封印完好"});
    ASSERT_EQ(check.status, 0) << check.err;
    const QJsonArray inspections = jsonArray(cli({"archive", "inspections", "--json"}).out);
    ASSERT_EQ(inspections.size(), 1);
    const QJsonObject inspection = inspections.first().toObject();
    EXPECT_EQ(lastLine(check.out), "inspection=" + std::to_string(inspection["id"].toInteger()));
    const QJsonObject o = inspection["options"].toObject();
    WiringOptions options;
    options.system =
        o["system"].toString() == "3p3w" ? WiringSystem::ThreeWire : WiringSystem::FourWire;
    options.loadFrom = o["load_from"].toDouble();
    options.loadTo = o["load_to"].toDouble();
    options.direction =
        o["direction"].toString() == "export" ? PowerDirection::Export : PowerDirection::Import;
    options.viaVoltageTransformers = o["via_voltage_transformers"].toBool();
    options.bTerminal = o["b_terminal"].toInt();
    if (!o["metered_energy"].isNull()) {
        options.meteredEnergy = o["metered_energy"].toDouble();
    }
    EXPECT_EQ(options.meteredEnergy, 1234.5);
    EXPECT_EQ(options.loadFrom, -10);
    const QByteArray hex = inspection["frame"].toString().toLatin1();
    const QByteArray bytes = QByteArray::fromHex(hex);
    const QString frameHex = QString::fromLatin1(hex);
    const std::vector<std::uint8_t> frame(bytes.begin(), bytes.end());
    EXPECT_EQ(frame, sim::encodeFrame(sim::storedReading(4)));
    const QJsonObject siteJson = jsonArray(cli({"archive", "sites", "--json"}).out)[0].toObject();
    SiteFields fields;
    fields.currentRatio = siteJson["current_ratio"].toString().toStdString();
    fields.voltageRatio = siteJson["voltage_ratio"].toString().toStdString();
    const WiringResult result = checkWiring(wiringReading(frame), options);
    std::vector<std::string> lines =
        wiringReportLines(inspectionSourceText({false, download["id"].toInteger(), 4}), options,
                          wiringReadingTexts(frame, {}), result, siteRatios(fields));
    std::vector<std::string> stored;
    for (const QJsonValue& line : inspection["lines"].toArray()) {
        stored.push_back(line.toString().toStdString());
    }
    EXPECT_EQ(stored, lines);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "倍率=4000"), lines.end());
    std::string printed;
    for (const std::string& line : lines) {
        printed += line + "\n";
    }
    EXPECT_EQ(check.out, printed + lastLine(check.out) + "\n");
    EXPECT_EQ(inspection["inspector"].toString(), QStringLiteral("李工"));
    EXPECT_EQ(inspection["note"].toString(), QStringLiteral("表尾封印完好"));

    // Its record as a PDF file, without a window.
    const std::string pdf = path("record.pdf");
    const CliRun report =
        cli({"report", "--inspection", QString::number(inspection["id"].toInteger()), "--out",
             QString::fromStdString(pdf)});
    ASSERT_EQ(report.status, 0) << report.err;
    EXPECT_EQ(report.out, "report=" + pdf + " pages=1\n");
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QString::fromStdString(pdf), QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(20000));
    const QString words = QString::fromUtf8(text.readAllStandardOutput());
    for (const QString& wanted : {site, QStringLiteral("李工"), QStringLiteral("表尾封印完好")}) {
        EXPECT_TRUE(words.contains(wanted)) << wanted.toStdString();
    }

    // Refused before anything is filed, and an archive file that is not one left as it was.
    const std::string archiveFile = path("archive.sqlite");
    struct Case {
        const char* name;
        QStringList args;
        int status;
        const char* named;
    };
    const Case refused[] = {
        {"a CT ratio that is none",
         {"archive", "add-site", "--name", "b", "--ct", "5/200"},
         2,
         "--ct"},
        {"a PT ratio that is none", {"archive", "add-site", "--name", "b", "--pt", "x"}, 2, "--pt"},
        {"a name filed already", {"archive", "add-site", "--name", site}, 2, "filed already"},
        {"read under no such site", {"read", "--site", "nowhere"}, 7, "no site named"},
        {"check under no such site",
         {"wiring", "--site", "nowhere", "--store", "--frame", frameHex},
         5,
         "no site named"},
        {"no such download",
         {"archive", "export", "--download", "99", "--out", "x.txt"},
         5,
         "no download 99"},
        {"report of no such check",
         {"report", "--inspection", "99", "--out", "x.pdf"},
         5,
         "没有检查 99"},
        {"report without a file", {"report", "--inspection", "1"}, 2, "--out"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        const CliRun run = cli(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
    }
    EXPECT_EQ(jsonArray(cli({"archive", "sites", "--json"}).out).size(), 1);

    const std::string notAnArchive = "site list, kept by hand\n";
    { std::ofstream(archiveFile, std::ios::binary | std::ios::trunc) << notAnArchive; }
    const Case broken[] = {
        {"list", {"archive", "sites"}, 5, "not"},
        {"add a site", {"archive", "add-site", "--name", "c"}, 5, "not"},
        {"file a check", {"wiring", "--site", site, "--store", "--frame", frameHex}, 5, "not"},
        {"file a read", {"read", "--site", site}, 7, "not"},
        {"report", {"report", "--inspection", "1", "--out", "y.pdf"}, 5, "not"},
    };
    for (const Case& c : broken) {
        SCOPED_TRACE(c.name);
        const CliRun run = cli(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.err.find(archiveFile), std::string::npos) << run.err;
        EXPECT_EQ(contents(archiveFile), notAnArchive);
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
}

}  // namespace
}  // namespace pm
