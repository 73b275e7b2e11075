#pragma once
#include "TExtraFilter.h"
#include "TFont.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <vector>

enum TPageElementKind : quint8 { pkText, pkLine };

// One positioned element of a laid-out page, in tenths of a millimetre from the paper's top-left
// corner. Kept small because a long report holds millions of them: the text lives in the page's
// shared buffer and the font is an index into the document's font table.
struct TPageElement
{
    float Left = 0;
    float Top = 0;
    float Width = 0;  // text: measured width (or the fixed box); line: length
    float Height = 0; // text: line height; line: pen width
    quint32 TextStart = 0;
    quint32 TextLength = 0; // UTF-8 bytes
    quint16 Font = 0;
    TPageElementKind Kind = pkText;
    quint8 Alignment = taLeftJustify;
    TColor Background = clWhite;

    // The x the export filters expect: left edge, right edge or centre after the alignment.
    double AnchorX() const;
};

// The elements of one page in printing order.
class TReportPage
{
public:
    explicit TReportPage(int number = 0) : m_number(number) {}

    int Number() const { return m_number; }
    void SetNumber(int number) { m_number = number; }

    void AddText(float left, float top, float width, float height, quint16 font, TAlignment alignment,
                 TColor background, const QString& text);
    void AddLine(float left, float top, float width, float penWidth);

    const std::vector<TPageElement>& Elements() const { return m_elements; }
    QString Text(const TPageElement& element) const;
    bool HasText() const;
    bool IsEmpty() const { return m_elements.empty(); }
    // Room for a page of about this size, so filling it does not reallocate.
    void Reserve(size_t elements, qsizetype textBytes);
    // Gives back spare capacity once the page is complete.
    void Squeeze();

    // For the saved-report format.
    const QByteArray& TextBuffer() const { return m_text; }
    void Assign(std::vector<TPageElement> elements, QByteArray text);

private:
    int m_number = 0;
    std::vector<TPageElement> m_elements;
    QByteArray m_text;
};
