#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/archive.h"

namespace pm {

// Files one read of the stored records into the archive while it runs: the download opens when
// the meter has reported its count, each record is held as it arrives and written at least once
// a second (on the clock's tick, or with the next record once a second has passed), and the
// download is closed when the read ends. A read the lost link cut short is written up to its
// last record and left unfinished. Without an archive, or with one that fails, the read goes on
// untouched; each failure goes to `onFault`, for the window to say.
class DownloadFiling {
  public:
    using FaultHandler = std::function<void(const std::string& reason)>;
    DownloadFiling(Archive* archive, FaultHandler onFault)
        : archive_(archive), onFault_(std::move(onFault)) {}

    // A read began under `siteId` (0: no site) on `port`, the meter having reported `count`.
    void begin(ArchiveId siteId, std::int64_t startUtc, const std::string& port, int count);
    // Record `number` (from 1) arrived at `nowUtc` as `bytes`.
    void record(int number, const std::vector<std::uint8_t>& bytes, std::int64_t nowUtc);
    // The clock's tick: what is held is written.
    void tick(std::int64_t nowUtc);
    // The link was lost during the read: what is held is written, and the download stays
    // unfinished; the rest of this read is not filed.
    void cut();
    // The read ended with the history table holding `tableBlocks` blocks.
    void end(std::int64_t endUtc, int tableBlocks);

    // The download of the read running or ended last (0: none filed).
    ArchiveId download() const { return download_; }
    bool filing() const { return filing_; }

  private:
    void commit(std::int64_t nowUtc);

    Archive* archive_;
    ArchiveId download_ = 0;
    bool filing_ = false;
    bool held_ = false;
    std::int64_t committedUtc_ = 0;
    FaultHandler onFault_;
};

}  // namespace pm
