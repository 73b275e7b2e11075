// The activity report generated from the criteria window over data made by the test: band order,
// pagination and counters read from the laid-out pages, and Create Group's rows read back from the
// database. Every test runs on a SQLite club and on a club on the test server, expecting the same.
#include "TAppClub.h"

#include "CreateForm.h"
#include "TBandedReport.h"
#include "TDemoDatabase.h"
#include "TRadioGroup.h"
#include "TReportDocument.h"
#include "TSession.h"
#include "TTestServer.h"
#include "TbrmIniFile.h"
#include "TActivityReport.h"
#include "TfrmActivityRep.h"

#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <gtest/gtest.h>
#include <optional>

namespace {

QStringList PageTexts(const TReportDocument& document, int page)
{
    QStringList texts;
    const TReportPage& p = document.Page(page);
    for (const TPageElement& element : p.Elements()) {
        if (element.Kind == pkText)
            texts << p.Text(element);
    }
    return texts;
}

QStringList AllTexts(const TReportDocument& document)
{
    QStringList texts;
    for (int i = 0; i < document.PageCount(); ++i)
        texts << PageTexts(document, i);
    return texts;
}

// Group headers, group footers and the summary, in printing order.
QStringList Structure(const TReportDocument& document, const QStringList& activities)
{
    QStringList marks;
    for (const QString& text : AllTexts(document)) {
        if (activities.contains(text) || text.startsWith(QLatin1String("Member Count"))
            || text.startsWith(QLatin1String("Total Member Count")))
            marks << text;
    }
    return marks;
}

int PageOf(const TReportDocument& document, const QString& text)
{
    for (int i = 0; i < document.PageCount(); ++i) {
        if (PageTexts(document, i).contains(text))
            return i;
    }
    return -1;
}

// The club on the engine of the test's parameter, with the activities Karate (3) and Yoga (5); the
// server's run skips when there is no server.
class TClubOnEngine : public ::testing::TestWithParam<TSqlEngine>
{
protected:
    void SetUp() override
    {
        if (GetParam() == sePostgres)
            SKIP_WITHOUT_TEST_SERVER();
        Club.emplace(GetParam());
        ASSERT_EQ(TSqlSchema::EngineOf(TSession::Instance().Database(QStringLiteral("Brelmdata"))), GetParam());
        Club->AddActivity(3, QStringLiteral("Karate"));
        Club->AddActivity(5, QStringLiteral("Yoga"));
    }

    std::optional<TAppClub> Club;
    std::unique_ptr<TfrmActivityRep> Window; // declared after Club: closed before the club goes
};

class ActivityReport : public TClubOnEngine
{
protected:
    // `karate` people in Karate from lead 1 on, `yoga` people in Yoga ending with the last of them, so
    // `karate + yoga - people` are enrolled in both.
    void Enrol(int karate, int yoga, int people)
    {
        for (int lead = 1; lead <= people; ++lead)
            Club->AddPerson(lead, 100 + lead, QStringLiteral("Name%1").arg(lead, 3, 10, QLatin1Char('0')),
                            QStringLiteral("First"));
        for (int lead = 1; lead <= karate; ++lead)
            Club->Enrol(lead, 3, QDate(2010, 1, 4));
        for (int lead = people - yoga + 1; lead <= people; ++lead)
            Club->Enrol(lead, 5, QDate(2010, 2, 1));
    }

    std::unique_ptr<TReportDocument> Generate()
    {
        Window = CreateForm<TfrmActivityRep>();
        Window->FormShow();
        Window->OpenReportQuery();
        return Window->Report().Generate();
    }
};

const QStringList ColumnHeadings = {QStringLiteral("Member#"), QStringLiteral("HomePhone"),
                                    QStringLiteral("Sub Category"), QStringLiteral("Name"),
                                    QStringLiteral("Start"), QStringLiteral("End"),
                                    QStringLiteral("Count Down"), QStringLiteral("Pymt Rate")};

} // namespace

