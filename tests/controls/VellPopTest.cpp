#include "VellPop.h"

#include "EConvertError.h"
#include "PinnedTodayTest.h"
#include "TPrompt.h"
#include "TVellCalendar.h"
#include "VellTool.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMoveEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class PopupTest : public PinnedTodayTest
{
protected:
    // Queues an action run against the form once it is on screen.
    void WhenShown(std::function<void(TvcPopup&)> action)
    {
        m_prompt.ModalActions << [action](QDialog& dialog) {
            auto& form = static_cast<TvcPopup&>(dialog);
            form.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
            action(form);
            return -1;
        };
    }

};

TEST(PopupPlacement, OpensBelowTheControlUnlessThatPassesTheScreenBottom)
{
    // A 21-pixel control at x = 40 and a 160-pixel window on a screen ending at y = 600.
    const std::tuple<const char*, int, int> rows[] = {
        {"room below", 100, 121},
        {"fits exactly", 419, 440},
        {"one pixel short", 420, 258}, // bottom edge 2 pixels above the control's top
    };
    for (const auto& [name, sourceTop, expectedTop] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(TVellPopup::PlaceUnder(QRect(40, sourceTop, 97, 21), 160, 600), QPoint(40, expectedTop));
    }
}

TEST_F(PopupTest, WindowNearTheScreenBottomOpensAboveTheControl)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QWidget window;
    auto* edit = new QLineEdit(&window);
    edit->setGeometry(10, 40, 97, 21);
    window.resize(200, 70);
    window.move(screen.left() + 50, screen.bottom() - 80);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    TVellPopup popup;
    popup.SetAlignSource(edit);
    QRect placed;
    m_prompt.ModalActions << [&](QDialog& dialog) {
        placed = dialog.frameGeometry();
        return -1;
    };
    popup.Execute();
    const QPoint editTopLeft = edit->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(placed.left(), editTopLeft.x());
    EXPECT_EQ(placed.top() + placed.height(), editTopLeft.y() - 2);
}

TEST_F(PopupTest, OpensOnTheDateAndCaptionsIt)
{
    TVellPopup popup;
    EXPECT_EQ(popup.Date, EncodeDate(2026, 6, 15));
    popup.Date = EncodeDate(2025, 3, 5);
    WhenShown([](TvcPopup& form) {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("March 5, 2025"));
        // 1 March 2025 is a Saturday: day 5 stands in row 2, column 3.
        EXPECT_EQ(QPoint(form.VellCalendar1->Col(), form.VellCalendar1->Row()), QPoint(3, 2));
        EXPECT_TRUE(form.VellNavigator1->Button(nbToday)->isHidden());
        form.SpeedButton2->click();
    });
    EXPECT_FALSE(popup.Execute());
    EXPECT_EQ(popup.Date, EncodeDate(2025, 3, 5));
}

TEST_F(PopupTest, SteppingMonthsThenCheckMarkReturnsTheClampedDay)
{
    TVellPopup popup;
    popup.Date = EncodeDate(2025, 1, 31);
    WhenShown([](TvcPopup& form) {
        form.VellNavigator1->Button(nbNextMonth)->click();
        EXPECT_EQ(form.windowTitle(), QStringLiteral("February 28, 2025"));
        form.SpeedButton1->click();
        EXPECT_FALSE(form.isVisible());
    });
    EXPECT_TRUE(popup.Execute());
    EXPECT_EQ(popup.Date, EncodeDate(2025, 2, 28));
}

TEST_F(PopupTest, DoubleClickChoosesTheSelectedDay)
{
    // March 2025 starts on a Saturday: row 1 holds only day 1, in column 6.
    const std::tuple<const char*, QPoint, int> rows[] = {
        {"day 20", QPoint(4, 4), 20},
        {"empty cell keeps the selection", QPoint(0, 1), 14},
    };
    for (const auto& [name, cell, expectedDay] : rows) {
        SCOPED_TRACE(name);
        TVellPopup popup;
        popup.Date = EncodeDate(2025, 3, 14);
        WhenShown([cell = cell](TvcPopup& form) {
            // A person's double click: a whole click, then a second press that arrives as a double click.
            TVellCalendar* calendar = form.VellCalendar1;
            const QPoint at = calendar->CellRect(cell.x(), cell.y()).center();
            QTest::mouseClick(calendar, Qt::LeftButton, {}, at);
            QTest::mouseDClick(calendar, Qt::LeftButton, {}, at);
            QTest::mouseRelease(calendar, Qt::LeftButton, {}, at);
        });
        EXPECT_TRUE(popup.Execute());
        EXPECT_EQ(popup.Date, EncodeDate(2025, 3, expectedDay));
    }
}

