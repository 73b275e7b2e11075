#pragma once
// Every process-wide setting, cache and test seam of the program, put back as a fresh process has
// it: what tests call between one club and the next. Each library folder below has a reset of its
// own state that chains to the folders below it (DataState.h, CommonState.h, ExportState.h,
// ReportState.h, ControlsState.h); this one is the top of the chain.

// Resets the engine (ResetReportState), the calendar controls and common services
// (ResetControlsState), the printer seams of the preview (the system's printers and print dialog
// again), the command line's first argument, the log-in mode and the terminate request.
void ResetProcessState();
