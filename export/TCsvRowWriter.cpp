#include "TCsvRowWriter.h"

#include "Utf8Append.h"

namespace {

// First characters that make a spreadsheet read a field as a formula.
bool RunsAsFormula(const QString& text)
{
    if (text.isEmpty())
        return false;
    switch (text.front().unicode()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r': return true;
    default: return false;
    }
}

} // namespace

TCsvRowWriter::TCsvRowWriter(const QString& fileName) : m_file(fileName) {}

void TCsvRowWriter::AppendField(QByteArray& line, const TRowCell& cell)
{
    if (cell.Kind == ckEmpty)
        return;
    const bool guarded = cell.Kind == ckText && RunsAsFormula(cell.Text);
    const qsizetype start = line.size();
    AppendUtf8(line, cell.Text);
    const qsizetype end = line.size();
    bool quoted = guarded;
    qsizetype quotes = 0;
    for (const char c : QByteArrayView(line).sliced(start)) {
        if (c == '"')
            ++quotes;
        if (c == ',' || c == '"' || c == '\r' || c == '\n')
            quoted = true;
    }
    if (!quoted)
        return;
    // Quoted where it stands, from the back: the closing quote, the text with its quotes doubled, the
    // apostrophe of a guarded field and the opening quote.
    line.resize(end + 2 + (guarded ? 1 : 0) + quotes);
    char* data = line.data();
    qsizetype to = line.size();
    data[--to] = '"';
    for (qsizetype from = end; from > start;) {
        const char c = data[--from];
        data[--to] = c;
        if (c == '"')
            data[--to] = '"';
    }
    if (guarded)
        data[--to] = '\'';
    data[--to] = '"';
    Q_ASSERT(to == start);
}

void TCsvRowWriter::WriteLine(const QList<TRowCell>& cells)
{
    m_line.clear();
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            m_line.append(',');
        AppendField(m_line, cells[i]);
    }
    m_line.append("\r\n");
    m_file.Write(m_line);
}

void TCsvRowWriter::Start(const TRowTable& table)
{
    m_file.Open();
    m_file.Write("\xEF\xBB\xBF");
    QList<TRowCell> headings;
    for (const QString& heading : table.Headings)
        headings.append(TRowCell{ckText, 0, heading});
    WriteLine(headings);
}

void TCsvRowWriter::WriteRow(const QList<TRowCell>& cells)
{
    WriteLine(cells);
}

void TCsvRowWriter::Finish(const TRowCounts&)
{
    m_file.Commit();
}
