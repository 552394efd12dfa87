#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/wiring_check.h"

namespace pm {

// The site archive: the installations visited, every read of the meter's stored records and
// every wiring check filed, kept across runs. Plain values in and out; instants are seconds since
// 1970 in UTC (shown in local time by whoever shows them). Every call reports a failure by its
// result, with the reason in words for the user; nothing throws across this boundary.

using ArchiveId = std::int64_t;

// What a call that changes the archive made of it: empty `error` when it worked.
struct ArchiveResult {
    std::string error;
    bool ok() const { return error.empty(); }
};

// A new row's id, or why there is none.
struct ArchiveIdResult {
    ArchiveId id = 0;
    std::string error;
    bool ok() const { return error.empty(); }
};

// A site as the form holds it. The ratios are the texts entered ("200/5", "10000/100",
// "直接接入" or empty); transformer_ratio.h reads them.
struct SiteFields {
    std::string name;                              // 户名, required
    std::string account;                           // 户号
    std::string address;                           // 地址
    std::string meterNumber;                       // 表号
    std::string meterModel;                        // 电能表型号
    WiringSystem system = WiringSystem::FourWire;  // 接线方式
    std::string currentRatio;                      // CT 变比
    std::string voltageRatio;                      // PT 变比
    std::string note;                              // 备注
    bool operator==(const SiteFields&) const = default;
};

struct Site {
    ArchiveId id = 0;
    SiteFields fields;
    std::int64_t createdUtc = 0;
    std::int64_t changedUtc = 0;
};

// One stored record of a download, by its number on the meter (from 1), as received.
struct DownloadRecord {
    int number = 0;
    std::vector<std::uint8_t> bytes;
    bool operator==(const DownloadRecord&) const = default;
};

// A read of the stored records as filed. `finished` is false while the read runs, and stays so
// when the program died or the link was lost before the read ended.
struct DownloadSummary {
    ArchiveId id = 0;
    ArchiveId siteId = 0;
    std::int64_t startUtc = 0;
    std::int64_t endUtc = 0;  // 0 until finished
    std::string port;         // the device the meter answered on
    int reportedCount = 0;    // the count the meter reported
    int heldRecords = 0;      // records filed so far
    // Blocks the history table held when the read ended (records never answered included);
    // 0 until finished.
    int tableBlocks = 0;
    bool finished = false;
};

struct Download {
    DownloadSummary summary;
    std::vector<DownloadRecord> records;  // by number, ascending
};

// Where an inspection's reading came from: the live data, or a record of a download (or of a
// table not filed, downloadId 0).
struct InspectionSource {
    bool live = true;
    ArchiveId downloadId = 0;
    int recordNumber = 0;
    bool operator==(const InspectionSource&) const = default;
};

// A wiring check as filed: what was analysed, with which options, and what the page showed.
struct InspectionFields {
    ArchiveId siteId = 0;
    std::int64_t timeUtc = 0;
    std::string inspector;  // 检查人
    InspectionSource source;
    WiringOptions options;
    std::vector<std::uint8_t> frame;         // the reading's bytes as received
    std::vector<std::string> lines;          // the verdict lines, as the text save writes them
    std::string conclusion;                  // 结论, for lists
    std::optional<double> correctionFactor;  // K; none when infinite or unknown
    std::optional<double> meteredEnergy;     // 抄见电量, kWh
    std::optional<double> backBilledEnergy;  // 退补电量, kWh
    std::string note;
    // The site's CT and PT entries the check was made with: the lines' primary values and 退补电量
    // come from them, and the site may change afterwards.
    std::string currentRatio;
    std::string voltageRatio;
};

struct Inspection {
    ArchiveId id = 0;
    InspectionFields fields;
};

struct InspectionSummary {
    ArchiveId id = 0;
    ArchiveId siteId = 0;
    std::int64_t timeUtc = 0;
    std::string conclusion;
    std::optional<double> correctionFactor;
    std::string inspector;
};

class Archive {
  public:
    virtual ~Archive() = default;

    // Why the archive cannot be used (the file could not be opened, is not an archive, is of a
    // newer version, ...), empty when it can. Every other call fails with this reason then.
    virtual std::string unavailableReason() const = 0;
    // The file behind the archive, for messages.
    virtual std::string location() const = 0;

    // Sites, newest change first; `search` (empty: all) matches 户名, 户号 or 表号 anywhere.
    virtual std::vector<Site> sites(std::string_view search = {}) = 0;
    virtual std::optional<Site> site(ArchiveId id) = 0;
    // The first site of that 户名, if any.
    virtual std::optional<Site> siteNamed(std::string_view name) = 0;
    // Files a new site (id 0) or changes one; the site's id.
    virtual ArchiveIdResult saveSite(ArchiveId id, const SiteFields& fields,
                                     std::int64_t nowUtc) = 0;
    // Deletes the site with its downloads and inspections.
    virtual ArchiveResult deleteSite(ArchiveId id) = 0;

    // A read of the stored records begins under `siteId` (0: no site chosen).
    virtual ArchiveIdResult beginDownload(ArchiveId siteId, std::int64_t startUtc,
                                          const std::string& port, int reportedCount) = 0;
    // One record received: held until commitRecords, which the caller runs at least once a
    // second while a read goes on. A record number filed twice keeps the later bytes.
    virtual void fileRecord(ArchiveId downloadId, int number,
                            const std::vector<std::uint8_t>& bytes) = 0;
    // Writes the records held so far in one transaction.
    virtual ArchiveResult commitRecords() = 0;
    // The read ended: the held records are written and the download is closed for good.
    virtual ArchiveResult finishDownload(ArchiveId downloadId, std::int64_t endUtc,
                                         int tableBlocks) = 0;
    // Downloads of a site, newest first.
    virtual std::vector<DownloadSummary> downloads(ArchiveId siteId) = 0;
    virtual std::optional<Download> download(ArchiveId id) = 0;
    virtual ArchiveResult deleteDownload(ArchiveId id) = 0;

    virtual ArchiveIdResult addInspection(const InspectionFields& fields) = 0;
    // Inspections of a site, newest first.
    virtual std::vector<InspectionSummary> inspections(ArchiveId siteId) = 0;
    virtual std::optional<Inspection> inspection(ArchiveId id) = 0;
    virtual ArchiveResult deleteInspection(ArchiveId id) = 0;

    // Inspectors' names filed before, the one used last first.
    virtual std::vector<std::string> inspectors() = 0;
};

}  // namespace pm
