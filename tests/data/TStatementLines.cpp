#include "TStatementLines.h"

#include "TQuery.h"
#include "TTransaction.h"

#include <QDate>

namespace {

const QStringList Joins = {QStringLiteral("join ckprof p on p.leadid = l.leadno"),
                           QStringLiteral("join ckacts a on a.id = p.activityid"),
                           QStringLiteral("join subcat s on s.id = l.subcategory")};

} // namespace

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

QStringList ReportStatement(int option, const QString& activityIds, int member, const QString& sdate, const QString& edate)
{
    QStringList lines;
    lines << QStringLiteral("select memberno,lastname+', '+firstname as fullname,start,p.'end',countdown,description,homephone,"
                            "s.description as subcatdesc,pymtrate from lead l")
          << Joins << ConditionLines(option, activityIds, member, sdate, edate)
          << (option == 2 ? QStringLiteral("order by description,p.'end' ,FullName") : QStringLiteral("order by description, FullName"));
    return lines;
}

int CreateGroup(const QString& name, const QDateTime& now, int option, const QString& activityIds, int member,
                const std::function<void()>& afterGroupRow)
{
    TTransaction transaction;
    TQuery query;
    query.SQL() << QStringLiteral("insert into groups (groupname,groups.\"TimeStamp\") values (:pgroupname,:PTimeStamp)");
    query.Prepare();
    query.SetParam(QStringLiteral("pgroupname"), name);
    query.SetParam(QStringLiteral("pTimeStamp"), now);
    query.ExecSQL();
    if (afterGroupRow)
        afterGroupRow();

    query.Close();
    query.SQL().clear();
    query.SQL() << QStringLiteral("select max(id) as mid from groups");
    query.Open();
    const int id = query.FieldAsInteger(QStringLiteral("mid"));
    query.Close();

    query.SQL().clear();
    query.SQL() << QStringLiteral("insert into grpdata (leadid,groupid)")
                << QStringLiteral("select distinct(leadid),Cast(%1 as Integer) from lead l").arg(id) << Joins
                << ConditionLines(option, activityIds, member, QStringLiteral("03/01/2010"), QStringLiteral("3/31/2010"));
    query.ExecSQL();
    transaction.Commit();
    return id;
}
