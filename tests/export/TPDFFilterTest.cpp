#include "TExtraOptions.h"
#include "THTMLFilterTestDriver.h"
#include "TPDFFilter.h"

#include <QFontMetricsF>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>

using namespace WriterTest;

namespace {

QByteArray Num(qint32 value) { return QByteArray::number(value); }

class TPDFFilterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TPDFFilter::SetToday([] { return QDate(2026, 3, 7); });
    }
    void TearDown() override
    {
        TPDFFilter::SetToday({});
        FreeExtraOptions();
    }

    QByteArray RunPages(const QList<TPage>& pages, int width = A4Width, int height = A4Height)
    {
        const QString file = m_dir.filePath(QStringLiteral("x.pdf"));
        TPDFFilter filter(file);
        RunReport(filter, pages, width, height);
        return ReadFile(file);
    }
    // The lines of the first content stream, between "stream" and "endstream".
    static QByteArray Content(const QByteArray& pdf)
    {
        const qsizetype from = pdf.indexOf("stream\r\n") + 8;
        return pdf.mid(from, pdf.indexOf("endstream") - from);
    }
    // The object numbers in the order their objects start in the file.
    static QList<int> ObjectOrder(const QByteArray& pdf)
    {
        QList<int> order;
        static const QRegularExpression start(QStringLiteral("\r\n(\\d+) 0 obj\r\n"));
        auto matches = start.globalMatch(QString::fromLatin1(pdf));
        while (matches.hasNext())
            order.append(matches.next().captured(1).toInt());
        return order;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(TPDFFilterTest, WritesObjectsFrontToBackWithAMatchingCrossReferenceTable)
{
    const QByteArray pdf = RunPages({TPage{TLabel{200, 300, QStringLiteral("Name")}}});
    EXPECT_TRUE(pdf.startsWith("%PDF-1.2\r\n1 0 obj\r\n<< /Type /Catalog \r\n/Pages 3 0 R >> \r\nendobj\r\n"));
    EXPECT_EQ(ObjectOrder(pdf), (QList<int>{1, 5, 9, 6, 7, 8, 10, 2, 3, 4}));
    EXPECT_TRUE(pdf.endsWith("\r\n%%EOF"));

    // Every offset of the table points at its object, and startxref at the table.
    const qsizetype xref = pdf.lastIndexOf("xref\r\n0 11\r\n0000000000 65535 f\r\n");
    ASSERT_GT(xref, 0);
    EXPECT_TRUE(pdf.contains("startxref\r\n" + Num(qint32(xref)) + "\r\n%%EOF"));
    EXPECT_TRUE(pdf.contains("trailer\r\n<< /Root 1 0 R \r\n/Info 2 0 R \r\n/Size 11 >> \r\n"));
    const qsizetype entries = xref + 32;
    for (int object = 1; object <= 10; ++object) {
        SCOPED_TRACE(object);
        const QByteArray entry = pdf.mid(entries + (object - 1) * 20, 20);
        EXPECT_TRUE(entry.endsWith(" 00000 n\r\n"));
        EXPECT_TRUE(pdf.mid(entry.left(10).toLongLong()).startsWith(Num(object) + " 0 obj\r\n"));
    }
}

TEST_F(TPDFFilterTest, WritesPageResourcesFontAndInformation)
{
    ExtraOptions().PDF.Title = "Members (all) \\ 2026";
    const QByteArray pdf = RunPages({TPage{TLabel{200, 300, QStringLiteral("Name")}}});
    EXPECT_TRUE(pdf.contains("5 0 obj\r\n<< /Type /Page \r\n/Parent 4 0 R \r\n/MediaBox [0 0 595 841] \r\n"
                             "/Resources 9 0 R\r\n/Contents 6 0 R >> \r\nendobj\r\n"));
    EXPECT_TRUE(pdf.contains("9 0 obj\r\n<<\r\n/Font << /F0 10 0 R >>\r\n/ProcSet 8 0 R\r\n>>\r\nendobj\r\n"));
    EXPECT_TRUE(pdf.contains("6 0 obj\r\n<< /Length 7 0 R >> \r\nstream\r\n"));
    EXPECT_TRUE(pdf.contains("8 0 obj\r\n[ /PDF /Text ] \r\nendobj\r\n"));
    EXPECT_TRUE(pdf.contains("10 0 obj\r\n<< /Type /Font \r\n/Subtype /Type1 \r\n/Name /F0 \r\n/BaseFont /Helvetica \r\n"
                             "/Encoding /WinAnsiEncoding >>\r\nendobj\r\n"));
    EXPECT_TRUE(pdf.contains("2 0 obj\r\n<< /Creator (TExtraFilters)\r\n/CreationDate (D:20260307)\r\n"
                             "/Title (Members \\(all\\) \\\\ 2026)\r\n/Author (TExtraFilters)\r\n/Producer (TExtraFilters)\r\n"
                             "/Keywords ()\r\n/Subject () >>\r\nendobj\r\n"));
    EXPECT_TRUE(pdf.contains("3 0 obj\r\n<< /Type /Pages \r\n/Kids [ 4 0 R  ] \r\n/Count 1 >> \r\nendobj\r\n"));
    EXPECT_TRUE(pdf.contains("4 0 obj\r\n<< /Type /Pages \r\n/Kids [  5 0 R ] \r\n/Count 1 \r\n/Parent 3 0 R >> \r\n"));
}

TEST_F(TPDFFilterTest, StreamLengthIsOneLessThanTheContentBytes)
{
    const QByteArray pdf = RunPages({TPage{TLabel{200, 300, QStringLiteral("a")}, TLabel{200, 600, QStringLiteral("b")}}});
    EXPECT_TRUE(pdf.contains("7 0 obj\r\n" + Num(qint32(Content(pdf).size() - 1)) + "\r\nendobj\r\n"));
}

TEST_F(TPDFFilterTest, GroupsPagesByTen)
{
    const QByteArray pdf = RunPages(OneLabelPages(25));
    // Each page takes five objects (page, contents, length, procedure set, resources); one font.
    EXPECT_TRUE(pdf.contains("3 0 obj\r\n<< /Type /Pages \r\n/Kids [ 4 0 R 56 0 R 107 0 R  ] \r\n/Count 25 >> \r\n"));
    EXPECT_TRUE(pdf.contains("4 0 obj\r\n<< /Type /Pages \r\n/Kids [  5 0 R 11 0 R 16 0 R 21 0 R 26 0 R 31 0 R 36 0 R "
                             "41 0 R 46 0 R 51 0 R ] \r\n/Count 10 \r\n/Parent 3 0 R >> \r\n"));
    EXPECT_TRUE(pdf.contains("56 0 obj\r\n<< /Type /Pages \r\n/Kids [  57 0 R"));
    EXPECT_TRUE(pdf.contains("107 0 obj\r\n<< /Type /Pages \r\n/Kids [  108 0 R 113 0 R 118 0 R 123 0 R 128 0 R ] \r\n"
                             "/Count 5 \r\n/Parent 3 0 R >> \r\n"));
    EXPECT_TRUE(pdf.contains("/Parent 107 0 R \r\n"));
    EXPECT_TRUE(pdf.contains("xref\r\n0 133\r\n"));
}

TEST_F(TPDFFilterTest, SetsEachLabelInPrintingOrderWithItsFontAndColour)
{
    const TFont orange{QStringLiteral("Arial"), 12, false, false, false, false, TColor(0x0080FF)};
    const TFont windowText{QStringLiteral("Courier New"), 9, true, false, false, false, clWindowText};
    const QByteArray content = Content(RunPages(
        {TPage{TLabel{1000, 300, QStringLiteral("a(b)\\c"), &orange}, TLabel{200, 300, QStringLiteral("x\r\ny")},
               TLabel{200, 600, QStringLiteral("bold"), &windowText}}}));
    const QList<QByteArray> lines = content.split('\n');
    ASSERT_EQ(lines.size(), 20); // 19 lines and what follows the last line end
    EXPECT_EQ(lines[0], "BT\r");
    EXPECT_EQ(lines[1], "1.000 0.502 0.000 rg\r");
    EXPECT_EQ(lines[2], "/F0 12 Tf\r");
    EXPECT_EQ(lines[3], "14 TL\r");
    EXPECT_TRUE(lines[4].endsWith(" Td (a\\(b\\)\\\\c) Tj \r"));
    EXPECT_EQ(lines[5], "0.000 0.000 0.000 rg\r");
    EXPECT_EQ(lines[6], "ET\r");
    // Black text sets no colour; Arial in another size is the same standard font.
    EXPECT_EQ(lines[8], "/F0 10 Tf\r");
    EXPECT_TRUE(lines[10].endsWith(" Td (x) Tj T* (y) Tj \r"));
    EXPECT_EQ(lines[13], "0.000 0.000 0.000 rg\r"); // the system window-text colour
    EXPECT_EQ(lines[14], "/F1 9 Tf\r");
}

TEST_F(TPDFFilterTest, PlacesTheFirstBaselineInsideTheLabelsBox)
{
    struct TRow
    {
        TFont Font;
        int Alignment;
    };
    const TRow rows[] = {{TFont{QStringLiteral("Arial"), 10}, taLeftJustify},
                         {TFont{QStringLiteral("Times New Roman"), 24}, taRightJustify},
                         {TFont{QStringLiteral("Courier New"), 8}, taCenter}};
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Font.Name.toStdString());
        const QString text = QStringLiteral("Label");
        const QByteArray content = Content(RunPages({TPage{TLabel{1000, 500, text, &row.Font, row.Alignment}}}));
        const QList<QByteArray> td = content.mid(content.indexOf(" TL\r\n") + 5).split(' ');
        const qint32 top = 841 - MicronsToPoints(NativeToMicrons(500));
        // The font's ascent at this size, in points.
        const QFontMetricsF metrics(row.Font.ToQFont());
        const double ascent = metrics.ascent() * 72.0 / metrics.fontDpi();
        EXPECT_NEAR(td[1].toInt(), top - ascent, 0.5);
        const qint32 width = MeasuredWidth(row.Font, text);
        const qint32 left = row.Alignment == taLeftJustify ? NativeToMicrons(1000)
            : row.Alignment == taCenter                   ? NativeToMicrons(1000) - width / 2
                                                          : NativeToMicrons(1000) - width - 2000;
        EXPECT_EQ(td[0].toInt(), MicronsToPoints(left));
    }
}

