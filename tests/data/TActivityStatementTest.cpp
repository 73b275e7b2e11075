// The application's real statements, built line by line as the activity report and Create Group write
// them, run through the layer on a small hand-made club; the rows that come back are checked against
// what the conditions admit.
#include "TClubFixture.h"
#include "TStatementLines.h"
#include "TQuery.h"
#include <QDate>
#include <algorithm>

namespace {
struct TPerson
{
    int LeadNo;
    int MemberNo;
    const char* LastName;
    const char* FirstName;
    const char* Phone;
    int SubCategory;
};

struct TEnrolment
{
    int Lead;
    int Activity;
    QDate Start;
    QDate End; // invalid = none
    int Countdown;
    double Rate;
    bool CountRequired;
};

const TPerson People[] = {
    {1, 101, "Adams", "Amy", "(555) 100-0001", 1},  {2, 102, "Baker", "Bob", "(555) 100-0002", 2},
    {3, 0, "Clark", "Cat", "(555) 100-0003", 1},    {4, 104, "Davis", "Dan", "(555) 100-0004", 1},
    {5, 105, "Evans", "Eve", "(555) 100-0005", 2},  {6, 0, "Foster", "Fay", "(555) 100-0006", 2},
};

const QList<TEnrolment>& Enrolments()
{
    static const QList<TEnrolment> enrolments = {
        {1, 3, QDate(2010, 1, 10), QDate(2010, 6, 30), 5, 45.0, true},
        {1, 5, QDate(2010, 3, 1), QDate(), 2, 30.0, false},
        {2, 3, QDate(2009, 5, 1), QDate(2010, 3, 15), 4, 45.0, true}, // ends "today": no longer active
        {3, 5, QDate(2010, 2, 1), QDate(), 8, 30.0, true},
        {4, 5, QDate(2009, 1, 1), QDate(), 0, 30.0, true},
        {5, 7, QDate(2010, 3, 10), QDate(), 10, 50.0, false},
        {5, 3, QDate(2010, 3, 5), QDate(2010, 12, 31), -2, 45.0, false},
        {2, 5, QDate(2010, 2, 20), QDate(2010, 3, 31), 1, 30.0, true},
        {4, 3, QDate(2010, 3, 20), QDate(), 2, 45.0, true},
        {6, 7, QDate(2009, 11, 1), QDate(2010, 3, 1), 0, 50.0, false}, // ends on the first day of the range
        {6, 3, QDate(2010, 3, 31), QDate(), -1, 45.0, true},
        {3, 7, QDate(2010, 3, 31), QDate(2011, 1, 1), 1, 50.0, true}, // starts on the last day of the range
        {4, 7, QDate(2010, 4, 1), QDate(), 0, 50.0, false},
        {1, 7, QDate(2010, 2, 28), QDate(2010, 3, 16), -3, 50.0, false},
    };
    return enrolments;
}

QString ActivityName(int id)
{
    switch (id) {
    case 3:
        return QStringLiteral("Karate");
    case 5:
        return QStringLiteral("Yoga");
    default:
        return QStringLiteral("Pilates");
    }
}

const QDate Today(2010, 3, 15);
const QDate RangeStart(2010, 3, 1);
const QDate RangeEnd(2010, 3, 31);

QList<TFieldDef> ReportFields()
{
    return {{QStringLiteral("memberno"), ftInteger, 0},     {QStringLiteral("fullname"), ftString, 37},
            {QStringLiteral("start"), ftDate, 0},           {QStringLiteral("end"), ftDate, 0},
            {QStringLiteral("countdown"), ftSmallint, 0},   {QStringLiteral("description"), ftString, 30},
            {QStringLiteral("homephone"), ftString, 14},    {QStringLiteral("subcatdesc"), ftString, 20},
            {QStringLiteral("pymtrate"), ftCurrency, 0}};
}

bool Admits(const TEnrolment& e, const TPerson& person, int option, const QList<int>& activities, int member)
{
    const bool active = e.End.isValid() ? e.End > Today : e.Countdown > 0;
    bool admitted = false;
    switch (option) {
    case 0: admitted = active; break;
    case 1: admitted = active && e.Start >= RangeStart && e.Start <= RangeEnd; break;
    case 2: admitted = e.End.isValid() && e.End >= RangeStart && e.End <= RangeEnd; break;
    case 3: admitted = e.Countdown < 0; break;
    case 4: admitted = e.Countdown == 0 && e.CountRequired; break;
    case 5: admitted = e.Countdown == 1; break;
    case 6: admitted = e.Countdown == 1 || e.Countdown == 2; break;
    default: admitted = true; break;
    }
    if (!activities.isEmpty() && !activities.contains(e.Activity))
        admitted = false;
    if (member == 1 && person.MemberNo <= 0)
        admitted = false;
    if (member == 2 && person.MemberNo != 0)
        admitted = false;
    return admitted;
}

const TPerson& PersonOf(int leadNo)
{
    return *std::find_if(std::begin(People), std::end(People), [&](const TPerson& p) { return p.LeadNo == leadNo; });
}

QString RowText(const QString& description, const QString& fullName, const QDate& start, const QDate& end, int countdown,
                const QString& subcat, int memberNo, const QString& phone, double rate)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
        .arg(description, fullName, start.toString(Qt::ISODate), end.isValid() ? end.toString(Qt::ISODate) : QStringLiteral("null"))
        .arg(countdown)
        .arg(subcat)
        .arg(memberNo)
        .arg(phone)
        .arg(rate, 0, 'f', 2);
}

