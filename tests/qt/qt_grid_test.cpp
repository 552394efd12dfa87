#include <gtest/gtest.h>

#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "fakes/test_frames.h"
#include "platform/grid_contract.h"
#include "qt/qt_grid.h"
#include "view/history_layout_suite.h"
#include "view/stored_record_suite.h"

namespace pm::testing {
namespace {

const GridKind kQtGrid{"QtGrid", [] { return std::make_unique<QtGrid>(); }};

INSTANTIATE_TEST_SUITE_P(Qt, GridContract, ::testing::Values(kQtGrid), gridKindName);
INSTANTIATE_TEST_SUITE_P(Qt, HistoryLayout, ::testing::Values(kQtGrid), gridKindName);
INSTANTIATE_TEST_SUITE_P(Qt, StoredRecord, ::testing::Values(kQtGrid), gridKindName);

class QtHistoryGrid : public ::testing::Test {
  protected:
    void SetUp() override { setupGrid(grid); }
    void write(int record) { writeStoredRecord(grid, balancedFrame(), record, {}); }

    QtGrid grid;
};

TEST_F(QtHistoryGrid, DoubleClickTellsTheCellClicked) {
    write(1);
    grid.resize(777, 449);
    std::vector<std::pair<int, int>> heard;
    grid.setDoubleClickHandler([&](int row, int col) { heard.emplace_back(row, col); });
    // As the system delivers a double-click: a click, then the second press as a double one.
    auto doubleClick = [&](QPoint at) {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, at);
    };
    doubleClick(grid.visualRect(grid.model()->index(4, 3)).center());
    doubleClick(grid.visualRect(grid.model()->index(8, 6)).center());
    doubleClick(QPoint(10, 400));  // below the last row: no cell
    EXPECT_EQ(heard, (std::vector<std::pair<int, int>>{{4, 3}, {8, 6}}));
}

TEST_F(QtHistoryGrid, IsDrawnAsDesigned) {
    EXPECT_EQ(grid.parentWidget(), nullptr);
    EXPECT_TRUE(grid.horizontalHeader()->isHidden());
    EXPECT_TRUE(grid.verticalHeader()->isHidden());
    EXPECT_EQ(grid.font().family(), QStringLiteral("宋体"));
    EXPECT_DOUBLE_EQ(grid.font().pointSizeF(), 10.5);
    EXPECT_FALSE(grid.font().bold());
    EXPECT_EQ(grid.geometry(), QRect(64, 152, 777, 449));  // twips / 15, rounded
    EXPECT_EQ(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
    for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(grid.columnWidth(c), 107);
        const QModelIndex cell = grid.model()->index(3, c);
        EXPECT_EQ(grid.model()->data(cell, Qt::TextAlignmentRole).toInt(),
                  static_cast<int>(Qt::AlignCenter));
    }
    EXPECT_EQ(grid.model()->data(grid.model()->index(7, 2)).toString(), QStringLiteral("In:"));
}

TEST_F(QtHistoryGrid, RowsAtTheCommonHeightNeedNoPerRowSizes) {
    for (int n = 1; n <= 100; ++n) {
        write(n);
    }
    QHeaderView* rows = grid.verticalHeader();
    EXPECT_EQ(rows->count(), 900);
    EXPECT_EQ(rows->defaultSectionSize(), 20);
    EXPECT_EQ(rows->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_EQ(rows->length(), 900 * 20);
    EXPECT_TRUE(grid.tableModel().store().rowHeights().exceptions().empty());

    ASSERT_TRUE(grid.setRowHeight(450, 600));
    EXPECT_EQ(grid.QTableView::rowHeight(450), 40);
    ASSERT_TRUE(grid.setRowHeight(450, 300));
    EXPECT_EQ(grid.QTableView::rowHeight(450), 20);
    EXPECT_EQ(rows->length(), 900 * 20);
}

// Whatever the order of changes, the rows are drawn at the heights the grid reports.
TEST_F(QtHistoryGrid, DrawnRowHeightsFollowTheGrid) {
    struct Step {
        const char* name;
        std::function<void(Grid&)> apply;
    };
    const Step steps[] = {
        {"grow to 30 rows", [](Grid& g) { g.setRows(30); }},
        {"one row taller", [](Grid& g) { g.setRowHeight(12, 600); }},
        {"another row lower", [](Grid& g) { g.setRowHeight(25, 150); }},
        {"all rows to 450", [](Grid& g) { g.setAllRowHeights(450); }},
        {"a row back to another height", [](Grid& g) { g.setRowHeight(3, 300); }},
        {"each row to 300 one by one",
         [](Grid& g) {
             for (int r = 0; r < g.rows(); ++r) {
                 g.setRowHeight(r, 300);
             }
         }},
        {"one exception, then cut below it and grow",
         [](Grid& g) {
             g.setRowHeight(20, 900);
             g.setRows(15);
             g.setRows(40);
         }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.apply(grid);
        ASSERT_EQ(grid.verticalHeader()->count(), grid.rows());
        for (int r = 0; r < grid.rows(); ++r) {
            ASSERT_EQ(grid.QTableView::rowHeight(r), twipsToPixels(*grid.rowHeightTwips(r)))
                << "row " << r;
        }
    }
}

TEST_F(QtHistoryGrid, TellsTheViewOnlyWhatChanged) {
    write(1);
    const QAbstractItemModel* model = grid.model();
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(model, &QAbstractItemModel::modelReset);

    write(2);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 9);
    EXPECT_EQ(inserted.at(0).at(2).toInt(), 17);
    // Captions and readings of the new block, one signal per written cell; the rows above it
    // are not touched.
    EXPECT_EQ(changed.count(), 50);
    for (const QList<QVariant>& signal : changed) {
        EXPECT_GE(signal.at(0).toModelIndex().row(), 9);
    }

    changed.clear();
    write(2);  // the same record again changes no text
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(inserted.count(), 1);

    write(1);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 9);
    EXPECT_EQ(removed.at(0).at(2).toInt(), 17);
    EXPECT_EQ(reset.count(), 0);
}

// Renders three records' worth of blocks offscreen and keeps the picture for a look by eye.
TEST_F(QtHistoryGrid, ShowsThreeRecordsWithVerticalScrolling) {
    for (int n = 1; n <= 3; ++n) {
        write(n);
    }
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    const QImage shot = grid.grab().toImage();
    ASSERT_TRUE(shot.save(QDir::current().filePath(QStringLiteral("history_grid.png"))));

    // 27 rows of 20 pixels do not fit 449: the grid scrolls vertically, and only vertically.
    EXPECT_GT(grid.verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(grid.verticalScrollBar()->isVisible());
    EXPECT_FALSE(grid.horizontalScrollBar()->isVisible());

    // Ink inside a cell, ignoring its grid lines: a caption has some, the spacer row none.
    const qreal ratio = shot.devicePixelRatio();
    auto inkIn = [&](int row, int col) {
        const QRect cell = grid.visualRect(grid.model()->index(row, col))
                               .translated(grid.viewport()->pos())
                               .adjusted(2, 2, -2, -2);
        int ink = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x) {
                const QColor colour = shot.pixelColor(QPoint(x, y) * ratio);
                ink += colour.lightness() < 128 ? 1 : 0;
            }
        }
        return ink;
    };
    EXPECT_GT(inkIn(0, 0), 10);  // "NO.1"
    EXPECT_GT(inkIn(4, 1), 10);  // "120.0°"
    EXPECT_EQ(inkIn(8, 3), 0);   // spacer row
    EXPECT_EQ(inkIn(4, 6), 0);   // never written
}

}  // namespace
}  // namespace pm::testing
