#include "ReportTestSupport.h"
#include "ReportUnits.h"
#include "TDataFieldElement.h"
#include "TTextMeasurer.h"

#include <QDateTime>
#include <gtest/gtest.h>

namespace {

int CountOf(const QStringList& list, const QString& text)
{
    return int(list.count(text));
}

const TPageElement* FindText(const TReportDocument& document, int page, const QString& text)
{
    const TReportPage& p = document.Page(page);
    for (const TPageElement& e : p.Elements())
        if (e.Kind == pkText && p.Text(e) == text)
            return &e;
    return nullptr;
}

class TGeneratorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetClock([] { return QDateTime(QDate(2024, 3, 5), QTime(10, 0)); });
    }
    void TearDown() override { SetClock({}); }
};

} // namespace

TEST_F(TGeneratorTest, PrintsBandsInOrderAcrossPageBreaks)
{
    TActivityFixture f;
    f.AddGroups({30, 40, 25});
    auto document = f.Report.Generate();
    ASSERT_TRUE(document);
    ASSERT_GE(document->PageCount(), 3);

    // Title only on page 1, column header on every page, below the title.
    EXPECT_TRUE(FindText(*document, 0, QStringLiteral("Activity Report")));
    for (int page = 0; page < document->PageCount(); ++page) {
        SCOPED_TRACE(page);
        const QStringList texts = PageTexts(*document, page);
        EXPECT_EQ(page == 0, texts.contains(QStringLiteral("Activity Report")));
        ASSERT_FALSE(texts.isEmpty());
        EXPECT_EQ(texts.first(), page == 0 ? QStringLiteral("Activity Report") : QStringLiteral("Member#"));
        EXPECT_EQ(CountOf(texts, QStringLiteral("Member#")), 1);
    }
    const TPageElement* header = FindText(*document, 0, QStringLiteral("Member#"));
    const TPageElement* title = FindText(*document, 0, QStringLiteral("Activity Report"));
    EXPECT_NEAR(header->Top, 127 + PixelsToTenths(105 + 13), 0.01);
    (void)title;

    // Each group's footer follows its last row, wherever the page breaks fell.
    QStringList all;
    for (int page = 0; page < document->PageCount(); ++page)
        all += PageTexts(*document, page);
    all.removeAll(QStringLiteral("Member#"));
    const qsizetype lastOfFirst = all.indexOf(QStringLiteral("Member 30"));
    EXPECT_EQ(all.indexOf(QStringLiteral("Member Count  30")), lastOfFirst + 1);
    EXPECT_EQ(all.indexOf(QStringLiteral("Member Count  40")), all.indexOf(QStringLiteral("Member 70")) + 1);
    EXPECT_EQ(all.indexOf(QStringLiteral("Member Count  25")), all.indexOf(QStringLiteral("Member 95")) + 1);
    EXPECT_EQ(all.last(), QStringLiteral("Total Member Count = 95"));
    EXPECT_EQ(CountOf(all, QStringLiteral("Activity 2")), 1); // the header is not reprinted on a new page

    EXPECT_EQ(f.Log.first(), QStringLiteral("QRBand1"));
    EXPECT_EQ(CountOf(f.Log, QStringLiteral("QRBand1")), 1);
    EXPECT_EQ(CountOf(f.Log, QStringLiteral("QRBand5")), document->PageCount());
    EXPECT_EQ(CountOf(f.Log, QStringLiteral("QRBand2")), 95);
    EXPECT_EQ(CountOf(f.Log, QStringLiteral("QRBand3")), 3);
    EXPECT_EQ(f.Log.last(), QStringLiteral("QRBand4"));
}

