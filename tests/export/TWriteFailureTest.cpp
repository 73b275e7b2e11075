// Every writer, single-file and page by page, on a disk that fills up part-way and on a rename that
// fails: the export reports the file and the reason, and the folder stays exactly as it was.
#include "EExportError.h"
#include "ExportTestSupport.h"
#include "TBMPFilter.h"
#include "TCSS2Filter.h"
#include "THTMLFilter.h"
#include "TJPEGFilter.h"
#include "TPDFFilter.h"
#include "TRTFFilter.h"
#include "TStagedFile.h"
#include "TWK1Filter.h"
#include "TWQ1Filter.h"
#include "TXLSFilter.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ExportTest;

namespace {

struct TWriterCase
{
    const char* Name;
    const char* ChosenFile;
    // Older files in the folder: the chosen file itself, or pages of the series the writer writes.
    const char* OlderPattern; // with %1 for the page number as "0000"; no %1 for a single file
    TFilterFactory Create;
};

void PrintTo(const TWriterCase& row, std::ostream* os) { *os << row.Name; }

// Every name in a folder with its bytes.
QMap<QString, QByteArray> Snapshot(const QString& folder)
{
    QMap<QString, QByteArray> result;
    for (const QString& name : QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot))
        result.insert(name, ReadFile(QDir(folder).filePath(name)));
    return result;
}

qint64 TotalBytes(const QString& folder)
{
    qint64 total = 0;
    for (const QByteArray& bytes : Snapshot(folder))
        total += bytes.size();
    return total;
}

// Three pages of two rows.
const QList<TPage> Report = ManyRows(6, 2);
constexpr int OlderPages = 5;

class TWriteFailure : public ::testing::TestWithParam<TWriterCase>
{
protected:
    void TearDown() override { TStagedFile::ClearSimulatedFaults(); }

    bool PageWriter() const { return QString::fromLatin1(GetParam().OlderPattern).contains(QLatin1String("%1")); }

    void PlantOlderFiles(const QString& folder) const
    {
        const QString pattern = QString::fromLatin1(GetParam().OlderPattern);
        for (int page = 1; page <= (PageWriter() ? OlderPages : 1); ++page) {
            QFile file(QDir(folder).filePath(PageWriter() ? pattern.arg(page, 4, 10, QLatin1Char('0')) : pattern));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("older " + QByteArray::number(page));
        }
    }

    // The error of a failed export, or "<no error>".
    QString Export(const QString& folder) const
    {
        try {
            std::unique_ptr<TExtraFilter> filter = GetParam().Create(QDir(folder).filePath(QString::fromLatin1(GetParam().ChosenFile)));
            RunExport(*filter, Report);
        } catch (const EExportError& error) {
            return error.Message();
        }
        return QStringLiteral("<no error>");
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_P(TWriteFailure, AFullDiskAtAnyByteLeavesTheFolderAsItWas)
{
    const QString scratch = m_dir.filePath(QStringLiteral("scratch"));
    ASSERT_TRUE(QDir().mkdir(scratch));
    ASSERT_EQ(Export(scratch), QStringLiteral("<no error>"));
    const qint64 total = TotalBytes(scratch);
    ASSERT_GT(total, 2);

    const QString folder = m_dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkdir(folder));
    PlantOlderFiles(folder);
    const QMap<QString, QByteArray> before = Snapshot(folder);
    for (const qint64 bytes : {qint64(0), qint64(1), total / 2, total - 1}) {
        SCOPED_TRACE(bytes);
        TStagedFile::SimulateFullDiskAfter(bytes);
        const QString error = Export(folder);
        TStagedFile::ClearSimulatedFaults();
        EXPECT_TRUE(error.contains(folder + QLatin1Char('/')) && error.contains(QLatin1String("No space left on device")))
            << error.toStdString();
        EXPECT_EQ(Snapshot(folder), before);
    }
}

TEST_P(TWriteFailure, AFailedRenameLeavesTheFolderAsItWasAndASuccessReplacesTheWholeSeries)
{
    PlantOlderFiles(m_dir.path());
    const QMap<QString, QByteArray> before = Snapshot(m_dir.path());
    // A page writer fails on its second page, after the first is in place.
    TStagedFile::SimulateRenameFailureAfter(PageWriter() ? 1 : 0);
    const QString error = Export(m_dir.path());
    TStagedFile::ClearSimulatedFaults();
    EXPECT_TRUE(error.contains(QLatin1String("Input/output error"))) << error.toStdString();
    EXPECT_EQ(Snapshot(m_dir.path()), before);

    ASSERT_EQ(Export(m_dir.path()), QStringLiteral("<no error>"));
    const QMap<QString, QByteArray> after = Snapshot(m_dir.path());
    if (!PageWriter()) {
        EXPECT_EQ(after.keys(), before.keys());
        EXPECT_NE(after.first(), before.first());
        return;
    }
    // Three new pages; the older report's pages 4 and 5 are gone.
    const QString pattern = QString::fromLatin1(GetParam().OlderPattern);
    QStringList expected;
    for (int page = 1; page <= 3; ++page)
        expected << pattern.arg(page, 4, 10, QLatin1Char('0'));
    EXPECT_EQ(after.keys(), expected);
    for (const QByteArray& bytes : after)
        EXPECT_FALSE(bytes.startsWith("older"));
}

INSTANTIATE_TEST_SUITE_P(
    Writers, TWriteFailure,
    ::testing::Values(TWriterCase{"Xls", "r.xls", "r.xls", FilterFactory<TXLSFilter>()},
                      TWriterCase{"Wk1", "r.wk1", "r.wk1", FilterFactory<TWK1Filter>()},
                      TWriterCase{"Wq1", "r.wq1", "r.wq1", FilterFactory<TWQ1Filter>()},
                      TWriterCase{"Rtf", "r.rtf", "r.rtf", FilterFactory<TRTFFilter>()},
                      TWriterCase{"Pdf", "r.pdf", "r.pdf", FilterFactory<TPDFFilter>()},
                      TWriterCase{"Html", "r.htm", "RPT%1.HTM", FilterFactory<THTMLFilter>()},
                      TWriterCase{"Css2", "r.htm", "RPT%1.HTM", FilterFactory<TCSS2Filter>()},
                      TWriterCase{"Bitmap", "r.bmp", "IMG%1.bmp", FilterFactory<TBMPFilter>()},
                      TWriterCase{"Jpeg", "r.jpg", "IMG%1.jpg", FilterFactory<TJPEGFilter>()}),
    [](const ::testing::TestParamInfo<TWriterCase>& info) { return std::string(info.param.Name); });
