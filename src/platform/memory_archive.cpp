#include "platform/memory_archive.h"

#include <algorithm>

namespace pm {
namespace {

constexpr const char* kNoSuchSite = "no such site";
constexpr const char* kNoSuchDownload = "no such download";

bool contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// The entry of that id, or nothing.
template <typename Entry>
std::optional<Entry> entryOf(const std::map<ArchiveId, Entry>& entries, ArchiveId id) {
    const auto it = entries.find(id);
    return it == entries.end() ? std::nullopt : std::optional<Entry>(it->second);
}

}  // namespace

std::string MemoryArchive::refusal() const {
    return !unavailable_.empty() ? unavailable_ : writeError_;
}

template <typename Entry>
ArchiveResult MemoryArchive::erase(std::map<ArchiveId, Entry>& entries, ArchiveId id,
                                   const char* missing) {
    if (!refusal().empty()) {
        return {refusal()};
    }
    return entries.erase(id) == 0 ? ArchiveResult{missing} : ArchiveResult{};
}

std::vector<Site> MemoryArchive::sites(std::string_view search) {
    std::vector<Site> found;
    if (!unavailable_.empty()) {
        return found;
    }
    for (const auto& [id, site] : sites_) {
        const SiteFields& f = site.fields;
        if (search.empty() || contains(f.name, search) || contains(f.account, search) ||
            contains(f.meterNumber, search)) {
            found.push_back(site);
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Site& a, const Site& b) {
        return a.changedUtc != b.changedUtc ? a.changedUtc > b.changedUtc : a.id > b.id;
    });
    return found;
}

std::optional<Site> MemoryArchive::site(ArchiveId id) {
    return unavailable_.empty() ? entryOf(sites_, id) : std::nullopt;
}

std::optional<Site> MemoryArchive::siteNamed(std::string_view name) {
    if (!unavailable_.empty()) {
        return std::nullopt;
    }
    for (const auto& [id, site] : sites_) {
        if (site.fields.name == name) {
            return site;
        }
    }
    return std::nullopt;
}

ArchiveIdResult MemoryArchive::saveSite(ArchiveId id, const SiteFields& fields,
                                        std::int64_t nowUtc) {
    if (!refusal().empty()) {
        return {0, refusal()};
    }
    if (id == 0) {
        id = nextId_++;
        sites_[id] = Site{id, fields, nowUtc, nowUtc};
        return {id, {}};
    }
    const auto it = sites_.find(id);
    if (it == sites_.end()) {
        return {0, kNoSuchSite};
    }
    it->second.fields = fields;
    it->second.changedUtc = nowUtc;
    return {id, {}};
}

ArchiveResult MemoryArchive::deleteSite(ArchiveId id) {
    if (ArchiveResult deleted = erase(sites_, id, kNoSuchSite); !deleted.ok()) {
        return deleted;
    }
    std::erase_if(downloads_,
                  [id](const auto& entry) { return entry.second.summary.siteId == id; });
    std::erase_if(inspections_,
                  [id](const auto& entry) { return entry.second.fields.siteId == id; });
    return {};
}

ArchiveIdResult MemoryArchive::beginDownload(ArchiveId siteId, std::int64_t startUtc,
                                             const std::string& port, int reportedCount) {
    if (!refusal().empty()) {
        return {0, refusal()};
    }
    if (siteId != 0 && !sites_.contains(siteId)) {
        return {0, kNoSuchSite};
    }
    const ArchiveId id = nextId_++;
    Download& download = downloads_[id];
    download.summary = DownloadSummary{id, siteId, startUtc, 0, port, reportedCount, 0, 0, false};
    return {id, {}};
}

void MemoryArchive::fileRecord(ArchiveId downloadId, int number,
                               const std::vector<std::uint8_t>& bytes) {
    pending_[{downloadId, number}] = bytes;
}

ArchiveResult MemoryArchive::commitRecords() {
    if (pending_.empty()) {
        return {};
    }
    if (!refusal().empty()) {
        return {refusal()};
    }
    for (const auto& [key, bytes] : pending_) {
        const auto it = downloads_.find(key.first);
        if (it == downloads_.end() || it->second.summary.finished) {
            continue;
        }
        std::vector<DownloadRecord>& records = it->second.records;
        const auto at = std::lower_bound(
            records.begin(), records.end(), key.second,
            [](const DownloadRecord& record, int number) { return record.number < number; });
        if (at != records.end() && at->number == key.second) {
            at->bytes = bytes;
        } else {
            records.insert(at, DownloadRecord{key.second, bytes});
        }
        it->second.summary.heldRecords = static_cast<int>(records.size());
    }
    pending_.clear();
    ++commits_;
    return {};
}

ArchiveResult MemoryArchive::finishDownload(ArchiveId downloadId, std::int64_t endUtc,
                                            int tableBlocks) {
    if (ArchiveResult committed = commitRecords(); !committed.ok()) {
        return committed;
    }
    const auto it = downloads_.find(downloadId);
    if (it == downloads_.end() || it->second.summary.finished) {
        return {kNoSuchDownload};
    }
    it->second.summary.endUtc = endUtc;
    it->second.summary.tableBlocks = tableBlocks;
    it->second.summary.finished = true;
    return {};
}

std::vector<DownloadSummary> MemoryArchive::downloads(ArchiveId siteId) {
    std::vector<DownloadSummary> found;
    for (const auto& [id, download] : downloads_) {
        if (unavailable_.empty() && download.summary.siteId == siteId) {
            found.push_back(download.summary);
        }
    }
    std::reverse(found.begin(), found.end());
    return found;
}

std::optional<Download> MemoryArchive::download(ArchiveId id) {
    return unavailable_.empty() ? entryOf(downloads_, id) : std::nullopt;
}

ArchiveResult MemoryArchive::deleteDownload(ArchiveId id) {
    return erase(downloads_, id, kNoSuchDownload);
}

ArchiveIdResult MemoryArchive::addInspection(const InspectionFields& fields) {
    if (!refusal().empty()) {
        return {0, refusal()};
    }
    if (!sites_.contains(fields.siteId)) {
        return {0, kNoSuchSite};
    }
    const ArchiveId id = nextId_++;
    inspections_[id] = Inspection{id, fields};
    if (!fields.inspector.empty()) {
        std::erase(inspectors_, fields.inspector);
        inspectors_.insert(inspectors_.begin(), fields.inspector);
    }
    return {id, {}};
}

std::vector<InspectionSummary> MemoryArchive::inspections(ArchiveId siteId) {
    std::vector<InspectionSummary> found;
    for (const auto& [id, inspection] : inspections_) {
        const InspectionFields& f = inspection.fields;
        if (unavailable_.empty() && f.siteId == siteId) {
            found.push_back(
                {id, f.siteId, f.timeUtc, f.conclusion, f.correctionFactor, f.inspector});
        }
    }
    std::reverse(found.begin(), found.end());
    return found;
}

std::optional<Inspection> MemoryArchive::inspection(ArchiveId id) {
    return unavailable_.empty() ? entryOf(inspections_, id) : std::nullopt;
}

ArchiveResult MemoryArchive::deleteInspection(ArchiveId id) {
    return erase(inspections_, id, "no such inspection");
}

std::vector<std::string> MemoryArchive::inspectors() {
    return unavailable_.empty() ? inspectors_ : std::vector<std::string>{};
}

}  // namespace pm
