#pragma once
// The base of the test clubs: a temporary folder for the club, the alias file naming it Brelmdata
// and a configuration folder, with every process-wide object reset before the club is made and again
// after it is gone. The reset is the one of the highest library folder the tests use, given by the
// layer: TClubFixture (the database layer), TTestClub (the common services), TAppClub (the program).
#include "TDemoDatabase.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

class TClubFolder
{
public:
    using TReset = void (*)();

    explicit TClubFolder(TReset reset);
    ~TClubFolder();
    TClubFolder(const TClubFolder&) = delete;
    TClubFolder& operator=(const TClubFolder&) = delete;

    QString Folder() const { return m_dir.path(); }
    QString Root() const { return m_dir.path() + QLatin1Char('/'); }
    // The alias file the session reads: the one CreateClub or WriteAliasFile wrote.
    QString AliasFile() const { return m_aliasFile; }
    // Root()/Config/ unless the layer chose another; made by the layer when it needs one.
    QString ConfigFolder() const { return m_configFolder; }

    // The engine's own SQL on the session's Brelmdata connection, past the data layer; a statement
    // with no values is run unprepared (the server prepares no DDL).
    void Exec(const QString& sql, const QVariantList& values = {});
    QList<QVariantList> Rows(const QString& sql);

    void WriteConfig(const QString& fileName, const QByteArray& bytes);
    QByteArray ReadConfig(const QString& fileName) const;

protected:
    // The empty club tables, in a SQLite file below the folder or, when `server` names one, in a
    // database on it; the alias file naming them is the session's.
    void CreateClub(const TDemoServer& server = {});
    // Root()/aliases.ini with these contents, as the session's alias file.
    void WriteAliasFile(const QByteArray& contents);
    void SetConfigFolder(const QString& folder) { m_configFolder = folder; }

private:
    TReset m_reset;
    QTemporaryDir m_dir;
    QString m_aliasFile;
    QString m_configFolder;
};
