#include "TActivityReport.h"

#include "DateTime.h"
#include "TBandedReport.h"
#include "TQueryDataSet.h"
#include "TTransaction.h"
#include "TbrmIniFile.h"

#include <QDate>
#include <QDateTime>
#include <iterator>

namespace {

const QString ReportFieldSource = QStringLiteral("Query.description");

// The result fields the report is bound to; the statement must deliver each with this type and size.
QList<TFieldDef> ReportFields()
{
    return {{QStringLiteral("memberno"), ftInteger, 0},    {QStringLiteral("fullname"), ftString, 37},
            {QStringLiteral("start"), ftDate, 0},          {QStringLiteral("end"), ftDate, 0},
            {QStringLiteral("countdown"), ftSmallint, 0},  {QStringLiteral("description"), ftString, 30},
            {QStringLiteral("homephone"), ftString, 14},   {QStringLiteral("subcatdesc"), ftString, 20},
            {QStringLiteral("pymtrate"), ftCurrency, 0}};
}

// Empty when no configuration file sets it.
QString ClubName()
{
    return SuiteIniExists() ? SuiteIni().ReadValue(QStringLiteral("General"), QStringLiteral("ClubName")) : QString();
}

TFont ArialFont(int size, bool bold = false)
{
    TFont font;
    font.Name = QStringLiteral("Arial");
    font.Size = size;
    font.Bold = bold;
    return font;
}

// The period's ends, for the statements that compare with them.
void BindPeriod(TQuery& query, const TActivitySelection& selection)
{
    if (!UsesPeriod(selection))
        return;
    query.SetParam(PeriodFromParam(), ToQDate(selection.From));
    query.SetParam(PeriodToParam(), ToQDate(selection.To));
}

} // namespace

TActivityReport::TActivityReport() : Query(QStringLiteral("Brelmdata")), Query2(QStringLiteral("Brelmdata"))
{
    Query.SetFieldDefs(ReportFields());
    CreateReport();
}

TActivityReport::~TActivityReport() = default;

void TActivityReport::CreateReport()
{
    QuickRep = std::make_unique<TBandedReport>();
    QuickRep->setObjectName(QStringLiteral("QuickRep"));
    m_reportData = std::make_unique<TQueryDataSet>(Query);
    QuickRep->SetDataSet(m_reportData.get());
    QuickRep->BeforePrint = [this](TBandedReport&, bool& printReport) { QuickRepBeforePrint(printReport); };

    TBand* title = QuickRep->AddBand(btTitle, QStringLiteral("QRBand1"), 105);
    lblTitle = title->AddLabel(QStringLiteral("lblTitle"), 313, 8, QStringLiteral("lblTitle"), ArialFont(14, true),
                               taCenter, true, 41);
    title->AddLabel(QStringLiteral("QRLabel6"), 264, 32, QStringLiteral("Activity Report"), ArialFont(14, true),
                    taLeftJustify);
    lblDate = title->AddLabel(QStringLiteral("lblDate"), 318, 58, QStringLiteral("lblDate"), ArialFont(12),
                              taCenter, true, 30);
    title->AddLabel(QStringLiteral("QRLabel9"), 595, 6, QStringLiteral("Page"), ArialFont(10), taRightJustify);
    title->AddSysData(QStringLiteral("QRSysData3"), 632, 6, sdPageNumber, ArialFont(10), taLeftJustify);
    title->AddLabel(QStringLiteral("QRLabel11"), 584, 27, QStringLiteral("Printed"), ArialFont(10), taLeftJustify);
    title->AddSysData(QStringLiteral("QRSysData1"), 632, 27, sdDate, ArialFont(10), taLeftJustify);
    title->BeforePrint = [this](TBand&, bool& printBand) { QRBand1BeforePrint(printBand); };

    TBand* header = QuickRep->AddBand(btColumnHeader, QStringLiteral("QRBand5"), 40);
    const struct {
        const char* name;
        const char* caption;
        int left;
    } headings[] = {{"QRLabel1", "Member#", 16},     {"QRLabel2", "HomePhone", 80}, {"QRLabel3", "Sub Category", 176},
                    {"QRLabel4", "Name", 280},       {"QRLabel5", "Start", 416},    {"QRLabel7", "End", 504},
                    {"QRLabel8", "Count Down", 576}, {"QRLabel10", "Pymt Rate", 654}};
    for (const auto& heading : headings)
        header->AddLabel(QString::fromLatin1(heading.name), heading.left, 13, QString::fromLatin1(heading.caption),
                         ArialFont(8, true), taLeftJustify);
    header->AddLine(QStringLiteral("QRShape1"), 16, 30, 696, 2);

    TBand* group = QuickRep->AddBand(btGroupHeader, QStringLiteral("QRGroup1"), 41);
    group->SetExpression(ReportFieldSource);
    group->SetReprintOnNewPage(false);
    group->AddDataField(QStringLiteral("Description"), 17, 12, QStringLiteral("description"), ArialFont(12, true),
                        taLeftJustify);
    group->AddLine(QStringLiteral("QRShape2"), 19, 30, 693, 1);

    TBand* detail = QuickRep->AddBand(btDetail, QStringLiteral("QRBand2"), 23);
    const struct {
        const char* name;
        const char* field;
        int left;
        int top;
        TAlignment alignment;
        int designWidth;
        TCellKind kind; // in the row exports
    } fields[] = {{"QRDBText1", "MemberNo", 16, 3, taLeftJustify, 0, ckInteger},
                  {"QRDBText2", "HomePhone", 80, 3, taLeftJustify, 0, ckText},
                  {"QRDBText3", "SubCatDesc", 176, 3, taLeftJustify, 0, ckText},
                  {"QRDBText4", "FullName", 280, 3, taLeftJustify, 0, ckText},
                  {"QRDBText5", "Start", 416, 3, taLeftJustify, 0, ckDate},
                  {"QRDBText6", "End", 504, 3, taLeftJustify, 0, ckDate},
                  {"QRDBText7", "Countdown", 576, 3, taCenter, 57, ckInteger},
                  {"QRDBText8", "Pymtrate", 654, 3, taCenter, 43, ckCurrency}};
    static_assert(std::size(fields) == std::size(headings), "each detail field sits under its heading");
    for (const auto& field : fields)
        detail->AddDataField(QString::fromLatin1(field.name), field.left, field.top, QString::fromLatin1(field.field),
                             ArialFont(8), field.alignment, field.designWidth);
    detail->BeforePrint = [this](TBand&, bool& printBand) { QRBand2BeforePrint(printBand); };

    TBand* footer = QuickRep->AddBand(btGroupFooter, QStringLiteral("QRBand3"), 24);
    lblCount = footer->AddLabel(QStringLiteral("lblCount"), 18, 4, QStringLiteral("lblCount"), ArialFont(10),
                                taLeftJustify);
    footer->BeforePrint = [this](TBand&, bool& printBand) { QRBand3BeforePrint(printBand); };
    group->SetFooterBand(footer);

    TBand* summary = QuickRep->AddBand(btSummary, QStringLiteral("QRBand4"), 40);
    lbltotcnt = summary->AddLabel(QStringLiteral("lbltotcnt"), 16, 16, QStringLiteral("lbltotcnt"),
                                  ArialFont(10, true), taLeftJustify);
    summary->BeforePrint = [this](TBand&, bool& printBand) { QRBand4BeforePrint(printBand); };

    // The same rows for spreadsheets: the activity first, then the detail fields in the report's order,
    // and the counts the group footers and the summary print.
    TRowExportLayout& rows = QuickRep->RowExport;
    rows.SheetName = QStringLiteral("Activity Report");
    rows.Columns = {{QStringLiteral("Activity"), QStringLiteral("description"), ckText}};
    for (size_t i = 0; i < std::size(fields); ++i) {
        rows.Columns.append({QString::fromLatin1(headings[i].caption), QString::fromLatin1(fields[i].field),
                             fields[i].kind});
    }
    rows.CountsSheetName = QStringLiteral("Counts");
    rows.GroupHeading = QStringLiteral("Activity");
    rows.CountHeading = QStringLiteral("Member Count");
    rows.TotalLabel = QStringLiteral("Total Member Count");
    rows.Title = QStringLiteral("Activity Report");
    rows.Company = [] { return ClubName(); };
}

