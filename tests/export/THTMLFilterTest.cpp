#include "EExportError.h"
#include "TCSS2Filter.h"
#include "TExtraOptions.h"
#include "THTMLFilter.h"
#include "THTMLFilterTestDriver.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

using namespace WriterTest;

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

QByteArray Num(qint32 value) { return QByteArray::number(value); }

// Pixels of a position or size given in tenths of a millimetre or in micrometres.
qint32 NativePx(double tenths) { return MicronsToPixels(NativeToMicrons(tenths)); }

// The size a browser draws a line with: the font at its exact size at 96 dpi (4/3 px per point),
// fractional advances, kerning. Measured at 300 times that size, where a whole-pixel size is exact.
QSizeF BrowserDrawnSize(const TFont& font, const QString& text)
{
    QFont large = font.ToQFont();
    large.setPixelSize(font.Size * 400);
    const QFontMetricsF metrics(large);
    return QSizeF(metrics.horizontalAdvance(text), metrics.ascent() + metrics.descent()) / 300;
}

struct TPageWriter
{
    const char* Name;
    std::function<std::unique_ptr<TExtraFilter>(const QString&)> Create;
    void (*SetUseFileName)();
    const char* BoxSizePattern; // captures the width and height of each text's box, in page order
};

class THTMLFilterTest : public ::testing::Test
{
protected:
    void TearDown() override { FreeExtraOptions(); }

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QByteArray Page(const QString& name) const { return ReadFile(Path(name)); }

    // The part of a one-row page between the row's table tag and its end.
    QByteArray RunRow(const TPage& labels)
    {
        THTMLFilter filter(Path(QStringLiteral("x.htm")));
        RunReport(filter, {labels});
        const QByteArray page = Page(QStringLiteral("RPT0001.HTM"));
        const QByteArray open = "WIDTH=793>" + CrLf;
        const qsizetype from = page.indexOf(open) + open.size();
        return page.mid(from, page.indexOf("</TABLE>") - from);
    }

    QTemporaryDir m_dir;
};

class THTMLPageNamesTest : public ::testing::TestWithParam<TPageWriter>
{
protected:
    void TearDown() override { FreeExtraOptions(); }

