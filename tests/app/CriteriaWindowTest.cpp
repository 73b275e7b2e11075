// The criteria window on a club made by the test: its controls, the activity list, Select All /
// Unselect All and the range presets, driven through the controls' own signals.
#include "TAppClub.h"

#include "Application.h"
#include "CreateForm.h"
#include "DateDrop.h"
#include "DateTime.h"
#include "TIntObj.h"
#include "TRadioGroup.h"
#include "TQuery.h"
#include "TfrmActivityRep.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <functional>
#include <tuple>

namespace {

class CriteriaWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Club.AddActivity(7, QStringLiteral("Pilates"));
        Club.AddActivity(3, QStringLiteral("Karate"));
        Club.AddActivity(5, QStringLiteral("Yoga"));
    }

    std::unique_ptr<TfrmActivityRep> ShownWindow()
    {
        auto window = CreateForm<TfrmActivityRep>();
        window->show();
        return window;
    }

    static QStringList CheckedTexts(const TfrmActivityRep& window)
    {
        QStringList texts;
        for (int i = 0; i < window.CheckList->count(); ++i) {
            if (window.CheckList->item(i)->checkState() == Qt::Checked)
                texts << window.CheckList->item(i)->text();
        }
        return texts;
    }

    TAppClub Club;
};

void SetToday(const QDate& day)
{
    SetClock([day] { return QDateTime(day, QTime(23, 59), Qt::UTC); });
}

} // namespace

TEST_F(CriteriaWindow, HasEveryControlAtItsDesignedPlace)
{
    const auto window = CreateForm<TfrmActivityRep>();
    EXPECT_EQ(window->objectName(), QStringLiteral("frmActivityRep"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Activity Report"));
    EXPECT_EQ(window->size(), QSize(363, 505));

    const struct {
        const char* name;
        QRect geometry;
        const char* caption;
        bool bold;
    } controls[] = {
        {"Range", {12, 13, 337, 89}, "Report Range", true},
        {"SDate", {78, 112, 97, 21}, "", false},
        {"EDate", {252, 112, 97, 21}, "", false},
        {"rgDateRange", {12, 139, 335, 166}, "Options ", false},
        {"rgMember", {16, 320, 129, 89}, "Member", false},
        {"CheckList", {154, 317, 193, 98}, "", false},
        {"btnSelectAll", {157, 422, 75, 17}, "Select All", false},
        {"btnUnSelectAll", {272, 422, 75, 17}, "Unselect All", false},
        {"btnPreview", {14, 456, 75, 25}, "Preview", false},
        {"btnPrint", {102, 456, 75, 25}, "Print", false},
        {"Button2", {190, 456, 75, 25}, "Create Group", false},
        {"Button1", {278, 456, 75, 25}, "Close", false},
        {"Panel1", {0, 495, 363, 10}, "", false},
    };
    for (const auto& control : controls) {
        SCOPED_TRACE(control.name);
        const auto* widget = window->findChild<QWidget*>(QString::fromLatin1(control.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), control.geometry);
        EXPECT_EQ(widget->font().bold(), control.bold);
        if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
            EXPECT_EQ(button->text(), QString::fromLatin1(control.caption));
        } else if (const auto* group = qobject_cast<const TRadioGroup*>(widget)) {
            EXPECT_EQ(group->title(), QString::fromLatin1(control.caption));
        }
    }
    EXPECT_TRUE(window->Panel1->isHidden());

    for (const auto& [label, pos, caption] : {std::tuple{window->Label2, QPoint(15, 116), "From Date"},
                                              std::tuple{window->Label3, QPoint(201, 116), "To Date"}}) {
        SCOPED_TRACE(caption);
        EXPECT_EQ(label->pos(), pos);
        EXPECT_EQ(label->text(), QString::fromLatin1(caption));
        EXPECT_TRUE(label->font().bold());
    }

    EXPECT_EQ(window->Range->Items(),
              (QStringList{QStringLiteral("Today"), QStringLiteral("This Week"), QStringLiteral("This Month"),
                           QStringLiteral("This Year"), QStringLiteral("Yesterday"), QStringLiteral("Last Week"),
                           QStringLiteral("Last Month"), QStringLiteral("Last Year")}));
    EXPECT_EQ(window->Range->Columns(), 2);
    // Two columns filled top to bottom: "Yesterday" heads the second column.
    EXPECT_EQ(window->Range->Button(4)->y(), window->Range->Button(0)->y());
    EXPECT_GT(window->Range->Button(4)->x(), window->Range->Button(3)->x());
    EXPECT_EQ(window->Range->ItemIndex(), 0);
    EXPECT_EQ(window->rgDateRange->Items().size(), 8);
    EXPECT_EQ(window->rgDateRange->Items().at(2), QStringLiteral("Members that expire within the selected date range"));
    EXPECT_EQ(window->rgDateRange->ItemIndex(), 0);
    EXPECT_EQ(window->rgMember->Items(),
              (QStringList{QStringLiteral("All"), QStringLiteral("Members Only"), QStringLiteral("Guest Only")}));
    EXPECT_EQ(window->rgMember->ItemIndex(), -1);
}

TEST_F(CriteriaWindow, TabsThroughTheControlsInDesignedOrder)
{
    const auto window = CreateForm<TfrmActivityRep>();
    // The hidden panel takes no focus; the radio groups are entered through their buttons.
    const QStringList named = {QStringLiteral("btnPreview"), QStringLiteral("btnPrint"), QStringLiteral("Range"),
                               QStringLiteral("SDate"), QStringLiteral("EDate"), QStringLiteral("rgDateRange"),
                               QStringLiteral("Button1"), QStringLiteral("Button2"), QStringLiteral("btnSelectAll"),
                               QStringLiteral("btnUnSelectAll"), QStringLiteral("rgMember"), QStringLiteral("CheckList")};
    QStringList order;
    QWidget* widget = window->btnPreview;
    do {
        QWidget* control = widget;
        while (control && !named.contains(control->objectName()))
            control = control->parentWidget();
        if (control && widget->focusPolicy() != Qt::NoFocus && !order.contains(control->objectName()))
            order << control->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != window->btnPreview);
    EXPECT_EQ(order, named);
}

TEST_F(CriteriaWindow, ShowingListsActivitiesInTableOrderAllCheckedWithTheirIds)
{
    const auto window = ShownWindow();
    ASSERT_EQ(window->CheckList->count(), 3);
    const QList<std::pair<QString, int>> expected = {
        {QStringLiteral("Karate"), 3}, {QStringLiteral("Yoga"), 5}, {QStringLiteral("Pilates"), 7}};
    for (int i = 0; i < 3; ++i) {
        const QListWidgetItem* item = window->CheckList->item(i);
        SCOPED_TRACE(item->text().toStdString());
        EXPECT_EQ(item->text(), expected.at(i).first);
        EXPECT_EQ(item->checkState(), Qt::Checked);
        const auto* object = static_cast<const TIntObj*>(item->data(Qt::UserRole).value<void*>());
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->Number, expected.at(i).second);
    }
    // Today with two-digit month and day, not yet the short date format.
    SetToday(QDate(2010, 3, 5));
    const auto early = ShownWindow();
    EXPECT_EQ(early->SDate->Text(), QStringLiteral("03/05/2010"));
    EXPECT_EQ(early->EDate->Text(), QStringLiteral("03/05/2010"));
}

