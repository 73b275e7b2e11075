#include "TClubFolder.h"

#include "SqlRows.h"
#include "TSession.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

TClubFolder::TClubFolder(TReset reset) : m_reset(reset)
{
    m_reset();
    EXPECT_TRUE(m_dir.isValid());
    m_configFolder = Root() + QStringLiteral("Config/");
}

TClubFolder::~TClubFolder()
{
    // Closes the session's connections before the club's files go.
    m_reset();
}

void TClubFolder::CreateClub(const TDemoServer& server)
{
    m_aliasFile = server.Host.isEmpty() ? CreateClubDatabase(Folder()) : CreateClubDatabase(Folder(), server);
    TSession::Instance().SetAliasFile(m_aliasFile);
    // A test's rows need not survive a power cut; without this every insert waits for the disk.
    if (server.Host.isEmpty())
        Exec(QStringLiteral("pragma synchronous = off"));
}

void TClubFolder::WriteAliasFile(const QByteArray& contents)
{
    m_aliasFile = Root() + QStringLiteral("aliases.ini");
    QFile aliases(m_aliasFile);
    EXPECT_TRUE(aliases.open(QIODevice::WriteOnly));
    aliases.write(contents);
    aliases.close();
    TSession::Instance().SetAliasFile(m_aliasFile);
}

void TClubFolder::Exec(const QString& sql, const QVariantList& values)
{
    QSqlQuery query(TSession::Instance().Database(QStringLiteral("Brelmdata")));
    bool done = false;
    if (values.isEmpty()) {
        done = query.exec(sql);
    } else {
        query.prepare(sql);
        for (const QVariant& value : values)
            query.addBindValue(value);
        done = query.exec();
    }
    EXPECT_TRUE(done) << qPrintable(sql) << ": " << qPrintable(query.lastError().text());
}

QList<QVariantList> TClubFolder::Rows(const QString& sql)
{
    return SqlRows(sql);
}

void TClubFolder::WriteConfig(const QString& fileName, const QByteArray& bytes)
{
    QFile file(m_configFolder + fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(file.fileName());
    file.write(bytes);
}

QByteArray TClubFolder::ReadConfig(const QString& fileName) const
{
    QFile file(m_configFolder + fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
