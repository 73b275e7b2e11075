#include "TStagedFileSet.h"

#include "EExportError.h"
#include "TOutputGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

bool Exists(const QString& path, bool* regular = nullptr)
{
    struct stat status;
    if (::lstat(Native(path).constData(), &status) != 0)
        return false;
    if (regular)
        *regular = S_ISREG(status.st_mode);
    return true;
}

// The data of the staged files reaches the disk before any of them replaces an older file. One
// syncfs per folder costs far less than one fsync per page. Returns 0 or an errno value.
int SyncFolder(const QString& folder)
{
    const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int result = ::syncfs(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

// What the commit changes besides putting the new files in place, kept until it has succeeded.
struct TKeptFile
{
    QString Path;
    QString Copy; // temporary name beside it
    bool Moved;   // renamed away (a removed file) rather than hard-linked (a replaced one)
};

void Restore(const std::vector<TKeptFile>& kept) noexcept
{
    for (const TKeptFile& file : kept) {
        if (file.Moved)
            ::rename(Native(file.Copy).constData(), Native(file.Path).constData());
        else
            ::unlink(Native(file.Copy).constData());
    }
}

void DropCopies(const std::vector<TKeptFile>& kept) noexcept
{
    for (const TKeptFile& file : kept)
        ::unlink(Native(file.Copy).constData());
}

} // namespace

int TFileSeries::NumberOf(const QString& fileName) const
{
    if (fileName.size() < Prefix.size() + 4 + Suffix.size() || !fileName.startsWith(Prefix)
        || !fileName.endsWith(Suffix))
        return 0;
    const QString digits = fileName.mid(Prefix.size(), fileName.size() - Prefix.size() - Suffix.size());
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    }
    bool ok = false;
    const int number = digits.toInt(&ok);
    if (!ok || number < 1 || QString::number(number).rightJustified(4, QLatin1Char('0')) != digits)
        return 0;
    return number;
}

TStagedFileSet::TStagedFileSet() = default;

TStagedFileSet::~TStagedFileSet() { Discard(); }

TStagedFile& TStagedFileSet::Add(const QString& targetPath, bool pageFile)
{
    auto file = std::make_unique<TStagedFile>(targetPath);
    file->SetPageFile(pageFile);
    file->Open();
    m_files.push_back(std::move(file));
    return *m_files.back();
}

void TStagedFileSet::Discard() noexcept
{
    for (const auto& file : m_files)
        file->Discard();
    m_files.clear();
}

void TStagedFileSet::Commit(const TFileSeries& series, int lastNumber)
{
    // Nothing written, nothing replaced: an earlier series is not removed without a new one.
    if (m_files.empty())
        return;
    for (const auto& file : m_files)
        file->Close();

    // First keep a way back: a hard link to every file about to be replaced, and every file to be
    // removed renamed aside. Nothing visible changes yet.
    std::vector<TKeptFile> kept;
    std::vector<QString> copies(m_files.size()); // per file, the link to the file it replaces
    std::vector<bool> replaces(m_files.size());
    QSet<QString> targets;
    QSet<QString> syncFolders;
    size_t firstReplaced = 0; // names the failure should a sync fail
    for (size_t i = 0; i < m_files.size(); ++i) {
        const QString target = m_files[i]->TargetPath();
        targets.insert(QFileInfo(target).absoluteFilePath());
        bool regular = false;
        if (!Exists(target, &regular))
            continue;
        replaces[i] = true;
        if (regular && syncFolders.isEmpty())
            firstReplaced = i;
        if (regular)
            syncFolders.insert(QFileInfo(target).absolutePath());
        // Without hard links (some network and FAT file systems) this file cannot be restored should a
        // later rename fail; the rename itself still replaces it whole.
        const QString copy = TStagedFile::TemporaryName(target);
        if (::link(Native(target).constData(), Native(copy).constData()) == 0) {
            copies[i] = copy;
            kept.push_back(TKeptFile{target, copy, false});
        }
    }
    if (!series.Prefix.isEmpty() || !series.Suffix.isEmpty()) {
        const QDir folder(series.Folder);
        const QStringList names = folder.entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
        for (const QString& name : names) {
            const QString path = folder.absoluteFilePath(name);
            if (series.NumberOf(name) <= lastNumber || targets.contains(path) || TOutputGuard::IsProtected(path))
                continue;
            const QString aside = TStagedFile::TemporaryName(path);
            if (::rename(Native(path).constData(), Native(aside).constData()) != 0) {
                const int error = errno;
                Restore(kept);
                Discard();
                throw EExportError(QStringLiteral("Cannot remove the earlier page file \"%1\". %2")
                                       .arg(QDir::toNativeSeparators(path), SystemReason(error)));
            }
            kept.push_back(TKeptFile{path, aside, true});
        }
    }
    for (const QString& folder : std::as_const(syncFolders)) {
        if (const int error = SyncFolder(folder)) {
            Restore(kept);
            TStagedFile& named = *m_files[firstReplaced];
            named.FailErrno(TStagedFile::faWrite, error); // the set's destructor removes the others
        }
    }

    for (size_t i = 0; i < m_files.size(); ++i) {
        TStagedFile& file = *m_files[i];
        if (const int error = TStagedFile::Rename(file.TemporaryPath(), file.TargetPath())) {
            // Back to the folder as it was: the files already renamed give way to their old versions.
            for (size_t done = 0; done < i; ++done) {
                const QByteArray target = Native(m_files[done]->TargetPath());
                if (!copies[done].isEmpty())
                    ::rename(Native(copies[done]).constData(), target.constData());
                else if (!replaces[done])
                    ::unlink(target.constData());
            }
            Restore(kept);
            for (size_t rest = i + 1; rest < m_files.size(); ++rest)
                m_files[rest]->Discard();
            m_files.resize(i + 1);
            file.FailErrno(TStagedFile::faReplace, error);
        }
        file.m_temporary.clear();
    }
    DropCopies(kept);
    m_files.clear();
}