TEST_F(TGeneratorTest, PageNumbersCountFromOneAndPagesFillToTheBottomMargin)
{
    TActivityFixture f;
    f.AddGroups({200});
    auto document = f.Report.Generate();
    // Page 1: 960 px less title, column header and group header leaves 33 rows of 23 px; then 40 a page.
    EXPECT_EQ(PageTexts(*document, 0).count(QStringLiteral("Member 33")), 1);
    EXPECT_EQ(PageTexts(*document, 1).first(), QStringLiteral("Member#"));
    EXPECT_TRUE(PageTexts(*document, 1).contains(QStringLiteral("Member 34")));
    EXPECT_TRUE(PageTexts(*document, 1).contains(QStringLiteral("Member 73")));
    EXPECT_EQ(document->PageCount(), 6); // 33 + 4 * 40 + 7 rows
    EXPECT_TRUE(PageTexts(*document, 5).contains(QStringLiteral("Member Count  200")));
    EXPECT_TRUE(FindText(*document, 0, QStringLiteral("1")));
    for (int page = 0; page < document->PageCount(); ++page) {
        for (const TPageElement& e : document->Page(page).Elements()) {
            EXPECT_GE(e.Top, 127 - 0.01);
            EXPECT_LE(e.Top, 2794 - 127);
        }
    }
}

TEST_F(TGeneratorTest, MovesTheSummaryToANewPageWhenItDoesNotFit)
{
    // Page 1 holds 960 px: title, column header and group header take 186, 32 rows 736 and the footer
    // 24, which leaves 14 px, too little for the 40 px summary.
    TActivityFixture f;
    f.AddGroups({32});
    auto document = f.Report.Generate();
    ASSERT_EQ(document->PageCount(), 2);
    EXPECT_TRUE(PageTexts(*document, 0).contains(QStringLiteral("Member Count  32")));
    EXPECT_EQ(PageTexts(*document, 1),
              QStringList({QStringLiteral("Member#"), QStringLiteral("Total Member Count = 32")}));
}

