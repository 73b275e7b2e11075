#pragma once
#include <QDate>
#include <QString>
#include <QStringList>

// A PostgreSQL server that holds the club instead of a SQLite file. The database must exist; the club
// tables in it are replaced. Host may be the folder of the server's Unix socket.
struct TDemoServer
{
    QString Host; // empty: no server, the club is a SQLite file
    int Port = 5432;
    QString Database;
    QString User;
    QString Password; // empty: libpq's password file (~/.pgpass, PGPASSFILE); written to the alias file otherwise
};

// The name this process runs under: the user a server connects as when none is named.
QString DefaultServerUser();

struct TDemoOptions
{
    QString Folder;       // gets Data/club.db (or an empty Data/ beside a server's club), aliases.ini and Config/VKD.INI
    int Enrolments = 400;
    quint32 Seed = 1;
    QDate Today = QDate::currentDate(); // enrolment dates are spread around it
    TDemoServer Server;
};

// Creates the demo club: the database with every club table and deterministic content for the seed,
// the alias file (alias Brelmdata) and the configuration folder with the shared file naming the club,
// unless that file exists already. Returns the alias file's path.
// Folder must be new or empty or hold only files the generator writes; throws EDatabaseError otherwise.
QString CreateDemoDatabase(const TDemoOptions& options);

// The club name the demo's shared configuration file gives.
QString DemoClubName();

// What of a club `folder` already holds: its alias file, database file and configuration folder, as
// paths; empty for a new or unrelated folder.
QStringList ExistingClubFiles(const QString& folder);

// Creates Folder/Data/club.db with the club tables and no rows, and Folder/aliases.ini naming it as
// Brelmdata; for tests that fill their own rows. Returns the alias file's path.
QString CreateClubDatabase(const QString& folder);

// The same on a PostgreSQL server; the alias file names the server and PATH the empty Folder/Data.
QString CreateClubDatabase(const QString& folder, const TDemoServer& server);

// Creates the club tables (and no rows) on an open connection, SQLite or PostgreSQL.
void CreateClubSchema(const QString& connectionName);
