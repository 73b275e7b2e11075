#pragma once
// Saves a report as an uncompressed PDF 1.2 file, written strictly front to back: each object is
// written as soon as its content is known and the cross-reference table is assembled at the end.
// Text is set in the standard Type 1 fonts chosen from the label's font name; a label with characters
// their WinAnsi encoding lacks is set in composite fonts that embed the glyphs of installed TrueType
// fonts. Each font's objects are written once, after the last page.
#include "TByteBuffer.h"
#include "TExtraFilter.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class TFontLocator;
class TPdfUnicodeFont;

class TPDFFilter : public TExtraFilter
{
public:
    explicit TPDFFilter(const QString& fileName);
    ~TPDFFilter() override;

    QString Description() const override;
    QString FileExtension() const override;
    QString DisplayName() const override;

    // The creation date of the documents; tests pin it here. An empty function means the system date.
    static void SetToday(std::function<QDate()> today);
    // "Times-Roman", "Helvetica" or "Courier", bold where the font is bold, chosen from the name.
    static QByteArray StandardFontName(const TFont& font);

protected:
    // Writes s and a CR LF, counting the bytes for the offsets and the stream length.
    void WriteText(const QByteArray& s) override;
    void WriteBand(TReportBand& band) override;
    void BeginPageOutput() override;
    void EndPageOutput() override;
    void BeginDocument() override;
    void EndDocument() override;

    // Position of the font's standard font in FontTable, added (with a new object) if new.
    int FontIndex(const TFont& font);

    QList<QByteArray> FontTable;      // base font names in order of first use
    QList<QByteArray> FontObjects;    // their object numbers
    std::vector<std::pair<int, qint64>> XRefEntries; // object number, file offset
    int NextObject = 4;
    int PagesPerGroup = 10;
    int PageCount = 0;
    qint64 StreamLength = 0;
    qint64 FileOffset = 0;
    qint64 XRefOffset = 0;
    qint32 PageWidthPt = 0;
    qint32 PageHeightPt = 0;
    QByteArray ContentsObject;
    QByteArray LengthObject;
    QByteArray ProcSetObject;

    // An intermediate page tree node of up to PagesPerGroup pages.
    struct TPageGroup
    {
        QByteArray Object;
        QList<QByteArray> Pages;
    };
    QList<TPageGroup> PageGroups;

private:
    struct TFontInfo
    {
        TFont Font;
        int Index = 0;
        qint32 Ascent = 0; // whole points from the top of the line to the baseline
        std::shared_ptr<TFontLocator> Locator; // for composite fonts, found on first need
        QHash<char32_t, int> UnicodeFont;      // character -> m_unicodeFonts
    };

    QByteArray AllocateObject();
    void AddXRef(const QByteArray& number);
    TFontInfo& FontInfo(const TFont& font);
    // The composite font (index into m_unicodeFonts) that sets the character for the label font,
    // registered in FontTable on first use.
    int UnicodeFont(TFontInfo& info, char32_t character);
    // The label's text in composite fonts: the string operators after the first Td, and its widest
    // line in points.
    double AppendUnicodeText(TByteBuffer& out, TFontInfo& info, const QString& text);
    void RegisterUnicodeFonts(TFontInfo& info, const QString& text);
    void WriteUnicodeFont(qsizetype tableIndex, const TPdfUnicodeFont& font);
    void Flush();

    std::vector<TFontInfo> m_fonts;
    std::size_t m_lastFont = 0;
    std::vector<const TReportItem*> m_sorted;
    TByteBuffer m_pending; // written lines not yet handed to the file
    TByteBuffer m_unicodeText; // a label's composite-font operators, built before its position
    struct TUnicodeFont
    {
        std::unique_ptr<TPdfUnicodeFont> Font;
        int TableIndex = 0;
    };
    std::vector<TUnicodeFont> m_unicodeFonts;
    QHash<QString, int> m_unicodeFontOfFace; // "file#face" -> m_unicodeFonts
    QHash<QString, std::shared_ptr<TFontLocator>> m_locators; // by family and style
};
