// Cost of the archive on SQLite: filing records while a read runs (a record every 100 ms, a
// commit about once a second), and, on an archive of 1,000 sites, 10,000 downloads and 1,000,000
// records, searching the sites, opening the archive, and putting a 10,000-record download into the
// history table. The file's size over the records' bytes is reported as a counter.
//
//   archive_bench                                        all benchmarks
//   archive_bench --benchmark_filter=FileRecords         filing alone
//
// Filing runs on a file in the system's temporary folder, where the disk's flush costs what it
// costs; the large archive is built once through the archive itself in /dev/shm when there is one,
// so that its 31,000 small transactions take seconds rather than minutes of flushes.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "adapters/sqlite_archive.h"
#include "platform/memory_grid.h"
#include "protocol/request_frames.h"
#include "simulator/instrument_simulator.h"
#include "view/download_table.h"

namespace {

constexpr int kSites = 1000;
constexpr int kDownloadsPerSite = 10;
constexpr int kRecords = 1'000'000;
constexpr int kLongDownload =
    10'000;  // the records of the first download; the rest share the others
constexpr int kRecordsPerCommit = 10;

const std::vector<std::uint8_t> kRecord = pm::sim::encodeFrame(pm::sim::balancedReading());

std::string siteName(int n) {
    return "用户" + std::to_string(100000 + n);
}

// The large archive, built at first use and kept for the process.
struct LargeArchive {
    QTemporaryDir dir{QFileInfo(QStringLiteral("/dev/shm")).isDir()
                          ? QStringLiteral("/dev/shm/archive-bench-XXXXXX")
                          : QDir::temp().filePath(QStringLiteral("archive-bench-XXXXXX"))};
    QString path = dir.filePath(QStringLiteral("archive.sqlite"));
    pm::ArchiveId longDownload = 0;
    double sizeRatio = 0;
    std::string error;  // why the archive could not be built, if it could not

    LargeArchive() {
        std::unique_ptr<pm::Archive> archive = pm::openSqliteArchive(path.toStdString());
        const int downloads = kSites * kDownloadsPerSite;
        const int restPerDownload = (kRecords - kLongDownload) / (downloads - 1);
        int filed = 0;
        std::vector<pm::ArchiveId> ids;
        std::vector<int> counts;  // records of each download, its table's blocks too
        for (int s = 0; s < kSites; ++s) {
            pm::SiteFields fields;
            fields.name = siteName(s);
            fields.account = std::to_string(3'000'000'000LL + s);
            fields.meterNumber = "M" + std::to_string(s * 7919);
            fields.address = "某市某区某路 " + std::to_string(s) + " 号";
            const pm::ArchiveId site = archive->saveSite(0, fields, 1'700'000'000 + s).id;
            for (int d = 0; d < kDownloadsPerSite; ++d) {
                const pm::ArchiveId id =
                    archive->beginDownload(site, 1'700'000'000 + s * 100 + d, "/dev/ttyUSB0", 0).id;
                const bool last = static_cast<int>(ids.size()) == downloads - 1;
                const int count = ids.empty() ? kLongDownload
                                  : last      ? kRecords - filed
                                              : restPerDownload;
                for (int number = 1; number <= count; ++number) {
                    archive->fileRecord(id, number, kRecord);
                }
                filed += count;
                ids.push_back(id);
                counts.push_back(count);
            }
        }
        // Every record in one transaction, then each download closed.
        error = archive->unavailableReason() + archive->commitRecords().error;
        for (std::size_t i = 0; i < ids.size() && error.empty(); ++i) {
            error = archive->finishDownload(ids[i], 1'800'000'000, counts[i]).error;
        }
        longDownload = ids.front();
        archive.reset();  // the last connection closed folds the log into the file
        const double recordBytes =
            static_cast<double>(kRecords) * static_cast<double>(kRecord.size());
        sizeRatio = static_cast<double>(QFileInfo(path).size()) / recordBytes;
    }
};

LargeArchive& largeArchive(benchmark::State& state) {
    static LargeArchive archive;
    if (!archive.error.empty()) {
        state.SkipWithError(archive.error.c_str());
    }
    return archive;
}

void FileRecordsDuringARead(benchmark::State& state) {
    QTemporaryDir dir;
    std::unique_ptr<pm::Archive> archive =
        pm::openSqliteArchive(dir.filePath(QStringLiteral("archive.sqlite")).toStdString());
    pm::ArchiveId download = 0;
    int number = int{pm::kLastRecordNumber};
    for (auto _ : state) {
        if (number == int{pm::kLastRecordNumber}) {
            download = archive->beginDownload(0, 1, "/dev/ttyUSB0", number).id;
            number = 0;
        }
        archive->fileRecord(download, ++number, kRecord);
        if (number % kRecordsPerCommit == 0 && !archive->commitRecords().ok()) {
            state.SkipWithError("commit failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FileRecordsDuringARead)->Unit(benchmark::kMillisecond)->Iterations(2000);

void SearchSites(benchmark::State& state) {
    std::unique_ptr<pm::Archive> archive =
        pm::openSqliteArchive(largeArchive(state).path.toStdString());
    std::size_t found = 0;
    int n = 0;
    for (auto _ : state) {
        // Part of a 户名 somewhere in the middle, a number that matches a few, and every site.
        const std::string searches[] = {std::to_string(100000 + (n * 37) % kSites).substr(2), "7",
                                        ""};
        found = archive->sites(searches[n++ % 3]).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["size_ratio"] = largeArchive(state).sizeRatio;
}
BENCHMARK(SearchSites)->Unit(benchmark::kMillisecond);

void OpenTheArchive(benchmark::State& state) {
    const std::string path = largeArchive(state).path.toStdString();
    for (auto _ : state) {
        std::unique_ptr<pm::Archive> archive = pm::openSqliteArchive(path);
        if (!archive->unavailableReason().empty()) {
            state.SkipWithError(archive->unavailableReason().c_str());
            break;
        }
    }
}
BENCHMARK(OpenTheArchive)->Unit(benchmark::kMillisecond);

void OpenALongDownloadIntoTheTable(benchmark::State& state) {
    std::unique_ptr<pm::Archive> archive =
        pm::openSqliteArchive(largeArchive(state).path.toStdString());
    for (auto _ : state) {
        const std::optional<pm::Download> download =
            archive->download(largeArchive(state).longDownload);
        if (!download || download->records.size() != kLongDownload) {
            state.SkipWithError("the long download is not all there");
            break;
        }
        pm::MemoryGrid grid;
        benchmark::DoNotOptimize(pm::writeDownload(grid, *download, pm::NumberFormat{}));
    }
    state.counters["size_ratio"] = largeArchive(state).sizeRatio;
}
BENCHMARK(OpenALongDownloadIntoTheTable)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Qt SQL loads its SQLite driver as a plugin, which takes an application object.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
