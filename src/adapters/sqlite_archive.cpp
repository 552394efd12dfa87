#include "adapters/sqlite_archive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <functional>
#include <limits>
#include <map>
#include <utility>
#include <vector>

namespace pm {
namespace {

// Each schema version's statements, in order; the file's PRAGMA user_version says how many of
// them it has had. Versions are only ever added: a file is migrated from its own version up, in
// one transaction at open.
//
// A record's key is its download's id times 2^32 plus its number offset by 2^31, so that every
// int is a valid number and a download's records lie in one key range, in number order; the key
// is the table's rowid, so a record costs little beyond its bytes.
const std::vector<std::vector<const char*>> kMigrations = {
    {
        R"(CREATE TABLE site (
            id INTEGER PRIMARY KEY AUTOINCREMENT,
            name TEXT, account TEXT, address TEXT, meter_number TEXT, meter_model TEXT,
            wiring_system INTEGER NOT NULL, current_ratio TEXT, voltage_ratio TEXT, note TEXT,
            created_utc INTEGER NOT NULL, changed_utc INTEGER NOT NULL))",
        "CREATE INDEX site_by_change ON site (changed_utc, id)",
        "CREATE INDEX site_by_name ON site (name, id)",
        R"(CREATE TABLE download (
            id INTEGER PRIMARY KEY AUTOINCREMENT,
            site_id INTEGER REFERENCES site (id) ON DELETE CASCADE,
            start_utc INTEGER NOT NULL, end_utc INTEGER NOT NULL DEFAULT 0, port TEXT,
            reported_count INTEGER NOT NULL, held_records INTEGER NOT NULL DEFAULT 0,
            table_blocks INTEGER NOT NULL DEFAULT 0, finished INTEGER NOT NULL DEFAULT 0))",
        "CREATE INDEX download_by_site ON download (site_id, id)",
        "CREATE TABLE record (key INTEGER PRIMARY KEY, bytes BLOB)",
        R"(CREATE TRIGGER download_deleted AFTER DELETE ON download BEGIN
            DELETE FROM record
            WHERE key BETWEEN old.id * 4294967296 AND old.id * 4294967296 + 4294967295;
        END)",
        R"(CREATE TABLE inspection (
            id INTEGER PRIMARY KEY AUTOINCREMENT,
            site_id INTEGER NOT NULL REFERENCES site (id) ON DELETE CASCADE,
            time_utc INTEGER NOT NULL, inspector TEXT,
            source_live INTEGER NOT NULL, source_download INTEGER NOT NULL,
            source_record INTEGER NOT NULL,
            wiring_system INTEGER NOT NULL, load_from REAL NOT NULL, load_to REAL NOT NULL,
            power_direction INTEGER NOT NULL, via_voltage_transformers INTEGER NOT NULL,
            b_terminal INTEGER NOT NULL, average_power_factor REAL, option_metered_energy REAL,
            frame BLOB, lines TEXT, conclusion TEXT, correction_factor REAL,
            metered_energy REAL, back_billed_energy REAL, note TEXT,
            current_ratio TEXT, voltage_ratio TEXT))",
        "CREATE INDEX inspection_by_site ON inspection (site_id, id)",
        // The names typed before, for the inspector's list: kept when their inspections go.
        "CREATE TABLE inspector (name TEXT PRIMARY KEY, last_use INTEGER NOT NULL)",
    },
};
const int kSchemaVersion = static_cast<int>(kMigrations.size());

// SQLite's primary result codes that decide what a failure is called.
enum SqliteCode {
    kPerm = 3,
    kBusy = 5,
    kLocked = 6,
    kReadOnly = 8,
    kIoErr = 10,
    kCorrupt = 11,
    kFull = 13,
    kCantOpen = 14,
    kNotADb = 26,
};

constexpr std::int64_t kRecordsPerDownload = std::int64_t{1} << 32;

std::int64_t recordKey(ArchiveId download, int number) {
    return download * kRecordsPerDownload + (std::int64_t{number} + (std::int64_t{1} << 31));
}

int recordNumber(std::int64_t key) {
    return static_cast<int>(key % kRecordsPerDownload - (std::int64_t{1} << 31));
}

int codeOf(const QSqlError& error) {
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? code & 0xff : -1;
}

QString textOf(const QSqlError& error) {
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

bool isCorruption(const QSqlError& error) {
    return codeOf(error) == kCorrupt || codeOf(error) == kNotADb;
}

// Text columns are bound as text even when empty, so an empty field reads back as empty.
QVariant text(const std::string& value) {
    return QVariant(QString::fromStdString(value));
}

QVariant blob(const std::vector<std::uint8_t>& bytes) {
    return QVariant(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                               static_cast<qsizetype>(bytes.size())));
}

