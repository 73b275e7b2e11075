#pragma once
// The program started on a saved report (--view FILE): the preview alone, after the same start-up
// gate as the criteria window.
#include <QString>

// Runs the preview of fileName until it is closed. Returns 0 then, 2 when the gate refused the user
// (nothing is shown), 5 when the file cannot be read (after a message saying why).
int ViewReportFile(const QString& fileName);
