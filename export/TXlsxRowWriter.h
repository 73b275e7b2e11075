#pragma once
#include "TRowSink.h"
#include "TStagedFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// Writes a report's rows as an Office Open XML workbook. The rows stream to disk (the library's
// constant-memory mode), so the workbook's size costs no memory. Each value gets a typed cell: text
// always as text (never read as a formula), numbers as numbers, dates as dates shown M/D/YYYY,
// amounts as currency numbers; an empty value leaves its cell empty. The header row is frozen and
// carries an autofilter over the data, and the columns are as wide as their longest text. A report
// longer than a sheet continues on "Name (2)", "Name (3)" and so on; the counts get a sheet of
// their own after the rows.
class TXlsxRowWriter : public TRowSink
{
public:
    // Data rows a sheet holds below its header row.
    static constexpr int SheetDataRows = 1048575;

    explicit TXlsxRowWriter(const QString& fileName);
    ~TXlsxRowWriter() override;

    // Fewer rows per sheet than a spreadsheet allows, so tests can reach the continuation.
    void SetMaxDataRowsPerSheet(int rows) { m_maxDataRows = rows; }
    // The time the workbook says it was created (else when it is written), so that two workbooks of
    // the same rows can be compared byte for byte. Before Start.
    void SetCreated(const QDateTime& created) { m_created = created; }

    void Start(const TRowTable& table) override;
    void WriteRow(const QList<TRowCell>& cells) override;
    void Finish(const TRowCounts& counts) override;

private:
    [[noreturn]] void Fail(const QString& reason) const;
    void Check(int error) const;
    void AddDataSheet();
    void CloseDataSheet();
    lxw_worksheet* AddSheet(const QString& name);
    void WriteText(lxw_worksheet* sheet, int row, int column, const QString& text, lxw_format* format);
    void SetWidths(lxw_worksheet* sheet, const QList<int>& widths);
    void WriteCounts(const TRowCounts& counts);

    TStagedFile m_file;
    // Strings the library is given live as long as the workbook.
    QByteArray m_folder;      // the library's own temporary files go beside the target
    QByteArray m_title;
    QByteArray m_company;
    QByteArray m_utf8;        // reused for every text cell
    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_bold = nullptr;
    lxw_format* m_date = nullptr;
    lxw_format* m_currency = nullptr;
    TRowTable m_table;
    QList<int> m_widths;      // in characters, the longest text of each column so far
    QDateTime m_created;
    int m_maxDataRows = SheetDataRows;
    int m_sheetRows = 0;      // data rows on the current sheet
    int m_sheetCount = 0;
};
