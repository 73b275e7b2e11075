#pragma once
// The whole benchmark: builds or reuses the demo databases, runs every measurement in a child process
// of `program` (this executable with --measure) and the engine's own shell on the same statement, on
// the SQLite file and, when one is named, on a PostgreSQL server; prints the table to stdout. Returns
// the exit code --help documents.
#include "BenchOptions.h"
#include "TDemoDatabase.h"

int RunBenchmark(const TBenchOptions& options, const QString& program);

// Builds the demo database of `enrolments` in `folder` (or on the server's database, which is created
// when missing), or keeps the one a finished earlier run left for the same size, seed and server.
// Returns the alias file; throws when the database cannot be built.
QString EnsureDemoDatabase(const QString& folder, int enrolments, quint32 seed, const TDemoServer& server = {});
