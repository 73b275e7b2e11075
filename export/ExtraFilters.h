#pragma once

// Registers the nine export filters with FilterLibrary() in the save dialog's order:
// WK1, WQ1, XLS, BMP, JPEG, RTF, HTML, CSS2, PDF. Called once at start-up.
void RegisterExtraFilters();
// Unregisters the same classes in the same order and frees the options object.
void UnregisterExtraFilters();
