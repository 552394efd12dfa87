#include "platform/memory_grid.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace pm {

int RowHeights::height(int row) const {
    const auto it = exceptions_.find(row);
    return it == exceptions_.end() ? default_ : it->second;
}

void RowHeights::set(int row, int twips, int rowCount) {
    auto it = exceptions_.find(row);
    if (twips == default_) {
        if (it != exceptions_.end()) {
            forget(it);
        }
        return;
    }
    if (it != exceptions_.end()) {
        if (it->second == twips) {
            return;
        }
        forget(it);
    }
    exceptions_.emplace(row, twips);
    ++rowsPerHeight_[twips];
    adoptCommonHeight(rowCount);
}

void RowHeights::setAll(int twips, int rowCount) {
    if (rowCount > 0) {
        default_ = twips;
        exceptions_.clear();
        rowsPerHeight_.clear();
    }
}

void RowHeights::truncate(int rowCount) {
    auto it = exceptions_.lower_bound(rowCount);
    while (it != exceptions_.end()) {
        auto next = std::next(it);
        forget(it);
        it = next;
    }
    adoptCommonHeight(rowCount);
}

void RowHeights::forget(std::map<int, int>::iterator it) {
    const auto count = rowsPerHeight_.find(it->second);
    if (--count->second == 0) {
        rowsPerHeight_.erase(count);
    }
    exceptions_.erase(it);
}

void RowHeights::adoptCommonHeight(int rowCount) {
    if (rowCount > 0 && exceptions_.size() == static_cast<std::size_t>(rowCount) &&
        rowsPerHeight_.size() == 1) {
        default_ = rowsPerHeight_.begin()->first;
        exceptions_.clear();
        rowsPerHeight_.clear();
    }
}

bool MemoryGrid::sizeAllowed(int rows, int cols) {
    // An empty dimension still counts as one, so that neither count can run away alone.
    return rows >= 0 && cols >= 0 &&
           static_cast<std::size_t>(std::max(rows, 1)) *
                   static_cast<std::size_t>(std::max(cols, 1)) <=
               kMaxCells;
}

bool MemoryGrid::setRows(int rows) {
    if (!sizeAllowed(rows, cols_)) {
        return false;
    }
    cells_.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols_));
    rows_ = rows;
    heights_.truncate(rows);
    return true;
}

bool MemoryGrid::setCols(int cols) {
    if (!sizeAllowed(rows_, cols)) {
        return false;
    }
    if (cols != cols_) {
        // The cells are stored row by row, so a new row length moves every kept text.
        std::deque<std::string> moved(static_cast<std::size_t>(rows_) *
                                      static_cast<std::size_t>(cols));
        const int kept = std::min(cols, cols_);
        for (int r = 0; r < rows_; ++r) {
            for (int c = 0; c < kept; ++c) {
                moved[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) +
                      static_cast<std::size_t>(c)] = std::move(cells_[cellIndex(r, c)]);
            }
        }
        cells_ = std::move(moved);
        colWidths_.resize(static_cast<std::size_t>(cols), kInitialColWidth);
        colAlignments_.resize(static_cast<std::size_t>(cols), GridAlignment::LeftCentre);
        cols_ = cols;
    }
    return true;
}

bool MemoryGrid::setColWidth(int col, int twips) {
    if (col < 0 || col >= cols_ || twips < 0) {
        return false;
    }
    colWidths_[static_cast<std::size_t>(col)] = twips;
    return true;
}

std::optional<int> MemoryGrid::colWidthTwips(int col) const {
    if (col < 0 || col >= cols_) {
        return std::nullopt;
    }
    return colWidths_[static_cast<std::size_t>(col)];
}

bool MemoryGrid::setColAlignment(int col, GridAlignment alignment) {
    if (col < 0 || col >= cols_) {
        return false;
    }
    colAlignments_[static_cast<std::size_t>(col)] = alignment;
    return true;
}

std::optional<GridAlignment> MemoryGrid::colAlignment(int col) const {
    if (col < 0 || col >= cols_) {
        return std::nullopt;
    }
    return colAlignments_[static_cast<std::size_t>(col)];
}

bool MemoryGrid::setRowHeight(int row, int twips) {
    if (row < 0 || row >= rows_ || twips < 0) {
        return false;
    }
    heights_.set(row, twips, rows_);
    return true;
}

bool MemoryGrid::setAllRowHeights(int twips) {
    if (twips < 0) {
        return false;
    }
    heights_.setAll(twips, rows_);
    return true;
}

std::optional<int> MemoryGrid::rowHeightTwips(int row) const {
    if (row < 0 || row >= rows_) {
        return std::nullopt;
    }
    return heights_.height(row);
}

bool MemoryGrid::setTextMatrix(int row, int col, std::string text) {
    if (!holdsCell(row, col)) {
        return false;
    }
    cells_[cellIndex(row, col)] = std::move(text);
    return true;
}

std::optional<std::string> MemoryGrid::textMatrix(int row, int col) const {
    if (!holdsCell(row, col)) {
        return std::nullopt;
    }
    return cells_[cellIndex(row, col)];
}

const std::string* MemoryGrid::cellText(int row, int col) const {
    return holdsCell(row, col) ? &cells_[cellIndex(row, col)] : nullptr;
}

void MemoryGrid::doubleClick(int row, int col) const {
    if (holdsCell(row, col) && doubleClick_) {
        doubleClick_(row, col);
    }
}

bool MemoryGrid::holdsCell(int row, int col) const {
    return row >= 0 && row < rows_ && col >= 0 && col < cols_;
}

std::size_t MemoryGrid::cellIndex(int row, int col) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) +
           static_cast<std::size_t>(col);
}

}  // namespace pm
