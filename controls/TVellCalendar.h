#pragma once
// The month calendar: a 7 × 7 grid (weekday names, six rows of days) showing one month, with one
// current date that mouse, keys and the navigator change. Decisions live in TVellCalendarModel; this
// widget keeps the grid's current cell on the current day, raises the events and paints.
//
// Set-up in code follows the form-loading sequence: construct, optionally BeginLoad(), set properties,
// then Loaded(), which puts the calendar on today and announces it through OnChange.
#include "TCustomGrid.h"
#include "TVellCalendar_p.h"

#include <QFont>
#include <QPointer>
#include <QRgb>
#include <functional>

// Values a form would not store (a property equal to one of them keeps the start value on loading).
namespace VellCalendarDefaults {
constexpr QRgb TitleColor = 0xC0C0C0;
constexpr QRgb CellColor = 0xFFFFFF;
constexpr QRgb GridLineColor = 0x808080;
constexpr QRgb TodayColor = 0x000000;
constexpr QRgb BlockedBkGnd = 0xC0C0C0;
constexpr QRgb BlockedFrGnd = 0x808080;
constexpr TVellText TextPlacement = vtCenter; // a new calendar starts with vtTopLeft
constexpr TColorarchy ColorOrder = vcaSetColor;
constexpr bool ShowGridLines = true;
constexpr bool IsActive = true;
constexpr bool TextInCell = false;
constexpr bool HeaderUseFixed = true;
constexpr bool ColorCellText = false;
constexpr bool ColorCellDay = true;
constexpr bool BlockWeekends = false;
constexpr bool SuspendUpdate = false;
constexpr bool ShowColorBars = false;
constexpr int InitialWidth = 317;
constexpr int InitialHeight = 121;
} // namespace VellCalendarDefaults

class TVellCalendar : public TCustomGrid
{
    Q_OBJECT

public:
    using TNotifyEvent = std::function<void(TVellCalendar* sender)>;
    using TIntEvent = std::function<void(TVellCalendar* sender, int value)>;
    using TDateEvent = std::function<void(TVellCalendar* sender, TDateTime newDate)>;
    using TChangeListener = std::function<void(TVellCalendar* calendar)>;
    static constexpr int MaxChangeListeners = 20;

    explicit TVellCalendar(QWidget* parent = nullptr);
    ~TVellCalendar() override;

    // The loading sequence: events of SetDateElement and Click are held back between BeginLoad() and
    // Loaded(). Loaded() then sets the date to today silently and runs DoChange.
    void BeginLoad();
    void Loaded();
    bool IsLoading() const { return m_loading; }

    // --- date ---
    TDateTime CalendarDate() const { return m_model.CalendarDate(); }
    // Stores the date without events and repaints; call UpdateCalendar() afterwards.
    void SetCalendarDate(TDateTime date);
    int GetDateElement(int index) const { return m_model.GetDateElement(index); }
    // 1 year, 2 month, 3 day, 4 refresh (only OnDateChange), 5 silent (no element event).
    // Throws EConvertError ("Invalid argument to date encode") for a year outside 1..9999.
    void SetDateElement(int index, int value);
    int Year() const { return GetDateElement(1); }
    void SetYear(int value) { SetDateElement(1, value); }
    int Month() const { return GetDateElement(2); }
    void SetMonth(int value) { SetDateElement(2, value); }
    int Day() const { return GetDateElement(3); }
    void SetDay(int value) { SetDateElement(3, value); }

    QString CellText(int row, int col) const { return m_model.CellText(row, col); }
    // A day cell's text is its number and its name the whole date ("Friday, March 14, 2025").
    QString AccessibleCellText(int col, int row) const override;
    QString AccessibleCellName(int col, int row) const override;
    int DaysThisMonth() const { return m_model.DaysThisMonth(); }
    static int DaysPerMonth(int month, int year) { return TVellCalendarModel::DaysPerMonth(month, year); }
    static bool IsLeapYear(int year) { return TVellCalendarModel::IsLeapYear(year); }
    int MonthOffset() const { return m_model.MonthOffset(); }
    bool Updating() const { return m_updating; }
    // Recomputes the layout and moves the selection to the current day.
    void UpdateCalendar();

    void NextMonth();
    void PrevMonth();
    void NextYear();
    void PrevYear();
    void GoToday();

    // Appends a listener called by DoChange; a destroyed `object` drops its listener. At most 20:
    // a further one is refused with a warning and false.
    bool AddChangeListener(QObject* object, TChangeListener method);
    // Raises OnChange, then calls the listeners in order of registration.
    void DoChange();

    // --- per-day attributes (days 1..31 of the shown month) ---
    void ClearDayAttributes();
    void ClearBlockedDays();
    void ClearColorBars();
    void SetDayColors(const QColor& background, const QColor& textColor);
    QColor ColorSetColor(int index) const { return m_model.ColorSetColor(index); }
    void SetDayColor(int day, const QColor& color);
    void SetDayFontColor(int day, const QColor& color);
    void SetDayColorSet(int day, int set);
    void SetDayText(int day, int line, const QString& text);
    void SetDayTextColorSet(int day, int line, int set);
    void SetBlockedDay(int day, bool blocked);
    void AddColorBar(int day, const QColor& color);
    const TVellCalendarModel& Model() const { return m_model; }

