#pragma once
// A TrueType font set as a composite PDF font (Type0 over a CIDFontType2, Identity-H), for text the
// standard fonts' WinAnsi encoding cannot show. Each character used gets its own two-byte code (CID)
// in order of first use, so the ToUnicode map gives every character back exactly, also where the font
// draws two characters with one glyph. Only the glyphs used are embedded, cut with HarfBuzz's
// subsetter; the CIDToGIDMap leads from the codes to the subset's glyphs.
#include "TFontLocator.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <memory>
#include <vector>

class TByteBuffer;

class TPdfUnicodeFont
{
public:
    // Opens the face; Valid() tells whether it could be read.
    explicit TPdfUnicodeFont(const TFontFace& face);
    ~TPdfUnicodeFont();
    TPdfUnicodeFont(const TPdfUnicodeFont&) = delete;
    TPdfUnicodeFont& operator=(const TPdfUnicodeFont&) = delete;

    bool Valid() const;
    const TFontFace& Face() const { return m_face; }
    bool HasGlyph(char32_t character) const;

    // Appends the character's code as four hex digits and returns its advance in thousandths of the
    // font size. A character without a glyph is drawn as the font's missing-glyph box, but keeps a code
    // of its own, so its text is still found and copied.
    int AppendCode(TByteBuffer& out, char32_t character);

    // The objects of the font, written once the pages are done. `objects` holds the numbers to use,
    // the Type0 font's first, then ObjectCount() - 1 more, in the order of the result.
    static constexpr int ObjectCount = 6;
    QList<QByteArray> Objects(const QList<QByteArray>& objects) const;

private:
    struct TCode
    {
        char32_t Character = 0;
        unsigned Glyph = 0;
        int Advance = 0; // thousandths of the size
    };
    quint16 Code(char32_t character);
    QByteArray SubsetTag() const;
    QByteArray FontFile(std::vector<unsigned>& newGlyphs) const;
    QByteArray ToUnicodeMap() const;

    TFontFace m_face;
    struct THarfBuzz;
    std::unique_ptr<THarfBuzz> m_hb;
    std::vector<TCode> m_codes; // by code - 1
    QHash<char32_t, quint16> m_codeOf;
};
