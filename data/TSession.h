#pragma once
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The engine session: the alias registry read from the alias file, and one open connection per alias.
//
// The alias file is an INI file with one section per alias:
//     [Brelmdata]
//     DRIVER=SQLITE
//     PATH=/srv/club/Data        ; folder of the club tables (no trailing slash needed)
//     DATABASE=club.db           ; optional, the SQLite file inside PATH
// or, for a club database on a PostgreSQL server shared by several workstations:
//     [Brelmdata]
//     DRIVER=POSTGRESQL
//     HOST=db.club.lan           ; a host name, an address, or the folder of the server's Unix socket
//     PORT=5432                  ; optional
//     DATABASE=club
//     USER=frontdesk
//     PASSWORD=...               ; optional: else ~/.pgpass or the file in PGPASSFILE
//     PATH=/srv/club/Data        ; still names the folder beside which "Config" lives
class TSession
{
public:
    static TSession& Instance();

    bool Active() const { return m_active; }
    // Reads the alias file; throws EDatabaseError naming the file when it is missing or unreadable.
    void Activate();

    // A different file closes the connections and is read at the next lookup; empty means DefaultAliasFile().
    void SetAliasFile(const QString& path);
    QString AliasFile() const;

    // Where the program looks when no alias file is named: the file in the environment variable
    // ACTIVITYREP_ALIASES, else $XDG_CONFIG_HOME/activityrep/aliases.ini (XDG_CONFIG_HOME defaulting to
    // ~/.config) when that file exists, else /etc/activityrep/aliases.ini.
    static QString DefaultAliasFile();

    // Alias names compare without regard to letter case. These activate the session when needed.
    bool IsAlias(const QString& name) const;
    QStringList AliasNames() const;
    QStringList AliasParams(const QString& name) const; // "NAME=value" lines, e.g. "PATH=/srv/club/Data"
    QString AliasParam(const QString& alias, const QString& param) const;

    // The open connection of the alias, opened on first use; throws EDatabaseError naming a missing alias
    // or carrying the engine's message when the database cannot be opened.
    QSqlDatabase Database(const QString& alias);

    // Closes every connection and forgets the aliases and the alias file (tests).
    void Reset();

    // How long a statement on a SQLite club database waits for a lock that another connection holds
    // before it fails. Readers hold theirs only while a query reads its rows, writers while they write;
    // a workstation waits out a burst of the others' work.
    static constexpr int DefaultBusyTimeoutMsecs = 30000;
    // Applies to connections opened afterwards (tests shorten it); Reset() and a new alias file
    // restore the default.
    void SetBusyTimeout(int msecs) { m_busyTimeoutMsecs = msecs; }
    int BusyTimeout() const { return m_busyTimeoutMsecs; }

private:
    TSession() = default;
    ~TSession() = default; // connections are left to Qt Sql's own teardown
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    struct TAlias
    {
        QString Name;
        QStringList Params;
    };
    const TAlias* FindAlias(const QString& name) const;
    void EnsureActive() const;

    // The registry is read on first use, also from the const lookups.
    mutable bool m_active = false;
    QString m_aliasFile;
    mutable QList<TAlias> m_aliases;
    QHash<QString, QString> m_connections; // lower-case alias name -> Qt connection name
    int m_busyTimeoutMsecs = DefaultBusyTimeoutMsecs;
};
