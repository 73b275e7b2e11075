#include "BatchRun.h"

#include "DateTime.h"

#include "AccessRights.h"
#include "Application.h"
#include "ClubFiles.h"
#include "DateDrop.h"
#include "DateTime.h"
#include "EDatabaseError.h"
#include "EProgramTerminated.h"
#include "Login.h"
#include "RangePresets.h"
#include "ReportWindows.h"
#include "RowFormats.h"
#include "StartupGate.h"
#include "TActivityReport.h"
#include "TBandedReport.h"
#include "TCommandLine.h"
#include "TExtraFilter.h"
#include "TFilterLibrary.h"
#include "TPrompt.h"
#include "TStagedFileSet.h"
#include "TTable.h"
#include "TbrmIniFile.h"
#include "TextFunctions.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <unistd.h>

namespace {

// A run's failure: the exit code and the one line that explains it.
struct TBatchError
{
    int Code;
    QString Message;
};

// One line whatever the text holds: engine messages may end in line breaks, and echoed input may
// hold any character.
void PrintError(const QString& text)
{
    std::fputs(("activityrep: " + EscapeControlCharacters(TrimBlanks(text)).toLocal8Bit() + '\n').constData(), stderr);
}

// Nobody is there to answer: warnings and errors go to stderr, inputs get the answer the command line
// gave (the group name) or are cancelled, and no form is shown.
class TBatchPrompt : public TPrompt
{
public:
    QStringList Messages;
    QString InputAnswer;
    bool HasInputAnswer = false;