    void RunPages(int count, bool markLastPage = true)
    {
        std::unique_ptr<TExtraFilter> filter = GetParam().Create(m_dir.filePath(QStringLiteral("x.htm")));
        RunReport(*filter, OneLabelPages(count), A4Width, A4Height, markLastPage);
    }
    QByteArray Navigation(const QString& name) const
    {
        const QByteArray page = ReadFile(m_dir.filePath(name));
        const qsizetype from = page.indexOf("<H1>");
        return from < 0 ? QByteArray() : page.mid(from, page.indexOf("</BODY>") - from);
    }
    QStringList Files() const { return QDir(m_dir.path()).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_P(THTMLPageNamesTest, NamesPagesRptAndLinksNeighboursWithoutTheChosenFile)
{
    RunPages(3);
    EXPECT_EQ(Files(), (QStringList{QStringLiteral("RPT0001.HTM"), QStringLiteral("RPT0002.HTM"),
                                    QStringLiteral("RPT0003.HTM")}));
    EXPECT_EQ(Navigation(QStringLiteral("RPT0001.HTM")),
              "<H1><B><P ALIGN=CENTER><A HREF=\"RPT0002.HTM\">&gt&gt</A></B></H1>");
    EXPECT_EQ(Navigation(QStringLiteral("RPT0002.HTM")),
              "<H1><B><P ALIGN=CENTER><A HREF=\"RPT0001.HTM\">&lt&lt</A> <A HREF=\"RPT0003.HTM\">&gt&gt</A></B></H1>");
    EXPECT_EQ(Navigation(QStringLiteral("RPT0003.HTM")),
              "<H1><B><P ALIGN=CENTER><A HREF=\"RPT0002.HTM\">&lt&lt</A></B></H1>");
}

TEST_P(THTMLPageNamesTest, UseFileNameNumbersTheChosenNameAndLinksWithoutFolder)
{
    GetParam().SetUseFileName();
    RunPages(3);
    EXPECT_EQ(Files(), (QStringList{QStringLiteral("x0001.htm"), QStringLiteral("x0002.htm"),
                                    QStringLiteral("x0003.htm")}));
    EXPECT_EQ(Navigation(QStringLiteral("x0002.htm")),
              "<H1><B><P ALIGN=CENTER><A HREF=\"x0001.htm\">&lt&lt</A> <A HREF=\"x0003.htm\">&gt&gt</A></B></H1>");
}

TEST_P(THTMLPageNamesTest, SinglePageHasNoNavigation)
{
    RunPages(1);
    EXPECT_EQ(Navigation(QStringLiteral("RPT0001.HTM")), QByteArray());
    EXPECT_TRUE(ReadFile(m_dir.filePath(QStringLiteral("RPT0001.HTM"))).endsWith("</BODY>\r\n</HTML>\r\n"));
}

TEST_P(THTMLPageNamesTest, UnmarkedLastPageStillLinksToTheNextPage)
{
    RunPages(2, false);
    EXPECT_EQ(Navigation(QStringLiteral("RPT0002.HTM")),
              "<H1><B><P ALIGN=CENTER><A HREF=\"RPT0001.HTM\">&lt&lt</A> <A HREF=\"RPT0003.HTM\">&gt&gt</A></B></H1>");
}

TEST_P(THTMLPageNamesTest, EmptyPageWritesNothingAndKeepsTheNumbering)
{
    std::unique_ptr<TExtraFilter> filter = GetParam().Create(m_dir.filePath(QStringLiteral("x.htm")));
    RunReport(*filter, {TPage{TLabel{200, 300, QStringLiteral("a")}}, TPage{}, TPage{TLabel{200, 300, QStringLiteral("b")}}});
    EXPECT_EQ(Files(), (QStringList{QStringLiteral("RPT0001.HTM"), QStringLiteral("RPT0002.HTM")}));
    EXPECT_TRUE(ReadFile(m_dir.filePath(QStringLiteral("RPT0002.HTM"))).contains(">b</"));
}

TEST_P(THTMLPageNamesTest, TitleAndTextAreWrittenAsCharacterReferences)
{
    ExtraOptions().HTML.Title = ExtraOptions().CSS2.Title = QStringLiteral("Smith & \"Sons\"");
    std::unique_ptr<TExtraFilter> filter = GetParam().Create(m_dir.filePath(QStringLiteral("x.htm")));
    RunReport(*filter, {TPage{TLabel{200, 300, QStringLiteral("<Smith> & Co")}}});
    const QByteArray page = ReadFile(m_dir.filePath(QStringLiteral("RPT0001.HTM")));
    EXPECT_TRUE(page.contains("<TITLE>Smith &amp; &quot;Sons&quot;</TITLE>\r\n"));
    EXPECT_TRUE(page.contains(">&lt;Smith&gt; &amp; Co</"));
}

TEST_P(THTMLPageNamesTest, TextsBeyondTheCodePageAreNumericReferencesOnAWindows1252Page)
{
    struct TRow
    {
        const char* Text; // UTF-8
        QByteArray Written;
    };
    const TRow rows[] = {
        {"Wa\xC5\x82\xC4\x99sa, \xC5\x81ukasz", "Wa&#322;&#281;sa, &#321;ukasz"},
        {"<\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD>", "&lt;&#1048;&#1074;&#1072;&#1085;&gt;"},
        {"Nguy\xE1\xBB\x85n Th\xE1\xBB\x8B", "Nguy&#7877;n Th&#7883;"},
        {"\xCE\xA0\xCE\xB1 & \xC5\x9E", "&#928;&#945; &amp; &#350;"},
        {"Caf\xC3\xA9 \xE2\x82\xAC", "Caf\xE9 \x80"},
        {"\xF0\x9F\x98\x80", "&#128512;"},
    };
    TPage page;
    for (const TRow& row : rows)
        page.append(TLabel{200, 300.0 + 100 * page.size(), QString::fromUtf8(row.Text)});
    std::unique_ptr<TExtraFilter> filter = GetParam().Create(m_dir.filePath(QStringLiteral("x.htm")));
    RunReport(*filter, {page});
    const QByteArray written = ReadFile(m_dir.filePath(QStringLiteral("RPT0001.HTM")));
    EXPECT_TRUE(written.contains("charset=windows-1252"));
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Text);
        EXPECT_TRUE(written.contains('>' + row.Written + "</"));
    }
    EXPECT_FALSE(written.contains('?'));
}

