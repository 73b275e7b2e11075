#pragma once
// The start-up gate of the report forms: the program runs only for a known user who holds the report
// right, or for whom another user grants it in the Security Access dialog.

class QWidget;

// The right the activity report needs.
inline constexpr const char* ReportRight = "GReports Club Level";

// Runs the gate while `form` is created. A refusal asks the application to terminate with the refusal's
// exit code and shows nothing; an error shows the standard error box and also terminates, with the
// database or file error's code, so nobody works after a failed check. Returns whether the program
// may be used.
bool RunStartupGate(QWidget* form);
