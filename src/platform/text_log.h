#pragma once

#include <string>

#include "platform/files.h"

namespace pm {

// A file that grows by one line at a time, each written through to the disk as it comes, so a
// crash or a pulled plug loses at most the line being written. Lines are UTF-8 as given, each
// ended by CR LF so that the spreadsheet programs of every system read them.
class TextLog {
  public:
    virtual ~TextLog() = default;
    // Starts a new file at `path`, replacing one of that name.
    virtual WriteResult open(const std::string& path) = 0;
    virtual WriteResult appendLine(const std::string& line) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
};

}  // namespace pm
