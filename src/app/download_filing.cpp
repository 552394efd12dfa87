#include "app/download_filing.h"

namespace pm {

void DownloadFiling::begin(ArchiveId siteId, std::int64_t startUtc, const std::string& port,
                           int count) {
    filing_ = false;
    held_ = false;
    download_ = 0;
    if (archive_ == nullptr) {
        return;
    }
    const ArchiveIdResult opened = archive_->beginDownload(siteId, startUtc, port, count);
    if (!opened.ok()) {
        onFault_(opened.error);
        return;
    }
    download_ = opened.id;
    filing_ = true;
    committedUtc_ = startUtc;
}

void DownloadFiling::record(int number, const std::vector<std::uint8_t>& bytes,
                            std::int64_t nowUtc) {
    if (!filing_) {
        return;
    }
    archive_->fileRecord(download_, number, bytes);
    held_ = true;
    if (nowUtc != committedUtc_) {
        commit(nowUtc);
    }
}

void DownloadFiling::tick(std::int64_t nowUtc) {
    if (filing_ && held_) {
        commit(nowUtc);
    }
}

void DownloadFiling::cut() {
    if (!filing_) {
        return;
    }
    if (held_) {
        commit(committedUtc_);
    }
    filing_ = false;
}

void DownloadFiling::end(std::int64_t endUtc, int tableBlocks) {
    if (!filing_) {
        return;
    }
    filing_ = false;
    held_ = false;
    const ArchiveResult finished = archive_->finishDownload(download_, endUtc, tableBlocks);
    if (!finished.ok()) {
        onFault_(finished.error);
    }
}

void DownloadFiling::commit(std::int64_t nowUtc) {
    held_ = false;
    committedUtc_ = nowUtc;
    const ArchiveResult written = archive_->commitRecords();
    if (!written.ok()) {
        // The records stay in the table; the archive is given up for this read rather than
        // failing again every second.
        filing_ = false;
        onFault_(written.error);
    }
}

}  // namespace pm
