// The safe output every writer goes through: staged files, staged page sets and the guard that keeps
// exports off the club's own files.
#include "EExportError.h"
#include "TOutputGuard.h"
#include "TStagedFile.h"
#include "TStagedFileDevice.h"
#include "TStagedFileSet.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void Put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Every name in the folder, hidden and dangling links included.
QStringList Names(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QString ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EExportError& error) {
        return error.Message();
    }
    return QStringLiteral("<no error>");
}

class TStagedOutputTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        TStagedFile::ClearSimulatedFaults();
        TOutputGuard::Clear();
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(TStagedOutputTest, TheTargetChangesOnlyAtCommitAndADiscardLeavesNoTrace)
{
    const QString target = Path(QStringLiteral("r.pdf"));
    Put(target, "older");
    {
        TStagedFile file(target);
        file.Open();
        file.Write(QByteArray(300 * 1024, 'x')); // past the buffer, written through
        file.Write("end");
        EXPECT_EQ(file.Size(), 300 * 1024 + 3);
        EXPECT_EQ(Read(target), QByteArray("older"));
        EXPECT_EQ(Names(m_dir.path()).size(), 2); // the target and the temporary file beside it
    }
    EXPECT_EQ(Read(target), QByteArray("older"));
    EXPECT_EQ(Names(m_dir.path()), QStringList{QStringLiteral("r.pdf")});

    TStagedFile file(target);
    file.Open();
    file.Write("newer");
    file.Commit();
    EXPECT_EQ(Read(target), QByteArray("newer"));
    EXPECT_EQ(Names(m_dir.path()), QStringList{QStringLiteral("r.pdf")});
}

TEST_F(TStagedOutputTest, AFullDiskNamesTheFileAndItsReasonAndKeepsTheOlderFile)
{
    const QString target = Path(QStringLiteral("r.xls"));
    Put(target, "older");
    TStagedFile::SimulateFullDiskAfter(10);
    TStagedFile file(target);
    file.Open();
    const QString error = ErrorOf([&] {
        file.Write(QByteArray(20, 'x'));
        file.Commit();
    });
    EXPECT_EQ(error, QStringLiteral("Cannot write file \"%1\". No space left on device").arg(target));
    EXPECT_EQ(Read(target), QByteArray("older"));
    EXPECT_EQ(Names(m_dir.path()), QStringList{QStringLiteral("r.xls")});
}

TEST_F(TStagedOutputTest, ASymbolicLinkIsReplacedNotWrittenThrough)
{
    const QString victim = Path(QStringLiteral("victim.txt"));
    const QString target = Path(QStringLiteral("r.pdf"));
    Put(victim, "precious");
    ASSERT_TRUE(QFile::link(victim, target));
    TStagedFile file(target);
    file.Open();
    file.Write("report");
    file.Commit();
    EXPECT_FALSE(QFileInfo(target).isSymLink());
    EXPECT_EQ(Read(target), QByteArray("report"));
    EXPECT_EQ(Read(victim), QByteArray("precious"));
}

TEST_F(TStagedOutputTest, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode)
{
    const mode_t before = ::umask(022);
    const QString fresh = Path(QStringLiteral("new.rtf"));
    const QString kept = Path(QStringLiteral("kept.rtf"));
    Put(kept, "older");
    ASSERT_EQ(::chmod(QFile::encodeName(kept).constData(), 0640), 0);
    for (const QString& target : {fresh, kept}) {
        TStagedFile file(target);
        file.Open();
        file.Write("x");
        file.Commit();
    }
    ::umask(before);
    struct stat status;
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
    ASSERT_EQ(::stat(QFile::encodeName(kept).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST_F(TStagedOutputTest, RefusesFoldersDevicesAndLinksToThem)
{
    const QString folder = Path(QStringLiteral("pages.htm"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString deviceLink = Path(QStringLiteral("out.pdf"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), deviceLink));
    const auto open = [](const QString& path) { return ErrorOf([&] { TStagedFile(path).Open(); }); };

    EXPECT_EQ(open(folder), QStringLiteral("Cannot create file \"%1\". It is a folder").arg(folder));
    EXPECT_EQ(open(QStringLiteral("/dev/null")),
              QStringLiteral("Cannot create file \"/dev/null\". It is a device or another special file"));
    EXPECT_EQ(open(deviceLink),
              QStringLiteral("Cannot create file \"%1\". It is a link to a folder, a device or another special file")
                  .arg(deviceLink));
    EXPECT_EQ(open(Path(QStringLiteral("missing/r.pdf"))),
              QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(Path(QStringLiteral("missing/r.pdf"))));
    EXPECT_TRUE(QFileInfo(QStringLiteral("/dev/null")).exists());
    EXPECT_TRUE(QFileInfo(deviceLink).isSymLink());
}

TEST_F(TStagedOutputTest, AFolderThatTakesNoNewFileIsAnErrorEvenWhenTheFileIsWritable)
{
    const QString target = Path(QStringLiteral("r.pdf"));
    Put(target, "older");
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0555), 0);
    if (::access(QFile::encodeName(m_dir.path()).constData(), W_OK) == 0) {
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
        GTEST_SKIP() << "this user writes into read-only folders (root); the batch check as another user covers it";
    }
    const QString error = ErrorOf([&] { TStagedFile(target).Open(); });
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
    EXPECT_EQ(error, QStringLiteral("Cannot create file \"%1\". Permission denied").arg(target));
    EXPECT_EQ(Read(target), QByteArray("older"));
}

TEST_F(TStagedOutputTest, AReadOnlyFileIsKeptAsItIs)
{
    const QString target = Path(QStringLiteral("r.pdf"));
    Put(target, "older");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0444), 0);
    if (::access(QFile::encodeName(target).constData(), W_OK) == 0)
        GTEST_SKIP() << "this user writes over read-only files (root)";
    EXPECT_EQ(ErrorOf([&] { TStagedFile(target).Open(); }),
              QStringLiteral("Cannot create file \"%1\". Permission denied").arg(target));
    EXPECT_EQ(Read(target), QByteArray("older"));
    EXPECT_EQ(Names(m_dir.path()), QStringList{QStringLiteral("r.pdf")});
}

