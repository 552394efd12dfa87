#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <future>
#include <random>
#include <sstream>
#include <thread>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "adapters/sqlite_archive.h"
#include "fakes/file_helpers.h"
#include "platform/memory_archive.h"

namespace pm::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes randomBytes(std::mt19937& random, std::size_t size = 39) {
    Bytes bytes(size);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

// A record's bytes that depend on its number only, so a reader can tell each one from the rest.
Bytes recordBytes(int number) {
    std::mt19937 random(static_cast<unsigned>(number));
    return randomBytes(random);
}

// A connection of its own to an archive file, as another program would hold one.
class OtherConnection {
  public:
    explicit OtherConnection(const QString& path) {
        static int serial = 0;
        name_ = QStringLiteral("other-%1").arg(++serial);
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db_.setDatabaseName(path);
        db_.open();
    }
    ~OtherConnection() {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }
    // The statement's first value, or its error.
    QString exec(const QString& sql) {
        QSqlQuery q(db_);
        if (!q.exec(sql)) {
            return q.lastError().text();
        }
        return q.next() ? q.value(0).toString() : QString();
    }

  private:
    QString name_;
    QSqlDatabase db_;
};

QString sqlitePath(const QTemporaryDir& dir) {
    return dir.filePath(QStringLiteral("archive.sqlite"));
}

std::unique_ptr<Archive> openAt(const QString& path, int busyTimeoutMs = 5000) {
    return openSqliteArchive(path.toStdString(), busyTimeoutMs);
}

struct InMemory {
    static std::unique_ptr<Archive> make(const QTemporaryDir&) {
        return std::make_unique<MemoryArchive>();
    }
};
struct OnSqlite {
    static std::unique_ptr<Archive> make(const QTemporaryDir& dir) {
        return openAt(sqlitePath(dir));
    }
};

template <typename Maker>
class ArchiveContract : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    std::unique_ptr<Archive> made = Maker::make(dir);
};
using Archives = ::testing::Types<InMemory, OnSqlite>;
TYPED_TEST_SUITE(ArchiveContract, Archives);

SiteFields named(std::string name, std::string account = {}, std::string meterNumber = {}) {
    SiteFields fields;
    fields.name = std::move(name);
    fields.account = std::move(account);
    fields.meterNumber = std::move(meterNumber);
    return fields;
}

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TYPED_TEST(ArchiveContract, SearchFindsNameAccountOrMeterNumberAnywhereNewestChangeFirst) {
    Archive& archive = *this->made;
    ASSERT_EQ(archive.unavailableReason(), "");
    // Texts that mean something to SQL: quotes, wildcards, comment marks, an embedded zero.
    const std::vector<std::string> texts = {
        "x'); DROP TABLE site;--",  "100%", "a_b", "张三", "ABC", "abc", "O\"Brien\\", "",
        std::string("nul\0byte", 8)};
    std::vector<ArchiveId> ids;
    std::vector<std::int64_t> changed;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        SiteFields f =
            named(texts[i], texts[(i + 1) % texts.size()], texts[(i + 2) % texts.size()]);
        f.address = "ADDR";
        changed.push_back(static_cast<std::int64_t>((i * 7) % texts.size()) * 1000);
        const ArchiveIdResult saved = archive.saveSite(0, f, changed.back());
        ASSERT_TRUE(saved.ok()) << saved.error;
        ids.push_back(saved.id);
        ASSERT_EQ(archive.site(saved.id)->fields, f);
    }
    std::vector<std::string> searches = texts;
    searches.insert(searches.end(), {"%", "_", "'", "ADDR", "张", "b", "B"});
    for (const std::string& search : searches) {
        SCOPED_TRACE(search);
        std::vector<std::pair<std::int64_t, ArchiveId>> expected, found;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const SiteFields f = archive.site(ids[i])->fields;
            if (has(f.name, search) || has(f.account, search) || has(f.meterNumber, search)) {
                expected.emplace_back(changed[i], ids[i]);
            }
        }
        std::sort(expected.rbegin(), expected.rend());
        for (const Site& site : archive.sites(search)) {
            found.emplace_back(site.changedUtc, site.id);
        }
        EXPECT_EQ(found, expected);
    }
    EXPECT_EQ(archive.sites().size(), texts.size());
    EXPECT_EQ(archive.siteNamed(texts[0])->id, ids[0]);
    EXPECT_FALSE(archive.saveSite(ids.back() + 1000, named("?"), 1).ok());
}

