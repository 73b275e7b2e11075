// One workstation of the concurrency test: creates groups on the alias's club database the way Create
// Group does (insert the group, read max(id) back, insert the members, in one transaction) and prints
// "<id> <name>" for each. Arguments: alias file, name prefix, number of groups, and a pause between
// the statements in milliseconds (a slow workstation, which widens the window for the other one);
// it starts on a line on stdin.
#include "EDatabaseError.h"
#include "TQuery.h"
#include "TSession.h"
#include "TTransaction.h"
#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fputs("usage: data_group_worker ALIASFILE NAME COUNT PAUSE_MS\n", stderr);
        return 2;
    }
    TSession::Instance().SetAliasFile(args.at(1));
    const unsigned long pause = args.at(4).toULong();
    try {
        // Connected first, then wait for the test's "go" on stdin, so both workstations start together.
        TSession::Instance().Database(QStringLiteral("Brelmdata"));
        char go[8];
        if (!std::fgets(go, sizeof go, stdin))
            return 3;
        for (int n = 1; n <= args.at(3).toInt(); ++n) {
            const QString name = QStringLiteral("%1 #%2").arg(args.at(2)).arg(n);
            TTransaction transaction(QStringLiteral("Brelmdata"));
            TQuery query;
            query.SQL() << QStringLiteral("insert into groups (groupname,groups.\"TimeStamp\") values (:pgroupname,:PTimeStamp)");
            query.Prepare();
            query.SetParam(QStringLiteral("pgroupname"), name);
            query.SetParam(QStringLiteral("pTimeStamp"), QDateTime(QDate(2010, 3, 15), QTime(12, 0)));
            query.ExecSQL();
            QThread::msleep(pause);
            query.Close();
            query.SQL().clear();
            query.SQL() << QStringLiteral("select max(id) as mid from groups");
            query.Open();
            const int id = query.FieldAsInteger(QStringLiteral("mid"));
            query.Close();
            query.SQL().clear();
            // active members of Karate and Yoga: Adams, Baker, Davis, Evans
            query.SQL() << QStringLiteral("insert into grpdata (leadid,groupid)")
                        << QStringLiteral("select distinct(leadid),Cast(%1 as Integer) from lead l").arg(id)
                        << QStringLiteral("join ckprof p on p.leadid = l.leadno") << QStringLiteral("join ckacts a on a.id = p.activityid")
                        << QStringLiteral("join subcat s on s.id = l.subcategory") << QStringLiteral("where (p.'end' > '03/15/2010' or")
                        << QStringLiteral("(p.'end' is null and countdown > 0))") << QStringLiteral("and activityid in (3,5)")
                        << QStringLiteral("and l.memberno > 0");
            query.ExecSQL();
            transaction.Commit();
            std::printf("%d %s\n", id, name.toUtf8().constData());
            std::fflush(stdout);
        }
    } catch (const EDatabaseError& e) {
        std::fprintf(stderr, "%s\n", e.Message().toUtf8().constData());
        return 1;
    }
    return 0;
}