TEST_P(THTMLPageNamesTest, FontNamesAreWrittenAsCharacterReferences)
{
    const TFont font{QStringLiteral("Sans \"X\" <b> & Co"), 9};
    std::unique_ptr<TExtraFilter> filter = GetParam().Create(m_dir.filePath(QStringLiteral("x.htm")));
    RunReport(*filter, {TPage{TLabel{200, 300, QStringLiteral("a"), &font}}});
    const QByteArray page = ReadFile(m_dir.filePath(QStringLiteral("RPT0001.HTM")));
    EXPECT_TRUE(page.contains("font-family: Sans &quot;X&quot; &lt;b&gt; &amp; Co;")) << page.constData();
}

TEST_P(THTMLPageNamesTest, TextBoxesAreAtLeastAsLargeAsABrowserDrawsTheText)
{
    // Texts a browser wrapped when their boxes were measured at whole-pixel font sizes.
    const TFont detail{QStringLiteral("Arial"), 8};
    const TFont heading{QStringLiteral("Arial"), 8, true};
    const TFont date{QStringLiteral("Arial"), 12};
    const TFont group{QStringLiteral("Arial"), 12, true};
    const TFont title{QStringLiteral("Arial"), 14, true};
    const TFont serif{QStringLiteral("Times New Roman"), 11, false, true};
    const struct {
        const TFont& Font;
        QString Text;
    } rows[] = {
        {detail, QStringLiteral("Allen, Linda")},
        {detail, QStringLiteral("(555) 668-1648")},
        {heading, QStringLiteral("Sub Category")},
        {Arial10(), QStringLiteral("Member Count  16")},
        {Arial10(), QStringLiteral("Page")},
        {date, QStringLiteral("December 9, 2026")},
        {group, QStringLiteral("Aqua Fit")},
        {title, QStringLiteral("Riverside Tennis Club")},
        {serif, QString::fromUtf8("Wallace-O'Brien, Zo\xC3\xAB")},
    };
    TPage page;
    for (std::size_t i = 0; i < std::size(rows); ++i)
        page.append(TLabel{200, 300 + 60.0 * double(i), rows[i].Text, &rows[i].Font});
    std::unique_ptr<TExtraFilter> filter = GetParam().Create(m_dir.filePath(QStringLiteral("x.htm")));
    RunReport(*filter, {page});

    const QByteArray html = ReadFile(m_dir.filePath(QStringLiteral("RPT0001.HTM")));
    QRegularExpressionMatchIterator boxes =
        QRegularExpression(QString::fromLatin1(GetParam().BoxSizePattern)).globalMatch(QString::fromLatin1(html));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Text.toStdString());
        ASSERT_TRUE(boxes.hasNext());
        const QRegularExpressionMatch box = boxes.next();
        const QSizeF drawn = BrowserDrawnSize(row.Font, row.Text);
        EXPECT_GE(box.captured(1).toInt(), drawn.width());
        EXPECT_LE(box.captured(1).toInt(), drawn.width() + 3); // kerning and rounding only
        EXPECT_GE(box.captured(2).toInt(), drawn.height());
        EXPECT_LT(box.captured(2).toInt(), drawn.height() + 1);
    }
    EXPECT_FALSE(boxes.hasNext());
}

