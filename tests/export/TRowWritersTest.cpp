// The row writers: the CSV's bytes, quoting and formula guard; the XLSX's cells read back without the
// library that wrote them; the sheet continuation; and what an unfinished export leaves behind.
#include "EExportError.h"
#include "TestFiles.h"
#include "TCsvRowWriter.h"
#include "TStagedFile.h"
#include "TXlsxRowWriter.h"
#include "XlsxContent.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QDate DayZero(1899, 12, 30);

TRowCell Text(const QString& text) { return {ckText, 0, text}; }
TRowCell Integer(qint64 number) { return {ckInteger, double(number), QString::number(number)}; }
TRowCell Amount(double amount, const QString& text) { return {ckCurrency, amount, text}; }
TRowCell Date(const QDate& date)
{
    return {ckDate, double(DayZero.daysTo(date)),
            QStringLiteral("%1/%2/%3").arg(date.month()).arg(date.day()).arg(date.year())};
}

TRowTable Table()
{
    return {QStringLiteral("Activity Report"),
            {QStringLiteral("Activity"), QStringLiteral("Member#"), QStringLiteral("Name"), QStringLiteral("Start"),
             QStringLiteral("Count Down"), QStringLiteral("Pymt Rate")},
            QStringLiteral("Activity Report"),
            QStringLiteral("Riverside Tennis Club")};
}

TRowCounts Counts(const QList<QPair<QString, qint64>>& groups)
{
    qint64 total = 0;
    for (const auto& group : groups)
        total += group.second;
    return {QStringLiteral("Counts"), QStringLiteral("Activity"), QStringLiteral("Member Count"),
            QStringLiteral("Total Member Count"), groups, total};
}

QList<TRowCell> Member(int number)
{
    return {Text(QStringLiteral("Aqua Fit")), Integer(number), Text(QStringLiteral("Member %1").arg(number)),
            Date(QDate(2026, 1, number)), Integer(5), Amount(10, QStringLiteral("10.00"))};
}

QStringList Files(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

TEST(TCsvRowWriter, QuotesWhereNeededAndGuardsOnlyTextThatWouldRunAsAFormula)
{
    const struct {
        const char* name;
        TRowCell cell;
        QByteArray field;
    } cases[] = {
        {"plain text", Text(QStringLiteral("Aqua Fit")), "Aqua Fit"},
        {"comma", Text(QStringLiteral("Allen, Linda")), "\"Allen, Linda\""},
        {"quotes doubled", Text(QStringLiteral("Say \"hi\"")), "\"Say \"\"hi\"\"\""},
        {"line break", Text(QStringLiteral("two\nlines")), "\"two\nlines\""},
        {"carriage return inside", Text(QStringLiteral("a\rb")), "\"a\rb\""},
        {"accents as UTF-8", Text(QStringLiteral("Zo\u00EB \u00C5ngstr\u00F6m")), "Zo\xC3\xAB \xC3\x85ngstr\xC3\xB6m"},
        {"equals", Text(QStringLiteral("=1+1")), "\"'=1+1\""},
        {"plus", Text(QStringLiteral("+1 555 0100")), "\"'+1 555 0100\""},
        {"minus", Text(QStringLiteral("-5")), "\"'-5\""},
        {"at", Text(QStringLiteral("@x")), "\"'@x\""},
        {"tab", Text(QStringLiteral("\tx")), "\"'\tx\""},
        {"leading carriage return", Text(QStringLiteral("\rx")), "\"'\rx\""},
        {"guard and quotes", Text(QStringLiteral("=HYPERLINK(\"x\")")), "\"'=HYPERLINK(\"\"x\"\")\""},
        {"formula sign later", Text(QStringLiteral("a=b")), "a=b"},
        {"negative number stays a number", Integer(-1), "-1"},
        {"negative amount", Amount(-5, QStringLiteral("-5.00")), "-5.00"},
        {"date", Date(QDate(2026, 12, 9)), "12/9/2026"},
        {"empty", TRowCell(), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray line;
        TCsvRowWriter::AppendField(line, c.cell);
        EXPECT_EQ(line, c.field);
    }
}

TEST(TCsvRowWriter, WritesAByteOrderMarkTheHeadingsAndCrLfLines)
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("rows.csv"));
    TCsvRowWriter writer(fileName);
    writer.Start(Table());
    writer.WriteRow(Member(1));
    writer.WriteRow({Text(QStringLiteral("Aqua Fit")), TRowCell(), Text(QStringLiteral("Allen, Linda")), TRowCell(),
                     Integer(-1), Amount(99.125, QStringLiteral("99.125"))});
    EXPECT_FALSE(QFile::exists(fileName)) << "nothing appears before the export has finished";
    writer.Finish(Counts({{QStringLiteral("Aqua Fit"), 2}}));

    EXPECT_EQ(ReadFile(fileName), QByteArray("\xEF\xBB\xBF"
                                             "Activity,Member#,Name,Start,Count Down,Pymt Rate\r\n"
                                             "Aqua Fit,1,Member 1,1/1/2026,5,10.00\r\n"
                                             "Aqua Fit,,\"Allen, Linda\",,-1,99.125\r\n"));
    EXPECT_EQ(Files(dir), QStringList{QStringLiteral("rows.csv")});
}

