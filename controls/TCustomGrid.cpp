#include "TCustomGrid.h"

#include "TGridAccessible.h"

#include <HandlerGuard.h>

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <functional>

TCustomGrid::TCustomGrid(QWidget* parent)
    : QFrame(parent)
{
    m_fixedColor = QApplication::palette().color(QPalette::Button);
    m_color = QApplication::palette().color(QPalette::Base);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    UpdateFrame();
    static const bool accessibilityInstalled = [] {
        QAccessible::installFactory(GridAccessibleFactory);
        return true;
    }();
    Q_UNUSED(accessibilityInstalled);
}

void TCustomGrid::SetColCount(int count)
{
    count = std::max(count, 1);
    m_colWidths.resize(count, m_defaultColWidth);
    m_fixedCols = std::min(m_fixedCols, count - 1);
    m_current.setX(std::clamp(m_current.x(), m_fixedCols, count - 1));
    InvalidateGrid();
    NotifyGridReshaped();
}

void TCustomGrid::SetRowCount(int count)
{
    count = std::max(count, 1);
    m_rowHeights.resize(count, m_defaultRowHeight);
    m_fixedRows = std::min(m_fixedRows, count - 1);
    m_current.setY(std::clamp(m_current.y(), m_fixedRows, count - 1));
    InvalidateGrid();
    NotifyGridReshaped();
}

void TCustomGrid::SetFixedCols(int count)
{
    m_fixedCols = std::clamp(count, 0, ColCount() - 1);
    m_current.setX(std::max(m_current.x(), m_fixedCols));
    InvalidateGrid();
    NotifyGridReshaped();
}

void TCustomGrid::SetFixedRows(int count)
{
    m_fixedRows = std::clamp(count, 0, RowCount() - 1);
    m_current.setY(std::max(m_current.y(), m_fixedRows));
    InvalidateGrid();
    NotifyGridReshaped();
}

void TCustomGrid::SetDefaultColWidth(int width)
{
    m_defaultColWidth = std::max(width, 0);
    m_colWidths.fill(m_defaultColWidth);
    CellSizesSet();
}

void TCustomGrid::SetDefaultRowHeight(int height)
{
    m_defaultRowHeight = std::max(height, 0);
    m_rowHeights.fill(m_defaultRowHeight);
    CellSizesSet();
}

int TCustomGrid::ColWidths(int col) const
{
    return col >= 0 && col < ColCount() ? m_colWidths.at(col) : 0;
}

void TCustomGrid::SetColWidths(int col, int width)
{
    if (col < 0 || col >= ColCount())
        return;
    m_colWidths[col] = std::max(width, 0);
    CellSizesSet();
}

int TCustomGrid::RowHeights(int row) const
{
    return row >= 0 && row < RowCount() ? m_rowHeights.at(row) : 0;
}

void TCustomGrid::SetRowHeights(int row, int height)
{
    if (row < 0 || row >= RowCount())
        return;
    m_rowHeights[row] = std::max(height, 0);
    CellSizesSet();
}

void TCustomGrid::CellSizesSet()
{
    m_cellsSizedFor = contentsRect().size();
    InvalidateGrid();
}

void TCustomGrid::SetOptions(TGridOptions options)
{
    m_options = options;
    InvalidateGrid();
}

void TCustomGrid::SetGridLineWidth(int width)
{
    m_gridLineWidth = std::max(width, 0);
    InvalidateGrid();
}

void TCustomGrid::SetFixedColor(const QColor& color)
{
    m_fixedColor = color;
    InvalidateGrid();
}

void TCustomGrid::SetColor(const QColor& color)
{
    m_color = color;
    InvalidateGrid();
}

void TCustomGrid::SetBorderStyle(TBorderStyle style)
{
    m_borderStyle = style;
    UpdateFrame();
}

void TCustomGrid::SetCtl3D(bool on)
{
    m_ctl3D = on;
    UpdateFrame();
}

void TCustomGrid::UpdateFrame()
{
    if (m_borderStyle == bsNone) {
        setFrameStyle(QFrame::NoFrame);
        setLineWidth(0);
    } else if (m_ctl3D) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(2);
    } else {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    }
    update();
}

// --- geometry ---

// Columns are separated by vertical lines, rows by horizontal ones; a direction without any line
// option has no line width at all.
int TCustomGrid::HorzLineWidth() const
{
    return (m_options & (goFixedVertLine | goVertLine)) ? m_gridLineWidth : 0;
}

int TCustomGrid::VertLineWidth() const
{
    return (m_options & (goFixedHorzLine | goHorzLine)) ? m_gridLineWidth : 0;
}

