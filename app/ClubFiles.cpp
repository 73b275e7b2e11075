#include "ClubFiles.h"

#include "TOutputGuard.h"
#include "TSession.h"
#include "TbrmIniFile.h"

#include <QSqlDatabase>

namespace {

const QString AliasName = QStringLiteral("Brelmdata");

} // namespace

void ProtectClubFiles()
{
    TOutputGuard::Clear();
    TSession& session = TSession::Instance();
    if (!session.AliasFile().isEmpty())
        TOutputGuard::ProtectFile(session.AliasFile(), QStringLiteral("the alias file"));
    // Only a SQLite club is a file of its own, with the journal files beside it.
    const QSqlDatabase database = session.Database(AliasName);
    if (database.driverName() == QLatin1String("QSQLITE")) {
        const QString file = database.databaseName();
        for (const QString& suffix : {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")})
            TOutputGuard::ProtectFile(file + suffix, QStringLiteral("the club database"));
    }
    if (SuiteIniExists())
        TOutputGuard::ProtectFolder(SuiteIni().ConfigFolder, QStringLiteral("a configuration file of the club"));
    // The folder of the club tables, which the other programs of the suite read as well.
    QString dataFolder = session.AliasParam(AliasName, QStringLiteral("PATH"));
    dataFolder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!dataFolder.isEmpty())
        TOutputGuard::ProtectFolder(dataFolder, QStringLiteral("in the club's data folder"));
}
