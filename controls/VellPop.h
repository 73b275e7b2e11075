#pragma once
// TVellPopup asks the user for a date in a small modal window, TvcPopup: a month calendar, a navigator,
// a check-mark and a cross button, placed just below (or, near the screen bottom, above) a control.
#include "DateTime.h"

#include <QDialog>
#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>

class QAbstractButton;
class TVellCalendar;
class TVellNavigator;

class TVellPopup : public QObject
{
    Q_OBJECT
public:
    explicit TVellPopup(QObject* owner = nullptr);

    // The date shown when Execute opens the window and, after it returns true, the date chosen.
    TDateTime Date = 0;
    bool ShowHint = true;

    // The control the window opens under; cleared when that control is destroyed.
    QWidget* AlignSource() const { return m_alignSource; }
    void SetAlignSource(QWidget* source) { m_alignSource = source; }

    // Shows the window modally; true when the user chose a date, which is then in Date. Throws
    // EConvertError, before showing anything, for a Date the calendar cannot show.
    bool Execute();

    // Top-left of a window of the given outer height placed under `source` (global rectangle of the
    // control): directly below it, or 2 pixels above it when below would pass the screen's bottom.
    static QPoint PlaceUnder(const QRect& source, int formHeight, int screenBottom);

private:
    QPointer<QWidget> m_alignSource;
};

// The popup's form. It closes with a date only through a double click on the calendar or the
// check-mark button; the cross button and the close box close it with the result Cancelled.
class TvcPopup : public QDialog
{
    Q_OBJECT
public:
    static constexpr int Cancelled = -1;

    explicit TvcPopup(QWidget* parent = nullptr);
    ~TvcPopup() override;

    TVellCalendar* VellCalendar1 = nullptr;
    TVellNavigator* VellNavigator1 = nullptr;
    QAbstractButton* SpeedButton1 = nullptr;
    QAbstractButton* SpeedButton2 = nullptr;

    // The date chosen; 0 means none.
    TDateTime PopupDate() const { return m_popupDate; }
    void SetPopupDate(TDateTime date) { m_popupDate = date; }

    void FormActivate();
    void VellCalendar1Change();
    void VellCalendar1DblClick();
    void SpeedButton1Click();
    void SpeedButton2Click();

    // Every way of closing ends here: with no date chosen the result becomes Cancelled.
    void done(int result) override;

    // Places the window under (or above) a control, given as a global rectangle, by the window's
    // outer height. The window manager adds the frame only once the window is on screen, so the
    // placement is made again whenever the frame's height changes: the window never covers the
    // control it belongs to.
    void AlignTo(const QRect& source, int screenBottom);
    // Replaces how the frame around the client area is measured (tests force a frame); an empty
    // function restores the window's own frame geometry.
    static void SetFrameProbe(std::function<QMargins(const QWidget&)> probe);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void ChooseCalendarDate();
    void KeepAligned();

    TDateTime m_popupDate = 0;
    QRect m_alignSource; // empty: not aligned to a control
    int m_screenBottom = 0;
    int m_alignedFrameHeight = -1;
};