TEST_F(TStagedOutputTest, APageSetReplacesTheEarlierSeriesWhole)
{
    for (int page = 1; page <= 5; ++page)
        Put(Path(QStringLiteral("RPT%1.HTM").arg(page, 4, 10, QLatin1Char('0'))), "old " + QByteArray::number(page));
    // Not of the series: another extension, an unnumbered name, a number as the series never writes it.
    const QStringList others{QStringLiteral("RPT0009.htm"), QStringLiteral("RPT.HTM"), QStringLiteral("RPT00007.HTM"),
                             QStringLiteral("notes.txt")};
    for (const QString& name : others)
        Put(Path(name), "other");

    TStagedFileSet pages;
    for (int page = 1; page <= 2; ++page) {
        TStagedFile& file = pages.Add(Path(QStringLiteral("RPT%1.HTM").arg(page, 4, 10, QLatin1Char('0'))), true);
        file.Write("new " + QByteArray::number(page));
        file.Close();
    }
    EXPECT_EQ(Read(Path(QStringLiteral("RPT0001.HTM"))), QByteArray("old 1"));
    pages.Commit(TFileSeries{m_dir.path(), QStringLiteral("RPT"), QStringLiteral(".HTM")}, 2);

    EXPECT_EQ(Read(Path(QStringLiteral("RPT0001.HTM"))), QByteArray("new 1"));
    EXPECT_EQ(Read(Path(QStringLiteral("RPT0002.HTM"))), QByteArray("new 2"));
    QStringList expected = others;
    expected << QStringLiteral("RPT0001.HTM") << QStringLiteral("RPT0002.HTM");
    expected.sort();
    EXPECT_EQ(Names(m_dir.path()), expected);
}

TEST_F(TStagedOutputTest, AFailedRenameUndoesThePagesAlreadyInPlace)
{
    for (int page = 1; page <= 4; ++page)
        Put(Path(QStringLiteral("IMG%1.jpg").arg(page, 4, 10, QLatin1Char('0'))), "old " + QByteArray::number(page));
    const QStringList before = Names(m_dir.path());
    TStagedFileSet pages;
    for (int page = 1; page <= 3; ++page) {
        TStagedFile& file = pages.Add(Path(QStringLiteral("IMG%1.jpg").arg(page, 4, 10, QLatin1Char('0'))), true);
        file.Write("new");
        file.Close();
    }
    TStagedFile::SimulateRenameFailureAfter(2);
    const QString error = ErrorOf([&] { pages.Commit(TFileSeries{m_dir.path(), QStringLiteral("IMG"), QStringLiteral(".jpg")}, 3); });
    EXPECT_EQ(error, QStringLiteral("File Error: %1 (Input/output error)").arg(Path(QStringLiteral("IMG0003.jpg"))));
    EXPECT_EQ(Names(m_dir.path()), before);
    for (int page = 1; page <= 4; ++page)
        EXPECT_EQ(Read(Path(QStringLiteral("IMG%1.jpg").arg(page, 4, 10, QLatin1Char('0')))), "old " + QByteArray::number(page));
}

