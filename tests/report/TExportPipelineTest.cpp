// The export pipeline of every writer: the filter writes on a thread of its own while the next pages
// are laid out, and page images render on several threads. What it writes must be byte for byte what
// one thread writes, and a cancel or an error must stop every thread and leave the folder as it was.
#include "ReportTestSupport.h"

#include "EExportError.h"
#include "ExportThreads.h"
#include "ReportState.h"
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
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct TFormatCase
{
    const char* Name;
    const char* File;
    std::function<std::unique_ptr<TExtraFilter>(const QString&)> Create;
};

void PrintTo(const TFormatCase& row, std::ostream* os) { *os << row.Name; }

template <typename T>
std::function<std::unique_ptr<TExtraFilter>(const QString&)> Make()
{
    return [](const QString& file) -> std::unique_ptr<TExtraFilter> { return std::make_unique<T>(file); };
}

// Every file of a folder with its bytes, hidden ones (temporary files) included.
QMap<QString, QByteArray> Files(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        QFile file(QDir(folder).filePath(name));
        files.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
    }
    return files;
}

class TExportPipeline : public ::testing::TestWithParam<TFormatCase>
{
protected:
    void SetUp() override
    {
        TPDFFilter::SetToday([] { return QDate(2026, 1, 15); });
        // Three activities over a dozen pages, the last ones short of rows.
        m_report.AddGroups({150, 200, 95});
    }
    void TearDown() override { ResetReportState(); }

    // Exports the report into the folder with `threads` threads besides the caller's; the error, if any.
    QString Export(int threads, const QString& folder, const TProgressCallback& progress = {}, bool* completed = nullptr)
    {
        SetExportThreads(threads);
        try {
            std::unique_ptr<TExtraFilter> filter = GetParam().Create(QDir(folder).filePath(QString::fromLatin1(GetParam().File)));
            const bool done = m_report.Report.ExportTo(*filter, progress);
            if (completed)
                *completed = done;
        } catch (const EExportError& error) {
            return error.Message();
        }
        return QString();
    }

    TActivityFixture m_report;
};

} // namespace

TEST_P(TExportPipeline, WritesTheBytesOneThreadWrites)
{
    QTemporaryDir oneThread;
    QTemporaryDir threaded;
    ASSERT_EQ(Export(0, oneThread.path()), QString());
    ASSERT_EQ(Export(3, threaded.path()), QString());
    const QMap<QString, QByteArray> expected = Files(oneThread.path());
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(Files(threaded.path()), expected);
    // The page writers wrote every page.
    EXPECT_TRUE(expected.size() == 1 || expected.size() >= 10) << expected.size();
}

TEST_P(TExportPipeline, ACancelStopsEveryThreadAndLeavesNothingBehind)
{
    QTemporaryDir dir;
    int calls = 0;
    bool completed = true;
    ASSERT_EQ(Export(3, dir.path(), [&](const TReportProgress&) { return ++calls < 4; }, &completed), QString());
    EXPECT_FALSE(completed);
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(Files(dir.path()).keys(), QStringList());
}

TEST_P(TExportPipeline, AnErrorOnTheWriterThreadReachesTheCallerAndLeavesNothingBehind)
{
    QTemporaryDir scratch;
    ASSERT_EQ(Export(0, scratch.path()), QString());
    qint64 total = 0;
    for (const QByteArray& bytes : Files(scratch.path()))
        total += bytes.size();

    QTemporaryDir dir;
    TStagedFile::SimulateFullDiskAfter(total / 2);
    const QString error = Export(3, dir.path());
    TStagedFile::ClearSimulatedFaults();
    EXPECT_TRUE(error.contains(dir.path() + QLatin1Char('/')) && error.contains(QLatin1String("No space left on device")))
        << error.toStdString();
    EXPECT_EQ(Files(dir.path()).keys(), QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Writers, TExportPipeline,
    ::testing::Values(TFormatCase{"Xls", "r.xls", Make<TXLSFilter>()}, TFormatCase{"Wk1", "r.wk1", Make<TWK1Filter>()},
                      TFormatCase{"Wq1", "r.wq1", Make<TWQ1Filter>()}, TFormatCase{"Rtf", "r.rtf", Make<TRTFFilter>()},
                      TFormatCase{"Pdf", "r.pdf", Make<TPDFFilter>()}, TFormatCase{"Html", "r.htm", Make<THTMLFilter>()},
                      TFormatCase{"Css2", "r.htm", Make<TCSS2Filter>()}, TFormatCase{"Bitmap", "r.bmp", Make<TBMPFilter>()},
                      TFormatCase{"Jpeg", "r.jpg", Make<TJPEGFilter>()}),
    [](const ::testing::TestParamInfo<TFormatCase>& info) { return std::string(info.param.Name); });
