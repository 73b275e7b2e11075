#include "DateDrop.h"

#include "PinnedTodayTest.h"
#include "TPrompt.h"
#include "TVellCalendar.h"
#include "VellPop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class DateFieldTest : public PinnedTodayTest
{
protected:
    // A shown, active window with the field and a second edit to move the focus to.
    struct TWindow
    {
        QWidget Window;
        TbrmDateDropDown* Field = new TbrmDateDropDown(&Window);
        QLineEdit* Other = new QLineEdit(&Window);

        TWindow()
        {
            Other->move(0, 40);
            Window.show();
            QApplication::setActiveWindow(&Window);
            EXPECT_TRUE(QTest::qWaitForWindowActive(&Window));
            Field->setFocus(Qt::MouseFocusReason);
        }
        void Type(const QString& text)
        {
            Field->setFocus(Qt::MouseFocusReason);
            Field->SetText(QString());
            QTest::keyClicks(Field->Edit(), text);
        }
        void Leave() { Other->setFocus(Qt::TabFocusReason); }
    };

};

TEST_F(DateFieldTest, ParseDateTextFollowsTheShortDateFormat)
{
    struct TRow
    {
        const char* Text;
        int Year, Month, Day; // all 0: not a date
    };
    const TRow rows[] = {
        {"1/5/24", 2024, 1, 5}, {"1/5/49", 2049, 1, 5}, {"1/5/50", 1950, 1, 5}, {"1/5/75", 1975, 1, 5},
        {"1/5/7", 2007, 1, 5}, {"12/31/1999", 1999, 12, 31}, {"01/05/2024", 2024, 1, 5},
        {"1/5/024", 24, 1, 5}, // three or four digits are taken as typed
        {"1/5", 2026, 1, 5}, {"1/5/", 2026, 1, 5}, // two numbers: the current year
        {" 1/ 5/ 2024", 2024, 1, 5}, {"1/5/2024/ ", 2024, 1, 5},
        {"1/5/   24", 2024, 1, 5}, // blanks before a two-digit year do not change its window
        {"2/29/00", 2000, 2, 29},
        {"2/30/2024", 0, 0, 0}, {"2/29/2023", 0, 0, 0}, {"2/29", 0, 0, 0}, {"13/1/2024", 0, 0, 0},
        {"1/5/0000", 0, 0, 0}, {"1/5/12345", 0, 0, 0}, {"1 /5/2024", 0, 0, 0}, {"1/5/2024//", 0, 0, 0},
        {"1/5/2024x", 0, 0, 0}, {"1-5-2024", 0, 0, 0}, {"1", 0, 0, 0}, {"", 0, 0, 0}, {"   ", 0, 0, 0},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Text);
        const TDateTime expected = row.Year ? EncodeDate(row.Year, row.Month, row.Day) : 0;
        EXPECT_EQ(TbrmDateDropDown::ParseDateText(QString::fromLatin1(row.Text)), expected);
    }
}

TEST_F(DateFieldTest, ParseDateTextReadsDayFirstAndYearFirstFormats)
{
    SetShortDateFormat(QStringLiteral("dd.MM.yyyy"));
    SetDateSeparator(QLatin1Char('.'));
    EXPECT_EQ(TbrmDateDropDown::ParseDateText(QStringLiteral("5.1.24")), EncodeDate(2024, 1, 5));
    EXPECT_EQ(TbrmDateDropDown::ParseDateText(QStringLiteral("5.1")), EncodeDate(2026, 1, 5));
    EXPECT_EQ(TbrmDateDropDown::ParseDateText(QStringLiteral("5/1/24")), 0);

    SetShortDateFormat(QStringLiteral("yyyy/M/d"));
    SetDateSeparator(QLatin1Char('/'));
    EXPECT_EQ(TbrmDateDropDown::ParseDateText(QStringLiteral("24/1/5")), EncodeDate(2024, 1, 5));
    // Two numbers are a month and day of the current year here too.
    EXPECT_EQ(TbrmDateDropDown::ParseDateText(QStringLiteral("1/5")), EncodeDate(2026, 1, 5));
}

TEST_F(DateFieldTest, WritingTheDateLastShownLeavesTheTextAlone)
{
    TbrmDateDropDown field;
    EXPECT_EQ(field.Text(), QStringLiteral("6/15/2026"));
    field.SetText(QString());
    EXPECT_EQ(field.Value(), 0);
    field.SetValue(35772.0);
    EXPECT_EQ(field.Text(), QStringLiteral("12/8/1997"));
    EXPECT_EQ(field.Value(), 35772.0);

    const TDateTime today = EncodeDate(2026, 6, 15);
    field.SetValue(today);
    field.SetText(QStringLiteral("1/1/2020"));
    field.SetValue(today);
    EXPECT_EQ(field.Text(), QStringLiteral("1/1/2020"));
    EXPECT_EQ(field.Popup()->Date, today); // typing does not move the remembered date
}

TEST_F(DateFieldTest, LeavingTheFieldRewritesTheText)
{
    TWindow w;
    const std::pair<const char*, const char*> rows[] = {
        {"1/5/24", "1/5/2024"}, {"1/5/75", "1/5/1975"},     {"1/5", "1/5/2026"},
        {"01/05/2024", "1/5/2024"}, {"2/30/2024", "12/30/1899"}, {"", ""},
    };
    for (const auto& [typed, shown] : rows) {
        SCOPED_TRACE(typed);
        w.Type(QString::fromLatin1(typed));
        w.Leave();
        EXPECT_EQ(w.Field->Text(), QString::fromLatin1(shown));
    }

    // Switching to another window is not leaving the field.
    w.Type(QStringLiteral("1/5"));
    QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(w.Field->Edit(), &deactivated);
    EXPECT_EQ(w.Field->Text(), QStringLiteral("1/5"));
}

