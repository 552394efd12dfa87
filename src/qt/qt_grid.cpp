#include "qt/qt_grid.h"

#include <QHeaderView>

#include <vector>

#include "qt/fonts.h"

namespace pm {
namespace {

Qt::Alignment toQtAlignment(GridAlignment alignment) {
    switch (alignment) {
        case GridAlignment::LeftCentre:
            return Qt::AlignLeft | Qt::AlignVCenter;
        case GridAlignment::CentreCentre:
            return Qt::AlignCenter;
        case GridAlignment::RightCentre:
            return Qt::AlignRight | Qt::AlignVCenter;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

bool GridTableModel::setRows(int rows) {
    const int old = store_.rows();
    if (!MemoryGrid::sizeAllowed(rows, store_.cols())) {
        return false;
    }
    if (rows > old) {
        beginInsertRows(QModelIndex(), old, rows - 1);
        store_.setRows(rows);
        endInsertRows();
    } else if (rows < old) {
        beginRemoveRows(QModelIndex(), rows, old - 1);
        store_.setRows(rows);
        endRemoveRows();
    }
    return true;
}

bool GridTableModel::setCols(int cols) {
    const int old = store_.cols();
    if (!MemoryGrid::sizeAllowed(store_.rows(), cols)) {
        return false;
    }
    if (cols > old) {
        beginInsertColumns(QModelIndex(), old, cols - 1);
        store_.setCols(cols);
        endInsertColumns();
    } else if (cols < old) {
        beginRemoveColumns(QModelIndex(), cols, old - 1);
        store_.setCols(cols);
        endRemoveColumns();
    }
    return true;
}

bool GridTableModel::setColAlignment(int col, GridAlignment alignment) {
    const std::optional<GridAlignment> old = store_.colAlignment(col);
    if (!store_.setColAlignment(col, alignment)) {
        return false;
    }
    if (*old != alignment && store_.rows() > 0) {
        emit dataChanged(index(0, col), index(store_.rows() - 1, col), {Qt::TextAlignmentRole});
    }
    return true;
}

bool GridTableModel::setText(int row, int col, std::string text) {
    const std::string* old = store_.cellText(row, col);
    if (old == nullptr) {
        return false;
    }
    // A record read rewrites its captions with the texts they already hold; the view need not
    // hear of those.
    if (*old == text) {
        return true;
    }
    store_.setTextMatrix(row, col, std::move(text));
    const QModelIndex cell = index(row, col);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
    return true;
}

int GridTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : store_.rows();
}

int GridTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : store_.cols();
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole: {
            const std::string* text = store_.cellText(index.row(), index.column());
            return text == nullptr ? QVariant() : QVariant(QString::fromStdString(*text));
        }
        case Qt::TextAlignmentRole: {
            const std::optional<GridAlignment> alignment = store_.colAlignment(index.column());
            return alignment ? QVariant(static_cast<int>(toQtAlignment(*alignment))) : QVariant();
        }
        default:
            return {};
    }
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const {
    return index.isValid() ? (Qt::ItemIsEnabled | Qt::ItemIsSelectable) : Qt::NoItemFlags;
}

QtGrid::QtGrid() : QTableView(nullptr), model_(new GridTableModel(this)) {
    setModel(model_);
    setFont(toQFont(songFont(10.5, false)));
    // Every cell looks alike: the captions are ordinary cells, so there is no header to show.
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->hide();
        header->setMinimumSectionSize(0);
        header->setSectionResizeMode(QHeaderView::Fixed);
    }
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultSectionSize(twipsToPixels(MemoryGrid::kInitialColWidth));
    syncDefaultRowHeight();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& cell) {
        if (cell.isValid() && doubleClick_) {
            doubleClick_(cell.row(), cell.column());
        }
    });
}

void QtGrid::setGeometry(Rect twips) {
    model_->setGeometry(twips);
    QTableView::setGeometry(twipsToPixels(twips.left), twipsToPixels(twips.top),
                            twipsToPixels(twips.width), twipsToPixels(twips.height));
}

bool QtGrid::setRows(int rows) {
    if (!model_->setRows(rows)) {
        return false;
    }
    // Cutting rows can leave every remaining row at one height, which then becomes the default.
    syncDefaultRowHeight();
    return true;
}

bool QtGrid::setCols(int cols) {
    return model_->setCols(cols);
}

bool QtGrid::setColWidth(int col, int twips) {
    if (!model_->setColWidth(col, twips)) {
        return false;
    }
    horizontalHeader()->resizeSection(col, twipsToPixels(twips));
    return true;
}

std::optional<int> QtGrid::colWidthTwips(int col) const {
    return model_->store().colWidthTwips(col);
}

bool QtGrid::setColAlignment(int col, GridAlignment alignment) {
    return model_->setColAlignment(col, alignment);
}

std::optional<GridAlignment> QtGrid::colAlignment(int col) const {
    return model_->store().colAlignment(col);
}

bool QtGrid::setRowHeight(int row, int twips) {
    // The usual call: a row set to the height all rows already have.
    const RowHeights& heights = model_->store().rowHeights();
    if (twips == heights.defaultHeight() && heights.exceptions().empty() && row >= 0 &&
        row < rows()) {
        return true;
    }
    const std::optional<int> before = model_->store().rowHeightTwips(row);
    if (!model_->setRowHeight(row, twips)) {
        return false;
    }
    if (model_->store().rowHeights().defaultHeight() != shownDefaultRowHeight_) {
        syncDefaultRowHeight();
    } else if (twips != *before) {
        verticalHeader()->resizeSection(row, twipsToPixels(twips));
    }
    return true;
}

bool QtGrid::setAllRowHeights(int twips) {
    // Rows that were exceptions go back to the (possibly new) default one by one; the rest follow
    // the default section size.
    std::vector<int> exceptional;
    for (const auto& entry : model_->store().rowHeights().exceptions()) {
        exceptional.push_back(entry.first);
    }
    if (!model_->setAllRowHeights(twips)) {
        return false;
    }
    if (model_->store().rowHeights().defaultHeight() != shownDefaultRowHeight_) {
        syncDefaultRowHeight();
    } else {
        for (const int row : exceptional) {
            verticalHeader()->resizeSection(row, twipsToPixels(twips));
        }
    }
    return true;
}

std::optional<int> QtGrid::rowHeightTwips(int row) const {
    return model_->store().rowHeightTwips(row);
}

bool QtGrid::setTextMatrix(int row, int col, std::string text) {
    return model_->setText(row, col, std::move(text));
}

std::optional<std::string> QtGrid::textMatrix(int row, int col) const {
    return model_->store().textMatrix(row, col);
}

void QtGrid::setVisible(bool visible) {
    QTableView::setVisible(visible);
}

void QtGrid::syncDefaultRowHeight() {
    const RowHeights& heights = model_->store().rowHeights();
    if (heights.defaultHeight() == shownDefaultRowHeight_) {
        return;
    }
    shownDefaultRowHeight_ = heights.defaultHeight();
    // This resizes every row, the exceptional ones included, so those are put back after.
    verticalHeader()->setDefaultSectionSize(twipsToPixels(shownDefaultRowHeight_));
    for (const auto& [row, twips] : heights.exceptions()) {
        verticalHeader()->resizeSection(row, twipsToPixels(twips));
    }
}

}  // namespace pm
