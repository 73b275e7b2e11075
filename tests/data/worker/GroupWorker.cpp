// One workstation of the concurrency test: creates groups on the alias's club database the way Create
// Group does (insert the group, read max(id) back, insert the members, in one transaction) and prints
// "<id> <name>" for each. Arguments: alias file, name prefix, number of groups, and a pause between
// the statements in milliseconds (a slow workstation, which widens the window for the others).
// It prints "ready" once connected and then creates one group for each line it reads on stdin, so
// the test can start every workstation's next group at the same moment.
#include "EDatabaseError.h"
#include "TSession.h"
#include "TStatementLines.h"
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
        TSession::Instance().Database(QStringLiteral("Brelmdata"));
        std::puts("ready");
        std::fflush(stdout);
        for (int n = 1; n <= args.at(3).toInt(); ++n) {
            char go[8];
            if (!std::fgets(go, sizeof go, stdin))
                return 3;
            const QString name = QStringLiteral("%1 #%2").arg(args.at(2)).arg(n);
            // Active members of Karate and Yoga: Adams, Baker, Davis, Evans.
            const int id = CreateGroup(name, QDateTime(QDate(2010, 3, 15), QTime(12, 0)), 0, QStringLiteral("3,5"), 1,
                                       [pause] { QThread::msleep(pause); });
            std::printf("%d %s\n", id, name.toUtf8().constData());
            std::fflush(stdout);
        }
    } catch (const EDatabaseError& e) {
        std::fprintf(stderr, "%s\n", e.Message().toUtf8().constData());
        return 1;
    }
    return 0;
}
