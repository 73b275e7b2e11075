#include "SqlRows.h"

#include "TSession.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>

QList<QVariantList> SqlRows(const QString& sql, const QString& alias)
{
    QList<QVariantList> rows;
    QSqlQuery query(TSession::Instance().Database(alias));
    if (!query.exec(sql)) {
        ADD_FAILURE() << qPrintable(sql) << ": " << qPrintable(query.lastError().text());
        return rows;
    }
    const int columns = query.record().count();
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < columns; ++i)
            row << query.value(i);
        rows << row;
    }
    return rows;
}
