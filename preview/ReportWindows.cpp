#include "ReportWindows.h"

#include "TBandedReport.h"
#include "TPreviewWindow.h"
#include "TProgressWindow.h"
#include "TPrompt.h"
#include "TReportPrinter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <memory>

namespace {

QPointer<TPreviewWindow>& OpenWindow()
{
    static QPointer<TPreviewWindow> window;
    return window;
}

} // namespace

TPreviewWindow* ShowPreview(TBandedReport& report)
{
    report.FinishPendingLayout();
    auto* window = new TPreviewWindow();
    window->setAttribute(Qt::WA_DeleteOnClose);
    // The window goes with the report it lays out.
    QObject::connect(&report, &TBandedReport::Destroying, window, &QObject::deleteLater);
    if (!window->StartLayout(report)) {
        delete window;
        return nullptr;
    }
    window->show();
    return window;
}

void PreviewReport(TBandedReport& report)
{
    report.FinishPendingLayout();
    QCoreApplication::processEvents();
    TPreviewWindow* window = ShowPreview(report);
    if (!window)
        return;
    OpenWindow() = window;
    QEventLoop loop;
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
    loop.exec();
}

TPreviewWindow* OpenPreview()
{
    return OpenWindow().data();
}

bool PrintReport(TBandedReport& report)
{
    report.FinishPendingLayout();
    if (!TReportPrinter::PrinterAvailable()) {
        Prompt().ShowWarning(TReportPrinter::NoPrinterMessage());
        return false;
    }
    std::unique_ptr<TProgressWindow> window;
    TProgressCallback progress;
    if (report.ShowProgress) {
        window = std::make_unique<TProgressWindow>(QStringLiteral("Printing progress"));
        progress = window->Callback();
    }
    TReportPrinter printer;
    QString error;
    const bool printed = report.PrintTo(printer, progress, &error);
    window.reset();
    if (!printed && !error.isEmpty())
        Prompt().ShowWarning(error);
    return printed;
}
