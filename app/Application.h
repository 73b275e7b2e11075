#pragma once
// Process-wide start-up state: the command line's first argument and the terminate request.

#include <QString>

// Names the application "Activity Report" (message boxes take it as their caption). It sets no
// display name: the desktop would append that to every window title, and the captions are fixed texts.
void NameApplication();

// The first argument the suite passed on the command line (the user number), empty when there is none.
QString FirstArgument();
void SetFirstArgument(const QString& argument);

// Whether the user logs in through the Login dialog (--login, as the desktop menu starts the program)
// instead of being named by the number the suite passes.
bool InteractiveLogin();
void SetInteractiveLogin(bool interactive);

// Asks the application to end: a queued quit that ends the message loop as soon as it starts, so a
// request made before the loop runs keeps the criteria window from being used. `exitCode` is what the
// process then reports (the codes --help lists); the first request's code stays.
void RequestTerminate(int exitCode);
bool TerminateRequested();
int TerminateExitCode(); // 0 while nothing was requested
void ResetTerminateRequest(); // tests
