#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include <sys/resource.h>

#include <QDir>
#include <QTemporaryDir>

#include "adapters/qt_files.h"
#include "fakes/file_helpers.h"

namespace pm::testing {
namespace {

TEST(QtFiles, WritesEveryLineAsGivenWithCrLfInUtf8) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        QByteArray expected;
    };
    const Case cases[] = {
        {"no lines", {}, ""},
        {"one empty line", {""}, "\r\n"},
        {"blanks kept at both ends", {"         ", "  U/V   "}, "         \r\n  U/V   \r\n"},
        {"degree sign", {"  U1U2:  120.0°"}, "  U1U2:  120.0\xC2\xB0\r\n"},
        {"Chinese",
         {"实时监控", "NO.1"},
         "\xE5\xAE\x9E\xE6\x97\xB6\xE7\x9B\x91\xE6\x8E\xA7\r\nNO.1\r\n"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QtFiles files(dir.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QStringLiteral("out.txt"));
        const WriteResult result = files.writeTextFile(path.toStdString(), c.lines);
        EXPECT_TRUE(result.ok()) << result.error;
        EXPECT_EQ(readAll(path), c.expected);
        EXPECT_EQ(entriesOf(dir.path()), QStringList{QStringLiteral("out.txt")});
    }
}

TEST(QtFiles, ReplacesALongerFileWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Korvalendrix.txt"));
    writeBytes(path, QByteArray(5000, 'x'));
    QtFiles files(dir.path());
    ASSERT_TRUE(files.writeTextFile(path.toStdString(), {"a", "b"}).ok());
    EXPECT_EQ(readAll(path), QByteArray("a\r\nb\r\n"));
}

// None of these can be written; each must say why and leave the folder as it was.
TEST(QtFiles, AFailedWriteSaysWhyAndLeavesNothingBehind) {
    QTemporaryDir dir;
    writeBytes(dir.filePath(QStringLiteral("plain.txt")), "keep\r\n");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    struct Case {
        const char* name;
        QString path;
    };
    const Case cases[] = {
        {"folder missing", dir.filePath(QStringLiteral("missing/out.txt"))},
        {"parent is a regular file", dir.filePath(QStringLiteral("plain.txt/out.txt"))},
        {"target is a folder", dir.filePath(QStringLiteral("folder"))},
        {"no name", QString()},
    };
    QtFiles files(dir.path());
    const QStringList before = entriesOf(dir.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WriteResult result = files.writeTextFile(c.path.toStdString(), {"line"});
        EXPECT_FALSE(result.ok());
        EXPECT_FALSE(result.error.empty());
        EXPECT_EQ(entriesOf(dir.path()), before);
        EXPECT_EQ(readAll(dir.filePath(QStringLiteral("plain.txt"))), QByteArray("keep\r\n"));
        EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
        EXPECT_TRUE(entriesOf(dir.filePath(QStringLiteral("folder"))).isEmpty());
    }
}

// A write that fails halfway (here: the file size limit, which holds even for root) must leave
// the old file as it was and no temporary file beside it.
TEST(QtFiles, AWriteFailingHalfwayKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Korvalendrix.txt"));
    writeBytes(path, "old\r\n");
    const std::vector<std::string> lines(4000, std::string(60, 'y'));

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QtFiles files(dir.path());
    const WriteResult result = files.writeTextFile(path.toStdString(), lines);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(readAll(path), QByteArray("old\r\n"));
    EXPECT_EQ(entriesOf(dir.path()), QStringList{QStringLiteral("Korvalendrix.txt")});
}

TEST(QtFiles, SaveFolderLiesInTheHomeFolderAndIsCreatedWhenMissing) {
    QTemporaryDir home;
    QtFiles files(home.path());
    const QString folder = home.filePath(QStringLiteral("Korvalendrix"));
    EXPECT_EQ(QString::fromStdString(files.saveFolder()), QDir::toNativeSeparators(folder));
    EXPECT_TRUE(files.ensureFolder(files.saveFolder()));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    // Already there: still fine, and what is in it stays.
    writeBytes(folder + QStringLiteral("/kept.txt"), "x");
    EXPECT_TRUE(files.ensureFolder(files.saveFolder()));
    EXPECT_EQ(entriesOf(folder), QStringList{QStringLiteral("kept.txt")});

    // A file in the way cannot become a folder.
    QTemporaryDir other;
    const QString blocked = other.filePath(QStringLiteral("Korvalendrix"));
    writeBytes(blocked, "file");
    EXPECT_FALSE(QtFiles(other.path()).ensureFolder(blocked.toStdString()));
    EXPECT_EQ(readAll(blocked), QByteArray("file"));

    EXPECT_EQ(QString::fromStdString(QtFiles().saveFolder()),
              QDir::toNativeSeparators(QDir::home().filePath(QStringLiteral("Korvalendrix"))));
}

}  // namespace
}  // namespace pm::testing
