#pragma once

#include <string>

#include "platform/files.h"

namespace pm {

// A picture of the main window, taken on request and kept until the next one.
class WindowSnapshot {
  public:
    virtual ~WindowSnapshot() = default;
    // Takes the picture of the window as it is on screen now.
    virtual void take() = 0;
    // Saves the picture taken last, encoded as the name's extension says (JPEG for .jpg and
    // .jpeg, PNG for .png, BMP for .bmp, JPEG for anything else), replacing the file only when
    // the whole picture was written.
    virtual WriteResult save(const std::string& path) = 0;
};

}  // namespace pm
