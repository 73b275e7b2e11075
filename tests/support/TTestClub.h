#pragma once
// The club of the common services' tests: the user, rights and event tables in a temporary folder,
// the alias file naming them Brelmdata, and the configuration folder beside them. Installs a scripted
// prompt and a fixed workstation fingerprint; the common services' process-wide state is reset on
// both ends (ResetCommonState).
#include "TClubFolder.h"
#include "TPrompt.h"

#include <QVariantList>

class TTestClub : public TClubFolder
{
public:
    // `dataFolder` is the alias PATH below the temporary folder, written as given.
    explicit TTestClub(const QString& dataFolder = QStringLiteral("Data"), bool makeConfigFolder = true);
    ~TTestClub();

    // On a connection of the test's own, past the session.
    void Exec(const QString& sql, const QVariantList& values = {});
    QStringList Column(const QString& sql);
    void AddUser(int id, const QString& empId, const QString& password, const QString& firstName,
                 const QString& middleInitial, int level1, bool active = true);
    void AddRight(const QString& keyword, int level1);

    // The workstation fingerprint of this process comes from `machineId` alone.
    static void SetMachine(const QByteArray& machineId);

    TScriptedPrompt Prompt;
    int TerminateRequests = 0;

private:
    QString m_connection;
};
