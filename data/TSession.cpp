#include "TSession.h"
#include "EDatabaseError.h"
#include "TSqliteStatement.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <optional>

namespace {
const QString ConnectionPrefix = QStringLiteral("activityrep:");

QString ParamValue(const QStringList& params, const QString& name)
{
    for (const QString& line : params) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1).trimmed();
    }
    return {};
}
// A club database on a PostgreSQL server. The password comes from the alias or, when the alias has
// none, from the user's password file (~/.pgpass or $PGPASSFILE), which libpq reads by itself.
QSqlDatabase OpenServer(const QString& connection, const QStringList& params, const QString& context)
{
    const QString host = ParamValue(params, QStringLiteral("HOST"));
    const QString portText = ParamValue(params, QStringLiteral("PORT"));
    const QString name = ParamValue(params, QStringLiteral("DATABASE"));
    const QString user = ParamValue(params, QStringLiteral("USER"));
    if (host.isEmpty() || name.isEmpty() || user.isEmpty())
        throw EDatabaseError(context, QStringLiteral("The alias needs HOST, DATABASE and USER for a PostgreSQL server"));
    int port = 5432;
    if (!portText.isEmpty()) {
        bool ok = false;
        port = portText.toInt(&ok);
        if (!ok || port <= 0 || port > 65535)
            throw EDatabaseError(context, QStringLiteral("Invalid PORT: %1").arg(portText));
    }
    QSqlDatabase database = QSqlDatabase::contains(connection)
        ? QSqlDatabase::database(connection, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
    if (!database.isValid())
        throw EDatabaseError(context, QStringLiteral("The PostgreSQL driver of Qt Sql is not available"));
    database.setHostName(host); // a folder names the server's Unix socket directory
    database.setPort(port);
    database.setDatabaseName(name);
    database.setUserName(user);
    database.setPassword(ParamValue(params, QStringLiteral("PASSWORD")));
    // A workstation waits a little for a server that is slow to answer, not for ever.
    database.setConnectOptions(QStringLiteral("connect_timeout=15"));
    if (!database.open())
        throw EDatabaseError::FromSqlError(context, database.lastError());
    return database;
}

// A report sorts every enrolment before its first row arrives. SQLite sorts on worker threads when
// allowed to, which brings the first page of a large report sooner; the order is still the statement's.
// A failure only costs that speed.
void UseSorterThreads(const QSqlDatabase& database)
{
    QSqlQuery pragma(database);
    (void)pragma.exec(QStringLiteral("pragma threads = %1").arg(std::clamp(QThread::idealThreadCount(), 1, 8)));
}

// SQLite opens any file without reading it. Reading the table list at once names the real cause of a
// failure (another program holds the file locked, the file is no database, the database holds no
// tables) where the first table would otherwise just seem to be missing. The connection is closed
// again so that the next use tries afresh.
void CheckClubFile(QSqlDatabase& database, const QString& context)
{
    std::optional<EDatabaseError> failure;
    {
        QSqlQuery probe(database);
        if (!probe.exec(QStringLiteral("select count(*) from sqlite_master")) || !probe.next())
            failure = EDatabaseError::FromSqlError(context, probe.lastError(), database);
        else if (probe.value(0).toInt() == 0)
            failure = EDatabaseError::NotAClubDatabase(database.databaseName(), QStringLiteral("It holds no tables"));
    }
    if (failure) {
        database.close();
        throw *failure;
    }
}
} // namespace

TSession& TSession::Instance()
{
    static TSession session;
    return session;
}

void TSession::SetAliasFile(const QString& path)
{
    if (path == m_aliasFile)
        return;
    // Aliases and connections of another file must not linger.
    Reset();
    m_aliasFile = path;
}

QString TSession::AliasFile() const
{
    return m_aliasFile.isEmpty() ? DefaultAliasFile() : m_aliasFile;
}

QString TSession::DefaultAliasFile()
{
    const QString fromEnvironment = qEnvironmentVariable("ACTIVITYREP_ALIASES");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QDir::homePath() + QStringLiteral("/.config");
    const QString user = configHome + QStringLiteral("/activityrep/aliases.ini");
    if (QFileInfo::exists(user))
        return user;
    return QStringLiteral("/etc/activityrep/aliases.ini");
}

void TSession::Activate()
{
    const QString path = AliasFile();
    const QString context = QStringLiteral("Unable to read the alias file %1").arg(path);
    const QFileInfo info(path);
    if (!info.exists())
        throw EDatabaseError(context, QStringLiteral("The file does not exist"));
    if (!info.isFile())
        throw EDatabaseError(context, QStringLiteral("Not a file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw EDatabaseError(context, file.errorString());

    // A small INI reader: "[alias]" starts a section, "NAME=value" lines are its parameters,
    // lines starting with ";" or "#" are comments.
    QList<TAlias> aliases;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            aliases.append(TAlias{line.mid(1, line.size() - 2).trimmed(), {}});
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && !aliases.isEmpty())
            aliases.last().Params.append(line.left(eq).trimmed() + QLatin1Char('=') + line.mid(eq + 1).trimmed());
    }
    // A relative PATH names a folder beside the alias file, wherever the program was started from.
    const QString aliasFolder = info.absolutePath();
    for (TAlias& alias : aliases) {
        for (QString& line : alias.Params) {
            const int eq = line.indexOf(QLatin1Char('='));
            if (line.left(eq).compare(QLatin1String("PATH"), Qt::CaseInsensitive) != 0)
                continue;
            const QString value = line.mid(eq + 1);
            static const QRegularExpression absolute(QStringLiteral("^([/\\\\]|[A-Za-z]:)"));
            if (!value.isEmpty() && !absolute.match(value).hasMatch())
                line = line.left(eq + 1) + aliasFolder + QLatin1Char('/') + value;
        }
    }
    m_aliases = aliases;
    m_active = true;
}

