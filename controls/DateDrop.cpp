#include "DateDrop.h"

#include "HandlerGuard.h"
#include "VellPop.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QValidator>

namespace {

// The picture "#[#]/#[#]/##[##]": at most three groups of digits separated by the date separator,
// of at most 2, 2 and 4 digits. Only a complete picture is Acceptable; anything that can still become
// one (empty groups included, so deleting inside the text is never refused) is Intermediate.
constexpr int MaxDigits[3] = {2, 2, 4};
constexpr int MinDigits[3] = {1, 1, 2};

// Width of the drop-down button inside the edit's frame.
constexpr int ButtonWidth = 15;

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

class TDatePictureValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override
    {
        const QChar separator = DateSeparator();
        // The picture's slash stands for the date separator, so a typed slash is taken as one.
        if (separator != QLatin1Char('/'))
            input.replace(QLatin1Char('/'), separator);
        const State state = Check(input, separator);
        if (state != Invalid || pos < 2 || pos > input.size())
            return state;
        // A digit typed past the end of a full month or day group starts the next group, as a
        // picture fills in its literals.
        if (IsDigit(input.at(pos - 1)) && IsDigit(input.at(pos - 2))) {
            QString filled = input;
            filled.insert(pos - 1, separator);
            const State filledState = Check(filled, separator);
            if (filledState != Invalid) {
                input = filled;
                ++pos;
                return filledState;
            }
        }
        return Invalid;
    }

private:
    static State Check(const QString& input, QChar separator)
    {
        int group = 0;
        int digits[3] = {0, 0, 0};
        for (const QChar c : input) {
            if (c == separator) {
                if (++group > 2)
                    return Invalid;
            } else if (IsDigit(c)) {
                if (++digits[group] > MaxDigits[group])
                    return Invalid;
            } else {
                return Invalid;
            }
        }
        if (group < 2)
            return Intermediate;
        for (int g = 0; g < 3; ++g) {
            if (digits[g] < MinDigits[g])
                return Intermediate;
        }
        return Acceptable;
    }
};

struct TScannedNumber
{
    int Value = 0;
    int Digits = 0;
};

void SkipBlanks(const QString& text, int& i)
{
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
}

// Blanks, then one to four digits not followed by a fifth.
bool ScanNumber(const QString& text, int& i, TScannedNumber& number)
{
    SkipBlanks(text, i);
    number = {};
    while (i < text.size() && IsDigit(text.at(i))) {
        if (++number.Digits > 4)
            return false;
        number.Value = number.Value * 10 + text.at(i).digitValue();
        ++i;
    }
    return number.Digits > 0;
}

enum TDateOrder { doMDY, doDMY, doYMD };

// The order of the numbers follows the first day, month or year letter of the short date format.
TDateOrder ShortDateOrder()
{
    for (const QChar c : ShortDateFormat()) {
        switch (c.toUpper().unicode()) {
        case 'D': return doDMY;
        case 'Y': return doYMD;
        case 'M': return doMDY;
        default: break;
        }
    }
    return doMDY;
}

// A year typed with one or two digits: 00..49 are the 2000s, 50..99 the 1900s, whatever the
// machine's regional settings say. Three or four digits are taken as typed.
int WindowedYear(const TScannedNumber& year)
{
    if (year.Digits > 2)
        return year.Value;
    return year.Value < 50 ? year.Value + 2000 : year.Value + 1900;
}

} // namespace

TbrmDateDropDown::TbrmDateDropDown(QWidget* parent)
    : QWidget(parent)
{
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("DateEdit"));
    m_edit->setValidator(new TDatePictureValidator(m_edit));
    m_edit->installEventFilter(this);
    setFocusProxy(m_edit);
    setFocusPolicy(m_edit->focusPolicy());

    // The button sits inside the edit's frame and never takes the focus, so pressing it does not
    // count as leaving the field.
    m_button = new QToolButton(this);
    m_button->setObjectName(QStringLiteral("DropButton"));
    m_button->setArrowType(Qt::DownArrow);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setAutoRaise(false);
    m_button->setCursor(Qt::ArrowCursor);
    m_button->setAccessibleName(QStringLiteral("Open calendar"));
    connect(m_button, &QToolButton::clicked, this, [this] { Guarded([this] { DropDownCalendar(); }); });

    if (m_edit->text().isEmpty())
        m_edit->setText(DateToStr(::Date()));

    m_popup = new TVellPopup(this);
    m_popup->SetAlignSource(this);

    resize(sizeHint());
    LayoutChildren();
}

TbrmDateDropDown::~TbrmDateDropDown() = default;

QString TbrmDateDropDown::Text() const
{
    return m_edit->text();
}

void TbrmDateDropDown::SetText(const QString& text)
{
    m_edit->setText(text);
}

TDateTime TbrmDateDropDown::Value() const
{
    const QString text = Text();
    return text.isEmpty() ? 0 : ParseDateText(text);
}

