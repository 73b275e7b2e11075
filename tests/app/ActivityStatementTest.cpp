#include "ActivityStatement.h"

#include <gtest/gtest.h>

namespace {

const QStringList FixedLines = {
    QStringLiteral("select memberno,lastname+', '+firstname as fullname,start,p.'end',countdown,description,"
                   "homephone,s.description as subcatdesc,pymtrate from lead l"),
    QStringLiteral("join ckprof p on p.leadid = l.leadno"),
    QStringLiteral("join ckacts a on a.id = p.activityid"),
    QStringLiteral("join subcat s on s.id = l.subcategory"),
};

TDateTime March15()
{
    return EncodeDate(2010, 3, 15);
}

TActivitySelection Selection(int option, int member = -1, const QString& ids = {})
{
    TActivitySelection selection;
    selection.Option = option;
    selection.Member = member;
    selection.ActivityIds = ids;
    selection.From = EncodeDate(2010, 3, 1);
    selection.To = EncodeDate(2010, 3, 31);
    return selection;
}

} // namespace

TEST(ActivityStatement, ActivityIdsListCheckedItemsInListOrder)
{
    EXPECT_EQ(BuildActivityIds({{true, 5}, {false, 4}, {true, 3}}), QStringLiteral("5,3"));
    EXPECT_EQ(BuildActivityIds({{false, 5}}), QString());
    EXPECT_EQ(BuildActivityIds({}), QString());
    EXPECT_EQ(BuildActivityIds({{true, -2}}), QStringLiteral("-2"));
}

TEST(ActivityStatement, ActiveMembersOfTwoActivitiesMembersOnlyGivesTheDocumentedLines)
{
    QStringList expected = FixedLines;
    expected << QStringLiteral("where (p.'end' > '03/15/2010' or")
             << QStringLiteral("(p.'end' is null and countdown > 0))")
             << QStringLiteral("and activityid in (3,5)") << QStringLiteral("and l.memberno > 0")
             << QStringLiteral("order by description, FullName");
    EXPECT_EQ(ActivityReportStatement(Selection(moAllActive, mfMembersOnly, QStringLiteral("3,5")), March15()),
              expected);
}

TEST(ActivityStatement, AllMembersWithNothingCheckedGivesTheFixedLinesAndTheOrderLine)
{
    QStringList expected = FixedLines;
    expected << QStringLiteral("order by description, FullName");
    EXPECT_EQ(ActivityReportStatement(Selection(moAllMembers), March15()), expected);
    EXPECT_EQ(ActivityReportStatement(Selection(moAllMembers, mfAll), March15()), expected);
}

TEST(ActivityStatement, EachOptionAddsItsConditionAndRanges)
{
    const QString active1 = QStringLiteral("where (p.'end' > '03/15/2010' or");
    const QString active2 = QStringLiteral("(p.'end' is null and countdown > 0))");
    const QString starts = QStringLiteral("and start >= :pfromdate and start <= :ptodate");
    const QString ends = QStringLiteral("and p.'end' >= :pfromdate and p.'end' <= :ptodate");
    const struct {
        int option;
        QStringList conditions;
        QString order;
    } rows[] = {
        {moAllActive, {active1, active2}, QStringLiteral("order by description, FullName")},
        {moActiveStarting, {active1, active2, starts}, QStringLiteral("order by description, FullName")},
        {moExpiring, {ends}, QStringLiteral("order by description,p.'end' ,FullName")},
        {moBelowZeroSessions, {QStringLiteral("where countdown < 0")}, QStringLiteral("order by description, FullName")},
        {moZeroSessions,
         {QStringLiteral("where countdown = 0 and countrequired = True")},
         QStringLiteral("order by description, FullName")},
        {moOneSession, {QStringLiteral("where countdown = 1")}, QStringLiteral("order by description, FullName")},
        {moTwoSessionsOrLess,
         {QStringLiteral("where (countdown = 1 or countdown = 2)")},
         QStringLiteral("order by description, FullName")},
        {moAllMembers, {}, QStringLiteral("order by description, FullName")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.option);
        QStringList expected = FixedLines;
        expected << row.conditions << row.order;
        EXPECT_EQ(ActivityReportStatement(Selection(row.option), March15()), expected);
    }
}

TEST(ActivityStatement, MemberFilterFollowsActivitiesAndRanges)
{
    const QStringList guests = ActivityConditionLines(Selection(moExpiring, mfGuestsOnly, QStringLiteral("7")), March15());
    EXPECT_EQ(guests, (QStringList{QStringLiteral("and activityid in (7)"),
                                   QStringLiteral("and p.'end' >= :pfromdate and p.'end' <= :ptodate"),
                                   QStringLiteral("and l.memberno = 0")}));
    // No choice in the member group reads as "All".
    EXPECT_EQ(ActivityConditionLines(Selection(moOneSession, -1), March15()),
              ActivityConditionLines(Selection(moOneSession, mfAll), March15()));
}

TEST(ActivityStatement, TodayFollowsTheDateSeparator)
{
    SetDateSeparator(QLatin1Char('.'));
    const QStringList lines = ActivityConditionLines(Selection(moAllActive), March15());
    SetDateSeparator(QLatin1Char('/'));
    EXPECT_EQ(lines.first(), QStringLiteral("where (p.'end' > '03.15.2010' or"));
}

TEST(ActivityStatement, GroupMembersReuseTheConditionsWithoutOrder)
{
    const TActivitySelection selection = Selection(moActiveStarting, mfMembersOnly, QStringLiteral("3,5"));
    QStringList expected{QStringLiteral("insert into grpdata (leadid,groupid)"),
                         QStringLiteral("select distinct(leadid),Cast(42 as Integer) from lead l")};
    expected << FixedLines.mid(1) << ActivityConditionLines(selection, March15());
    EXPECT_EQ(GroupMembersStatement(selection, March15(), 42), expected);
    EXPECT_EQ(GroupInsertStatement(),
              QStringLiteral("insert into groups (groupname,groups.\"TimeStamp\") values (:pgroupname,:PTimeStamp)"));
    EXPECT_EQ(NewestGroupStatement(), QStringLiteral("select max(id) as mid from groups"));
}
