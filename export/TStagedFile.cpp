#include "TStagedFile.h"

#include "EExportError.h"
#include "TOutputGuard.h"
#include "TStagedFileSet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <deque>
#include <mutex>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Large enough that the system sees few writes, small enough for one per page file.
constexpr qsizetype BufferSize = 128 * 1024;
// write(2) moves at most about 2 GiB at a time.
constexpr qint64 MaxWriteChunk = qint64(1) << 30;
// Leaves room in a file name of at most 255 bytes for the temporary suffix.
constexpr qsizetype MaxNameBytes = 200;

std::atomic<qint64> g_bytesBeforeFullDisk{-1};
std::atomic<int> g_renamesBeforeFailure{-1};
std::atomic<int> g_failingRenames{0};

// Writing behind: written bytes go to the disk in steps of this size, and pages this far behind
// the last step are dropped from the cache. By then the disk has long had them, so nothing waits.
constexpr qint64 WriteBehindStep = qint64(4) << 20;
constexpr qint64 WriteBehindLag = qint64(16) << 20;

// Closed files whose last pages are still cached, oldest first. Their pages are dropped once more than
// WriteBehindLag bytes of files closed later are cached. A file renamed or removed meanwhile is
// skipped: the cache of a committed file is the system's to manage again.
class TCachedFiles
{
public:
    void Add(const QByteArray& path, qint64 from, qint64 size)
    {
        std::lock_guard lock(m_mutex);
        m_files.push_back(TFile{path, from, size});
        m_bytes += size;
        while (m_bytes > WriteBehindLag && !m_files.empty()) {
            const TFile& file = m_files.front();
            const int fd = ::open(file.Path.constData(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                (void)::posix_fadvise(fd, file.From, file.Size, POSIX_FADV_DONTNEED);
                ::close(fd);
            }
            m_bytes -= file.Size;
            m_files.pop_front();
        }
    }

private:
    struct TFile
    {
        QByteArray Path;
        qint64 From = 0;
        qint64 Size = 0;
    };
    std::mutex m_mutex;
    std::deque<TFile> m_files;
    qint64 m_bytes = 0;
};

TCachedFiles& CachedFiles()
{
    static TCachedFiles files;
    return files;
}

} // namespace

// "report.pdf.tmpA1b2C3": beside the target, so the rename stays on one file system, and plainly
// temporary should a killed process leave it behind.
bool TStagedFile::MarkBeingWritten(int fd, const QString& path)
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &lock) != 0)
        return errno != EAGAIN && errno != EACCES; // refused: a cleaner has it in hand
    struct stat opened = {};
    struct stat named = {};
    return ::fstat(fd, &opened) == 0 && ::lstat(QFile::encodeName(path).constData(), &named) == 0
        && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

void TStagedFile::RemoveIfAbandoned(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return;
    // The lock is refused while a running export holds its mark, and where the system cannot lock at
    // all: the file is then left alone. A file read-only to us still takes a read lock.
    struct flock lock = {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    struct stat opened = {};
    struct stat named = {};
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0 && ::fstat(fd, &opened) == 0 && ::lstat(name.constData(), &named) == 0
        && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino)
        ::unlink(name.constData());
    ::close(fd);
}

QString TStagedFile::TemporaryName(const QString& target, const QString& letters)
{
    const QFileInfo info(target);
    QString name = info.fileName();
    while (QFile::encodeName(name).size() > MaxNameBytes)
        name.chop(1);
    QString suffix = QStringLiteral(".tmp");
    if (!letters.isEmpty()) {
        suffix += letters;
    } else {
        static const char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        for (int i = 0; i < 6; ++i)
            suffix += QLatin1Char(Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))]);
    }
    return QDir(info.path()).filePath(name + suffix);
}

namespace {

// Consumes `size` bytes of a simulated disk; false when it is full.
bool SimulatedSpace(qint64& size)
{
    qint64 left = g_bytesBeforeFullDisk.load();
    while (left >= 0) {
        if (left == 0)
            return false;
        const qint64 taken = std::min(left, size);
        if (g_bytesBeforeFullDisk.compare_exchange_weak(left, left - taken)) {
            size = taken;
            return true;
        }
    }
    return true;
}

} // namespace

QString SystemReason(int error)
{
    char text[256];
    return QString::fromLocal8Bit(strerror_r(error, text, sizeof text)); // the GNU variant: thread-safe
}

TStagedFile::TStagedFile(const QString& targetPath)
    : m_target(targetPath)
{
}

TStagedFile::~TStagedFile() { Discard(); }

void TStagedFile::SetTargetPath(const QString& targetPath)
{
    if (IsOpen() || !m_temporary.isEmpty()) {
        qWarning("TStagedFile::SetTargetPath called on a staged file");
        return;
    }
    m_target = targetPath;
}