// The rows the conditions admit, in the report's order.
QStringList ExpectedRows(int option, const QList<int>& activities, int member)
{
    struct TRow
    {
        QString Description, FullName;
        QDate End;
        QString Text;
    };
    QList<TRow> rows;
    for (const TEnrolment& e : Enrolments()) {
        const TPerson& p = PersonOf(e.Lead);
        if (!Admits(e, p, option, activities, member))
            continue;
        const QString fullName = QString::fromLatin1(p.LastName) + QStringLiteral(", ") + QString::fromLatin1(p.FirstName);
        const QString subcat = p.SubCategory == 1 ? QStringLiteral("Adult") : QStringLiteral("Senior");
        rows.append({ActivityName(e.Activity), fullName, e.End,
                     RowText(ActivityName(e.Activity), fullName, e.Start, e.End, e.Countdown, subcat, p.MemberNo,
                             QString::fromLatin1(p.Phone), e.Rate)});
    }
    std::sort(rows.begin(), rows.end(), [&](const TRow& a, const TRow& b) {
        if (a.Description != b.Description)
            return a.Description < b.Description;
        if (option == 2 && a.End != b.End)
            return a.End < b.End;
        return a.FullName < b.FullName;
    });
    QStringList texts;
    for (const TRow& row : rows)
        texts.append(row.Text);
    return texts;
}

QStringList ReadRows(TQuery& query)
{
    QStringList rows;
    for (query.First(); !query.Eof(); query.Next()) {
        rows.append(RowText(query.FieldAsString(QStringLiteral("description")), query.FieldAsString(QStringLiteral("fullname")),
                            query.FieldValue(QStringLiteral("start")).toDate(), query.FieldValue(QStringLiteral("end")).toDate(),
                            query.FieldAsInteger(QStringLiteral("countdown")), query.FieldAsString(QStringLiteral("subcatdesc")),
                            query.FieldAsInteger(QStringLiteral("memberno")), query.FieldAsString(QStringLiteral("homephone")),
                            query.FieldValue(QStringLiteral("pymtrate")).toDouble()));
    }
    return rows;
}

QList<int> ParseIds(const QString& ids)
{
    QList<int> list;
    for (const QString& id : ids.split(QLatin1Char(','), Qt::SkipEmptyParts))
        list.append(id.toInt());
    return list;
}

class TClubStatements : public TClubFixture
{
protected:
    void SetUp() override
    {
        TClubFixture::SetUp();
        Exec(QStringLiteral("insert into subcat values (1, 'Adult'), (2, 'Senior')"));
        Exec(QStringLiteral("insert into ckacts values (3, 'Karate'), (5, 'Yoga'), (7, 'Pilates')"));
        for (const TPerson& p : People) {
            Exec(QStringLiteral("insert into lead values (%1, %2, '%3', '%4', '%5', %6)")
                     .arg(p.LeadNo)
                     .arg(p.MemberNo)
                     .arg(QString::fromLatin1(p.LastName), QString::fromLatin1(p.FirstName), QString::fromLatin1(p.Phone))
                     .arg(p.SubCategory));
        }
        for (const TEnrolment& e : Enrolments()) {
            Exec(QStringLiteral("insert into ckprof values (%1, %2, '%3', %4, %5, %6, %7)")
                     .arg(e.Lead)
                     .arg(e.Activity)
                     .arg(e.Start.toString(Qt::ISODate))
                     .arg(e.End.isValid() ? QLatin1Char('\'') + e.End.toString(Qt::ISODate) + QLatin1Char('\'') : QStringLiteral("null"))
                     .arg(e.Countdown)
                     .arg(e.Rate)
                     .arg(e.CountRequired ? 1 : 0));
        }
    }
};
} // namespace

