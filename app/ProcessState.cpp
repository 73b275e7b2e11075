#include "ProcessState.h"

#include "Application.h"
#include "ControlsState.h"
#include "ReportState.h"
#include "TDialogPrintJob.h"
#include "TReportPrinter.h"

void ResetProcessState()
{
    ResetReportState();
    ResetControlsState();
    TReportPrinter::SetAvailabilityProbe({});
    TReportPrinter::SetPrinterFactory({});
    TDialogPrintJob::SetDialog({});
    SetFirstArgument(QString());
    SetInteractiveLogin(false);
    ResetTerminateRequest();
}
