// The manual page is written by hand; these tests hold it to what the program prints and accepts, so
// a new option, exit code or export format cannot ship undocumented.
#include "ExtraFilters.h"
#include "RowFormats.h"
#include "TCommandLine.h"
#include "TFilterLibrary.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

// The page's source with the escapes that split names taken out: "\-\-alias\-file" reads
// "--alias-file", "\fBXLS\fR" reads "XLS".
QString ManualPage()
{
    QFile file(QStringLiteral(ACTIVITYREP_MANPAGE));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    text.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
    return text;
}

// One section of the page: from its ".SH" line to the next.
QString Section(const QString& page, const QString& heading)
{
    const qsizetype start = page.indexOf(QStringLiteral(".SH ") + heading + QLatin1Char('\n'));
    if (start < 0)
        return {};
    const qsizetype end = page.indexOf(QStringLiteral("\n.SH "), start + 1);
    return page.mid(start, end < 0 ? -1 : end - start);
}

// Every "--name" and "-x" standing alone, not inside words such as "two-digit".
QSet<QString> Options(const QString& text)
{
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])(--[a-z][a-z0-9-]*|-[a-z])(?![\\w-])"));
    QSet<QString> options;
    for (const QRegularExpressionMatch& match : option.globalMatch(text))
        options.insert(match.captured(1));
    return options;
}

// The numbers captured by the pattern's first group.
QSet<int> Numbers(const QString& text, const QRegularExpression& pattern)
{
    QSet<int> numbers;
    for (const QRegularExpressionMatch& match : pattern.globalMatch(text))
        numbers.insert(match.captured(1).toInt());
    return numbers;
}

QString Joined(const QSet<QString>& names)
{
    QStringList list(names.begin(), names.end());
    list.sort();
    return list.join(QStringLiteral(", "));
}

} // namespace

TEST(ManualPage, DocumentsEveryOptionTheHelpPrintsAndNoneThatIsGone)
{
    const QString page = ManualPage();
    ASSERT_FALSE(page.isEmpty()) << "cannot read " << ACTIVITYREP_MANPAGE;
    const QSet<QString> documented = Options(page);
    const QSet<QString> printed = Options(UsageText());
    ASSERT_TRUE(printed.contains(QStringLiteral("--alias-file")) && printed.contains(QStringLiteral("--version")));

    EXPECT_TRUE((printed - documented).isEmpty()) << "not in the manual page: " << Joined(printed - documented).toStdString();
    for (const QString& option : documented) {
        try {
            ParseCommandLine({option, QStringLiteral("1")});
        } catch (const TUsageError& error) {
            EXPECT_FALSE(error.Message.startsWith(QStringLiteral("Unknown option")))
                << "the manual page documents " << option.toStdString() << ", which the program does not know";
        }
    }
}

TEST(ManualPage, ListsTheExitCodesOfTheHelp)
{
    const QString usage = UsageText();
    const QSet<int> printed = Numbers(usage.mid(usage.indexOf(QStringLiteral("Exit codes:"))),
                                      QRegularExpression(QStringLiteral("(?:codes:|;)\\s*(\\d+) ")));
    const QSet<int> documented = Numbers(Section(ManualPage(), QStringLiteral("EXIT STATUS")),
                                         QRegularExpression(QStringLiteral("^\\.B (\\d+)$"),
                                                            QRegularExpression::MultilineOption));
    EXPECT_EQ(printed.size(), 6);
    EXPECT_EQ(documented, printed);
}

TEST(ManualPage, DescribesEveryExportFormat)
{
    RegisterExtraFilters();
    const QString formats = Section(ManualPage(), QStringLiteral("FORMATS"));
    ASSERT_FALSE(FilterLibrary().Entries().isEmpty());
    QList<QPair<QString, QString>> names; // display name, extension
    for (const TFilterEntry& entry : FilterLibrary().Entries())
        names.append({entry.DisplayName, entry.FileExtension});
    for (const TRowFormat& format : RowFormats())
        names.append({format.DisplayName, format.FileExtension.toUpper()});
    for (const auto& [displayName, extension] : names) {
        EXPECT_TRUE(formats.contains(QStringLiteral("\\(lq%1\\(rq").arg(displayName))) << displayName.toStdString();
        EXPECT_TRUE(formats.contains(QRegularExpression(QStringLiteral("^\\.BR? %1\\b").arg(extension),
                                                        QRegularExpression::MultilineOption)))
            << extension.toStdString();
    }
}
