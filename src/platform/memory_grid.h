#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/grid.h"

namespace pm {

// Row heights as one default plus the rows that differ from it. The history table sets the height
// of every one of its up to 90,000 rows on every record it receives, nearly always to the height
// they already have; that must cost a comparison, not a map entry per row.
class RowHeights {
  public:
    explicit RowHeights(int defaultTwips) : default_(defaultTwips) {}

    int defaultHeight() const { return default_; }
    int height(int row) const;
    const std::map<int, int>& exceptions() const { return exceptions_; }

    // `rowCount` is the grid's current number of rows: once all of them share one height, that
    // height becomes the default, which is also the height of rows added later.
    void set(int row, int twips, int rowCount);
    void setAll(int twips, int rowCount);
    void truncate(int rowCount);

  private:
    void forget(std::map<int, int>::iterator it);
    void adoptCommonHeight(int rowCount);

    int default_;
    std::map<int, int> exceptions_;     // row -> height
    std::map<int, int> rowsPerHeight_;  // height -> number of exceptional rows with it
};

// The grid as plain data: the in-memory grid of the core tests and the store behind the Qt grid.
class MemoryGrid final : public Grid {
  public:
    // A row just taller than the 10.5 pt table font, and a column that takes a short caption.
    static constexpr int kInitialRowHeight = 285;
    static constexpr int kInitialColWidth = 960;
    // Six times the 630,000 cells of a full history; a larger request fails instead of taking
    // the process down on an allocation failure.
    static constexpr std::size_t kMaxCells = std::size_t{1} << 22;

    MemoryGrid() = default;

    // Whether a grid of this size may be held at all (no negative counts, at most kMaxCells).
    static bool sizeAllowed(int rows, int cols);

    void setGeometry(Rect twips) override { geometry_ = twips; }
    Rect geometryTwips() const override { return geometry_; }

    bool setRows(int rows) override;
    int rows() const override { return rows_; }
    bool setCols(int cols) override;
    int cols() const override { return cols_; }

    bool setColWidth(int col, int twips) override;
    std::optional<int> colWidthTwips(int col) const override;
    bool setColAlignment(int col, GridAlignment alignment) override;
    std::optional<GridAlignment> colAlignment(int col) const override;

    bool setRowHeight(int row, int twips) override;
    bool setAllRowHeights(int twips) override;
    std::optional<int> rowHeightTwips(int row) const override;
    const RowHeights& rowHeights() const { return heights_; }

    bool setTextMatrix(int row, int col, std::string text) override;
    std::optional<std::string> textMatrix(int row, int col) const override;
    // The stored text without a copy, or nullptr outside the grid.
    const std::string* cellText(int row, int col) const;

    void setVisible(bool visible) override { visible_ = visible; }
    bool visible() const override { return visible_; }

    void setDoubleClickHandler(DoubleClickHandler handler) override {
        doubleClick_ = std::move(handler);
    }
    // What a double-click on a cell does; a place outside the grid is no cell and calls nothing.
    void doubleClick(int row, int col) const;

  private:
    bool holdsCell(int row, int col) const;
    std::size_t cellIndex(int row, int col) const;

    Rect geometry_{};
    int rows_ = 0;
    int cols_ = 0;
    // Row by row, rows_ * cols_ of them. A deque, because a table grows a block at a time to
    // 90,000 rows: a contiguous array would move every text held each time it outgrew its room,
    // half a million of them in one reply near the end of a long read.
    std::deque<std::string> cells_;
    std::vector<int> colWidths_;
    std::vector<GridAlignment> colAlignments_;
    RowHeights heights_{kInitialRowHeight};
    bool visible_ = true;
    DoubleClickHandler doubleClick_;
};

}  // namespace pm
