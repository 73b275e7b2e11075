#include "TXlsxRowWriter.h"

#include "EExportError.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <unistd.h>
#include <xlsxwriter.h>

namespace {

// Column widths in characters: room for the header's filter button, and a cap so one long text
// does not push the other columns off the screen.
constexpr int FilterButtonWidth = 3;
constexpr int MinimumWidth = 6;
constexpr int MaximumWidth = 60;
// Grouping separators and the currency sign an amount shows beyond its plain text.
constexpr int CurrencyExtraWidth = 3;

const QDate DayZero(1899, 12, 30);

// An amount in the system's currency, with the sign before or after the number as the locale
// writes it. Number formats always use "." and "," themselves; the reader localises them.
QByteArray CurrencyFormat()
{
    const QLocale locale;
    const QString symbol = locale.currencySymbol(QLocale::CurrencySymbol);
    if (symbol.isEmpty())
        return "#,##0.00";
    const QByteArray quoted = '"' + symbol.toUtf8().replace('"', "") + '"';
    const bool before = locale.toCurrencyString(1.0).startsWith(symbol);
    const QByteArray positive = before ? quoted + "#,##0.00" : "#,##0.00 " + quoted;
    return positive + ";-" + positive;
}

// The cell's date when a spreadsheet can hold it as one.
bool ToSheetDate(double dayNumber, lxw_datetime& result)
{
    const QDate date = DayZero.addDays(qint64(dayNumber));
    if (!date.isValid() || date.year() < 1900 || date.year() > 9999)
        return false;
    result = lxw_datetime{date.year(), date.month(), date.day(), 0, 0, 0};
    return true;
}

// Readers take "_xHHHH_" in a text for the character it names (the library writes control characters
// that way), so such a sequence that is part of the text itself gets its underscore escaped.
QString EscapeCharacterNames(const QString& text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression name(QStringLiteral("_(x[0-9A-Fa-f]{4}_)"));
    return QString(text).replace(name, QStringLiteral("_x005F_\\1"));
}

// A line break in a cell is a line feed alone, as spreadsheet programs write it: the library would
// write a carriage return as "_x000D_", which readers show as it stands.
QString CellText(const QString& text)
{
    if (!text.contains(QLatin1Char('\r')))
        return text;
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

// The library prints each failure on stderr besides returning it, and the program's own message already
// names the file and the reason. So stderr becomes a stream that passes everything on to the file
// descriptor, except what a thread writes while it calls the library: the other threads' messages
// (the progress line among them) pass as before.
thread_local int t_libraryCalls = 0;

ssize_t PassOn(void*, const char* data, size_t size)
{
    if (t_libraryCalls > 0)
        return ssize_t(size);
    const int savedErrno = errno; // the library's caller reads errno after a failure
    size_t done = 0;
    while (done < size) {
        const ssize_t written = ::write(STDERR_FILENO, data + done, size - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            break;
        done += size_t(written);
    }
    errno = savedErrno;
    return done > 0 ? ssize_t(done) : -1;
}

void RouteStandardError()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const cookie_io_functions_t functions = {nullptr, PassOn, nullptr, nullptr};
        if (FILE* routed = ::fopencookie(nullptr, "w", functions)) {
            std::setvbuf(routed, nullptr, _IONBF, 0);
            std::fflush(stderr);
            stderr = routed; // the C library allows it: stderr is a variable
        }
    });
}

// Keeps the library's lines from stderr while it lives, on this thread only.
class TLibraryCall
{
public:
    TLibraryCall() { ++t_libraryCalls; }
    ~TLibraryCall() { --t_libraryCalls; }
    TLibraryCall(const TLibraryCall&) = delete;
    TLibraryCall& operator=(const TLibraryCall&) = delete;
};

