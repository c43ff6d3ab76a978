#include "platform/vcl/StringGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QScreen>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

// The grid as the history page sets it up.
class StringGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        grid.SetColCount(3);
        grid.SetRowCount(11);
        grid.SetDefaultRowHeight(14);
        grid.SetColWidths(0, 109);
        grid.SetColWidths(1, 221);
        grid.SetColWidths(2, 306);
        QObject::connect(Model(), &QAbstractItemModel::rowsInserted,
                         [this](const QModelIndex&, int first, int last) {
                             inserted.emplace_back(first, last);
                         });
    }

    QAbstractItemModel* Model() const { return grid.model(); }
    // What the view shows at a cell: the fixed row is the header.
    QString Shown(int column, int row) const {
        if (row < grid.FixedRows())
            return Model()->headerData(column, Qt::Horizontal).toString();
        return Model()->data(Model()->index(row - grid.FixedRows(), column)).toString();
    }

    TStringGrid grid;
    std::vector<std::pair<int, int>> inserted;  // first and last row of each insertion
};

TEST(StringGridDefaults, FreshGridHasFiveByFiveWithAHeaderRow) {
    TStringGrid grid;
    EXPECT_EQ(grid.ColCount(), 5);
    EXPECT_EQ(grid.RowCount(), 5);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.DefaultRowHeight(), 24);
    EXPECT_EQ(grid.ColWidths(4), 64);
    EXPECT_EQ(grid.model()->rowCount(), 4);
    EXPECT_EQ(grid.model()->columnCount(), 5);
    EXPECT_FALSE(grid.horizontalHeader()->isHidden());
}

// What the screen shows, not what painting would show now.
QImage OnScreen(QWidget& widget) {
    QApplication::processEvents();
    return widget.screen()->grabWindow(widget.winId()).toImage();
}

TEST_F(StringGridTest, ChangedCellsShowWhetherOrNotRepaintingWasSuspended) {
    grid.SetCells(0, 0, "Last Visited");
    grid.SetCells(1, 1, "a title");
    grid.resize(400, 200);
    grid.show();
    const QImage before = OnScreen(grid);

    grid.SetCells(1, 1, "another title, longer");
    grid.SetCells(0, 0, "Visited");
    const QImage changed = OnScreen(grid);
    EXPECT_NE(changed, before);

    grid.setUpdatesEnabled(false);
    grid.SetCells(1, 2, "a row further down");
    grid.setUpdatesEnabled(true);
    EXPECT_NE(OnScreen(grid), changed);

    // Filled while hidden, shown afterwards.
    grid.hide();
    grid.SetCells(1, 1, "WWWWWWWWWWWW");
    grid.show();
    EXPECT_NE(OnScreen(grid), changed);
    EXPECT_EQ(Shown(1, 1), "WWWWWWWWWWWW");
}

TEST_F(StringGridTest, LayoutFollowsRowHeightAndColumnWidths) {
    EXPECT_EQ(grid.rowHeight(0), 14);
    EXPECT_EQ(grid.horizontalHeader()->height(), 14);
    EXPECT_EQ(grid.columnWidth(1), 221);
    EXPECT_EQ(grid.ColWidths(2), 306);
    grid.SetColCount(4);
    EXPECT_EQ(grid.ColWidths(3), 64);
}

TEST_F(StringGridTest, CellsOutsideTheColumnsAreKeptAndShownWhenTheGridGrows) {
    // A column added beyond those written keeps the texts of every row.
    for (int row = 0; row < 50; ++row)
        grid.SetCells(row % 2, row, std::to_string(row));
    grid.SetCells(4, 7, "wider");
    for (int row = 0; row < 50; ++row)
        ASSERT_EQ(grid.Cells(row % 2, row), std::to_string(row)) << row;
    EXPECT_EQ(grid.Cells(4, 7), "wider");
    EXPECT_EQ(grid.Cells(1, 0), "");

    grid.SetCells(3, 0, "Last Updated");
    grid.SetCells(4, 2, "Expires text");
    EXPECT_EQ(grid.Cells(4, 2), "Expires text");
    EXPECT_EQ(Shown(4, 2), "");
    EXPECT_EQ(Model()->columnCount(), 3);

    grid.SetColCount(5);
    EXPECT_EQ(Shown(4, 2), "Expires text");
    EXPECT_EQ(Model()->data(Model()->index(1, 4)).toString(), "Expires text");
    EXPECT_EQ(Model()->headerData(3, Qt::Horizontal).toString(), "Last Updated");

    grid.SetColCount(2);
    grid.SetColCount(5);
    EXPECT_EQ(Shown(4, 2), "Expires text");
}

