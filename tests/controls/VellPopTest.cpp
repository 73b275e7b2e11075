#include "VellPop.h"

#include "EConvertError.h"
#include "PinnedTodayTest.h"
#include "TPrompt.h"
#include "TVellCalendar.h"
#include "VellTool.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QMoveEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <cstdlib>
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

// The popup's frame: a caption and a close box, nothing to minimise or maximise a fixed window with.
TEST_F(PopupTest, HasACaptionAndACloseBoxOnly)
{
    TvcPopup form;
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form.minimumSize(), form.maximumSize());

    // Wide enough for the longest caption in a title bar, with the controls kept together in the middle.
    EXPECT_GE(form.width(), WidthForCaption(QStringLiteral("September 28, 2000")));
    EXPECT_GE(form.width(), 202);
    const int left = form.VellCalendar1->x() - 2;
    EXPECT_LE(std::abs(form.width() - (left + 202) - left), 1);
    EXPECT_EQ(form.SpeedButton2->x(), left + 177);
}

namespace {

// Collects what the grids tell assistive technology.
class TAccessibleEventLog
{
public:
    TAccessibleEventLog()
    {
        TCustomGrid::SetAccessibleEventSink([this](QAccessibleEvent* event) {
            QAccessibleInterface* iface = event->accessibleInterface();
            Entries << TEntry{event->type(), event->object(), event->child(),
                              iface ? iface->text(QAccessible::Name) : QString()};
        });
    }
    ~TAccessibleEventLog() { TCustomGrid::SetAccessibleEventSink({}); }

    struct TEntry
    {
        QAccessible::Event Type;
        QObject* Object;
        int Child;
        QString Name; // of the interface the event is about
    };
    QList<TEntry> Entries;

    bool Has(QAccessible::Event type, QObject* object, int child = -1, const QString& name = {}) const
    {
        return std::any_of(Entries.begin(), Entries.end(), [&](const TEntry& entry) {
            return entry.Type == type && entry.Object == object && entry.Child == child
                   && (name.isEmpty() || entry.Name == name);
        });
    }
};

QString CellText(QAccessibleInterface* cell)
{
    QAccessibleTextInterface* text = cell->textInterface();
    return text ? text->text(0, text->characterCount()) : QStringLiteral("<no text>");
}

} // namespace

// A screen reader reads the day grid as a table: a header row of weekdays, then one cell per day
// with its number as text and its whole date as name, the chosen day selected.
TEST_F(PopupTest, ExposesTheDayGridAsATableOfNamedDates)
{
    TvcPopup form;
    form.VellCalendar1->SetCalendarDate(EncodeDate(2025, 3, 14));
    form.VellCalendar1->UpdateCalendar();

    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(form.VellCalendar1);
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->role(), QAccessible::Table);
    EXPECT_EQ(grid->text(QAccessible::Name), QStringLiteral("Calendar"));
    QAccessibleTableInterface* table = grid->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 6);
    EXPECT_EQ(table->columnCount(), 7);
    ASSERT_EQ(grid->childCount(), 49);
    EXPECT_EQ(grid->child(0)->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(grid->child(0)->text(QAccessible::Name), QStringLiteral("Sun"));
    EXPECT_EQ(table->columnDescription(6), QStringLiteral("Sat"));

    // March 2025 starts on a Saturday.
    const struct {
        int row, col;
        const char* text;
        const char* name;
        bool selected;
    } rows[] = {
        {0, 0, "", "", false},
        {0, 6, "1", "Saturday, March 1, 2025", false},
        {2, 5, "14", "Friday, March 14, 2025", true},
        {5, 1, "31", "Monday, March 31, 2025", false},
        {5, 2, "", "", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QAccessibleInterface* cell = table->cellAt(row.row, row.col);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell, table->cellAt(row.row, row.col)) << "a reader gets the same cell each time";
        EXPECT_EQ(cell->role(), QAccessible::Cell);
        EXPECT_EQ(CellText(cell), QString::fromLatin1(row.text));
        EXPECT_EQ(cell->text(QAccessible::Name), QString::fromLatin1(row.name));
        EXPECT_EQ(cell->state().selected, row.selected);
        QAccessibleTableCellInterface* place = cell->tableCellInterface();
        ASSERT_NE(place, nullptr);
        EXPECT_EQ(place->isSelected(), row.selected);
        EXPECT_EQ(place->rowIndex(), row.row);
        EXPECT_EQ(place->columnIndex(), row.col);
        EXPECT_EQ(place->table(), grid);
        ASSERT_EQ(place->columnHeaderCells().size(), 1);
        EXPECT_EQ(place->columnHeaderCells().first()->text(QAccessible::Name),
                  form.VellCalendar1->DowNames().at(row.col));
        EXPECT_EQ(grid->indexOfChild(cell), (row.row + 1) * 7 + row.col);
        EXPECT_EQ(cell->parent(), grid);
    }
    ASSERT_EQ(table->selectedCellCount(), 1);
    EXPECT_EQ(table->selectedCells().first(), table->cellAt(2, 5));
    const QRect day14 = form.VellCalendar1->CellRect(5, 3);
    EXPECT_EQ(table->cellAt(2, 5)->rect().size(), day14.size());
    EXPECT_EQ(grid->childAt(table->cellAt(2, 5)->rect().center().x(), table->cellAt(2, 5)->rect().center().y()),
              table->cellAt(2, 5));
}

