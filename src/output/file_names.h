#pragma once

#include <string>

namespace pm {

// `path` with `extension` added when its file name has none.
std::string withDefaultExtension(const std::string& path, const std::string& extension);

}  // namespace pm
