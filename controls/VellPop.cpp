#include "VellPop.h"

#include "EConvertError.h"
#include "HandlerGuard.h"
#include "TPrompt.h"
#include "TVellCalendar.h"
#include "VellTool.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>
#include <climits>

namespace {

// The form as it was laid out, in pixels at 96 dpi.
constexpr int FormClientWidth = 202;
constexpr int FormClientHeight = 136;
constexpr int FormDefaultLeft = 260;
constexpr int FormDefaultTop = 168;
constexpr int GlyphWidth = 15;
constexpr int GlyphHeight = 13;
// Above the control, the window keeps this gap to it.
constexpr int GapAbove = 2;

// "Small Fonts" height -9 and "System" height -13 of the original layout. The title font is given in
// points because the calendar sizes its header row from the title font's point size (7 pt = 9 px).
QFont SmallFont()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(7);
    // Set explicitly, or the calendar would inherit the form's bold weight.
    font.setBold(false);
    return font;
}

QFont SystemFont()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    font.setBold(true);
    return font;
}

enum TGlyphKind { gkCheckMark, gkCross };

// One glyph of two images side by side: the normal one on the left, the greyed one on the right
// (drawn embossed: white, then grey one pixel up and left).
QImage MakeGlyph(TGlyphKind kind)
{
    QImage image(2 * GlyphWidth, GlyphHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    if (kind == gkCheckMark) {
        path.moveTo(2.5, 6.5);
        path.lineTo(6, 10);
        path.lineTo(12.5, 2.5);
    } else {
        path.moveTo(3.5, 2.5);
        path.lineTo(11.5, 10.5);
        path.moveTo(11.5, 2.5);
        path.lineTo(3.5, 10.5);
    }
    const QColor normal = kind == gkCheckMark ? QColor(0x00, 0x80, 0x00) : QColor(0xC0, 0x00, 0x00);
    auto stroke = [&](const QPointF& offset, const QColor& color) {
        painter.save();
        painter.translate(offset);
        painter.setPen(QPen(color, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(path);
        painter.restore();
    };
    stroke(QPointF(0, 0), normal);
    stroke(QPointF(GlyphWidth + 1, 1), Qt::white);
    stroke(QPointF(GlyphWidth, 0), QColor(0x80, 0x80, 0x80));
    return image;
}

// The widest caption the window can show ("September 28, 2000"), with the window manager's room.
int WidestCaptionWidth()
{
    int widest = 0;
    for (int month = 1; month <= 12; ++month)
        widest = std::max(widest, WidthForCaption(FormatDateTime(QStringLiteral("mmmm d, yyyy"), EncodeDate(2000, month, 28))));
    return widest;
}

std::function<QMargins(const QWidget&)>& FrameProbe()
{
    static std::function<QMargins(const QWidget&)> probe;
    return probe;
}

// A speed button: a flat push-button face that shows the left half of its glyph, or the right (greyed)
// half while disabled, and moves it one pixel down and right while pressed. It never takes the focus.
class TGlyphSpeedButton : public QAbstractButton
{
public:
    TGlyphSpeedButton(const QImage& glyph, QWidget* parent)
        : QAbstractButton(parent)
        , m_glyph(glyph)
    {
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        option.initFrom(this);
        option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
        painter.drawControl(QStyle::CE_PushButtonBevel, option);
        const int w = m_glyph.width() / 2;
        const QRect source(isEnabled() ? 0 : w, 0, w, m_glyph.height());
        QPoint topLeft((width() - w) / 2, (height() - m_glyph.height()) / 2);
        if (isDown())
            topLeft += QPoint(1, 1);
        painter.drawImage(topLeft, m_glyph, source);
    }

private:
    QImage m_glyph;
};

} // namespace

TVellPopup::TVellPopup(QObject* owner)
    : QObject(owner)
    , Date(::Date())
{
}

QPoint TVellPopup::PlaceUnder(const QRect& source, int formHeight, int screenBottom)
{
    int top = source.top() + source.height();
    if (top + formHeight > screenBottom)
        top = source.top() - formHeight - GapAbove;
    // Horizontally nothing keeps the window on the screen: it starts where the control starts.
    return {source.left(), top};
}

bool TVellPopup::Execute()
{
    // The calendar cannot show a day outside the years 1..9999; refuse before anything is shown.
    int year = 0, month = 0, day = 0;
    DecodeDate(Date, year, month, day);
    TDateTime check = 0;
    if (!TryEncodeDate(year, month, day, check))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));

    TvcPopup form;
    form.VellCalendar1->SetCalendarDate(Date);
    form.VellCalendar1->UpdateCalendar();
    form.SetPopupDate(0);
    form.VellNavigator1->SetShowHint(ShowHint);

    if (QWidget* source = m_alignSource) {
        const QRect global(source->mapToGlobal(QPoint(0, 0)), source->size());
        const QScreen* screen = source->screen();
        const int screenBottom = screen ? screen->geometry().y() + screen->geometry().height() : INT_MAX;
        form.AlignTo(global, screenBottom);
    }
    form.FormActivate();

    const int result = Prompt().ExecModal(form);
    // A dialog that ended in any way without a chosen date counts as cancelled, so a date value of 0
    // (30 December 1899) is indistinguishable from no choice.
    if (result == TvcPopup::Cancelled || form.PopupDate() == 0)
        return false;
    Date = form.PopupDate();
    return true;
}

