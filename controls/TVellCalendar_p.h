#pragma once
// The month calendar's model, with no widget: which day sits in which cell, the date and its
// elements, the per-day attributes, the selection rules and how each cell looks. TVellCalendar turns
// mouse and keys into calls on it and paints what it answers.
#include "TVellColoring.h"

#include <DateTime.h>

#include <QColor>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <array>

enum TVellText { vtCenter, vtLowerLeft, vtTopLeft, vtTopRight, vtLowerRight };
enum TColorarchy { vcaSetColor, vcaTodayColor };

// A colour bar of one day: Name is "CB" followed by the day number in decimal.
struct TColorBar
{
    QString Name;
    QColor Color;
};

class TVellCalendarModel
{
public:
    static constexpr int ColumnCount = 7;
    static constexpr int RowCount = 7; // the header row and six rows of days
    static constexpr int MaxDay = 31;
    static constexpr int MaxDayTextLines = 10;
    static constexpr int MaxDayTextLength = 30;
    static constexpr int MaxBarHeight = 10;
    static constexpr int MinBarHeight = 1;
    static constexpr int MaxBarsPerDay = 10;

    // What SetDateElement changed; drives the events the calendar raises.
    enum TDateKind { dkNone, dkYear, dkMonth, dkDay, dkRefresh, dkSilent };

    struct TCellLook
    {
        QColor Background;
        QColor TextColor;
    };
    struct TTextSpot
    {
        QPoint TopLeft; // of the text's bounding box
        bool Clipped = true;
    };
    struct TBarRect
    {
        QRect Rect;
        QColor Color;
    };

    TVellCalendarModel();

    // --- date ---
    TDateTime CalendarDate() const { return m_calendarDate; }
    // Stores the date without any reaction; UpdateLayout() afterwards places it.
    void SetCalendarDate(TDateTime date);
    // 1 year, 2 month, 3 day; -1 for any other index.
    int GetDateElement(int index) const;
    // Steps 1-6 of setting a date element except moving the selection: 1 year, 2 month, 3 day,
    // 4 refresh, 5 silent. Returns dkNone when the value is ignored. Throws EConvertError when the
    // date cannot be built; the date is then unchanged.
    TDateKind ApplyDateElement(int index, int value);

    static int DaysPerMonth(int month, int year);
    static bool IsLeapYear(int year);
    int DaysThisMonth() const;

    // --- layout ---
    int MonthOffset() const { return m_monthOffset; }
    int StartingDay() const { return m_startingDay; }
    // False when ignored (equal, or above 6); else stored and the layout recomputed.
    bool SetStartingDay(int day);
    // Recomputes MonthOffset from the shown month and StartingDay.
    void UpdateLayout();
    // The day number a body cell would carry (may lie outside the month); 0 for header cells.
    int DayForCell(int row, int col) const;
    // The date in a cell, 0 when the cell is empty or a header cell.
    TDateTime DateForCell(int row, int col) const;
    // (col, row) of a day of the shown month, (-1, -1) for another date.
    QPoint CellForDay(int day) const;
    QPoint CellForDate(TDateTime date) const;
    // The current day's cell: where UpdateCalendar puts the selection.
    QPoint CurrentCell() const { return CellForDay(GetDateElement(3)); }
    QString CellText(int row, int col) const;
    // The selection rule: `updating` is true while the calendar itself places the selection.
    bool CanSelect(int row, int col, bool updating) const;

    // --- per-day attributes (day 1..31; other days are ignored on write and read as defaults) ---
    QColor DayColor(int day) const;
    void SetDayColor(int day, const QColor& color);
    // An invalid colour means none: the day number keeps its other colours.
    QColor DayFontColor(int day) const;
    void SetDayFontColor(int day, const QColor& color);
    int DayColorSet(int day) const;
    void SetDayColorSet(int day, int set);
    // line 1..10; text longer than 30 characters is cut.
    QString DayText(int day, int line) const;
    void SetDayText(int day, int line, const QString& text);
    int DayTextColorSet(int day, int line) const;
    void SetDayTextColorSet(int day, int line, int set);
    bool IsBlocked(int day) const;
    void SetBlocked(int day, bool blocked);

    // Colour sets, texts and text colour sets back to none.
    void ClearDayAttributes();
    void ClearBlockedDays();
    // Every entry whose name begins "CB".
    void ClearColorBars();
    // Every day's background and number colour.
    void SetDayColors(const QColor& background, const QColor& textColor);
    const QList<TColorBar>& ColorBars() const { return m_colorBars; }
    void AddColorBar(int day, const QColor& color);
    // The colours of a cell's bars in list order, at most 10.
    QList<QColor> ColorBarColors(const QString& cellText) const;

    bool BlockWeekends() const { return m_blockWeekends; }
    // Stores the flag and sets every Saturday and Sunday of the shown month to it.
    void SetBlockWeekends(bool on);

