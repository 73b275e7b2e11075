#pragma once
// Log-in by user number, the supervisor override, log-out and the user event log ("UserEvents").
#include <QString>

class QWidget;

// True when `number` is the ID of a user of "User.DB"; that user is then the current user, a
// "Logged In" event is written and the user's configuration file is loaded. No password is asked.
bool LoginByNumber(QWidget* owner, qint32 number);

// Shows the Login dialog; true when a user logged in there, who is then the current user (a "Logged In"
// event is written and his configuration file loaded). Cancel and three failures answer false.
bool LoginInteractively(QWidget* owner);

// The current user's ID if his level grants the right; otherwise the Security Access dialog lets
// another user grant it for this one check. Returns the granting user's ID, or 0 when refused.
qint32 RequestAccess(const QString& keyword);

// Writes "Logged Out" for the current user and forgets him; does nothing when nobody is logged in.
void Logout();

// Appends one row to "UserEvents" stamped with the local date and time to the millisecond.
void LogUserEvent(qint32 userId, const QString& eventType);
