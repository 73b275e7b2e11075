#include "TStatementLines.h"

#include "TQuery.h"
#include "TTransaction.h"

#include <QDate>

namespace {

const QStringList Joins = {QStringLiteral("join ckprof p on p.leadid = l.leadno"),
                           QStringLiteral("join ckacts a on a.id = p.activityid"),
                           QStringLiteral("join subcat s on s.id = l.subcategory")};

} // namespace

QStringList SmallClubRows()
{
    return {
        QStringLiteral("insert into subcat values (1, 'Adult'), (2, 'Family')"),
        QStringLiteral("insert into ckacts values (3, 'Karate'), (5, 'Yoga'), (7, 'Pilates')"),
        QStringLiteral("insert into lead values (1, 101, 'Adams', 'Amy', '(555) 100-0001', 1), (2, 102, 'Baker', 'Bob', '(555) 100-0002', 2),"
                       " (3, 0, 'Clark', 'Cat', '(555) 100-0003', 1), (4, 104, 'Davis', 'Dan', '(555) 100-0004', 1),"
                       " (5, 105, 'Evans', 'Eve', '(555) 100-0005', 2), (6, 0, 'Foster', 'Fay', '(555) 100-0006', 2)"),
        QStringLiteral("insert into ckprof values (1, 3, '2010-01-10', '2010-06-30', 5, 45, true), (1, 5, '2010-03-01', null, 2, 30, false),"
                       " (2, 3, '2009-05-01', '2010-03-15', 4, 45, true), (3, 5, '2010-02-01', null, 8, 30, true),"
                       " (4, 5, '2009-01-01', null, 0, 30, true), (5, 7, '2010-03-10', null, 10, 50, false),"
                       " (5, 3, '2010-03-05', '2010-12-31', -2, 45, false), (2, 5, '2010-02-20', '2010-03-31', 1, 30, true),"
                       " (4, 3, '2010-03-20', null, 2, 45, true), (6, 7, '2009-11-01', '2010-03-01', 0, 50, false),"
                       " (6, 3, '2010-03-31', null, -1, 45, true), (3, 7, '2010-03-31', '2011-01-01', 1, 50, true),"
                       " (4, 7, '2010-04-01', null, 0, 50, false), (1, 7, '2010-02-28', '2010-03-16', -3, 50.5, false)"),
    };
}

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
    TTransaction transaction(QStringLiteral("Brelmdata"), {QStringLiteral("groups")});
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
