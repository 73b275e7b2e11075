#include "TVellCalendar_p.h"

#include <EConvertError.h>

#include <QtDebug>
#include <algorithm>

namespace {
constexpr int HeaderRow = 0;
constexpr int Saturday = 7;
constexpr int Sunday = 1;
} // namespace

TVellCalendarModel::TVellCalendarModel()
{
    m_calendarDate = Date();
    for (int weekday = 1; weekday <= 7; ++weekday)
        m_dowNames.append(ShortDayName(weekday));
    SetDayColors(m_cellColor, QColor());
    UpdateLayout();
}

// --- date ---

void TVellCalendarModel::SetCalendarDate(TDateTime date)
{
    m_calendarDate = date;
}

int TVellCalendarModel::GetDateElement(int index) const
{
    int year = 0, month = 0, day = 0;
    DecodeDate(m_calendarDate, year, month, day);
    switch (index) {
    case 1: return year;
    case 2: return month;
    case 3: return day;
    default: return -1;
    }
}

TVellCalendarModel::TDateKind TVellCalendarModel::ApplyDateElement(int index, int value)
{
    if (value <= 0 || index < 1 || index > 5)
        return dkNone;
    if (index == 2 && value > 12)
        return dkNone;
    int year = 0, month = 0, day = 0;
    DecodeDate(m_calendarDate, year, month, day);
    const int oldYear = year;
    const int oldMonth = month;

    TDateKind kind = dkNone;
    switch (index) {
    case 1: year = value; kind = dkYear; break;
    case 2: month = value; kind = dkMonth; break;
    case 3: day = value; kind = dkDay; break;
    case 4: kind = dkRefresh; break;
    default: kind = dkSilent; break;
    }
    day = std::min(day, DaysPerMonth(month, year));
    // Built before anything is cleared, so a year that cannot be shown leaves the calendar untouched.
    const TDateTime newDate = EncodeDate(year, month, day);

    if (kind == dkYear && year != oldYear)
        ClearBlockedDays();
    if (kind == dkMonth && month != oldMonth) {
        ClearBlockedDays();
        SetDayColors(m_cellColor, QColor());
        ClearColorBars();
    }
    m_calendarDate = newDate;
    if (kind != dkDay) {
        SetBlockWeekends(m_blockWeekends);
        UpdateLayout();
    }
    return kind;
}

// The calendar's interface takes the month first; the shared date arithmetic takes the year first.
int TVellCalendarModel::DaysPerMonth(int month, int year)
{
    return DaysInMonth(year, month);
}

bool TVellCalendarModel::IsLeapYear(int year)
{
    return ::IsLeapYear(year);
}

int TVellCalendarModel::DaysThisMonth() const
{
    return DaysPerMonth(GetDateElement(2), GetDateElement(1));
}

// --- layout ---

bool TVellCalendarModel::SetStartingDay(int day)
{
    if (day == m_startingDay || day < 0 || day > 6)
        return false;
    m_startingDay = day;
    UpdateLayout();
    return true;
}

void TVellCalendarModel::UpdateLayout()
{
    // a = column of day 1 counted from StartingDay; MonthOffset is the day number of the first body
    // cell. A month whose first day falls in column 0 would give 2 - 0 = 2, i.e. day 1 in column -1:
    // such a month starts a week later, so day 1 goes to the end of row 1 instead (-5 = 2 - 7).
    int year = 0, month = 0, day = 0;
    DecodeDate(m_calendarDate, year, month, day);
    TDateTime first = 0;
    if (!TryEncodeDate(year, month, 1, first))
        return;
    const int a = (DayOfWeek(first) - m_startingDay + 7) % 7;
    m_monthOffset = 2 - a;
    if (m_monthOffset == 2)
        m_monthOffset = -5;
}

int TVellCalendarModel::DayForCell(int row, int col) const
{
    if (row <= HeaderRow || row >= RowCount || col < 0 || col >= ColumnCount)
        return 0;
    return m_monthOffset + col + 7 * (row - 1);
}

TDateTime TVellCalendarModel::DateForCell(int row, int col) const
{
    const int day = DayForCell(row, col);
    if (day < 1 || day > DaysThisMonth())
        return 0;
    return EncodeDate(GetDateElement(1), GetDateElement(2), day);
}

QPoint TVellCalendarModel::CellForDay(int day) const
{
    if (day < 1 || day > DaysThisMonth())
        return QPoint(-1, -1);
    const int k = day - m_monthOffset;
    return QPoint(k % 7, k / 7 + 1);
}

QPoint TVellCalendarModel::CellForDate(TDateTime date) const
{
    int year = 0, month = 0, day = 0;
    DecodeDate(date, year, month, day);
    if (year != GetDateElement(1) || month != GetDateElement(2))
        return QPoint(-1, -1);
    return CellForDay(day);
}

