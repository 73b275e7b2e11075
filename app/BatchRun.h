#pragma once
// One report action without a window: the selection comes from the command line, and the same
// TActivityReport as the criteria window's builds the statement, lays out the pages and writes them
// through the same filters, so both give the same files. No widget is built.
struct TCommandLine;

// Exit codes, as --help documents them.
enum TBatchExitCode {
    ecDone = 0,
    ecUsage = 1,
    ecRefused = 2,
    ecBadInput = 3,
    ecDatabase = 4,
    ecFile = 5,
};

int RunBatch(const TCommandLine& commandLine);

// --register-workstation: registers this computer under the command line's name, as the window's
// first start does, and says so on stdout; a refusal goes to stderr.
int RegisterWorkstation(const TCommandLine& commandLine);