TYPED_TEST(ArchiveContract, RecordsAreHeldUntilCommittedAndAFinishedDownloadNeverChanges) {
    Archive& archive = *this->made;
    const ArchiveId site = archive.saveSite(0, named("户"), 1).id;
    const ArchiveIdResult begun = archive.beginDownload(site, 100, "/dev/ttyUSB0", 10000);
    ASSERT_TRUE(begun.ok()) << begun.error;
    const ArchiveId id = begun.id;
    // Every int is a record number the archive keeps apart and in order.
    const std::vector<int> numbers = {1, 2, 10000, INT_MAX, 0, -5, INT_MIN, 3};
    std::map<int, Bytes> filed;
    for (int number : numbers) {
        archive.fileRecord(id, number, recordBytes(number));
        filed[number] = recordBytes(number);
    }
    EXPECT_EQ(archive.downloads(site).at(0).heldRecords, 0);
    ASSERT_TRUE(archive.commitRecords().ok());
    EXPECT_EQ(archive.downloads(site).at(0).heldRecords, static_cast<int>(numbers.size()));
    // Filed again: the later bytes win; an empty record is kept as empty.
    archive.fileRecord(id, 2, recordBytes(-2));
    archive.fileRecord(id, 4, {});
    filed[2] = recordBytes(-2);
    filed[4] = {};
    ASSERT_TRUE(archive.finishDownload(id, 200, 12).ok());
    const std::optional<Download> done = archive.download(id);
    ASSERT_TRUE(done);
    std::vector<DownloadRecord> expected;
    for (const auto& [number, bytes] : filed) {
        expected.push_back({number, bytes});
    }
    EXPECT_EQ(done->records, expected);
    const DownloadSummary& d = done->summary;
    EXPECT_EQ(std::tuple(d.heldRecords, d.port, d.reportedCount, d.startUtc, d.endUtc,
                         d.tableBlocks, d.finished),
              std::tuple(static_cast<int>(expected.size()), std::string("/dev/ttyUSB0"), 10000,
                         std::int64_t{100}, std::int64_t{200}, 12, true));

    archive.fileRecord(id, 5, recordBytes(5));
    archive.fileRecord(id, 1, recordBytes(-1));
    EXPECT_TRUE(archive.commitRecords().ok());
    EXPECT_FALSE(archive.finishDownload(id, 300, 1).ok());
    EXPECT_EQ(archive.download(id)->records, expected);
    EXPECT_EQ(archive.download(id)->summary.endUtc, 200);
}

// Every field of an inspection, to compare (the struct has no comparison of its own).
auto fieldsOf(const InspectionFields& f) {
    const WiringOptions& o = f.options;
    return std::tuple(f.siteId, f.timeUtc, f.inspector, f.source, o.system, o.loadFrom, o.loadTo,
                      o.direction, o.viaVoltageTransformers, o.bTerminal, o.averagePowerFactor,
                      o.meteredEnergy, f.frame, f.lines, f.conclusion, f.correctionFactor,
                      f.meteredEnergy, f.backBilledEnergy, f.note, f.currentRatio, f.voltageRatio);
}

TYPED_TEST(ArchiveContract, InspectionsKeepEveryFieldAndInspectorsComeLastUsedFirst) {
    Archive& archive = *this->made;
    const ArchiveId site = archive.saveSite(0, named("户"), 1).id;
    std::mt19937 random(7);
    InspectionFields full;
    full.siteId = site;
    full.timeUtc = -86'400;  // before 1970 is still an instant
    full.inspector = "王工";
    full.source = {false, 12345, 9999};
    full.options = {
        WiringSystem::ThreeWire, -30.25, 89.75, PowerDirection::Export, true, 3, 0.1 + 0.2, 1e300};
    full.frame = randomBytes(random);
    full.lines = {"", "  U1U2:  120.0°", "a \"quoted\" line", "two\nlines", "结论：错误接线"};
    full.conclusion = "第 2 种错误接线";
    full.correctionFactor = -1.0 / 3.0;
    full.meteredEnergy = 5e-324;
    full.backBilledEnergy = -123456.789;
    full.note = "x'); DELETE FROM inspection;--";
    full.currentRatio = "200/5";
    full.voltageRatio = "直接接入";
    InspectionFields bare;  // every optional empty, a live reading, no inspector
    bare.siteId = site;
    std::vector<ArchiveId> ids;
    for (const auto& [fields, inspector] :
         {std::pair{full, "王工"}, {bare, ""}, {full, "李工"}, {full, "王工"}}) {
        InspectionFields f = fields;
        f.inspector = inspector;
        const ArchiveIdResult added = archive.addInspection(f);
        ASSERT_TRUE(added.ok()) << added.error;
        ids.push_back(added.id);
        EXPECT_EQ(fieldsOf(archive.inspection(added.id)->fields), fieldsOf(f));
    }
    EXPECT_EQ(archive.inspectors(), (std::vector<std::string>{"王工", "李工"}));
    const std::vector<InspectionSummary> listed = archive.inspections(site);
    ASSERT_EQ(listed.size(), ids.size());
    EXPECT_EQ(listed[0].id, ids[3]);
    EXPECT_EQ(listed[3].id, ids[0]);
    EXPECT_EQ(listed[2].correctionFactor, std::nullopt);
    EXPECT_EQ(std::tuple(listed[0].correctionFactor, listed[0].conclusion, listed[0].inspector),
              std::tuple(full.correctionFactor, full.conclusion, std::string("王工")));
}

