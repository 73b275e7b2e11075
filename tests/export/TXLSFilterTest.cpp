#include "EExportError.h"
#include "ExportTestSupport.h"
#include "TXLSFilter.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ExportTest;

namespace {

// Everything before the first cell of a report whose only cell format is `cellFormats`.
QByteArray Header(const QByteArray& extraFonts, const QByteArray& cellFormats)
{
    QByteArray header = Bytes("09 04 06 00 00 00 10 00 00 00"
                              " 1E 00 08 00 07 'General'"
                              " 31 02 0C 00 C8 00 00 00 00 00 05 'Arial'"
                              " 31 02 0C 00 C8 00 01 00 00 00 05 'Arial'"
                              " 31 02 0C 00 C8 00 03 00 00 00 05 'Arial'"
                              " 31 02 0C 00 C8 00 07 00 00 00 05 'Arial'"
                              " 31 02 0C 00 C8 00 0F 00 00 00 05 'Arial'");
    header += extraFonts;
    const char* builtIn[] = {"01 00 F5 FF 20 F4 00 CE 00 00 00 00", "01 00 F5 FF 20 F4 00 CE 00 00 00 00",
                             "02 00 F5 FF 20 F4 00 CE 00 00 00 00", "02 00 F5 FF 20 F4 00 CE 00 00 00 00"};
    for (const char* payload : builtIn)
        header += Bytes("43 04 0C 00") + Bytes(payload);
    for (int i = 4; i <= 13; ++i)
        header += Bytes("43 04 0C 00 00 00 F5 FF 20 F4 00 CE 00 00 00 00");
    header += Bytes("43 04 0C 00 00 00 01 00 20 00 00 CE 00 00 00 00"
                    " 43 04 0C 00 05 21 F5 FF 20 F8 00 CE 00 00 00 00"
                    " 43 04 0C 00 05 1F F5 FF 20 F8 00 CE 00 00 00 00"
                    " 43 04 0C 00 05 20 F5 FF 20 F8 00 CE 00 00 00 00"
                    " 43 04 0C 00 05 1E F5 FF 20 F8 00 CE 00 00 00 00"
                    " 43 04 0C 00 05 0D F5 FF 20 F8 00 CE 00 00 00 00");
    header += cellFormats;
    header += Bytes("93 02 04 00 10 80 03 FF 93 02 04 00 11 80 06 FF 93 02 04 00 12 80 04 FF"
                    " 93 02 04 00 13 80 07 FF 93 02 04 00 00 80 00 FF 93 02 04 00 14 80 05 FF");
    return header;
}

const QByteArray LeftInArial = Bytes("43 04 0C 00 00 00 00 00 01 00 00 00 00 00 00 00");
const QByteArray Eof = Bytes("0A 00 00 00");

class TXLSFilterTest : public ::testing::Test
{
protected:
    QTemporaryDir Dir;
    QString FileName = Dir.filePath(QStringLiteral("report.xls"));

    QByteArray Export(const QList<TPage>& pages)
    {
        TXLSFilter filter(FileName);
        RunExport(filter, pages);
        return ReadFile(FileName);
    }
};

// Reaches the font lookup without a report around it.
class TFontProbe : public TXLSFilter
{
public:
    using TXLSFilter::TXLSFilter;
    void Begin() { BeginDocument(); }
    quint8 Index(const TFont& font) { return FontIndex(font); }
};

} // namespace

TEST_F(TXLSFilterTest, EmptyReportHasTheHeaderRecordsOnly)
{
    EXPECT_EQ(Export({{}}), Header({}, {}) + Eof);
}

TEST_F(TXLSFilterTest, RowsBecomeLabelCellsLeftToRight)
{
    const QByteArray file = Export({{TLabel{900, 0, QStringLiteral("c"), taLeftJustify, nullptr},
                                     TLabel{100, 0, QStringLiteral("Name"), taLeftJustify, nullptr},
                                     TLabel{200, 0, QStringLiteral(""), taLeftJustify, nullptr}},
                                    {TLabel{100, 0, QStringLiteral("a\r\nb\rc"), taLeftJustify, nullptr}}});
    // One shared XF (20); the empty label keeps a cell; rows continue across pages; CR LF -> blank.
    EXPECT_EQ(file, Header({}, LeftInArial)
                  + Bytes("04 02 0C 00 00 00 00 00 14 00 04 00 'Name'"
                          " 04 02 08 00 00 00 01 00 14 00 00 00"
                          " 04 02 09 00 00 00 02 00 14 00 01 00 'c'"
                          " 04 02 0D 00 01 00 00 00 14 00 05 00 'a b' 0D 'c'")
                  + Eof);
}

