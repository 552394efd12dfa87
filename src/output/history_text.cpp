#include "output/history_text.h"

#include <algorithm>

#include "platform/grid.h"
#include "view/history_layout.h"

namespace pm {
namespace {

// Blanks after each cell of a line, by the row's place in its block; the last cell has none.
const std::vector<std::string>& separatorsFor(int rowInBlock) {
    static const std::vector<std::string> header{"  ", "  ", "     ", "   ", "  ", "     "};
    static const std::vector<std::string> values{"  ", "  ", "  ", "  ", "  ", "  "};
    static const std::vector<std::string> footer{"  ", "    ", "  "};
    if (rowInBlock == 0) {
        return header;
    }
    return rowInBlock == 7 ? footer : values;
}

}  // namespace

int historyBlockCount(int recordCount, const Grid& grid) {
    return std::max({recordCount, grid.rows() / kBlockRows, 1});
}

std::optional<std::string> historyRowLine(const Grid& grid, int row) {
    const std::vector<std::string>& separators = separatorsFor(row % kBlockRows);
    std::string line;
    for (std::size_t col = 0; col <= separators.size(); ++col) {
        const std::optional<std::string> cell = grid.textMatrix(row, static_cast<int>(col));
        if (!cell) {
            return std::nullopt;
        }
        line += *cell;
        if (col < separators.size()) {
            line += separators[col];
        }
    }
    return line;
}

std::vector<std::string> historyTextLines(const Grid& grid, int blocks) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(std::max(blocks, 0)) * kBlockRows);
    for (int block = 0; block < blocks; ++block) {
        const int first = kBlockRows * block;
        for (int row = first; row < first + kBlockRows - 1; ++row) {
            if (std::optional<std::string> line = historyRowLine(grid, row)) {
                lines.push_back(std::move(*line));
            }
        }
        lines.emplace_back(" ");
    }
    return lines;
}

std::vector<std::string> historyReportLines(const Grid& grid, int blocks) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(std::max(blocks, 0)) * (kBlockRows + 1));
    for (int block = 0; block < blocks; ++block) {
        lines.emplace_back("  ");
        const int first = kBlockRows * block;
        for (int row = first; row < first + kBlockRows - 1; ++row) {
            if (std::optional<std::string> line = historyRowLine(grid, row)) {
                lines.push_back("        " + *line);
            }
        }
        lines.emplace_back("  ");
    }
    return lines;
}

}  // namespace pm
