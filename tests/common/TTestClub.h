#pragma once
// A club made by the test in a temporary folder: the user, rights and event tables, the alias file
// naming them Brelmdata, and the configuration folder beside them. Installs a scripted prompt and a
// fixed workstation fingerprint, and resets every process-wide object of the common services.
#include "TPrompt.h"

#include <QTemporaryDir>
#include <QVariantList>

class TTestClub
{
public:
    // `dataFolder` is the alias PATH below the temporary folder, written as given.
    explicit TTestClub(const QString& dataFolder = QStringLiteral("Data"), bool makeConfigFolder = true);
    ~TTestClub();

    QString Root() const { return m_dir.path() + QLatin1Char('/'); }
    QString AliasFile() const { return Root() + QStringLiteral("aliases.ini"); }
    QString ConfigFolder() const { return m_configFolder; }

    void Exec(const QString& sql, const QVariantList& values = {});
    QStringList Column(const QString& sql);
    void AddUser(int id, const QString& empId, const QString& password, const QString& firstName,
                 const QString& middleInitial, int level1, bool active = true);
    void AddRight(const QString& keyword, int level1);
    void WriteConfig(const QString& fileName, const QByteArray& bytes);
    QByteArray ReadConfig(const QString& fileName) const;

    // The workstation fingerprint of this process comes from `machineId` alone.
    static void SetMachine(const QByteArray& machineId);

    TScriptedPrompt Prompt;
    int TerminateRequests = 0;

private:
    QTemporaryDir m_dir;
    QString m_configFolder;
    QString m_connection;
};