void TbrmDateDropDown::SetValue(TDateTime value)
{
    if (value == m_popup->Date)
        return;
    m_popup->Date = value;
    SetText(DateToStr(value));
}

bool TbrmDateDropDown::ReadOnly() const
{
    return m_readOnly;
}

void TbrmDateDropDown::SetReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    m_edit->setReadOnly(readOnly);
    m_button->setVisible(!readOnly);
    LayoutChildren();
}

TVellPopup* TbrmDateDropDown::Popup() const
{
    return m_popup;
}

TDateTime TbrmDateDropDown::ParseDateText(const QString& text)
{
    // Numbers separated by the date separator, each after optional blanks; two numbers are a month and
    // day of the current year; the last number may be followed by one separator and blanks.
    const QChar separator = DateSeparator();
    int i = 0;
    TScannedNumber n[3];
    int count = 2;
    if (!ScanNumber(text, i, n[0]) || i >= text.size() || text.at(i) != separator)
        return 0;
    ++i;
    if (!ScanNumber(text, i, n[1]))
        return 0;
    if (i < text.size() && text.at(i) == separator) {
        ++i;
        const int afterSeparator = i;
        if (ScanNumber(text, i, n[2])) {
            count = 3;
            if (i < text.size() && text.at(i) == separator)
                ++i;
        } else {
            i = afterSeparator;
        }
    }
    SkipBlanks(text, i);
    if (i != text.size())
        return 0;

    const TDateOrder order = ShortDateOrder();
    int year = 0, month = 0, day = 0;
    if (count == 2) {
        int currentMonth = 0, currentDay = 0;
        DecodeDate(::Date(), year, currentMonth, currentDay);
        month = order == doDMY ? n[1].Value : n[0].Value;
        day = order == doDMY ? n[0].Value : n[1].Value;
    } else if (order == doMDY) {
        month = n[0].Value;
        day = n[1].Value;
        year = WindowedYear(n[2]);
    } else if (order == doDMY) {
        day = n[0].Value;
        month = n[1].Value;
        year = WindowedYear(n[2]);
    } else {
        year = WindowedYear(n[0]);
        month = n[1].Value;
        day = n[2].Value;
    }
    TDateTime result = 0;
    return TryEncodeDate(year, month, day, result) ? result : 0;
}

void TbrmDateDropDown::DropDownCalendar()
{
    const bool allowed = AllowDropDown ? AllowDropDown() : true;
    if (!allowed || m_readOnly)
        return;
    const QString text = Text();
    const TDateTime typed = text.isEmpty() ? 0 : ParseDateText(text);
    m_popup->Date = typed > 0 ? typed : ::Date();
    // Cancelling still writes back: the field then shows the date the calendar opened on.
    m_popup->Execute();
    if (BoundFieldSetter)
        BoundFieldSetter(m_popup->Date);
    SetText(DateToStr(m_popup->Date));
}

QSize TbrmDateDropDown::sizeHint() const
{
    return {97, 21};
}

bool TbrmDateDropDown::event(QEvent* event)
{
    if (event->type() == QEvent::Polish || event->type() == QEvent::Show)
        NameEditFromLabel();
    return QWidget::event(event);
}

// Assistive technology names a control by the label whose buddy it is, but the label's buddy is this
// field while the focus and the typing are in the edit inside it: the edit takes the label's name.
void TbrmDateDropDown::NameEditFromLabel()
{
    if (!accessibleName().isEmpty()) {
        m_edit->setAccessibleName(accessibleName());
        return;
    }
    if (!parentWidget())
        return;
    for (const QLabel* label : parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->buddy() == this) {
            m_edit->setAccessibleName(QString(label->text()).remove(QLatin1Char('&')));
            return;
        }
    }
}

bool TbrmDateDropDown::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool alt = key->modifiers() & Qt::AltModifier;
            // Alt+F4 stays the window's.
            const bool dropKey = key->key() == Qt::Key_F4
                ? !alt
                : alt && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down);
            if (dropKey) {
                Guarded([this] { DropDownCalendar(); });
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // Switching to another window, or a popup taking the focus, is not leaving the field.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                ExitRewrite();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TbrmDateDropDown::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutChildren();
}

void TbrmDateDropDown::ExitRewrite()
{
    const QString text = Text();
    if (!text.isEmpty())
        SetText(DateToStr(ParseDateText(text)));
}

void TbrmDateDropDown::LayoutChildren()
{
    m_edit->setGeometry(rect());
    if (m_button->isHidden()) {
        m_edit->setTextMargins(0, 0, 0, 0);
        return;
    }
    const int inset = 2;
    m_button->setGeometry(width() - inset - ButtonWidth, inset, ButtonWidth, qMax(1, height() - 2 * inset));
    m_button->raise();
    m_edit->setTextMargins(0, 0, ButtonWidth, 0);
}
