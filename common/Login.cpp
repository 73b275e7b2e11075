#include "Login.h"

#include "AccessRights.h"
#include "DateTime.h"
#include "TQuery.h"
#include "TTable.h"
#include "TUserInfo.h"
#include "TbrmIniFile.h"
#include "TfmSysLogin.h"

bool LoginByNumber(QWidget*, qint32 number)
{
    // The number names the user: no dialog is built, so batch runs need no widgets.
    TTable users(QStringLiteral("Brelmdata"), QStringLiteral("User.DB"));
    users.SetReadOnly(true);
    users.SetIndexFieldNames(QStringLiteral("ID"));
    users.Open();
    bool found = false;
    try {
        found = users.FindKey({number});
        if (found) {
            LogUserEvent(number, QStringLiteral("Logged In"));
            if (!CurrentUser())
                SetCurrentUser(std::make_unique<TUserInfo>());
            FillUserInfo(users, *CurrentUser());
            SuiteIni().SetUser(CurrentUser()->EmpID);
        }
    } catch (...) {
        users.Close();
        throw;
    }
    users.Close();
    return found;
}

bool LoginInteractively(QWidget* owner)
{
    TfmSysLogin form(owner);
    form.Execute();
    return form.IsLoggedIn();
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

// One insert: the event table only grows (every log-in of every program of the suite adds a row), so
// opening it as a table, which reads all its rows, would make each log-in slower than the last.
void LogUserEvent(qint32 userId, const QString& eventType)
{
    TQuery insert(QStringLiteral("Brelmdata"));
    insert.SQL() << QStringLiteral("insert into UserEvents (UserID,EventType,EventTimeStamp)")
                 << QStringLiteral("values (:UserID,:EventType,:EventTimeStamp)");
    insert.Prepare();
    insert.SetParam(QStringLiteral("UserID"), userId);
    insert.SetParam(QStringLiteral("EventType"), eventType);
    insert.SetParam(QStringLiteral("EventTimeStamp"), ToQDateTime(Now()));
    insert.ExecSQL();
}
