#pragma once
// --create-demo: the demo club database, its alias file and configuration folder, with this machine
// registered as a workstation so that the demo opens without asking for a workstation name.
struct TCommandLine;

// Prints the alias file's path on stdout; returns the process exit code.
int CreateDemo(const TCommandLine& commandLine);
