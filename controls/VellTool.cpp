#include "VellTool.h"

#include "TVellCalendar.h"

#include <DateTime.h>
#include <HandlerGuard.h>

#include <QKeyEvent>
#include <QPainter>
#include <QPolygon>
#include <qdrawutil.h>

namespace {
struct TButtonInfo
{
    const char* Name;
    const char* Hint;
};

constexpr TButtonInfo ButtonInfo[5] = {
    {"nbPrevYear", "Previous Year"},
    {"nbPrevMonth", "Previous Month"},
    {"nbToday", "Return to Todays Date"},
    {"nbNextMonth", "Next Month"},
    {"nbNextYear", "Next Year"},
};

const QString TodayPattern = QStringLiteral("mm/dd/yy");

bool IsVisibleIn(TCalcBtnSet set, int button)
{
    return set & (1u << button);
}

// The glyph of a stepping button, drawn at the size of the original bitmaps' halves: 14 × 13 for the
// year buttons (bar and triangle), 10 × 13 for the month buttons (triangle). The greyed version is
// an embossed grey shape, as the toolkit greys disabled glyphs.
QImage NavigatorGlyph(TCalcBtn button, bool enabled)
{
    const bool year = button == nbPrevYear || button == nbNextYear;
    const bool left = button == nbPrevYear || button == nbPrevMonth;
    QImage image(year ? 14 : 10, 13, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    auto drawShape = [&](QPainter& painter, const QPoint& offset, const QColor& color) {
        // Triangle 5 wide and 9 high, point toward the stepping direction; a 2-pixel bar beyond it.
        const int triLeft = year ? (left ? 5 : 4) : 3;
        QPolygon triangle;
        if (left)
            triangle << QPoint(triLeft, 6) << QPoint(triLeft + 4, 2) << QPoint(triLeft + 4, 10);
        else
            triangle << QPoint(triLeft + 4, 6) << QPoint(triLeft, 2) << QPoint(triLeft, 10);
        painter.setPen(color);
        painter.setBrush(color);
        painter.drawPolygon(triangle.translated(offset));
        if (year) {
            const int barX = left ? 2 : 10;
            painter.fillRect(QRect(barX, 2, 2, 9).translated(offset), color);
        }
    };

    QPainter painter(&image);
    if (enabled) {
        drawShape(painter, QPoint(0, 0), QColor(0, 0, 0));
    } else {
        drawShape(painter, QPoint(1, 1), QColor(0xFF, 0xFF, 0xFF));
        drawShape(painter, QPoint(0, 0), QColor(0x80, 0x80, 0x80));
    }
    return image;
}
} // namespace

// --- TVellBasePanel ---

TVellBasePanel::TVellBasePanel(QWidget* parent)
    : QFrame(parent)
{
}

TVellCalendar* TVellBasePanel::CalendarSource() const
{
    return m_calendarSource;
}

void TVellBasePanel::SetCalendarSource(TVellCalendar* calendar)
{
    m_calendarSource = calendar;
}

// --- TVellButton ---

TVellButton::TVellButton(TCalcBtn index, TVellNavigator* navigator)
    : QAbstractButton(navigator)
    , Index(index)
    , m_navigator(navigator)
{
    setObjectName(QLatin1String(ButtonInfo[index].Name));
    // The navigator takes the focus as a whole and shows it on one button.
    setFocusPolicy(Qt::NoFocus);
}

void TVellButton::SetTextColor(const QColor& color)
{
    m_textColor = color;
    update();
}

void TVellButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Guarded([&] { m_navigator->BtnMouseDown(Index); });
    QAbstractButton::mousePressEvent(event);
}

void TVellButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = rect();
    const bool pressed = isDown() || isChecked();
    qDrawWinButton(&painter, area, palette(), pressed, &palette().brush(QPalette::Button));
    const QPoint shift = pressed ? QPoint(1, 1) : QPoint(0, 0);

    if (Index == nbToday) {
        painter.setFont(font());
        painter.setPen(isEnabled() ? m_textColor : palette().color(QPalette::Disabled, QPalette::WindowText));
        painter.drawText(area.translated(shift), Qt::AlignCenter | Qt::TextSingleLine, text());
    } else {
        const QImage glyph = NavigatorGlyph(Index, isEnabled());
        const QPoint at((area.width() - glyph.width()) / 2, (area.height() - glyph.height()) / 2);
        painter.drawImage(at + shift, glyph);
    }

    if (m_navigator->IsActiveControl() && m_navigator->FocusedButton() == Index) {
        QPen pen(palette().color(QPalette::WindowText));
        pen.setDashPattern({1.0, 1.0});
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(3, 3, -4, -4).translated(shift));
    }
}

