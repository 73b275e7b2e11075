// Activity Report: started by the suite with the logged-in user's number as its first argument.
#include "Application.h"
#include "BatchRun.h"
#include "CreateForm.h"
#include "DateTime.h"
#include "DemoSetup.h"
#include "EDatabaseError.h"
#include "ExtraFilters.h"
#include "ProgramVersion.h"
#include "ReportViewer.h"
#include "TCommandLine.h"
#include "TPrompt.h"
#include "TReportBase.h"
#include "TSession.h"
#include "TbrmIniFile.h"
#include "TextFunctions.h"
#include "TfrmActivityRep.h"

#include <QApplication>
#include <cstdio>
#include <memory>

namespace {

void PrintLine(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

// The short date format is fixed for the whole run; the separator follows the regional settings.
void FixDateFormat()
{
    SetShortDateFormat(QStringLiteral("M/d/yyyy"));
    SetDateSeparator(SystemDateSeparator());
}

// Without a window, stderr carries only the program's own one-line messages; the toolkit's
// diagnostics (a missing runtime folder, font notes) would read as errors there.
void QuietToolkitMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        PrintLine(stderr, message);
}

int RunWindow()
{
    std::unique_ptr<TfrmActivityRep> window;
    try {
        window = CreateForm<TfrmActivityRep>();
    } catch (const EDatabaseError& e) {
        Prompt().ShowError(QString::fromUtf8(e.what()));
        return ecDatabase;
    } catch (const std::exception& e) {
        Prompt().ShowError(QString::fromUtf8(e.what()));
        return ecFile;
    }
    QObject::connect(window.get(), &TfrmActivityRep::Closed, qApp, &QCoreApplication::quit);
    // A workstation without a name ends the start like any other refusal, after the store's warning.
    TbrmIniFile::SetTerminate([] { RequestTerminate(ecRefused); });
    const auto reportBase = CreateForm<TReportBase>();
    if (TerminateRequested())
        return TerminateExitCode();
    window->show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    // Batch runs and the demo generator need no display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    TCommandLine commandLine;
    try {
        commandLine = ParseCommandLine(arguments);
    } catch (const TUsageError& error) {
        PrintLine(stderr, EscapeControlCharacters(error.Message)); // it may echo any argument
        return 1;
    }
    // Only the window and the viewer build widgets; every other mode runs without the widget layer
    // (fonts and text measurement need no more than a QGuiApplication).
    const bool windowed = commandLine.Mode == rmWindow || commandLine.Mode == rmView;
    if (!windowed) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(QuietToolkitMessages);
    }

    const std::unique_ptr<QGuiApplication> app =
        windowed ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QGuiApplication>(argc, argv);
    NameApplication();
    QCoreApplication::setApplicationVersion(QLatin1String(ProgramVersion));
    FixDateFormat();
    RegisterExtraFilters();

    if (!commandLine.AliasFile.isEmpty())
        TSession::Instance().SetAliasFile(commandLine.AliasFile);
    SetFirstArgument(commandLine.FirstArgument);
    SetInteractiveLogin(commandLine.Login);

    switch (commandLine.Mode) {
    case rmHelp:
        PrintLine(stdout, UsageText());
        return 0;
    case rmVersion:
        PrintLine(stdout, VersionText());
        return 0;
    case rmCreateDemo:
        return CreateDemo(commandLine);
    case rmBatch:
        return RunBatch(commandLine);
    case rmView:
        return ViewReportFile(commandLine.ViewFile);
    case rmRegisterWorkstation:
        return RegisterWorkstation(commandLine);
    case rmWindow:
        break;
    }
    return RunWindow();
}