TEST_P(ActivityReport, OpenReportQueryListsTheCheckedActivitiesAndOpensTheQuery)
{
    Enrol(2, 2, 3);
    Window = CreateForm<TfrmActivityRep>();
    Window->FormShow();
    Window->CheckList->item(1)->setCheckState(Qt::Unchecked);
    Window->OpenReportQuery();
    EXPECT_EQ(Window->ActivityIds, QStringLiteral("3"));
    EXPECT_TRUE(Window->ReportQuery().Active());
    EXPECT_TRUE(Window->ReportQuery().SQL().contains(QStringLiteral("and activityid in (3)")));

    Window->btnUnSelectAll->click();
    Window->OpenReportQuery();
    EXPECT_EQ(Window->ActivityIds, QString());
}

TEST_P(ActivityReport, PaginatesGroupsAcrossPagesAndCountsEachEnrolment)
{
    // 50 in Karate, 36 in Yoga, 6 of them in both: three pages.
    Enrol(50, 36, 80);
    const auto document = Generate();
    ASSERT_EQ(document->PageCount(), 3);

    for (int page = 0; page < document->PageCount(); ++page) {
        SCOPED_TRACE(page);
        const QStringList texts = PageTexts(*document, page);
        EXPECT_EQ(texts.contains(QStringLiteral("Activity Report")), page == 0);
        const qsizetype header = texts.indexOf(ColumnHeadings.first());
        EXPECT_EQ(texts.mid(header, ColumnHeadings.size()), ColumnHeadings);
        // Below the title on the first page, at the top of every other.
        EXPECT_EQ(header == 0, page != 0);
        EXPECT_LT(texts.indexOf(QStringLiteral("Activity Report")), header);
    }
    // Each group header once (not repeated on a new page), each footer after its last row.
    EXPECT_EQ(Structure(*document, {QStringLiteral("Karate"), QStringLiteral("Yoga")}),
              (QStringList{QStringLiteral("Karate"), QStringLiteral("Member Count  50"), QStringLiteral("Yoga"),
                           QStringLiteral("Member Count  36"), QStringLiteral("Total Member Count = 86")}));
    EXPECT_EQ(PageOf(*document, QStringLiteral("Member Count  50")), 1);
    EXPECT_EQ(PageOf(*document, QStringLiteral("Member Count  36")), 2);
    EXPECT_EQ(Window->ActivityReport().TotalCount, 86);

    // A second generation starts the counters afresh.
    const auto again = Window->Report().Generate();
    EXPECT_EQ(AllTexts(*again).last(), QStringLiteral("Total Member Count = 86"));
}

TEST_P(ActivityReport, MovesTheSummaryToANewPageWhenItDoesNotFit)
{
    // 31 rows leave room for the group footer on page 1 but not for the summary.
    Enrol(31, 0, 31);
    const auto document = Generate();
    ASSERT_EQ(document->PageCount(), 2);
    EXPECT_EQ(PageOf(*document, QStringLiteral("Member Count  31")), 0);
    EXPECT_EQ(PageTexts(*document, 1), ColumnHeadings + QStringList{QStringLiteral("Total Member Count = 31")});
}

TEST_P(ActivityReport, AnEmptyDataSetPrintsNoGroupsAndNoSummary)
{
    const auto document = Generate();
    EXPECT_LE(document->PageCount(), 1);
    EXPECT_TRUE(Structure(*document, {}).isEmpty());
    EXPECT_EQ(Window->ActivityReport().TotalCount, 0);
}