// --- TVellNavigator ---

TVellNavigator::TVellNavigator(QWidget* parent)
    : TVellBasePanel(parent)
    , m_todayText(QStringLiteral("Today"))
{
    setObjectName(QStringLiteral("VellNavigator"));
    setAccessibleName(QStringLiteral("Calendar navigator"));
    setFrameStyle(QFrame::NoFrame);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    InitButtons();
    SetBounds(x(), y(), InitialWidth, InitialHeight);
    if (parent) {
        const QList<TVellCalendar*> calendars = parent->findChildren<TVellCalendar*>(Qt::FindDirectChildrenOnly);
        if (!calendars.isEmpty())
            SetCalendarSource(calendars.first());
    }
}

void TVellNavigator::InitButtons()
{
    QFont todayFont(QStringLiteral("Times New Roman"));
    todayFont.setPointSize(9);
    for (int i = nbPrevYear; i <= nbNextYear; ++i) {
        const TCalcBtn b = static_cast<TCalcBtn>(i);
        auto* button = new TVellButton(b, this);
        button->setVisible(IsVisibleIn(m_visibleButtons, b));
        button->setEnabled(true);
        button->setGeometry(i * MinButtonWidth, 0, MinButtonWidth, MinButtonHeight);
        if (b == nbToday) {
            button->setFont(todayFont);
            button->SetTextColor(m_highlight);
            button->setText(FormatDateTime(TodayPattern, Date()));
        }
        button->setToolTip(QLatin1String(ButtonInfo[b].Hint));
        // The arrow buttons show only glyphs; the hint says what they do, also with hints turned off.
        if (b != nbToday)
            button->setAccessibleName(QLatin1String(ButtonInfo[b].Hint));
        connect(button, &QAbstractButton::clicked, this, [this, b] { Guarded([&] { ButtonClick(b); }); });
        m_buttons[b] = button;
    }
}

void TVellNavigator::BeginLoad()
{
    m_loading = true;
}

void TVellNavigator::Loaded()
{
    m_loading = false;
    ApplyLayout();
    if (TVellCalendar* calendar = CalendarSource())
        calendar->AddChangeListener(this, [this](TVellCalendar* changed) { CalendarChanged(changed); });
}

void TVellNavigator::SetCalendarSource(TVellCalendar* calendar)
{
    TVellBasePanel::SetCalendarSource(calendar);
}

void TVellNavigator::SetVisibleButtons(TCalcBtnSet buttons)
{
    m_visibleButtons = buttons & AllCalcBtns;
    for (int i = nbPrevYear; i <= nbNextYear; ++i)
        if (m_buttons[i])
            m_buttons[i]->setVisible(IsVisibleIn(m_visibleButtons, i));
    ApplyLayout();
    update();
}

void TVellNavigator::SetHighlight(const QColor& color)
{
    m_highlight = color;
    m_buttons[nbToday]->SetTextColor(color);
}

void TVellNavigator::SetCaptionInToday(bool on)
{
    m_captionInToday = on;
    m_buttons[nbToday]->setText(on ? m_todayText : FormatDateTime(TodayPattern, Date()));
}

void TVellNavigator::SetTodayText(const QString& text)
{
    m_todayText = text;
    if (m_captionInToday)
        m_buttons[nbToday]->setText(text);
}

void TVellNavigator::SetShowHint(bool on)
{
    m_showHint = on;
    for (int i = nbPrevYear; i <= nbNextYear; ++i)
        m_buttons[i]->setToolTip(on ? QLatin1String(ButtonInfo[i].Hint) : QString());
}

void TVellNavigator::SetAlign(TAlign align)
{
    m_align = align;
    ApplyLayout();
}

bool TVellNavigator::IsActiveControl() const
{
    const QWidget* form = window();
    return form && form->focusWidget() == this;
}

// --- layout ---

