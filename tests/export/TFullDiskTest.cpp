// One writer of each family on a real, small file system that fills up: the system's own "No space
// left on device" reaches the message, and the older file is untouched. Mounting needs root (as CI
// runs the tests); anywhere else the tests are skipped with the reason.
#include "EExportError.h"
#include "ExportTestSupport.h"
#include "TBMPFilter.h"
#include "THTMLFilter.h"
#include "TPDFFilter.h"
#include "TXLSFilter.h"
#include "TXlsxRowWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdio>
#include <thread>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace ExportTest;

namespace {

struct TFamily
{
    const char* Name;
    const char* ChosenFile;
    const char* OlderFile; // the file an earlier export left, which must survive
    TFilterFactory Create;
};

void PrintTo(const TFamily& row, std::ostream* os) { *os << row.Name; }

class TFullDisk : public ::testing::TestWithParam<TFamily>
{
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting a small tmpfs needs root";
        if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=192k") != 0)
            GTEST_SKIP() << "a tmpfs cannot be mounted here: " << std::strerror(errno);
        m_mounted = true;
    }
    void TearDown() override
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }

    QTemporaryDir m_dir;
    bool m_mounted = false;
};

} // namespace

TEST_P(TFullDisk, ReportsTheSystemsReasonAndKeepsTheOlderFile)
{
    const QString older = m_dir.filePath(QString::fromLatin1(GetParam().OlderFile));
    {
        QFile file(older);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write("an earlier export"), 17);
    }
    std::unique_ptr<TExtraFilter> filter = GetParam().Create(m_dir.filePath(QString::fromLatin1(GetParam().ChosenFile)));
    try {
        // 16 pages of 1000 rows: more than the disk takes in every format, and within every sheet.
        RunExport(*filter, ManyRows(16000, 1000));
        FAIL() << "the export reported success on a full disk";
    } catch (const EExportError& error) {
        EXPECT_TRUE(error.Message().endsWith(QLatin1String("No space left on device"))
                    || error.Message().endsWith(QLatin1String("(No space left on device)")))
            << error.what();
    }
    filter.reset();
    EXPECT_EQ(ReadFile(older), QByteArray("an earlier export"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList{QString::fromLatin1(GetParam().OlderFile)});
}

INSTANTIATE_TEST_SUITE_P(Families, TFullDisk,
                         ::testing::Values(TFamily{"Spreadsheet", "r.xls", "r.xls", FilterFactory<TXLSFilter>()},
                                           TFamily{"Document", "r.pdf", "r.pdf", FilterFactory<TPDFFilter>()},
                                           TFamily{"HtmlPages", "r.htm", "RPT0001.HTM", FilterFactory<THTMLFilter>()},
                                           TFamily{"PageImages", "r.bmp", "IMG0001.bmp", FilterFactory<TBMPFilter>()}),
                         [](const ::testing::TestParamInfo<TFamily>& info) { return std::string(info.param.Name); });

// The workbook library prints its own lines on stderr when the disk is full; the program's message,
// which names the file and the system's reason, is the only one the user gets. What another thread
// prints meanwhile, and what follows, still reaches stderr.
TEST_F(TFullDisk, AFullWorkbookReachesStderrOnlyAsTheProgramsOwnMessage)
{
    const QString file = m_dir.filePath(QStringLiteral("rows.xlsx"));
    QString message;
    ::testing::internal::CaptureStderr();
    {
        TXlsxRowWriter writer(file);
        try {
            writer.Start(TRowTable{QStringLiteral("Rows"), {QStringLiteral("Name"), QStringLiteral("Count")}, {}, {}});
            for (int row = 0; row < 20000; ++row) {
                writer.WriteRow({TRowCell{ckText, 0, QStringLiteral("Member %1 of a club that fills the disk").arg(row)},
                                 TRowCell{ckInteger, double(row), QString::number(row)}});
            }
            std::thread([] { std::fputs("another thread\n", stderr); }).join();
            writer.Finish(TRowCounts{QStringLiteral("Counts"), QStringLiteral("Group"), QStringLiteral("Count"),
                                     QStringLiteral("Total"), {}, 20000});
        } catch (const EExportError& error) {
            message = error.Message();
        }
    }
    std::fputs("after\n", stderr);
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(message.endsWith(QLatin1String("No space left on device"))) << message.toStdString();
    EXPECT_EQ(printed, "another thread\nafter\n");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList());
}