int TCustomGrid::ColLeft(int col) const
{
    int x = 0;
    for (int i = 0; i < col && i < ColCount(); ++i)
        x += m_colWidths.at(i) + HorzLineWidth();
    return x;
}

int TCustomGrid::RowTop(int row) const
{
    int y = 0;
    for (int i = 0; i < row && i < RowCount(); ++i)
        y += m_rowHeights.at(i) + VertLineWidth();
    return y;
}

int TCustomGrid::GridWidth() const
{
    return ColLeft(ColCount());
}

int TCustomGrid::GridHeight() const
{
    return RowTop(RowCount());
}

QRect TCustomGrid::CellRect(int col, int row) const
{
    if (col < 0 || col >= ColCount() || row < 0 || row >= RowCount())
        return QRect();
    const QPoint origin = contentsRect().topLeft();
    return QRect(origin.x() + ColLeft(col), origin.y() + RowTop(row), m_colWidths.at(col), m_rowHeights.at(row));
}

QPoint TCustomGrid::MouseCoord(const QPoint& pos) const
{
    const QPoint p = pos - contentsRect().topLeft();
    if (p.x() < 0 || p.y() < 0 || !contentsRect().contains(pos))
        return QPoint(-1, -1);
    int col = -1;
    for (int c = 0, x = 0; c < ColCount(); ++c) {
        x += m_colWidths.at(c) + HorzLineWidth();
        if (p.x() < x) {
            col = c;
            break;
        }
    }
    int row = -1;
    for (int r = 0, y = 0; r < RowCount(); ++r) {
        y += m_rowHeights.at(r) + VertLineWidth();
        if (p.y() < y) {
            row = r;
            break;
        }
    }
    if (col < 0 || row < 0)
        return QPoint(-1, -1);
    return QPoint(col, row);
}

QRect TCustomGrid::CellRange(const QRect& clientRect) const
{
    const QPoint origin = contentsRect().topLeft();
    const QRect r = clientRect.translated(-origin);
    int firstCol = ColCount(), lastCol = -1, firstRow = RowCount(), lastRow = -1;
    for (int c = 0; c < ColCount(); ++c) {
        const int left = ColLeft(c);
        if (left + m_colWidths.at(c) + HorzLineWidth() > r.left() && left <= r.right()) {
            firstCol = std::min(firstCol, c);
            lastCol = c;
        }
    }
    for (int row = 0; row < RowCount(); ++row) {
        const int top = RowTop(row);
        if (top + m_rowHeights.at(row) + VertLineWidth() > r.top() && top <= r.bottom()) {
            firstRow = std::min(firstRow, row);
            lastRow = row;
        }
    }
    return QRect(QPoint(firstCol, firstRow), QPoint(lastCol, lastRow));
}

bool TCustomGrid::IsActiveControl() const
{
    const QWidget* form = window();
    return form && form->focusWidget() == this;
}

TCustomGrid::TGridDrawState TCustomGrid::DrawState(int col, int row) const
{
    TGridDrawState state = 0;
    if (row < m_fixedRows || col < m_fixedCols)
        state |= gdFixed;
    if (col == m_current.x() && row == m_current.y()) {
        const bool focused = IsActiveControl();
        if (focused)
            state |= gdFocused;
        if (!focused || (m_options & goDrawFocusSelected))
            state |= gdSelected;
    }
    return state;
}

// --- current cell ---

bool TCustomGrid::MoveCurrent(int col, int row)
{
    if (col < 0 || col >= ColCount() || row < 0 || row >= RowCount())
        return false;
    if (!SelectCell(col, row))
        return false;
    if (QPoint(col, row) != m_current) {
        InvalidateCell(m_current.x(), m_current.y());
        m_current = QPoint(col, row);
        InvalidateCell(col, row);
        NotifyCurrentCell();
    }
    return true;
}

QString TCustomGrid::AccessibleCellText(int, int) const
{
    return {};
}

QString TCustomGrid::AccessibleCellName(int col, int row) const
{
    return AccessibleCellText(col, row);
}

namespace {

std::function<void(QAccessibleEvent*)>& AccessibleEventSink()
{
    static std::function<void(QAccessibleEvent*)> sink;
    return sink;
}

bool ReportsAccessibleEvents()
{
    return AccessibleEventSink() || QAccessible::isActive();
}

void ReportAccessibleEvent(QAccessibleEvent* event)
{
    if (AccessibleEventSink())
        AccessibleEventSink()(event);
    else
        QAccessible::updateAccessibility(event);
}

} // namespace

