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
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
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

// Runs `check` in a child process as the unprivileged user "nobody" when this process runs as root
// (as CI does), whom file permissions do not stop; returns what it returned. The folder must let that
// user in.
static QString AsUnprivilegedUser(const std::function<QString()>& check)
{
    if (::geteuid() != 0)
        return check();
    int channel[2];
    if (::pipe(channel) != 0)
        return QStringLiteral("<no pipe>");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        QByteArray result = "<could not become nobody>";
        if (::setgid(65534) == 0 && ::setuid(65534) == 0)
            result = check().toUtf8();
        (void)!::write(channel[1], result.constData(), size_t(result.size()));
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray result;
    char buffer[4096];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return QString::fromUtf8(result);
}

TEST_F(TStagedOutputTest, AReadOnlyFileIsKeptAsItIs)
{
    const QString target = Path(QStringLiteral("r.pdf"));
    Put(target, "older");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0444), 0);
    // The folder takes new files from anyone: only the file's own permission may refuse.
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0777), 0);
    EXPECT_EQ(AsUnprivilegedUser([&] { return ErrorOf([&] { TStagedFile(target).Open(); }); }),
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
                             QStringLiteral("notes.txt"), QStringLiteral("RPT0006.HTM")};
    for (const QString& name : others)
        Put(Path(name), "other");
    // A page of the series that is one of the club's files (it could be a link to one) stays.
    TOutputGuard::ProtectFile(Path(QStringLiteral("RPT0006.HTM")), QStringLiteral("the club database"));

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
    // Every name in the configuration folder, existing or not, in any letter case: the other programs
    // of the suite would read such a file; and the database under another letter case.
    for (const QString& name : {QStringLiteral("Config/VKD.INI"), QStringLiteral("Config/vkd.ini"),
                                QStringLiteral("Config/MANAGER.INI"), QStringLiteral("Config/report.pdf")}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(TOutputGuard::ProtectionOf(Path(name)), QStringLiteral("a configuration file of the club"));
    }
    EXPECT_EQ(TOutputGuard::ProtectionOf(Path(QStringLiteral("CLUB.DB"))), QStringLiteral("the club database"));
    EXPECT_FALSE(QFileInfo::exists(config + QStringLiteral("/MANAGER.INI")));
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

// A rename fails and so does putting back the pages already replaced: the error says which older
// pages could not be put back and where they are kept, instead of passing for a clean undo.
TEST_F(TStagedOutputTest, AFailedUndoNamesTheOlderPagesAndKeepsThem)
{
    for (int page = 1; page <= 3; ++page)
        Put(Path(QStringLiteral("IMG%1.jpg").arg(page, 4, 10, QLatin1Char('0'))), "old " + QByteArray::number(page));
    TStagedFileSet pages;
    for (int page = 1; page <= 3; ++page) {
        TStagedFile& file = pages.Add(Path(QStringLiteral("IMG%1.jpg").arg(page, 4, 10, QLatin1Char('0'))), true);
        file.Write("new");
        file.Close();
    }
    TStagedFile::SimulateRenameFailureAfter(2, 100);
    const QString error = ErrorOf([&] { pages.Commit(TFileSeries{m_dir.path(), QStringLiteral("IMG"), QStringLiteral(".jpg")}, 3); });
    TStagedFile::ClearSimulatedFaults();
    EXPECT_TRUE(error.startsWith(QStringLiteral("File Error: %1 (Input/output error; the earlier files could not all be put back: ")
                                     .arg(Path(QStringLiteral("IMG0003.jpg")))))
        << error.toStdString();
    // Each older page is still there, under its name or under the kept name the error gives.
    for (int page = 1; page <= 2; ++page) {
        const QString name = Path(QStringLiteral("IMG%1.jpg").arg(page, 4, 10, QLatin1Char('0')));
        const qsizetype at = error.indexOf(QStringLiteral("\"%1\" (Input/output error; it is kept as \"").arg(name));
        ASSERT_GE(at, 0) << error.toStdString();
        const qsizetype from = error.indexOf(QStringLiteral("kept as \""), at) + 9;
        EXPECT_EQ(Read(error.mid(from, error.indexOf(QLatin1Char('"'), from) - from)), "old " + QByteArray::number(page));
    }
    EXPECT_EQ(Read(Path(QStringLiteral("IMG0003.jpg"))), QByteArray("old 3"));
}

