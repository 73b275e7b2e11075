#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

// The activity report's and Create Group's statements, written independently of the application as
// the criteria window writes them on 15 March 2010. Shared by the SQLite and PostgreSQL statement
// tests and the concurrency test's worker.

// A small club (sub categories, three activities, six people and their enrolments) in statements both
// engines take, for a freshly created club database.
QStringList SmallClubRows();

// The lines after the four fixed ones (option, activities, ranges, member filter).
QStringList ConditionLines(int option, const QString& activityIds, int member, const QString& sdate, const QString& edate);

// The report's select.
QStringList ReportStatement(int option, const QString& activityIds, int member, const QString& sdate, const QString& edate);

// Create Group's three statements through one query in one transaction on Brelmdata, for the range
// 1 to 31 March 2010; `afterGroupRow` runs between the group's insert and the read of its id (a slow
// workstation). Returns the id read back.
int CreateGroup(const QString& name, const QDateTime& now, int option, const QString& activityIds, int member,
                const std::function<void()>& afterGroupRow = {});