void TCustomGrid::SetAccessibleEventSink(std::function<void(QAccessibleEvent*)> sink)
{
    AccessibleEventSink() = std::move(sink);
}

// The cells' interfaces are the children of the grid's, row by row.
void TCustomGrid::NotifyCurrentCell()
{
    if (!ReportsAccessibleEvents())
        return;
    const int child = m_current.y() * ColCount() + m_current.x();
    QAccessibleEvent selection(this, QAccessible::Selection);
    selection.setChild(child);
    ReportAccessibleEvent(&selection);
    if (hasFocus()) {
        QAccessibleEvent focus(this, QAccessible::Focus);
        focus.setChild(child);
        ReportAccessibleEvent(&focus);
    }
}

void TCustomGrid::NotifyGridReshaped()
{
    if (!ReportsAccessibleEvents())
        return;
    QAccessibleTableModelChangeEvent reset(this, QAccessibleTableModelChangeEvent::ModelReset);
    ReportAccessibleEvent(&reset);
}

void TCustomGrid::NotifyCellsChanged()
{
    if (!ReportsAccessibleEvents())
        return;
    QAccessibleTableModelChangeEvent change(this, QAccessibleTableModelChangeEvent::DataChanged);
    change.setFirstRow(0);
    change.setLastRow(RowCount() - 1);
    change.setFirstColumn(0);
    change.setLastColumn(ColCount() - 1);
    ReportAccessibleEvent(&change);
}

bool TCustomGrid::SelectCell(int, int)
{
    return true;
}

void TCustomGrid::Click()
{
}

void TCustomGrid::InvalidateCell(int col, int row)
{
    const QRect r = CellRect(col, row);
    if (!r.isEmpty())
        update(r.adjusted(-1, -1, 1, 1));
}

void TCustomGrid::InvalidateGrid()
{
    update();
}

// --- painting ---

QColor TCustomGrid::FixedLineColor(bool on) const
{
    return on ? QColor(0, 0, 0) : m_fixedColor;
}

QColor TCustomGrid::BodyLineColor(bool on) const
{
    return on ? QColor(0xC0, 0xC0, 0xC0) : m_color;
}

void TCustomGrid::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    drawFrame(&painter);
    PaintTo(painter, event->rect());
}

void TCustomGrid::PaintTo(QPainter& painter, const QRect& dirty)
{
    const QRect client = contentsRect();
    const QRect area = dirty.intersected(client);
    if (area.isEmpty())
        return;
    painter.save();
    painter.setClipRect(area);
    const QPoint o = client.topLeft();
    const int lineH = HorzLineWidth();
    const int lineV = VertLineWidth();
    const int fixedBottom = RowTop(m_fixedRows);
    const int fixedRight = ColLeft(m_fixedCols);
    const int gridW = GridWidth();
    const int gridH = GridHeight();

    // Vertical lines after every column: the header band and fixed columns in the fixed colours,
    // the rest in the body colours.
    if (lineH > 0) {
        const QColor fixedV = FixedLineColor(m_options & goFixedVertLine);
        const QColor bodyV = BodyLineColor(m_options & goVertLine);
        for (int c = 0; c < ColCount(); ++c) {
            const int x = o.x() + ColLeft(c) + m_colWidths.at(c);
            painter.fillRect(QRect(x, o.y(), lineH, fixedBottom), fixedV);
            painter.fillRect(QRect(x, o.y() + fixedBottom, lineH, gridH - fixedBottom), c < m_fixedCols ? fixedV : bodyV);
        }
    }
    if (lineV > 0) {
        const QColor fixedH = FixedLineColor(m_options & goFixedHorzLine);
        const QColor bodyH = BodyLineColor(m_options & goHorzLine);
        for (int r = 0; r < RowCount(); ++r) {
            const int y = o.y() + RowTop(r) + m_rowHeights.at(r);
            if (r < m_fixedRows) {
                painter.fillRect(QRect(o.x(), y, gridW, lineV), fixedH);
            } else {
                painter.fillRect(QRect(o.x(), y, fixedRight, lineV), fixedH);
                painter.fillRect(QRect(o.x() + fixedRight, y, gridW - fixedRight, lineV), bodyH);
            }
        }
    }

    const QRect range = CellRange(area);
    for (int r = range.top(); r <= range.bottom(); ++r)
        for (int c = range.left(); c <= range.right(); ++c)
            if (r < m_fixedRows || c < m_fixedCols)
                PaintCell(painter, r, c);
    for (int r = range.top(); r <= range.bottom(); ++r)
        for (int c = range.left(); c <= range.right(); ++c)
            if (r >= m_fixedRows && c >= m_fixedCols)
                PaintCell(painter, r, c);

    // What the cells do not cover.
    if (gridW < client.width())
        painter.fillRect(QRect(o.x() + gridW, o.y(), client.width() - gridW, client.height()), m_color);
    if (gridH < client.height())
        painter.fillRect(QRect(o.x(), o.y() + gridH, std::min(gridW, client.width()), client.height() - gridH), m_color);
    painter.restore();
}

