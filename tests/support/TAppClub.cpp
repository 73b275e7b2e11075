#include "TAppClub.h"

#include "DateTime.h"
#include "ProcessState.h"
#include "TTestServer.h"
#include "TextFunctions.h"
#include "TbrmIniFile.h"
#include "WorkstationFingerprint.h"

#include <QDir>
#include <gtest/gtest.h>

TAppClub::TAppClub(TSqlEngine engine) : TClubFolder(ResetProcessState), m_engine(engine)
{
    SetShortDateFormat(QStringLiteral("M/d/yyyy"));
    SetDateSeparator(QLatin1Char('/'));
    SetClock([] { return QDateTime(Today, QTime(10, 30), Qt::UTC); });
    SetFingerprintSources([] { return TFingerprintSources{.MachineId = "app-test-workstation"}; });
    SetPrompt(&Prompt);
    TbrmIniFile::SetTerminate([] {});

    if (m_engine == sePostgres)
        m_server = TTestServer::NewDatabase();
    CreateClub(m_server);

    QDir().mkpath(ConfigFolder());
    WriteConfig(QStringLiteral("VKD.INI"), "[General]\nClubName=" + ClubName.toLatin1() + "\n[WorkStations]\n"
                                               + WorkstationCode().toLatin1() + "=Front_Desk\n");

    const char* const users[] = {"(1, 'MANAGER', 'secret', 'Maria', 'Lopez', 9, true)",
                                 "(2, 'CLERK', 'clerk', 'Tom', 'Baker', 1, true)",
                                 "(3, 'DEMO', '', 'Demo', 'User', 5, true)"};
    for (const char* user : users)
        Exec(QStringLiteral("insert into \"user\" (id, empid, password, firstname, lastname, level1, empactive) values ")
             + QString::fromLatin1(user));
    Exec(QStringLiteral("insert into security values (?, 5, 5, 5)"), {Right});
    Exec(QStringLiteral("insert into subcat values (1, 'Adult')"));
}

TAppClub::~TAppClub()
{
    // Closes the session's connection before its database goes.
    ResetProcessState();
    if (m_engine != sePostgres)
        return;
    try {
        TTestServer::DropDatabase(m_server);
    } catch (const std::exception& error) {
        ADD_FAILURE() << "cannot drop the test database " << qPrintable(m_server.Database) << ": " << error.what();
    }
}

int TAppClub::Count(const QString& sql)
{
    const QList<QVariantList> rows = Rows(sql);
    return rows.isEmpty() ? -1 : rows.first().value(0).toInt();
}

void TAppClub::AddActivity(int id, const QString& description)
{
    Exec(QStringLiteral("insert into ckacts values (?, ?)"), {id, description});
}

void TAppClub::AddPerson(int leadNo, int memberNo, const QString& lastName, const QString& firstName)
{
    Exec(QStringLiteral("insert into lead values (?, ?, ?, ?, '(555) 010-0000', 1)"),
         {leadNo, memberNo, lastName, firstName});
}

void TAppClub::Enrol(int lead, int activity, const QDate& start, int countdown, const QDate& end)
{
    Exec(QStringLiteral("insert into ckprof values (?, ?, ?, ?, ?, 30.5, false)"),
         {lead, activity, start.toString(Qt::ISODate),
          end.isValid() ? QVariant(end.toString(Qt::ISODate)) : QVariant(), countdown});
}
