#include "CodePages.h"
#include "EExportError.h"
#include "ExportTestSupport.h"
#include "TExtraFilter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

using namespace ExportTest;

namespace {

struct TWrittenBand
{
    int Page = 0;
    int Row = 0; // RowCounter when the band was written
    std::vector<TReportItem> Items;
};

// Records what the page model hands to the writer hooks.
class TRecordingFilter : public TExtraFilter
{
public:
    using TExtraFilter::TExtraFilter;
    QString Description() const override { return DisplayName(); }
    QString FileExtension() const override { return QStringLiteral("TXT"); }
    QString DisplayName() const override { return QStringLiteral("Test File"); }

    bool Grouped = true;
    std::vector<TWrittenBand> Bands;
    std::vector<bool> LastPageSeen; // per output page

protected:
    void BeginDocument() override
    {
        TExtraFilter::BeginDocument();
        GroupRows = Grouped;
    }
    void BeginPageOutput() override
    {
        TExtraFilter::BeginPageOutput();
        LastPageSeen.push_back(LastPage);
    }
    void WriteBand(TReportBand& band) override
    {
        TWrittenBand written{PageNumber, RowCounter, {}};
        for (const TReportItem* item : band)
            written.Items.push_back(*item);
        Bands.push_back(written);
        WriteText(QByteArray::number(band.size()));
    }
};

class TExtraFilterTest : public ::testing::Test
{
protected:
    QTemporaryDir Dir;
    QString Path(const char* name) const { return Dir.filePath(QString::fromLatin1(name)); }
};

// Tops given in µm; the engine's tenths of a millimetre are 100.0025 µm, so µm / 100 rounds back.
TLabel At(double yMicrons, double xTenths, const char* text, int alignment = taLeftJustify)
{
    return TLabel{xTenths, yMicrons / 100.0, QString::fromLatin1(text), alignment, nullptr};
}

QList<QByteArray> Texts(const TWrittenBand& band)
{
    QList<QByteArray> texts;
    for (const TReportItem& item : band.Items)
        texts.append(item.Text.toUtf8());
    return texts;
}

} // namespace

TEST(UnitConversions, TruncateWithTheStoredInchPerMillimetre)
{
    struct TRow
    {
        const char* Name;
        qint32 Actual;
        qint32 Expected;
    };
    const TRow rows[] = {
        {"A4 width to microns", NativeToMicrons(2100), 210000},
        {"US Letter width", NativeToMicrons(2159), 215900},
        {"US Letter height", NativeToMicrons(2794), 279400},
        {"fraction of a tenth", NativeToMicrons(0.15), 15},
        {"negative truncates toward zero", NativeToMicrons(-0.15), -15},
        {"A4 width to pixels", MicronsToPixels(210000), 793},
        {"A4 width to points", MicronsToPoints(210000), 595},
        {"A4 width to twips", MicronsToTwips(210000), 11905},
        {"Letter width to twips", MicronsToTwips(215900), 12239},
        {"16 pixels", PixelsToMicrons(16), 4233},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(row.Actual, row.Expected);
    }
}

TEST(SharedFunctions, ReplaceAllScansTheUnchangedInput)
{
    EXPECT_EQ(ReplaceAll("a\r\nb\r\n", "\r\n", " "), QByteArray("a b "));
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), QByteArray("aaaaaa"));
    EXPECT_EQ(ReplaceAll("abc", "", "x"), QByteArray("abc"));
    EXPECT_EQ(ReplaceAll("a\rb\n", "\r\n", " "), QByteArray("a\rb\n"));
}

TEST(SharedFunctions, FormatNumbersAndColours)
{
    EXPECT_EQ(Int16Bytes(0x1234), QByteArray("\x34\x12", 2));
    EXPECT_EQ(Int16Bytes(65536 + 5), QByteArray("\x05\x00", 2));
    EXPECT_EQ(HtmlColor(0x0080FF), QByteArray("#FF8000"));
    EXPECT_EQ(HtmlColor(clHighlight), QByteArray("#000080"));
    EXPECT_EQ(HtmlColor(clBtnFace), QByteArray("#C0C0C0"));
    EXPECT_EQ(RtfColorKey(0x0080FF), QByteArray("255128000"));
    EXPECT_EQ(RtfColorKey(clWindow), QByteArray("255255255"));
    EXPECT_EQ(PdfColor(0x0080FF), QByteArray("1.000 0.502 0.000"));
    EXPECT_EQ(PdfColor(clWindowText), QByteArray("0.000 0.000 0.000"));
    EXPECT_EQ(CountChar("a\nb\n\n", '\n'), 3);
}

TEST(SharedFunctions, PageFileNameKeepsTheTypedExtension)
{
    EXPECT_EQ(PageFileName(QStringLiteral("/tmp/out.d/Report.Htm"), 3, true), QStringLiteral("/tmp/out.d/Report0003.Htm"));
    EXPECT_EQ(PageFileName(QStringLiteral("/tmp/out.d/Report.Htm"), 12, false), QStringLiteral("Report0012.Htm"));
    EXPECT_EQ(PageFileName(QStringLiteral("/tmp/out.d/Report"), 1, true), QStringLiteral("/tmp/out.d/Report0001"));
    EXPECT_EQ(PageFileName(QStringLiteral("a.b.htm"), 2, true), QStringLiteral("a.b0002.htm"));
}