// Everything an archive answers, without ids (which each archive numbers its own way).
std::string describe(Archive& archive) {
    std::ostringstream out;
    auto describeDownloads = [&](ArchiveId site) {
        for (const DownloadSummary& d : archive.downloads(site)) {
            out << " D" << d.startUtc << ',' << d.endUtc << ',' << d.port << ',' << d.reportedCount
                << ',' << d.heldRecords << ',' << d.tableBlocks << ',' << d.finished << ':';
            const std::optional<Download> download = archive.download(d.id);
            for (const DownloadRecord& r :
                 download ? download->records : decltype(download->records){}) {
                out << r.number << '=' << r.bytes.size() << '.' << int(r.bytes.at(0)) << ' ';
            }
        }
    };
    for (const Site& s : archive.sites()) {
        out << "\nS" << s.fields.name << ',' << s.fields.note << ',' << s.createdUtc << ','
            << s.changedUtc;
        describeDownloads(s.id);
        for (const InspectionSummary& i : archive.inspections(s.id)) {
            const InspectionFields f = archive.inspection(i.id)->fields;
            out << " I" << f.timeUtc << ',' << f.inspector << ',' << f.note;
        }
    }
    describeDownloads(0);
    for (const std::string& name : archive.inspectors()) {
        out << " N" << name;
    }
    return out.str();
}