TEST(TCsvRowWriter, AnUnfinishedExportLeavesTheEarlierFileAsItWas)
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("rows.csv"));
    WriteFile(fileName, "earlier");
    {
        TCsvRowWriter writer(fileName);
        writer.Start(Table());
        for (int i = 1; i <= 20000; ++i) // past the output buffer, so part of it reached the disk
            writer.WriteRow(Member(1 + i % 28));
    }
    EXPECT_EQ(ReadFile(fileName), QByteArray("earlier"));
    EXPECT_EQ(Files(dir), QStringList{QStringLiteral("rows.csv")});
}

TEST(TStagedFile, ReplacesALinkAtTheTargetAndKeepsTheReplacedFilesPermissions)
{
    QTemporaryDir dir;
    const QString elsewhere = dir.filePath(QStringLiteral("club.db"));
    const QString link = dir.filePath(QStringLiteral("link.csv"));
    WriteFile(elsewhere, "database");
    ASSERT_TRUE(QFile::link(elsewhere, link));
    {
        TStagedFile file(link);
        file.Open();
        file.Write("rows");
        file.Commit();
    }
    EXPECT_EQ(ReadFile(elsewhere), QByteArray("database"));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadFile(link), QByteArray("rows"));

    const QString kept = dir.filePath(QStringLiteral("kept.csv"));
    WriteFile(kept, "old");
    ASSERT_EQ(chmod(QFile::encodeName(kept).constData(), 0640), 0);
    TStagedFile file(kept);
    file.Open();
    file.Write("new");
    file.Commit();
    struct stat info = {};
    ASSERT_EQ(stat(QFile::encodeName(kept).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFile(kept), QByteArray("new"));
}

TEST(TStagedFile, NamesTheFileAndTheSystemsReason)
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("missing/rows.csv"));
    TStagedFile file(fileName);
    try {
        file.Open();
        FAIL() << "a file in a missing folder was created";
    } catch (const EExportError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(fileName));
    }
}

class TXlsxRowWriterTest : public ::testing::Test
{
protected:
    TXlsxContent Write(const QList<QList<TRowCell>>& rows, int rowsPerSheet = TXlsxRowWriter::SheetDataRows)
    {
        const QString fileName = Dir.filePath(QStringLiteral("rows.xlsx"));
        TXlsxRowWriter writer(fileName);
        writer.SetMaxDataRowsPerSheet(rowsPerSheet);
        writer.Start(Table());
        for (const auto& row : rows)
            writer.WriteRow(row);
        writer.Finish(Counts({{QStringLiteral("Aqua Fit"), 3}, {QStringLiteral("Yoga"), 2}}));
        EXPECT_EQ(Files(Dir), QStringList{QStringLiteral("rows.xlsx")}) << "no temporary file is left";
        const TXlsxContent content = ReadXlsx(fileName);
        EXPECT_EQ(content.Error, QString());
        return content;
    }