TEST_P(ActivityReport, TitleCarriesTheConfiguredClubNameAndTheDates)
{
    Enrol(1, 0, 1);
    SuiteIni();
    const auto document = Generate();
    const QStringList title = PageTexts(*document, 0).mid(0, 7);
    EXPECT_EQ(title, (QStringList{TAppClub::ClubName, QStringLiteral("Activity Report"),
                                  QStringLiteral("March 15, 2010"), QStringLiteral("Page"), QStringLiteral("1"),
                                  QStringLiteral("Printed"), QStringLiteral("3/15/2010")}));
    // The detail row: member number, phone, sub category, name, start, no end, countdown, rate.
    EXPECT_TRUE(PageTexts(*document, 0).contains(QStringLiteral("Name001, First")));
    EXPECT_TRUE(PageTexts(*document, 0).contains(QStringLiteral("1/4/2010")));
}

TEST_P(ActivityReport, MemberCountsOfTheDemoClubMatchADirectCount)
{
    // On the server the demo replaces the club's tables in the club's own database, so the club
    // drops it at the end; its connection is closed first.
    TSession::Instance().Reset();
    QTemporaryDir demo;
    TDemoOptions options;
    options.Folder = demo.path();
    options.Enrolments = 600;
    options.Today = TAppClub::Today;
    options.Server = Club->Server();
    TSession::Instance().SetAliasFile(CreateDemoDatabase(options));

    QMap<QString, QString> expected;
    for (const QVariantList& row : Club->Rows(QStringLiteral(
             "select a.description, count(*) from ckprof p join lead l on l.leadno = p.leadid "
             "join ckacts a on a.id = p.activityid join subcat s on s.id = l.subcategory "
             "where (p.\"end\" > '2010-03-15' or (p.\"end\" is null and countdown > 0)) group by a.description")))
        expected[row.at(0).toString()] = QStringLiteral("Member Count  ") + row.at(1).toString();
    ASSERT_GT(expected.size(), 1);

    const auto document = Generate();
    QMap<QString, QString> counted;
    const QStringList marks = Structure(*document, expected.keys());
    for (qsizetype i = 0; i + 1 < marks.size(); i += 2)
        counted[marks.at(i)] = marks.at(i + 1);
    EXPECT_EQ(counted, expected);
}

namespace {

class CreateGroup : public TClubOnEngine
{
protected:
    void SetUp() override
    {
        TClubOnEngine::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        Club->AddPerson(1, 101, QStringLiteral("Adams"), QStringLiteral("Amy"));
        Club->AddPerson(2, 102, QStringLiteral("Baker"), QStringLiteral("Bob"));
        Club->AddPerson(3, 0, QStringLiteral("Clark"), QStringLiteral("Cat"));
        Club->AddPerson(4, 104, QStringLiteral("Davis"), QStringLiteral("Dan"));
        Club->Enrol(1, 3, QDate(2010, 1, 4));
        Club->Enrol(1, 5, QDate(2010, 2, 1)); // in both activities
        Club->Enrol(2, 3, QDate(2010, 1, 4));
        Club->Enrol(3, 5, QDate(2010, 2, 1));
        Club->Enrol(4, 3, QDate(2009, 1, 4), -1); // used up: not active
        Window = CreateForm<TfrmActivityRep>();
        Window->FormShow();
    }

    void CreateNamed(const QString& name)
    {
        Club->Prompt.InputAnswers << TScriptedPrompt::TInputAnswer{true, name};
        Window->Button2->click();
    }

    QStringList Members(int groupId)
    {
        QStringList leads;
        for (const QVariantList& row :
             Club->Rows(QStringLiteral("select leadid from grpdata where groupid = %1 order by leadid").arg(groupId)))
            leads << row.at(0).toString();
        return leads;
    }
};

} // namespace

