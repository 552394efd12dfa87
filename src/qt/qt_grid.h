#pragma once

#include <QAbstractTableModel>
#include <QTableView>

#include <utility>

#include "platform/grid.h"
#include "platform/memory_grid.h"

namespace pm {

// The cells of the Qt grid. It keeps them in a MemoryGrid (the texts row by row, row heights
// as a default plus exceptions) and tells the view what changed in as few signals as Qt allows.
class GridTableModel final : public QAbstractTableModel {
  public:
    explicit GridTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    const MemoryGrid& store() const { return store_; }

    bool setRows(int rows);
    bool setCols(int cols);
    bool setColAlignment(int col, GridAlignment alignment);
    bool setText(int row, int col, std::string text);
    // Only the store's record: the view's header holds the sizes that are drawn.
    bool setColWidth(int col, int twips) { return store_.setColWidth(col, twips); }
    bool setRowHeight(int row, int twips) { return store_.setRowHeight(row, twips); }
    bool setAllRowHeights(int twips) { return store_.setAllRowHeights(twips); }
    void setGeometry(Rect twips) { store_.setGeometry(twips); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    MemoryGrid store_;
};

// The history table as a widget: a table view without headers over GridTableModel, in the table
// font, cells centred by column, scrolled vertically when the blocks outgrow it. Sizes come in
// twips and are drawn at 15 twips to the pixel.
//
// Every row at the default height costs the view nothing: the vertical header is in Fixed mode
// with that height as its default section size, and only rows that differ are resized one by one.
//
// Note that setRowHeight here is the Grid one, in twips; the pixel-based one of QTableView is
// hidden on purpose.
class QtGrid final : public QTableView, public Grid {
  public:
    QtGrid();

    void setGeometry(Rect twips) override;
    using QTableView::setGeometry;
    Rect geometryTwips() const override { return model_->store().geometryTwips(); }

    bool setRows(int rows) override;
    int rows() const override { return model_->store().rows(); }
    bool setCols(int cols) override;
    int cols() const override { return model_->store().cols(); }

    bool setColWidth(int col, int twips) override;
    std::optional<int> colWidthTwips(int col) const override;
    bool setColAlignment(int col, GridAlignment alignment) override;
    std::optional<GridAlignment> colAlignment(int col) const override;

    bool setRowHeight(int row, int twips) override;
    bool setAllRowHeights(int twips) override;
    std::optional<int> rowHeightTwips(int row) const override;

    bool setTextMatrix(int row, int col, std::string text) override;
    std::optional<std::string> textMatrix(int row, int col) const override;

    // One function for both bases: the Grid's flag is the widget's own.
    void setVisible(bool visible) override;
    bool visible() const override { return !isHidden(); }

    void setDoubleClickHandler(DoubleClickHandler handler) override {
        doubleClick_ = std::move(handler);
    }

    const GridTableModel& tableModel() const { return *model_; }

  private:
    // Brings the vertical header in line with the store after a change of rows or heights.
    void syncDefaultRowHeight();

    GridTableModel* model_;  // owned through the Qt parent
    int shownDefaultRowHeight_ = -1;
    DoubleClickHandler doubleClick_;
};

}  // namespace pm