TEST_F(TPDFFilterTest, TruncatesLetterPaperToWholePointsInTheMediaBox)
{
    EXPECT_TRUE(RunPages(OneLabelPages(1), LetterWidth, LetterHeight).contains("/MediaBox [0 0 611 791] "));
}

TEST(TPDFFilter, ChoosesAStandardFontByName)
{
    struct TRow
    {
        const char* Name;
        bool Bold;
        QByteArray Standard;
    };
    const TRow rows[] = {
        {"Arial", false, "Helvetica"},      {"Arial Narrow", true, "Helvetica-Bold"},
        {"Courier New", false, "Courier"},  {"Courier New", true, "Courier-Bold"},
        {"Times New Roman", true, "Times-Bold"}, {"Tahoma", true, "Times-Roman"},
        {"courier", true, "Courier-Bold"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TFont font{QString::fromLatin1(row.Name), 10, row.Bold};
        EXPECT_EQ(TPDFFilter::StandardFontName(font), row.Standard);
    }
}

namespace {

// What a program prints for the arguments; not started: nothing, and `ran` false.
struct TToolRun
{
    bool Ran = false;
    int ExitCode = -1;
    QByteArray Output;
};

TToolRun RunTool(const QString& program, const QStringList& arguments)
{
    TToolRun run;
    if (QStandardPaths::findExecutable(program).isEmpty())
        return run;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return run;
    run.Ran = true;
    run.ExitCode = process.exitCode();
    run.Output = process.readAllStandardOutput();
    return run;
}

struct TWord
{
    QString Text;
    double XMin = 0;
    double XMax = 0;
};

// The words pdftotext finds and their boxes, in points from the left edge.
QList<TWord> PdfWords(const QString& file)
{
    QList<TWord> words;
    const TToolRun run = RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")});
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"[\\d.]+\" xMax=\"([\\d.]+)\" yMax=\"[\\d.]+\">([^<]*)</word>"));
    auto matches = word.globalMatch(QString::fromUtf8(run.Output));
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        words.append(TWord{match.captured(3), match.captured(1).toDouble(), match.captured(2).toDouble()});
    }
    return words;
}

} // namespace

