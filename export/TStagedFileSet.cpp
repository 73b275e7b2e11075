#include "TStagedFileSet.h"

#include "EExportError.h"
#include "TOutputGuard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <atomic>
#include <csignal>
#include <map>
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

// The temporary names of this program: the target's name, ".tmp" and six letters. The first five are
// the token of the set (or of the single file) the file belongs to; in a set the sixth says what the
// file is: a staged page, a kept old file, an old page moved aside, or the set's own file.
const QRegularExpression& TemporaryPattern()
{
    static const QRegularExpression pattern(QStringLiteral("\\.tmp([A-Za-z0-9]{5})([A-Za-z0-9])$"));
    return pattern;
}
constexpr char StagedLetter = 'p';
constexpr char KeptLetter = 'k';
constexpr char AsideLetter = 'a';
constexpr char OwnerLetter = 'm';
const QString OwnerName = QStringLiteral(".pageset");

QString RandomToken()
{
    static const char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString token;
    for (int i = 0; i < 5; ++i)
        token += QLatin1Char(Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))]);
    return token;
}

// A test hook for the program as a whole: a test that runs it as a child process sets
// ACTIVITYREP_KILL_BEFORE_RENAME to make it die in the middle of a commit.
std::atomic<int> g_renamesBeforeKill{qEnvironmentVariableIntValue("ACTIVITYREP_KILL_BEFORE_RENAME")};

void KillHookBeforeRename()
{
    int left = g_renamesBeforeKill.load();
    while (left > 0) {
        if (g_renamesBeforeKill.compare_exchange_weak(left, left - 1)) {
            if (left == 1)
                ::raise(SIGKILL);
            return;
        }
    }
}

// The plan of a commit: one line per step, names relative to the folder of the set's own file and
// percent-encoded. "R staged target" puts a file in place, "A page aside" removes an older page
// (renamed aside first), "K kept" drops the link kept to a replaced file. The last line is "end".
const QByteArray PlanHeader = "page set commit 1\n";
const QByteArray PlanEnd = "end\n";

QByteArray Encoded(const QDir& folder, const QString& path)
{
    return QUrl::toPercentEncoding(folder.relativeFilePath(path));
}

QString Decoded(const QDir& folder, const QByteArray& name)
{
    return folder.absoluteFilePath(QUrl::fromPercentEncoding(name));
}

// Completes a plan left by a killed commit. Every step can be taken again: what is done already is
// skipped.
void RollForward(const QDir& folder, const QByteArray& plan)
{
    if (!plan.startsWith(PlanHeader) || !plan.endsWith(PlanEnd))
        return; // killed before the plan was complete: nothing was renamed yet
    const QList<QByteArray> lines = plan.split('\n');
    for (const char step : {'R', 'A', 'K'}) {
        for (const QByteArray& line : lines) {
            const QList<QByteArray> words = line.split(' ');
            if (words.value(0) != QByteArray(1, step))
                continue;
            const QString first = Decoded(folder, words.value(1));
            const QString second = words.size() > 2 ? Decoded(folder, words.value(2)) : QString();
            if (step == 'R') {
                if (Exists(first) && !TOutputGuard::IsProtected(second))
                    ::rename(Native(first).constData(), Native(second).constData());
            } else if (step == 'A') {
                if (Exists(first) && !TOutputGuard::IsProtected(first))
                    ::unlink(Native(first).constData());
                ::unlink(Native(second).constData());
            } else {
                ::unlink(Native(first).constData());
            }
        }
    }
}

QByteArray ReadAll(int fd)
{
    QByteArray content;
    char buffer[65536];
    for (off_t offset = 0;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return content;
        content.append(buffer, got);
        offset += got;
    }
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t wrote = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += wrote;
    }
    return true;
}

// What the commit changes besides putting the new files in place, kept until it has succeeded.
struct TKeptFile
{
    QString Path;
    QString Copy; // temporary name beside it
    bool Moved;   // renamed away (a removed file) rather than hard-linked (a replaced one)
};

