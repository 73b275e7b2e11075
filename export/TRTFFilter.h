#pragma once
// Saves a report as one Rich Text Format document: a paragraph of exact height per report row, tab
// stops for the horizontal positions, empty paragraphs for vertical gaps and a page break per page.
// The body is spooled to Body because the font and colour tables are known only at the end.
#include "TByteBuffer.h"
#include "TExtraFilter.h"

#include <QHash>
#include <QList>
#include <QStringList>

class TRTFFilter : public TExtraFilter
{
public:
    explicit TRTFFilter(const QString& fileName);

    QString Description() const override;
    QString FileExtension() const override;
    QString DisplayName() const override;

    // Text as it may stand in a document: backslash and braces escaped, each line break (CR LF, or a
    // lone CR or LF) as one blank, so the rest of the row stays at its tab stops; characters of code
    // page 1252 above 127 as "\'hh", every other character as a Unicode escape (backslash, "u", the
    // signed 16-bit code unit) followed by the nearest code-page-1252 letter for readers without them.
    static void AppendEscaped(QByteArray& out, const QString& text);
    static void AppendEscaped(TByteBuffer& out, const QString& text);

protected:
    void WriteBand(TReportBand& band) override;
    void BeginPageOutput() override;
    void EndPageOutput() override;
    void BeginDocument() override;
    void EndDocument() override;

    // Index of the font in FontTable (names compared without regard to case), added if new.
    QByteArray FontIndex(const QString& name);
    // Index of the colour in the document's colour table, added if new; 0 is the automatic colour.
    QByteArray ColorIndex(TColor color);

    QString DefaultFontName;
    int DefaultFontSize = 12;
    qint32 CurrentY = 0; // twips from the top of the paper filled so far on this page
    qint32 TopMargin = 0;
    qint32 BottomMargin = 0;
    qint32 LeftMargin = 0;
    qint32 RightMargin = 0;
    QStringList FontTable;
    QList<QByteArray> ColorTable; // RtfColorKey of each colour

private:
    QHash<QByteArray, int> m_colorIndexes;
    QString m_lastFontName;
    QByteArray m_lastFontIndex;
    // The page so far, handed to Body when it is complete; the tab stops and the text of one item.
    TByteBuffer m_page;
    TByteBuffer m_tabs;
    TByteBuffer m_item;
};