TEST_F(TPDFFilterTest, GivesEveryNameBackInItsScriptAndKeepsWinAnsiTextInTheStandardFonts)
{
    const bool readers = !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
    const TFont boldItalic{QStringLiteral("Times New Roman"), 12, true, true};
    const TFont courier{QStringLiteral("Courier New"), 9};
    struct TRow
    {
        const char* Script;
        QString Text;
        const TFont* Font;
        int Alignment;
        bool Composite;
    };
    const TRow rows[] = {
        {"Polish", QStringLiteral("Wałęsa, Łukasz"), nullptr, taLeftJustify, true},
        {"Czech", QStringLiteral("Dvořák, Jiří"), &boldItalic, taLeftJustify, true},
        {"Turkish", QStringLiteral("Şahin, Ayşe Ğül"), &courier, taRightJustify, true},
        {"Vietnamese", QStringLiteral("Nguyễn, Thị Hồng"), nullptr, taCenter, true},
        {"Greek", QStringLiteral("Παπαδόπουλος, Γιώργος"), &boldItalic, taRightJustify, true},
        {"Cyrillic", QStringLiteral("Дмитриев, Иван"), &courier, taLeftJustify, true},
        // Beyond the BMP: a surrogate pair in the text and in the ToUnicode map, from a fallback font.
        {"Mathematical", QStringLiteral("Bold \U0001D400\U0001D401"), nullptr, taLeftJustify, true},
        {"Code page 1252", QStringLiteral("Müller, José € Œ"), nullptr, taLeftJustify, false},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Script);
        const QString file = m_dir.filePath(QStringLiteral("names.pdf"));
        {
            TPDFFilter filter(file);
            // The anchor of a right-aligned label is its right edge, of a centred one its centre.
            RunReport(filter, {TPage{TLabel{200, 300, QStringLiteral("Name")},
                                     TLabel{1000, 600, row.Text, row.Font, row.Alignment}}});
        }
        const QByteArray pdf = ReadFile(file);
        EXPECT_TRUE(pdf.startsWith("%PDF-1.2\r\n"));
        // Text the standard fonts hold is set in them as it always was, on a page with either kind.
        EXPECT_TRUE(Content(pdf).contains("Td (Name) Tj \r\n"));
        EXPECT_EQ(pdf.contains("/Subtype /Type0 "), row.Composite);
        EXPECT_TRUE(pdf.contains("/Subtype /Type1 \r\n/Name /F0 \r\n/BaseFont /Helvetica "));
        if (!row.Composite) {
            EXPECT_TRUE(Content(pdf).contains(" Td (" + ToCodePage1252(row.Text) + ") Tj \r\n"));
        }

        if (!readers)
            continue;
        const TToolRun check = RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), file});
        if (check.Ran) {
            EXPECT_EQ(check.ExitCode, 0) << check.Output.toStdString();
        }
        const TToolRun text = RunTool(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
        QStringList lines;
        for (const QString& line : QString::fromUtf8(text.Output).split(QLatin1Char('\n'))) {
            if (!line.trimmed().isEmpty())
                lines.append(line.trimmed());
        }
        ASSERT_EQ(lines.size(), 2) << text.Output.toStdString();
        EXPECT_EQ(lines[0], QStringLiteral("Name"));
        EXPECT_EQ(lines[1], row.Text);

        // The label ends, centres or starts where the layout put its anchor.
        double left = 1e9;
        double right = 0;
        for (const TWord& word : PdfWords(file)) {
            if (word.Text != QStringLiteral("Name")) {
                left = std::min(left, word.XMin);
                right = std::max(right, word.XMax);
            }
        }
        const double anchor = MicronsToPoints(NativeToMicrons(1000));
        if (row.Alignment == taLeftJustify)
            EXPECT_NEAR(left, anchor, 1.0);
        else if (row.Alignment == taCenter)
            EXPECT_NEAR((left + right) / 2, anchor, 1.0);
        else
            EXPECT_NEAR(right, MicronsToPoints(NativeToMicrons(1000) - 2000), 1.0);
    }
    if (!readers)
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed; the text was not read back";
}