// Whether a spreadsheet's number holds the cell's value as it is: not an infinite one (a reader would
// take the file for damaged) nor an integer a double rounds to another.
bool HoldsAsNumber(const TRowCell& cell)
{
    constexpr double ExactIntegers = 9007199254740992.0; // 2^53
    if (!std::isfinite(cell.Number))
        return false;
    return cell.Kind != ckInteger || std::abs(cell.Number) < ExactIntegers;
}

int TextWidth(const TRowCell& cell)
{
    const int width = int(cell.Text.size()) + 1;
    return cell.Kind == ckCurrency ? width + CurrencyExtraWidth : width;
}

} // namespace

TXlsxRowWriter::TXlsxRowWriter(const QString& fileName) : m_file(fileName)
{
    RouteStandardError();
}

TXlsxRowWriter::~TXlsxRowWriter()
{
    const TLibraryCall call;
    // An unfinished workbook is dropped without writing it; the output file discards itself.
    if (m_workbook)
        lxw_workbook_free(m_workbook);
}

void TXlsxRowWriter::Fail(const QString& reason) const
{
    throw EExportError::CannotWrite(m_file.TargetPath(), reason);
}

void TXlsxRowWriter::Check(int error) const
{
    if (error != LXW_NO_ERROR)
        Fail(QString::fromUtf8(lxw_strerror(lxw_error(error))));
}

void TXlsxRowWriter::Start(const TRowTable& table)
{
    const TLibraryCall call;
    m_table = table;
    m_file.Open();
    m_folder = QFile::encodeName(QFileInfo(m_file.TargetPath()).absolutePath());
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m_folder.data();
    m_workbook = workbook_new_opt(QFile::encodeName(m_file.TemporaryPath()).constData(), &options);
    if (!m_workbook)
        Fail(QStringLiteral("The workbook cannot be created."));

    m_bold = workbook_add_format(m_workbook);
    m_date = workbook_add_format(m_workbook);
    m_currency = workbook_add_format(m_workbook);
    if (!m_bold || !m_date || !m_currency)
        Fail(QString::fromUtf8(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED)));
    format_set_bold(m_bold);
    format_set_num_format(m_date, "m/d/yyyy");
    format_set_num_format(m_currency, CurrencyFormat().constData());

    m_title = table.Title.toUtf8();
    m_company = table.Company.toUtf8();
    lxw_doc_properties properties = {};
    properties.title = m_title.data();
    properties.company = m_company.data();
    if (m_created.isValid())
        properties.created = time_t(m_created.toSecsSinceEpoch());
    Check(workbook_set_properties(m_workbook, &properties));

    m_widths.clear();
    for (const QString& heading : table.Headings)
        m_widths.append(int(heading.size()) + 1 + FilterButtonWidth);
    AddDataSheet();
}

lxw_worksheet* TXlsxRowWriter::AddSheet(const QString& name)
{
    lxw_worksheet* sheet = workbook_add_worksheet(m_workbook, name.toUtf8().constData());
    if (!sheet)
        Fail(QStringLiteral("The sheet \"%1\" cannot be added.").arg(name));
    return sheet;
}

void TXlsxRowWriter::WriteText(lxw_worksheet* sheet, int row, int column, const QString& text, lxw_format* format)
{
    // Written as a string cell, which no reader evaluates, whatever the text begins with.
    m_utf8 = EscapeCharacterNames(CellText(text)).toUtf8();
    Check(worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column), m_utf8.constData(), format));
}

void TXlsxRowWriter::AddDataSheet()
{
    ++m_sheetCount;
    const QString name = m_sheetCount == 1 ? m_table.SheetName
                                           : QStringLiteral("%1 (%2)").arg(m_table.SheetName).arg(m_sheetCount);
    m_sheet = AddSheet(name);
    for (int column = 0; column < m_table.Headings.size(); ++column)
        WriteText(m_sheet, 0, column, m_table.Headings[column], m_bold);
    worksheet_freeze_panes(m_sheet, 1, 0);
    m_sheetRows = 0;
}

