#include "CommonState.h"

#include "AccessRights.h"
#include "DataState.h"
#include "DateTime.h"
#include "TIniDocument.h"
#include "TPrompt.h"
#include "TUserInfo.h"
#include "TbrmIniFile.h"
#include "WorkstationFingerprint.h"

void ResetCommonState()
{
    ResetDataState();
    ResetDateSettings();
    ResetSuiteIni();
    SetCurrentUser(nullptr);
    ResetSecurityRights();
    SetPrompt(nullptr);
    SetFingerprintSources({});
    TbrmIniFile::SetTerminate({});
    TIniDocument::SetStaleLockTime(0);
}
