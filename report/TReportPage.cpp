#include "TReportPage.h"

#include "Utf8Append.h"

#include <algorithm>

double TPageElement::AnchorX() const
{
    switch (Alignment) {
    case taRightJustify:
        return double(Left) + double(Width);
    case taCenter:
        return double(Left) + double(Width) / 2.0;
    default:
        return Left;
    }
}

void TReportPage::AddText(float left, float top, float width, float height, quint16 font,
                          TAlignment alignment, TColor background, const QString& text)
{
    TPageElement element;
    element.Left = left;
    element.Top = top;
    element.Width = width;
    element.Height = height;
    element.Font = font;
    element.Kind = pkText;
    element.Alignment = alignment;
    element.Background = background;
    element.TextStart = quint32(m_text.size());
    element.TextLength = quint32(AppendUtf8(m_text, text));
    m_elements.push_back(element);
}

void TReportPage::AddLine(float left, float top, float width, float penWidth)
{
    TPageElement element;
    element.Left = left;
    element.Top = top;
    element.Width = width;
    element.Height = penWidth;
    element.Kind = pkLine;
    m_elements.push_back(element);
}

QString TReportPage::Text(const TPageElement& element) const
{
    if (element.Kind != pkText)
        return {};
    return QString::fromUtf8(m_text.constData() + element.TextStart, element.TextLength);
}

bool TReportPage::HasText() const
{
    return std::any_of(m_elements.begin(), m_elements.end(),
                       [](const TPageElement& e) { return e.Kind == pkText; });
}

void TReportPage::Reserve(size_t elements, qsizetype textBytes)
{
    m_elements.reserve(elements);
    m_text.reserve(textBytes);
}

void TReportPage::Squeeze()
{
    m_elements.shrink_to_fit();
    m_text.squeeze();
}

void TReportPage::Assign(std::vector<TPageElement> elements, QByteArray text)
{
    m_elements = std::move(elements);
    m_text = std::move(text);
}
