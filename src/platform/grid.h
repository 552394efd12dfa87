#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/twips.h"

namespace pm {

// How the text of a column sits in its cells.
enum class GridAlignment { LeftCentre, CentreCentre, RightCentre };

// The history table: a rows-by-columns matrix of text cells, both counted from 0, with no header
// rows or columns. Sizes and positions are in twips.
//
// Cell and column access outside the current size fails visibly (false or nullopt) and changes
// nothing: the save and print code drop a line on that failure instead of inventing its text.
class Grid {
  public:
    virtual ~Grid() = default;

    // Position and size within the window's client area.
    virtual void setGeometry(Rect twips) = 0;
    virtual Rect geometryTwips() const = 0;

    // A smaller count discards the rows (columns) beyond it with their texts; a larger one adds
    // empty ones at the end. A negative count fails and changes nothing.
    virtual bool setRows(int rows) = 0;
    virtual int rows() const = 0;
    virtual bool setCols(int cols) = 0;
    virtual int cols() const = 0;

    virtual bool setColWidth(int col, int twips) = 0;
    virtual std::optional<int> colWidthTwips(int col) const = 0;
    virtual bool setColAlignment(int col, GridAlignment alignment) = 0;
    virtual std::optional<GridAlignment> colAlignment(int col) const = 0;

    // Rows added later get the latest height that all rows had in common (at first the grid's
    // own initial height).
    virtual bool setRowHeight(int row, int twips) = 0;
    // The same as setRowHeight on every current row, in one call whose cost does not grow with
    // the number of rows.
    virtual bool setAllRowHeights(int twips) = 0;
    virtual std::optional<int> rowHeightTwips(int row) const = 0;

    // A cell holds the text last written to it; a cell that was just added or emptied holds "".
    virtual bool setTextMatrix(int row, int col, std::string text) = 0;
    virtual std::optional<std::string> textMatrix(int row, int col) const = 0;

    virtual void setVisible(bool visible) = 0;
    virtual bool visible() const = 0;

    // Called with the row and column of a cell the user double-clicks; replaces any handler
    // set before, and an empty one hears nothing.
    using DoubleClickHandler = std::function<void(int row, int col)>;
    virtual void setDoubleClickHandler(DoubleClickHandler handler) = 0;
};

}  // namespace pm