TEST(CodePages, TextBecomesCodePage1252AtOnePoint)
{
    EXPECT_EQ(ToCodePage1252(QString::fromUtf8("Café € “x”")), QByteArray("Caf\xE9 \x80 \x93x\x94"));
    // A character outside the code page, and one outside the BMP, each become one "?".
    EXPECT_EQ(ToCodePage1252(QString::fromUtf8("a\xE4\xB8\xAD b\xF0\x9F\x98\x80" "c")), QByteArray("a? b?c"));
    EXPECT_EQ(FromCodePage1252("Caf\xE9 \x80"), QString::fromUtf8("Café €"));
}

TEST(CodePages, SpreadsheetTextIsReencodedForDos)
{
    EXPECT_EQ(CodePage1252To437("Total 12"), QByteArray("Total 12"));
    EXPECT_EQ(CodePage1252To437("\xE9\xFC\xC7\xB0\xA3"), QByteArray("\x82\x81\x80\xF8\x9C")); // é ü Ç ° £
    EXPECT_EQ(CodePage1252To437("\x80\xC0"), QByteArray("??")); // € and À are not in 437
}

TEST_F(TExtraFilterTest, RowsAreMeasuredFromTheirFirstItemNotChained)
{
    TRecordingFilter filter(Path("rows.txt"));
    RunExport(filter, {{At(30, 100, "c"), At(0, 300, "a2"), At(15, 100, "b"), At(0, 100, "a1"), At(19.99 + 20, 100, "d")}});
    ASSERT_EQ(filter.Bands.size(), 2u);
    // 0, 0 and 15 µm form the first row, ordered by X; 30 (and 39.99) start the next.
    EXPECT_EQ(Texts(filter.Bands[0]), (QList<QByteArray>{"a1", "b", "a2"}));
    EXPECT_EQ(Texts(filter.Bands[1]), (QList<QByteArray>{"c", "d"}));
    EXPECT_EQ(filter.Bands[1].Items[0].RowIndex, 1);
}

TEST_F(TExtraFilterTest, TwentyMicronsApartStartsANewRow)
{
    TRecordingFilter filter(Path("rows.txt"));
    RunExport(filter, {{At(1000, 100, "a"), At(1019, 200, "b"), At(2000, 100, "c"), At(2020, 200, "d")}});
    ASSERT_EQ(filter.Bands.size(), 3u);
    // The tops arrive exactly 19 and 20 µm apart, so the test sits on the boundary itself.
    EXPECT_EQ(filter.Bands[0].Items[1].Y - filter.Bands[0].Items[0].Y, 19);
    EXPECT_EQ(Texts(filter.Bands[0]), (QList<QByteArray>{"a", "b"}));
    EXPECT_EQ(filter.Bands[2].Items[0].Y - filter.Bands[1].Items[0].Y, 20);
    EXPECT_EQ(Texts(filter.Bands[1]), QList<QByteArray>{"c"});
    EXPECT_EQ(Texts(filter.Bands[2]), QList<QByteArray>{"d"});
}

TEST_F(TExtraFilterTest, ItemsOfARowAreOrderedByAnchor)
{
    TRecordingFilter filter(Path("rows.txt"));
    // The right-aligned label's right edge (anchor 500) lies left of the other's left edge (600).
    RunExport(filter, {{At(0, 600, "left"), At(0, 500, "right", taRightJustify)}});
    ASSERT_EQ(filter.Bands.size(), 1u);
    EXPECT_EQ(Texts(filter.Bands[0]), (QList<QByteArray>{"right", "left"}));
}

TEST_F(TExtraFilterTest, AnchorsBeyondEightDigitsKeepNumericOrder)
{
    TRecordingFilter filter(Path("rows.txt"));
    RunExport(filter, {{TLabel{2000000, 0, QStringLiteral("far"), taLeftJustify, nullptr},
                  TLabel{900000, 0, QStringLiteral("near"), taLeftJustify, nullptr}}});
    ASSERT_EQ(filter.Bands.size(), 1u);
    EXPECT_EQ(Texts(filter.Bands[0]), (QList<QByteArray>{"near", "far"}));
}

