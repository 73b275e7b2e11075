#include "TRTFFilter.h"
#include "THTMLFilterTestDriver.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cctype>

using namespace WriterTest;

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");
const TFont TimesNewRoman12{QStringLiteral("Times New Roman"), 12};
constexpr qint32 Margin = 141;

QByteArray Num(qint32 value) { return QByteArray::number(value); }

qint32 NativeTwips(double tenths) { return MicronsToTwips(NativeToMicrons(tenths)); }

class TRTFFilterTest : public ::testing::Test
{
protected:
    QByteArray RunPages(const QList<TPage>& pages, int width = A4Width, int height = A4Height, bool markLastPage = true)
    {
        const QString file = m_dir.filePath(QStringLiteral("x.rtf"));
        TRTFFilter filter(file);
        RunReport(filter, pages, width, height, markLastPage);
        return ReadFile(file);
    }
    // What the document holds after the margins line.
    QByteArray RunBody(const QList<TPage>& pages)
    {
        const QByteArray document = RunPages(pages);
        const qsizetype from = document.indexOf("\\margb141\r\n") + 11;
        return document.mid(from, document.size() - from - 3);
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(TRTFFilterTest, EmptyReportOnA4IsHeaderAndTablesOnly)
{
    EXPECT_EQ(RunPages({}), "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl{\\f0\\fnil Times New Roman;}}"
                            "{\\colortbl;\\red000\\green000\\blue000;}\\paperw11905\\paperh16837"
                            "\\margl0\\margr0\\margt0\\margb0\r\n}\r\n");
}

TEST_F(TRTFFilterTest, PaperSizeIsWrittenUnlessItIsTheReadersDefault)
{
    EXPECT_TRUE(RunPages({}, LetterWidth, LetterHeight).contains("}\\paperw12239\\paperh15839\\margl0"));
}

TEST_F(TRTFFilterTest, WritesARowAsAParagraphWithTabStopsAndGap)
{
    // The first label sits at the margin and needs no tab; its leading digits must stay text.
    const QByteArray document = RunPages({TPage{TLabel{20, 300, QStringLiteral("2024 total"), &TimesNewRoman12},
                                                TLabel{1500, 300, QStringLiteral("Amount"), &TimesNewRoman12, taRightJustify}}});
    const qint32 tallestTimes = MicronsToTwips(MeasuredHeight(TimesNewRoman12));
    const QByteArray expected = QByteArray("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl{\\f0\\fnil Times New Roman;}}"
                                "{\\colortbl;\\red000\\green000\\blue000;}\\paperw11905\\paperh16837"
                                "\\margl141\\margr141\\margt141\\margb141\r\n")
        + "\\pard\\sl-" + Num(NativeTwips(300) - Margin) + "\\par \r\n"
        + "\\sl-" + Num(tallestTimes) + "\\tqr\\tx" + Num(NativeTwips(1500) - Margin) + " 2024 total\\tab Amount"
        + "\\par \\pard \r\n" + "\\pard }\r\n";
    EXPECT_EQ(document, expected);
}

TEST_F(TRTFFilterTest, PutsTabStopsAtTheAnchor)
{
    struct TRow
    {
        double X;
        int Alignment;
        QByteArray Tabs;
    };
    const TRow rows[] = {
        {0, taLeftJustify, ""},
        {500, taLeftJustify, "\\tx" + Num(NativeTwips(500) - Margin)},
        {0, taRightJustify, "\\tqr\\tx" + Num(NativeTwips(0) - Margin)},
        {1500, taRightJustify, "\\tqr\\tx" + Num(NativeTwips(1500) - Margin)},
        {1050, taCenter, "\\tqc\\tx" + Num(NativeTwips(1050) - Margin)},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Tabs.constData());
        const QByteArray body = RunBody({TPage{TLabel{row.X, 300, QStringLiteral("x"), &TimesNewRoman12, row.Alignment}}});
        // The row's paragraph: "\sl-" height, the tab stops, then the text.
        const QByteArray line = body.mid(body.indexOf("\r\n\\sl-") + 6);
        qsizetype tabsFrom = 0;
        while (tabsFrom < line.size() && std::isdigit(static_cast<unsigned char>(line[tabsFrom])))
            ++tabsFrom;
        const qsizetype textFrom = row.Tabs.isEmpty() ? line.indexOf(" x") : line.indexOf("\\tab x");
        const QByteArray tabs = line.mid(tabsFrom, textFrom - tabsFrom);
        EXPECT_EQ(tabs, row.Tabs);
    }
}

TEST_F(TRTFFilterTest, SwitchesFormattingOnPerItemAndRegistersColoursInOrder)
{
    const TFont red{QStringLiteral("Times New Roman"), 12, false, false, false, false, clRed};
    const TFont arial{QStringLiteral("Arial"), 10, true, true, true};
    const TFont courier{QStringLiteral("Courier New"), 12};
    const TFont otherCase{QStringLiteral("ARIAL"), 12};
    const QByteArray document =
        RunPages({TPage{TLabel{0, 300, QStringLiteral("plain"), &TimesNewRoman12}},
                  TPage{TLabel{0, 300, QStringLiteral("red"), &red, taLeftJustify, clYellow}},
                  TPage{TLabel{0, 300, QStringLiteral("small"), &arial}},
                  TPage{TLabel{0, 300, QStringLiteral("mono"), &courier}},
                  TPage{TLabel{0, 300, QStringLiteral("upper"), &otherCase}}});
    EXPECT_TRUE(document.contains(" plain\\par "));
    EXPECT_TRUE(document.contains("\\cb2 \\cf3 red\\plain \\par "));
    EXPECT_TRUE(document.contains("\\f1 \\fs20 \\i \\b \\ul small\\plain \\par "));
    EXPECT_TRUE(document.contains("\\f2 mono\\plain \\par "));
    EXPECT_TRUE(document.contains("\\f1 upper\\plain \\par ")); // font names match without regard to case
    EXPECT_TRUE(document.contains("{\\fonttbl{\\f0\\fnil Times New Roman;}{\\f1\\fnil Arial;}{\\f2\\fnil Courier New;}}"));
    EXPECT_TRUE(document.contains(
        "{\\colortbl;\\red000\\green000\\blue000;\\red255\\green255\\blue000;\\red255\\green000\\blue000;}"));
}

TEST_F(TRTFFilterTest, EscapesTextSoReadersShowItAsTyped)
{
    struct TRow
    {
        const char* Text; // UTF-8
        QByteArray Written;
    };
    const TRow rows[] = {
        {"C:\\club {new}", "C:\\\\club \\{new\\}"},
        // A line break inside a field would move the rest of the row to the wrong tab stops.
        {"x\r\ny", "x y"},
        {"x\ry\nz", "x y z"},
        {"Caf\xC3\xA9 \xE2\x82\xAC", "Caf\\'e9 \\'80"},
        {"plain", "plain"},
        // Beyond code page 1252: the code unit, then the nearest letter for readers without Unicode.
        {"Wa\xC5\x82\xC4\x99sa", "Wa\\u322l\\u281esa"},
        {"\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", "\\u1048I\\u1074v\\u1072a\\u1085n"},
        {"Dvo\xC5\x99\xC3\xA1k {\xC5\x99}", "Dvo\\u345r\\'e1k \\{\\u345r\\}"},
        // Code units above 32767 are written as negative numbers.
        {"\xEA\xB0\x80", "\\u-21504g"},
        // A digit as the fallback is set off from the number.
        {"H\xE2\x82\x82O", "H\\u8322 2O"},
        // A character outside the BMP is two code units with one (empty) fallback.
        {"a\xF0\x9F\x98\x80" "b", "a{\\uc0\\u-10179\\u-8704 }b"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Text);
        QByteArray written;
        TRTFFilter::AppendEscaped(written, QString::fromUtf8(row.Text));
        EXPECT_EQ(written, row.Written);
    }
}

TEST_F(TRTFFilterTest, BreaksPagesInAParagraphOfTheirOwnExceptAfterTheLast)
{
    const QByteArray marked = RunPages(OneLabelPages(3));
    EXPECT_EQ(marked.count("\\pard \\sl-1\\page \\par \r\n"), 2);
    // The next page's first gap is a paragraph of its own below the break, not the break's spacing.
    EXPECT_EQ(marked.count("\\page \\par \r\n\\pard\\sl-"), 2);
    EXPECT_TRUE(marked.endsWith("Page 3\\plain \\par \\pard \r\n\\pard }\r\n"));

    const QByteArray unmarked = RunPages(OneLabelPages(3), A4Width, A4Height, false);
    EXPECT_EQ(unmarked.count("\\pard \\sl-1\\page \\par \r\n"), 3);
}

TEST_F(TRTFFilterTest, RowStartingInsideThePreviousOneAddsNoGap)
{
    const QByteArray body = RunBody({TPage{TLabel{0, 300, QStringLiteral("a"), &TimesNewRoman12},
                                           TLabel{0, 310, QStringLiteral("b"), &TimesNewRoman12},
                                           TLabel{0, 600, QStringLiteral("c"), &TimesNewRoman12}}});
    const qint32 bottom = NativeTwips(300) + MicronsToTwips(MeasuredHeight(TimesNewRoman12));
    EXPECT_EQ(body.count("\\pard\\sl-"), 2);
    EXPECT_TRUE(body.contains("\\pard\\sl-" + Num(NativeTwips(600) - bottom) + "\\par \r\n\\sl-"));
}
