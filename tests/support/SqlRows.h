#pragma once
// Reading a club database behind the data layer's back, to check what the program stored.
#include <QList>
#include <QString>
#include <QVariantList>

// Every row of the statement on the alias's open connection; an engine error fails the running test
// and gives no rows.
QList<QVariantList> SqlRows(const QString& sql, const QString& alias = QStringLiteral("Brelmdata"));
