#include "TSafeOutputFile.h"

#include "EExportError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Large enough that a writer of many short lines costs few system calls.
constexpr qsizetype BufferSize = 256 * 1024;

// The permission bits of the file being replaced, or those a newly created file would get.
mode_t TargetMode(const QByteArray& target)
{
    struct stat info = {};
    if (lstat(target.constData(), &info) == 0 && S_ISREG(info.st_mode))
        return info.st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

TSafeOutputFile::TSafeOutputFile(const QString& fileName) : m_fileName(QFileInfo(fileName).absoluteFilePath()) {}

TSafeOutputFile::~TSafeOutputFile()
{
    Discard();
}

void TSafeOutputFile::Fail(const char* what, int error) const
{
    throw EExportError(QStringLiteral("%1 file \"%2\". %3")
                           .arg(QLatin1String(what), QDir::toNativeSeparators(m_fileName),
                                QString::fromLocal8Bit(std::strerror(error))));
}

void TSafeOutputFile::Open()
{
    Discard();
    const QFileInfo target(m_fileName);
    // Beside the target, so that the final rename stays within one file system.
    QByteArray pattern =
        QFile::encodeName(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        Fail("Cannot create", errno);
    m_fd = fd;
    m_temporary = pattern;
    if (fchmod(m_fd, TargetMode(QFile::encodeName(m_fileName))) != 0)
        Fail("Cannot create", errno);
}

QString TSafeOutputFile::TemporaryFileName() const
{
    return QFile::decodeName(m_temporary);
}

void TSafeOutputFile::Write(QByteArrayView bytes)
{
    m_buffer.append(bytes);
    if (m_buffer.size() >= BufferSize)
        Flush();
}

void TSafeOutputFile::Flush()
{
    if (m_fd < 0)
        Fail("Cannot write", EBADF);
    const char* data = m_buffer.constData();
    qsizetype left = m_buffer.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            Fail("Cannot write", errno);
        }
        data += written;
        left -= written;
    }
    m_buffer.clear();
}

void TSafeOutputFile::Commit()
{
    Flush();
    // Synced before the rename, so that after a crash the name holds either the old file or the
    // whole new one.
    if (fsync(m_fd) != 0)
        Fail("Cannot write", errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        Fail("Cannot write", errno);
    if (::rename(m_temporary.constData(), QFile::encodeName(m_fileName).constData()) != 0)
        Fail("Cannot write", errno);
    m_temporary.clear();
}

void TSafeOutputFile::Discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temporary.isEmpty()) {
        ::unlink(m_temporary.constData());
        m_temporary.clear();
    }
    m_buffer.clear();
}