TEST_F(TGeneratorTest, CountsARowInTwoGroupsInBoth)
{
    TActivityFixture f;
    f.Data.AddRow({QStringLiteral("Swim"), 7, QStringLiteral("Ann Lee"), QDate(2024, 1, 1), 10.0});
    f.Data.AddRow({QStringLiteral("Swim"), 8, QStringLiteral("Bo Chan"), QDate(2024, 1, 1), 10.0});
    f.Data.AddRow({QStringLiteral("Yoga"), 7, QStringLiteral("Ann Lee"), QDate(2024, 1, 1), 10.0});
    auto document = f.Report.Generate();
    const QStringList texts = PageTexts(*document, 0);
    EXPECT_EQ(texts.count(QStringLiteral("Ann Lee")), 2);
    EXPECT_TRUE(texts.contains(QStringLiteral("Member Count  2")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Member Count  1")));
    EXPECT_EQ(texts.last(), QStringLiteral("Total Member Count = 3"));

    // A second generation starts the counters afresh.
    auto again = f.Report.Generate();
    EXPECT_EQ(PageTexts(*again, 0).last(), QStringLiteral("Total Member Count = 3"));
}

TEST_F(TGeneratorTest, EmptyDataSetPrintsOnlyTitleAndColumnHeader)
{
    TActivityFixture f;
    auto document = f.Report.Generate();
    ASSERT_EQ(document->PageCount(), 1);
    EXPECT_EQ(f.Log, QStringList({QStringLiteral("QRBand1"), QStringLiteral("QRBand5")}));
    EXPECT_EQ(PageTexts(*document, 0),
              QStringList({QStringLiteral("Activity Report"), QStringLiteral("1"), QStringLiteral("Member#")}));
}

TEST_F(TGeneratorTest, BeforePrintFlagsSkipBandsAndTheReport)
{
    TActivityFixture f;
    f.AddGroups({3});
    f.Detail->BeforePrint = [](TBand&, bool& print) { print = false; };
    f.Footer->SetEnabled(false);
    bool seenFooterFlag = true;
    f.Footer->BeforePrint = [&](TBand&, bool& print) { seenFooterFlag = print; };
    auto document = f.Report.Generate();
    const QStringList texts = PageTexts(*document, 0);
    EXPECT_FALSE(texts.contains(QStringLiteral("Member 1")));
    EXPECT_FALSE(seenFooterFlag); // the flag enters as the band's Enabled
    EXPECT_FALSE(texts.contains(QStringLiteral("lblCount")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Activity 1")));

    f.Report.BeforePrint = [](TBandedReport&, bool& print) { print = false; };
    EXPECT_EQ(f.Report.Generate()->PageCount(), 0);
}

TEST(TDataFieldElement, DisplaysValuesByFieldType)
{
    SetShortDateFormat(QStringLiteral("M/d/yyyy"));
    struct TRow
    {
        const char* Name;
        QVariant Value;
        TFieldType Type;
        QString Expected;
    };
    const TRow rows[] = {
        {"integer", 1234, ftInteger, QStringLiteral("1234")},
        {"negative smallint", -7, ftSmallint, QStringLiteral("-7")},
        {"date", QDate(2024, 3, 5), ftDate, QStringLiteral("3/5/2024")},
        {"date-time at midnight", QDateTime(QDate(2024, 12, 31), QTime(0, 0)), ftDateTime,
         QStringLiteral("12/31/2024")},
        {"currency", 12.5, ftCurrency, QStringLiteral("$12.50")},
        {"text as stored", QStringLiteral("  O'Neil "), ftString, QStringLiteral("  O'Neil ")},
        {"null", QVariant(), ftInteger, QString()},
        {"null date", QVariant(QMetaType(QMetaType::QDate)), ftDate, QString()},
        {"untyped date", QDate(2000, 1, 2), ftUnknown, QStringLiteral("1/2/2000")},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(TDataFieldElement::DisplayText(row.Value, row.Type), row.Expected);
    }
}

TEST_F(TGeneratorTest, SelfSizingTextKeepsItsAnchorInTheDesignBox)
{
    TMemoryDataSet data;
    TBandedReport report;
    report.SetDataSet(&data);
    TBand* title = report.AddBand(btTitle, QStringLiteral("Title"), 105);
    const TFont font = ArialFont(14, true);
    TLabelElement* centred = title->AddLabel(QStringLiteral("lblTitle"), 313, 8, QStringLiteral("lblTitle"), font,
                                             taCenter, true, 41);
    TLabelElement* right = title->AddLabel(QStringLiteral("QRLabel9"), 595, 30, QStringLiteral("Page"), font,
                                           taRightJustify);
    TLabelElement* left = title->AddLabel(QStringLiteral("Left"), 100, 60, QStringLiteral("x"), font);
    title->AddSysData(QStringLiteral("QRSysData1"), 632, 80, sdDate, ArialFont(10));
    centred->SetCaption(QStringLiteral("Riverside Sports and Racquet Club"));
    right->SetCaption(QStringLiteral("Page number"));
    left->SetCaption(QStringLiteral("A much longer caption"));

    auto document = report.Generate();
    TTextMeasurer measurer;
    const double pageWidth = measurer.TextWidth(font, QStringLiteral("Page"));
    auto check = [&](const QString& text, double expectedAnchorPx, TAlignment alignment) {
        SCOPED_TRACE(text.toStdString());
        const TPageElement* e = FindText(*document, 0, text);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->Alignment, alignment);
        EXPECT_NEAR(e->Width, PixelsToTenths(measurer.TextWidth(font, text)), 0.01);
        EXPECT_NEAR(e->AnchorX(), 127 + PixelsToTenths(expectedAnchorPx), 0.01);
    };
    check(QStringLiteral("Riverside Sports and Racquet Club"), 313 + 41 / 2.0, taCenter);
    check(QStringLiteral("Page number"), 595 + pageWidth, taRightJustify);
    check(QStringLiteral("A much longer caption"), 100, taLeftJustify);
    EXPECT_TRUE(FindText(*document, 0, QStringLiteral("3/5/2024")));
}