void TXlsxRowWriter::SetWidths(lxw_worksheet* sheet, const QList<int>& widths)
{
    for (int column = 0; column < widths.size(); ++column) {
        const int width = std::clamp(widths[column], MinimumWidth, MaximumWidth);
        Check(worksheet_set_column(sheet, lxw_col_t(column), lxw_col_t(column), width, nullptr));
    }
}

// The filter range and the widths are written with the sheet, so they can be set once its rows are known.
void TXlsxRowWriter::CloseDataSheet()
{
    if (!m_table.Headings.isEmpty())
        Check(worksheet_autofilter(m_sheet, 0, 0, lxw_row_t(m_sheetRows), lxw_col_t(m_table.Headings.size() - 1)));
    SetWidths(m_sheet, m_widths);
}

void TXlsxRowWriter::WriteRow(const QList<TRowCell>& cells)
{
    const TLibraryCall call;
    if (m_sheetRows >= m_maxDataRows) {
        CloseDataSheet();
        AddDataSheet();
    }
    const lxw_row_t row = lxw_row_t(++m_sheetRows);
    for (int column = 0; column < cells.size(); ++column) {
        const TRowCell& cell = cells[column];
        const lxw_col_t col = lxw_col_t(column);
        lxw_datetime date;
        switch (cell.Kind) {
        case ckEmpty: continue;
        case ckText: WriteText(m_sheet, int(row), column, cell.Text, nullptr); break;
        case ckInteger:
        case ckNumber:
        case ckCurrency:
            if (HoldsAsNumber(cell))
                Check(worksheet_write_number(m_sheet, row, col, cell.Number, cell.Kind == ckCurrency ? m_currency : nullptr));
            else
                WriteText(m_sheet, int(row), column, cell.Text, nullptr);
            break;
        case ckDate:
            if (ToSheetDate(cell.Number, date))
                Check(worksheet_write_datetime(m_sheet, row, col, &date, m_date));
            else
                WriteText(m_sheet, int(row), column, cell.Text, nullptr);
            break;
        }
        if (column < m_widths.size())
            m_widths[column] = std::max(m_widths[column], TextWidth(cell));
    }
}

void TXlsxRowWriter::WriteCounts(const TRowCounts& counts)
{
    lxw_worksheet* sheet = AddSheet(counts.SheetName);
    QList<int> widths = {int(counts.GroupHeading.size()), int(counts.CountHeading.size())};
    WriteText(sheet, 0, 0, counts.GroupHeading, m_bold);
    WriteText(sheet, 0, 1, counts.CountHeading, m_bold);
    int row = 0;
    for (const auto& [group, count] : counts.Groups) {
        ++row;
        if (!group.isEmpty())
            WriteText(sheet, row, 0, group, nullptr);
        Check(worksheet_write_number(sheet, lxw_row_t(row), 1, double(count), nullptr));
        widths[0] = std::max(widths[0], int(group.size()));
    }
    ++row;
    WriteText(sheet, row, 0, counts.TotalLabel, m_bold);
    Check(worksheet_write_number(sheet, lxw_row_t(row), 1, double(counts.Total), m_bold));
    widths[0] = std::max(widths[0], int(counts.TotalLabel.size()));
    for (int& width : widths)
        width += 2;
    SetWidths(sheet, widths);
}

void TXlsxRowWriter::Finish(const TRowCounts& counts)
{
    const TLibraryCall call;
    CloseDataSheet();
    WriteCounts(counts);
    // Closing writes the whole package and frees the workbook, whether it succeeds or not.
    lxw_workbook* workbook = m_workbook;
    m_workbook = nullptr;
    errno = 0;
    const lxw_error error = workbook_close(workbook);
    if (error != LXW_NO_ERROR) {
        QString reason = QString::fromUtf8(lxw_strerror(error));
        if (errno != 0)
            reason += QLatin1Char(' ') + SystemReason(errno);
        Fail(reason);
    }
    m_file.Commit();
}
