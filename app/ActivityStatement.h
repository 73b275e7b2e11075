#pragma once
// The statements the criteria window sends to the club database: the activity report's select and the
// member insert of Create Group. They are built line by line from the selection, in the suite's local-SQL
// dialect, exactly as the other programs of the suite write them.
#include "DateTime.h"

#include <QList>
#include <QString>
#include <QStringList>

// Indices of the "Options " radio group.
enum TMembershipOption {
    moAllActive = 0,
    moActiveStarting = 1,
    moExpiring = 2,
    moBelowZeroSessions = 3,
    moZeroSessions = 4,
    moOneSession = 5,
    moTwoSessionsOrLess = 6,
    moAllMembers = 7,
};

// Indices of the "Member" radio group; -1 (nothing chosen) reads as "All".
enum TMemberFilter {
    mfAll = 0,
    mfMembersOnly = 1,
    mfGuestsOnly = 2,
};

struct TActivitySelection
{
    int Option = moAllActive;
    int Member = -1;
    QString ActivityIds; // "3,5": the checked activities in list order, empty for none
    TDateTime From = 0;  // the period, for the options that compare with it
    TDateTime To = 0;
};

// Whether the selection's option compares with the period; its statements then take the period's
// ends as the parameters named below, never as text in the statement.
bool UsesPeriod(const TActivitySelection& selection);
QString PeriodFromParam();
QString PeriodToParam();

struct TActivityItem
{
    bool Checked = false;
    qint32 Number = 0;
};

// The ids of the checked items, decimal, comma-separated without blanks.
QString BuildActivityIds(const QList<TActivityItem>& items);

// The condition lines shared by the report and Create Group: option, activities, date ranges, member filter.
QStringList ActivityConditionLines(const TActivitySelection& selection, TDateTime today);

// The report's statement, ordered by activity and name (by end date first for expiring members).
QStringList ActivityReportStatement(const TActivitySelection& selection, TDateTime today);

// Create Group's statements.
QString GroupInsertStatement();
QString NewestGroupStatement();
QStringList GroupMembersStatement(const TActivitySelection& selection, TDateTime today, qint32 groupId);