// The same long run of random changes made to the archive in memory and to the file, call by
// call: each call succeeds or fails alike, and both then answer alike, as does the file reopened.
TEST(SqliteArchive, GivesTheAnswersOfTheArchiveInMemoryAndKeepsThemWhenReopened) {
    QTemporaryDir dir;
    MemoryArchive memory;
    std::unique_ptr<Archive> file = openAt(sqlitePath(dir));
    ASSERT_EQ(file->unavailableReason(), "");
    std::mt19937 random(2024);
    // Ids of the same thing in each archive, by the order it was made; some already deleted.
    std::vector<std::pair<ArchiveId, ArchiveId>> sites, downloads, inspections;
    auto pick = [&](const auto& ids) {
        return ids.empty() ? std::pair<ArchiveId, ArchiveId>{999, 999} : ids[random() % ids.size()];
    };
    // A call made to both: alike it must succeed or fail, and what it made is kept by pairs.
    auto made = [](const ArchiveIdResult& a, const ArchiveIdResult& b, auto& ids) {
        ASSERT_EQ(a.ok(), b.ok()) << b.error;
        if (a.ok()) {
            ids.emplace_back(a.id, b.id);
        }
    };
    for (int step = 0; step < 600; ++step) {
        SCOPED_TRACE(step);
        const std::int64_t now = static_cast<std::int64_t>(random() % 50);
        const std::string text = "t" + std::to_string(random() % 5);
        const std::pair<ArchiveId, ArchiveId> none{}, site = pick(sites),
                                                      download = pick(downloads);
        switch (random() % 9) {
            case 0: {  // a site changed
                ASSERT_EQ(memory.saveSite(site.first, named(text), now).ok(),
                          file->saveSite(site.second, named(text), now).ok());
                break;
            }
            case 1:
                made(memory.saveSite(0, named(text), now), file->saveSite(0, named(text), now),
                     sites);
                break;
            case 2:
                ASSERT_EQ(memory.deleteSite(site.first).ok(), file->deleteSite(site.second).ok());
                break;
            case 3: {
                const auto [m, f] = random() % 4 == 0 ? none : site;
                made(memory.beginDownload(m, now, text, step),
                     file->beginDownload(f, now, text, step), downloads);
                break;
            }
            case 4:
            case 5:
            case 6: {
                for (int n = 0; n < 12; ++n) {
                    const int number = static_cast<int>(random() % 30) + 1;
                    memory.fileRecord(download.first, number, recordBytes(step * 100 + n));
                    file->fileRecord(download.second, number, recordBytes(step * 100 + n));
                }
                const int blocks = static_cast<int>(random() % 40);
                if (random() % 3) {
                    ASSERT_EQ(memory.commitRecords().ok(), file->commitRecords().ok());
                } else {
                    ASSERT_EQ(memory.finishDownload(download.first, now, blocks).ok(),
                              file->finishDownload(download.second, now, blocks).ok());
                }
                break;
            }
            case 7: {
                const auto [m, f] = pick(inspections);
                ASSERT_EQ(memory.deleteDownload(download.first).ok(),
                          file->deleteDownload(download.second).ok());
                ASSERT_EQ(memory.deleteInspection(m).ok(), file->deleteInspection(f).ok());
                break;
            }
            default: {
                InspectionFields fields;
                fields.timeUtc = now;
                fields.inspector = random() % 4 ? text : "";
                fields.note = std::to_string(step);
                fields.siteId = site.first;
                const ArchiveIdResult a = memory.addInspection(fields);
                fields.siteId = site.second;
                made(a, file->addInspection(fields), inspections);
            }
        }
    }
    const std::string expected = describe(memory);
    EXPECT_EQ(describe(*file), expected);
    file.reset();
    file = openAt(sqlitePath(dir));
    ASSERT_EQ(file->unavailableReason(), "");
    EXPECT_EQ(describe(*file), expected);

    // Deleting every site takes its downloads and inspections, and every download its records.
    for (const Site& site : file->sites()) {
        ASSERT_TRUE(file->deleteSite(site.id).ok());
    }
    for (const DownloadSummary& download : file->downloads(0)) {
        ASSERT_TRUE(file->deleteDownload(download.id).ok());
    }
    EXPECT_EQ(OtherConnection(sqlitePath(dir))
                  .exec(QStringLiteral("SELECT (SELECT count(*) FROM record) + (SELECT count(*) "
                                       "FROM download) + (SELECT count(*) FROM inspection)")),
              QStringLiteral("0"));
}

// An archive of one site and a download of 300 records, closed again.
void makeArchive(const QString& path) {
    std::unique_ptr<Archive> archive = openAt(path);
    const ArchiveId download =
        archive->beginDownload(archive->saveSite(0, named("户"), 1).id, 1, "", 300).id;
    for (int number = 1; number <= 300; ++number) {
        archive->fileRecord(download, number, recordBytes(number));
    }
    archive->finishDownload(download, 2, 300);
}

