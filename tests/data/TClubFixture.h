#pragma once
// An empty club database in a temporary folder, registered as Brelmdata, with helpers to put rows in
// and read rows back behind the layer's back.
#include <QList>
#include <QTemporaryDir>
#include <QVariantList>
#include <gtest/gtest.h>

class TClubFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    void Exec(const QString& sql);
    QList<QVariantList> Rows(const QString& sql);

    QString Folder() const { return m_dir.path(); }
    QString AliasFile() const { return m_aliasFile; }

private:
    QTemporaryDir m_dir;
    QString m_aliasFile;
};
