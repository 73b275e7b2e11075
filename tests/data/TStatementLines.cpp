#include "TStatementLines.h"

#include <QDate>

QStringList ConditionLines(int option, const QString& activityIds, int member, const QString& sdate, const QString& edate)
{
    QStringList lines;
    const QString today = QDate(2010, 3, 15).toString(QStringLiteral("MM/dd/yyyy"));
    switch (option) {
    case 0:
    case 1:
        lines << QStringLiteral("where (p.'end' > '") + today + QStringLiteral("' or")
              << QStringLiteral("(p.'end' is null and countdown > 0))");
        break;
    case 3:
        lines << QStringLiteral("where countdown < 0");
        break;
    case 4:
        lines << QStringLiteral("where countdown = 0 and countrequired = True");
        break;
    case 5:
        lines << QStringLiteral("where countdown = 1");
        break;
    case 6:
        lines << QStringLiteral("where (countdown = 1 or countdown = 2)");
        break;
    default:
        break;
    }
    if (!activityIds.isEmpty())
        lines << QStringLiteral("and activityid in (") + activityIds + QStringLiteral(")");
    if (option == 1)
        lines << QStringLiteral("and start >= '") + sdate + QStringLiteral("' and start <= '") + edate + QStringLiteral("'");
    if (option == 2)
        lines << QStringLiteral("and p.'end' >= '") + sdate + QStringLiteral("' and p.'end' <= '") + edate + QStringLiteral("'");
    if (member == 1)
        lines << QStringLiteral("and l.memberno > 0");
    else if (member == 2)
        lines << QStringLiteral("and l.memberno = 0");
    return lines;
}
