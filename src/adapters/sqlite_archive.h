#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/archive.h"

namespace pm {

// The archive in one SQLite file, through Qt SQL. Opening never fails outright: a file that
// cannot be used gives an archive whose unavailableReason() says why, and which leaves the file
// as it found it. A write waits up to `busyTimeoutMs` for another program writing the same file
// (the window and the command-line tool may share one) before it fails.
std::unique_ptr<Archive> openSqliteArchive(const std::string& path, int busyTimeoutMs = 5000);

// The archive file to use: `option` (--archive FILE) when given, else PHASEMETER_ARCHIVE when
// set and not empty, else archive.sqlite in the user's application data folder
// (~/.local/share/phasemeter on Linux).
std::string archivePath(const std::optional<std::string>& option);

}  // namespace pm
