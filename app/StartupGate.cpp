#include "StartupGate.h"

#include "AccessRights.h"
#include "Application.h"
#include "BatchRun.h"
#include "ClubFiles.h"
#include "EDatabaseError.h"
#include "EProgramTerminated.h"
#include "Login.h"
#include "TPrompt.h"
#include "TbrmIniFile.h"
#include "TextFunctions.h"

bool RunStartupGate(QWidget* form)
{
    bool allowed = false;
    int exitCode = ecRefused;
    try {
        SuiteIni(); // created on first use
        const bool loggedIn = InteractiveLogin() ? LoginInteractively(form)
                                                 : LoginByNumber(form, StrToIntOrZero(FirstArgument()));
        allowed = loggedIn && HasAccess(QString::fromLatin1(ReportRight), true);
        if (allowed)
            ProtectClubFiles();
    } catch (const EProgramTerminated&) {
        // The workstation has no name: the configuration store has already said so.
        allowed = false;
    } catch (const EDatabaseError& e) {
        Prompt().ShowError(QString::fromUtf8(e.what()));
        allowed = false;
        exitCode = ecDatabase;
    } catch (const std::exception& e) {
        Prompt().ShowError(QString::fromUtf8(e.what()));
        allowed = false;
        exitCode = ecFile;
    } catch (...) {
        Prompt().ShowError(QStringLiteral("Unknown error."));
        allowed = false;
        exitCode = ecFile;
    }
    // Fails closed: an error inside the gate ends the program as a refusal does.
    if (!allowed) {
        RequestTerminate(exitCode);
        return false;
    }
    return true;
}
