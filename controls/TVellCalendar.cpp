#include "TVellCalendar.h"

#include <HandlerGuard.h>

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QtDebug>
#include <cmath>

namespace {
constexpr int HeaderRow = 0;

// The header height follows the title font's size in points; a font sized in pixels is converted
// at 96 dpi.
int PointSizeOf(const QFont& font)
{
    if (font.pointSize() > 0)
        return font.pointSize();
    if (font.pixelSize() > 0)
        return static_cast<int>(std::lround(font.pixelSize() * 72.0 / 96.0));
    return static_cast<int>(std::lround(font.pointSizeF()));
}

// Restores a flag also when the code between throws.
class TFlagScope
{
public:
    explicit TFlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~TFlagScope() { m_flag = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& m_flag;
};
} // namespace

TVellCalendar::TVellCalendar(QWidget* parent)
    : TCustomGrid(parent)
{
    setObjectName(QStringLiteral("VellCalendar"));
    setAccessibleName(QStringLiteral("Calendar"));
    SetColCount(TVellCalendarModel::ColumnCount);
    SetRowCount(TVellCalendarModel::RowCount);
    SetFixedCols(0);
    SetFixedRows(1);
    SetOptions((DefaultOptions & ~goRangeSelect) | goDrawFocusSelected);
    m_model.SetHighlight(palette().color(QPalette::Highlight));
    m_model.SetHighlightText(palette().color(QPalette::HighlightedText));
    m_model.SetFontColor(palette().color(QPalette::WindowText));
    m_headerHeight = PointSizeOf(m_titleFont) + 4;
    resize(VellCalendarDefaults::InitialWidth, VellCalendarDefaults::InitialHeight);
    SizeCells(contentsRect().width(), contentsRect().height());
    UpdateCalendar();
}

TVellCalendar::~TVellCalendar() = default;

void TVellCalendar::BeginLoad()
{
    m_loading = true;
}

void TVellCalendar::Loaded()
{
    m_loading = false;
    m_model.SetCalendarDate(Date());
    SetDateElement(5, 1);
}

// --- date ---

void TVellCalendar::SetCalendarDate(TDateTime date)
{
    m_model.SetCalendarDate(date);
    Repaint();
}

void TVellCalendar::SetDateElement(int index, int value)
{
    const TVellCalendarModel::TDateKind kind = m_model.ApplyDateElement(index, value);
    if (kind == TVellCalendarModel::dkNone)
        return;
    // The selection follows the day too, so the highlighted cell always shows CalendarDate.
    UpdateCalendar();
    if (m_loading)
        return;
    const TDateTime date = CalendarDate();
    switch (kind) {
    case TVellCalendarModel::dkYear:
        if (OnYearChange)
            OnYearChange(this, Year());
        break;
    case TVellCalendarModel::dkMonth:
        if (OnMonthChange)
            OnMonthChange(this, Month());
        break;
    case TVellCalendarModel::dkDay:
        if (OnDayChange)
            OnDayChange(this, Day());
        break;
    default:
        break;
    }
    if (kind != TVellCalendarModel::dkSilent && OnDateChange)
        OnDateChange(this, date);
    DoChange();
}

void TVellCalendar::UpdateCalendar()
{
    {
        TFlagScope updating(m_updating);
        m_model.UpdateLayout();
        const QPoint cell = m_model.CurrentCell();
        if (cell.x() >= 0)
            MoveCurrent(cell.x(), cell.y());
    }
    NotifyCellsChanged();
    Repaint();
}

QString TVellCalendar::AccessibleCellText(int col, int row) const
{
    return CellText(row, col);
}

// A day cell is named by its whole date, so a reader need not piece it together from the caption.
QString TVellCalendar::AccessibleCellName(int col, int row) const
{
    const TDateTime date = m_model.DateForCell(row, col);
    if (row > HeaderRow && date != 0)
        return FormatDateTime(QStringLiteral("dddd, mmmm d, yyyy"), date);
    return CellText(row, col);
}

void TVellCalendar::NextMonth()
{
    if (Month() > 11) {
        SetDateElement(1, Year() + 1);
        SetDateElement(2, 1);
    } else {
        SetDateElement(2, Month() + 1);
    }
}

void TVellCalendar::PrevMonth()
{
    if (Month() < 2) {
        SetDateElement(1, Year() - 1);
        SetDateElement(2, 12);
    } else {
        SetDateElement(2, Month() - 1);
    }
}

void TVellCalendar::NextYear()
{
    SetDateElement(1, Year() + 1);
}

void TVellCalendar::PrevYear()
{
    SetDateElement(1, Year() - 1);
}

void TVellCalendar::GoToday()
{
    m_model.SetCalendarDate(Date());
    SetDateElement(4, 1);
}

bool TVellCalendar::AddChangeListener(QObject* object, TChangeListener method)
{
    if (m_listeners.size() >= MaxChangeListeners) {
        qWarning("TVellCalendar: no room for a change listener beyond %d", MaxChangeListeners);
        return false;
    }
    m_listeners.append(TListener{object, object != nullptr, std::move(method)});
    return true;
}

void TVellCalendar::DoChange()
{
    if (OnChange)
        OnChange(this);
    // A copy: a listener may register another one.
    const QList<TListener> listeners = m_listeners;
    for (const TListener& listener : listeners) {
        if (listener.Bound && listener.Object.isNull())
            continue;
        if (listener.Method)
            listener.Method(this);
    }
    m_listeners.removeIf([](const TListener& listener) { return listener.Bound && listener.Object.isNull(); });
}

// --- per-day attributes ---

void TVellCalendar::ClearDayAttributes()
{
    m_model.ClearDayAttributes();
    Repaint();
}

void TVellCalendar::ClearBlockedDays()
{
    m_model.ClearBlockedDays();
    Repaint();
}

void TVellCalendar::ClearColorBars()
{
    m_model.ClearColorBars();
    Repaint();
}

void TVellCalendar::SetDayColors(const QColor& background, const QColor& textColor)
{
    m_model.SetDayColors(background, textColor);
    Repaint();
}

void TVellCalendar::SetDayColor(int day, const QColor& color)
{
    m_model.SetDayColor(day, color);
    Repaint();
}

void TVellCalendar::SetDayFontColor(int day, const QColor& color)
{
    m_model.SetDayFontColor(day, color);
    Repaint();
}

void TVellCalendar::SetDayColorSet(int day, int set)
{
    m_model.SetDayColorSet(day, set);
    Repaint();
}

void TVellCalendar::SetDayText(int day, int line, const QString& text)
{
    m_model.SetDayText(day, line, text);
    Repaint();
}

void TVellCalendar::SetDayTextColorSet(int day, int line, int set)
{
    m_model.SetDayTextColorSet(day, line, set);
    Repaint();
}

void TVellCalendar::SetBlockedDay(int day, bool blocked)
{
    m_model.SetBlocked(day, blocked);
    Repaint();
}

void TVellCalendar::AddColorBar(int day, const QColor& color)
{
    m_model.AddColorBar(day, color);
    Repaint();
}

// --- properties ---

void TVellCalendar::SetHighlight(const QColor& color)
{
    m_model.SetHighlight(color);
    Repaint();
}

void TVellCalendar::SetHighlightText(const QColor& color)
{
    m_model.SetHighlightText(color);
    Repaint();
}

void TVellCalendar::SetShowGridLines(bool on)
{
    m_model.SetShowGridLines(on);
    Repaint();
}

void TVellCalendar::SetIsActive(bool on)
{
    m_model.SetIsActive(on);
    Repaint();
}

void TVellCalendar::SetTitleColor(const QColor& color)
{
    if (color == m_titleColor)
        return;
    m_titleColor = color;
    SetFixedColor(color);
    Repaint();
}

void TVellCalendar::SetCellColor(const QColor& color)
{
    m_model.SetCellColor(color);
    Repaint();
}

void TVellCalendar::SetGridLineColor(const QColor& color)
{
    m_model.SetGridLineColor(color);
    Repaint();
}

void TVellCalendar::SetTextPlacement(TVellText placement)
{
    m_model.SetTextPlacement(placement);
    Repaint();
}

void TVellCalendar::SetDowNames(const QStringList& names)
{
    m_model.SetDowNames(names);
    NotifyCellsChanged();
    Repaint();
}

void TVellCalendar::SetTodayColor(const QColor& color)
{
    m_model.SetTodayColor(color);
    update();
}

void TVellCalendar::SetColorSets(const TVellColoring& sets)
{
    m_model.ColorSets() = sets;
    Repaint();
}

void TVellCalendar::SetStartingDay(int day)
{
    if (!m_model.SetStartingDay(day))
        return;
    UpdateCalendar();
    update();
}

void TVellCalendar::SetTextInCell(bool on)
{
    m_model.SetTextInCell(on);
    Repaint();
}

void TVellCalendar::SetShowColorBars(bool on)
{
    m_model.SetShowColorBars(on);
    Repaint();
}

void TVellCalendar::SetTextFont(const QFont& font)
{
    m_textFont = font;
    Repaint();
}

void TVellCalendar::SetTextFontColor(const QColor& color)
{
    m_model.SetTextFontColor(color);
    Repaint();
}

void TVellCalendar::SetTitleFont(const QFont& font)
{
    m_titleFont = font;
    m_headerHeight = PointSizeOf(m_titleFont) + 4;
    SizeCells(width(), height());
    Repaint();
}

void TVellCalendar::SetTitleFontColor(const QColor& color)
{
    m_model.SetTitleFontColor(color);
    Repaint();
}

void TVellCalendar::SetFontColor(const QColor& color)
{
    m_model.SetFontColor(color);
    Repaint();
}

void TVellCalendar::SetHeaderUseFixed(bool on)
{
    m_headerUseFixed = on;
    SizeCells(width(), height());
    Repaint();
}

void TVellCalendar::SetColorCellText(bool on)
{
    m_model.SetColorCellText(on);
    Repaint();
}

void TVellCalendar::SetColorCellDay(bool on)
{
    m_model.SetColorCellDay(on);
    Repaint();
}

void TVellCalendar::SetBlockedBkGnd(const QColor& color)
{
    m_model.SetBlockedBkGnd(color);
    update();
}

void TVellCalendar::SetBlockedFrGnd(const QColor& color)
{
    m_model.SetBlockedFrGnd(color);
    update();
}

void TVellCalendar::SetBlockWeekends(bool on)
{
    m_model.SetBlockWeekends(on);
    update();
}

void TVellCalendar::SetSuspendUpdate(bool on)
{
    if (on == m_suspendUpdate)
        return;
    m_suspendUpdate = on;
    if (!on)
        Repaint();
}

void TVellCalendar::Repaint()
{
    // Qt coalesces paints; a queued update is as good as an immediate one and never paints twice.
    update();
}

// --- sizing ---

void TVellCalendar::SizeCells(int w, int h)
{
    const int lines = 6 * GridLineWidth();
    SetDefaultColWidth((w - lines) / 7);
    m_headerHeight = PointSizeOf(m_titleFont) + 4;
    if (m_headerUseFixed) {
        SetDefaultRowHeight((h - m_headerHeight - lines) / 6);
        SetRowHeights(HeaderRow, m_headerHeight);
    } else {
        SetDefaultRowHeight((h - lines) / 7);
    }
}

// A size change sizes the cells from the client area. The resize a hidden calendar receives when it
// is first shown is no change when its cells were sized (or given their heights, as the popup's
// form does) at that very size: the designed heights stay.
void TVellCalendar::resizeEvent(QResizeEvent* event)
{
    TCustomGrid::resizeEvent(event);
    if (contentsRect().size() != CellsSizedFor())
        SizeCells(contentsRect().width(), contentsRect().height());
}

// --- selection and clicks ---

bool TVellCalendar::SelectCell(int col, int row)
{
    return m_model.CanSelect(row, col, m_updating);
}

void TVellCalendar::Click()
{
    TCustomGrid::Click();
    const QString text = CellText(Row(), Col());
    if (!text.isEmpty() && IsActive())
        SetDateElement(3, text.toInt());
    if (m_loading)
        return;
    if (OnDayFlag && m_model.DayColorSet(Day()) > 0)
        OnDayFlag(this);
    if (OnClick)
        OnClick(this);
}

void TVellCalendar::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && OnDblClick)
        Guarded([&] { OnDblClick(this); });
    TCustomGrid::mousePressEvent(event);
}

