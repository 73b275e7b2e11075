#pragma once
// The club of the program's tests, in a temporary folder: the club tables, users, the report right,
// the configuration folder with this (fixed) workstation registered and a club name, the alias file
// naming it Brelmdata. The clock is pinned to Today, a scripted prompt answers every dialog, and every
// process-wide object of the program is reset on both ends (ResetProcessState).
// The club tables live in a SQLite file, or in a database of its own on the test server (TTestServer),
// dropped again at the end; check TTestServer::SkipReason() before asking for the server.
#include "TClubFolder.h"
#include "TPrompt.h"
#include "TSqlSchema.h"

#include <QDate>
#include <QVariantList>
#include <ostream>

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

class TAppClub : public TClubFolder
{
public:
    static inline const QDate Today{2010, 3, 15}; // a Monday
    static inline const QString ClubName = QStringLiteral("Riverside Tennis Club");
    static inline const QString Right = QStringLiteral("GReports Club Level");

    // Users: 1 MANAGER/secret level 9, 2 CLERK/clerk level 1, 3 DEMO/"" level 5 (the right's level).
    explicit TAppClub(TSqlEngine engine = seSqlite);
    ~TAppClub();

    // The club's database on the test server; Host is empty for a SQLite club.
    const TDemoServer& Server() const { return m_server; }

    // Exec and Rows take the engine's own SQL: write what both engines take (true/false for booleans,
    // "user" and security for the tables the suite spells "User" and "Security").
    int Count(const QString& sql);

    void AddActivity(int id, const QString& description);
    // Members have memberNo > 0, guests 0; sub category 1 is "Adult".
    void AddPerson(int leadNo, int memberNo, const QString& lastName, const QString& firstName);
    // An enrolment with no end that is active by the countdown.
    void Enrol(int lead, int activity, const QDate& start, int countdown = 5, const QDate& end = {});

    TScriptedPrompt Prompt;

private:
    TSqlEngine m_engine;
    TDemoServer m_server;
};
