#include "TClubFixture.h"
#include "TDemoDatabase.h"
#include "SqlRows.h"
#include "TSession.h"
#include <QSqlError>
#include <QSqlQuery>

void TClubFixture::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    TSession::Instance().Reset();
    m_aliasFile = CreateClubDatabase(m_dir.path());
    TSession::Instance().SetAliasFile(m_aliasFile);
    // A test's rows need not survive a power cut; without this every insert waits for the disk.
    Exec(QStringLiteral("pragma synchronous = off"));
}

void TClubFixture::TearDown()
{
    TSession::Instance().Reset();
}

void TClubFixture::Exec(const QString& sql)
{
    QSqlQuery query(TSession::Instance().Database(QStringLiteral("Brelmdata")));
    ASSERT_TRUE(query.exec(sql)) << qPrintable(sql) << ": " << qPrintable(query.lastError().text());
}

QList<QVariantList> TClubFixture::Rows(const QString& sql)
{
    return SqlRows(sql);
}