    void ShowWarning(const QString& text) override { Messages << text; }
    void ShowError(const QString& text) override { Messages << text; }
    bool InputQuery(const QString&, const QString&, QString& value) override
    {
        if (!HasInputAnswer)
            return false;
        value = InputAnswer;
        HasInputAnswer = false;
        return true;
    }
    int ExecModal(QDialog&) override { return 0; }
};

class TPromptScope
{
public:
    explicit TPromptScope(TPrompt* prompt) { SetPrompt(prompt); }
    ~TPromptScope() { SetPrompt(nullptr); }
};

// The start-up gate without its dialog: the user must hold the right himself.
void CheckUser(TBatchPrompt& prompt)
{
    TbrmIniFile::SetTerminate([] {});
    try {
        SuiteIni();
    } catch (const EProgramTerminated&) {
        // Registration asks for a name, which nobody can type here.
        throw TBatchError{ecRefused, prompt.Messages.value(0, QStringLiteral("The configuration store ended the run."))
                                         + QStringLiteral(" Register this workstation once with: "
                                                          "activityrep --register-workstation NAME [--alias-file FILE]")};
    }
    const qint32 number = StrToIntOrZero(FirstArgument());
    if (!LoginByNumber(nullptr, number))
        throw TBatchError{ecRefused, QStringLiteral("User number %1 is not a user of the suite.").arg(FirstArgument().trimmed())};
    if (CheckAccess(QString::fromLatin1(ReportRight), false) <= 0)
        throw TBatchError{ecRefused, QStringLiteral("User number %1 does not hold the right \"%2\".")
                                         .arg(number)
                                         .arg(QString::fromLatin1(ReportRight))};
    ProtectClubFiles();
}

TDateTime ReadDate(const QString& text)
{
    const TDateTime value = TbrmDateDropDown::ParseDateText(text);
    if (value <= 0) {
        // The separator is this computer's: name it, a date typed with another one is not read.
        const QString separator(DateSeparator());
        throw TBatchError{ecBadInput, QStringLiteral("\"%1\" is not a date: write month, day and year with \"%2\" between them, as in %3.")
                                          .arg(text, separator, QStringLiteral("3") + separator + QStringLiteral("31") + separator + QStringLiteral("2010"))};
    }
    return value;
}

// The ids of the activities table in its order, as the criteria window lists them.
QList<qint32> ActivityIdsInListOrder(TTable& activities)
{
    QList<qint32> ids;
    activities.First();
    const int count = activities.RecordCount();
    for (int i = 0; i < count; ++i) {
        ids << activities.FieldAsInteger(QStringLiteral("id"));
        activities.Next();
    }
    return ids;
}

// The selection the criteria window would hold after the same choices: the period of the named
// preset, the dates given (each as a date field reads it) or today; the option, the member filter and
// the activities asked for, all of them by default.
TActivitySelection ReadSelection(const TCommandLine& line, const QList<qint32>& activities)
{
    TActivitySelection selection;
    selection.From = Date();
    selection.To = Date();
    if (!line.RangeName.isEmpty()) {
        const QStringList captions = RangePresetCaptions();
        int preset = 0;
        for (int i = 0; i < captions.size(); ++i) {
            if (captions.at(i).compare(line.RangeName, Qt::CaseInsensitive) == 0)
                preset = i;
        }
        PresetRange(preset, Date(), selection.From, selection.To);
    } else if (!line.FromText.isEmpty()) {
        selection.From = ReadDate(line.FromText);
        selection.To = ReadDate(line.ToText);
    }
    selection.Option = line.Option;
    selection.Member = line.Member;

    QList<TActivityItem> items;
    if (line.Activities.isEmpty() || line.Activities.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0) {
        for (const qint32 id : activities)
            items << TActivityItem{true, id};
        selection.ActivityIds = BuildActivityIds(items);
        return selection;
    }
    QList<qint32> wanted;
    for (const QString& part : line.Activities.split(QLatin1Char(','))) {
        bool ok = false;
        const qint32 id = part.trimmed().toInt(&ok);
        if (!ok)
            throw TBatchError{ecUsage, QStringLiteral("--activities takes all or a list of activity ids, not \"%1\".")
                                           .arg(line.Activities)};
        wanted << id;
    }
    for (const qint32 id : wanted) {
        if (!activities.contains(id))
            throw TBatchError{ecUsage, QStringLiteral("There is no activity with id %1.").arg(id)};
    }
    for (const qint32 id : activities)
        items << TActivityItem{wanted.contains(id), id};
    selection.ActivityIds = BuildActivityIds(items);
    return selection;
}

// The filter named by --format (extension or display name, with or without " File"), else by the
// file's extension.
const TFilterEntry& FindFilter(const TCommandLine& line)
{
    const QString wanted = line.FormatName.isEmpty() ? QFileInfo(line.ExportFile).suffix() : line.FormatName;
    if (const TFilterEntry* entry = FilterLibrary().Find(wanted))
        return *entry;
    if (wanted.compare(QLatin1String("JPEG"), Qt::CaseInsensitive) == 0
        || wanted.compare(QLatin1String("HTML"), Qt::CaseInsensitive) == 0
        || wanted.compare(QLatin1String("PDF"), Qt::CaseInsensitive) == 0) {
        const QString extension = wanted.toUpper() == QLatin1String("JPEG") ? QStringLiteral("JPG")
            : wanted.toUpper() == QLatin1String("HTML")                      ? QStringLiteral("HTM")
                                                                              : QStringLiteral("PDF");
        for (const TFilterEntry& entry : FilterLibrary().Entries()) {
            if (entry.FileExtension.compare(extension, Qt::CaseInsensitive) == 0)
                return entry;
        }
    }
    throw TBatchError{ecBadInput, wanted.isEmpty()
                                      ? QStringLiteral("Name the format with --format or a file extension.")
                                      : QStringLiteral("Unknown export format \"%1\".").arg(wanted)};
}

void Export(TActivityReport& report, const TActivitySelection& selection, const TCommandLine& line)
{
    // XLSX and CSV by --format or the file's extension; the page formats otherwise.
    const TRowFormat* rowFormat =
        FindRowFormat(line.FormatName.isEmpty() ? QFileInfo(line.ExportFile).suffix() : line.FormatName);
    const TFilterEntry* entry = rowFormat ? nullptr : &FindFilter(line);
    const QString fileName = QFileInfo(line.ExportFile).absoluteFilePath();
    report.Open(selection);
    // One line on a terminal, rewritten in place (the rest of the line cleared); nothing in a log.
    const bool terminal = isatty(fileno(stderr));
    const auto showProgress = [terminal](const TReportProgress& progress) {
        if (terminal)
            std::fprintf(stderr, "\rExporting: %s\033[K", qPrintable(progress.Text()));
        return true;
    };
    std::unique_ptr<TExtraFilter> filter = rowFormat ? nullptr : entry->Create(fileName);
    const bool done = rowFormat ? report.Report().ExportRowsTo(*rowFormat->Create(fileName), showProgress)
                                : report.Report().ExportTo(*filter, showProgress);
    if (terminal)
        std::fputs("\n", stderr);
    if (!done)
        throw TBatchError{ecFile, QStringLiteral("The export was cancelled.")};
    // The file is complete; what it could not hold as given is worth one line, not a failure.
    if (const QString notice = filter ? filter->Notice() : QString(); !notice.isEmpty())
        PrintError(notice);
}

int Run(const TCommandLine& line, TBatchPrompt& prompt)
{
    TActivityReport report;
    // The activities table is opened before the user is checked, as the criteria window opens it.
    TTable activities(QStringLiteral("Brelmdata"), QStringLiteral("ckActs.DB"));
    activities.Open();
    CheckUser(prompt);
    // A page set whose export was killed in the target folder (its file ".pageset.tmp*" is left) is
    // completed before this run reads or writes anything more, whether or not the run gets as far as
    // its own export. Without one the folder is left to the export's own clean-up, which removes
    // other temporary files of killed runs as well.
    if (!line.ExportFile.isEmpty()) {
        const QDir folder = QFileInfo(line.ExportFile).absoluteDir();
        if (!folder.entryList({QStringLiteral(".pageset.tmp*")}, QDir::Files | QDir::Hidden | QDir::System).isEmpty())
            TStagedFileSet::RecoverFolder(folder.path());
    }
    const TActivitySelection selection = ReadSelection(line, ActivityIdsInListOrder(activities));

    if (!line.ExportFile.isEmpty()) {
        Export(report, selection, line);
    } else if (line.Print) {
        report.Open(selection);
        // Nobody is there to watch or cancel the run.
        report.Report().ShowProgress = false;
        PrintReport(report.Report());
        if (!prompt.Messages.isEmpty())
            throw TBatchError{ecFile, prompt.Messages.join(QLatin1Char(' '))};
    } else {
        report.CreateGroup(selection, line.GroupName);
    }
    return ecDone;
}

// Called inside a catch block: prints the failure being handled on one line and gives its exit code.
int ReportFailure()
{
    try {
        throw;
    } catch (const TBatchError& error) {
        PrintError(error.Message);
        return error.Code;
    } catch (const EDatabaseError& error) {
        PrintError(error.Message());
        return ecDatabase;
    } catch (const std::exception& error) {
        // Export failures among them: their message names the file and the reason.
        PrintError(QString::fromUtf8(error.what()));
        return ecFile;
    }
}

} // namespace