// --- painting ---

QColor TVellCalendar::FixedLineColor(bool on) const
{
    return on ? QColor(0, 0, 0) : FixedColor();
}

QColor TVellCalendar::BodyLineColor(bool on) const
{
    if (!on)
        return Color();
    return ShowGridLines() ? GridLineColor() : CellColor();
}

void TVellCalendar::PaintCell(QPainter& painter, int row, int col)
{
    const QRect rect = CellRect(col, row);
    const TGridDrawState state = DrawState(col, row);
    const TVellCalendarModel::TCellLook look =
        m_model.CellLook(row, col, state & gdSelected, state & gdFocused, FixedColor());
    painter.save();
    painter.setFont(row == HeaderRow ? m_titleFont : font());
    painter.setPen(look.TextColor);
    painter.fillRect(rect, look.Background);
    DrawCell(painter, col, row, rect, state);
    if ((state & gdFixed) && Ctl3D()) {
        painter.setPen(QColor(0xFF, 0xFF, 0xFF));
        painter.drawLine(rect.bottomLeft(), rect.topLeft());
        painter.drawLine(rect.topLeft(), rect.topRight());
    }
    if ((state & gdFocused) && IsActive()) {
        // The dotted focus frame is inverted onto whatever the cell shows, like the system one.
        QPen pen(QColor(0xFF, 0xFF, 0xFF));
        pen.setDashPattern({1.0, 1.0});
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

void TVellCalendar::DrawCell(QPainter& painter, int col, int row, const QRect& rect, TGridDrawState)
{
    const QString text = CellText(row, col);
    const QFontMetrics cellMetrics(painter.font());
    const int w = cellMetrics.horizontalAdvance(text);
    const int h = cellMetrics.height();
    const TVellCalendarModel::TTextSpot spot = m_model.TextPosition(row, col, rect, w, h);
    constexpr int Flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextExpandTabs | Qt::TextDontClip;

    painter.save();
    if (spot.Clipped)
        painter.setClipRect(rect, Qt::IntersectClip);
    painter.drawText(QRect(spot.TopLeft, QSize(w, h)), Flags, text);
    painter.restore();

    const int day = m_model.DayForCell(row, col);
    if (row == HeaderRow || day < 1 || day > DaysThisMonth())
        return;

    const int firstLineOffset = h + 1;
    const QFontMetrics textMetrics(m_textFont);
    const int lineHeight = textMetrics.height();
    painter.save();
    painter.setFont(m_textFont);
    if (TextInCell()) {
        const int lines = TVellCalendarModel::TextLineCount(rect, firstLineOffset, lineHeight);
        for (int line = 1; line <= lines; ++line) {
            const QString lineText = m_model.DayText(day, line);
            if (lineText.isEmpty())
                continue;
            painter.setPen(m_model.TextLineColor(day, line));
            const QPoint at(rect.left() + 2, rect.top() + firstLineOffset + (line - 1) * lineHeight);
            painter.drawText(QRect(at, QSize(textMetrics.horizontalAdvance(lineText), lineHeight)), Flags, lineText);
        }
    }
    if (ShowColorBars()) {
        for (const TVellCalendarModel::TBarRect& bar : m_model.BarRects(row, col, rect, lineHeight))
            painter.fillRect(bar.Rect, bar.Color);
    }
    painter.restore();
}
