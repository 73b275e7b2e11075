#pragma once

// The threads an export may use besides the caller's: the writer thread of the page pipeline and the
// renderers of the page images. As many as the machine has cores unless set; 0 keeps the whole export
// on the caller's thread, which writes the same bytes (the tests compare the two).
int ExportThreads();
// A negative count restores the default.
void SetExportThreads(int threads);
