#pragma once
// The PostgreSQL server the benchmark may measure beside the SQLite file: one database per size and
// seed, created through the server's maintenance database when it is missing.
#include "BenchOptions.h"
#include "TDemoDatabase.h"

// The server's database for a size; Host is empty when the run has no server.
TDemoServer BenchServerDatabase(const TBenchOptions& options, int size);

// Creates the database when the server has none of that name; throws EDatabaseError.
void EnsureServerDatabase(const TDemoServer& server);

// The enrolments the club in the database holds; -1 when it holds no club or cannot be reached.
qint64 ServerEnrolments(const TDemoServer& server);

// psql's arguments for running the statements of its standard input on the database quietly, rows
// unaligned (as the sqlite3 shell prints them), stopping at the first error and never asking for a
// password (it comes from ~/.pgpass).
QStringList PsqlArguments(const TDemoServer& server);