TEST_F(CriteriaWindow, ShowingAgainListsEachActivityOnceAndKeepsWhatWasUnchecked)
{
    const auto window = ShownWindow();
    window->CheckList->item(1)->setCheckState(Qt::Unchecked);
    window->hide();
    window->show();
    window->hide();
    window->show();
    EXPECT_EQ(CheckedTexts(*window), (QStringList{QStringLiteral("Karate"), QStringLiteral("Pilates")}));
    ASSERT_EQ(window->CheckList->count(), 3);
    window->OpenReportQuery();
    EXPECT_EQ(window->ActivityIds, QStringLiteral("3,7"));
}

TEST_F(CriteriaWindow, APeriodThatIsNoDateStopsTheRunBeforeAnyStatement)
{
    const auto window = ShownWindow();
    window->rgDateRange->SetItemIndex(2); // expiring within the period
    // Text that would change the statement if it were spliced into it.
    window->SDate->SetText(QStringLiteral("1/1/2010' or 'a'='a"));
    window->btnPreview->click();
    ASSERT_EQ(Club.Prompt.Errors.size(), 1);
    EXPECT_TRUE(Club.Prompt.Errors.first().contains(QStringLiteral("is not a valid date"))) << qPrintable(Club.Prompt.Errors.first());
    EXPECT_FALSE(window->ReportQuery().Active());
}