TEST_F(StringGridTest, RowsCutOffComeBackWithTheirTexts) {
    grid.SetCells(1, 9, "nine");
    grid.SetRowCount(4);
    EXPECT_EQ(Model()->rowCount(), 3);
    EXPECT_EQ(Shown(1, 9), "");
    EXPECT_EQ(grid.Cells(1, 9), "nine");
    grid.SetCells(1, 12, "twelve");

    grid.SetRowCount(13);
    EXPECT_EQ(Shown(1, 9), "nine");
    EXPECT_EQ(Shown(1, 12), "twelve");
    EXPECT_EQ(grid.FixedRows(), 1);
}

// Cells far beyond the rows written so far are kept too, found while the
// rows grow past them, and the largest indexes cost no table of their size.
TEST_F(StringGridTest, CellsFarOutsideTheGridKeepTheirTexts) {
    grid.SetCells(1, 100000, "far");
    grid.SetCells(INT_MAX, INT_MAX, "corner");
    grid.SetCells(300, 1, "wide");
    for (int row = 1; row <= 100001; ++row)
        grid.SetCells(0, row, std::to_string(row));
    EXPECT_EQ(grid.Cells(1, 100000), "far");
    EXPECT_EQ(grid.Cells(0, 100000), "100000");
    EXPECT_EQ(grid.Cells(INT_MAX, INT_MAX), "corner");
    EXPECT_EQ(grid.Cells(300, 1), "wide");

    grid.SetCells(1, 100000, "changed");
    EXPECT_EQ(grid.Cells(1, 100000), "changed");
    grid.SetCells(1, 100000, "");
    EXPECT_EQ(grid.Cells(1, 100000), "");
    grid.SetCells(1, 100000, "back");
    grid.SetRowCount(100002);
    EXPECT_EQ(Shown(1, 100000), "back");
}

TEST_F(StringGridTest, RowZeroIsTheHeaderUntilOneRowLeavesNoFixedRow) {
    grid.SetCells(0, 0, "Last Visited");
    grid.SetCells(1, 0, "Title");
    EXPECT_EQ(Model()->headerData(1, Qt::Horizontal).toString(), "Title");
    EXPECT_EQ(Shown(0, 0), "Last Visited");
    grid.SetCells(0, 1, "01/02/2024");
    EXPECT_EQ(Model()->data(Model()->index(0, 0)).toString(), "01/02/2024");

    grid.SetColCount(1);
    grid.SetRowCount(1);
    EXPECT_EQ(grid.FixedRows(), 0);
    EXPECT_TRUE(grid.horizontalHeader()->isHidden());
    EXPECT_EQ(Model()->rowCount(), 1);
    EXPECT_EQ(Shown(0, 0), "Last Visited");
    EXPECT_EQ(Model()->data(Model()->index(0, 0)).toString(), "Last Visited");

    // Growing again does not bring the header row back.
    grid.SetRowCount(3);
    EXPECT_EQ(grid.FixedRows(), 0);
    EXPECT_EQ(Model()->rowCount(), 3);
    EXPECT_TRUE(grid.horizontalHeader()->isHidden());
}

TEST_F(StringGridTest, FixedRowsStayFewerThanRowsAndCountsStayPositive) {
    grid.SetRowCount(1);
    grid.SetFixedRows(1);
    EXPECT_EQ(grid.FixedRows(), 0);

    grid.SetRowCount(2);
    grid.SetFixedRows(1);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(Model()->rowCount(), 1);
    grid.SetFixedRows(7);
    EXPECT_EQ(grid.FixedRows(), 1);

    grid.SetRowCount(0);
    grid.SetColCount(-3);
    EXPECT_EQ(grid.RowCount(), 1);
    EXPECT_EQ(grid.ColCount(), 1);
    EXPECT_EQ(grid.FixedRows(), 0);
}