    static QStringList SheetNames(const TXlsxContent& content)
    {
        QStringList names;
        for (const TXlsxSheet& sheet : content.Sheets)
            names << sheet.Name;
        return names;
    }

    QTemporaryDir Dir;
};

TEST_F(TXlsxRowWriterTest, WritesTypedCellsUnderAFrozenFilteredHeader)
{
    const TXlsxContent book =
        Write({Member(7),
               {Text(QStringLiteral("=1+1")), Integer(-1), Text(QStringLiteral("Allen, Linda \"Lin\"\nZo\u00EB")),
                Date(QDate(2026, 12, 9)), TRowCell(), Amount(99.5, QStringLiteral("99.50"))},
               {Text(QStringLiteral("a\rb\tc")), Integer(0), Text(QStringLiteral("lit_x0041_eral _x00")),
                Text(QStringLiteral("Line1\r\nLine2")), TRowCell(), TRowCell()}});
    ASSERT_EQ(book.Sheets.size(), 2);
    const TXlsxSheet& sheet = book.Sheets[0];
    EXPECT_EQ(book.Title, QStringLiteral("Activity Report"));
    EXPECT_EQ(book.Company, QStringLiteral("Riverside Tennis Club"));

    EXPECT_EQ(sheet.Cell(QStringLiteral("A1")).Value, QStringLiteral("Activity"));
    EXPECT_EQ(sheet.Cell(QStringLiteral("F1")).Value, QStringLiteral("Pymt Rate"));
    EXPECT_TRUE(sheet.Cell(QStringLiteral("A1")).Bold);
    EXPECT_EQ(sheet.FrozenTopLeft, QStringLiteral("A2"));
    EXPECT_EQ(sheet.AutoFilter, QStringLiteral("A1:F4"));

    const TXlsxCell formulaText = sheet.Cell(QStringLiteral("A3"));
    EXPECT_EQ(formulaText.Type, QStringLiteral("inlineStr"));
    EXPECT_EQ(formulaText.Value, QStringLiteral("=1+1"));
    EXPECT_FALSE(formulaText.Formula);
    EXPECT_EQ(sheet.Cell(QStringLiteral("C3")).Value, QStringLiteral("Allen, Linda \"Lin\"\nZo\u00EB"));
    // Control characters and text that looks like their escapes come back as written; a line break,
    // CR LF or a lone CR, is a line feed alone.
    EXPECT_EQ(sheet.Cell(QStringLiteral("A4")).Value, QStringLiteral("a\nb\tc"));
    EXPECT_EQ(sheet.Cell(QStringLiteral("D4")).Value, QStringLiteral("Line1\nLine2"));
    EXPECT_EQ(sheet.Cell(QStringLiteral("C4")).Value, QStringLiteral("lit_x0041_eral _x00"));

    const TXlsxCell number = sheet.Cell(QStringLiteral("B3"));
    EXPECT_EQ(number.Type, QString());
    EXPECT_EQ(number.Value, QStringLiteral("-1"));
    EXPECT_EQ(sheet.Cell(QStringLiteral("B2")).Value, QStringLiteral("7"));

    const TXlsxCell date = sheet.Cell(QStringLiteral("D3"));
    EXPECT_EQ(date.Type, QString());
    EXPECT_EQ(date.Value.toDouble(), DayZero.daysTo(QDate(2026, 12, 9)));
    EXPECT_EQ(date.NumberFormat, QStringLiteral("m/d/yyyy"));

    const TXlsxCell amount = sheet.Cell(QStringLiteral("F3"));
    EXPECT_EQ(amount.Value.toDouble(), 99.5);
    EXPECT_EQ(amount.NumberFormat, QStringLiteral("\"$\"#,##0.00;-\"$\"#,##0.00"));

    EXPECT_FALSE(sheet.Cells.contains(QStringLiteral("E3"))) << "an empty value leaves its cell empty";
    EXPECT_EQ(sheet.LastRow, 4);
    // Wide enough for the longest text of each column, and for the heading with its filter button.
    EXPECT_GE(sheet.Widths.value(3), double(QStringLiteral("Allen, Linda \"Lin\"\nZo\u00EB").size()));
    EXPECT_GE(sheet.Widths.value(5), double(QStringLiteral("Count Down").size() + 2));
}

