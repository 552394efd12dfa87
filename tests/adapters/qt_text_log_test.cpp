#include "adapters/qt_text_log.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <QCoreApplication>
#include <QTemporaryDir>

namespace pm {
namespace {

std::string contentsOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(QtTextLog, WritesWholeLinesAndSaysWhyItCannot) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("记录.csv").toStdString();
    QtTextLog log;
    EXPECT_FALSE(log.appendLine("before open").ok());
    ASSERT_TRUE(log.open(path).ok());
    EXPECT_TRUE(log.appendLine("\xEF\xBB\xBF时间,U1/V").ok());
    EXPECT_TRUE(log.appendLine("2026-12-07T09:05:03,230.00").ok());
    // What is appended is on the disk at once, before any close.
    EXPECT_EQ(contentsOf(path), "\xEF\xBB\xBF时间,U1/V\r\n2026-12-07T09:05:03,230.00\r\n");
    ASSERT_TRUE(log.open(path).ok());  // a new recording replaces the old file
    EXPECT_TRUE(log.appendLine("x").ok());
    log.close();
    EXPECT_FALSE(log.isOpen());
    EXPECT_EQ(contentsOf(path), "x\r\n");
    const WriteResult missing = log.open(dir.filePath("no/such/folder.csv").toStdString());
    EXPECT_FALSE(missing.ok());
    EXPECT_FALSE(missing.error.empty());
}

// A recording killed at any moment leaves whole lines, but perhaps the last, and loses none that
// it had finished writing.
TEST(QtTextLog, AKilledRecorderLeavesWholeLines) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("killed.csv").toStdString();
    const std::string padding(200, '0');
    int written[2];  // the child tells each line it has appended
    ASSERT_EQ(pipe(written), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(written[0]);
        QtTextLog log;
        if (!log.open(path).ok()) {
            _exit(1);
        }
        for (long n = 0;; ++n) {
            if (log.appendLine(std::to_string(n) + "," + padding).ok()) {
                (void)!write(written[1], &n, sizeof n);
            }
        }
    }
    close(written[1]);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    long appended = -1;
    for (long n = 0; read(written[0], &n, sizeof n) == static_cast<ssize_t>(sizeof n);) {
        appended = n;
    }
    close(written[0]);

    std::istringstream lines(contentsOf(path));
    std::string line;
    long expected = 0;
    std::string last;
    int broken = 0;
    while (std::getline(lines, line)) {
        if (!last.empty()) {
            ++broken;  // a line that was not the last did not end whole
        }
        if (line == std::to_string(expected) + "," + padding + "\r") {
            ++expected;
        } else {
            last = line;
        }
    }
    EXPECT_GT(expected, appended) << "lines the recorder had appended are missing";
    EXPECT_EQ(broken, 0) << "after line " << expected;
}

// A full disk: the system's reason, in the language Qt speaks here, and the file cut back to its
// last whole line. It needs a file system of its own to fill, a 4 KB tmpfs, which root may mount.
TEST(QtTextLog, AFullDiskSaysWhyAndLeavesWholeLines) {
    QTemporaryDir dir;
    const QByteArray where = QFile::encodeName(dir.path());
    if (::geteuid() != 0 || ::mount("tmpfs", where.constData(), "tmpfs", 0, "size=4k") != 0) {
        GTEST_SKIP() << "cannot mount a 4 KB tmpfs (not root?): " << std::strerror(errno);
    }
    const std::string path = dir.filePath("full.csv").toStdString();
    QtTextLog log;
    std::string whole;
    WriteResult result = log.open(path);
    for (int n = 0; n < 100 && result.ok(); ++n) {
        const std::string line = std::to_string(n) + "," + std::string(190, '0');
        if ((result = log.appendLine(line)).ok()) {
            whole += line + "\r\n";
        }
    }
    log.close();
    const std::string written = contentsOf(path);
    ::umount(where.constData());
    EXPECT_EQ(result.error,
              QCoreApplication::translate("QIODevice", "No space left on device").toStdString());
    EXPECT_EQ(written, whole);
}

}  // namespace
}  // namespace pm
