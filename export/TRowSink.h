#pragma once
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// What a value of a data row is, as a spreadsheet should hold it.
enum TCellKind : quint8 { ckEmpty, ckText, ckInteger, ckNumber, ckDate, ckCurrency };

// One value of a data row. Number holds integers, numbers, amounts and dates (whole days from
// 30 December 1899); Text is the value as plain text, the same on every system: the text itself,
// integers in decimal, dates as M/D/YYYY, amounts with a decimal point and no currency sign. A number
// no spreadsheet number holds as it is (infinite, or an integer beyond 2^53) is written as its Text.
struct TRowCell
{
    TCellKind Kind = ckEmpty;
    double Number = 0;
    QString Text;
};

// The table a row export writes: its sheet name, its column headings and the document's properties.
struct TRowTable
{
    QString SheetName;
    QStringList Headings;
    QString Title;
    QString Company;
};

// A report's counts as it prints them: one per group in report order, then the total.
struct TRowCounts
{
    QString SheetName;
    QString GroupHeading;
    QString CountHeading;
    QString TotalLabel;
    QList<QPair<QString, qint64>> Groups;
    qint64 Total = 0;
};

// Receives a report's rows in report order and writes them to a file. Nothing appears under the
// file's name before Finish has succeeded; a sink destroyed without it leaves no file behind.
// Failures throw EExportError naming the file and the reason.
class TRowSink
{
public:
    virtual ~TRowSink() = default;
    virtual void Start(const TRowTable& table) = 0;
    // One cell per heading, in the headings' order.
    virtual void WriteRow(const QList<TRowCell>& cells) = 0;
    // Writes the counts where the format has room for them and puts the file in place.
    virtual void Finish(const TRowCounts& counts) = 0;
};
