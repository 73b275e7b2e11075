#pragma once
// One measurement, run inside the measuring process: the criteria window of the program is built on
// the demo database, set to every enrolment (all members, members and guests, all activities), and
// the report goes through the same query, layout, filters and preview as a user's would.
#include "BenchOptions.h"

struct TMeasurement
{
    double Seconds = 0;
    int Rows = 0;  // rows fetched or reported
    int Pages = 0; // pages laid out (layout and preview)
    double FirstPageSeconds = 0; // preview: until the first page was painted
    qint64 FirstPageKiB = 0;     // preview: peak resident memory at that moment
};

// Exit codes of a measuring process: failed, or the export filter refused the report (a sheet's row
// limit), which the table shows as not measured rather than as a fault.
inline constexpr int ecMeasureFailed = 3;
inline constexpr int ecMeasureRefused = 4;

// Runs the measurement options.Kind names; throws with a message on any failure (EExportError when
// the filter refuses the report). Expects a
// QApplication; registers the export filters when none are.
TMeasurement Measure(const TBenchOptions& options);

// The measurement as one line for the parent process, and back.
QString MeasurementLine(const TMeasurement& measurement);
bool ParseMeasurementLine(const QString& line, TMeasurement& measurement);