void TVellNavigator::LayoutButtons(int& width, int& height)
{
    if (m_loading || !m_buttons[nbNextYear])
        return;
    int count = 0;
    for (int i = nbPrevYear; i <= nbNextYear; ++i)
        if (IsVisibleIn(m_visibleButtons, i))
            ++count;
    count = std::max(count, 1);

    // Neighbours share one pixel column, so n buttons of width b take n × (b − 1) + 1 pixels.
    const int minWidth = count * (MinButtonWidth - 1) + 1;
    width = std::max(width, minWidth);
    height = std::max(height, MinButtonHeight);
    m_buttonWidth = (width - 1) / count + 1;
    const int used = count * (m_buttonWidth - 1) + 1;
    if (m_align == alNone)
        width = used;
    // An aligned navigator cannot shrink to the buttons: the last `remainder` buttons get one pixel more.
    const int remainder = width - used;

    int x = 0;
    int visibleIndex = 0;
    for (int i = nbPrevYear; i <= nbNextYear; ++i) {
        TVellButton* button = m_buttons[i];
        if (IsVisibleIn(m_visibleButtons, i)) {
            const int extra = visibleIndex >= count - remainder ? 1 : 0;
            button->setGeometry(x, 0, m_buttonWidth + extra, height);
            x += m_buttonWidth - 1 + extra;
            ++visibleIndex;
        } else {
            button->setGeometry(width + 1, 0, m_buttonWidth, height);
        }
    }
}

void TVellNavigator::SetBounds(int x, int y, int width, int height)
{
    LayoutButtons(width, height);
    m_inLayout = true;
    setGeometry(x, y, width, height);
    m_inLayout = false;
}

void TVellNavigator::ApplyLayout()
{
    int w = width();
    int h = height();
    LayoutButtons(w, h);
    if (w != width() || h != height()) {
        m_inLayout = true;
        resize(w, h);
        m_inLayout = false;
    }
}

void TVellNavigator::resizeEvent(QResizeEvent* event)
{
    TVellBasePanel::resizeEvent(event);
    if (!m_inLayout)
        ApplyLayout();
}

// --- actions ---

void TVellNavigator::ButtonClick(TCalcBtn button)
{
    if (TVellCalendar* calendar = CalendarSource()) {
        switch (button) {
        case nbPrevYear: calendar->PrevYear(); break;
        case nbPrevMonth: calendar->PrevMonth(); break;
        case nbToday: calendar->GoToday(); break;
        case nbNextMonth: calendar->NextMonth(); break;
        case nbNextYear: calendar->NextYear(); break;
        }
    }
    if (OnClick)
        OnClick(this, button);
}

void TVellNavigator::CalendarChanged(TVellCalendar* calendar)
{
    if (!calendar)
        return;
    const QString today = FormatDateTime(TodayPattern, Date());
    const QString shown = FormatDateTime(TodayPattern, calendar->CalendarDate());
    TVellButton* button = m_buttons[nbToday];
    button->setText(m_captionInToday ? m_todayText : shown);
    button->SetTextColor(shown == today ? m_highlight : palette().color(QPalette::WindowText));
}

void TVellNavigator::BtnMouseDown(TCalcBtn button)
{
    const TCalcBtn old = m_focusedButton;
    m_focusedButton = button;
    if (focusPolicy() & Qt::TabFocus) {
        if (!hasFocus() && isEnabled() && isVisible()) {
            setFocus(Qt::MouseFocusReason);
            m_buttons[old]->update();
            m_buttons[button]->update();
        } else if (old != button) {
            m_buttons[old]->update();
            m_buttons[button]->update();
        }
    }
}

// --- keyboard ---

void TVellNavigator::keyPressEvent(QKeyEvent* event)
{
    int target = m_focusedButton;
    switch (event->key()) {
    case Qt::Key_Space:
        if (m_buttons[m_focusedButton]->isEnabled())
            m_buttons[m_focusedButton]->click();
        return;
    case Qt::Key_Left:
        // The search stops at the end button even when that one is hidden.
        while (target > nbPrevYear) {
            --target;
            if (IsVisibleIn(m_visibleButtons, target))
                break;
        }
        break;
    case Qt::Key_Right:
        while (target < nbNextYear) {
            ++target;
            if (IsVisibleIn(m_visibleButtons, target))
                break;
        }
        break;
    default:
        TVellBasePanel::keyPressEvent(event);
        return;
    }
    event->accept();
    if (target != m_focusedButton) {
        const TCalcBtn old = m_focusedButton;
        m_focusedButton = static_cast<TCalcBtn>(target);
        m_buttons[old]->update();
        m_buttons[target]->update();
    }
}

void TVellNavigator::focusInEvent(QFocusEvent* event)
{
    TVellBasePanel::focusInEvent(event);
    m_buttons[m_focusedButton]->update();
}

void TVellNavigator::focusOutEvent(QFocusEvent* event)
{
    TVellBasePanel::focusOutEvent(event);
    m_buttons[m_focusedButton]->update();
}
