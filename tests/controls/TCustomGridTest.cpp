// The grid base: cell geometry, the SelectCell veto and the keyboard and mouse moves that end in Click.
#include <TCustomGrid.h>

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <set>
#include <utility>

namespace {

// A 4 × 4 grid with one fixed row and column whose cell (2, 2) cannot be selected.
class TProbeGrid : public TCustomGrid
{
public:
    TProbeGrid()
    {
        SetBorderStyle(bsNone);
        SetColCount(4);
        SetRowCount(4);
        SetDefaultColWidth(30);
        SetDefaultRowHeight(20);
        resize(200, 200);
    }
    std::set<std::pair<int, int>> Refused{{2, 2}};
    int Clicks = 0;
    using TCustomGrid::DrawState;

protected:
    bool SelectCell(int col, int row) override { return Refused.count({col, row}) == 0; }
    void Click() override { ++Clicks; }
};

TEST(TCustomGrid, MapsCellsAndPointsBothWays)
{
    TProbeGrid grid;
    grid.SetColWidths(1, 50);
    EXPECT_EQ(grid.CellRect(0, 0), QRect(0, 0, 30, 20));
    EXPECT_EQ(grid.CellRect(2, 1), QRect(82, 21, 30, 20)); // 30 + 1 + 50 + 1
    EXPECT_TRUE(grid.CellRect(4, 0).isEmpty());
    EXPECT_EQ(grid.MouseCoord(QPoint(81, 21)), QPoint(1, 1)); // a cell owns the line after it
    EXPECT_EQ(grid.MouseCoord(QPoint(82, 21)), QPoint(2, 1));
    EXPECT_EQ(grid.MouseCoord(QPoint(190, 10)), QPoint(-1, -1));
    grid.SetDefaultColWidth(25); // resets every column
    EXPECT_EQ(grid.ColWidths(1), 25);
}

TEST(TCustomGrid, KeysAreVetoedButStillClick)
{
    TProbeGrid grid;
    ASSERT_EQ(QPoint(grid.Col(), grid.Row()), QPoint(1, 1));
    QTest::keyClick(&grid, Qt::Key_Right);
    EXPECT_EQ(QPoint(grid.Col(), grid.Row()), QPoint(2, 1));
    QTest::keyClick(&grid, Qt::Key_Down); // onto the refused cell
    EXPECT_EQ(QPoint(grid.Col(), grid.Row()), QPoint(2, 1));
    EXPECT_EQ(grid.Clicks, 2);
    QTest::keyClick(&grid, Qt::Key_Up); // the fixed row is out of reach: no move, no click
    EXPECT_EQ(grid.Clicks, 2);
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(QPoint(grid.Col(), grid.Row()), QPoint(3, 3));
    QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(QPoint(grid.Col(), grid.Row()), QPoint(1, 1));
}

TEST(TCustomGrid, MouseSelectsBodyCellsAndClicksOnRelease)
{
    TProbeGrid grid;
    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.CellRect(3, 2).center());
    EXPECT_EQ(QPoint(grid.Col(), grid.Row()), QPoint(3, 2));
    EXPECT_EQ(grid.Clicks, 1);
    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.CellRect(2, 0).center()); // header: nothing
    EXPECT_EQ(grid.Clicks, 1);
    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.CellRect(2, 2).center()); // refused, still a click
    EXPECT_EQ(QPoint(grid.Col(), grid.Row()), QPoint(3, 2));
    EXPECT_EQ(grid.Clicks, 2);
}

TEST(TCustomGrid, DrawsTheFocusedCellSelectedOnlyWithTheOption)
{
    QWidget form;
    auto* grid = new TProbeGrid;
    grid->setParent(&form);
    grid->setFocus();
    ASSERT_TRUE(grid->IsActiveControl());
    EXPECT_EQ(grid->DrawState(1, 1), TCustomGrid::gdFocused);
    grid->SetOptions(grid->Options() | TCustomGrid::goDrawFocusSelected);
    EXPECT_EQ(grid->DrawState(1, 1), TCustomGrid::gdFocused | TCustomGrid::gdSelected);
    EXPECT_EQ(grid->DrawState(0, 2), TCustomGrid::gdFixed);
    EXPECT_EQ(grid->DrawState(2, 2), 0u);
}

} // namespace
