#include "Login.h"

#include "AccessRights.h"
#include "DateTime.h"
#include "TTable.h"
#include "TUserInfo.h"
#include "TbrmIniFile.h"
#include "TfmSysLogin.h"

bool LoginByNumber(QWidget* owner, qint32 number)
{
    TfmSysLogin form(owner);
    form.tbUser.SetIndexFieldNames(QStringLiteral("ID"));
    form.tbUser.Open();
    bool found = false;
    try {
        found = form.tbUser.FindKey({number});
        if (found) {
            LogUserEvent(number, QStringLiteral("Logged In"));
            form.LoadUserInfo();
        }
    } catch (...) {
        form.tbUser.Close();
        throw;
    }
    form.tbUser.Close();
    return found;
}

qint32 RequestAccess(const QString& keyword)
{
    const qint32 granted = CheckAccess(keyword, false);
    if (granted != 0)
        return granted;

    TfmSysLogin form;
    form.SetAccessMode(keyword);
    form.Execute();
    return form.IsLoggedIn() ? form.GrantedUserID() : 0;
}

void Logout()
{
    const TUserInfo* user = CurrentUser();
    if (!user)
        return;
    LogUserEvent(user->ID, QStringLiteral("Logged Out"));
    SetCurrentUser(nullptr);
    if (SuiteIniExists())
        SuiteIni().ClearUser();
}

void LogUserEvent(qint32 userId, const QString& eventType)
{
    TTable events(QStringLiteral("Brelmdata"), QStringLiteral("UserEvents"));
    events.Open();
    try {
        events.Append();
        events.SetField(QStringLiteral("UserID"), userId);
        events.SetField(QStringLiteral("EventType"), eventType);
        events.SetField(QStringLiteral("EventTimeStamp"), ToQDateTime(Now()));
        events.Post();
    } catch (...) {
        events.Close();
        throw;
    }
    events.Close();
}