QVariant real(const std::optional<double>& value) {
    return value ? QVariant(*value) : QVariant();
}

QVariant integer(std::int64_t value) {
    return QVariant(static_cast<qlonglong>(value));
}

std::string textAt(const QSqlQuery& q, int column) {
    return q.value(column).toString().toStdString();
}

std::vector<std::uint8_t> bytesAt(const QSqlQuery& q, int column) {
    const QByteArray bytes = q.value(column).toByteArray();
    return {bytes.begin(), bytes.end()};
}

std::optional<double> realAt(const QSqlQuery& q, int column) {
    const QVariant value = q.value(column);
    return value.isNull() ? std::nullopt : std::optional<double>(value.toDouble());
}

std::int64_t integerAt(const QSqlQuery& q, int column) {
    return q.value(column).toLongLong();
}

int intAt(const QSqlQuery& q, int column) {
    return q.value(column).toInt();
}

QString joinedLines(const std::vector<std::string>& lines) {
    QJsonArray array;
    for (const std::string& line : lines) {
        array.append(QString::fromStdString(line));
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

std::vector<std::string> splitLines(const QString& json) {
    std::vector<std::string> lines;
    for (const QJsonValue& line : QJsonDocument::fromJson(json.toUtf8()).array()) {
        lines.push_back(line.toString().toStdString());
    }
    return lines;
}

// A file of a later version may hold what this program would not keep: it is left alone.
QString newerVersion(int found) {
    return QStringLiteral("档案文件的版本为 %1，本程序只认识到版本 %2")
        .arg(found)
        .arg(kSchemaVersion);
}

// The system's word on why `path` cannot be opened for writing, found by trying; a file this
// makes is empty and is removed again.
QString systemReason(const QString& path) {
    QFile probe(path);
    if (probe.exists()) {
        return probe.open(QIODevice::ReadWrite) ? QString() : probe.errorString();
    }
    if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        probe.close();
        probe.remove();
        return {};
    }
    return probe.errorString();
}

constexpr const char* kSiteColumns =
    "id, name, account, address, meter_number, meter_model, wiring_system, current_ratio, "
    "voltage_ratio, note, created_utc, changed_utc";

Site siteAt(const QSqlQuery& q) {
    Site site;
    site.id = integerAt(q, 0);
    site.fields.name = textAt(q, 1);
    site.fields.account = textAt(q, 2);
    site.fields.address = textAt(q, 3);
    site.fields.meterNumber = textAt(q, 4);
    site.fields.meterModel = textAt(q, 5);
    site.fields.system = intAt(q, 6) == 1 ? WiringSystem::ThreeWire : WiringSystem::FourWire;
    site.fields.currentRatio = textAt(q, 7);
    site.fields.voltageRatio = textAt(q, 8);
    site.fields.note = textAt(q, 9);
    site.createdUtc = integerAt(q, 10);
    site.changedUtc = integerAt(q, 11);
    return site;
}

constexpr const char* kDownloadColumns =
    "id, site_id, start_utc, end_utc, port, reported_count, held_records, table_blocks, finished";

DownloadSummary downloadAt(const QSqlQuery& q) {
    return DownloadSummary{integerAt(q, 0), integerAt(q, 1), integerAt(q, 2),
                           integerAt(q, 3), textAt(q, 4),    intAt(q, 5),
                           intAt(q, 6),     intAt(q, 7),     intAt(q, 8) != 0};
}

constexpr const char* kInspectionColumns =
    "id, site_id, time_utc, inspector, source_live, source_download, source_record, "
    "wiring_system, load_from, load_to, power_direction, via_voltage_transformers, b_terminal, "
    "average_power_factor, option_metered_energy, frame, lines, conclusion, correction_factor, "
    "metered_energy, back_billed_energy, note, current_ratio, voltage_ratio";

Inspection inspectionAt(const QSqlQuery& q) {
    Inspection inspection;
    inspection.id = integerAt(q, 0);
    InspectionFields& f = inspection.fields;
    f.siteId = integerAt(q, 1);
    f.timeUtc = integerAt(q, 2);
    f.inspector = textAt(q, 3);
    f.source = InspectionSource{intAt(q, 4) != 0, integerAt(q, 5), intAt(q, 6)};
    f.options.system = intAt(q, 7) == 1 ? WiringSystem::ThreeWire : WiringSystem::FourWire;
    f.options.loadFrom = q.value(8).toDouble();
    f.options.loadTo = q.value(9).toDouble();
    f.options.direction = intAt(q, 10) == 1 ? PowerDirection::Export : PowerDirection::Import;
    f.options.viaVoltageTransformers = intAt(q, 11) != 0;
    f.options.bTerminal = intAt(q, 12);
    f.options.averagePowerFactor = realAt(q, 13);
    f.options.meteredEnergy = realAt(q, 14);
    f.frame = bytesAt(q, 15);
    f.lines = splitLines(q.value(16).toString());
    f.conclusion = textAt(q, 17);
    f.correctionFactor = realAt(q, 18);
    f.meteredEnergy = realAt(q, 19);
    f.backBilledEnergy = realAt(q, 20);
    f.note = textAt(q, 21);
    f.currentRatio = textAt(q, 22);
    f.voltageRatio = textAt(q, 23);
    return inspection;
}

class SqliteArchive final : public Archive {
  public:
    SqliteArchive(const std::string& path, int busyTimeoutMs);
    ~SqliteArchive() override;
    SqliteArchive(const SqliteArchive&) = delete;
    SqliteArchive& operator=(const SqliteArchive&) = delete;

    std::string unavailableReason() const override { return unavailable_; }
    std::string location() const override { return QDir::toNativeSeparators(path_).toStdString(); }

    std::vector<Site> sites(std::string_view search) override;
    std::optional<Site> site(ArchiveId id) override;
    std::optional<Site> siteNamed(std::string_view name) override;
    ArchiveIdResult saveSite(ArchiveId id, const SiteFields& fields, std::int64_t nowUtc) override;
    ArchiveResult deleteSite(ArchiveId id) override;

    ArchiveIdResult beginDownload(ArchiveId siteId, std::int64_t startUtc, const std::string& port,
                                  int reportedCount) override;
    void fileRecord(ArchiveId downloadId, int number,
                    const std::vector<std::uint8_t>& bytes) override;
    ArchiveResult commitRecords() override;
    ArchiveResult finishDownload(ArchiveId downloadId, std::int64_t endUtc,
                                 int tableBlocks) override;
    std::vector<DownloadSummary> downloads(ArchiveId siteId) override;
    std::optional<Download> download(ArchiveId id) override;
    ArchiveResult deleteDownload(ArchiveId id) override;

    ArchiveIdResult addInspection(const InspectionFields& fields) override;
    std::vector<InspectionSummary> inspections(ArchiveId siteId) override;
    std::optional<Inspection> inspection(ArchiveId id) override;
    ArchiveResult deleteInspection(ArchiveId id) override;

    std::vector<std::string> inspectors() override;

  private:
    // The file is opened for each call and closed after it, so that the connection never outlives
    // the locks that tell other programs it is in use: closing any other handle of the file in
    // this process (a file dialog peeking into the folder) drops them, and another program's
    // connection closing then would take the journal of this one with it.
    class Connected {
      public:
        explicit Connected(SqliteArchive& archive) : archive_(archive) {
            if (archive_.depth_++ == 0) {
                archive_.connect();
            }
        }
        ~Connected() {
            if (--archive_.depth_ == 0) {
                archive_.close();
            }
        }
        Connected(const Connected&) = delete;
        Connected& operator=(const Connected&) = delete;

      private:
        SqliteArchive& archive_;
    };
    // Opens the connection for one call; a failure is the call's (the file may be held just now).
    void connect();

    // What a write's body found: empty when it may be committed.
    using Body = std::function<std::string()>;

    QString open(int busyTimeoutMs);
    QString openFailure(const QSqlError& error) const;
    QString migrate();
    void close();

    // Prepares `sql` and runs it with `values` bound to its `?` in order; `error` gets the
    // reason when it fails.
    QSqlQuery run(const char* sql, const QVariantList& values, std::string& error);
    // `sql` for reading: the query positioned before its first row, or nothing when it failed.
    // The reason a statement failed, for the user; a file found damaged makes the archive
    // unavailable from then on.
    std::string failed(const QSqlError& error);
    std::optional<QSqlQuery> read(const char* sql, const QVariantList& values);
    bool exists(const char* table, ArchiveId id, std::string& error);
    // Runs `body` in one write transaction that waits for other writers (BEGIN IMMEDIATE) and is
    // committed only when the body found nothing wrong.
    std::string write(const Body& body);
    std::string writeHeldRecords();

    QString path_;
    QString connection_;
    int busyTimeoutMs_ = 0;
    int depth_ = 0;
    std::string connectError_;
    QSqlDatabase db_;
    std::string unavailable_;
    std::map<std::pair<ArchiveId, int>, std::vector<std::uint8_t>> held_;
};

const char* const kWriteFailed = "档案写入失败：";
const char* const kNoSuchSite = "档案中没有这个户";
const char* const kNoSuchDownload = "档案中没有这次下载，或它已结束";
const char* const kNoSuchInspection = "档案中没有这次检查";

SqliteArchive::SqliteArchive(const std::string& path, int busyTimeoutMs)
    : path_(QString::fromStdString(path)) {
    static std::atomic<int> serial{0};
    connection_ = QStringLiteral("phasemeter-archive-%1").arg(++serial);
    busyTimeoutMs_ = busyTimeoutMs;
    const QString reason = open(busyTimeoutMs);
    if (!reason.isEmpty()) {
        unavailable_ = reason.toStdString();
    }
    close();
}

void SqliteArchive::connect() {
    connectError_.clear();
    if (!unavailable_.empty()) {
        return;
    }
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db_.setDatabaseName(path_);
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs_));
    if (!db_.open()) {
        connectError_ = openFailure(db_.lastError()).toStdString();
        return;
    }
    for (const char* pragma : {"PRAGMA foreign_keys = ON", "PRAGMA synchronous = FULL"}) {
        std::string error;
        run(pragma, {}, error);
        if (!error.empty() && connectError_.empty()) {
            connectError_ = error;
        }
    }
}

