#pragma once
// Process-wide state of the common services, put back as a fresh process has it (see DataState.h for
// how the resets of the folders chain).

// Resets the database layer (ResetDataState) and the date settings (ResetDateSettings), then: no
// current user and no security rights read, the suite's configuration file unread, the dialogs of Qt
// instead of an installed prompt, the workstation fingerprint read from the machine, the default
// terminate action of the configuration file and its default stale-lock time.
void ResetCommonState();
