#pragma once
#include "TWK1Filter.h"

// Writes a report as a Quattro Pro worksheet: the record stream of TWK1Filter with its own
// beginning-of-file record and length-prefixed labels.
class TWQ1Filter : public TWK1Filter
{
public:
    using TWK1Filter::TWK1Filter;

    QString Description() const override { return DisplayName(); }
    QString FileExtension() const override { return QStringLiteral("WQ1"); }
    QString DisplayName() const override { return QStringLiteral("Quattro File"); }

    // The label's length byte holds at most this many bytes; longer texts are cut.
    static constexpr int MaxLabelLength = 255;

protected:
    void AppendLabel(TByteBuffer& out, QByteArrayView text) const override;
    QByteArray BeginningOfFile() const override;
    QString SheetName() const override;
};
