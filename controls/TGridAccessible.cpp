#include "TGridAccessible.h"

#include "TCustomGrid.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {

QRect GlobalCellRect(const TCustomGrid& grid, int col, int row)
{
    const QRect rect = grid.CellRect(col, row);
    return QRect(grid.mapToGlobal(rect.topLeft()), rect.size());
}

// One cell. It holds no object of its own: everything is read from the grid when asked, so a cell
// that changes its text (another month) needs no new interface. Its text is the cell's text, read
// through the text interface; its name may be fuller (a calendar names the whole date).
class TGridCellAccessible : public QAccessibleInterface,
                            public QAccessibleTableCellInterface,
                            public QAccessibleTextInterface
{
public:
    TGridCellAccessible(TCustomGrid* grid, int col, int row)
        : m_grid(grid)
        , m_col(col)
        , m_row(row)
    {
    }

    bool isValid() const override { return m_grid && m_col < m_grid->ColCount() && m_row < m_grid->RowCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_grid ? m_grid->window()->windowHandle() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_grid); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        switch (t) {
        case QAccessible::Name: return m_grid->AccessibleCellName(m_col, m_row);
        case QAccessible::Value: return Text();
        default: return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override { return isValid() ? GlobalCellRect(*m_grid, m_col, m_row) : QRect(); }

    QAccessible::Role role() const override
    {
        if (IsFixed())
            return m_row < FixedRows() ? QAccessible::ColumnHeader : QAccessible::RowHeader;
        return QAccessible::Cell;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid())
            return state;
        state.readOnly = true;
        if (!m_grid->isVisible())
            state.invisible = true;
        if (IsFixed())
            return state;
        state.selectable = true;
        state.focusable = true;
        if (IsCurrent()) {
            state.selected = true;
            state.active = true;
            if (m_grid->hasFocus())
                state.focused = true;
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableCellInterface && !IsFixed())
            return static_cast<QAccessibleTableCellInterface*>(this);
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return nullptr;
    }

    // --- table cell ---
    bool isSelected() const override { return isValid() && !IsFixed() && IsCurrent(); }
    QList<QAccessibleInterface*> columnHeaderCells() const override
    {
        QList<QAccessibleInterface*> cells;
        if (QAccessibleInterface* table = parent()) {
            for (int row = 0; row < FixedRows(); ++row)
                cells << table->child(row * m_grid->ColCount() + m_col);
        }
        return cells;
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override
    {
        QList<QAccessibleInterface*> cells;
        if (QAccessibleInterface* table = parent()) {
            for (int col = 0; col < m_grid->FixedCols(); ++col)
                cells << table->child(m_row * m_grid->ColCount() + col);
        }
        return cells;
    }
    int columnIndex() const override { return m_col - m_grid->FixedCols(); }
    int rowIndex() const override { return m_row - FixedRows(); }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    // --- text: read-only, without a caret or a selection ---
    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override
    {
        const QString text = Text();
        startOffset = qBound(0, startOffset, int(text.size()));
        endOffset = qBound(startOffset, endOffset, int(text.size()));
        return text.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(Text().size()); }
    QRect characterRect(int) const override { return rect(); }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* startOffset, int* endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

private:
    QString Text() const { return isValid() ? m_grid->AccessibleCellText(m_col, m_row) : QString(); }
    int FixedRows() const { return m_grid->FixedRows(); }
    bool IsFixed() const { return m_row < FixedRows() || m_col < m_grid->FixedCols(); }
    bool IsCurrent() const { return m_grid->Col() == m_col && m_grid->Row() == m_row; }

    QPointer<TCustomGrid> m_grid;
    int m_col;
    int m_row;
};

// The grid as a table. Its children are all cells, row by row; the table's rows and columns leave
// out the fixed ones, which are the headers of the others.
class TGridTableAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit TGridTableAccessible(TCustomGrid* grid)
        : QAccessibleWidget(grid, QAccessible::Table)
    {
    }

    ~TGridTableAccessible() override { ForgetCells(); }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    int childCount() const override { return Grid()->ColCount() * Grid()->RowCount(); }
    QAccessibleInterface* child(int index) const override
    {
        const int cols = Grid()->ColCount();
        if (index < 0 || index >= childCount() || cols == 0)
            return nullptr;
        return Cell(index % cols, index / cols);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const auto* cell = dynamic_cast<const TGridCellAccessible*>(child);
        if (!cell || cell->parent() != this)
            return -1;
        return (cell->rowIndex() + Grid()->FixedRows()) * Grid()->ColCount() + cell->columnIndex() + Grid()->FixedCols();
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint cell = Grid()->MouseCoord(Grid()->mapFromGlobal(QPoint(x, y)));
        return cell.x() >= 0 ? Cell(cell.x(), cell.y()) : nullptr;
    }
    QAccessibleInterface* focusChild() const override
    {
        if (!Grid()->hasFocus())
            return nullptr;
        return Cell(Grid()->Col(), Grid()->Row());
    }

    // --- table ---
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override
    {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
            return nullptr;
        return Cell(column + Grid()->FixedCols(), row + Grid()->FixedRows());
    }
    int selectedCellCount() const override { return CurrentIsBody() ? 1 : 0; }
    QList<QAccessibleInterface*> selectedCells() const override
    {
        if (!CurrentIsBody())
            return {};
        return {Cell(Grid()->Col(), Grid()->Row())};
    }
    QString columnDescription(int column) const override
    {
        return Grid()->FixedRows() > 0 ? Grid()->AccessibleCellName(column + Grid()->FixedCols(), 0) : QString();
    }
    QString rowDescription(int row) const override
    {
        return Grid()->FixedCols() > 0 ? Grid()->AccessibleCellName(0, row + Grid()->FixedRows()) : QString();
    }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override { return qMax(0, Grid()->ColCount() - Grid()->FixedCols()); }
    int rowCount() const override { return qMax(0, Grid()->RowCount() - Grid()->FixedRows()); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }

    void modelChange(QAccessibleTableModelChangeEvent* event) override
    {
        // Cells read their texts when asked, so changed data needs nothing; a grid of another shape
        // gets fresh cells.
        if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged)
            ForgetCells();
    }

private:
    TCustomGrid* Grid() const { return static_cast<TCustomGrid*>(widget()); }
    bool CurrentIsBody() const
    {
        return Grid()->Col() >= Grid()->FixedCols() && Grid()->Row() >= Grid()->FixedRows();
    }

    // Cells are made when first asked for and kept, so a reader gets the same cell each time.
    QAccessibleInterface* Cell(int col, int row) const
    {
        const quint64 key = (quint64(quint32(row)) << 32) | quint32(col);
        if (const auto found = m_cells.constFind(key); found != m_cells.constEnd()) {
            if (QAccessibleInterface* cell = QAccessible::accessibleInterface(found.value()))
                return cell;
        }
        auto* cell = new TGridCellAccessible(Grid(), col, row);
        m_cells.insert(key, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }

    void ForgetCells()
    {
        for (const QAccessible::Id id : std::as_const(m_cells))
            QAccessible::deleteAccessibleInterface(id);
        m_cells.clear();
    }

    mutable QHash<quint64, QAccessible::Id> m_cells;
};

} // namespace

QAccessibleInterface* GridAccessibleFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String("TCustomGrid"))
        return nullptr;
    auto* grid = qobject_cast<TCustomGrid*>(object);
    return grid ? new TGridTableAccessible(grid) : nullptr;
}
