#include "TCsvRowWriter.h"

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

bool NeedsQuotes(const QByteArray& field)
{
    for (const char c : field) {
        if (c == ',' || c == '"' || c == '\r' || c == '\n')
            return true;
    }
    return false;
}

} // namespace

TCsvRowWriter::TCsvRowWriter(const QString& fileName) : m_file(fileName) {}

void TCsvRowWriter::AppendField(QByteArray& line, const TRowCell& cell)
{
    if (cell.Kind == ckEmpty)
        return;
    const bool guarded = cell.Kind == ckText && RunsAsFormula(cell.Text);
    const QByteArray text = cell.Text.toUtf8();
    if (!guarded && !NeedsQuotes(text)) {
        line.append(text);
        return;
    }
    line.append('"');
    if (guarded)
        line.append('\'');
    for (const char c : text) {
        if (c == '"')
            line.append('"');
        line.append(c);
    }
    line.append('"');
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