// Moving with the keys moves the reader's focus from cell to cell; another month tells it the cells
// have new contents.
TEST_F(PopupTest, TellsAssistiveTechnologyWhereTheKeyboardGoes)
{
    TAccessibleEventLog events;
    TvcPopup form;
    form.VellCalendar1->SetCalendarDate(EncodeDate(2025, 3, 14));
    form.VellCalendar1->UpdateCalendar();
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.VellCalendar1->setFocus();
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(form.VellCalendar1);
    QAccessibleTableInterface* table = grid->tableInterface();
    EXPECT_EQ(grid->focusChild(), table->cellAt(2, 5));
    EXPECT_TRUE(table->cellAt(2, 5)->state().focused);

    events.Entries.clear();
    QTest::keyClick(form.VellCalendar1, Qt::Key_Right);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("March 15, 2025"));
    const int day15 = 3 * 7 + 6;
    const QString saturday15 = QStringLiteral("Saturday, March 15, 2025");
    EXPECT_TRUE(events.Has(QAccessible::Focus, form.VellCalendar1, day15, saturday15));
    EXPECT_TRUE(events.Has(QAccessible::Selection, form.VellCalendar1, day15, saturday15));
    EXPECT_EQ(grid->focusChild(), table->cellAt(2, 6));
    EXPECT_TRUE(table->cellAt(2, 6)->state().focused);
    EXPECT_FALSE(table->cellAt(2, 5)->state().selected);

    // April 2025 starts on a Tuesday; the 15th stands in row 2, column 2.
    events.Entries.clear();
    form.VellNavigator1->Button(nbNextMonth)->click();
    EXPECT_TRUE(events.Has(QAccessible::TableModelChanged, form.VellCalendar1));
    EXPECT_EQ(table->cellAt(0, 2)->text(QAccessible::Name), QStringLiteral("Tuesday, April 1, 2025"));
    EXPECT_EQ(CellText(table->cellAt(0, 6)), QStringLiteral("5"));
    EXPECT_TRUE(table->cellAt(2, 2)->state().selected);
    EXPECT_EQ(table->cellAt(2, 2)->text(QAccessible::Name), QStringLiteral("Tuesday, April 15, 2025"));
}

TEST_F(PopupTest, NamesItsGlyphButtons)
{
    TvcPopup form;
    const std::pair<QAbstractButton*, const char*> buttons[] = {
        {form.SpeedButton1, "Select Date"},
        {form.SpeedButton2, "Cancel Selection"},
        {form.VellNavigator1->Button(nbPrevYear), "Previous Year"},
        {form.VellNavigator1->Button(nbPrevMonth), "Previous Month"},
        {form.VellNavigator1->Button(nbNextMonth), "Next Month"},
        {form.VellNavigator1->Button(nbNextYear), "Next Year"},
    };
    for (const auto& [button, name] : buttons) {
        SCOPED_TRACE(name);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), QAccessible::Button);
        EXPECT_EQ(iface->text(QAccessible::Name), QString::fromLatin1(name));
    }
    // Hints turned off leave the names.
    form.VellNavigator1->SetShowHint(false);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form.VellNavigator1->Button(nbNextYear))->text(QAccessible::Name),
              QStringLiteral("Next Year"));
}