TEST_F(TXlsxRowWriterTest, TheCountsFollowOnASheetOfTheirOwn)
{
    const TXlsxContent book = Write({Member(1), Member(2)});
    EXPECT_EQ(SheetNames(book), QStringList({QStringLiteral("Activity Report"), QStringLiteral("Counts")}));
    const TXlsxSheet& counts = book.Sheets[1];
    const QStringList expected[] = {{QStringLiteral("Activity"), QStringLiteral("Member Count")},
                                    {QStringLiteral("Aqua Fit"), QStringLiteral("3")},
                                    {QStringLiteral("Yoga"), QStringLiteral("2")},
                                    {QStringLiteral("Total Member Count"), QStringLiteral("5")}};
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(counts.Cell(QStringLiteral("A%1").arg(row + 1)).Value, expected[row][0]);
        const TXlsxCell count = counts.Cell(QStringLiteral("B%1").arg(row + 1));
        EXPECT_EQ(count.Value, expected[row][1]);
        EXPECT_EQ(count.Type, row == 0 ? QStringLiteral("inlineStr") : QString()) << "counts are numbers";
    }
    EXPECT_EQ(counts.LastRow, 4);
    EXPECT_TRUE(counts.Cell(QStringLiteral("A4")).Bold);
}

TEST_F(TXlsxRowWriterTest, ContinuesOnNumberedSheetsPastTheRowLimit)
{
    QList<QList<TRowCell>> rows;
    for (int member = 1; member <= 5; ++member)
        rows << Member(member);
    const TXlsxContent book = Write(rows, 2);
    EXPECT_EQ(SheetNames(book), QStringList({QStringLiteral("Activity Report"), QStringLiteral("Activity Report (2)"),
                                             QStringLiteral("Activity Report (3)"), QStringLiteral("Counts")}));
    int member = 0;
    for (int i = 0; i < 3; ++i) {
        const TXlsxSheet& sheet = book.Sheets[i];
        SCOPED_TRACE(sheet.Name.toStdString());
        EXPECT_EQ(sheet.Cell(QStringLiteral("B1")).Value, QStringLiteral("Member#"));
        EXPECT_EQ(sheet.FrozenTopLeft, QStringLiteral("A2"));
        EXPECT_EQ(sheet.AutoFilter, QStringLiteral("A1:F%1").arg(sheet.LastRow));
        for (int row = 2; row <= sheet.LastRow; ++row)
            EXPECT_EQ(sheet.Cell(QStringLiteral("B%1").arg(row)).Value, QString::number(++member));
    }
    EXPECT_EQ(member, 5);
    EXPECT_EQ(book.Sheets[2].LastRow, 2);

    // A report that fills its last sheet exactly gets no empty sheet after it.
    rows.removeLast();
    EXPECT_EQ(Write(rows, 2).Sheets.size(), 3);
}

TEST_F(TXlsxRowWriterTest, ADateASheetCannotHoldStaysText)
{
    const TXlsxContent book = Write({{Text(QStringLiteral("Aqua Fit")), Integer(1), Text(QStringLiteral("Old")),
                                      Date(QDate(1850, 6, 1)), Integer(0), TRowCell()}});
    const TXlsxCell date = book.Sheets[0].Cell(QStringLiteral("D2"));
    EXPECT_EQ(date.Type, QStringLiteral("inlineStr"));
    EXPECT_EQ(date.Value, QStringLiteral("6/1/1850"));
}

TEST_F(TXlsxRowWriterTest, AnUnfinishedWorkbookLeavesTheEarlierFileAsItWas)
{
    const QString fileName = Dir.filePath(QStringLiteral("rows.xlsx"));
    WriteFile(fileName, "earlier");
    {
        TXlsxRowWriter writer(fileName);
        writer.Start(Table());
        writer.WriteRow(Member(1));
    }
    EXPECT_EQ(ReadFile(fileName), QByteArray("earlier"));
    EXPECT_EQ(Files(Dir), QStringList{QStringLiteral("rows.xlsx")});
}
