#include "AccessRights.h"

#include "Login.h"
#include "TSecurityInfo.h"
#include "TUserInfo.h"

namespace {

// Both live for the whole run; the user until a log-out.
std::unique_ptr<TUserInfo> g_currentUser;
std::unique_ptr<TSecurityInfo> g_securityRights;

} // namespace

TUserInfo* CurrentUser()
{
    return g_currentUser.get();
}

void SetCurrentUser(std::unique_ptr<TUserInfo> user)
{
    g_currentUser = std::move(user);
}

std::unique_ptr<TUserInfo> TakeCurrentUser()
{
    return std::move(g_currentUser);
}

TSecurityInfo* SecurityRights()
{
    return g_securityRights.get();
}

void ResetSecurityRights()
{
    g_securityRights.reset();
}

qint32 CheckAccess(const QString& keyword, bool override)
{
    if (!g_securityRights)
        g_securityRights = std::make_unique<TSecurityInfo>();
    if (override)
        return RequestAccess(keyword);

    const TSecurityKey* key = g_securityRights->KeyFor(keyword);
    if (key && g_currentUser && g_currentUser->Level1 >= key->Level1)
        return g_currentUser->ID;
    return 0;
}

bool HasAccess(const QString& keyword, bool override)
{
    return CheckAccess(keyword, override) > 0;
}
