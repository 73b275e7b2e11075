#include "DateTime.h"

#include "EConvertError.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <cmath>

namespace {

// A function, not a namespace-scope object, so that other files' static initialisers can use dates.
QDate DayZero()
{
    return QDate(1899, 12, 30);
}
constexpr double MsecsPerDay = 86400000.0;
// 1 January 0001 and 31 December 9999 as day numbers.
constexpr double FirstDay = -693593.0;
constexpr double LastDay = 2958465.0;

constexpr QLatin1StringView StartShortDateFormat("M/d/yyyy");
constexpr QLatin1Char StartDateSeparator('/');

QString g_shortDateFormat = StartShortDateFormat;
QChar g_dateSeparator = StartDateSeparator;
TClock g_clock;

QString Pad(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// Length of the run of the same letter (case-insensitive) starting at i.
int RunLength(const QString& pattern, int i)
{
    const QChar c = pattern.at(i).toLower();
    int n = 1;
    while (i + n < pattern.size() && pattern.at(i + n).toLower() == c)
        ++n;
    return n;
}

// Every function that takes a value apart checks it first: converting a NaN or a number of days
// beyond the calendar to an integer is undefined.
void CheckDateTime(TDateTime value)
{
    if (!IsValidDateTime(value))
        throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(value, 0, 'g', 17));
}

} // namespace

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month)
{
    static const int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return Days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    result = static_cast<double>(DayZero().daysTo(QDate(year, month, day)));
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result))
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return result;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    CheckDateTime(value);
    const QDate date = ToQDate(value);
    year = date.year();
    month = date.month();
    day = date.day();
}

TDateTime EncodeTime(int hour, int minute, int second, int msec)
{
    return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / MsecsPerDay;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec)
{
    CheckDateTime(value);
    const double fraction = std::fabs(value - std::trunc(value));
    qint64 ms = std::llround(fraction * MsecsPerDay);
    if (ms >= 86400000)
        ms = 86399999;
    hour = int(ms / 3600000);
    minute = int(ms / 60000 % 60);
    second = int(ms / 1000 % 60);
    msec = int(ms % 1000);
}

int DayOfWeek(TDateTime value)
{
    // Day 0 (30 December 1899) was a Saturday. The day is the whole part, also before day 0, where
    // the fraction still counts the time forward from midnight (-1.25 is 29 December 1899, 6:00).
    CheckDateTime(value);
    const qint64 day = static_cast<qint64>(std::trunc(value));
    return int(((day % 7) + 7 + 6) % 7) + 1;
}

TDateTime FromQDate(const QDate& date)
{
    return static_cast<double>(DayZero().daysTo(date));
}

TDateTime FromQDateTime(const QDateTime& dateTime)
{
    const QTime t = dateTime.time();
    return FromQDate(dateTime.date()) + t.msecsSinceStartOfDay() / MsecsPerDay;
}

bool IsValidDateTime(TDateTime value)
{
    // False for NaN, whose comparisons all fail.
    const double day = std::trunc(value);
    return day >= FirstDay && day <= LastDay;
}

QDate ToQDate(TDateTime value)
{
    if (!IsValidDateTime(value))
        return {};
    return DayZero().addDays(static_cast<qint64>(std::trunc(value)));
}

QDateTime ToQDateTime(TDateTime value)
{
    if (!IsValidDateTime(value))
        return {};
    int h = 0, n = 0, s = 0, ms = 0;
    DecodeTime(value, h, n, s, ms);
    return QDateTime(ToQDate(value), QTime(h, n, s, ms));
}

void SetClock(TClock clock)
{
    g_clock = std::move(clock);
}

TDateTime Now()
{
    return FromQDateTime(g_clock ? g_clock() : QDateTime::currentDateTime());
}

TDateTime Date()
{
    return std::trunc(Now());
}

QString FormatDateTime(const QString& pattern, TDateTime value)
{
    int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, ms = 0;
    DecodeDate(value, y, m, d);
    DecodeTime(value, h, n, s, ms);
    QString out;
    for (int i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        const QChar lc = c.toLower();
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const int close = pattern.indexOf(c, i + 1);
            const int end = close < 0 ? pattern.size() : close;
            out += pattern.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (c == QLatin1Char('/')) {
            out += DateSeparator();
            ++i;
            continue;
        }
        const int run = RunLength(pattern, i);
        if (lc == QLatin1Char('d')) {
            if (run == 1) out += QString::number(d);
            else if (run == 2) out += Pad(d, 2);
            else if (run == 3) out += ShortDayName(DayOfWeek(value));
            else out += LongDayName(DayOfWeek(value));
        } else if (lc == QLatin1Char('m')) {
            if (run == 1) out += QString::number(m);
            else if (run == 2) out += Pad(m, 2);
            else if (run == 3) out += ShortMonthName(m);
            else out += LongMonthName(m);
        } else if (lc == QLatin1Char('y')) {
            out += run <= 2 ? Pad(y % 100, 2) : Pad(y, 4);
        } else if (lc == QLatin1Char('h')) {
            out += run == 1 ? QString::number(h) : Pad(h, 2);
        } else if (lc == QLatin1Char('n')) {
            out += run == 1 ? QString::number(n) : Pad(n, 2);
        } else if (lc == QLatin1Char('s')) {
            out += run == 1 ? QString::number(s) : Pad(s, 2);
        } else if (lc == QLatin1Char('z')) {
            out += run < 3 ? QString::number(ms) : Pad(ms, 3);
        } else {
            out += pattern.mid(i, run);
        }
        i += run;
    }
    return out;
}

QString ShortDateFormat()
{
    return g_shortDateFormat;
}

void SetShortDateFormat(const QString& pattern)
{
    g_shortDateFormat = pattern;
}

QChar DateSeparator()
{
    return g_dateSeparator;
}

void SetDateSeparator(QChar separator)
{
    g_dateSeparator = separator;
}

void ResetDateSettings()
{
    g_clock = {};
    g_shortDateFormat = StartShortDateFormat;
    g_dateSeparator = StartDateSeparator;
}

QChar DateSeparatorOf(const QString& shortDateFormat)
{
    // Invisible marks (the right-to-left mark of Arabic formats) are not separators; a separator other
    // than these three would reach the SQL statements inside date literals, which take only these.
    for (const QChar c : shortDateFormat) {
        if (c.isLetter() || c.isSpace() || c == QLatin1Char('\'') || c.category() == QChar::Other_Format)
            continue;
        if (c == QLatin1Char('/') || c == QLatin1Char('-') || c == QLatin1Char('.'))
            return c;
        break;
    }
    return QLatin1Char('/');
}

QChar SystemDateSeparator()
{
    return DateSeparatorOf(QLocale::system().dateFormat(QLocale::ShortFormat));
}

QString DateToStr(TDateTime value)
{
    return FormatDateTime(g_shortDateFormat, value);
}

QString LongMonthName(int month)
{
    return QLocale().monthName(month, QLocale::LongFormat);
}

QString ShortMonthName(int month)
{
    return QLocale().monthName(month, QLocale::ShortFormat);
}

QString LongDayName(int weekday)
{
    // Qt counts Monday = 1 … Sunday = 7.
    return QLocale().dayName(weekday == 1 ? 7 : weekday - 1, QLocale::LongFormat);
}

QString ShortDayName(int weekday)
{
    return QLocale().dayName(weekday == 1 ? 7 : weekday - 1, QLocale::ShortFormat);
}
