#include "ActivityStatement.h"

namespace {

QStringList JoinLines()
{
    return {
        QStringLiteral("join ckprof p on p.leadid = l.leadno"),
        QStringLiteral("join ckacts a on a.id = p.activityid"),
        QStringLiteral("join subcat s on s.id = l.subcategory"),
    };
}

} // namespace

QString BuildActivityIds(const QList<TActivityItem>& items)
{
    QString ids;
    for (const TActivityItem& item : items) {
        if (item.Checked)
            ids += QString::number(item.Number) + QLatin1Char(',');
    }
    ids.chop(1);
    return ids;
}

bool UsesPeriod(const TActivitySelection& selection)
{
    return selection.Option == moActiveStarting || selection.Option == moExpiring;
}

QString PeriodFromParam()
{
    return QStringLiteral("pfromdate");
}

QString PeriodToParam()
{
    return QStringLiteral("ptodate");
}

QStringList ActivityConditionLines(const TActivitySelection& selection, TDateTime today)
{
    QStringList lines;
    switch (selection.Option) {
    case moAllActive:
    case moActiveStarting:
        lines << QStringLiteral("where (p.'end' > '") + FormatDateTime(QStringLiteral("mm/dd/yyyy"), today)
                + QStringLiteral("' or")
              << QStringLiteral("(p.'end' is null and countdown > 0))");
        break;
    case moBelowZeroSessions:
        lines << QStringLiteral("where countdown < 0");
        break;
    case moZeroSessions:
        lines << QStringLiteral("where countdown = 0 and countrequired = True");
        break;
    case moOneSession:
        lines << QStringLiteral("where countdown = 1");
        break;
    case moTwoSessionsOrLess:
        lines << QStringLiteral("where (countdown = 1 or countdown = 2)");
        break;
    default:
        break;
    }
    if (!selection.ActivityIds.isEmpty())
        lines << QStringLiteral("and activityid in (") + selection.ActivityIds + QStringLiteral(")");
    if (selection.Option == moActiveStarting)
        lines << QStringLiteral("and start >= :%1 and start <= :%2").arg(PeriodFromParam(), PeriodToParam());
    if (selection.Option == moExpiring)
        lines << QStringLiteral("and p.'end' >= :%1 and p.'end' <= :%2").arg(PeriodFromParam(), PeriodToParam());
    if (selection.Member == mfMembersOnly)
        lines << QStringLiteral("and l.memberno > 0");
    else if (selection.Member == mfGuestsOnly)
        lines << QStringLiteral("and l.memberno = 0");
    return lines;
}

QStringList ActivityReportStatement(const TActivitySelection& selection, TDateTime today)
{
    QStringList lines;
    lines << QStringLiteral("select memberno,lastname+', '+firstname as fullname,start,p.'end',countdown,"
                            "description,homephone,s.description as subcatdesc,pymtrate from lead l")
          << JoinLines() << ActivityConditionLines(selection, today);
    if (selection.Option == moExpiring)
        lines << QStringLiteral("order by description,p.'end' ,FullName");
    else
        lines << QStringLiteral("order by description, FullName");
    return lines;
}

QString GroupInsertStatement()
{
    return QStringLiteral("insert into groups (groupname,groups.\"TimeStamp\") values (:pgroupname,:PTimeStamp)");
}

QString NewestGroupStatement()
{
    return QStringLiteral("select max(id) as mid from groups");
}

QStringList GroupMembersStatement(const TActivitySelection& selection, TDateTime today, qint32 groupId)
{
    QStringList lines;
    lines << QStringLiteral("insert into grpdata (leadid,groupid)")
          << QStringLiteral("select distinct(leadid),Cast(") + QString::number(groupId)
                 + QStringLiteral(" as Integer) from lead l")
          << JoinLines() << ActivityConditionLines(selection, today);
    return lines;
}
