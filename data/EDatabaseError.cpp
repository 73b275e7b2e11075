#include "EDatabaseError.h"
#include "TSession.h"
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {
QString Compose(const QString& context, const QString& engineMessage)
{
    if (context.isEmpty())
        return engineMessage;
    if (engineMessage.isEmpty())
        return context;
    return context + QStringLiteral(": ") + engineMessage;
}
// SQLite locks a database file with POSIX record locks on bytes far beyond its data: a writer holds the
// "reserved" byte from its first write until it commits and the "shared" range exclusively while it
// commits; every reader holds the shared range for reading. Asking the system who holds them tells a
// waiting writer what kept it out. Locks of this process never show here.
constexpr off_t PendingByte = 0x40000000;
constexpr off_t ReservedByte = PendingByte + 1;
constexpr off_t SharedFirst = PendingByte + 2;
constexpr off_t SharedSize = 510;

struct TLockHolder
{
    enum { lhNone, lhReader, lhWriter } Kind = lhNone;
    pid_t Pid = 0;
};

TLockHolder LockHolderOf(const QString& file)
{
    TLockHolder holder;
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return holder;
    const auto probe = [fd](off_t start, off_t length, struct flock& lock) {
        lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = start;
        lock.l_len = length;
        return ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    };
    struct flock lock;
    if (probe(ReservedByte, 1, lock) || probe(PendingByte, 1, lock))
        holder = TLockHolder{TLockHolder::lhWriter, lock.l_pid};
    else if (probe(SharedFirst, SharedSize, lock))
        holder = TLockHolder{lock.l_type == F_WRLCK ? TLockHolder::lhWriter : TLockHolder::lhReader, lock.l_pid};
    ::close(fd);
    return holder;
}

// "process 4321, activityrep"; empty when the system does not say (a holder on another computer).
QString ProcessText(pid_t pid)
{
    if (pid <= 0)
        return {};
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    QString name;
    if (comm.open(QIODevice::ReadOnly))
        name = QString::fromLocal8Bit(comm.readAll()).trimmed();
    return name.isEmpty() ? QStringLiteral("process %1").arg(pid) : QStringLiteral("process %1, %2").arg(pid).arg(name);
}

QString SecondsText(int msecs)
{
    return QString::number(msecs / 1000.0, 'g', 3);
}

// Which kind of holder a statement waited for, without blaming another program for what may have
// been a connection of this one.
QString LockedContext(const QString& file)
{
    const TLockHolder holder = LockHolderOf(file);
    const QString wait = SecondsText(TSession::Instance().BusyTimeout());
    if (holder.Kind == TLockHolder::lhNone)
        return QStringLiteral("The club database %1 stayed locked beyond the wait of %2 s").arg(file, wait);
    const QString process = ProcessText(holder.Pid);
    const QString who = process.isEmpty() ? QStringLiteral("another connection")
                                          : QStringLiteral("another connection (%1)").arg(process);
    return QStringLiteral("The club database %1 stayed locked beyond the wait of %2 s: %3 was %4 it")
        .arg(file, wait, who,
             holder.Kind == TLockHolder::lhWriter ? QStringLiteral("writing to") : QStringLiteral("reading"));
}

} // namespace

EDatabaseError::EDatabaseError(const QString& context, const QString& engineMessage, const QString& nativeCode)
    : std::runtime_error(Compose(context, engineMessage).toStdString())
    , m_context(context)
    , m_engineMessage(engineMessage)
    , m_nativeCode(nativeCode)
{
}

EDatabaseError EDatabaseError::FromSqlError(const QString& context, const QSqlError& error)
{
    // The driver text ("Unable to execute statement") is Qt's own context; the database text is the
    // engine's message, which is what tells the user what went wrong.
    QString engine = error.databaseText();
    if (engine.isEmpty())
        engine = error.driverText();
    return EDatabaseError(context, engine, error.nativeErrorCode());
}

EDatabaseError EDatabaseError::FromSqlError(const QString& context, const QSqlError& error, const QSqlDatabase& database)
{
    const EDatabaseError plain = FromSqlError(context, error);
    if (database.driverName() != QLatin1String("QSQLITE"))
        return plain;
    bool numeric = false;
    // The primary result code is the low byte of an extended one.
    const int code = error.nativeErrorCode().toInt(&numeric) & 0xFF;
    if (!numeric)
        return plain;
    const QString file = database.databaseName();
    if (code == SQLITE_BUSY)
        return EDatabaseError(LockedContext(file), plain.EngineMessage(), plain.NativeCode());
    if (code == SQLITE_READONLY)
        return EDatabaseError(QStringLiteral("The club database %1 cannot be written").arg(file), plain.EngineMessage(),
                              plain.NativeCode());
    if (code == SQLITE_NOTADB)
        return NotAClubDatabase(file, plain.EngineMessage(), plain.NativeCode());
    return plain;
}

EDatabaseError EDatabaseError::NotAClubDatabase(const QString& file, const QString& reason, const QString& nativeCode)
{
    return EDatabaseError(QStringLiteral("%1 is not a club database").arg(file), reason, nativeCode);
}

QString EDatabaseError::Message() const
{
    return Compose(m_context, m_engineMessage);
}
