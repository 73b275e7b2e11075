#include "Application.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace {

QString g_firstArgument;
bool g_interactiveLogin = false;
bool g_terminateRequested = false;

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

void RequestTerminate()
{
    g_terminateRequested = true;
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
}

bool TerminateRequested()
{
    return g_terminateRequested;
}

void ResetTerminateRequest()
{
    g_terminateRequested = false;
}
