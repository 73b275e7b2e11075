#include "ChildProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

// Owns the spawn file actions, which must be destroyed whatever happens.
class TFileActions
{
public:
    TFileActions() { posix_spawn_file_actions_init(&m_actions); }
    ~TFileActions() { posix_spawn_file_actions_destroy(&m_actions); }
    TFileActions(const TFileActions&) = delete;
    TFileActions& operator=(const TFileActions&) = delete;

    void Open(int descriptor, const QByteArray& path, int flags)
    {
        if (!path.isEmpty())
            posix_spawn_file_actions_addopen(&m_actions, descriptor, path.constData(), flags, 0644);
    }
    const posix_spawn_file_actions_t* Get() const { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

} // namespace

TChildResult RunChild(const QString& program, const QStringList& arguments, const QString& stdinFile,
                      const QString& stdoutFile, const QString& stderrFile)
{
    TChildResult result;
    TFileActions actions;
    actions.Open(0, QFile::encodeName(stdinFile), O_RDONLY);
    actions.Open(1, QFile::encodeName(stdoutFile), O_WRONLY | O_CREAT | O_TRUNC);
    actions.Open(2, QFile::encodeName(stderrFile), O_WRONLY | O_CREAT | O_TRUNC);

    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);

    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv.front(), actions.Get(), nullptr, argv.data(), environ);
    if (error != 0) {
        result.StartError = QStringLiteral("%1 could not be started: %2")
                                .arg(program, QString::fromLocal8Bit(std::strerror(error)));
        return result;
    }
    result.Started = true;

    int status = 0;
    rusage usage {};
    pid_t ended = -1;
    do {
        ended = wait4(pid, &status, 0, &usage);
    } while (ended < 0 && errno == EINTR);
    result.Seconds = double(timer.nsecsElapsed()) / 1e9;
    if (ended != pid) {
        result.StartError = QStringLiteral("%1 could not be waited for.").arg(program);
        return result;
    }
    result.PeakKiB = usage.ru_maxrss; // KiB on Linux
    if (WIFEXITED(status))
        result.ExitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.ExitCode = 128 + WTERMSIG(status);
    return result;
}

qint64 OwnPeakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    // The kernel reports the file's size as 0: atEnd() would stop at once, readAll() reads to the end.
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}