// Puts back what the commit changed; returns the files that could not be put back, with the reason.
using TRename = int (*)(const QString& from, const QString& to);

QStringList Restore(const std::vector<TKeptFile>& kept, TRename rename) noexcept
{
    QStringList failed;
    for (const TKeptFile& file : kept) {
        if (!file.Moved) {
            ::unlink(Native(file.Copy).constData());
        } else if (const int error = rename(file.Copy, file.Path)) {
            failed << QStringLiteral("\"%1\" (%2; it is kept as \"%3\")")
                          .arg(QDir::toNativeSeparators(file.Path), SystemReason(error), QDir::toNativeSeparators(file.Copy));
        }
    }
    return failed;
}

void DropCopies(const std::vector<TKeptFile>& kept) noexcept
{
    for (const TKeptFile& file : kept)
        ::unlink(Native(file.Copy).constData());
}

QString WithUndoFailures(const QString& reason, const QStringList& failed)
{
    if (failed.isEmpty())
        return reason;
    return QStringLiteral("%1; the earlier files could not all be put back: %2").arg(reason, failed.join(QStringLiteral(", ")));
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

TStagedFileSet::TStagedFileSet() : m_token(RandomToken()) {}

TStagedFileSet::~TStagedFileSet() { Discard(); }

void TStagedFileSet::KillBeforeRename(int rename) { g_renamesBeforeKill = rename; }

void TStagedFileSet::EnsureOwner(const QString& folder)
{
    for (const TOwner& owner : m_owners) {
        if (owner.Folder == folder)
            return;
    }
    RecoverFolder(folder);
    const QString path = QDir(folder).filePath(OwnerName + QStringLiteral(".tmp") + m_token + QLatin1Char(OwnerLetter));
    const int fd = ::open(Native(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    // Without it the set still works; only a kill could then leave it torn. The first page, created
    // next in the same folder, names any real failure.
    if (fd < 0)
        return;
    if (!TStagedFile::MarkBeingWritten(fd, path)) {
        ::close(fd); // taken for a killed run's by another export's clean-up: the set goes without it
        return;
    }
    m_owners.push_back(TOwner{folder, path, fd});
}

void TStagedFileSet::ReleaseOwners() noexcept
{
    for (const TOwner& owner : m_owners) {
        ::unlink(Native(owner.Path).constData());
        ::close(owner.Fd);
    }
    m_owners.clear();
}

TStagedFile& TStagedFileSet::Add(const QString& targetPath, bool pageFile)
{
    auto file = std::make_unique<TStagedFile>(targetPath);
    file->SetPageFile(pageFile);
    file->m_inSet = true;
    file->m_letters = m_token + QLatin1Char(StagedLetter);
    TOutputGuard::Check(targetPath);
    EnsureOwner(QFileInfo(targetPath).absolutePath());
    file->Open();
    m_files.push_back(std::move(file));
    return *m_files.back();
}

void TStagedFileSet::Discard() noexcept
{
    for (const auto& file : m_files)
        file->Discard();
    m_files.clear();
    ReleaseOwners();
}

// Into every folder's own file, so the first export into any of them completes the commit.
void TStagedFileSet::WritePlan(const QByteArray& plan)
{
    for (const TOwner& owner : m_owners) {
        QByteArray text = plan;
        if (!plan.isEmpty()) {
            // The names were made relative to the first folder; each file holds them relative to its own.
            const QDir first(m_owners.front().Folder);
            const QDir own(owner.Folder);
            if (own != first) {
                QByteArray rewritten;
                for (const QByteArray& line : plan.split('\n')) {
                    QList<QByteArray> words = line.split(' ');
                    for (qsizetype w = 1; w < words.size(); ++w)
                        words[w] = Encoded(own, Decoded(first, words[w]));
                    rewritten += words.join(' ') + '\n';
                }
                text = rewritten.chopped(1);
            }
        }
        // Emptied first: a shorter plan must not end in the rest of a longer one.
        if (::ftruncate(owner.Fd, 0) != 0 || !WriteAll(owner.Fd, text) || (!text.isEmpty() && ::fdatasync(owner.Fd) != 0)) {
            const int error = errno;
            throw EExportError::CannotWrite(owner.Path, SystemReason(error));
        }
    }
}

void TStagedFileSet::RecoverFolder(const QString& folder) noexcept
{
    try {
        const QDir dir(folder);
        const QStringList names = dir.entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
        std::map<QString, QStringList> groups; // token -> names
        for (const QString& name : names) {
            const QRegularExpressionMatch match = TemporaryPattern().match(name);
            if (match.hasMatch())
                groups[match.captured(1)].append(name);
        }
        for (const auto& [token, members] : groups) {
            const QString ownerName = OwnerName + QStringLiteral(".tmp") + token + QLatin1Char(OwnerLetter);
            if (!members.contains(ownerName)) {
                // Single staged files, or the leftovers of a set whose own file is gone already.
                for (const QString& name : members) {
                    const QString path = dir.filePath(name);
                    if (!TOutputGuard::IsProtected(path))
                        TStagedFile::RemoveIfAbandoned(path);
                }
                continue;
            }
            const QString ownerPath = dir.filePath(ownerName);
            const int fd = ::open(Native(ownerPath).constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
            if (fd < 0)
                continue;
            struct flock lock = {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
                ::close(fd); // its set is alive (or the system cannot tell): left alone
                continue;
            }
            RollForward(dir, ReadAll(fd));
            for (const QString& name : members) {
                const QString path = dir.filePath(name);
                if (name != ownerName && Exists(path) && !TOutputGuard::IsProtected(path))
                    TStagedFile::RemoveIfAbandoned(path);
            }
            ::unlink(Native(ownerPath).constData());
            ::close(fd);
        }
    } catch (...) {
        // tried again at the next export
    }
}

void TStagedFileSet::Commit(const TFileSeries& series, int lastNumber)
{
    // Nothing written, nothing replaced: an earlier series is not removed without a new one.
    if (m_files.empty()) {
        ReleaseOwners();
        return;
    }
    for (const auto& file : m_files)
        file->Close();

    // The plan: what is replaced (a hard link to it is kept for an undo), what is put in place and
    // which older pages are removed. Nothing visible changes yet.
    std::vector<TKeptFile> kept;
    std::vector<QString> copies(m_files.size()); // per file, the link to the file it replaces
    std::vector<bool> replaces(m_files.size());
    QSet<QString> targets;
    QSet<QString> syncFolders;
    size_t firstReplaced = 0; // names the failure should a sync fail
    const QDir planFolder(m_owners.empty() ? QFileInfo(m_files.front()->TargetPath()).absolutePath() : m_owners.front().Folder);
    QByteArray plan = PlanHeader;
    for (size_t i = 0; i < m_files.size(); ++i) {
        const QString target = m_files[i]->TargetPath();
        targets.insert(QFileInfo(target).absoluteFilePath());
        plan += "R " + Encoded(planFolder, m_files[i]->TemporaryPath()) + ' ' + Encoded(planFolder, target) + '\n';
        bool regular = false;
        if (!Exists(target, &regular))
            continue;
        replaces[i] = true;
        if (regular && syncFolders.isEmpty())
            firstReplaced = i;
        if (regular)
            syncFolders.insert(QFileInfo(target).absolutePath());
        copies[i] = TStagedFile::TemporaryName(target, m_token + QLatin1Char(KeptLetter));
        plan += "K " + Encoded(planFolder, copies[i]) + '\n';
    }
    std::vector<std::pair<QString, QString>> older; // pages to remove, and their names aside
    if (!series.Prefix.isEmpty() || !series.Suffix.isEmpty()) {
        const QDir folder(series.Folder);
        const QStringList names = folder.entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
        for (const QString& name : names) {
            const QString path = folder.absoluteFilePath(name);
            if (series.NumberOf(name) <= lastNumber || targets.contains(path) || TOutputGuard::IsProtected(path))
                continue;
            const QString aside = TStagedFile::TemporaryName(path, m_token + QLatin1Char(AsideLetter));
            older.emplace_back(path, aside);
            plan += "A " + Encoded(planFolder, path) + ' ' + Encoded(planFolder, aside) + '\n';
        }
    }
    plan += PlanEnd;

    for (const QString& folder : std::as_const(syncFolders)) {
        if (const int error = SyncFolder(folder)) {
            TStagedFile& named = *m_files[firstReplaced];
            named.FailErrno(TStagedFile::faWrite, error); // the set's destructor removes the others
        }
    }
    // From here a kill completes the commit at the next export into the folder.
    try {
        WritePlan(plan);
    } catch (...) {
        Discard();
        throw;
    }
    const auto abandonPlan = [this]() noexcept {
        try {
            WritePlan({});
        } catch (...) {
            // the plan stays: the next export completes the commit instead
        }
    };

    for (size_t i = 0; i < m_files.size(); ++i) {
        // Without hard links (some network and FAT file systems) this file cannot be restored should a
        // later rename fail; the rename itself still replaces it whole.
        if (replaces[i] && ::link(Native(m_files[i]->TargetPath()).constData(), Native(copies[i]).constData()) == 0)
            kept.push_back(TKeptFile{m_files[i]->TargetPath(), copies[i], false});
        else
            copies[i].clear();
    }
    for (const auto& [path, aside] : older) {
        if (::rename(Native(path).constData(), Native(aside).constData()) != 0) {
            const int error = errno;
            const QStringList failed = Restore(kept, &TStagedFile::Rename);
            if (failed.isEmpty())
                abandonPlan();
            Discard();
            throw EExportError(QStringLiteral("Cannot remove the earlier page file \"%1\". %2")
                                   .arg(QDir::toNativeSeparators(path), WithUndoFailures(SystemReason(error), failed)));
        }
        kept.push_back(TKeptFile{path, aside, true});
    }

    for (size_t i = 0; i < m_files.size(); ++i) {
        TStagedFile& file = *m_files[i];
        KillHookBeforeRename();
        if (const int error = TStagedFile::Rename(file.TemporaryPath(), file.TargetPath())) {
            // Back to the folder as it was: the files already renamed give way to their old versions.
            // An old version that cannot be put back keeps its link, and the error names both.
            QStringList failed;
            for (size_t done = 0; done < m_files.size(); ++done) {
                const QString target = m_files[done]->TargetPath();
                if (done >= i) {
                    if (!copies[done].isEmpty())
                        ::unlink(Native(copies[done]).constData());
                } else if (!copies[done].isEmpty()) {
                    if (const int undo = TStagedFile::Rename(copies[done], target))
                        failed << QStringLiteral("\"%1\" (%2; it is kept as \"%3\")")
                                      .arg(QDir::toNativeSeparators(target), SystemReason(undo),
                                           QDir::toNativeSeparators(copies[done]));
                } else if (!replaces[done] && ::unlink(Native(target).constData()) != 0 && errno != ENOENT) {
                    failed << QStringLiteral("\"%1\" (%2)").arg(QDir::toNativeSeparators(target), SystemReason(errno));
                }
            }
            std::erase_if(kept, [](const TKeptFile& k) { return !k.Moved; }); // the links are dealt with above
            failed << Restore(kept, &TStagedFile::Rename);
            abandonPlan();
            for (size_t rest = i + 1; rest < m_files.size(); ++rest)
                m_files[rest]->Discard();
            m_files.resize(i + 1);
            ReleaseOwners();
            file.Fail(TStagedFile::faReplace, WithUndoFailures(SystemReason(error), failed));
        }
        file.m_temporary.clear();
    }
    DropCopies(kept);
    m_files.clear();
    ReleaseOwners();
}