TEST_P(CreateGroup, StoresTheGroupAndEachPersonFoundOnce)
{
    CreateNamed(QStringLiteral("Spring"));
    ASSERT_EQ(Club->Prompt.InputCalls.size(), 1);
    EXPECT_EQ(Club->Prompt.InputCalls.first().Caption, QStringLiteral("Enter Group Name"));
    EXPECT_EQ(Club->Prompt.InputCalls.first().Prompt, QStringLiteral("Group Name"));
    EXPECT_EQ(Club->Prompt.InputCalls.first().Initial, QString());

    const QList<QVariantList> groups = Club->Rows(QStringLiteral("select id, groupname, \"timestamp\" from groups"));
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups.first().at(1).toString(), QStringLiteral("Spring"));
    EXPECT_TRUE(groups.first().at(2).toString().startsWith(QLatin1String("2010-03-15")));
    EXPECT_EQ(Members(groups.first().at(0).toInt()), (QStringList{QStringLiteral("1"), QStringLiteral("2"),
                                                                  QStringLiteral("3")}));
    EXPECT_TRUE(Club->Prompt.Errors.isEmpty());
    EXPECT_TRUE(Club->Prompt.Warnings.isEmpty());
}

TEST_P(CreateGroup, FollowsTheSelection)
{
    Window->rgMember->SetItemIndex(1); // members only
    Window->CheckList->item(0)->setCheckState(Qt::Unchecked);
    CreateNamed(QStringLiteral("Yoga members"));
    EXPECT_EQ(Members(Club->Count(QStringLiteral("select max(id) from groups"))), QStringList{QStringLiteral("1")});

    Window->btnUnSelectAll->click(); // nothing checked: every activity
    Window->rgMember->SetItemIndex(-1);
    CreateNamed(QStringLiteral("Everyone"));
    EXPECT_EQ(Members(Club->Count(QStringLiteral("select max(id) from groups"))).size(), 3);
}

TEST_P(CreateGroup, CancellingTheNameWritesNothing)
{
    Club->Prompt.InputAnswers << TScriptedPrompt::TInputAnswer{false, QStringLiteral("ignored")};
    Window->Button2->click();
    EXPECT_EQ(Club->Count(QStringLiteral("select count(*) from groups")), 0);
    EXPECT_EQ(Club->Count(QStringLiteral("select count(*) from grpdata")), 0);
}

TEST_P(CreateGroup, TheSameNameTwiceMakesTwoGroups)
{
    CreateNamed(QStringLiteral("Weekly"));
    CreateNamed(QStringLiteral("Weekly"));
    const QList<QVariantList> groups = Club->Rows(QStringLiteral("select id from groups where groupname = 'Weekly'"));
    ASSERT_EQ(groups.size(), 2);
    EXPECT_EQ(Members(groups.at(0).at(0).toInt()).size(), 3);
    EXPECT_EQ(Members(groups.at(1).at(0).toInt()).size(), 3);
}

TEST_P(CreateGroup, NobodyFoundStillCreatesTheGroupRow)
{
    Window->rgDateRange->SetItemIndex(5); // one session remaining: nobody
    CreateNamed(QString());
    EXPECT_EQ(Club->Count(QStringLiteral("select count(*) from groups where groupname = ''")), 1);
    EXPECT_EQ(Club->Count(QStringLiteral("select count(*) from grpdata")), 0);
}

TEST_P(CreateGroup, AFailureInTheLastStepLeavesNoGroup)
{
    Club->Exec(QStringLiteral("drop table grpdata"));
    CreateNamed(QStringLiteral("Lost"));
    EXPECT_EQ(Club->Prompt.Errors.size(), 1);
    EXPECT_EQ(Club->Count(QStringLiteral("select count(*) from groups")), 0);
}

INSTANTIATE_TEST_SUITE_P(Sqlite, ActivityReport, ::testing::Values(seSqlite));
INSTANTIATE_TEST_SUITE_P(Postgres, ActivityReport, ::testing::Values(sePostgres));
INSTANTIATE_TEST_SUITE_P(Sqlite, CreateGroup, ::testing::Values(seSqlite));
INSTANTIATE_TEST_SUITE_P(Postgres, CreateGroup, ::testing::Values(sePostgres));
