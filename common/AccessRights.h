#pragma once
// Who is logged in, the rights table, and the check whether the current user may use a function.
#include <QString>
#include <memory>

class TSecurityInfo;
struct TUserInfo;

// The logged-in user; nullptr before the first log-in and after a log-out.
TUserInfo* CurrentUser();
void SetCurrentUser(std::unique_ptr<TUserInfo> user);
std::unique_ptr<TUserInfo> TakeCurrentUser();

// The rights table, loaded by the first check and kept for the whole run; nullptr before.
TSecurityInfo* SecurityRights();
// Forgets the rights table so the next check reads it again (tests).
void ResetSecurityRights();

// The ID of the user to whom the right is granted, 0 when refused. With `override`, a refusal
// shows the Security Access dialog, where another user may grant the right for this one check.
// An error reading the rights table reaches the caller.
qint32 CheckAccess(const QString& keyword, bool override);
bool HasAccess(const QString& keyword, bool override);
