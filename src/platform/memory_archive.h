#pragma once

#include <map>

#include "platform/archive.h"

namespace pm {

// The archive held in memory only, for the handlers' tests and for scenarios: the same answers
// as the archive on disk, and a switch that makes every write fail with a given reason.
class MemoryArchive final : public Archive {
  public:
    std::string unavailableReason() const override { return unavailable_; }
    std::string location() const override { return "memory"; }

    std::vector<Site> sites(std::string_view search = {}) override;
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

    // From now on the archive is unavailable (`reason` non-empty) or writes fail (`writeError`).
    void setUnavailable(std::string reason) { unavailable_ = std::move(reason); }
    void setWriteError(std::string reason) { writeError_ = std::move(reason); }
    // How many times commitRecords wrote something.
    int commits() const { return commits_; }

  private:
    std::string refusal() const;
    // Deletes the entry of that id, unless writes are refused; `missing` when there is none.
    template <typename Entry>
    ArchiveResult erase(std::map<ArchiveId, Entry>& entries, ArchiveId id, const char* missing);

    std::string unavailable_;
    std::string writeError_;
    ArchiveId nextId_ = 1;
    int commits_ = 0;
    std::map<ArchiveId, Site> sites_;
    std::map<ArchiveId, Download> downloads_;
    std::map<ArchiveId, Inspection> inspections_;
    std::map<std::pair<ArchiveId, int>, std::vector<std::uint8_t>> pending_;
    std::vector<std::string> inspectors_;
};

}  // namespace pm
