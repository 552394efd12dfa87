#pragma once

#include <string>
#include <vector>

namespace pm {

// Outcome of writing a file: empty when it worked, otherwise why not, in words for the user.
struct WriteResult {
    std::string error;
    bool ok() const { return error.empty(); }
};

// The computer's folders and files as the saves need them.
class Files {
  public:
    virtual ~Files() = default;
    // The folder the save dialogs open in (~/Korvalendrix; c:\Korvalendrix on Windows).
    virtual std::string saveFolder() const = 0;
    // Creates the folder when it is missing. False when it neither exists nor can be made.
    virtual bool ensureFolder(const std::string& folder) = 0;
    // Writes `lines` (UTF-8), each ended by CR LF, in the system's encoding. The old file of that
    // name is replaced only once every line is written: a failed save leaves no half file and
    // destroys nothing.
    virtual WriteResult writeTextFile(const std::string& path,
                                      const std::vector<std::string>& lines) = 0;
};

}  // namespace pm