TvcPopup::TvcPopup(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("VcPopup"));
    setFont(SystemFont());
    // The window is widened when its caption would not fit; the controls stay together in the middle.
    const int clientWidth = std::max(FormClientWidth, WidestCaptionWidth());
    const int dx = (clientWidth - FormClientWidth) / 2;
    setGeometry(FormDefaultLeft, FormDefaultTop, clientWidth, FormClientHeight);
    setFixedSize(clientWidth, FormClientHeight);

    // Set up as a form is loaded: properties first, then each control's Loaded step in creation order.
    VellCalendar1 = new TVellCalendar(this);
    VellCalendar1->setObjectName(QStringLiteral("VellCalendar1"));
    VellCalendar1->BeginLoad();
    VellCalendar1->setGeometry(dx + 2, 1, 198, 110);
    VellCalendar1->SetCtl3D(true);
    VellCalendar1->setFont(SmallFont());
    VellCalendar1->SetDowNames({QStringLiteral("Sun"), QStringLiteral("Mon"), QStringLiteral("Tue"),
                                QStringLiteral("Wed"), QStringLiteral("Thu"), QStringLiteral("Fri"),
                                QStringLiteral("Sat")});
    VellCalendar1->SetStartingDay(0);
    VellCalendar1->SetTitleFont(SmallFont());
    VellCalendar1->SetTitleFontColor(Qt::black);
    VellCalendar1->SetTextFont(SystemFont());
    VellCalendar1->SetTextFontColor(palette().color(QPalette::WindowText));
    const QRgb colorSets[TVellColoring::Count] = {0xFF0000, 0x00FF00, 0x0000FF, 0x008080, 0x008000,
                                                  0xFF00FF, 0x800000, 0x00FFFF, 0xFFFF00};
    for (int i = 0; i < TVellColoring::Count; ++i)
        VellCalendar1->ColorSets().SetColorSet(i + 1, QColor(colorSets[i]));
    const int rowHeights[TVellCalendarModel::RowCount] = {11, 15, 15, 15, 15, 15, 15};
    for (int row = 0; row < TVellCalendarModel::RowCount; ++row)
        VellCalendar1->SetRowHeights(row, rowHeights[row]);
    VellCalendar1->OnChange = [this](TVellCalendar*) { VellCalendar1Change(); };
    VellCalendar1->OnDblClick = [this](TVellCalendar*) { Guarded([this] { VellCalendar1DblClick(); }); };

    VellNavigator1 = new TVellNavigator(this);
    VellNavigator1->setObjectName(QStringLiteral("VellNavigator1"));
    VellNavigator1->BeginLoad();
    VellNavigator1->SetCalendarSource(VellCalendar1);
    VellNavigator1->SetVisibleButtons(CalcBtnBit(nbPrevYear) | CalcBtnBit(nbPrevMonth) | CalcBtnBit(nbNextMonth)
                                      | CalcBtnBit(nbNextYear));
    VellNavigator1->SetHighlight(QColor(0x00, 0x00, 0xFF));
    VellNavigator1->SetTodayText(QStringLiteral("Today"));
    VellNavigator1->SetBounds(dx + 29, 113, 145, 21);

    SpeedButton1 = new TGlyphSpeedButton(MakeGlyph(gkCheckMark), this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setGeometry(dx + 2, 113, 23, 21);
    SpeedButton1->setToolTip(QStringLiteral("Select Date"));
    SpeedButton1->setAccessibleName(SpeedButton1->toolTip());
    connect(SpeedButton1, &QAbstractButton::clicked, this, [this] { Guarded([this] { SpeedButton1Click(); }); });

    SpeedButton2 = new TGlyphSpeedButton(MakeGlyph(gkCross), this);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setGeometry(dx + 177, 112, 23, 22);
    SpeedButton2->setToolTip(QStringLiteral("Cancel Selection"));
    SpeedButton2->setAccessibleName(SpeedButton2->toolTip());
    connect(SpeedButton2, &QAbstractButton::clicked, this, [this] { Guarded([this] { SpeedButton2Click(); }); });

    // Tab order: the calendar, then the navigator; the calendar is the active control.
    setTabOrder(VellCalendar1, VellNavigator1);
    VellCalendar1->setFocus();

    VellCalendar1->Loaded();
    VellNavigator1->Loaded();
}