SqliteArchive::~SqliteArchive() {
    close();
}

void SqliteArchive::close() {
    if (db_.isValid()) {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection_);
    }
}

QString SqliteArchive::open(int busyTimeoutMs) {
    if (path_.isEmpty()) {
        return QStringLiteral("没有档案文件名");
    }
    const QFileInfo info(path_);
    if (info.isDir()) {
        return QStringLiteral("档案文件的位置是一个文件夹");
    }
    const QString folder = info.absolutePath();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        return QStringLiteral("无法建立档案文件夹 %1").arg(QDir::toNativeSeparators(folder));
    }
    // Whatever is not an SQLite file stays untouched: SQLite itself would only say so once
    // asked to write, and an empty file is an archive not yet begun.
    if (info.exists()) {
        QFile file(path_);
        if (!file.open(QIODevice::ReadOnly)) {
            return QStringLiteral("无法读取档案文件：%1").arg(file.errorString());
        }
        const QByteArray head = file.read(16);
        if (!head.isEmpty() && head != QByteArray("SQLite format 3\0", 16)) {
            return QStringLiteral("档案文件不是 SQLite 数据库");
        }
    }

    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    if (!db_.isValid()) {
        return QStringLiteral("没有 Qt SQL 的 SQLite 驱动（QSQLITE），无法打开档案");
    }
    db_.setDatabaseName(path_);
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    if (!db_.open()) {
        return openFailure(db_.lastError());
    }

    // Only reads until the file is known to be an archive this program may change.
    std::string error;
    QSqlQuery version = run("PRAGMA user_version", {}, error);
    if (!error.empty() || !version.next()) {
        return openFailure(version.lastError());
    }
    const int found = version.value(0).toInt();
    if (found > kSchemaVersion) {
        return newerVersion(found);
    }
    QSqlQuery objects = run("SELECT count(*) FROM sqlite_master", {}, error);
    if (!error.empty() || !objects.next()) {
        return openFailure(objects.lastError());
    }
    if (found == 0 && objects.value(0).toInt() > 0) {
        return QStringLiteral("档案文件是别的程序的 SQLite 数据库，不是本程序的档案");
    }
    QSqlQuery check = run("PRAGMA quick_check(1)", {}, error);
    if (!error.empty() || !check.next()) {
        return openFailure(check.lastError());
    }
    if (const QString verdict = check.value(0).toString(); verdict != QLatin1String("ok")) {
        return QStringLiteral("档案文件已损坏：%1").arg(verdict.simplified());
    }
    version = QSqlQuery();
    objects = QSqlQuery();
    check = QSqlQuery();

    // Every write reaches the disk before it counts as done, deletes cascade, and readers never
    // wait for the writer.
    for (const char* pragma : {"PRAGMA foreign_keys = ON", "PRAGMA synchronous = FULL"}) {
        if (QSqlQuery q = run(pragma, {}, error); !error.empty()) {
            return openFailure(q.lastError());
        }
    }
    QSqlQuery journal = run("PRAGMA journal_mode = WAL", {}, error);
    if (!error.empty() || !journal.next()) {
        return openFailure(journal.lastError());
    }
    if (journal.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        return QStringLiteral("无法写入档案文件：%1").arg(systemReason(path_));
    }
    journal = QSqlQuery();
    return migrate();
}

