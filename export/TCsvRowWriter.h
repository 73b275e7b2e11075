#pragma once
#include "TRowSink.h"
#include "TStagedFile.h"

// Writes a report's rows as comma-separated values (RFC 4180): UTF-8 with a byte-order mark so that
// spreadsheet programs detect it, CR LF line ends, the headings on the first line. A CSV file holds
// one table, so the counts are not written.
//
// Text that a spreadsheet would run as a formula (it begins with =, +, -, @, a tab or a carriage
// return) is written with an apostrophe in front and in quotes, as the common guidance against formula
// injection advises. Only text values get it: numbers, dates and amounts are written as they are.
class TCsvRowWriter : public TRowSink
{
public:
    explicit TCsvRowWriter(const QString& fileName);

    void Start(const TRowTable& table) override;
    void WriteRow(const QList<TRowCell>& cells) override;
    void Finish(const TRowCounts& counts) override;

    // One cell as a field of a line, UTF-8, quoted where needed.
    static void AppendField(QByteArray& line, const TRowCell& cell);

private:
    void WriteLine(const QList<TRowCell>& cells);

    TStagedFile m_file;
    QByteArray m_line;
};
