#pragma once
// Showing and printing a report: the windows the engine itself never opens.
class TBandedReport;
class TPreviewWindow;

// Lays the report out in a new preview window and shows it; null when the report's BeforePrint
// cancelled it. The window deletes itself when closed.
TPreviewWindow* ShowPreview(TBandedReport& report);
// ShowPreview, then returns once the window has been closed, dispatching events meanwhile.
void PreviewReport(TBandedReport& report);
// The window PreviewReport has open, if any.
TPreviewWindow* OpenPreview();

// Generates the report straight onto the default printer, with a progress window when the report
// shows progress; with no printer installed it says so and does nothing else. A failure is shown.
// True when every page reached the printer.
bool PrintReport(TBandedReport& report);
