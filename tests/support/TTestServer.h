#pragma once
// The throw-away PostgreSQL server of a test run (tools/pg-test-server, started by ctest), found through
// ACTIVITYREP_PGTEST_HOST (the folder of its socket) and ACTIVITYREP_PGTEST_PORT. Each test gets a
// database of its own, so tests may run in parallel on one server.
#include "TDemoDatabase.h"
#include <QString>

class TTestServer
{
public:
    // Why the server cannot be used (not set up, not installed, no Qt driver); empty when it can.
    static QString SkipReason();

    // Creates an empty database with a fresh name; throws EDatabaseError when the server refuses.
    static TDemoServer NewDatabase();
    static void DropDatabase(const TDemoServer& server);
};

// Skips the running test with the reason when there is no server.
#define SKIP_WITHOUT_TEST_SERVER()                                                                                    \
    do {                                                                                                               \
        const QString reason = TTestServer::SkipReason();                                                              \
        if (!reason.isEmpty())                                                                                         \
            GTEST_SKIP() << reason.toStdString();                                                                      \
    } while (false)