int RunBatch(const TCommandLine& line)
{
    TBatchPrompt prompt;
    TPromptScope scope(&prompt);
    try {
        return Run(line, prompt);
    } catch (...) {
        return ReportFailure();
    }
}

int RegisterWorkstation(const TCommandLine& line)
{
    TBatchPrompt prompt;
    TPromptScope scope(&prompt);
    // The name is the answer to the registration's input dialog: the same checks, lock and messages.
    prompt.InputAnswer = line.WorkstationName;
    prompt.HasInputAnswer = true;
    TbrmIniFile::SetTerminate([] {});
    try {
        const TbrmIniFile ini;
        const QString name = ini.WorkstationFileName.mid(ini.ConfigFolder.size()).chopped(QStringLiteral(".INI").size());
        if (!prompt.HasInputAnswer) {
            std::printf("%s\n", qPrintable(QStringLiteral("This workstation is registered as \"%1\".").arg(name)));
            return ecDone;
        }
        if (name.compare(FileSafeName(line.WorkstationName), Qt::CaseInsensitive) == 0) {
            std::printf("%s\n", qPrintable(QStringLiteral("This workstation is already registered as \"%1\".").arg(name)));
            return ecDone;
        }
        PrintError(QStringLiteral("This workstation is already registered as \"%1\"; its name stays.").arg(name));
        return ecRefused;
    } catch (const EProgramTerminated&) {
        // The dialog would have asked again; the first message says why the name was refused.
        PrintError(prompt.Messages.value(0));
        return ecRefused;
    } catch (...) {
        return ReportFailure();
    }
}
