#include "ConfigKeys.h"

#include <QCoreApplication>
#include <vector>

namespace {

struct TCatalogueRow
{
    const char* Section;
    const char* Scopes;
    std::vector<const char*> Keys;
};

// The keys each section knows and the files that may set them, most specific scope first.
const std::vector<TCatalogueRow>& CatalogueRows()
{
    static const std::vector<TCatalogueRow> rows = {
        {"General", "S", {
            "ClubName", "ClubAddress1", "ClubAddress2", "ClubAddress3", "ClubPhone", "ClubSlogan", "Clublogo",
            "ClubLocation", "AutoBackup", "BackupAfterDays", "AVIFilePath", "ClubSiteNumber", "HostIPAddress",
            "CustomDate1", "CustomDate2", "CustomDate3", "CustomDate4", "CustomNumber1", "CustomNumber2",
            "CustomNumber3", "CustomNumber4", "CustomAlpha1", "CustomAlpha2", "CustomAlpha3", "CustomAlpha4",
            "CustomLogical1", "CustomLogical2", "TourCustomAlpha1", "TourCustomAlpha2", "TourCustomLogical1",
            "TourCustomLogical2", "TourCustomLogical3", "TourTabName", "ContractCustomAlpha1",
            "ContractCustomAlpha2", "ContractCustomLogical1", "ContractCustomLogical2",
            "ContractCustomLogical3", "ContractTabName", "ShowTaxInContractGross", "CheckInItemTracking",
            "ByPassHoldQueue", "AutoStartCheckIn", "CheckPaytofrozen", "CheckPaytoNegBalPrim",
            "CheckPaytoNegBalOth", "CheckPaytoActive", "CheckReferralFrozen", "CheckReferralNegBalPrim",
            "CheckReferralNegBalOth", "CheckReferralActive", "AutoFreezeExtend", "CCBillMethod",
            "INVBillMethod", "ACHBillMethod", "ACHReferenceCode", "ACHTRNHeaderID", "ACHTRNHeaderCompany",
            "ACHTRNHeaderDiscData", "ACHTRNHeaderEntryDesc", "ACHTRNHeaderODFI", "ACHHeaderText",
            "ACHCompanyName", "ACHCompanyRoutingNo", "ACHBankName", "ACHBankRoutingNo", "ACHSpecialTransaction",
            "ACHSpecialABA", "ACHSpecialAccountNum", "ACHSpecialAcctName", "ACHBankDirectory", "CompanyID",
            "ProcessOption", "InvoiceFromAddr1", "InvoiceFromAddr2", "InvoiceFromAddr3", "InvoiceFromAddr4",
            "InvoiceBillQuestion1", "InvoiceBillQuestion2", "InvoiceDate", "ExpireDate", "InvoiceMemberNumber",
            "InvoiceMemberName", "InvoiceDueDate", "InvoiceAmount", "InvoiceMsg1", "InvoiceMsg2",
            "InvoicePerfMsg", "InvoiceCorrectMsg", "InvoiceMailToMsg", "InvoiceToAddr1", "InvoiceToAddr2",
            "InvoiceToAddr3", "InvoiceToAddr4", "InvoiceLateMsg1", "InvoiceLateMsg2", "AutoCompanyPhone",
            "RequiredLeadFields", "LeadFieldsRequired", "AllowMemberDisplay", "AllowMoreHistoryDisplay",
            "BMSecurity", "ValidateFingerprint", "FingerPrintTimeout", "CheckDateOnLogin", "AutoPrintReceipt",
            "PrintActivityReceipt", "CorporateSite", "AUTOCONTRACTSET", "CNTRACTLOGOFILENAME", "AUTOMEMBERSET",
            "AUTOADDONSET", "AUTOADDHOUSEACCT", "GUESTACTIVITYDEF", "GUESTDAYSDEF", "GUESTVISITSDEF",
            "SHOWGENERALACCESS", "SHOWOVERRIDE", "SingleContractForm", "ShowContractNumber", "SingleENTRYForm",
            "LimitHoldBin", "ShowCheckinTotPymt", "FORCECHECKINMSG", "PROMPTFORINST", "SHOWMEMBERSHIPTYPE",
            "DefaultGender"
        }},
        {"General", "WS", {
            "BackupLocation", "BackupData", "HostConnection", "MaxBatchTrans", "ICVStationID", "ICVerifyMain",
            "ICVerifySetup", "ICVerifyOutPutDir", "ICVerifyConnectNet", "ICVerifyIMPORTDir", "CHKIMPORTDir",
            "INVIMPORTDir", "TRDIMPORTDir", "PosUseIcv", "PosVoiceAuth", "PosRequireAvs", "PosAddrDigits",
            "POSTrainingMode", "MailMergeDocumentPath", "MailMergeTemplatePath", "MailMergeDataPath",
            "EmailProfileName", "EmailSubject", "EmailFooter", "BMAutoOT", "BMAutoST", "BMAutoDT",
            "BMInteractiveDetect", "UseFingerprintScanner"
        }},
        {"General", "US", {"VideoHelp", "ShowHelpContext", "ShowHints", "UseContractTemplates"}},
        {"General", "UWS", {"SoundOn"}},
        {"Telephone", "WS", {"TapiDevice", "UseSpeakerPhone"}},
        {"SalesAndMarketing", "S", {
            "AppointmentCodeList", "DDD", "OPT", "Scoreboard", "TCAScoreBoardSource", "TCAScoreBoardResult"
        }},
        {"SalesAndMarketing", "US", {"CalendarTimeIncrement", "MenuList"}},
        {"SalesAndMarketing", "U", {"MRU1", "MRU2", "MRU3", "MRU4", "MRU5", "MRU6", "MRU7"}},
        {"Shell", "US", {"MenuList"}},
        {"Setup", "S", {"IncludeList", "ExcludeList"}},
        {"Setup", "US", {"MenuList"}},
        {"MemberManagement", "S", {
            "Activities", "HoldRefreshTime", "NEXTEXPIREDATE", "DisplayCntractInfo", "LockDoorOnProblem",
            "ReceiptMessage1", "ReceiptMessage2", "ReceiptMessage3", "ReceiptMessage4", "ReceiptMessage5",
            "ACTIVITYRECEIPTMessage1", "ACTIVITYRECEIPTMessage2", "ACTIVITYRECEIPTMessage3",
            "ACTIVITYRECEIPTMessage4", "ACTIVITYRECEIPTMessage5", "UseDeniedColor", "UseBirthdayColor",
            "UseIssueColor", "UseAllowEntryColor", "ShowIssueMessages", "WarningDaysToExpiration",
            "WarningDaysExpired", "MbrAccountBalanceDenyEntry", "HouseAccountBalanceDenyEntry",
            "DenyEntryBalance", "DenyEntryDays", "DenyEntryBalanceAndDays", "DenyEntryItemRule",
            "AllowTransactionEdit", "POSPriceOverride", "StartProfileActivityDateNow", "AskReCheckIn",
            "UseFitness", "FitnessDBDirectory", "FitnessCategory", "FitnessEnrollDefault", "FitnessGoal1",
            "FitnessGoal2", "FitnessGoal3", "FitnessGoal4", "FitnessGoal5", "FitnessGoal6", "FitnessGoal7",
            "FitnessGoal8", "FitnessGoal9", "FitnessGoal10", "FitnessGoal11", "FitnessGoal12", "FitnessGoal13",
            "FitnessGoal14", "FitnessGoal15", "ShowActivitiesOnCheckin", "POSCashierChange", "DDD", "OPT",
            "AllowPrintMbrCard", "FingerprintAutoCheckin", "FingerprintManualCheckin", "FingerprintPOS",
            "POSMultipleCashDrawers", "POSFullCategoryView", "POSAllowMbrAccts"
        }},
        {"MemberManagement", "WS", {
            "DoorComPort", "DoorActive", "POSTimeOutToCheckin", "ReceiptPrinter", "VideoCameraToUse",
            "SwipeStart", "SwipeEnd", "KeyPadStart", "KeyPadEnd", "HaveSwipe", "HaveKeyPad", "ShowMbrsBtn",
            "CashDrawerPresent", "CheckinPictureQuality", "HoldQueuePictureQuality"
        }},
        {"MemberManagement", "US", {"MenuList", "Keyboard", "ApplyAccountPayments"}},
        {"MemberManagement", "UWS", {
            "ManualCheckinSound", "AutoCheckinSound", "AutoCheckinRndSound", "SoundManualAllowEntry",
            "SoundManualDenyEntry", "SoundManualNotMember", "SoundAutoAllowEntry", "SoundAutoDenyEntry",
            "SoundAutoNotMember", "SoundAutoBirthday", "SoundAutoExpireSoon", "SoundCameraClick",
            "SoundItemNotFound", "SoundFingerprintScan", "SoundBadFingerPrint", "SoundGoodFingerPrint"
        }},
        {"Settings", "U", {
            "MemberSearchPage", "LeadSearchPage", "StandardNameSearchIndex", "StandardPhoneSearchIndex",
            "MemberNameSearchIndex", "MemberPhoneSearchIndex"
        }},
    };
    return rows;
}

struct TFlagDefaults
{
    const char* Section;
    const char* Value;
    std::vector<const char*> Keys;
};

const std::vector<TFlagDefaults>& FlagDefaults()
{
    static const std::vector<TFlagDefaults> rows = {
        {"General", "1", {
            "AutoBackup", "BackupAfterDays", "ShowHints", "SoundOn", "CheckInItemTracking", "ByPassHoldQueue",
            "CheckPaytofrozen", "CheckPaytoNegBalPrim", "CheckPaytoNegBalOth", "CheckPaytoActive",
            "CheckReferralFrozen", "CheckReferralNegBalPrim", "CheckReferralNegBalOth", "CheckReferralActive",
            "AutoFreezeExtend", "ICVStationID", "ICVerifyConnectNet", "UseContractTemplates",
            "BMInteractiveDetect", "BMSecurity", "GUESTACTIVITYDEF", "GUESTDAYSDEF", "SHOWGENERALACCESS",
            "ShowContractNumber", "ShowCheckinTotPymt", "FORCECHECKINMSG"
        }},
        {"General", "0", {
            "VideoHelp", "ShowHelpContext", "ClubSiteNumber", "ShowTaxInContractGross", "AutoStartCheckIn",
            "ACHSpecialTransaction", "CompanyID", "PosUseIcv", "PosRequireAvs", "POSTrainingMode",
            "AllowMemberDisplay", "AllowMoreHistoryDisplay", "UseFingerprintScanner", "CheckDateOnLogin",
            "AutoPrintReceipt", "PrintActivityReceipt", "CorporateSite", "AUTOCONTRACTSET", "AUTOMEMBERSET",
            "AUTOADDONSET", "AUTOADDHOUSEACCT", "GUESTVISITSDEF", "SHOWOVERRIDE", "SingleContractForm",
            "SingleENTRYForm", "LimitHoldBin", "PROMPTFORINST", "SHOWMEMBERSHIPTYPE"
        }},
        {"Telephone", "0", {"UseSpeakerPhone"}},
        {"SalesAndMarketing", "0", {
            "MRU1", "MRU2", "MRU3", "MRU4", "MRU5", "MRU6", "MRU7", "Scoreboard", "TCAScoreBoardSource",
            "TCAScoreBoardResult"
        }},
        {"MemberManagement", "1", {
            "Activities", "DisplayCntractInfo", "LockDoorOnProblem", "SwipeStart", "SwipeEnd", "ShowMbrsBtn",
            "UseDeniedColor", "UseBirthdayColor", "UseIssueColor", "UseAllowEntryColor",
            "MbrAccountBalanceDenyEntry", "HouseAccountBalanceDenyEntry", "ManualCheckinSound",
            "AutoCheckinSound", "ApplyAccountPayments", "FingerprintAutoCheckin", "FingerprintManualCheckin",
            "FingerprintPOS"
        }},
        {"MemberManagement", "0", {
            "DoorComPort", "DoorActive", "POSTimeOutToCheckin", "VideoCameraToUse", "HaveSwipe", "HaveKeyPad",
            "ShowIssueMessages", "DenyEntryBalanceAndDays", "DenyEntryItemRule", "CashDrawerPresent",
            "AutoCheckinRndSound", "AllowTransactionEdit", "StartProfileActivityDateNow", "AskReCheckIn",
            "UseFitness", "FitnessCategory", "FitnessEnrollDefault", "FitnessGoal1", "FitnessGoal2",
            "FitnessGoal3", "FitnessGoal4", "FitnessGoal5", "FitnessGoal6", "FitnessGoal7", "FitnessGoal8",
            "FitnessGoal9", "FitnessGoal10", "FitnessGoal11", "FitnessGoal12", "FitnessGoal13", "FitnessGoal14",
            "FitnessGoal15", "ShowActivitiesOnCheckin", "POSCashierChange", "AllowPrintMbrCard",
            "POSMultipleCashDrawers", "POSFullCategoryView", "POSAllowMbrAccts"
        }},
    };
    return rows;
}

struct TTextDefault
{
    const char* Section;
    const char* Key;
    const char* Value;
};

const std::vector<TTextDefault>& TextDefaults()
{
    static const std::vector<TTextDefault> rows = {
        {"General", "HostConnection", "BrelmHost"},
        {"General", "TourTabName", "Custom"},
        {"General", "ContractTabName", "Custom"},
        {"General", "CCBillMethod", "VKD"},
        {"General", "INVBillMethod", "VKD"},
        {"General", "MaxBatchTrans", "100"},
        {"General", "ACHBillMethod", "VKD"},
        {"General", "ACHTRNHeaderEntryDesc", "CLUB DUES"},
        {"General", "ACHTRNHeaderODFI", "00000000"},
        {"General", "PosAddrDigits", "4"},
        {"General", "EmailProfileName", "Windows Messaging Settings"},
        {"General", "AutoCompanyPhone", "N"},
        {"General", "LeadFieldsRequired", "N"},
        {"General", "BMAutoOT", "3000"},
        {"General", "BMAutoST", "3000"},
        {"General", "BMAutoDT", "2"},
        {"General", "ValidateFingerprint", "NO"},
        {"General", "FingerPrintTimeout", "10"},
        {"General", "DefaultGender", "Male"},
        {"Telephone", "TapiDevice", "None"},
        {"SalesAndMarketing", "CalendarTimeIncrement", "30"},
        {"MemberManagement", "HoldRefreshTime", "5"},
        {"MemberManagement", "NEXTEXPIREDATE", "1/1/2000"},
        {"MemberManagement", "ReceiptPrinter", "Generic / Text Only"},
        {"MemberManagement", "Keyboard", "Qwerty"},
        {"MemberManagement", "KeyPadStart", "2"},
        {"MemberManagement", "KeyPadEnd", "13"},
        {"MemberManagement", "WarningDaysToExpiration", "7"},
        {"MemberManagement", "WarningDaysExpired", "30"},
        {"MemberManagement", "DenyEntryBalance", "1"},
        {"MemberManagement", "DenyEntryDays", "5"},
        {"MemberManagement", "SoundManualAllowEntry", "Sounds\\Allow.Wav"},
        {"MemberManagement", "SoundManualDenyEntry", "Sounds\\Deny.Wav"},
        {"MemberManagement", "SoundManualNotMember", "Sounds\\NoMember.Wav"},
        {"MemberManagement", "SoundAutoAllowEntry", "Sounds\\Allow.Wav"},
        {"MemberManagement", "SoundAutoDenyEntry", "Sounds\\Deny.Wav"},
        {"MemberManagement", "SoundAutoNotMember", "Sounds\\NoMember.Wav"},
        {"MemberManagement", "SoundAutoBirthday", "Sounds\\Birthday.Wav"},
        {"MemberManagement", "SoundAutoExpireSoon", "Sounds\\ExpireSoon.Wav"},
        {"MemberManagement", "SoundCameraClick", "Sounds\\Click.Wav"},
        {"MemberManagement", "SoundItemNotFound", "Sounds\\NoItem.Wav"},
        {"MemberManagement", "SoundFingerprintScan", "Sounds\\StrtPrnt.Wav"},
        {"MemberManagement", "SoundBadFingerPrint", "Sounds\\BadPrint.Wav"},
        {"MemberManagement", "SoundGoodFingerPrint", "Sounds\\Thanks.Wav"},
        {"MemberManagement", "POSPriceOverride", "NoOverride"},
        {"MemberManagement", "CheckinPictureQuality", "Low"},
        {"MemberManagement", "HoldQueuePictureQuality", "Low"},
    };
    return rows;
}

// Menus of the suite's other programs: "target,caption" entries separated by ";".
const char* const SalesMenu =
    "Prospects.exe,&Prospects;Tours.exe,&Tours;Appointments.exe,&Appointment Calendar;"
    "ActivityRep.exe,Activity &Report;Login,&Log In;Logout,Log &Out;Shutdown,E&xit";
const char* const ShellMenu =
    "CheckIn,&Check In;Members.exe,&Member Management;Prospects.exe,&Sales && Marketing;"
    "ClubSetup.exe,S&etup;ActivityRep.exe,Activity &Report;Login,&Log In;Logout,Log &Out;Shutdown,E&xit";
const char* const MemberMenu =
    "CheckIn,&Check In;Members.exe,&Members;PointOfSale.exe,&Point of Sale;Billing.exe,&Billing;"
    "ActivityRep.exe,Activity &Report;Logout,Log &Out;Shutdown,E&xit";

QString L1(const char* text)
{
    return QString::fromLatin1(text);
}

} // namespace

