#pragma once
// Process-wide state of the export writers, put back as a fresh process has it (see DataState.h for
// how the resets of the folders chain; the writers use no folder below them).

// Empties the filter library and the output guard, frees the extra options, restores the default
// number of export threads and the PDF writer's date, and clears the simulated disk faults.
void ResetExportState();