TEST(TFileSeries, KnowsTheNumbersItsOwnNamesCarry)
{
    const TFileSeries series{QString(), QStringLiteral("rep"), QStringLiteral(".bmp")};
    const struct
    {
        const char* Name;
        int Number;
    } rows[] = {{"rep0001.bmp", 1}, {"rep0502.bmp", 502}, {"rep12345.bmp", 12345}, {"rep0000.bmp", 0},
                {"rep00012.bmp", 0}, {"rep001.bmp", 0},    {"rep0001.BMP", 0},    {"Rep0001.bmp", 0},
                {"rep00a1.bmp", 0},  {"rep0001.bmp.tmpAbC123", 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(series.NumberOf(QString::fromLatin1(row.Name)), row.Number);
    }
}

TEST_F(TStagedOutputTest, TheGuardKnowsAProtectedFileByEveryName)
{
    const QString database = Path(QStringLiteral("club.db"));
    const QString config = Path(QStringLiteral("Config"));
    Put(database, "tables");
    ASSERT_TRUE(QDir().mkdir(config));
    Put(config + QStringLiteral("/VKD.INI"), "[General]");
    ASSERT_TRUE(QFile::link(database, Path(QStringLiteral("link.pdf"))));
    ASSERT_EQ(::link(QFile::encodeName(database).constData(), QFile::encodeName(Path(QStringLiteral("hard.pdf"))).constData()), 0);
    TOutputGuard::ProtectFile(database, QStringLiteral("the club database"));
    TOutputGuard::ProtectFolder(config, QStringLiteral("a configuration file of the club"));

    for (const QString& name : {QStringLiteral("club.db"), QStringLiteral("link.pdf"), QStringLiteral("hard.pdf"),
                                QStringLiteral("Config/../club.db")}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(ErrorOf([&] { TStagedFile(Path(name)).Open(); }),
                  QStringLiteral("The file \"%1\" is the club database; an export is never written over it.").arg(Path(name)));
    }
    // The database's journal is protected before it exists: an export must not make one up.
    TOutputGuard::ProtectFile(database + QStringLiteral("-journal"), QStringLiteral("the club database"));
    EXPECT_EQ(TOutputGuard::ProtectionOf(Path(QStringLiteral("Config/../club.db-journal"))), QStringLiteral("the club database"));
    EXPECT_FALSE(QFile::exists(database + QStringLiteral("-journal")));
    EXPECT_EQ(TOutputGuard::ProtectionOf(config + QStringLiteral("/VKD.INI")), QStringLiteral("a configuration file of the club"));
    EXPECT_FALSE(TOutputGuard::IsProtected(config + QStringLiteral("/report.pdf")));
    EXPECT_FALSE(TOutputGuard::IsProtected(Path(QStringLiteral("r.pdf"))));
    EXPECT_EQ(Read(database), QByteArray("tables"));
}

TEST_F(TStagedOutputTest, QtStreamsWriteThroughTheDeviceAndItsFailureSurfacesAfterwards)
{
    const QString target = Path(QStringLiteral("week.rpt"));
    {
        TStagedFile file(target);
        file.Open();
        TStagedFileDevice device(file);
        QDataStream out(&device);
        out << quint32(7) << QStringLiteral("Karate");
        device.CheckWritten();
        file.Commit();
    }
    EXPECT_EQ(Read(target).size(), 4 + 4 + 12);

    TStagedFile::SimulateFullDiskAfter(100);
    TStagedFile file(target);
    file.Open();
    TStagedFileDevice device(file);
    QDataStream out(&device);
    out << QByteArray(200 * 1024, 'x'); // more than the staged file buffers
    EXPECT_EQ(out.status(), QDataStream::WriteFailed);
    EXPECT_EQ(ErrorOf([&] { device.CheckWritten(); }),
              QStringLiteral("Cannot write file \"%1\". No space left on device").arg(target));
    EXPECT_EQ(Read(target).size(), 4 + 4 + 12);
}

TEST_F(TStagedOutputTest, ASpoolGoesBehindTheHeadWholeAndLeavesNoTrace)
{
    // Larger than the steps in which files are handed to the disk and dropped from the cache, so the
    // spool is read back after most of it has left the cache.
    QByteArray body;
    for (int i = 0; body.size() < 40 * 1024 * 1024; ++i)
        body += "row " + QByteArray::number(i) + ";";
    const QString target = Path(QStringLiteral("report.rtf"));
    TStagedFile spool(target);
    spool.Open();
    for (qsizetype at = 0; at < body.size(); at += 100000)
        spool.Write(QByteArrayView(body).sliced(at, std::min<qsizetype>(100000, body.size() - at)));
    TStagedFile file(target);
    file.Open();
    file.Write("head;");
    file.AppendFile(spool);
    file.Write("tail");
    EXPECT_EQ(file.Size(), body.size() + 9);
    spool.Discard();
    file.Commit();
    EXPECT_TRUE(Read(target) == "head;" + body + "tail");
    EXPECT_EQ(Names(m_dir.path()), QStringList{QStringLiteral("report.rtf")});

    // A disk that fills up during the copy fails the file and leaves the folder as it was.
    spool.Open();
    spool.Write(body.left(1000));
    spool.Flush();
    TStagedFile second(Path(QStringLiteral("second.rtf")));
    second.Open();
    TStagedFile::SimulateFullDiskAfter(500);
    EXPECT_EQ(ErrorOf([&] { second.AppendFile(spool); }),
              QStringLiteral("Cannot write file \"%1\". No space left on device").arg(Path(QStringLiteral("second.rtf"))));
    TStagedFile::ClearSimulatedFaults();
    spool.Discard();
    EXPECT_EQ(Names(m_dir.path()), QStringList{QStringLiteral("report.rtf")});
}