    // --- display settings ---
    bool IsActive() const { return m_isActive; }
    void SetIsActive(bool on) { m_isActive = on; }
    bool ShowGridLines() const { return m_showGridLines; }
    void SetShowGridLines(bool on) { m_showGridLines = on; }
    TVellText TextPlacement() const { return m_textPlacement; }
    void SetTextPlacement(TVellText placement) { m_textPlacement = placement; }
    TColorarchy ColorOrder() const { return m_colorOrder; }
    void SetColorOrder(TColorarchy order) { m_colorOrder = order; }
    bool TextInCell() const { return m_textInCell; }
    // Text lines and colour bars exclude each other; both use top-left day numbers.
    void SetTextInCell(bool on);
    bool ShowColorBars() const { return m_showColorBars; }
    void SetShowColorBars(bool on);
    bool ColorCellText() const { return m_colorCellText; }
    void SetColorCellText(bool on) { m_colorCellText = on; }
    bool ColorCellDay() const { return m_colorCellDay; }
    void SetColorCellDay(bool on) { m_colorCellDay = on; }

    QColor Highlight() const { return m_highlight; }
    void SetHighlight(const QColor& color) { m_highlight = color; }
    QColor HighlightText() const { return m_highlightText; }
    void SetHighlightText(const QColor& color) { m_highlightText = color; }
    QColor CellColor() const { return m_cellColor; }
    void SetCellColor(const QColor& color) { m_cellColor = color; }
    QColor GridLineColor() const { return m_gridLineColor; }
    void SetGridLineColor(const QColor& color) { m_gridLineColor = color; }
    QColor TodayColor() const { return m_todayColor; }
    void SetTodayColor(const QColor& color) { m_todayColor = color; }
    QColor BlockedBkGnd() const { return m_blockedBkGnd; }
    void SetBlockedBkGnd(const QColor& color) { m_blockedBkGnd = color; }
    QColor BlockedFrGnd() const { return m_blockedFrGnd; }
    void SetBlockedFrGnd(const QColor& color) { m_blockedFrGnd = color; }
    // Text colours of the body font (day numbers), the title font and the text-line font.
    QColor FontColor() const { return m_fontColor; }
    void SetFontColor(const QColor& color) { m_fontColor = color; }
    QColor TitleFontColor() const { return m_titleFontColor; }
    void SetTitleFontColor(const QColor& color) { m_titleFontColor = color; }
    QColor TextFontColor() const { return m_textFontColor; }
    void SetTextFontColor(const QColor& color) { m_textFontColor = color; }

    const QStringList& DowNames() const { return m_dowNames; }
    void SetDowNames(const QStringList& names) { m_dowNames = names; }
    TVellColoring& ColorSets() { return m_colorSets; }
    const TVellColoring& ColorSets() const { return m_colorSets; }
    QColor ColorSetColor(int index) const { return m_colorSets.ColorSetColor(index); }

    // --- appearance of one cell ---
    // Background and final text colour. `fixedColor` is the grid's colour for header cells.
    TCellLook CellLook(int row, int col, bool selected, bool focused, const QColor& fixedColor) const;
    // Where a text of size w × h goes in the cell.
    TTextSpot TextPosition(int row, int col, const QRect& cell, int w, int h) const;
    // How many text lines fit below the day number (0 when none).
    static int TextLineCount(const QRect& cell, int firstLineOffset, int lineHeight);
    QColor TextLineColor(int day, int line) const;
    // The bars of a cell: `textHeight` is the height of the cell text in the text-line font.
    QList<TBarRect> BarRects(int row, int col, const QRect& cell, int textHeight) const;

private:
    static bool ValidDay(int day) { return day >= 1 && day <= MaxDay; }
    static bool ValidLine(int line) { return line >= 1 && line <= MaxDayTextLines; }

    TDateTime m_calendarDate = 0;
    int m_monthOffset = 1;
    int m_startingDay = 0;

    std::array<QColor, MaxDay + 1> m_dayColors;
    std::array<QColor, MaxDay + 1> m_dayFontColors;
    std::array<int, MaxDay + 1> m_dayColorSets{};
    std::array<std::array<QString, MaxDayTextLines + 1>, MaxDay + 1> m_dayTexts;
    std::array<std::array<int, MaxDayTextLines + 1>, MaxDay + 1> m_dayTextColorSets{};
    std::array<bool, MaxDay + 1> m_blockedDays{};
    QList<TColorBar> m_colorBars;
    bool m_blockWeekends = false;

    bool m_isActive = true;
    bool m_showGridLines = true;
    TVellText m_textPlacement = vtTopLeft;
    TColorarchy m_colorOrder = vcaSetColor;
    bool m_textInCell = false;
    bool m_showColorBars = false;
    bool m_colorCellText = false;
    bool m_colorCellDay = true;

    QColor m_highlight = QColor(0x00, 0x00, 0x80);
    QColor m_highlightText = QColor(0xFF, 0xFF, 0xFF);
    QColor m_cellColor = QColor(0xFF, 0xFF, 0xFF);
    QColor m_gridLineColor = QColor(0x80, 0x80, 0x80);
    QColor m_todayColor = QColor(0, 0, 0);
    QColor m_blockedBkGnd = QColor(0xC0, 0xC0, 0xC0);
    QColor m_blockedFrGnd = QColor(0x80, 0x80, 0x80);
    QColor m_fontColor = QColor(0, 0, 0);
    QColor m_titleFontColor = QColor(0, 0, 0);
    QColor m_textFontColor = QColor(0, 0, 0);

    QStringList m_dowNames;
    TVellColoring m_colorSets;
};