QString TVellCalendarModel::CellText(int row, int col) const
{
    if (row == HeaderRow) {
        // A short name list reads as empty headers rather than failing the paint.
        const int item = (col + m_startingDay) % 7;
        return item < m_dowNames.size() ? m_dowNames.at(item) : QString();
    }
    const int day = DayForCell(row, col);
    if (day >= 1 && day <= DaysThisMonth())
        return QString::number(day);
    return QString();
}

bool TVellCalendarModel::CanSelect(int row, int col, bool updating) const
{
    if (!updating && !m_isActive)
        return false;
    if (CellText(row, col).isEmpty())
        return false;
    if (row > HeaderRow && IsBlocked(DayForCell(row, col)))
        return false;
    return true;
}

// --- per-day attributes ---

QColor TVellCalendarModel::DayColor(int day) const
{
    return ValidDay(day) ? m_dayColors[day] : m_cellColor;
}

void TVellCalendarModel::SetDayColor(int day, const QColor& color)
{
    if (ValidDay(day))
        m_dayColors[day] = color;
}

QColor TVellCalendarModel::DayFontColor(int day) const
{
    return ValidDay(day) ? m_dayFontColors[day] : QColor();
}

void TVellCalendarModel::SetDayFontColor(int day, const QColor& color)
{
    if (ValidDay(day))
        m_dayFontColors[day] = color;
}

int TVellCalendarModel::DayColorSet(int day) const
{
    return ValidDay(day) ? m_dayColorSets[day] : 0;
}

void TVellCalendarModel::SetDayColorSet(int day, int set)
{
    if (ValidDay(day) && set >= 0 && set <= TVellColoring::Count)
        m_dayColorSets[day] = set;
}

QString TVellCalendarModel::DayText(int day, int line) const
{
    return ValidDay(day) && ValidLine(line) ? m_dayTexts[day][line] : QString();
}

void TVellCalendarModel::SetDayText(int day, int line, const QString& text)
{
    if (ValidDay(day) && ValidLine(line))
        m_dayTexts[day][line] = text.left(MaxDayTextLength);
}

int TVellCalendarModel::DayTextColorSet(int day, int line) const
{
    return ValidDay(day) && ValidLine(line) ? m_dayTextColorSets[day][line] : 0;
}

void TVellCalendarModel::SetDayTextColorSet(int day, int line, int set)
{
    if (ValidDay(day) && ValidLine(line) && set >= 0 && set <= TVellColoring::Count)
        m_dayTextColorSets[day][line] = set;
}

bool TVellCalendarModel::IsBlocked(int day) const
{
    return ValidDay(day) && m_blockedDays[day];
}

void TVellCalendarModel::SetBlocked(int day, bool blocked)
{
    if (ValidDay(day))
        m_blockedDays[day] = blocked;
}

void TVellCalendarModel::ClearDayAttributes()
{
    m_dayColorSets.fill(0);
    for (auto& lines : m_dayTexts)
        lines.fill(QString());
    for (auto& sets : m_dayTextColorSets)
        sets.fill(0);
}

void TVellCalendarModel::ClearBlockedDays()
{
    m_blockedDays.fill(false);
}

void TVellCalendarModel::ClearColorBars()
{
    m_colorBars.removeIf([](const TColorBar& bar) { return bar.Name.startsWith(QLatin1String("CB")); });
}

void TVellCalendarModel::SetDayColors(const QColor& background, const QColor& textColor)
{
    m_dayColors.fill(background);
    m_dayFontColors.fill(textColor);
}

void TVellCalendarModel::AddColorBar(int day, const QColor& color)
{
    if (!ValidDay(day)) {
        qWarning("TVellCalendar: no colour bar for day %d", day);
        return;
    }
    m_colorBars.append(TColorBar{QLatin1String("CB") + QString::number(day), color});
}

QList<QColor> TVellCalendarModel::ColorBarColors(const QString& cellText) const
{
    QList<QColor> colors;
    if (cellText.isEmpty())
        return colors;
    const QString name = QLatin1String("CB") + cellText;
    for (const TColorBar& bar : m_colorBars) {
        if (bar.Name == name) {
            colors.append(bar.Color);
            if (colors.size() == MaxBarsPerDay)
                break;
        }
    }
    return colors;
}

void TVellCalendarModel::SetBlockWeekends(bool on)
{
    m_blockWeekends = on;
    const int year = GetDateElement(1);
    const int month = GetDateElement(2);
    const int days = DaysThisMonth();
    for (int day = 1; day <= days; ++day) {
        TDateTime date = 0;
        if (!TryEncodeDate(year, month, day, date))
            continue;
        const int weekday = DayOfWeek(date);
        if (weekday == Saturday || weekday == Sunday)
            m_blockedDays[day] = on;
    }
}