TEST_F(CriteriaWindow, AnEmptyActivitiesTableGivesAnEmptyList)
{
    Club.Exec(QStringLiteral("delete from ckacts"));
    EXPECT_EQ(ShownWindow()->CheckList->count(), 0);
}

TEST_F(CriteriaWindow, AMissingActivitiesTableStopsCreation)
{
    Club.Exec(QStringLiteral("drop table ckacts"));
    EXPECT_ANY_THROW(CreateForm<TfrmActivityRep>());
}

TEST_F(CriteriaWindow, SelectAllAndUnselectAllGoByTheSendersName)
{
    const auto window = ShownWindow();
    window->btnUnSelectAll->click();
    EXPECT_TRUE(CheckedTexts(*window).isEmpty());
    window->CheckList->item(1)->setCheckState(Qt::Checked);
    window->btnSelectAll->click();
    EXPECT_EQ(CheckedTexts(*window).size(), 3);

    // Only the exact name selects; anything else clears.
    QObject other;
    other.setObjectName(QStringLiteral("btnselectall"));
    window->btnSelectAllClick(&other);
    EXPECT_TRUE(CheckedTexts(*window).isEmpty());
}

TEST_F(CriteriaWindow, OpensWithTheFocusOnPreviewAndEnterPressesTheFocusedButton)
{
    const auto window = ShownWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(QApplication::focusWidget(), window->btnPreview);

    // Return and the keypad's Enter press the button that holds the focus, as Space does.
    window->btnUnSelectAll->setFocus();
    QTest::keyClick(window->btnUnSelectAll, Qt::Key_Return);
    EXPECT_TRUE(CheckedTexts(*window).isEmpty());
    window->btnSelectAll->setFocus();
    QTest::keyClick(window->btnSelectAll, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(CheckedTexts(*window).size(), 3);
    Club.Prompt.InputAnswers << TScriptedPrompt::TInputAnswer{false, {}};
    window->Button2->setFocus();
    QTest::keyClick(window->Button2, Qt::Key_Return);
    EXPECT_EQ(Club.Prompt.InputCalls.size(), 1) << "Create Group asked for the group's name";
}

TEST(ApplicationName, LeavesTheWindowCaptionsAlone)
{
    NameApplication();
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Activity Report"));
    // A display name of its own would be appended to every window title by the desktop; without one
    // it only follows the application's name.
    QCoreApplication::setApplicationName(QStringLiteral("Another Name"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Another Name"));
    NameApplication();
}

TEST_F(CriteriaWindow, CloseEndsTheProgram)
{
    const auto window = ShownWindow();
    QSignalSpy closed(window.get(), &TfrmActivityRep::Closed);
    window->Button1->click();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(CriteriaWindow, PresetsWriteTheirPeriodInTheShortDateFormat)
{
    const struct {
        const char* name;
        QDate today;
        int preset;
        const char* from;
        const char* to;
    } rows[] = {
        {"Today", {2010, 3, 5}, 0, "3/5/2010", "3/5/2010"},
        {"This Week on a Sunday", {2010, 3, 14}, 1, "3/8/2010", "3/14/2010"},
        {"This Week on a Monday", {2010, 3, 15}, 1, "3/15/2010", "3/21/2010"},
        {"This Month in a leap year", {2012, 2, 10}, 2, "2/1/2012", "2/29/2012"},
        {"This Year", {2010, 7, 4}, 3, "1/1/2010", "12/31/2010"},
        {"Yesterday on New Year's Day", {2010, 1, 1}, 4, "12/31/2009", "12/31/2009"},
        {"Last Week across a year", {2010, 1, 6}, 5, "12/28/2009", "1/3/2010"},
        {"Last Month on 31 March", {2010, 3, 31}, 6, "2/1/2010", "2/28/2010"},
        {"Last Year on 29 February", {2012, 2, 29}, 7, "1/1/2011", "12/31/2011"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SetToday(row.today);
        const auto window = ShownWindow();
        window->Range->Button(row.preset)->click();
        EXPECT_EQ(window->SDate->Text(), QString::fromLatin1(row.from));
        EXPECT_EQ(window->EDate->Text(), QString::fromLatin1(row.to));
    }
}

TEST_F(CriteriaWindow, ChoosingTheSamePresetAgainLeavesTypedDatesAlone)
{
    const auto window = ShownWindow();
    window->Range->Button(2)->click();
    window->SDate->SetText(QStringLiteral("3/10/2010"));
    window->EDate->SetText(QStringLiteral("3/12/2010"));
    window->Range->Button(2)->click();
    EXPECT_EQ(window->SDate->Text(), QStringLiteral("3/10/2010"));
    EXPECT_EQ(window->EDate->Text(), QStringLiteral("3/12/2010"));

    window->Range->Button(3)->click();
    EXPECT_EQ(window->SDate->Text(), QStringLiteral("1/1/2010"));
    EXPECT_EQ(window->EDate->Text(), QStringLiteral("12/31/2010"));
}

// Arrow keys choose in every radio group, also in one that starts with nothing chosen.
TEST_F(CriteriaWindow, ArrowKeysSelectInEveryRadioGroup)
{
    const auto window = ShownWindow();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    const struct {
        const char* name;
        TRadioGroup* group;
        int start; // chosen before the key; -1 for nothing
        int focused;
        Qt::Key key;
        int chosen;
    } rows[] = {
        {"Member, nothing chosen, Down", window->rgMember, -1, 0, Qt::Key_Down, 1},
        {"Member, nothing chosen, Up", window->rgMember, -1, 2, Qt::Key_Up, 1},
        {"Member, a choice made, Down", window->rgMember, 1, 1, Qt::Key_Down, 2},
        {"Options, Down", window->rgDateRange, 0, 0, Qt::Key_Down, 1},
        {"Range, Right into the second column", window->Range, 0, 0, Qt::Key_Right, 4},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.group->SetItemIndex(row.start);
        QSignalSpy clicks(row.group, &TRadioGroup::Click);
        QRadioButton* start = row.group->Button(row.focused);
        start->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), start);
        QTest::keyClick(start, row.key);
        EXPECT_EQ(row.group->ItemIndex(), row.chosen);
        EXPECT_EQ(QApplication::focusWidget(), row.group->Button(row.chosen));
        EXPECT_EQ(clicks.size(), 1) << "the choice is reported once, as a click is";
    }
}

TEST_F(CriteriaWindow, OffersNoMaximiseButtonForItsFixedSize)
{
    const auto window = CreateForm<TfrmActivityRep>();
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
}

// What a screen reader announces for each control.
TEST_F(CriteriaWindow, NamesEveryControlForAssistiveTechnology)
{
    const auto window = ShownWindow();
    const auto accessible = [](QObject* object) { return QAccessible::queryAccessibleInterface(object); };

    const struct {
        const char* name;
        QObject* object;
        QAccessible::Role role;
    } rows[] = {
        {"From Date", window->SDate->Edit(), QAccessible::EditableText},
        {"To Date", window->EDate->Edit(), QAccessible::EditableText},
        {"Open calendar", window->SDate->Button(), QAccessible::Button},
        {"Open calendar", window->EDate->Button(), QAccessible::Button},
        {"Activities", window->CheckList, QAccessible::List},
        {"Report Range", window->Range, QAccessible::Grouping},
        {"Options", window->rgDateRange, QAccessible::Grouping},
        {"Member", window->rgMember, QAccessible::Grouping},
        {"Members Only", window->rgMember->Button(1), QAccessible::RadioButton},
        {"Create Group", window->Button2, QAccessible::Button},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QAccessibleInterface* iface = accessible(row.object);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->text(QAccessible::Name).trimmed(), QString::fromLatin1(row.name));
        // The drop button is a tool button, which Qt reports as a plain button or a button menu.
        if (row.role == QAccessible::Button) {
            EXPECT_TRUE(iface->role() == QAccessible::Button || iface->role() == QAccessible::ButtonMenu);
        } else {
            EXPECT_EQ(iface->role(), row.role);
        }
    }

    // No control a user reaches is left unnamed.
    QStringList unnamed;
    const std::function<void(QAccessibleInterface*, const QString&)> walk = [&](QAccessibleInterface* iface,
                                                                                   const QString& path) {
        for (int i = 0; i < iface->childCount(); ++i) {
            QAccessibleInterface* child = iface->child(i);
            if (!child || child->state().invisible)
                continue;
            const QString where = path + QLatin1Char('/') + (child->object() ? child->object()->objectName() : QString::number(i));
            const bool control = child->state().focusable || child->role() == QAccessible::Button
                                 || child->role() == QAccessible::ButtonMenu || child->role() == QAccessible::List
                                 || child->role() == QAccessible::Grouping;
            if (control && child->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << where;
            walk(child, where);
        }
    };
    walk(accessible(window.get()), QString());
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QLatin1Char(' ')).toStdString();
}