const QStringList& SettingSections()
{
    static const QStringList sections = {
        QStringLiteral("General"),    QStringLiteral("Telephone"),        QStringLiteral("SalesAndMarketing"),
        QStringLiteral("Shell"),      QStringLiteral("Setup"),            QStringLiteral("MemberManagement"),
        QStringLiteral("Settings"),   QStringLiteral("SINGLESITEBILLING"),
    };
    return sections;
}

int SettingSectionIndex(const QString& section)
{
    return int(SettingSections().indexOf(section));
}

QStringList CatalogueLines(int sectionIndex)
{
    QStringList lines;
    const QString section = SettingSections().value(sectionIndex);
    for (const TCatalogueRow& row : CatalogueRows()) {
        if (L1(row.Section) != section)
            continue;
        for (const char* key : row.Keys)
            lines << L1(key) + QLatin1Char('=') + L1(row.Scopes);
    }
    return lines;
}

QList<TKeyDefault> KeyDefaults()
{
    QList<TKeyDefault> defaults;
    for (const TFlagDefaults& row : FlagDefaults()) {
        for (const char* key : row.Keys)
            defaults << TKeyDefault{L1(row.Section), L1(key), L1(row.Value)};
    }
    for (const TTextDefault& row : TextDefaults())
        defaults << TKeyDefault{L1(row.Section), L1(row.Key), L1(row.Value)};

    const QString programFolder = ProgramFolder();
    defaults << TKeyDefault{QStringLiteral("General"), QStringLiteral("BackupLocation"), programFolder + QStringLiteral("Backup")}
             << TKeyDefault{QStringLiteral("General"), QStringLiteral("BackupData"), programFolder + QStringLiteral("Data")}
             << TKeyDefault{QStringLiteral("General"), QStringLiteral("AVIFilePath"), programFolder + QStringLiteral("AVI")}
             << TKeyDefault{QStringLiteral("General"), QStringLiteral("HostIPAddress"), QStringLiteral("192.168.0.1")}
             << TKeyDefault{QStringLiteral("SalesAndMarketing"), QStringLiteral("MenuList"), L1(SalesMenu)}
             << TKeyDefault{QStringLiteral("Shell"), QStringLiteral("MenuList"), L1(ShellMenu)}
             << TKeyDefault{QStringLiteral("MemberManagement"), QStringLiteral("MenuList"), L1(MemberMenu)};
    return defaults;
}

QString ProgramFolder()
{
    QString folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}
