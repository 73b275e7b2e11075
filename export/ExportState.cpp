#include "ExportState.h"

#include "ExportThreads.h"
#include "TExtraOptions.h"
#include "TFilterLibrary.h"
#include "TOutputGuard.h"
#include "TPDFFilter.h"
#include "TStagedFile.h"

void ResetExportState()
{
    FilterLibrary().Clear();
    TOutputGuard::Clear();
    FreeExtraOptions();
    SetExportThreads(-1);
    TPDFFilter::SetToday({});
    TStagedFile::ClearSimulatedFaults();
}