void TStagedFile::SimulateFullDiskAfter(qint64 bytes) { g_bytesBeforeFullDisk = bytes; }

void TStagedFile::SimulateRenameFailureAfter(int renames, int failures)
{
    g_failingRenames = failures;
    g_renamesBeforeFailure = renames;
}

void TStagedFile::ClearSimulatedFaults()
{
    g_bytesBeforeFullDisk = -1;
    g_renamesBeforeFailure = -1;
    g_failingRenames = 0;
}

void TStagedFile::Open()
{
    Discard();
    m_size = 0;
    m_written = m_behind = m_dropped = 0;
    TOutputGuard::Check(m_target);
    const QByteArray target = QFile::encodeName(m_target);
    if (m_target.isEmpty() || m_target.endsWith(QLatin1Char('/')))
        Fail(faCreate, QStringLiteral("It is a folder"));
    if (!m_inSet)
        TStagedFileSet::RecoverFolder(QFileInfo(m_target).absolutePath());
    struct stat status;
    bool keepMode = false;
    if (::lstat(target.constData(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            Fail(faCreate, QStringLiteral("It is a folder"));
        if (S_ISLNK(status.st_mode)) {
            // The link is replaced, but one that leads to a device or a folder was surely meant as
            // the place to write to, and replacing it would not do that.
            struct stat linked;
            if (::stat(target.constData(), &linked) == 0 && !S_ISREG(linked.st_mode))
                Fail(faCreate, QStringLiteral("It is a link to a folder, a device or another special file"));
        } else if (!S_ISREG(status.st_mode)) {
            Fail(faCreate, QStringLiteral("It is a device or another special file"));
        } else {
            // The rename would replace a file its owner made read-only to keep it as it is.
            if (::access(target.constData(), W_OK) != 0)
                FailErrno(faCreate, errno);
            keepMode = true;
        }
    } else if (errno != ENOENT) {
        FailErrno(faCreate, errno);
    }

    for (int attempt = 0; m_fd < 0; ++attempt) {
        const QString temporary = TemporaryName(m_target, m_letters);
        const int fd = ::open(QFile::encodeName(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 && MarkBeingWritten(fd, temporary)) {
            m_fd = fd;
            m_temporary = temporary;
        } else if (fd >= 0) {
            ::close(fd); // removed by a cleaner before it was marked: another name
        } else if (errno != EEXIST || attempt == 100 || !m_letters.isEmpty()) {
            FailErrno(faCreate, errno);
        }
    }
    // A replaced file keeps its permissions. A file system without them (FAT) refuses, which costs nothing.
    if (keepMode)
        (void)::fchmod(m_fd, status.st_mode & 0777);
}

void TStagedFile::Write(QByteArrayView bytes)
{
    if (!IsOpen())
        Fail(faWrite, QStringLiteral("The file is not open"));
    const qsizetype size = bytes.size();
    if (size == 0)
        return;
    if (m_used + size > BufferSize)
        Flush();
    if (size >= BufferSize) {
        WriteThrough(bytes.data(), size);
    } else {
        if (!m_buffer)
            m_buffer = std::make_unique_for_overwrite<char[]>(size_t(BufferSize));
        std::memcpy(m_buffer.get() + m_used, bytes.data(), size_t(size));
        m_used += size;
    }
    m_size += size;
}

void TStagedFile::Flush()
{
    if (m_used == 0 || !IsOpen())
        return;
    const qsizetype used = m_used;
    m_used = 0;
    WriteThrough(m_buffer.get(), used);
}

void TStagedFile::WriteThrough(const char* data, qint64 size)
{
    while (size > 0) {
        qint64 chunk = std::min(size, MaxWriteChunk);
        if (!SimulatedSpace(chunk))
            FailErrno(faWrite, ENOSPC);
        const ssize_t written = ::write(m_fd, data, size_t(chunk));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            FailErrno(faWrite, errno);
        }
        if (written == 0)
            FailErrno(faWrite, ENOSPC);
        data += written;
        size -= written;
        m_written += written;
    }
    WriteBehind(false);
}

void TStagedFile::WriteBehind(bool closing)
{
    // Hints to the system: a failure costs only the cache, so none is reported.
    if (m_written > m_behind && (closing || m_written - m_behind >= WriteBehindStep)) {
        (void)::sync_file_range(m_fd, m_behind, m_written - m_behind, SYNC_FILE_RANGE_WRITE);
        m_behind = m_written;
    }
    if (m_behind - m_dropped > WriteBehindLag + WriteBehindStep) {
        const qint64 upTo = m_behind - WriteBehindLag;
        (void)::posix_fadvise(m_fd, m_dropped, upTo - m_dropped, POSIX_FADV_DONTNEED);
        m_dropped = upTo;
    }
}

void TStagedFile::AppendFile(TStagedFile& spool)
{
    if (!IsOpen() || !spool.IsOpen())
        Fail(faWrite, QStringLiteral("The file is not open"));
    spool.Flush();
    Flush();
    const int from = ::open(QFile::encodeName(spool.m_temporary).constData(), O_RDONLY | O_CLOEXEC);
    if (from < 0)
        FailErrno(faWrite, errno);
    const qint64 size = spool.m_size;
    loff_t offset = 0;
    int error = 0;
    while (offset < size) {
        const ssize_t copied = ::copy_file_range(from, &offset, m_fd, nullptr, size_t(std::min(size - offset, MaxWriteChunk)), 0);
        if (copied > 0) {
            qint64 taken = copied;
            if (!SimulatedSpace(taken) || taken < copied) {
                error = ENOSPC;
                break;
            }
            m_written += copied;
            WriteBehind(false);
            continue;
        }
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
            // A file system that cannot copy in the kernel (or across file systems): copy through a buffer.
            try {
                CopyThrough(from, offset, size - offset);
            } catch (...) {
                ::close(from);
                throw;
            }
            offset = size;
            break;
        }
        error = copied < 0 ? errno : EIO; // the spool ended early: it was changed behind our back
        break;
    }
    ::close(from);
    if (error != 0)
        FailErrno(faWrite, error);
    m_size += size;
}

void TStagedFile::CopyThrough(int from, qint64 offset, qint64 size)
{
    if (!m_buffer)
        m_buffer = std::make_unique_for_overwrite<char[]>(size_t(BufferSize));
    while (size > 0) {
        const ssize_t got = ::pread(from, m_buffer.get(), size_t(std::min<qint64>(size, BufferSize)), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            FailErrno(faWrite, got < 0 ? errno : EIO);
        WriteThrough(m_buffer.get(), got);
        offset += got;
        size -= got;
    }
}

void TStagedFile::Close()
{
    if (!IsOpen())
        return;
    Flush();
    m_buffer.reset(); // a set may hold thousands of closed pages
    // A small file, such as a page of a page set, is left to the system's own writing: handing each
    // one to the disk at once costs more than the cache it saves.
    const bool large = m_behind > 0;
    if (large)
        WriteBehind(true);
    const int fd = m_fd;
    m_fd = -1;
    // Network file systems report a failed write only here. After EINTR the descriptor is gone on
    // Linux and the data is written.
    if (::close(fd) != 0 && errno != EINTR)
        FailErrno(faWrite, errno);
    if (large && m_written > m_dropped)
        CachedFiles().Add(QFile::encodeName(m_temporary), m_dropped, m_written - m_dropped);
}

bool TStagedFile::ReplacesRegularFile() const
{
    struct stat status;
    return ::lstat(QFile::encodeName(m_target).constData(), &status) == 0 && S_ISREG(status.st_mode);
}

void TStagedFile::Commit()
{
    if (m_temporary.isEmpty())
        Fail(faReplace, QStringLiteral("Nothing was written"));
    // The lock says "being written" until the rename: another export into the folder removes the
    // unlocked temporary files of killed runs, and closing the file would drop the lock. A second
    // descriptor of the same open file keeps it.
    int locked = -1;
    if (IsOpen()) {
        Flush();
        if (ReplacesRegularFile() && ::fdatasync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
            FailErrno(faWrite, errno);
        locked = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
        try {
            Close();
        } catch (...) {
            if (locked >= 0)
                ::close(locked);
            throw;
        }
    }
    const int error = Rename(m_temporary, m_target);
    if (locked >= 0)
        ::close(locked);
    if (error)
        FailErrno(faReplace, error);
    m_temporary.clear();
}

int TStagedFile::Rename(const QString& from, const QString& to)
{
    int left = g_renamesBeforeFailure.load();
    while (left >= 0) {
        if (left == 0) {
            if (--g_failingRenames <= 0)
                g_renamesBeforeFailure = -1;
            return EIO;
        }
        if (g_renamesBeforeFailure.compare_exchange_weak(left, left - 1))
            break;
    }
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0 ? 0 : errno;
}

void TStagedFile::Discard() noexcept
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(QFile::encodeName(m_temporary).constData());
        m_temporary.clear();
    }
    m_used = 0;
    m_buffer.reset();
}

void TStagedFile::FailErrno(TAction action, int error) { Fail(action, SystemReason(error)); }

void TStagedFile::Fail(TAction action, const QString& reason)
{
    Discard();
    if (m_pageFile)
        throw EExportError::PageFile(m_target, reason);
    switch (action) {
    case faCreate:
        throw EExportError::CannotCreate(m_target, reason);
    case faWrite:
        throw EExportError::CannotWrite(m_target, reason);
    case faReplace:
        throw EExportError::CannotReplace(m_target, reason);
    }
    throw EExportError(reason);
}