TEST_F(TXLSFilterTest, AlignmentAndFontsMakeTheirOwnCellFormats)
{
    TFont tahoma;
    tahoma.Name = QStringLiteral("Tahoma");
    tahoma.Size = 12;
    tahoma.Italic = true;
    TFont bold; // already in the table as entry 1
    bold.Bold = true;
    const QByteArray file = Export({{TLabel{500, 0, QStringLiteral("R"), taRightJustify, nullptr},
                                     TLabel{600, 0, QStringLiteral("C"), taCenter, nullptr},
                                     TLabel{700, 0, QStringLiteral("T"), taLeftJustify, &tahoma},
                                     TLabel{800, 0, QStringLiteral("B"), taLeftJustify, &bold}}});
    const QByteArray tahomaFont = Bytes("31 02 0D 00 F0 00 02 00 00 00 06 'Tahoma'");
    // Table entry 5 is referred to as font 6: index 4 is never used.
    const QByteArray formats = Bytes("43 04 0C 00 00 00 00 00 03 00 00 00 00 00 00 00"
                                     " 43 04 0C 00 00 00 00 00 02 00 00 00 00 00 00 00"
                                     " 43 04 0C 00 06 00 00 00 01 00 00 00 00 00 00 00"
                                     " 43 04 0C 00 01 00 00 00 01 00 00 00 00 00 00 00");
    EXPECT_EQ(file, Header(tahomaFont, formats)
                  + Bytes("04 02 09 00 00 00 00 00 14 00 01 00 'R'"
                          " 04 02 09 00 00 00 01 00 15 00 01 00 'C'"
                          " 04 02 09 00 00 00 02 00 16 00 01 00 'T'"
                          " 04 02 09 00 00 00 03 00 17 00 01 00 'B'")
                  + Eof);
}

TEST_F(TXLSFilterTest, FontNamesDifferingInCaseShareAnEntry)
{
    TFont lower;
    lower.Name = QStringLiteral("arial");
    const QByteArray file = Export({{TLabel{100, 0, QStringLiteral("x"), taLeftJustify, &lower}}});
    EXPECT_EQ(file, Header({}, LeftInArial) + Bytes("04 02 09 00 00 00 00 00 14 00 01 00 'x'") + Eof);
}

TEST_F(TXLSFilterTest, SheetRowsEndAtTheFormatsLimit)
{
    {
        TXLSFilter filter(FileName);
        RunExport(filter, ManyRows(TXLSFilter::MaxRows));
    }
    const QByteArray full = ReadFile(FileName);
    // The last row is 16383 (FF 3F).
    EXPECT_TRUE(full.endsWith(Bytes("04 02 09 00 FF 3F 00 00 14 00 01 00 'x'") + Eof));
    ASSERT_TRUE(QFile::remove(FileName));

    TXLSFilter filter(FileName);
    try {
        RunExport(filter, ManyRows(TXLSFilter::MaxRows + 1));
        FAIL() << "no exception";
    } catch (const EExportError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("The report has 16385 rows, but an Excel sheet holds at most 16384 rows. "
                                              "XLSX and CSV hold the whole report."));
    }
    EXPECT_FALSE(QFile::exists(FileName));
}

TEST_F(TXLSFilterTest, FontsBeyondTheIndexByteFallBackToTheDefault)
{
    TFontProbe probe(FileName);
    probe.Begin();
    QList<TFont> fonts(260);
    QList<int> indexes;
    for (qsizetype i = 0; i < fonts.size(); ++i) {
        fonts[i].Size = 11 + int(i);
        indexes.append(probe.Index(fonts[i]));
    }
    EXPECT_EQ(indexes[0], 6);
    EXPECT_EQ(indexes[249], 255); // table entry 254, the last the byte can name
    EXPECT_EQ(indexes[250], 0);
    EXPECT_EQ(indexes[259], 0);
    EXPECT_EQ(probe.Index(fonts[0]), 6);
}
