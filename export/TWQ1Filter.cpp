#include "TWQ1Filter.h"

#include <algorithm>

QByteArray TWQ1Filter::BeginningOfFile() const
{
    return QByteArray("\x00\x00\x02\x00\x20\x51", 6);
}

QString TWQ1Filter::SheetName() const
{
    return QStringLiteral("a Quattro worksheet");
}

void TWQ1Filter::AppendLabel(TByteBuffer& out, QByteArrayView text) const
{
    const QByteArrayView label = text.first(std::min<qsizetype>(text.size(), MaxLabelLength));
    out.Append('\'');
    out.Append(char(label.size()));
    out.Append(label);
}
