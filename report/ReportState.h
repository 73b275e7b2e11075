#pragma once
// Process-wide state of the report engine, put back as a fresh process has it (see DataState.h for
// how the resets of the folders chain). The engine keeps none of its own: this resets the export
// writers, the database layer and the date settings it uses.
void ResetReportState();