TEST_F(DateFieldTest, PictureRestrictsTypingButNotCorrection)
{
    TWindow w;
    const std::pair<const char*, const char*> rows[] = {
        {"ab1/5/2024x", "1/5/2024"},
        {"12311999", "12/31/1999"}, // a digit past a full group starts the next one
        {"1/5/20245", "1/5/2024"},
        {"1/5/2024/", "1/5/2024"},
        {"1 5", "15"},
    };
    for (const auto& [typed, shown] : rows) {
        SCOPED_TRACE(typed);
        w.Type(QString::fromLatin1(typed));
        EXPECT_EQ(w.Field->Text(), QString::fromLatin1(shown));
    }

    // Deleting the day leaves an empty group, which can then be typed again.
    w.Field->SetText(QStringLiteral("12/31/1999"));
    w.Field->Edit()->setCursorPosition(5);
    QTest::keyClick(w.Field->Edit(), Qt::Key_Backspace);
    QTest::keyClick(w.Field->Edit(), Qt::Key_Backspace);
    EXPECT_EQ(w.Field->Text(), QStringLiteral("12//1999"));
    QTest::keyClicks(w.Field->Edit(), QStringLiteral("24"));
    EXPECT_EQ(w.Field->Text(), QStringLiteral("12/24/1999"));

    // With another date separator a typed slash stands for it.
    SetDateSeparator(QLatin1Char('.'));
    w.Type(QStringLiteral("1/5/24"));
    EXPECT_EQ(w.Field->Text(), QStringLiteral("1.5.24"));
    w.Leave();
    EXPECT_EQ(w.Field->Text(), QStringLiteral("1.5.2024"));
}

TEST_F(DateFieldTest, ReadOnlyFieldRefusesTypingButtonAndDropDown)
{
    TWindow w;
    w.Field->SetText(QStringLiteral("1/5/2024"));
    w.Field->SetReadOnly(true);
    EXPECT_TRUE(w.Field->Button()->isHidden());
    QTest::keyClicks(w.Field->Edit(), QStringLiteral("9"));
    QTest::keyClick(w.Field->Edit(), Qt::Key_F4);
    QTest::keyClick(w.Field->Edit(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(w.Field->Text(), QStringLiteral("1/5/2024"));
    EXPECT_EQ(m_prompt.ModalCount, 0);

    w.Field->SetReadOnly(false);
    EXPECT_FALSE(w.Field->Button()->isHidden());
}

// --- the drop-down ---

int CancelPopup(QDialog& dialog)
{
    static_cast<TvcPopup&>(dialog).SpeedButton2->click();
    return -1;
}

TEST_F(DateFieldTest, CancelledDropDownRewritesTheDateItOpenedOn)
{
    const std::pair<const char*, const char*> rows[] = {
        {"", "6/15/2026"}, // empty: opens on today
        {"01/05/24", "1/5/2024"},
        {"2/30/2024", "6/15/2026"},
    };
    for (const auto& [typed, shown] : rows) {
        SCOPED_TRACE(typed);
        TbrmDateDropDown field;
        field.SetText(QString::fromLatin1(typed));
        TDateTime opened = -1;
        m_prompt.ModalActions << [&](QDialog& dialog) {
            opened = static_cast<TvcPopup&>(dialog).VellCalendar1->CalendarDate();
            return CancelPopup(dialog);
        };
        field.DropDownCalendar();
        EXPECT_EQ(DateToStr(opened), QString::fromLatin1(shown));
        EXPECT_EQ(field.Text(), QString::fromLatin1(shown));
    }
}

TEST_F(DateFieldTest, DateChosenInTheCalendarIsWrittenBack)
{
    TWindow w;
    w.Field->SetText(QStringLiteral("3/1/2025"));
    TDateTime bound = 0;
    w.Field->BoundFieldSetter = [&](TDateTime value) { bound = value; };
    m_prompt.ModalActions << [](QDialog& dialog) {
        auto& form = static_cast<TvcPopup&>(dialog);
        form.VellCalendar1->SetDay(14);
        form.SpeedButton1->click();
        return -1;
    };
    QTest::keyClick(w.Field->Edit(), Qt::Key_F4);
    EXPECT_EQ(w.Field->Text(), QStringLiteral("3/14/2025"));
    EXPECT_EQ(w.Field->Popup()->Date, EncodeDate(2025, 3, 14));
    EXPECT_EQ(bound, EncodeDate(2025, 3, 14));

    // The button and Alt with an up or down arrow drop down too; Alt+F4 does not.
    m_prompt.ModalActions << CancelPopup << CancelPopup << CancelPopup;
    QTest::mouseClick(w.Field->Button(), Qt::LeftButton);
    QTest::keyClick(w.Field->Edit(), Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(w.Field->Edit(), Qt::Key_Up, Qt::AltModifier);
    QTest::keyClick(w.Field->Edit(), Qt::Key_F4, Qt::AltModifier);
    EXPECT_EQ(m_prompt.ModalCount, 4);
}

TEST_F(DateFieldTest, RefusedDropDownChangesNothing)
{
    TbrmDateDropDown field;
    field.SetText(QStringLiteral("1/5"));
    int asked = 0;
    field.AllowDropDown = [&] {
        ++asked;
        return false;
    };
    field.DropDownCalendar();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(field.Text(), QStringLiteral("1/5"));
    EXPECT_EQ(field.Popup()->Date, EncodeDate(2026, 6, 15));

    field.AllowDropDown = [] { return true; };
    field.SetReadOnly(true);
    field.DropDownCalendar();
    EXPECT_EQ(field.Text(), QStringLiteral("1/5"));
    EXPECT_EQ(m_prompt.ModalCount, 0);
}

} // namespace
