#include "ReportState.h"

#include "DataState.h"
#include "DateTime.h"
#include "ExportState.h"

void ResetReportState()
{
    ResetExportState();
    ResetDataState();
    ResetDateSettings();
}