TEST_F(TExtraFilterTest, MeasuresTextAndPlacesItsLeftEdge)
{
    TRecordingFilter filter(Path("measure.txt"));
    RunExport(filter, {{At(0, 1000, "Total", taLeftJustify), At(5000, 1000, "Total", taRightJustify),
                  At(10000, 1000, "Total", taCenter), At(15000, 1000, "", taLeftJustify)}});
    ASSERT_EQ(filter.Bands.size(), 4u);
    const TReportItem& left = filter.Bands[0].Items[0];
    const TReportItem& right = filter.Bands[1].Items[0];
    const TReportItem& centre = filter.Bands[2].Items[0];
    const TReportItem& empty = filter.Bands[3].Items[0];
    const qint32 anchor = NativeToMicrons(1000);
    EXPECT_GT(left.Width, 0);
    EXPECT_GT(left.Height, 0);
    EXPECT_EQ(left.X, anchor);
    EXPECT_EQ(left.TextLeft, anchor);
    EXPECT_EQ(right.TextLeft, anchor - right.Width - 2000);
    EXPECT_EQ(centre.TextLeft, anchor - centre.Width / 2);
    EXPECT_EQ(right.Width, left.Width);
    // An empty line still becomes an item, with no width.
    EXPECT_EQ(empty.Text, QString());
    EXPECT_EQ(empty.Width, 0);
}

TEST_F(TExtraFilterTest, MeasurementFollowsTheFont)
{
    TFont bold;
    bold.Bold = true;
    bold.Size = 20;
    TRecordingFilter filter(Path("measure.txt"));
    RunExport(filter, {{At(0, 100, "Activity"), TLabel{100, 100, QStringLiteral("Activity"), taLeftJustify, &bold}}});
    ASSERT_EQ(filter.Bands.size(), 2u);
    const TReportItem& plain = filter.Bands[0].Items[0];
    const TReportItem& large = filter.Bands[1].Items[0];
    EXPECT_GT(large.Width, plain.Width * 3 / 2);
    EXPECT_GT(large.Height, plain.Height * 3 / 2);
    EXPECT_EQ(large.Font, &bold);
}

TEST_F(TExtraFilterTest, EmptyPagesProduceNothingAndKeepPageNumbers)
{
    TRecordingFilter filter(Path("pages.txt"));
    RunExport(filter, {{At(0, 100, "p1")}, {}, {At(0, 100, "p3")}});
    ASSERT_EQ(filter.Bands.size(), 2u);
    EXPECT_EQ(filter.Bands[0].Page, 1);
    EXPECT_EQ(filter.Bands[1].Page, 2);
    // Items are numbered from 1 on every page.
    EXPECT_EQ(filter.Bands[1].Items[0].Sequence, 1);
}

TEST_F(TExtraFilterTest, RowCounterRunsOnAcrossPages)
{
    TRecordingFilter filter(Path("pages.txt"));
    RunExport(filter, {{At(0, 100, "a"), At(5000, 100, "b")}, {At(0, 100, "c")}});
    ASSERT_EQ(filter.Bands.size(), 3u);
    EXPECT_EQ(filter.Bands[0].Row, 0);
    EXPECT_EQ(filter.Bands[1].Row, 1);
    EXPECT_EQ(filter.Bands[2].Row, 2);
}

TEST_F(TExtraFilterTest, UngroupedPageIsOneBandInRowOrder)
{
    TRecordingFilter filter(Path("page.txt"));
    filter.Grouped = false;
    RunExport(filter, {{At(5000, 100, "second"), At(0, 300, "first b"), At(0, 100, "first a")}});
    ASSERT_EQ(filter.Bands.size(), 1u);
    EXPECT_EQ(Texts(filter.Bands[0]), (QList<QByteArray>{"first a", "first b", "second"}));
    EXPECT_EQ(filter.Bands[0].Items[2].RowIndex, 1);
}

TEST_F(TExtraFilterTest, LastPageFlagReachesTheWriters)
{
    TRecordingFilter filter(Path("last.txt"));
    filter.StartExport(2100, 2970, DefaultFont());
    for (int page = 0; page < 2; ++page) {
        filter.OpenPage();
        filter.AddText(100, 100, DefaultFont(), clWhite, taLeftJustify, QStringLiteral("x"));
        filter.SetLastPage(page == 1);
        filter.ClosePage();
    }
    filter.FinishExport();
    EXPECT_EQ(filter.LastPageSeen, (std::vector<bool>{false, true}));
}

TEST_F(TExtraFilterTest, FileIsWrittenOnlyWhenTheExportFinishes)
{
    const QString fileName = Path("out.txt");
    {
        QFile old(fileName);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier");
    }
    {
        TRecordingFilter filter(fileName);
        filter.StartExport(2159, 2794, DefaultFont());
        filter.OpenPage();
        filter.AddText(100, 100, DefaultFont(), clWhite, taLeftJustify, QStringLiteral("abc"));
        filter.ClosePage();
        // Destroyed without FinishExport, as after a failure or a cancel.
    }
    EXPECT_EQ(ReadFile(fileName), QByteArray("earlier"));
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.txt")});

    TRecordingFilter filter(fileName);
    RunExport(filter, {{At(0, 100, "abc"), At(0, 200, "def")}});
    EXPECT_EQ(ReadFile(fileName), QByteArray("2"));
}

TEST_F(TExtraFilterTest, FailureToCreateTheFileNamesIt)
{
    const QString fileName = Path("missing/folder/out.xls");
    TRecordingFilter filter(fileName);
    try {
        filter.StartExport(2159, 2794, DefaultFont());
        FAIL() << "no exception";
    } catch (const EExportError& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot create file \"%1\".").arg(fileName))) << e.what();
    }
}
