#pragma once
// A report shaped like the activity report (title, column header, one group with its footer,
// detail, summary) over an in-memory data set, with counters kept by the band handlers.
#include "TBandedReport.h"
#include "TMemoryDataSet.h"
#include "TReportDocument.h"

#include <QDate>
#include <QFile>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '[' << list.join(QStringLiteral(" | ")).toStdString() << ']';
}

inline TFont ArialFont(int size, bool bold = false)
{
    TFont font;
    font.Size = size;
    font.Bold = bold;
    return font;
}

struct TActivityFixture
{
    TMemoryDataSet Data;
    TBandedReport Report;
    TBand* Title = nullptr;
    TBand* ColumnHeader = nullptr;
    TBand* GroupHeader = nullptr;
    TBand* Detail = nullptr;
    TBand* Footer = nullptr;
    TBand* Summary = nullptr;
    TLabelElement* Count = nullptr;
    TLabelElement* Total = nullptr;
    int GroupCount = 0;
    int TotalCount = 0;
    QStringList Log; // band names in printing order

    TActivityFixture()
    {
        Data.AddField(QStringLiteral("description"), ftString);
        Data.AddField(QStringLiteral("MemberNo"), ftInteger);
        Data.AddField(QStringLiteral("FullName"), ftString);
        Data.AddField(QStringLiteral("Start"), ftDate);
        Data.AddField(QStringLiteral("Pymtrate"), ftCurrency);
        Report.SetDataSet(&Data);
        Report.BeforePrint = [this](TBandedReport&, bool&) {
            GroupCount = 0;
            TotalCount = 0;
            Log.clear();
        };
        Title = Report.AddBand(btTitle, QStringLiteral("QRBand1"), 105);
        Title->AddLabel(QStringLiteral("QRLabel6"), 264, 32, QStringLiteral("Activity Report"), ArialFont(14, true));
        Title->AddSysData(QStringLiteral("QRSysData3"), 632, 6, sdPageNumber, ArialFont(10));
        ColumnHeader = Report.AddBand(btColumnHeader, QStringLiteral("QRBand5"), 40);
        ColumnHeader->AddLabel(QStringLiteral("QRLabel1"), 16, 13, QStringLiteral("Member#"), ArialFont(8, true));
        ColumnHeader->AddLine(QStringLiteral("QRShape1"), 16, 30, 696, 2);
        GroupHeader = Report.AddBand(btGroupHeader, QStringLiteral("QRGroup1"), 41);
        GroupHeader->SetExpression(QStringLiteral("Query.description"));
        GroupHeader->AddDataField(QStringLiteral("Description"), 17, 12, QStringLiteral("description"),
                                  ArialFont(12, true));
        Detail = Report.AddBand(btDetail, QStringLiteral("QRBand2"), 23);
        Detail->AddDataField(QStringLiteral("MemberNo"), 16, 3, QStringLiteral("memberno"), ArialFont(8));
        Detail->AddDataField(QStringLiteral("FullName"), 280, 3, QStringLiteral("FullName"), ArialFont(8));
        Footer = Report.AddBand(btGroupFooter, QStringLiteral("QRBand3"), 24);
        Count = Footer->AddLabel(QStringLiteral("lblCount"), 18, 4, QStringLiteral("lblCount"), ArialFont(10));
        GroupHeader->SetFooterBand(Footer);
        Summary = Report.AddBand(btSummary, QStringLiteral("QRBand4"), 40);
        Total = Summary->AddLabel(QStringLiteral("lbltotcnt"), 16, 16, QStringLiteral("lbltotcnt"), ArialFont(10, true));

        for (TBand* band : {Title, ColumnHeader, GroupHeader, Detail, Footer, Summary})
            band->BeforePrint = [this](TBand& b, bool&) { Log.append(b.Name()); };
        Detail->BeforePrint = [this](TBand& b, bool&) {
            ++GroupCount;
            ++TotalCount;
            Log.append(b.Name());
        };
        Footer->BeforePrint = [this](TBand& b, bool&) {
            Count->SetCaption(QStringLiteral("Member Count  ") + QString::number(GroupCount));
            GroupCount = 0;
            Log.append(b.Name());
        };
        Summary->BeforePrint = [this](TBand& b, bool&) {
            Total->SetCaption(QStringLiteral("Total Member Count = ") + QString::number(TotalCount));
            Log.append(b.Name());
        };
    }

    // rows per group, named "Activity 1", "Activity 2", …; member numbers count from 1 across groups.
    void AddGroups(const QList<int>& rowsPerGroup)
    {
        int member = 0;
        for (int g = 0; g < rowsPerGroup.size(); ++g)
            for (int r = 0; r < rowsPerGroup[g]; ++r) {
                ++member;
                Data.AddRow({QStringLiteral("Activity %1").arg(g + 1), member,
                             QStringLiteral("Member %1").arg(member), QDate(2024, 1, 1 + r % 28), 12.5});
            }
    }
};

inline QStringList PageTexts(const TReportDocument& document, int page)
{
    QStringList texts;
    const TReportPage& p = document.Page(page);
    for (const TPageElement& e : p.Elements())
        if (e.Kind == pkText)
            texts.append(p.Text(e));
    return texts;
}
