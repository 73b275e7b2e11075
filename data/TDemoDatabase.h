#pragma once
#include <QDate>
#include <QString>

struct TDemoOptions
{
    QString Folder;       // gets Data/club.db, aliases.ini and Config/VKD.INI
    int Enrolments = 400;
    quint32 Seed = 1;
    QDate Today = QDate::currentDate(); // enrolment dates are spread around it
};

// Creates the demo club: the database with every club table and deterministic content for the seed,
// the alias file (alias Brelmdata) and the configuration folder. Returns the alias file's path.
// Folder must be new or empty or hold only files the generator writes; throws EDatabaseError otherwise.
QString CreateDemoDatabase(const TDemoOptions& options);

// Creates Folder/Data/club.db with the club tables and no rows, and Folder/aliases.ini naming it as
// Brelmdata; for tests that fill their own rows. Returns the alias file's path.
QString CreateClubDatabase(const QString& folder);

// Creates the club tables (and no rows) on an open connection.
void CreateClubSchema(const QString& connectionName);