TEST_F(TClubStatements, ExampleReturnsActiveMembersOfTheCheckedActivities)
{
    // Option 0, activities 3 and 5, "Members Only", run on 15 March 2010.
    TQuery query;
    query.SQL() << QStringLiteral("select memberno,lastname+', '+firstname as fullname,start,p.'end',countdown,description,homephone,s.description as subcatdesc,pymtrate from lead l")
                << QStringLiteral("join ckprof p on p.leadid = l.leadno") << QStringLiteral("join ckacts a on a.id = p.activityid")
                << QStringLiteral("join subcat s on s.id = l.subcategory") << QStringLiteral("where (p.'end' > '03/15/2010' or")
                << QStringLiteral("(p.'end' is null and countdown > 0))") << QStringLiteral("and activityid in (3,5)")
                << QStringLiteral("and l.memberno > 0") << QStringLiteral("order by description, FullName");
    query.SetFieldDefs(ReportFields());
    query.Open();
    QStringList got;
    for (; !query.Eof(); query.Next())
        got << query.FieldAsString(QStringLiteral("description")) + QStringLiteral(" / ") + query.FieldAsString(QStringLiteral("fullname"));
    EXPECT_EQ(got, QStringList({QStringLiteral("Karate / Adams, Amy"), QStringLiteral("Karate / Davis, Dan"),
                                QStringLiteral("Karate / Evans, Eve"), QStringLiteral("Yoga / Adams, Amy"),
                                QStringLiteral("Yoga / Baker, Bob")}));
}

TEST_F(TClubStatements, ReportFieldsDeliverTheirTypes)
{
    TQuery query;
    query.SQL() = ReportStatement(7, QStringLiteral("3"), 0, {}, {});
    query.SetFieldDefs(ReportFields());
    query.Open();
    ASSERT_FALSE(query.Eof());
    EXPECT_EQ(query.FieldValue(QStringLiteral("MemberNo")).typeId(), QMetaType::Int);
    EXPECT_EQ(query.FieldValue(QStringLiteral("start")).typeId(), QMetaType::QDate);
    EXPECT_EQ(query.FieldValue(QStringLiteral("countdown")).typeId(), QMetaType::Int);
    EXPECT_EQ(query.FieldValue(QStringLiteral("pymtrate")).typeId(), QMetaType::Double);
    EXPECT_EQ(query.FieldValue(QStringLiteral("fullname")).typeId(), QMetaType::QString);
    // Adams, Amy in Karate has an end date; Davis, Dan (third row) has none
    EXPECT_EQ(query.FieldValue(QStringLiteral("end")).toDate(), QDate(2010, 6, 30));
    query.Next();
    query.Next();
    EXPECT_EQ(query.FieldAsString(QStringLiteral("fullname")), QStringLiteral("Davis, Dan"));
    EXPECT_TRUE(query.FieldIsNull(QStringLiteral("end")));
    EXPECT_EQ(query.Fields().size(), 9);
}

struct TStatementCase
{
    int Option;
    QString ActivityIds;
    int Member; // -1: no item chosen
    QString SDate;
    QString EDate;
};

class TReportStatement : public TClubStatements, public ::testing::WithParamInterface<TStatementCase>
{
};

TEST_P(TReportStatement, ReturnsExactlyTheAdmittedRowsInReportOrder)
{
    const TStatementCase& c = GetParam();
    TQuery query;
    query.SQL() = ReportStatement(c.Option, c.ActivityIds, c.Member, c.SDate, c.EDate);
    query.SetFieldDefs(ReportFields());
    query.Open();
    EXPECT_EQ(ReadRows(query), ExpectedRows(c.Option, ParseIds(c.ActivityIds), c.Member)) << qPrintable(query.SQL().join(QLatin1Char('\n')));
}

