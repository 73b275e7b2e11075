#pragma once
// The calendar navigator: a strip of up to five equal buttons (previous year, previous month, today,
// next month, next year) that overlap by one pixel and step a TVellCalendar. The navigator takes the
// keyboard focus as a whole; the arrow keys move a focus rectangle between its buttons and Space
// clicks the focused one.
#include <QAbstractButton>
#include <QColor>
#include <QFrame>
#include <QPointer>
#include <QSize>
#include <array>
#include <functional>

class TVellCalendar;
class TVellNavigator;

enum TCalcBtn { nbPrevYear, nbPrevMonth, nbToday, nbNextMonth, nbNextYear };
using TCalcBtnSet = unsigned;
constexpr TCalcBtnSet CalcBtnBit(TCalcBtn button) { return 1u << button; }
constexpr TCalcBtnSet AllCalcBtns = 0x1F;

// A framed panel that knows the calendar it works on.
class TVellBasePanel : public QFrame
{
    Q_OBJECT

public:
    explicit TVellBasePanel(QWidget* parent = nullptr);

    TVellCalendar* CalendarSource() const;
    virtual void SetCalendarSource(TVellCalendar* calendar);

private:
    // Becomes empty by itself when the calendar is destroyed.
    QPointer<TVellCalendar> m_calendarSource;
};

// One navigator button: a flat-faced push button that paints its own glyph (or caption for Today)
// and, while its navigator has the focus and it is the focused button, a dotted focus rectangle.
class TVellButton : public QAbstractButton
{
    Q_OBJECT

public:
    TVellButton(TCalcBtn index, TVellNavigator* navigator);

    TCalcBtn Index;

    QColor TextColor() const { return m_textColor; }
    void SetTextColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    TVellNavigator* m_navigator;
    QColor m_textColor = QColor(0, 0, 0);
};

class TVellNavigator : public TVellBasePanel
{
    Q_OBJECT

public:
    enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
    using TCalcClickEvent = std::function<void(TVellNavigator* sender, TCalcBtn button)>;

    static constexpr int MinButtonWidth = 20;
    static constexpr int MinButtonHeight = 18;
    static constexpr int InitialWidth = 317;
    static constexpr int InitialHeight = 21;

    // Takes the first TVellCalendar among the parent's children as CalendarSource.
    explicit TVellNavigator(QWidget* parent = nullptr);

    // Loading sequence for set-up in code: layout is held back between BeginLoad() and Loaded();
    // Loaded() lays the buttons out and starts listening to CalendarSource. A calendar assigned
    // after Loaded() is stepped but not listened to.
    void BeginLoad();
    void Loaded();
    bool IsLoading() const { return m_loading; }

    void SetCalendarSource(TVellCalendar* calendar) override;

    TCalcBtnSet VisibleButtons() const { return m_visibleButtons; }
    void SetVisibleButtons(TCalcBtnSet buttons);
    QColor Highlight() const { return m_highlight; }
    void SetHighlight(const QColor& color);
    bool CaptionInToday() const { return m_captionInToday; }
    void SetCaptionInToday(bool on);
    QString TodayText() const { return m_todayText; }
    void SetTodayText(const QString& text);
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool on);
    TAlign Align() const { return m_align; }
    void SetAlign(TAlign align);

    TVellButton* Button(TCalcBtn button) const { return m_buttons[button]; }
    int ButtonWidth() const { return m_buttonWidth; }
    TCalcBtn FocusedButton() const { return m_focusedButton; }
    QSize MinButtonSize() const { return QSize(MinButtonWidth, MinButtonHeight); }
    // The form's active control is the navigator (it holds the focus or gets it when the window activates).
    bool IsActiveControl() const;

    // Lays the buttons out for a proposed size and corrects it (no smaller than the buttons need;
    // an unaligned navigator takes exactly the buttons' width).
    void LayoutButtons(int& width, int& height);
    // Moves and resizes the navigator after correcting the size through LayoutButtons.
    void SetBounds(int x, int y, int width, int height);

    // The listener registered with the calendar: Today caption and colour follow the calendar's date.
    void CalendarChanged(TVellCalendar* calendar);

    TCalcClickEvent OnClick;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class TVellButton;
    void InitButtons();
    void ButtonClick(TCalcBtn button);
    void BtnMouseDown(TCalcBtn button);
    void ApplyLayout();

    bool m_captionInToday = false;
    QString m_todayText;
    std::array<TVellButton*, 5> m_buttons{};
    TCalcBtnSet m_visibleButtons = AllCalcBtns;
    int m_buttonWidth = 0;
    TCalcBtn m_focusedButton = nbNextMonth;
    QColor m_highlight = QColor(0x00, 0x00, 0xFF);
    bool m_showHint = true;
    TAlign m_align = alNone;
    bool m_loading = false;
    bool m_inLayout = false;
};