TEST_F(PopupTest, CloseBoxAndCrossLeaveTheDate)
{
    const std::pair<const char*, std::function<void(TvcPopup&)>> rows[] = {
        {"close box", [](TvcPopup& form) { form.close(); }},
        {"cross", [](TvcPopup& form) { form.SpeedButton2->click(); }},
        {"Escape and Enter mean nothing",
         [](TvcPopup& form) {
             QTest::keyClick(form.VellCalendar1, Qt::Key_Escape);
             QTest::keyClick(form.VellCalendar1, Qt::Key_Return);
             EXPECT_TRUE(form.isVisible());
             form.close();
         }},
    };
    for (const auto& [name, action] : rows) {
        SCOPED_TRACE(name);
        TVellPopup popup;
        popup.Date = EncodeDate(2025, 3, 14);
        WhenShown([&action = action](TvcPopup& form) {
            form.VellCalendar1->SetDay(20);
            action(form);
            EXPECT_FALSE(form.isVisible());
            EXPECT_EQ(form.result(), TvcPopup::Cancelled);
        });
        EXPECT_FALSE(popup.Execute());
        EXPECT_EQ(popup.Date, EncodeDate(2025, 3, 14));
    }
}

TEST_F(PopupTest, NoDateComesBackFromDayZeroOrAnUnansweredForm)
{
    TVellPopup popup;
    popup.Date = 0;
    WhenShown([](TvcPopup& form) { form.SpeedButton1->click(); });
    EXPECT_FALSE(popup.Execute());
    EXPECT_EQ(popup.Date, 0);

    popup.Date = EncodeDate(2025, 3, 14);
    EXPECT_FALSE(popup.Execute()); // the scripted prompt rejects a form it has no action for
    EXPECT_EQ(popup.Date, EncodeDate(2025, 3, 14));
}

TEST_F(PopupTest, DateOutsideTheCalendarFailsBeforeShowing)
{
    TVellPopup popup;
    popup.Date = EncodeDate(1, 1, 1) - 1;
    EXPECT_THROW(popup.Execute(), EConvertError);
    popup.Date = EncodeDate(9999, 12, 31) + 1;
    EXPECT_THROW(popup.Execute(), EConvertError);
    EXPECT_EQ(m_prompt.ModalCount, 0);
}

TEST_F(PopupTest, KeepsItsDesignedRowHeightsOnceShown)
{
    TVellPopup popup;
    WhenShown([](TvcPopup& form) {
        const TVellCalendar* calendar = form.VellCalendar1;
        EXPECT_EQ(calendar->RowHeights(0), 11);
        for (int row = 1; row < 7; ++row)
            EXPECT_EQ(calendar->RowHeights(row), 15) << "row " << row;
        form.close();
    });
    popup.Execute();
}

// The window manager frames a window only once it is on screen; a forced frame stands in for it.
class FramedPopupTest : public PopupTest
{
protected:
    void TearDown() override
    {
        TvcPopup::SetFrameProbe({});
        PopupTest::TearDown();
    }
};

TEST_F(FramedPopupTest, ThePopupNeverCoversItsFieldOnceItsFrameIsKnown)
{
    const QMargins frame(4, 24, 4, 4);
    const int outerHeight = 136 + frame.top() + frame.bottom();
    bool framed = false;
    TvcPopup::SetFrameProbe([&](const QWidget&) { return framed ? frame : QMargins(); });
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int screenBottom = screen.y() + screen.height();

    // Room below the field: enough for the frame too, for the client area only, or for neither.
    for (const int room : {300, 150, 50}) {
        SCOPED_TRACE(room);
        QWidget window;
        auto* edit = new QLineEdit(&window);
        edit->setGeometry(10, 10, 97, 21);
        window.resize(200, 40);
        window.move(screen.left() + 50, screenBottom - room - 31);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        const QRect field(edit->mapToGlobal(QPoint(0, 0)), edit->size());
        const int below = screenBottom - (field.bottom() + 1);

        TVellPopup popup;
        popup.SetAlignSource(edit);
        QPoint unframed;
        QPoint placed;
        m_prompt.ModalActions << [&](QDialog& dialog) {
            dialog.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
            unframed = dialog.pos();
            framed = true; // the window manager has put its frame round the window
            QMoveEvent moved(dialog.pos(), dialog.pos());
            QApplication::sendEvent(&dialog, &moved);
            placed = dialog.pos();
            dialog.close();
            return -1;
        };
        framed = false;
        popup.Execute();

        const QRect outer(placed, QSize(202 + frame.left() + frame.right(), outerHeight));
        EXPECT_FALSE(outer.intersects(field));
        EXPECT_EQ(outer.left(), field.left());
        if (below >= outerHeight) {
            EXPECT_EQ(outer.top(), field.bottom() + 1);
        } else {
            EXPECT_EQ(outer.bottom() + 1, field.top() - 2);
        }
        // Before the frame was known the window was placed by its client height alone.
        EXPECT_EQ(unframed.y(), below >= 136 ? field.bottom() + 1 : field.top() - 2 - 136);
    }
}

} // namespace
