#include "EExportError.h"
#include "ExportTestSupport.h"
#include "TWK1Filter.h"
#include "TWQ1Filter.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace ExportTest;

namespace {

struct TFormatCase
{
    const char* Name;
    bool Quattro;
    QByteArray Empty;
    QByteArray TotalInThirdCell;
    QByteArray BrokenLine; // "a\r\nb" in the first cell
    QByteArray Accents;    // "é°€" in the first cell: code page 437 has no euro sign
};

std::unique_ptr<TExtraFilter> MakeFilter(bool quattro, const QString& fileName)
{
    if (quattro)
        return std::make_unique<TWQ1Filter>(fileName);
    return std::make_unique<TWK1Filter>(fileName);
}

class TWorksheetTest : public ::testing::TestWithParam<TFormatCase>
{
protected:
    QTemporaryDir Dir;
    QString FileName = Dir.filePath(QStringLiteral("report.wk"));

    QByteArray Export(const QList<TPage>& pages)
    {
        const std::unique_ptr<TExtraFilter> filter = MakeFilter(GetParam().Quattro, FileName);
        RunExport(*filter, pages);
        return ReadFile(FileName);
    }
};

TLabel Label(double x, const char* utf8)
{
    return TLabel{x, 0, QString::fromUtf8(utf8), taLeftJustify, nullptr};
}

} // namespace

TEST_P(TWorksheetTest, EmptyReportIsBeginningAndEndOfFile)
{
    const QByteArray file = Export({{}});
    EXPECT_EQ(file.size(), 10);
    EXPECT_EQ(file, GetParam().Empty);
}

TEST_P(TWorksheetTest, LabelInTheThirdCellOfTheFirstRow)
{
    const QByteArray file = Export({{Label(100, "a"), Label(200, "b"), Label(300, "Total")}});
    EXPECT_EQ(file.mid(file.size() - 4 - GetParam().TotalInThirdCell.size()),
              GetParam().TotalInThirdCell + Bytes("01 00 00 00"));
}

TEST_P(TWorksheetTest, LineBreakBecomesABlankAndTextCodePage437)
{
    const QByteArray broken = Export({{Label(100, "a\r\nb")}});
    EXPECT_EQ(broken, GetParam().Empty.left(6) + GetParam().BrokenLine + GetParam().Empty.right(4));
    const QByteArray accents = Export({{Label(100, "é°€")}});
    EXPECT_EQ(accents, GetParam().Empty.left(6) + GetParam().Accents + GetParam().Empty.right(4));
}

TEST_P(TWorksheetTest, ReportBeyondTheRowFieldIsRefusedWithoutAFile)
{
    const QList<TPage> fits = ManyRows(32768);
    const QByteArray full = Export(fits);
    EXPECT_TRUE(full.contains(Bytes("FF 00 00 FF 7F 27")));
    ASSERT_TRUE(QFile::remove(FileName));

    try {
        Export(ManyRows(32769));
        FAIL() << "no exception";
    } catch (const EExportError& e) {
        const QString sheet = GetParam().Quattro ? QStringLiteral("a Quattro worksheet") : QStringLiteral("a Lotus 123 worksheet");
        EXPECT_EQ(e.Message(),
                  QStringLiteral("The report has 32769 rows, but %1 holds at most 32768 rows. XLSX and CSV hold the "
                                 "whole report.")
                      .arg(sheet));
    }
    EXPECT_FALSE(QFile::exists(FileName));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TWorksheetTest,
    ::testing::Values(TFormatCase{"Lotus", false, Bytes("00 00 02 00 06 04 01 00 00 00"),
                                  Bytes("0F 00 0C 00 FF 02 00 00 00 27 'Total' 00"),
                                  Bytes("0F 00 0A 00 FF 00 00 00 00 27 'a b' 00"),
                                  Bytes("0F 00 0C 00 FF 00 00 00 00 27 82 F8 'EUR' 00")},
                      TFormatCase{"Quattro", true, Bytes("00 00 02 00 20 51 01 00 00 00"),
                                  Bytes("0F 00 0C 00 FF 02 00 00 00 27 05 'Total'"),
                                  Bytes("0F 00 0A 00 FF 00 00 00 00 27 03 'a b'"),
                                  Bytes("0F 00 0C 00 FF 00 00 00 00 27 05 82 F8 'EUR'")}),
    [](const ::testing::TestParamInfo<TFormatCase>& info) { return std::string(info.param.Name); });

TEST(TWQ1Filter, LabelsLongerThanTheLengthByteAreCut)
{
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("long.wq1"));
    TWQ1Filter filter(fileName);
    RunExport(filter, {{TLabel{100, 0, QString(300, QLatin1Char('x')), taLeftJustify, nullptr}}});
    const QByteArray file = ReadFile(fileName);
    EXPECT_EQ(file.mid(6, 11), Bytes("0F 00 06 01 FF 00 00 00 00 27 FF"));
    EXPECT_EQ(file.mid(17), QByteArray(255, 'x') + Bytes("01 00 00 00"));
}