TEST_F(StringGridTest, TextsAreKeptAsBytes) {
    const std::string invalid = "T\xe9l\xe9 \xff";
    grid.SetCells(1, 3, invalid);
    EXPECT_EQ(grid.Cells(1, 3), invalid);
    EXPECT_EQ(Shown(1, 3), QString::fromUtf8(invalid.data(), invalid.size()));
    grid.SetCells(1, 3, "");
    EXPECT_EQ(grid.Cells(1, 3), "");

    grid.SetCells(-1, 0, "ignored");
    grid.SetCells(0, -1, "ignored");
    EXPECT_EQ(grid.Cells(-1, 0), "");
}

TEST_F(StringGridTest, GrowingByOneRowInsertsOneRowAndKeepsTheSelection) {
    int resets = 0;
    QObject::connect(Model(), &QAbstractItemModel::modelReset, [&] { ++resets; });
    grid.selectRow(2);

    grid.SetRowCount(12);
    EXPECT_EQ(inserted, (std::vector<std::pair<int, int>>{{10, 10}}));
    EXPECT_EQ(resets, 0);
    EXPECT_TRUE(grid.selectionModel()->isRowSelected(2, QModelIndex()));
}

TEST_F(StringGridTest, FifteenThousandRowsAddedOneByOne) {
    grid.show();
    for (int row = 1; row <= 15000; ++row) {
        grid.SetRowCount(row + 1);
        grid.SetCells(0, row, std::to_string(row));
        grid.SetCells(4, row, "hidden");
    }
    EXPECT_EQ(Model()->rowCount(), 15000);
    EXPECT_EQ(Shown(0, 15000), "15000");
    EXPECT_EQ(grid.Cells(4, 15000), "hidden");
}

// A listing that grows the grid row by row while it does not repaint: the
// counts are exact throughout, the view hears of the rows once.
TEST_F(StringGridTest, RowsAddedWhileNotRepaintingAreInsertedOnce) {
    grid.show();
    grid.setUpdatesEnabled(false);
    for (int row = 11; row <= 500; ++row) {
        grid.SetRowCount(row + 1);
        grid.SetCells(0, row, std::to_string(row));
        EXPECT_EQ(grid.RowCount(), row + 1);
    }
    grid.SetRowCount(301);  // shrinking within the rows not yet shown
    grid.setUpdatesEnabled(true);
    EXPECT_EQ(grid.Cells(0, 300), "300");
    EXPECT_EQ(Model()->rowCount(), 10);
    QApplication::processEvents();
    EXPECT_EQ(inserted, (std::vector<std::pair<int, int>>{{10, 299}}));
    EXPECT_EQ(Model()->rowCount(), 300);

    // Shrinking below what the view knows removes rows at once.
    grid.setUpdatesEnabled(false);
    grid.SetRowCount(401);
    grid.SetRowCount(6);
    EXPECT_EQ(Model()->rowCount(), 5);
    grid.setUpdatesEnabled(true);
    QApplication::processEvents();
    EXPECT_EQ(Model()->rowCount(), 5);
    EXPECT_EQ(inserted.size(), 1u);
}

}  // namespace

// Listings written over and over, as refreshing and clearing the history
// page do: every text reads back as last written, however the cells' room
// is reused, a text longer than the room for many texts included.
TEST_F(StringGridTest, TextsWrittenOverAndOverReadBackAsLastWritten) {
    const auto text = [](int round, int column, int row) {
        return std::to_string(round) + ":" + std::to_string(column) + ":" + std::to_string(row) +
               std::string(40, 'x');
    };
    constexpr int kRows = 30000;
    grid.SetRowCount(kRows + 1);
    for (int round = 0; round < 3; ++round) {
        for (int row = 1; row <= kRows; ++row) {
            for (int column = 0; column < 3; ++column) {
                // Round 1 empties every other cell, the others write all.
                grid.SetCells(column, row,
                              round == 1 && row % 2 ? std::string() : text(round, column, row));
            }
        }
    }
    const std::string huge(3 << 20, 'h');
    grid.SetCells(1, 7, huge);
    for (int row = 1; row <= kRows; row += 997) {
        ASSERT_EQ(grid.Cells(0, row), text(2, 0, row)) << row;
        ASSERT_EQ(grid.Cells(2, row), text(2, 2, row)) << row;
    }
    EXPECT_EQ(grid.Cells(1, 7), huge);
    grid.SetCells(1, 7, "");
    EXPECT_EQ(grid.Cells(1, 7), "");
    EXPECT_EQ(grid.Cells(1, 8), text(2, 1, 8));
}
