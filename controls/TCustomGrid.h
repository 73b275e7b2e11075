#pragma once
// A small owner-drawn grid: columns and rows of cells with their widths and heights, fixed header rows
// and columns, one current cell that SelectCell may veto, keyboard and mouse moves that end in Click,
// and a paint routine that draws the grid lines and hands each dirty cell to PaintCell/DrawCell.
// Cell coordinates are client coordinates inside the frame; (col, row) order follows the grid's habit.
#include <QColor>
#include <QFrame>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>

class QAccessibleEvent;
class QPainter;

class TCustomGrid : public QFrame
{
    Q_OBJECT

public:
    enum TGridOption : unsigned {
        goFixedVertLine = 0x01,
        goFixedHorzLine = 0x02,
        goVertLine = 0x04,
        goHorzLine = 0x08,
        goRangeSelect = 0x10,
        goDrawFocusSelected = 0x20,
    };
    using TGridOptions = unsigned;
    static constexpr TGridOptions DefaultOptions = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;

    enum TGridDrawStateFlag : unsigned {
        gdSelected = 0x01,
        gdFocused = 0x02,
        gdFixed = 0x04,
    };
    using TGridDrawState = unsigned;

    enum TBorderStyle { bsNone, bsSingle };

    explicit TCustomGrid(QWidget* parent = nullptr);

    int ColCount() const { return m_colWidths.size(); }
    void SetColCount(int count);
    int RowCount() const { return m_rowHeights.size(); }
    void SetRowCount(int count);
    int FixedCols() const { return m_fixedCols; }
    void SetFixedCols(int count);
    int FixedRows() const { return m_fixedRows; }
    void SetFixedRows(int count);

    // Setting a default size resets every column (row) to it.
    int DefaultColWidth() const { return m_defaultColWidth; }
    void SetDefaultColWidth(int width);
    int DefaultRowHeight() const { return m_defaultRowHeight; }
    void SetDefaultRowHeight(int height);
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    int RowHeights(int row) const;
    void SetRowHeights(int row, int height);
    // The client size at which the column widths or row heights were last set. A grid set up while
    // hidden gets its resize only when first shown; comparing with this tells whether its size has
    // really changed since its cells were sized.
    QSize CellsSizedFor() const { return m_cellsSizedFor; }

    TGridOptions Options() const { return m_options; }
    void SetOptions(TGridOptions options);
    int GridLineWidth() const { return m_gridLineWidth; }
    void SetGridLineWidth(int width);
    // Background of the fixed cells; the system button face until set.
    QColor FixedColor() const { return m_fixedColor; }
    void SetFixedColor(const QColor& color);
    // Background of the control outside the cells.
    QColor Color() const { return m_color; }
    void SetColor(const QColor& color);
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle style);
    // The 3-D look: sunken border and white highlight lines on fixed cells.
    bool Ctl3D() const { return m_ctl3D; }
    void SetCtl3D(bool on);

    int Col() const { return m_current.x(); }
    int Row() const { return m_current.y(); }
    // Moves the current cell if SelectCell allows it; the caller decides about Click.
    bool MoveCurrent(int col, int row);

    // The rectangle of a cell in client coordinates (without its lines); empty for a cell that does not exist.
    QRect CellRect(int col, int row) const;
    // The cell under a client point, (-1, -1) when none.
    QPoint MouseCoord(const QPoint& pos) const;
    // The form's active control is this grid (it holds the focus or will get it when the window activates).
    bool IsActiveControl() const;

    // Paints the whole control (or the dirty part) into any painter, in client coordinates.
    void PaintTo(QPainter& painter, const QRect& dirty);

    // What assistive technology reads of a cell: its text, and its name, which may say more (the
    // default name is the text). The grid draws its own cells, so it alone knows either.
    virtual QString AccessibleCellText(int col, int row) const;
    virtual QString AccessibleCellName(int col, int row) const;
    // Replaces where the grids' accessibility events go (tests record them); an empty function
    // restores QAccessible, which passes them on only while a screen reader listens.
    static void SetAccessibleEventSink(std::function<void(QAccessibleEvent*)> sink);

protected:
    // Asked before the current cell moves; false keeps it where it is.
    virtual bool SelectCell(int col, int row);
    // After a mouse selection is released and after a navigation key aimed at another cell.
    virtual void Click();
    // The cell's content, after the background has been filled; the default draws nothing.
    virtual void DrawCell(QPainter& painter, int col, int row, const QRect& rect, TGridDrawState state);
    // One whole cell: background, DrawCell, decorations.
    virtual void PaintCell(QPainter& painter, int row, int col);
    // The line colours by area; `on` says whether the grid option for that kind of line is set.
    virtual QColor FixedLineColor(bool on) const;
    virtual QColor BodyLineColor(bool on) const;

    TGridDrawState DrawState(int col, int row) const;
    // The range of cells that meet a client rectangle, as (first col, first row) – (last col, last row).
    QRect CellRange(const QRect& clientRect) const;
    void InvalidateCell(int col, int row);
    void InvalidateGrid();
    // Tells assistive technology that the cells' texts have changed.
    void NotifyCellsChanged();

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int HorzLineWidth() const;
    int VertLineWidth() const;
    int ColLeft(int col) const;
    int RowTop(int row) const;
    int GridWidth() const;
    int GridHeight() const;
    void UpdateFrame();
    void CellSizesSet();
    // Tells assistive technology which cell is selected now and, with the focus here, focused.
    void NotifyCurrentCell();
    // Tells assistive technology that rows or columns came or went.
    void NotifyGridReshaped();

    QList<int> m_colWidths = QList<int>(5, 64);
    QList<int> m_rowHeights = QList<int>(5, 24);
    int m_fixedCols = 1;
    int m_fixedRows = 1;
    int m_defaultColWidth = 64;
    int m_defaultRowHeight = 24;
    TGridOptions m_options = DefaultOptions;
    int m_gridLineWidth = 1;
    QColor m_fixedColor;
    QColor m_color = QColor(0xFF, 0xFF, 0xFF);
    TBorderStyle m_borderStyle = bsSingle;
    bool m_ctl3D = true;
    QPoint m_current = QPoint(1, 1);
    bool m_selecting = false;
    QSize m_cellsSizedFor;
};