namespace {

QString PageName(const char* prefix, int page)
{
    return QStringLiteral("%1%2.HTM").arg(QLatin1String(prefix)).arg(page, 4, 10, QLatin1Char('0'));
}

// Stages pages 1..`count` with "new N" in a child process that is killed, as a crash would, before
// the commit's rename `killAt` (0: while the pages are still being written). Returns whether the
// child died of the kill.
bool KilledCommit(const QString& folder, int count, int killAt)
{
    const pid_t child = ::fork();
    if (child == 0) {
        TStagedFileSet pages;
        for (int page = 1; page <= count; ++page) {
            TStagedFile& file = pages.Add(QDir(folder).filePath(PageName("RPT", page)), true);
            file.Write("new " + QByteArray::number(page));
            file.Close();
        }
        if (killAt == 0)
            ::raise(SIGKILL);
        TStagedFileSet::KillBeforeRename(killAt);
        pages.Commit(TFileSeries{folder + QLatin1Char('/'), QStringLiteral("RPT"), QStringLiteral(".HTM")}, count);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace

// A process killed at any moment of a page-set export leaves one whole set after the next export
// into the folder: the new one once the commit had begun, else the old one; and none of the killed
// process's temporary files.
TEST_F(TStagedOutputTest, AKilledCommitLeavesOneWholeSetAfterTheNextExport)
{
    const struct
    {
        int KillAt;
        bool NewSet;
    } rows[] = {{0, false}, {1, true}, {2, true}, {3, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.KillAt);
        QTemporaryDir dir;
        for (int page = 1; page <= 5; ++page)
            Put(dir.filePath(PageName("RPT", page)), "old " + QByteArray::number(page));
        Put(dir.filePath(QStringLiteral("notes.txt")), "mine");
        ASSERT_TRUE(KilledCommit(dir.path(), 3, row.KillAt));
        ASSERT_GT(Names(dir.path()).filter(QStringLiteral(".tmp")).size(), 0);

        TStagedFile next(dir.filePath(QStringLiteral("r.pdf")));
        next.Open();
        next.Write("pdf");
        next.Commit();

        QStringList expected{QStringLiteral("notes.txt"), QStringLiteral("r.pdf")};
        for (int page = 1; page <= (row.NewSet ? 3 : 5); ++page) {
            expected << PageName("RPT", page);
            EXPECT_EQ(Read(dir.filePath(PageName("RPT", page))), (row.NewSet ? "new " : "old ") + QByteArray::number(page));
        }
        expected.sort();
        EXPECT_EQ(Names(dir.path()), expected);
    }
}

// The next export leaves the temporary files of exports still running alone: an open file and a set
// whose pages are written but not yet committed.
TEST_F(TStagedOutputTest, TheNextExportLeavesRunningExportsAlone)
{
    TStagedFile open(Path(QStringLiteral("big.pdf")));
    open.Open();
    open.Write("part");
    TStagedFileSet pages;
    TStagedFile& page = pages.Add(Path(QStringLiteral("RPT0001.HTM")), true);
    page.Write("new 1");
    page.Close();
    Put(Path(QStringLiteral("left.pdf.tmpAbCdE1")), "killed"); // of a process gone long ago

    TStagedFile next(Path(QStringLiteral("r.pdf")));
    next.Open();
    next.Commit();
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("left.pdf.tmpAbCdE1"))));

    open.Commit();
    pages.Commit(TFileSeries{m_dir.path() + QLatin1Char('/'), QStringLiteral("RPT"), QStringLiteral(".HTM")}, 1);
    EXPECT_EQ(Read(Path(QStringLiteral("big.pdf"))), QByteArray("part"));
    EXPECT_EQ(Read(Path(QStringLiteral("RPT0001.HTM"))), QByteArray("new 1"));
    EXPECT_EQ(Names(m_dir.path()),
              (QStringList{QStringLiteral("RPT0001.HTM"), QStringLiteral("big.pdf"), QStringLiteral("r.pdf")}));
}
