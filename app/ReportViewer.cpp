#include "ReportViewer.h"

#include "Application.h"
#include "BatchRun.h"
#include "CreateForm.h"
#include "TPreviewWindow.h"
#include "TReportBase.h"

#include <QApplication>

int ViewReportFile(const QString& fileName)
{
    const auto reportBase = CreateForm<TReportBase>();
    if (TerminateRequested())
        return TerminateExitCode();
    auto* window = new TPreviewWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->OpenFile(fileName)) {
        delete window;
        return ecFile;
    }
    window->show();
    return QApplication::exec();
}