QString SqliteArchive::openFailure(const QSqlError& error) const {
    const QString text = textOf(error);
    switch (codeOf(error)) {
        case kBusy:
        case kLocked:
            return QStringLiteral("档案文件被另一个程序占用：%1").arg(text);
        case kCorrupt:
            return QStringLiteral("档案文件已损坏：%1").arg(text);
        case kNotADb:
            return QStringLiteral("档案文件不是 SQLite 数据库：%1").arg(text);
        case kFull:
            return QStringLiteral("磁盘已满，无法写入档案文件：%1").arg(text);
        case kPerm:
        case kReadOnly:
        case kCantOpen:
        case kIoErr: {
            const QString system = systemReason(path_);
            return QStringLiteral("无法写入档案文件：%1").arg(system.isEmpty() ? text : system);
        }
        default:
            return QStringLiteral("无法打开档案文件：%1").arg(text);
    }
}

QString SqliteArchive::migrate() {
    // The version is read again inside the transaction: another program may have migrated the
    // file since; and taking the write lock here shows at once a file that cannot be written.
    std::string error;
    QSqlQuery begin = run("BEGIN IMMEDIATE", {}, error);
    if (!error.empty()) {
        return openFailure(begin.lastError());
    }
    QSqlError failure;
    QSqlQuery version = run("PRAGMA user_version", {}, error);
    int found = 0;
    if (error.empty() && version.next()) {
        found = version.value(0).toInt();
    } else {
        failure = version.lastError();
    }
    version = QSqlQuery();
    if (found > kSchemaVersion) {
        std::string ignored;
        run("ROLLBACK", {}, ignored);
        return newerVersion(found);
    }
    for (int v = found; error.empty() && v < kSchemaVersion; ++v) {
        for (const char* statement : kMigrations[static_cast<std::size_t>(v)]) {
            if (QSqlQuery q = run(statement, {}, error); !error.empty()) {
                failure = q.lastError();
                break;
            }
        }
    }
    if (error.empty() && found < kSchemaVersion) {
        // A pragma takes no bound values; the number is the program's own.
        const std::string set = "PRAGMA user_version = " + std::to_string(kSchemaVersion);
        if (QSqlQuery q = run(set.c_str(), {}, error); !error.empty()) {
            failure = q.lastError();
        }
    }
    if (error.empty()) {
        if (QSqlQuery q = run("COMMIT", {}, error); error.empty()) {
            return {};
        } else {
            failure = q.lastError();
        }
    }
    std::string ignored;
    run("ROLLBACK", {}, ignored);
    return openFailure(failure);
}

