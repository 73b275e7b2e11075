#pragma once
// The program's command line. The suite starts it with the user number first; the options below come
// after it (or alone, for --create-demo, --help and --version).
#include "TDemoDatabase.h"

#include <QString>
#include <QStringList>

enum TRunMode {
    rmWindow,     // the criteria window
    rmBatch,      // one report action without a window
    rmCreateDemo, // write the demo club database
    rmRegisterWorkstation, // give this computer its workstation name, without a window
    rmHelp,
    rmView,       // the preview of a saved report file
    rmVersion,
};

struct TCommandLine
{
    TRunMode Mode = rmWindow;
    QString FirstArgument; // the user number as given; empty when there is none
    QString AliasFile;

    // --create-demo
    QString DemoFolder;
    int Enrolments = 400;
    quint32 Seed = 1;
    TDemoServer DemoServer; // --server and its settings: the club goes to a PostgreSQL server
    bool Replace = false;   // --replace: a club already in the folder may be overwritten

    QString WorkstationName; // --register-workstation

    // batch selection
    QString RangeName;
    QString FromText;
    QString ToText;
    int Option = 0;
    int Member = -1;
    QString Activities; // "all" or "3,5"
    // batch action: exactly one of these
    QString ExportFile;
    QString FormatName;
    bool Print = false;
    QString GroupName;
    bool HasGroupName = false;

    QString ViewFile; // --view
    bool Login = false; // --login: the user logs in through the Login dialog
};

// Parses the arguments after the program name; throws TUsageError with one line of text on a mistake.
TCommandLine ParseCommandLine(const QStringList& arguments);

struct TUsageError
{
    QString Message;
};

QString UsageText();
// "activityrep 1.0.0": the program's name and the version it was built as.
QString VersionText();