TEST_P(THTMLPageNamesTest, PageFileThatCannotBeCreatedStopsWithFileError)
{
    // A folder stands where the first page file belongs.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("RPT0001.HTM")));
    std::unique_ptr<TExtraFilter> filter = GetParam().Create(m_dir.filePath(QStringLiteral("x.htm")));
    try {
        RunReport(*filter, OneLabelPages(1));
        FAIL() << "no error";
    } catch (const EExportError& error) {
        EXPECT_EQ(error.Message(),
                  QStringLiteral("File Error: %1 (It is a folder)").arg(m_dir.filePath(QStringLiteral("RPT0001.HTM"))));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Writers, THTMLPageNamesTest,
    ::testing::Values(
        TPageWriter{"Html", [](const QString& file) -> std::unique_ptr<TExtraFilter> { return std::make_unique<THTMLFilter>(file); },
                    [] { ExtraOptions().HTML.UseFileName = true; }, "<TD WIDTH=-?\\d+></TD><TD WIDTH=(\\d+) HEIGHT=(\\d+)"},
        TPageWriter{"Css2", [](const QString& file) -> std::unique_ptr<TExtraFilter> { return std::make_unique<TCSS2Filter>(file); },
                    [] { ExtraOptions().CSS2.UseFileName = true; }, "width: (\\d+)px;height: (\\d+)px;"}),
    [](const ::testing::TestParamInfo<TPageWriter>& info) { return std::string(info.param.Name); });

TEST_F(THTMLFilterTest, WritesHeaderRowTableAndTrailerOfAPage)
{
    const QString text = QStringLiteral("Name");
    const qint32 w = BrowserBoxWidth(Arial10(), text);
    const qint32 h = BrowserBoxHeight(Arial10());
    const qint32 x = NativePx(200);
    const qint32 y = NativePx(300);
    THTMLFilter filter(Path(QStringLiteral("x.htm")));
    RunReport(filter, {TPage{TLabel{200, 300, text}}});
    const QByteArray expected = "<HTML>" + CrLf
        + "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1252\">" + CrLf
        + "<TITLE></TITLE>" + CrLf + "<HEAD>" + CrLf + "<STYLE TYPE=\"text/css\">" + CrLf + "<!--" + CrLf
        + "  TD { font-size: 10pt; font-family: sans-serif; white-space: nowrap }" + CrLf
        + "-->" + CrLf + "</STYLE>" + CrLf + "</HEAD>" + CrLf + "<BODY LEFTMARGIN=0 TOPMARGIN=0>" + CrLf
        + "<TABLE BORDER=0 CELLPADDING=0 CELLSPACING=0 WIDTH=793>" + CrLf
        + "<TR><TD HEIGHT=" + Num(y) + "></TD>" + CrLf
        + "<TR VALIGN=TOP><TD WIDTH=" + Num(x) + "></TD><TD WIDTH=" + Num(w) + " HEIGHT=" + Num(h) + ">Name</TD>"
        + "<TD WIDTH=" + Num(793 - x - w) + "></TD>" + CrLf + "</TABLE>" + CrLf
        + "</BODY>" + CrLf + "</HTML>" + CrLf;
    EXPECT_EQ(Page(QStringLiteral("RPT0001.HTM")), expected);
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("x.htm"))));
}

TEST_F(THTMLFilterTest, StylesOnlyFontsOtherThanTenPointBlackRegularArial)
{
    struct TRow
    {
        TFont Font;
        QByteArray Style;
    };
    const TRow rows[] = {
        {TFont{QStringLiteral("Arial"), 10}, ""},
        {TFont{QStringLiteral("arial"), 10}, " STYLE=\"font-size: 10pt; font-family: arial; color: #000000;\""},
        {TFont{QStringLiteral("Arial"), 12}, " STYLE=\"font-size: 12pt; font-family: Arial; color: #000000;\""},
        {TFont{QStringLiteral("Arial"), 10, false, false, false, false, clRed},
         " STYLE=\"font-size: 10pt; font-family: Arial; color: #FF0000;\""},
        {TFont{QStringLiteral("Arial"), 10, true, true, true},
         " STYLE=\"font-size: 10pt; font-family: Arial; color: #000000; font-style: italic; font-weight: bold;"
         " text-decoration: underline;\""},
        {TFont{QStringLiteral("Arial"), 10, false, false, false, true}, ""}, // strike-out is not exported
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Style.constData());
        const QByteArray html = RunRow({TLabel{200, 300, QStringLiteral("a"), &row.Font}});
        const qsizetype cell = html.indexOf("<TD WIDTH=", html.indexOf("></TD><TD") + 5);
        const QByteArray attributes = html.mid(cell, html.indexOf(">a</TD>") - cell);
        const QByteArray afterHeight = attributes.mid(attributes.indexOf(" HEIGHT=") + 8);
        const qsizetype blank = afterHeight.indexOf(' ');
        EXPECT_EQ(blank < 0 ? QByteArray() : afterHeight.mid(blank), row.Style);
    }
}

