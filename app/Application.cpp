#include "Application.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace {

QString g_firstArgument;
bool g_interactiveLogin = false;
bool g_terminateRequested = false;
int g_terminateExitCode = 0;

} // namespace

void NameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Activity Report"));
}

QString FirstArgument()
{
    return g_firstArgument;
}

void SetFirstArgument(const QString& argument)
{
    g_firstArgument = argument;
}

bool InteractiveLogin()
{
    return g_interactiveLogin;
}

void SetInteractiveLogin(bool interactive)
{
    g_interactiveLogin = interactive;
}

void RequestTerminate(int exitCode)
{
    if (!g_terminateRequested)
        g_terminateExitCode = exitCode;
    g_terminateRequested = true;
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
}

bool TerminateRequested()
{
    return g_terminateRequested;
}

int TerminateExitCode()
{
    return g_terminateExitCode;
}

void ResetTerminateRequest()
{
    g_terminateRequested = false;
    g_terminateExitCode = 0;
}