namespace {
std::vector<TStatementCase> StatementCases()
{
    std::vector<TStatementCase> cases;
    const QStringList activityLists = {QString(), QStringLiteral("3,5"), QStringLiteral("7")};
    for (int option = 0; option < 8; ++option) {
        for (const QString& ids : activityLists) {
            for (int member = -1; member <= 2; ++member) {
                // the range as set at start ("mm/dd/yyyy") and as set by a preset ("M/d/yyyy")
                const bool padded = member % 2 == 0;
                cases.push_back({option, ids, member, padded ? QStringLiteral("03/01/2010") : QStringLiteral("3/1/2010"),
                                 padded ? QStringLiteral("03/31/2010") : QStringLiteral("3/31/2010")});
            }
        }
    }
    return cases;
}

std::string StatementCaseName(const ::testing::TestParamInfo<TStatementCase>& info)
{
    const TStatementCase& c = info.param;
    QString ids = c.ActivityIds.isEmpty() ? QStringLiteral("AllActivities") : QStringLiteral("Activities") + c.ActivityIds;
    ids.remove(QLatin1Char(','));
    static const char* const members[] = {"NoMemberChoice", "All", "MembersOnly", "GuestsOnly"};
    return QStringLiteral("Option%1_%2_%3").arg(c.Option).arg(ids, QString::fromLatin1(members[c.Member + 1])).toStdString();
}
} // namespace

INSTANTIATE_TEST_SUITE_P(AllOptions, TReportStatement, ::testing::ValuesIn(StatementCases()), StatementCaseName);

namespace {
QList<int> ExpectedMembers(int option, const QString& ids, int member)
{
    QList<int> leads;
    for (const TEnrolment& e : Enrolments()) {
        if (Admits(e, PersonOf(e.Lead), option, ParseIds(ids), member) && !leads.contains(e.Lead))
            leads.append(e.Lead);
    }
    std::sort(leads.begin(), leads.end());
    return leads;
}
} // namespace

TEST_F(TClubStatements, CreateGroupStoresEachAdmittedPersonOnce)
{
    const QDateTime now(QDate(2010, 3, 15), QTime(14, 30, 5, 250));
    struct TRow
    {
        int Option;
        QString Ids;
        int Member;
    } rows[] = {
        {0, QStringLiteral("3,5"), 1}, {7, QString(), -1}, {1, QString(), 0}, {2, QStringLiteral("3,7"), 2},
        {4, QString(), 0},             {6, QStringLiteral("5"), 1},
        {3, QStringLiteral("5"), 2}, // finds nobody: the group row is still made
    };
    int expectedId = 0;
    for (const TRow& row : rows) {
        SCOPED_TRACE(QStringLiteral("option %1, activities '%2', member %3").arg(row.Option).arg(row.Ids).arg(row.Member).toStdString());
        const int id = CreateGroup(QStringLiteral("Spring mailing"), now, row.Option, row.Ids, row.Member);
        EXPECT_EQ(id, ++expectedId); // the same name makes a new group every time
        QList<int> members;
        for (const QVariantList& r : Rows(QStringLiteral("select leadid from grpdata where groupid = %1 order by leadid").arg(id)))
            members.append(r.at(0).toInt());
        EXPECT_EQ(members, ExpectedMembers(row.Option, row.Ids, row.Member));
    }
    const QList<QVariantList> groups = Rows(QStringLiteral("select id, groupname, \"TimeStamp\" from groups order by id"));
    ASSERT_EQ(groups.size(), int(std::size(rows)));
    EXPECT_EQ(groups.at(0).at(1).toString(), QStringLiteral("Spring mailing"));
    EXPECT_EQ(groups.at(0).at(2).toString(), QStringLiteral("2010-03-15 14:30:05.250"));
}

TEST_F(TClubStatements, CreateGroupAcceptsAnEmptyName)
{
    const int id = CreateGroup(QString(), QDateTime(QDate(2010, 3, 15), QTime(9, 0)), 0, QStringLiteral("3,5"), 1);
    EXPECT_EQ(Rows(QStringLiteral("select groupname from groups where id = %1").arg(id)).at(0).at(0).toString(), QString());
    // Amy is in both Karate and Yoga but becomes one member
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from grpdata where groupid = %1 and leadid = 1").arg(id)).at(0).at(0).toInt(), 1);
}