QSqlQuery SqliteArchive::run(const char* sql, const QVariantList& values, std::string& error) {
    QSqlQuery q(db_);
    q.setForwardOnly(true);
    const bool ran = q.prepare(QString::fromUtf8(sql)) && [&] {
        for (const QVariant& value : values) {
            q.addBindValue(value);
        }
        return q.exec();
    }();
    if (!ran) {
        error = failed(q.lastError());
    }
    return q;
}

std::string SqliteArchive::failed(const QSqlError& error) {
    if (isCorruption(error) && unavailable_.empty()) {
        unavailable_ = QStringLiteral("档案文件已损坏：%1").arg(textOf(error)).toStdString();
    }
    return kWriteFailed + textOf(error).toStdString();
}

std::optional<QSqlQuery> SqliteArchive::read(const char* sql, const QVariantList& values) {
    if (!unavailable_.empty() || !connectError_.empty()) {
        return std::nullopt;
    }
    std::string error;
    QSqlQuery q = run(sql, values, error);
    return error.empty() ? std::optional<QSqlQuery>(std::move(q)) : std::nullopt;
}

bool SqliteArchive::exists(const char* table, ArchiveId id, std::string& error) {
    const std::string sql = std::string("SELECT 1 FROM ") + table + " WHERE id = ?";
    QSqlQuery q = run(sql.c_str(), {integer(id)}, error);
    return error.empty() && q.next();
}

std::string SqliteArchive::write(const Body& body) {
    if (!unavailable_.empty()) {
        return unavailable_;
    }
    if (!connectError_.empty()) {
        return connectError_;
    }
    std::string error;
    run("BEGIN IMMEDIATE", {}, error);
    if (!error.empty()) {
        return error;
    }
    error = body();
    if (error.empty()) {
        run("COMMIT", {}, error);
    }
    if (!error.empty()) {
        std::string ignored;
        run("ROLLBACK", {}, ignored);
    }
    return error;
}

