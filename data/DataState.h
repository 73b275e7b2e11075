#pragma once
// Process-wide state of the database layer, put back as a fresh process has it. Each library folder
// has one such reset, and each calls the resets of the folders below it, so a test fixture calls the
// one of the highest folder its tests use (app/ProcessState.h resets everything).

// Closes and forgets every connection and alias of the session and restores its busy timeout.
void ResetDataState();
