#include "DateTime.h"

#include <QLocale>
#include <QSet>
#include <gtest/gtest.h>

// The separator goes into the SQL statements' date literals, which take "/", "-" and "." only.
TEST(DateSeparator, IsTheRegionalOneOnlyWhenItIsSlashDashOrDot)
{
    const struct
    {
        const char* Case;
        QString Format;
        QChar Separator;
    } rows[] = {
        {"United States", QStringLiteral("M/d/yy"), QLatin1Char('/')},
        {"Germany", QStringLiteral("dd.MM.yy"), QLatin1Char('.')},
        {"Netherlands", QStringLiteral("dd-MM-yyyy"), QLatin1Char('-')},
        {"quoted text first", QStringLiteral("'day' d.M.yyyy"), QLatin1Char('.')},
        {"right-to-left marks", QStringLiteral("d\u200F/M\u200F/yyyy"), QLatin1Char('/')},
        {"Arabic comma", QStringLiteral("d\u060CM\u060Cyyyy"), QLatin1Char('/')},
        {"blanks only", QStringLiteral("d MMM yyyy"), QLatin1Char('/')},
        {"colon", QStringLiteral("d:M:yyyy"), QLatin1Char('/')},
        {"empty", QString(), QLatin1Char('/')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Case);
        EXPECT_EQ(DateSeparatorOf(row.Format), row.Separator);
    }

    // Whatever region the computer is set to.
    QSet<QChar> separators;
    for (const QLocale& locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory))
        separators.insert(DateSeparatorOf(locale.dateFormat(QLocale::ShortFormat)));
    EXPECT_TRUE(separators.contains(QLatin1Char('/')));
    separators.subtract({QLatin1Char('/'), QLatin1Char('-'), QLatin1Char('.')});
    EXPECT_TRUE(separators.isEmpty());
}