std::vector<Site> SqliteArchive::sites(std::string_view search) {
    const Connected connected(*this);
    std::vector<Site> found;
    // instr() rather than LIKE: matches exactly what was typed, with no wildcard of its own.
    const std::string sql = std::string("SELECT ") + kSiteColumns +
                            " FROM site WHERE instr(name, ?) > 0 OR instr(account, ?) > 0 OR "
                            "instr(meter_number, ?) > 0 ORDER BY changed_utc DESC, id DESC";
    const QVariant part = text(std::string(search));
    if (auto q = read(sql.c_str(), {part, part, part})) {
        while (q->next()) {
            found.push_back(siteAt(*q));
        }
    }
    return found;
}

std::optional<Site> SqliteArchive::site(ArchiveId id) {
    const Connected connected(*this);
    const std::string sql = std::string("SELECT ") + kSiteColumns + " FROM site WHERE id = ?";
    if (auto q = read(sql.c_str(), {integer(id)}); q && q->next()) {
        return siteAt(*q);
    }
    return std::nullopt;
}

std::optional<Site> SqliteArchive::siteNamed(std::string_view name) {
    const Connected connected(*this);
    const std::string sql =
        std::string("SELECT ") + kSiteColumns + " FROM site WHERE name = ? ORDER BY id LIMIT 1";
    if (auto q = read(sql.c_str(), {text(std::string(name))}); q && q->next()) {
        return siteAt(*q);
    }
    return std::nullopt;
}

ArchiveIdResult SqliteArchive::saveSite(ArchiveId id, const SiteFields& fields,
                                        std::int64_t nowUtc) {
    const Connected connected(*this);
    const QVariantList values = {
        text(fields.name),         text(fields.account),      text(fields.address),
        text(fields.meterNumber),  text(fields.meterModel),   static_cast<int>(fields.system),
        text(fields.currentRatio), text(fields.voltageRatio), text(fields.note),
        integer(nowUtc),
    };
    ArchiveId saved = id;
    const std::string error = write([&]() -> std::string {
        std::string failure;
        if (id == 0) {
            QVariantList inserted = values;
            inserted.append(integer(nowUtc));
            QSqlQuery q =
                run("INSERT INTO site (name, account, address, meter_number, meter_model, "
                    "wiring_system, current_ratio, voltage_ratio, note, changed_utc, created_utc) "
                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                    inserted, failure);
            saved = q.lastInsertId().toLongLong();
            return failure;
        }
        QVariantList changed = values;
        changed.append(integer(id));
        QSqlQuery q = run(
            "UPDATE site SET name = ?, account = ?, address = ?, meter_number = ?, "
            "meter_model = ?, wiring_system = ?, current_ratio = ?, voltage_ratio = ?, note = ?, "
            "changed_utc = ? WHERE id = ?",
            changed, failure);
        if (failure.empty() && q.numRowsAffected() == 0) {
            failure = kNoSuchSite;
        }
        return failure;
    });
    return error.empty() ? ArchiveIdResult{saved, {}} : ArchiveIdResult{0, error};
}

ArchiveResult SqliteArchive::deleteSite(ArchiveId id) {
    const Connected connected(*this);
    // The site's downloads and inspections go with it (foreign keys), and the downloads'
    // records with them (trigger).
    return {write([&]() -> std::string {
        std::string failure;
        QSqlQuery q = run("DELETE FROM site WHERE id = ?", {integer(id)}, failure);
        return failure.empty() && q.numRowsAffected() == 0 ? kNoSuchSite : failure;
    })};
}

ArchiveIdResult SqliteArchive::beginDownload(ArchiveId siteId, std::int64_t startUtc,
                                             const std::string& port, int reportedCount) {
    const Connected connected(*this);
    ArchiveId id = 0;
    const std::string error = write([&]() -> std::string {
        std::string failure;
        if (siteId != 0 && !exists("site", siteId, failure)) {
            return failure.empty() ? kNoSuchSite : failure;
        }
        QSqlQuery q = run(
            "INSERT INTO download (site_id, start_utc, port, reported_count) VALUES (?, ?, ?, ?)",
            {siteId == 0 ? QVariant() : integer(siteId), integer(startUtc), text(port),
             reportedCount},
            failure);
        id = q.lastInsertId().toLongLong();
        return failure;
    });
    return error.empty() ? ArchiveIdResult{id, {}} : ArchiveIdResult{0, error};
}

void SqliteArchive::fileRecord(ArchiveId downloadId, int number,
                               const std::vector<std::uint8_t>& bytes) {
    if (unavailable_.empty()) {
        held_[{downloadId, number}] = bytes;
    }
}

