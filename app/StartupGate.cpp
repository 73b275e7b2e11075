#include "StartupGate.h"

#include "AccessRights.h"
#include "Application.h"
#include "ClubFiles.h"
#include "HandlerGuard.h"
#include "Login.h"
#include "TbrmIniFile.h"
#include "TextFunctions.h"

bool RunStartupGate(QWidget* form)
{
    bool allowed = false;
    const bool completed = Guarded([&] {
        SuiteIni(); // created on first use
        const bool loggedIn = InteractiveLogin() ? LoginInteractively(form)
                                                 : LoginByNumber(form, StrToIntOrZero(FirstArgument()));
        allowed = loggedIn && HasAccess(QString::fromLatin1(ReportRight), true);
        if (allowed)
            ProtectClubFiles();
    });
    // Fails closed: an error inside the gate ends the program as a refusal does.
    if (!completed || !allowed) {
        RequestTerminate();
        return false;
    }
    return true;
}