void TSession::EnsureActive() const
{
    if (!m_active)
        const_cast<TSession*>(this)->Activate();
}

const TSession::TAlias* TSession::FindAlias(const QString& name) const
{
    EnsureActive();
    for (const TAlias& alias : m_aliases) {
        if (alias.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &alias;
    }
    return nullptr;
}

bool TSession::IsAlias(const QString& name) const
{
    return FindAlias(name) != nullptr;
}

QStringList TSession::AliasNames() const
{
    EnsureActive();
    QStringList names;
    for (const TAlias& alias : m_aliases)
        names.append(alias.Name);
    return names;
}

QStringList TSession::AliasParams(const QString& name) const
{
    const TAlias* alias = FindAlias(name);
    // Typically the installed example alias file, still all comments: say which file and what it needs.
    if (!alias)
        throw EDatabaseError(QStringLiteral("Unknown database alias %1").arg(name),
                             QStringLiteral("The alias file %1 has no section [%2]. Add one that names the club "
                                            "database: DRIVER=SQLITE and PATH=the folder of the club tables, or "
                                            "DRIVER=POSTGRESQL with HOST, DATABASE and USER (see activityrep(1)).")
                                 .arg(AliasFile(), name));
    return alias->Params;
}

QString TSession::AliasParam(const QString& alias, const QString& param) const
{
    return ParamValue(AliasParams(alias), param);
}

QSqlDatabase TSession::Database(const QString& alias)
{
    const QString key = alias.toLower();
    const auto existing = m_connections.constFind(key);
    if (existing != m_connections.constEnd()) {
        QSqlDatabase database = QSqlDatabase::database(*existing, false);
        if (database.isOpen())
            return database;
    }

    const QStringList params = AliasParams(alias); // throws for a missing alias
    const QString context = QStringLiteral("Unable to open database %1").arg(alias);
    const QString driver = ParamValue(params, QStringLiteral("DRIVER"));
    if (driver.compare(QLatin1String("POSTGRESQL"), Qt::CaseInsensitive) == 0
        || driver.compare(QLatin1String("QPSQL"), Qt::CaseInsensitive) == 0) {
        QSqlDatabase database = OpenServer(ConnectionPrefix + key, params, context);
        m_connections.insert(key, database.connectionName());
        return database;
    }
    if (!driver.isEmpty() && driver.compare(QLatin1String("SQLITE"), Qt::CaseInsensitive) != 0
        && driver.compare(QLatin1String("QSQLITE"), Qt::CaseInsensitive) != 0)
        throw EDatabaseError(context, QStringLiteral("Driver not supported: %1").arg(driver));
    QString folder = ParamValue(params, QStringLiteral("PATH"));
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (folder.isEmpty())
        throw EDatabaseError(context, QStringLiteral("The alias has no PATH"));
    if (!QFileInfo(folder).isDir())
        throw EDatabaseError(context, QStringLiteral("Folder does not exist: %1").arg(folder));
    QString fileName = ParamValue(params, QStringLiteral("DATABASE"));
    if (fileName.isEmpty())
        fileName = QStringLiteral("club.db");
    const QString file = QDir(folder).filePath(fileName);
    // SQLite would create a missing file silently and the user would see "no such table" later.
    if (!QFileInfo(file).isFile())
        throw EDatabaseError(context, QStringLiteral("Database file does not exist: %1").arg(file));

    const QString connection = ConnectionPrefix + key;
    QSqlDatabase database = QSqlDatabase::contains(connection)
        ? QSqlDatabase::database(connection, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    if (!database.isValid())
        throw EDatabaseError(context, QStringLiteral("The SQLite driver of Qt Sql is not available"));
    database.setDatabaseName(file);
    // Other programs of the suite share the file: wait for their locks rather than fail at once.
    database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeoutMsecs));
    if (!database.open())
        throw EDatabaseError::FromSqlError(context, database.lastError());
    CheckClubFile(database, context);
    UseSorterThreads(database);
    m_connections.insert(key, connection);
    return database;
}

void TSession::Reset()
{
    for (const QString& connection : std::as_const(m_connections)) {
        {
            QSqlDatabase database = QSqlDatabase::database(connection, false);
            // SQLite refuses to close a connection that still has statements of its own.
            if (sqlite3* handle = TSqliteStatement::Handle(database))
                TSqliteStatement::ReleaseConnection(handle);
            database.close();
        }
        QSqlDatabase::removeDatabase(connection);
    }
    m_connections.clear();
    m_aliases.clear();
    m_aliasFile.clear();
    m_active = false;
    m_busyTimeoutMsecs = DefaultBusyTimeoutMsecs;
}