std::string SqliteArchive::writeHeldRecords() {
    std::string failure;
    QSqlQuery insert(db_);
    if (!insert.prepare(
            QStringLiteral("INSERT OR REPLACE INTO record (key, bytes) VALUES (?, ?)"))) {
        return failed(insert.lastError());
    }
    for (auto it = held_.begin(); it != held_.end();) {
        const ArchiveId download = it->first.first;
        const auto end = held_.lower_bound({download + 1, std::numeric_limits<int>::min()});
        // Records of a download that is gone or already finished are dropped: a finished
        // download is never changed.
        QSqlQuery unfinished = run("SELECT 1 FROM download WHERE id = ? AND finished = 0",
                                   {integer(download)}, failure);
        if (!failure.empty()) {
            return failure;
        }
        if (unfinished.next()) {
            for (; it != end; ++it) {
                insert.bindValue(0, integer(recordKey(download, it->first.second)));
                insert.bindValue(1, blob(it->second));
                if (!insert.exec()) {
                    return failed(insert.lastError());
                }
            }
            run("UPDATE download SET held_records = (SELECT count(*) FROM record WHERE key "
                "BETWEEN ? AND ?) WHERE id = ?",
                {integer(download * kRecordsPerDownload),
                 integer(download * kRecordsPerDownload + kRecordsPerDownload - 1),
                 integer(download)},
                failure);
            if (!failure.empty()) {
                return failure;
            }
        }
        it = end;
    }
    return {};
}

ArchiveResult SqliteArchive::commitRecords() {
    const Connected connected(*this);
    if (held_.empty()) {
        return {};
    }
    const std::string error = write([this] { return writeHeldRecords(); });
    // Held records stay held when the write failed, for the next try.
    if (error.empty()) {
        held_.clear();
    }
    return {error};
}

ArchiveResult SqliteArchive::finishDownload(ArchiveId downloadId, std::int64_t endUtc,
                                            int tableBlocks) {
    const Connected connected(*this);
    if (ArchiveResult committed = commitRecords(); !committed.ok()) {
        return committed;
    }
    return {write([&]() -> std::string {
        std::string failure;
        QSqlQuery q =
            run("UPDATE download SET end_utc = ?, table_blocks = ?, finished = 1 "
                "WHERE id = ? AND finished = 0",
                {integer(endUtc), tableBlocks, integer(downloadId)}, failure);
        return failure.empty() && q.numRowsAffected() == 0 ? kNoSuchDownload : failure;
    })};
}

std::vector<DownloadSummary> SqliteArchive::downloads(ArchiveId siteId) {
    const Connected connected(*this);
    std::vector<DownloadSummary> found;
    const std::string sql = std::string("SELECT ") + kDownloadColumns +
                            " FROM download WHERE site_id IS ? " + "ORDER BY id DESC";
    if (auto q = read(sql.c_str(), {siteId == 0 ? QVariant() : integer(siteId)})) {
        while (q->next()) {
            found.push_back(downloadAt(*q));
        }
    }
    return found;
}

std::optional<Download> SqliteArchive::download(ArchiveId id) {
    const Connected connected(*this);
    const std::string sql =
        std::string("SELECT ") + kDownloadColumns + " FROM download WHERE id = ?";
    Download download;
    if (auto q = read(sql.c_str(), {integer(id)}); q && q->next()) {
        download.summary = downloadAt(*q);
    } else {
        return std::nullopt;
    }
    auto q = read("SELECT key, bytes FROM record WHERE key BETWEEN ? AND ? ORDER BY key",
                  {integer(id * kRecordsPerDownload),
                   integer(id * kRecordsPerDownload + kRecordsPerDownload - 1)});
    if (!q) {
        return std::nullopt;
    }
    download.records.reserve(static_cast<std::size_t>(download.summary.heldRecords));
    while (q->next()) {
        download.records.push_back({recordNumber(integerAt(*q, 0)), bytesAt(*q, 1)});
    }
    // A read cut short by a damaged page is no download to show as if it were whole.
    if (q->lastError().isValid()) {
        return std::nullopt;
    }
    return download;
}

ArchiveResult SqliteArchive::deleteDownload(ArchiveId id) {
    const Connected connected(*this);
    const std::string error = write([&]() -> std::string {
        std::string failure;
        QSqlQuery q = run("DELETE FROM download WHERE id = ?", {integer(id)}, failure);
        return failure.empty() && q.numRowsAffected() == 0 ? kNoSuchDownload : failure;
    });
    if (error.empty()) {
        std::erase_if(held_, [id](const auto& entry) { return entry.first.first == id; });
    }
    return {error};
}