void TActivityReport::Open(const TActivitySelection& selection)
{
    // A preview still laying out its pages reads Query; let it finish before the query is rebuilt.
    QuickRep->FinishPendingLayout();
    Query.Close();
    Query.SQL().clear();
    Query.SQL() << ActivityReportStatement(selection, Date());
    BindPeriod(Query, selection);
    Query.Open();
}

void TActivityReport::CreateGroup(const TActivitySelection& selection, const QString& groupName)
{
    // The three steps stand or fall together, and no other program's group can slip in between the
    // insert and the read of the newest id.
    TTransaction transaction(QStringLiteral("Brelmdata"), {QStringLiteral("groups")});

    Query2.Close();
    Query2.SQL().clear();
    Query2.SQL() << GroupInsertStatement();
    Query2.Prepare();
    Query2.SetParam(QStringLiteral("pgroupname"), groupName);
    Query2.SetParam(QStringLiteral("pTimeStamp"), ToQDateTime(Now()));
    Query2.ExecSQL();

    Query2.Close();
    Query2.SQL().clear();
    Query2.SQL() << NewestGroupStatement();
    Query2.Open();
    const qint32 groupId = Query2.FieldAsInteger(QStringLiteral("mid"));

    Query2.Close();
    Query2.SQL().clear();
    Query2.SQL() << GroupMembersStatement(selection, Date(), groupId);
    BindPeriod(Query2, selection);
    Query2.ExecSQL();

    transaction.Commit();
}

void TActivityReport::QuickRepBeforePrint(bool&)
{
    GroupCount = 0;
    TotalCount = 0;
}

void TActivityReport::QRBand1BeforePrint(bool&)
{
    lblDate->SetCaption(FormatDateTime(QStringLiteral("mmmm d, yyyy"), Date()));
    lblTitle->SetCaption(ClubName());
}

void TActivityReport::QRBand2BeforePrint(bool&)
{
    ++GroupCount;
    ++TotalCount;
}

void TActivityReport::QRBand3BeforePrint(bool&)
{
    lblCount->SetCaption(QStringLiteral("Member Count  ") + QString::number(GroupCount));
    GroupCount = 0;
}

void TActivityReport::QRBand4BeforePrint(bool&)
{
    lbltotcnt->SetCaption(QStringLiteral("Total Member Count = ") + QString::number(TotalCount));
}