void TCustomGrid::PaintCell(QPainter& painter, int row, int col)
{
    const QRect rect = CellRect(col, row);
    const TGridDrawState state = DrawState(col, row);
    const bool fixed = state & gdFixed;
    QColor background = fixed ? m_fixedColor : m_color;
    if ((state & gdSelected) && !fixed)
        background = palette().color(QPalette::Highlight);
    painter.fillRect(rect, background);
    DrawCell(painter, col, row, rect, state);
    if (fixed && m_ctl3D) {
        painter.setPen(Qt::white);
        painter.drawLine(rect.bottomLeft(), rect.topLeft());
        painter.drawLine(rect.topLeft(), rect.topRight());
    }
    if (state & gdFocused) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect;
        option.backgroundColor = background;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void TCustomGrid::DrawCell(QPainter&, int, int, const QRect&, TGridDrawState)
{
}

// --- input ---

void TCustomGrid::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    // Rows that fit below the fixed ones: the page size of PageUp/PageDown.
    int pageRows = 0;
    for (int r = m_fixedRows, y = RowTop(m_fixedRows); r < RowCount(); ++r) {
        y += m_rowHeights.at(r) + VertLineWidth();
        if (y > contentsRect().height() && pageRows > 0)
            break;
        ++pageRows;
    }
    pageRows = std::max(pageRows, 1);

    QPoint target = m_current;
    switch (event->key()) {
    case Qt::Key_Left: target.rx() -= 1; break;
    case Qt::Key_Right: target.rx() += 1; break;
    case Qt::Key_Up: target.ry() -= 1; break;
    case Qt::Key_Down: target.ry() += 1; break;
    case Qt::Key_PageUp: target.ry() -= pageRows; break;
    case Qt::Key_PageDown: target.ry() += pageRows; break;
    case Qt::Key_Home:
        target.setX(m_fixedCols);
        if (ctrl)
            target.setY(m_fixedRows);
        break;
    case Qt::Key_End:
        target.setX(ColCount() - 1);
        if (ctrl)
            target.setY(RowCount() - 1);
        break;
    default:
        QFrame::keyPressEvent(event);
        return;
    }
    event->accept();
    target.setX(std::clamp(target.x(), m_fixedCols, ColCount() - 1));
    target.setY(std::clamp(target.y(), m_fixedRows, RowCount() - 1));
    if (target == m_current)
        return;
    // A refused move still ends in Click, as a mouse release over a refused cell does.
    Guarded([&] {
        MoveCurrent(target.x(), target.y());
        Click();
    });
}

void TCustomGrid::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QFrame::mousePressEvent(event);
        return;
    }
    if (focusPolicy() & Qt::ClickFocus)
        setFocus(Qt::MouseFocusReason);
    const QPoint cell = MouseCoord(event->position().toPoint());
    if (cell.x() >= m_fixedCols && cell.y() >= m_fixedRows) {
        m_selecting = true;
        Guarded([&] { MoveCurrent(cell.x(), cell.y()); });
    }
}

void TCustomGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_selecting)
        return;
    const QPoint cell = MouseCoord(event->position().toPoint());
    if (cell.x() >= m_fixedCols && cell.y() >= m_fixedRows && cell != m_current)
        Guarded([&] { MoveCurrent(cell.x(), cell.y()); });
}

void TCustomGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_selecting) {
        QFrame::mouseReleaseEvent(event);
        return;
    }
    m_selecting = false;
    Guarded([&] { Click(); });
}

void TCustomGrid::focusInEvent(QFocusEvent* event)
{
    InvalidateCell(m_current.x(), m_current.y());
    QFrame::focusInEvent(event);
    // After the grid's own focus event, so a reader ends on the cell, not on the whole table.
    NotifyCurrentCell();
}

void TCustomGrid::focusOutEvent(QFocusEvent* event)
{
    InvalidateCell(m_current.x(), m_current.y());
    QFrame::focusOutEvent(event);
}
