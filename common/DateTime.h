#pragma once
// Date values as the suite stores them: a day number counted from 30 December 1899 whose fraction is
// the time of day. Also the program-wide short date format and date separator, and the one clock that
// "today" comes from, so tests can pin it.
#include <QString>
#include <functional>

class QDate;
class QDateTime;

using TDateTime = double;

// Gregorian calendar, 1 January 0001 to 31 December 9999; EncodeDate throws EConvertError for a day
// that does not exist.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// 1 = Sunday … 7 = Saturday, from the whole part.
int DayOfWeek(TDateTime value);

// A value whose whole part is a day of the calendar above. Any other (NaN, an infinity, a number
// of days beyond it) is no date: ToQDate and ToQDateTime give an invalid value for it, and
// DecodeDate, DecodeTime, DayOfWeek, FormatDateTime and DateToStr throw EConvertError.
bool IsValidDateTime(TDateTime value);

TDateTime FromQDate(const QDate& date);
TDateTime FromQDateTime(const QDateTime& dateTime);
QDate ToQDate(TDateTime value);
QDateTime ToQDateTime(TDateTime value);

// The clock: Now() and Date() (today without time) read it; tests replace it.
using TClock = std::function<QDateTime()>;
void SetClock(TClock clock); // an empty function restores the system clock
TDateTime Now();
TDateTime Date();

// Patterns are read without regard to letter case: d dd ddd dddd, m mm mmm mmmm, yy yyyy,
// h hh, n nn (minutes), s ss, z zzz; "/" stands for the date separator, ":" for itself,
// text in single or double quotes is copied.
QString FormatDateTime(const QString& pattern, TDateTime value);

// The program-wide short date format ("M/d/yyyy" once start-up fixes it) and the date separator.
QString ShortDateFormat();
void SetShortDateFormat(const QString& pattern);
QChar DateSeparator();
void SetDateSeparator(QChar separator);
// The separator the system's regional settings use: the first separator of their short date format
// when it is "/", "-" or "."; "/" otherwise, and when there is none.
QChar SystemDateSeparator();
QChar DateSeparatorOf(const QString& shortDateFormat);
// The system clock, "M/d/yyyy" and "/" again, as a fresh process has them (tests).
void ResetDateSettings();
// A date as text in the short date format.
QString DateToStr(TDateTime value);

// Full and short month and day names of the regional settings (month 1..12, weekday 1 = Sunday).
QString LongMonthName(int month);
QString ShortMonthName(int month);
QString LongDayName(int weekday);
QString ShortDayName(int weekday);
