#pragma once
// Process-wide state of the calendar controls, put back as a fresh process has it (see DataState.h
// for how the resets of the folders chain).

// Resets the common services (ResetCommonState), the popup's frame probe and the grid's sink of
// accessibility events.
void ResetControlsState();