    // --- properties ---
    QColor Highlight() const { return m_model.Highlight(); }
    void SetHighlight(const QColor& color);
    QColor HighlightText() const { return m_model.HighlightText(); }
    void SetHighlightText(const QColor& color);
    bool ShowGridLines() const { return m_model.ShowGridLines(); }
    void SetShowGridLines(bool on);
    bool IsActive() const { return m_model.IsActive(); }
    void SetIsActive(bool on);
    QColor TitleColor() const { return m_titleColor; }
    void SetTitleColor(const QColor& color);
    QColor CellColor() const { return m_model.CellColor(); }
    void SetCellColor(const QColor& color);
    QColor GridLineColor() const { return m_model.GridLineColor(); }
    void SetGridLineColor(const QColor& color);
    TVellText TextPlacement() const { return m_model.TextPlacement(); }
    void SetTextPlacement(TVellText placement);
    TColorarchy ColorOrder() const { return m_model.ColorOrder(); }
    void SetColorOrder(TColorarchy order) { m_model.SetColorOrder(order); }
    QStringList DowNames() const { return m_model.DowNames(); }
    void SetDowNames(const QStringList& names);
    QColor TodayColor() const { return m_model.TodayColor(); }
    void SetTodayColor(const QColor& color);
    TVellColoring& ColorSets() { return m_model.ColorSets(); }
    const TVellColoring& ColorSets() const { return m_model.ColorSets(); }
    void SetColorSets(const TVellColoring& sets);
    int StartingDay() const { return m_model.StartingDay(); }
    void SetStartingDay(int day);
    bool TextInCell() const { return m_model.TextInCell(); }
    void SetTextInCell(bool on);
    QFont TextFont() const { return m_textFont; }
    void SetTextFont(const QFont& font);
    QColor TextFontColor() const { return m_model.TextFontColor(); }
    void SetTextFontColor(const QColor& color);
    QFont TitleFont() const { return m_titleFont; }
    // Also resizes the header row.
    void SetTitleFont(const QFont& font);
    QColor TitleFontColor() const { return m_model.TitleFontColor(); }
    void SetTitleFontColor(const QColor& color);
    // Colour of the day numbers (the control's font colour).
    QColor FontColor() const { return m_model.FontColor(); }
    void SetFontColor(const QColor& color);
    bool HeaderUseFixed() const { return m_headerUseFixed; }
    void SetHeaderUseFixed(bool on);
    int HeaderHeight() const { return m_headerHeight; }
    bool ColorCellText() const { return m_model.ColorCellText(); }
    void SetColorCellText(bool on);
    bool ColorCellDay() const { return m_model.ColorCellDay(); }
    void SetColorCellDay(bool on);
    QColor BlockedBkGnd() const { return m_model.BlockedBkGnd(); }
    void SetBlockedBkGnd(const QColor& color);
    QColor BlockedFrGnd() const { return m_model.BlockedFrGnd(); }
    void SetBlockedFrGnd(const QColor& color);
    bool BlockWeekends() const { return m_model.BlockWeekends(); }
    void SetBlockWeekends(bool on);
    bool SuspendUpdate() const { return m_suspendUpdate; }
    void SetSuspendUpdate(bool on);
    bool ShowColorBars() const { return m_model.ShowColorBars(); }
    void SetShowColorBars(bool on);

    // --- events ---
    TNotifyEvent OnClick;
    TNotifyEvent OnDayFlag;
    TIntEvent OnYearChange;
    TIntEvent OnMonthChange;
    TIntEvent OnDayChange;
    TDateEvent OnDateChange;
    TNotifyEvent OnChange;
    TNotifyEvent OnDblClick;

protected:
    bool SelectCell(int col, int row) override;
    void Click() override;
    void DrawCell(QPainter& painter, int col, int row, const QRect& rect, TGridDrawState state) override;
    void PaintCell(QPainter& painter, int row, int col) override;
    QColor FixedLineColor(bool on) const override;
    QColor BodyLineColor(bool on) const override;

    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct TListener
    {
        QPointer<QObject> Object;
        bool Bound = false; // registered with an object, so it ends with it
        TChangeListener Method;
    };

    // The three sizing steps for w × h: the client area on a size change, the control's outer size
    // after a title font or fixed-header change.
    void SizeCells(int w, int h);
    void Repaint();

    TVellCalendarModel m_model;
    bool m_updating = false;
    bool m_loading = false;
    QColor m_titleColor = QColor(0xC0, 0xC0, 0xC0);
    QFont m_textFont;
    QFont m_titleFont;
    bool m_headerUseFixed = true;
    int m_headerHeight = 0;
    bool m_suspendUpdate = false;
    QList<TListener> m_listeners;
};