TEST_F(THTMLFilterTest, PlacesAlignedCellsAtTheTextsLeftEdge)
{
    const QString text = QStringLiteral("Total");
    const qint32 w = BrowserBoxWidth(Arial10(), text);
    struct TRow
    {
        int Alignment;
        qint32 Left;
        QByteArray Attribute;
    };
    const TRow rows[] = {
        {taLeftJustify, NativePx(1000), ""},
        {taRightJustify, NativePx(1000) - w, " ALIGN=RIGHT"},
        {taCenter, NativePx(1000) - w / 2, " ALIGN=CENTER"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Alignment);
        const QByteArray html = RunRow({TLabel{1000, 300, text, nullptr, row.Alignment}});
        EXPECT_TRUE(html.contains("<TD WIDTH=" + Num(row.Left) + "></TD><TD WIDTH=" + Num(w) + " HEIGHT="))
            << html.constData();
        EXPECT_TRUE(html.contains(row.Attribute + ">Total</TD>"));
    }
}

TEST_F(THTMLFilterTest, WritesSpacersForGapsAndOverlapsAndBackgroundColour)
{
    // Rows 40 pixels below the top; the second label starts left of the first one's right edge.
    const QString first = QStringLiteral("Wide first label");
    const qint32 w1 = BrowserBoxWidth(Arial10(), first);
    const QByteArray html = RunRow({TLabel{100, 106, first}, TLabel{110, 106, QStringLiteral("b"), nullptr, taLeftJustify, clYellow}});
    ASSERT_EQ(NativePx(106), 40);
    EXPECT_TRUE(html.startsWith("<TR><TD HEIGHT=40></TD>\r\n<TR VALIGN=TOP><TD WIDTH=" + Num(NativePx(100)) + "></TD>"));
    const qint32 overlap = NativePx(110) - NativePx(100) - w1;
    ASSERT_LT(overlap, 0);
    EXPECT_TRUE(html.contains("</TD><TD WIDTH=" + Num(overlap) + "></TD>"));
    EXPECT_TRUE(html.contains(" BGCOLOR= #FFFF00>b</TD>"));
}

TEST_F(THTMLFilterTest, RowStartingAboveThePreviousBottomGetsNoNewRowOrSpacer)
{
    THTMLFilter filter(Path(QStringLiteral("x.htm")));
    // The second label starts 1 mm below the first, inside its height.
    RunReport(filter, {TPage{TLabel{100, 300, QStringLiteral("a")}, TLabel{100, 310, QStringLiteral("b")}}});
    const QByteArray page = Page(QStringLiteral("RPT0001.HTM"));
    EXPECT_EQ(page.count("<TABLE BORDER"), 2);
    EXPECT_EQ(page.count("<TR VALIGN=TOP>"), 1);
    EXPECT_EQ(page.count("<TR><TD HEIGHT="), 1);
}

TEST_F(THTMLFilterTest, UnfinishedPagesAreNeverPutInPlace)
{
    const QString path = Path(QStringLiteral("RPT0001.HTM"));
    {
        THTMLFilterPageFile pages;
        pages.Create(path);
        pages.Write("<HTML>");
        pages.Commit();
        EXPECT_FALSE(QFileInfo::exists(path));
    }
    EXPECT_TRUE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}