ArchiveIdResult SqliteArchive::addInspection(const InspectionFields& f) {
    const Connected connected(*this);
    ArchiveId id = 0;
    const std::string error = write([&]() -> std::string {
        std::string failure;
        if (!exists("site", f.siteId, failure)) {
            return failure.empty() ? kNoSuchSite : failure;
        }
        QSqlQuery q = run(
            "INSERT INTO inspection (site_id, time_utc, inspector, source_live, source_download, "
            "source_record, wiring_system, load_from, load_to, power_direction, "
            "via_voltage_transformers, b_terminal, average_power_factor, option_metered_energy, "
            "frame, lines, conclusion, correction_factor, metered_energy, back_billed_energy, "
            "note, current_ratio, voltage_ratio) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
            "?, ?, ?, ?, ?, ?, ?, ?, ?)",
            {integer(f.siteId),
             integer(f.timeUtc),
             text(f.inspector),
             f.source.live ? 1 : 0,
             integer(f.source.downloadId),
             f.source.recordNumber,
             static_cast<int>(f.options.system),
             f.options.loadFrom,
             f.options.loadTo,
             static_cast<int>(f.options.direction),
             f.options.viaVoltageTransformers ? 1 : 0,
             f.options.bTerminal,
             real(f.options.averagePowerFactor),
             real(f.options.meteredEnergy),
             blob(f.frame),
             joinedLines(f.lines),
             text(f.conclusion),
             real(f.correctionFactor),
             real(f.meteredEnergy),
             real(f.backBilledEnergy),
             text(f.note),
             text(f.currentRatio),
             text(f.voltageRatio)},
            failure);
        id = q.lastInsertId().toLongLong();
        if (failure.empty() && !f.inspector.empty()) {
            run("INSERT INTO inspector (name, last_use) VALUES "
                "(?, (SELECT coalesce(max(last_use), 0) + 1 FROM inspector)) "
                "ON CONFLICT (name) DO UPDATE SET last_use = excluded.last_use",
                {text(f.inspector)}, failure);
        }
        return failure;
    });
    return error.empty() ? ArchiveIdResult{id, {}} : ArchiveIdResult{0, error};
}

std::vector<InspectionSummary> SqliteArchive::inspections(ArchiveId siteId) {
    const Connected connected(*this);
    std::vector<InspectionSummary> found;
    if (auto q = read("SELECT id, site_id, time_utc, conclusion, correction_factor, inspector "
                      "FROM inspection WHERE site_id = ? ORDER BY id DESC",
                      {integer(siteId)})) {
        while (q->next()) {
            found.push_back({integerAt(*q, 0), integerAt(*q, 1), integerAt(*q, 2), textAt(*q, 3),
                             realAt(*q, 4), textAt(*q, 5)});
        }
    }
    return found;
}

std::optional<Inspection> SqliteArchive::inspection(ArchiveId id) {
    const Connected connected(*this);
    const std::string sql =
        std::string("SELECT ") + kInspectionColumns + " FROM inspection WHERE id = ?";
    if (auto q = read(sql.c_str(), {integer(id)}); q && q->next()) {
        return inspectionAt(*q);
    }
    return std::nullopt;
}

ArchiveResult SqliteArchive::deleteInspection(ArchiveId id) {
    const Connected connected(*this);
    return {write([&]() -> std::string {
        std::string failure;
        QSqlQuery q = run("DELETE FROM inspection WHERE id = ?", {integer(id)}, failure);
        return failure.empty() && q.numRowsAffected() == 0 ? kNoSuchInspection : failure;
    })};
}

std::vector<std::string> SqliteArchive::inspectors() {
    const Connected connected(*this);
    std::vector<std::string> names;
    if (auto q = read("SELECT name FROM inspector ORDER BY last_use DESC", {})) {
        while (q->next()) {
            names.push_back(textAt(*q, 0));
        }
    }
    return names;
}

}  // namespace

std::unique_ptr<Archive> openSqliteArchive(const std::string& path, int busyTimeoutMs) {
    return std::make_unique<SqliteArchive>(path, busyTimeoutMs);
}

std::string archivePath(const std::optional<std::string>& option) {
    if (option && !option->empty()) {
        return *option;
    }
    if (const QString fromEnvironment = qEnvironmentVariable("PHASEMETER_ARCHIVE");
        !fromEnvironment.isEmpty()) {
        return fromEnvironment.toStdString();
    }
    // The window and the command-line tool run under different program names but share one
    // archive: the folder is named for the program whichever of them asks.
    const QString ownName = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("phasemeter"));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCoreApplication::setApplicationName(ownName);
    return QDir(folder).filePath(QStringLiteral("archive.sqlite")).toStdString();
}

}  // namespace pm
