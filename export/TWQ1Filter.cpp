#include "TWQ1Filter.h"

QByteArray TWQ1Filter::BeginningOfFile() const
{
    return QByteArray("\x00\x00\x02\x00\x20\x51", 6);
}

QString TWQ1Filter::SheetName() const
{
    return QStringLiteral("a Quattro worksheet");
}

QByteArray TWQ1Filter::LabelRecord(int column, int row, const QByteArray& text) const
{
    const QByteArray label = text.left(MaxLabelLength);
    QByteArray record;
    record.reserve(label.size() + 11);
    record += QByteArray("\x0F\x00", 2);
    AppendInt16(record, int(label.size()) + 7);
    record += '\xFF';
    AppendInt16(record, column);
    AppendInt16(record, row);
    record += '\'';
    record += char(label.size());
    record += label;
    return record;
}
