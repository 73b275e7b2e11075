#pragma once
// Reads back a workbook the program wrote, independently of the library that wrote it: the zip
// container through zlib, the parts through QXmlStreamReader. Only what the tests look at is read.
#include <QHash>
#include <QList>
#include <QString>

struct TXlsxCell
{
    QString Type;         // the cell's t attribute: "inlineStr", "s", "str", "b" or "" for a number
    QString Value;        // the text of a string cell (character names decoded), else the stored value
    bool Formula = false; // the cell holds a formula
    QString NumberFormat; // the format code of the cell's style; empty for General
    bool Bold = false;
};

struct TXlsxSheet
{
    QString Name;
    QHash<QString, TXlsxCell> Cells; // by reference, "B2"
    int LastRow = 0;                 // 1-based row of the last cell
    QString FrozenTopLeft;           // the first cell below a frozen pane, empty without one
    QString AutoFilter;              // the autofilter's range, "A1:I6"
    QHash<int, double> Widths;       // by 1-based column

    // An absent cell reads as a cell without type or value.
    TXlsxCell Cell(const QString& reference) const { return Cells.value(reference); }
};

struct TXlsxContent
{
    QList<TXlsxSheet> Sheets;
    QString Title;
    QString Company;
    QString Error; // empty when the file read back
};

TXlsxContent ReadXlsx(const QString& fileName);
