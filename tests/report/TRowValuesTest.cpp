// Values read once per row, formatted text kept while a column repeats, and page text written
// straight into the page buffer: the pages must come out as if every element read and formatted
// its own value.
#include "ReportTestSupport.h"
#include "TDataFieldElement.h"

#include <QDateTime>
#include <gtest/gtest.h>

namespace {

class TRowValuesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetClock([] { return QDateTime(QDate(2024, 3, 5), QTime(10, 0)); });
        m_dateFormat = ShortDateFormat();
        SetShortDateFormat(QStringLiteral("M/d/yyyy"));
    }
    void TearDown() override
    {
        SetShortDateFormat(m_dateFormat);
        SetClock({});
    }

private:
    QString m_dateFormat;
};

QStringList AllTexts(const TReportDocument& document)
{
    QStringList texts;
    for (int page = 0; page < document.PageCount(); ++page)
        texts += PageTexts(document, page);
    return texts;
}

} // namespace

TEST_F(TRowValuesTest, RepeatedAndChangingValuesDownAColumnPrintTheirOwnText)
{
    TActivityFixture f;
    f.Detail->AddDataField(QStringLiteral("Start"), 416, 3, QStringLiteral("Start"), ArialFont(8));
    f.Detail->AddDataField(QStringLiteral("Pymtrate"), 654, 2, QStringLiteral("Pymtrate"), ArialFont(8));
    const QDate day1(2024, 1, 1);
    const QDate day2(2024, 2, 29);
    // Each row's date and rate; repeats, nulls in between and 0.0 against -0.0.
    const QVariant dates[] = {day1, day1, day2, QVariant(), day2, QVariant(QMetaType(QMetaType::QDate)), day1};
    const QVariant rates[] = {12.5, 12.5, 0.0, -0.0, 0.0, QVariant(), 12.5};
    const int rowCount = int(std::size(dates));
    for (int r = 0; r < rowCount; ++r) {
        const QString name = QStringLiteral("Member %1").arg(r + 1);
        f.Data.AddRow({QStringLiteral("Activity 1"), r + 1, name, dates[r], rates[r]});
    }

    const auto document = f.Report.Generate();
    ASSERT_TRUE(document);
    const QStringList texts = AllTexts(*document);
    for (int r = 0; r < rowCount; ++r) {
        SCOPED_TRACE(r);
        const qsizetype at = texts.indexOf(QStringLiteral("Member %1").arg(r + 1));
        ASSERT_GE(at, 0);
        ASSERT_LT(at + 2, texts.size());
        EXPECT_EQ(texts[at + 1], TDataFieldElement::DisplayText(dates[r], ftDate));
        EXPECT_EQ(texts[at + 2], TDataFieldElement::DisplayText(rates[r], ftCurrency));
    }
}

TEST_F(TRowValuesTest, FootersShowTheLastRowOfTheirGroupAndTheSummaryNoRow)
{
    TActivityFixture f;
    f.Footer->AddDataField(QStringLiteral("LastName"), 300, 4, QStringLiteral("FullName"), ArialFont(10));
    f.GroupHeader->AddDataField(QStringLiteral("FirstName"), 300, 12, QStringLiteral("FullName"), ArialFont(10));
    f.Summary->AddDataField(QStringLiteral("EndName"), 300, 16, QStringLiteral("FullName"), ArialFont(10));
    f.AddGroups({3, 60, 2});

    const auto document = f.Report.Generate();
    ASSERT_TRUE(document);
    QStringList texts = AllTexts(*document);
    texts.removeAll(QStringLiteral("Member#"));
    // Group header: the group's name and its first row; footer: the count and the group's last row.
    const struct
    {
        int First;
        int Last;
        int Count;
    } groups[] = {{1, 3, 3}, {4, 63, 60}, {64, 65, 2}};
    for (const auto& g : groups) {
        SCOPED_TRACE(g.First);
        const qsizetype header = texts.indexOf(QStringLiteral("Member %1").arg(g.First));
        ASSERT_GE(header, 1);
        EXPECT_EQ(texts[header + 1], QStringLiteral("%1").arg(g.First)); // the detail row follows
        const qsizetype footer = texts.indexOf(QStringLiteral("Member Count  %1").arg(g.Count));
        ASSERT_GE(footer, 0);
        ASSERT_LT(footer + 1, texts.size());
        EXPECT_EQ(texts[footer + 1], QStringLiteral("Member %1").arg(g.Last));
    }
    // After the last row the summary's field has no row to show.
    ASSERT_GE(texts.size(), 2);
    EXPECT_EQ(texts[texts.size() - 2], QStringLiteral("Total Member Count = 65"));
    EXPECT_EQ(texts.last(), QString());
}

TEST_F(TRowValuesTest, ANewDateFormatReachesTheNextGeneration)
{
    TActivityFixture f;
    f.Detail->AddDataField(QStringLiteral("Start"), 416, 3, QStringLiteral("Start"), ArialFont(8));
    f.Data.AddRow({QStringLiteral("Activity 1"), 1, QStringLiteral("Member 1"), QDate(2024, 3, 5), 1.0});

    const auto first = f.Report.Generate();
    ASSERT_TRUE(first);
    EXPECT_TRUE(AllTexts(*first).contains(QStringLiteral("3/5/2024")));
    SetShortDateFormat(QStringLiteral("dd/mm/yyyy"));
    const auto second = f.Report.Generate();
    ASSERT_TRUE(second);
    EXPECT_TRUE(AllTexts(*second).contains(QStringLiteral("05/03/2024")));
}

TEST(TReportPage, KeepsTextOfAnyScriptAsUtf8)
{
    const QString texts[] = {QStringLiteral("Member 1"), QString(), QStringLiteral("Zoë Ångström"),
                             QStringLiteral("ASCII ~\x7f"), QString::fromUtf8("\xe6\x97\xa5 \xf0\x9f\x8f\x83")};
    TReportPage page(1);
    QByteArray expected;
    for (const QString& text : texts) {
        page.AddText(0, 0, 10, 5, 0, taLeftJustify, clWhite, text);
        expected += text.toUtf8();
    }
    EXPECT_EQ(page.TextBuffer(), expected);
    ASSERT_EQ(page.Elements().size(), std::size(texts));
    for (size_t i = 0; i < std::size(texts); ++i)
        EXPECT_EQ(page.Text(page.Elements()[i]), texts[i]) << i;
}