TvcPopup::~TvcPopup() = default;

void TvcPopup::FormActivate()
{
    VellCalendar1Change();
}

void TvcPopup::VellCalendar1Change()
{
    setWindowTitle(FormatDateTime(QStringLiteral("mmmm d, yyyy"), VellCalendar1->CalendarDate()));
}

void TvcPopup::VellCalendar1DblClick()
{
    ChooseCalendarDate();
}

void TvcPopup::SpeedButton1Click()
{
    ChooseCalendarDate();
}

void TvcPopup::SpeedButton2Click()
{
    done(Cancelled);
}

void TvcPopup::ChooseCalendarDate()
{
    m_popupDate = VellCalendar1->CalendarDate();
    if (!DateToStr(m_popupDate).isEmpty())
        close();
}

void TvcPopup::done(int result)
{
    QDialog::done(m_popupDate == 0 ? Cancelled : result);
}

void TvcPopup::closeEvent(QCloseEvent* event)
{
    // The close box and close() end here, also while the form is not on screen.
    done(QDialog::Rejected);
    event->accept();
}

void TvcPopup::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape mean nothing in this window: only the buttons, a double click and the close box
    // end it.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Enter:
    case Qt::Key_Return:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TvcPopup::SetFrameProbe(std::function<QMargins(const QWidget&)> probe)
{
    FrameProbe() = std::move(probe);
}

void TvcPopup::AlignTo(const QRect& source, int screenBottom)
{
    m_alignSource = source;
    m_screenBottom = screenBottom;
    m_alignedFrameHeight = -1;
    KeepAligned();
}

void TvcPopup::KeepAligned()
{
    if (m_alignSource.isEmpty())
        return;
    int frameHeight = frameGeometry().height();
    if (FrameProbe()) {
        const QMargins margins = FrameProbe()(*this);
        frameHeight = height() + margins.top() + margins.bottom();
    }
    // Moves of the window (the user's too) leave it where it is as long as the frame stays the same.
    if (frameHeight == m_alignedFrameHeight)
        return;
    m_alignedFrameHeight = frameHeight;
    // A window's position is that of its frame.
    move(TVellPopup::PlaceUnder(m_alignSource, frameHeight, m_screenBottom));
}

bool TvcPopup::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowActivate:
        FormActivate();
        KeepAligned();
        break;
    // The frame's size becomes known on one of these once the window manager has framed the window.
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
        KeepAligned();
        break;
    default:
        break;
    }
    return QDialog::event(event);
}
