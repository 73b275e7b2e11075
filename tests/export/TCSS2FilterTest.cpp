#include "TCSS2Filter.h"
#include "TExtraOptions.h"
#include "THTMLFilterTestDriver.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace WriterTest;

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

QByteArray Num(qint32 value) { return QByteArray::number(value); }

qint32 NativePx(double tenths) { return MicronsToPixels(NativeToMicrons(tenths)); }

class TCSS2FilterTest : public ::testing::Test
{
protected:
    void TearDown() override { FreeExtraOptions(); }

    QByteArray RunPage(const TPage& labels)
    {
        TCSS2Filter filter(m_dir.filePath(QStringLiteral("x.htm")));
        RunReport(filter, {labels});
        return ReadFile(m_dir.filePath(QStringLiteral("RPT0001.HTM")));
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(TCSS2FilterTest, WritesOneBlockPerLabelInPrintingOrder)
{
    const TFont bold{QStringLiteral("Times New Roman"), 12, true, true, true, false, clRed};
    const QString first = QStringLiteral("Right");
    const QString second = QStringLiteral("Left");
    const qint32 w1 = BrowserBoxWidth(bold, first);
    const qint32 w2 = BrowserBoxWidth(Arial10(), second);
    const qint32 h1 = BrowserBoxHeight(bold);
    const qint32 h2 = BrowserBoxHeight(Arial10());
    // Printed first but standing right of the second label in the same row.
    const QByteArray page = RunPage({TLabel{1500, 300, first, &bold, taRightJustify, clYellow}, TLabel{200, 300, second}});
    const QByteArray expected = "<HTML>" + CrLf
        + "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1252\">" + CrLf
        + "<TITLE></TITLE>" + CrLf + "<STYLE TYPE=\"text/css\">DIV { white-space: nowrap }</STYLE>" + CrLf
        + "<BODY LEFTMARGIN=0 TOPMARGIN=0>" + CrLf
        + "<TABLE BORDER=0 CELLPADDING=0 CELLSPACING=0 WIDTH=793>" + CrLf + "<TR><TD HEIGHT=1122>"
        + "<DIV STYLE=\"position: absolute;left: " + Num(NativePx(1500) - w1) + "px;top: " + Num(NativePx(300))
        + "px;width: " + Num(w1) + "px;height: " + Num(h1) + "px;z-index: 1;background-color: #FFFF00;"
        + "text-align: right;font-size: 12pt;font-family: Times New Roman;color: #FF0000;font-style: italic;"
        + "font-weight: bold;text-decoration: underline;\">Right</DIV>" + CrLf
        + "<DIV STYLE=\"position: absolute;left: " + Num(NativePx(200)) + "px;top: " + Num(NativePx(300))
        + "px;width: " + Num(w2) + "px;height: " + Num(h2) + "px;z-index: 2;"
        + "font-size: 10pt;font-family: Arial;color: #000000;\">Left</DIV>" + CrLf
        + "</TD></TABLE>" + CrLf + "</BODY>" + CrLf + "</HTML>" + CrLf;
    EXPECT_EQ(page, expected);
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(QStringLiteral("x.htm"))));
}

TEST_F(TCSS2FilterTest, CentresBlockOnTheAnchor)
{
    const QString text = QStringLiteral("Centre");
    const qint32 w = BrowserBoxWidth(Arial10(), text);
    const QByteArray page = RunPage({TLabel{1050, 300, text, nullptr, taCenter}});
    EXPECT_TRUE(page.contains("left: " + Num(NativePx(1050) - w / 2) + "px;"));
    EXPECT_TRUE(page.contains("text-align: center;font-size: 10pt;"));
}

TEST_F(TCSS2FilterTest, UsesItsOwnOptions)
{
    ExtraOptions().HTML.Title = QStringLiteral("HTML title");
    ExtraOptions().CSS2.Title = QStringLiteral("CSS2 title");
    ExtraOptions().CSS2.NextText = QStringLiteral("next");
    TCSS2Filter filter(m_dir.filePath(QStringLiteral("x.htm")));
    RunReport(filter, OneLabelPages(2));
    const QByteArray page = ReadFile(m_dir.filePath(QStringLiteral("RPT0001.HTM")));
    EXPECT_TRUE(page.contains("<TITLE>CSS2 title</TITLE>"));
    EXPECT_TRUE(page.contains("<A HREF=\"RPT0002.HTM\">next</A>"));
}
