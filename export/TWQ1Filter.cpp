#include "TWQ1Filter.h"

QByteArray TWQ1Filter::BeginningOfFile() const
{
    return QByteArray("\x00\x00\x02\x00\x20\x51", 6);
}

QString TWQ1Filter::SheetName() const
{
    return QStringLiteral("a Quattro worksheet");
}

QByteArray TWQ1Filter::LabelBytes(const QByteArray& text) const
{
    const QByteArray label = text.left(MaxLabelLength);
    return '\'' + (char(label.size()) + label);
}
