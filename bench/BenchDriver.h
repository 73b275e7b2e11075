#pragma once
// The whole benchmark: builds or reuses the demo databases, runs every measurement in a child process
// of `program` (this executable with --measure) and the sqlite3 shell on the same statement, and prints
// the table to stdout. Returns the exit code --help documents.
#include "BenchOptions.h"

int RunBenchmark(const TBenchOptions& options, const QString& program);

// Builds the demo database of `enrolments` in `folder`, or keeps the one a finished earlier run left
// there for the same size and seed. Returns the alias file; throws when the database cannot be built.
QString EnsureDemoDatabase(const QString& folder, int enrolments, quint32 seed);