TEST(SqliteArchive, AFileItCannotUseGivesTheReasonAndStaysAsItWas) {
    struct Case {
        const char* name;
        std::function<void(const QString& path)> make;
        std::string reasonPart;
        bool held = false;  // by a program that has locked it for itself
    };
    const Case cases[] = {
        {"not a database",
         [](const QString& path) {
             writeBytes(path, QByteArray("户名,户号\r\n张三\r\n").repeated(500));
         },
         "不是 SQLite"},
        {"truncated",
         [](const QString& path) {
             makeArchive(path);
             QFile(path).resize(QFileInfo(path).size() / 2);
         },
         "损坏"},
        {"pages overwritten",
         [](const QString& path) {
             makeArchive(path);
             QByteArray bytes = readAll(path);
             std::mt19937 random(3);
             for (qsizetype i = 4096; i < bytes.size(); i += 3) {
                 bytes[i] = static_cast<char>(random());
             }
             writeBytes(path, bytes);
         },
         "损坏"},
        {"newer version",
         [](const QString& path) {
             makeArchive(path);
             OtherConnection(path).exec(QStringLiteral("PRAGMA user_version = 3"));
         },
         "档案文件的版本为 3，本程序只认识到版本 1"},
        {"another program's database",
         [](const QString& path) {
             OtherConnection(path).exec(QStringLiteral("CREATE TABLE t (x)"));
         },
         "别的程序"},
        {"folder where no file may be made",
         [](const QString& path) {
             QFile::setPermissions(QFileInfo(path).path(), QFile::ReadOwner | QFile::ExeOwner);
         },
         "无法写入档案文件"},
        {"held by another program", makeArchive, "被另一个程序占用", true},
    };
    QTemporaryDir dir;
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = dir.filePath(QString::number(++index));
        ASSERT_TRUE(QDir().mkpath(folder));
        // Permissions do not bind root; a folder of the process file system binds everyone.
        const bool asRoot = geteuid() == 0 && c.reasonPart == "无法写入档案文件";
        const QString path = asRoot ? QStringLiteral("/proc/self/a.sqlite") : folder + "/a.sqlite";
        c.make(path);
        const QByteArray before = readAll(path);
        const QStringList entries = entriesOf(folder);
        std::unique_ptr<OtherConnection> holder;
        if (c.held) {
            holder = std::make_unique<OtherConnection>(path);
            holder->exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
            holder->exec(QStringLiteral("BEGIN EXCLUSIVE"));
        }
        {
            std::unique_ptr<Archive> archive = openAt(path, 200);
            const std::string reason = archive->unavailableReason();
            EXPECT_NE(reason.find(c.reasonPart), std::string::npos) << reason;
            EXPECT_EQ(archive->saveSite(0, named("户"), 1).error, reason);
            EXPECT_EQ(archive->beginDownload(0, 1, "", 1).error, reason);
            archive->fileRecord(1, 1, recordBytes(1));
            EXPECT_EQ(archive->addInspection({}).error, reason);
            EXPECT_TRUE(archive->sites().empty());
            EXPECT_FALSE(archive->download(1));
        }
        holder.reset();
        EXPECT_EQ(readAll(path), before);
        EXPECT_EQ(entriesOf(folder), entries);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST(SqliteArchive, TwoProgramsOnOneFileKeepEveryWriteOfBoth) {
    QTemporaryDir dir;
    std::unique_ptr<Archive> window = openAt(sqlitePath(dir));
    std::unique_ptr<Archive> tool = openAt(sqlitePath(dir));
    ASSERT_EQ(tool->unavailableReason(), "");
    std::vector<std::pair<Archive*, ArchiveId>> downloads;
    for (int i = 0; i < 10; ++i) {
        for (Archive* archive : {window.get(), tool.get()}) {
            const ArchiveId site = archive->saveSite(0, named(std::to_string(i)), i).id;
            downloads.emplace_back(archive, archive->beginDownload(site, i, "", 5).id);
            ASSERT_NE(downloads.back().second, 0);
        }
        for (auto& [archive, download] : downloads) {
            archive->fileRecord(download, i + 1, recordBytes(i));
        }
        ASSERT_TRUE(window->commitRecords().ok());
        ASSERT_TRUE(tool->commitRecords().ok());
    }
    // A writer that holds the file for a while is waited for, not failed.
    std::promise<void> locked;
    std::thread other([&] {
        OtherConnection connection(sqlitePath(dir));
        connection.exec(QStringLiteral("BEGIN IMMEDIATE"));
        locked.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        connection.exec(QStringLiteral("COMMIT"));
    });
    locked.get_future().wait();
    const ArchiveIdResult waited = window->saveSite(0, named("after"), 99);
    other.join();
    EXPECT_TRUE(waited.ok()) << waited.error;

    // The download begun in round k got a record in each round from k on.
    for (Archive* archive : {window.get(), tool.get()}) {
        EXPECT_EQ(archive->sites().size(), 21u);
        for (std::size_t k = 0; k < downloads.size(); ++k) {
            const std::optional<Download> download = archive->download(downloads[k].second);
            ASSERT_TRUE(download);
            EXPECT_EQ(download->records.size(), 10 - k / 2);
            EXPECT_EQ(download->summary.heldRecords, static_cast<int>(10 - k / 2));
        }
    }
}

// Any other handle of the file closed in this process (a file dialog reading the folder) drops
// this process's locks on it; another program that closes its archive then must not take the
// journal this program still writes to.
TEST(SqliteArchive, AnotherProgramClosingKeepsTheWritesOfOneWhoseLocksWereDropped) {
    QTemporaryDir dir;
    std::unique_ptr<Archive> window = openAt(sqlitePath(dir));
    ASSERT_TRUE(window->saveSite(0, named("甲"), 1).ok());
    for (const char* suffix : {"", "-wal", "-shm"}) {
        QFile peek(sqlitePath(dir) + suffix);
        if (peek.open(QIODevice::ReadOnly)) {
            peek.read(16);
        }
    }
    // Another program opens the file and closes it again.
    QProcess other;
    other.start(QStringLiteral("sqlite3"),
                {sqlitePath(dir), QStringLiteral("SELECT count(*) FROM site")});
    ASSERT_TRUE(other.waitForFinished(10'000));
    ASSERT_EQ(other.exitCode(), 0);
    ASSERT_TRUE(window->saveSite(0, named("乙"), 3).ok());
    EXPECT_EQ(OtherConnection(sqlitePath(dir)).exec(QStringLiteral("SELECT count(*) FROM site")),
              QStringLiteral("2"));
}

TEST(SqliteArchive, AKilledWriterLeavesASoundFileWithEveryCommittedRecord) {
    QTemporaryDir dir;
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::unique_ptr<Archive> archive = openAt(sqlitePath(dir));
        const ArchiveId download = archive->beginDownload(0, 1, "", 10000).id;
        for (int number = 1; number <= 100000; ++number) {
            archive->fileRecord(download, number, recordBytes(number));
            if (number % 10 == 0 && (!archive->commitRecords().ok() ||
                                     write(pipeEnds[1], &number, sizeof number) != sizeof number)) {
                _exit(1);
            }
        }
        _exit(0);
    }
    close(pipeEnds[1]);
    int committed = 0;
    while (committed < 400 && read(pipeEnds[0], &committed, sizeof committed) == sizeof committed) {
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(pipeEnds[0]);
    ASSERT_GE(committed, 400);

    EXPECT_EQ(OtherConnection(sqlitePath(dir)).exec(QStringLiteral("PRAGMA integrity_check")),
              QStringLiteral("ok"));
    std::unique_ptr<Archive> archive = openAt(sqlitePath(dir));
    ASSERT_EQ(archive->unavailableReason(), "");
    const std::vector<DownloadSummary> filed = archive->downloads(0);
    ASSERT_EQ(filed.size(), 1u);
    const Download download = *archive->download(filed[0].id);
    EXPECT_GE(download.summary.heldRecords, committed);
    EXPECT_EQ(download.records.size(), static_cast<std::size_t>(download.summary.heldRecords));
    for (std::size_t i = 0; i < download.records.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        ASSERT_EQ(download.records[i], (DownloadRecord{number, recordBytes(number)}));
    }
}

TEST(SqliteArchive, AFullDiskFailsTheCommitAndKeepsTheRecordsForTheNextTry) {
    QTemporaryDir dir;
    std::unique_ptr<Archive> archive = openAt(sqlitePath(dir));
    const ArchiveId download = archive->beginDownload(0, 1, "", 3000).id;
    for (int number = 1; number <= 3000; ++number) {
        archive->fileRecord(download, number, recordBytes(number));
    }
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const ArchiveResult full = archive->commitRecords();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_NE(full.error.find("档案写入失败"), std::string::npos) << full.error;
    EXPECT_EQ(archive->download(download)->records.size(), 0u);
    ASSERT_TRUE(archive->commitRecords().ok());
    EXPECT_EQ(archive->download(download)->records.size(), 3000u);
    archive.reset();
    EXPECT_EQ(OtherConnection(sqlitePath(dir)).exec(QStringLiteral("PRAGMA integrity_check")),
              QStringLiteral("ok"));
}

TEST(SqliteArchive, PathComesFromTheOptionTheEnvironmentOrTheDataFolder) {
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    const std::string fallback =
        data.filePath(QStringLiteral("phasemeter/archive.sqlite")).toStdString();
    qputenv("PHASEMETER_ARCHIVE", "/b/y.sqlite");
    EXPECT_EQ(archivePath("/a/x.sqlite"), "/a/x.sqlite");
    EXPECT_EQ(archivePath(std::nullopt), "/b/y.sqlite");
    EXPECT_EQ(archivePath(""), "/b/y.sqlite");
    qputenv("PHASEMETER_ARCHIVE", "");
    EXPECT_EQ(archivePath(std::nullopt), fallback);
    qunsetenv("PHASEMETER_ARCHIVE");
    // The folder is made at the first open.
    EXPECT_EQ(openSqliteArchive(archivePath(std::nullopt))->unavailableReason(), "");
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(fallback)));
    qunsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace pm::testing
