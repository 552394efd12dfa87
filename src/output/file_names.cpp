#include "output/file_names.h"

namespace pm {

std::string withDefaultExtension(const std::string& path, const std::string& extension) {
    const std::size_t nameStart = path.find_last_of("/\\");
    const std::string name = path.substr(nameStart == std::string::npos ? 0 : nameStart + 1);
    if (name.empty() || name.find('.') != std::string::npos) {
        return path;
    }
    return path + extension;
}

}  // namespace pm