// --- display settings ---

void TVellCalendarModel::SetTextInCell(bool on)
{
    m_textInCell = on;
    if (on) {
        m_textPlacement = vtTopLeft;
        m_showColorBars = false;
    }
}

void TVellCalendarModel::SetShowColorBars(bool on)
{
    m_showColorBars = on;
    if (on)
        m_textInCell = false;
    m_textPlacement = vtTopLeft;
}

// --- appearance ---

TVellCalendarModel::TCellLook TVellCalendarModel::CellLook(int row, int col, bool selected, bool focused,
                                                          const QColor& fixedColor) const
{
    const bool header = row == HeaderRow;
    const QColor base = header ? fixedColor : m_cellColor;
    int day = 0;
    if (!header) {
        const int n = DayForCell(row, col);
        if (n >= 1 && n <= DaysThisMonth())
            day = n;
    }

    TCellLook look{base, header ? m_titleFontColor : m_fontColor};
    if (selected) {
        if (m_isActive) {
            look.Background = m_highlight;
            look.TextColor = m_highlightText;
        } else {
            look.TextColor = m_colorOrder == vcaSetColor ? ColorSetColor(DayColorSet(day)) : m_todayColor;
        }
    } else if (day != 0 && IsBlocked(day)) {
        look.Background = m_blockedBkGnd;
    } else if (day != 0 && m_dayColors[day] != base) {
        look.Background = m_dayColors[day];
    }
    if (day == 0)
        return look;

    // The day number's own colours apply to every cell but the focused one, so an unfocused
    // selection keeps the highlight background with the colour-set number on it.
    if (m_colorCellDay && !focused) {
        look.TextColor = ColorSetColor(m_dayColorSets[day]);
        int year = 0, month = 0, today = 0;
        DecodeDate(Date(), year, month, today);
        if (day == today && month == GetDateElement(2) && year == GetDateElement(1) && m_colorOrder == vcaTodayColor)
            look.TextColor = m_todayColor;
    }
    if (m_dayFontColors[day].isValid() && !focused)
        look.TextColor = m_dayFontColors[day];
    if (m_blockedDays[day])
        look.TextColor = m_blockedFrGnd;
    return look;
}

TVellCalendarModel::TTextSpot TVellCalendarModel::TextPosition(int row, int col, const QRect& cell, int w, int h) const
{
    const int l = cell.left();
    const int t = cell.top();
    const int r = l + cell.width();
    const int b = t + cell.height();
    const QPoint centred(l + (r - l - w) / 2, t + (b - t - h) / 2);
    if (row == HeaderRow)
        return {centred, true};
    switch (m_textPlacement) {
    case vtCenter: {
        const int day = DayForCell(row, col);
        // Day numbers may spill out of a small centred cell; empty cells draw nothing anyway.
        return {centred, !(day >= 1 && day <= DaysThisMonth())};
    }
    case vtTopLeft: return {QPoint(l + 1, t + 1), true};
    case vtTopRight: return {QPoint(r - w - 2, t + 1), true};
    case vtLowerLeft: return {QPoint(l + 1, b - h - 1), true};
    case vtLowerRight: return {QPoint(r - w - 2, b - h - 1), true};
    }
    return {QPoint(l + 1, t + 1), true};
}

int TVellCalendarModel::TextLineCount(const QRect& cell, int firstLineOffset, int lineHeight)
{
    if (lineHeight <= 0)
        return 0;
    const int bottom = cell.top() + cell.height();
    const int n = (bottom - (cell.top() + firstLineOffset)) / lineHeight;
    return std::clamp(n, 0, MaxDayTextLines);
}

QColor TVellCalendarModel::TextLineColor(int day, int line) const
{
    return m_colorCellText ? ColorSetColor(DayTextColorSet(day, line)) : m_textFontColor;
}

QList<TVellCalendarModel::TBarRect> TVellCalendarModel::BarRects(int row, int col, const QRect& cell, int textHeight) const
{
    QList<TBarRect> bars;
    const QList<QColor> colors = ColorBarColors(CellText(row, col));
    const int k = colors.size();
    if (k == 0)
        return bars;
    const int l = cell.left();
    const int r = l + cell.width();
    const int b = cell.top() + cell.height();
    const int top = cell.top() + textHeight;
    const int height = std::max(std::min((b - 1 - top) / k, MaxBarHeight), MinBarHeight);
    // The first bar sits lowest, two pixels above the cell's bottom edge; the others stack upward.
    for (int i = 0; i < k; ++i) {
        const int bottom = b - 2 - i * height;
        bars.append(TBarRect{QRect(l + 1, bottom - height, r - 1 - (l + 1), height), colors.at(i)});
    }
    return bars;
}
