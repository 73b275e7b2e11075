#pragma once
#include <QString>
#include <QStringList>

// The lines of the activity report's statement after the four fixed ones (option, activities, ranges,
// member filter), written independently of the application as the criteria window writes them on
// 15 March 2010. Shared by the SQLite and PostgreSQL statement tests.
QStringList ConditionLines(int option, const QString& activityIds, int member, const QString& sdate, const QString& edate);
