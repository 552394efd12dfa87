// Every include under src/ points down the list of layers: a folder includes only from itself
// and the folders below it. Reads the sources as text, so a wrong include fails here, naming the
// file and the line, before anyone has to find it in a picture of the code.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace pm {
namespace {

namespace fs = std::filesystem;

// Bottom to top. qt/ and cli/ share the top; neither includes the other, and both build on the
// adapters below them.
constexpr std::array<std::string_view, 11> kLayers = {
    "core",   "protocol", "analysis", "platform", "window", "view",
    "output", "app",      "adapters", "qt",       "cli"};

std::optional<std::size_t> levelOf(std::string_view folder) {
    const auto at = std::find(kLayers.begin(), kLayers.end(), folder);
    if (at == kLayers.end()) {
        return std::nullopt;
    }
    const auto index = static_cast<std::size_t>(at - kLayers.begin());
    return std::min<std::size_t>(index, 9);  // qt and cli are one level
}

struct Violation {
    std::string where;  // file:line
    std::string text;
};

// The quoted target of an #include line; nothing for any other line or for an <include>.
std::optional<std::string> quotedInclude(std::string_view line) {
    auto skipBlanks = [&line] {
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            line.remove_prefix(1);
        }
    };
    skipBlanks();
    if (!line.starts_with('#')) {
        return std::nullopt;
    }
    line.remove_prefix(1);
    skipBlanks();
    if (!line.starts_with("include")) {
        return std::nullopt;
    }
    line.remove_prefix(7);
    skipBlanks();
    if (!line.starts_with('"')) {
        return std::nullopt;
    }
    line.remove_prefix(1);
    const std::size_t end = line.find('"');
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(line.substr(0, end));
}

std::string folderOf(std::string_view path) {
    const std::size_t slash = path.find('/');
    return std::string(path.substr(0, slash == std::string_view::npos ? 0 : slash));
}

// The includes of one source text that break the layering, as "file:line: why".
std::vector<std::string> violationsIn(const std::string& file, std::istream& text) {
    std::vector<std::string> found;
    const std::string from = folderOf(file);
    const std::optional<std::size_t> fromLevel = levelOf(from);
    std::string line;
    for (int number = 1; std::getline(text, line); ++number) {
        const std::optional<std::string> included = quotedInclude(line);
        if (!included) {
            continue;
        }
        const std::string& target = *included;
        const std::string to = folderOf(target);
        const std::optional<std::size_t> toLevel = levelOf(to);
        const std::string where = file + ":" + std::to_string(number) + ": ";
        if (!fromLevel) {
            found.push_back(where + "the folder '" + from + "' is not a layer");
        } else if (!toLevel) {
            found.push_back(where + "\"" + target + "\" is not in a layer");
        } else if (*toLevel > *fromLevel || (*toLevel == *fromLevel && to != from)) {
            found.push_back(where + "\"" + target + "\" lies above or beside " + from + "/");
        }
    }
    return found;
}

std::vector<std::string> violationsUnder(const fs::path& root) {
    std::vector<std::string> found;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp")) {
            continue;
        }
        const std::string file = fs::relative(entry.path(), root).generic_string();
        if (file.find('/') == std::string::npos) {
            found.push_back(file + ": a source outside every layer folder");
            continue;
        }
        std::ifstream text(entry.path());
        const std::vector<std::string> more = violationsIn(file, text);
        found.insert(found.end(), more.begin(), more.end());
    }
    std::sort(found.begin(), found.end());
    return found;
}

TEST(IncludeDirection, EveryIncludeUnderSrcPointsDown) {
    const fs::path root = PHASEMETER_SOURCE_DIR;
    ASSERT_TRUE(fs::is_directory(root / "app")) << root;
    for (const std::string& violation : violationsUnder(root)) {
        ADD_FAILURE() << violation;
    }
}

TEST(IncludeDirection, NamesTheFileAndLineOfAWrongInclude) {
    struct Case {
        const char* name;
        const char* file;
        const char* text;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"down and within the folder",
         "view/a.cpp",
         "#include \"view/a.h\"\n#include \"protocol/b.h\"\n#include <vector>\n",
         {}},
        {"up from the protocol",
         "protocol/reply.cpp",
         "#include <cstdint>\n\n#include \"app/form1.h\"\n",
         {"protocol/reply.cpp:3: \"app/form1.h\" lies above or beside protocol/"}},
        {"the toolkit beside the command line",
         "cli/main.cpp",
         "  #  include \"qt/fonts.h\"\n",
         {"cli/main.cpp:1: \"qt/fonts.h\" lies above or beside cli/"}},
        {"the command line on the adapters",
         "cli/read_command.cpp",
         "#include \"adapters/qt_serial_control.h\"\n#include \"app/form1.h\"\n",
         {}},
        {"an adapter reaching up into the widgets",
         "adapters/qt_files.cpp",
         "#include \"qt/main_window.h\"\n",
         {"adapters/qt_files.cpp:1: \"qt/main_window.h\" lies above or beside adapters/"}},
        {"a folder that is no layer",
         "view/a.cpp",
         "#include \"link/x.h\"\n",
         {"view/a.cpp:1: \"link/x.h\" is not in a layer"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::istringstream text(c.text);
        EXPECT_EQ(violationsIn(c.file, text), c.expected);
    }
}

}  // namespace
}  // namespace pm
