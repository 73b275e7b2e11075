#include "TCommandLine.h"

#include "ProgramVersion.h"
#include "RangePresets.h"

namespace {

bool ParseInt(const QString& text, int& value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok;
}

} // namespace

TCommandLine ParseCommandLine(const QStringList& arguments)
{
    TCommandLine line;
    bool batch = false;
    bool firstSeen = false;
    bool serverSetting = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString arg = arguments.at(i);
        auto value = [&]() -> QString {
            if (i + 1 >= arguments.size())
                throw TUsageError{QStringLiteral("Option %1 needs a value.").arg(arg)};
            return arguments.at(++i);
        };
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            line.Mode = rmHelp;
            return line;
        } else if (arg == QLatin1String("--version")) {
            line.Mode = rmVersion;
            return line;
        } else if (arg == QLatin1String("--alias-file")) {
            line.AliasFile = value();
            // An empty name would quietly mean the default alias file: another club than the one meant.
            if (line.AliasFile.trimmed().isEmpty())
                throw TUsageError{QStringLiteral("--alias-file needs the name of an alias file.")};
        } else if (arg == QLatin1String("--create-demo")) {
            line.Mode = rmCreateDemo;
            line.DemoFolder = value();
        } else if (arg == QLatin1String("--replace")) {
            line.Replace = true;
        } else if (arg == QLatin1String("--enrolments")) {
            if (!ParseInt(value(), line.Enrolments) || line.Enrolments < 0)
                throw TUsageError{QStringLiteral("--enrolments needs a whole number of 0 or more.")};
        } else if (arg == QLatin1String("--seed")) {
            bool ok = false;
            line.Seed = value().toUInt(&ok);
            if (!ok)
                throw TUsageError{QStringLiteral("--seed needs a whole number of 0 or more.")};
        } else if (arg == QLatin1String("--server")) {
            line.DemoServer.Host = value();
            serverSetting = true;
        } else if (arg == QLatin1String("--port")) {
            if (!ParseInt(value(), line.DemoServer.Port) || line.DemoServer.Port < 1 || line.DemoServer.Port > 65535)
                throw TUsageError{QStringLiteral("--port needs a port number from 1 to 65535.")};
            serverSetting = true;
        } else if (arg == QLatin1String("--database")) {
            line.DemoServer.Database = value();
            serverSetting = true;
        } else if (arg == QLatin1String("--user")) {
            line.DemoServer.User = value();
            serverSetting = true;
        } else if (arg == QLatin1String("--range")) {
            line.RangeName = value();
            if (!RangePresetCaptions().contains(line.RangeName, Qt::CaseInsensitive))
                throw TUsageError{QStringLiteral("Unknown range \"%1\"; use one of: %2.")
                                      .arg(line.RangeName, RangePresetCaptions().join(QStringLiteral(", ")))};
            batch = true;
        } else if (arg == QLatin1String("--from")) {
            line.FromText = value();
            batch = true;
        } else if (arg == QLatin1String("--to")) {
            line.ToText = value();
            batch = true;
        } else if (arg == QLatin1String("--option")) {
            if (!ParseInt(value(), line.Option) || line.Option < 0 || line.Option > 7)
                throw TUsageError{QStringLiteral("--option needs a membership option from 0 to 7.")};
            batch = true;
        } else if (arg == QLatin1String("--member")) {
            const QString member = value().toLower();
            if (member == QLatin1String("all"))
                line.Member = 0;
            else if (member == QLatin1String("members"))
                line.Member = 1;
            else if (member == QLatin1String("guests"))
                line.Member = 2;
            else
                throw TUsageError{QStringLiteral("--member takes all, members or guests.")};
            batch = true;
        } else if (arg == QLatin1String("--activities")) {
            line.Activities = value();
            batch = true;
        } else if (arg == QLatin1String("--export")) {
            line.ExportFile = value();
            batch = true;
        } else if (arg == QLatin1String("--format")) {
            line.FormatName = value();
            batch = true;
        } else if (arg == QLatin1String("--print")) {
            line.Print = true;
            batch = true;
        } else if (arg == QLatin1String("--create-group")) {
            line.GroupName = value();
            line.HasGroupName = true;
            batch = true;
        } else if (arg == QLatin1String("--view")) {
            line.ViewFile = value();
        } else if (arg == QLatin1String("--login")) {
            line.Login = true;
        } else if (arg == QLatin1String("--register-workstation")) {
            line.Mode = rmRegisterWorkstation;
            line.WorkstationName = value();
            if (line.WorkstationName.trimmed().isEmpty())
                throw TUsageError{QStringLiteral("--register-workstation needs a name.")};
        } else if (arg.startsWith(QLatin1String("--"))) {
            throw TUsageError{QStringLiteral("Unknown option %1 (see --help).").arg(arg)};
        } else if (!firstSeen) {
            line.FirstArgument = arg;
            firstSeen = true;
        } else {
            throw TUsageError{QStringLiteral("Unexpected argument \"%1\" (see --help).").arg(arg)};
        }
    }
    if (serverSetting && line.Mode != rmCreateDemo)
        throw TUsageError{QStringLiteral("--server, --port, --database and --user go with --create-demo.")};
    if (line.Replace && line.Mode != rmCreateDemo)
        throw TUsageError{QStringLiteral("--replace goes with --create-demo.")};
    if (line.Login && (line.Mode != rmWindow || batch || !line.FirstArgument.isEmpty()))
        throw TUsageError{QStringLiteral("--login asks who is working; it goes with --alias-file and --view only.")};
    if (line.Mode == rmCreateDemo) {
        if (serverSetting && (line.DemoServer.Host.isEmpty() || line.DemoServer.Database.isEmpty()))
            throw TUsageError{QStringLiteral("A demo club on a server needs --server HOST and --database NAME.")};
        if (serverSetting && line.DemoServer.User.isEmpty())
            line.DemoServer.User = DefaultServerUser();
        return line;
    }
    if (line.Mode == rmRegisterWorkstation) {
        if (batch || !line.FirstArgument.isEmpty() || !line.ViewFile.isEmpty())
            throw TUsageError{QStringLiteral("--register-workstation goes alone, with --alias-file at most.")};
        return line;
    }
    if (!line.ViewFile.isEmpty()) {
        if (batch)
            throw TUsageError{QStringLiteral("--view opens a saved report; it takes no report options.")};
        line.Mode = rmView;
        return line;
    }
    if (!batch)
        return line;
    line.Mode = rmBatch;
    const int actions = (line.ExportFile.isEmpty() ? 0 : 1) + (line.Print ? 1 : 0) + (line.HasGroupName ? 1 : 0);
    if (actions != 1)
        throw TUsageError{QStringLiteral("Name exactly one action: --export FILE, --print or --create-group NAME.")};
    if (!line.FormatName.isEmpty() && line.ExportFile.isEmpty())
        throw TUsageError{QStringLiteral("--format goes with --export.")};
    if (!line.RangeName.isEmpty() && (!line.FromText.isEmpty() || !line.ToText.isEmpty()))
        throw TUsageError{QStringLiteral("Give either --range or --from and --to, not both.")};
    if (line.FromText.isEmpty() != line.ToText.isEmpty())
        throw TUsageError{QStringLiteral("--from and --to go together.")};
    return line;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage:\n"
        "  activityrep USERNO [--alias-file FILE]\n"
        "      Opens the criteria window for the suite's user USERNO.\n"
        "  activityrep --login [--alias-file FILE] [--view FILE.rpt]\n"
        "      Asks for the user name and password in the Login dialog instead of taking a user\n"
        "      number (the desktop menu starts the program so), then opens the window or the report.\n"
        "  activityrep USERNO [--alias-file FILE] [--range NAME | --from DATE --to DATE]\n"
        "              [--option N] [--member all|members|guests] [--activities all|ID,ID,...]\n"
        "              (--export FILE [--format NAME] | --print | --create-group NAME)\n"
        "      Runs one report action without a window. The user must hold the report right.\n"
        "  activityrep USERNO [--alias-file FILE] --view FILE.rpt\n"
        "      Opens a report saved from the preview (Report File) in the preview, for a user who\n"
        "      holds the report right.\n"
        "  activityrep --create-demo DIR [--enrolments N] [--seed S] [--replace]\n"
        "              [--server HOST [--port P] --database NAME [--user NAME]]\n"
        "      Writes a demo club database, its alias file and configuration into DIR and prints\n"
        "      the path of the alias file. A folder that already holds a club is refused unless\n"
        "      --replace is given; it replaces the club database (Data/club.db, or the club tables\n"
        "      on the server), the alias file and the club name in Config/VKD.INI, and keeps every\n"
        "      workstation registration, every other setting and the workstation and user files.\n"
        "      With --server the club tables go into the existing\n"
        "      PostgreSQL database NAME (tables of the same names are replaced); HOST may be the\n"
        "      folder of the server's socket, the user defaults to the login name, and the password\n"
        "      comes from ~/.pgpass (or the file in PGPASSFILE), never from the command line.\n"
        "  activityrep --register-workstation NAME [--alias-file FILE]\n"
        "      Registers this computer in the club's configuration as the workstation NAME, as the\n"
        "      window asks on the first start; needed once before reports run without a window.\n"
        "      The computer is known by its machine identity (/etc/machine-id, else\n"
        "      /var/lib/dbus/machine-id, else the firmware's system UUID, else the host name), so\n"
        "      renaming it or changing its disks keeps its registration.\n"
        "  activityrep --help | --version\n"
        "      Prints this text, or the program's name and version.\n"
        "\n"
        "Options:\n"
        "  --alias-file FILE  the alias file that names the club database (also in every mode)\n"
        "  --range NAME       a report period: Today, This Week, This Month, This Year, Yesterday,\n"
        "                     Last Week, Last Month or Last Year (quote names with blanks)\n"
        "  --from, --to DATE  the period's first and last day, read as the date fields read typed\n"
        "                     dates (month/day/year; two-digit years 00-49 are 2000-2049)\n"
        "                     Without a range or dates both are today.\n"
        "  --option N         membership option 0-7 (default 0):\n"
        "                       0 all active members, 1 active members starting in the period,\n"
        "                       2 members expiring in the period, 3 less than 0 sessions,\n"
        "                       4 0 sessions, 5 1 session remaining, 6 2 sessions or less, 7 all members\n"
        "  --member WHO       all (default), members or guests\n"
        "  --activities IDS   all (default) or a comma-separated list of activity ids\n"
        "  --export FILE      saves the report; the format comes from FILE's extension or --format\n"
        "  --format NAME      XLS, WK1, WQ1, HTM (HTML), CSS2, RTF, PDF, BMP or JPG, or a format's\n"
        "                     display name such as \"Adobe PDF File\"; XLSX and CSV save the report's\n"
        "                     rows (one per member line, typed columns) for sorting and filtering\n"
        "  --print            prints the report on the default printer\n"
        "  --create-group NAME  stores the selection as a member group\n"
        "\n"
        "Exit codes: 0 done; 1 wrong command line; 2 user unknown or without the report right;\n"
        "3 unreadable date or unknown format; 4 database error; 5 file or printer error.\n"
        "--register-workstation exits 0 when this computer has the name, 2 when the name is refused\n"
        "or the computer is registered under another one.\n");
}

QString VersionText()
{
    return QStringLiteral("activityrep ") + QLatin1String(ProgramVersion);
}
