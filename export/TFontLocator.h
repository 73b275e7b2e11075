#pragma once
// Finds installed TrueType fonts through fontconfig: the one that best matches a label's font and
// has a given character, falling back along fontconfig's order to any font that has it.
#include "TFont.h"

#include <QHash>
#include <QString>
#include <memory>
#include <vector>

// One face of an installed font file.
struct TFontFace
{
    QString File;
    int Index = 0; // face within a collection

    friend bool operator==(const TFontFace&, const TFontFace&) = default;
};

class TFontLocator
{
public:
    // The candidates for the font: its family, weight and slant first, then fontconfig's fallbacks.
    // Only TrueType outlines qualify, as a composite font can embed only those.
    explicit TFontLocator(const TFont& font);
    ~TFontLocator();
    TFontLocator(const TFontLocator&) = delete;
    TFontLocator& operator=(const TFontLocator&) = delete;

    // The first candidate that has a glyph for the character; nullptr when none has. Cached.
    const TFontFace* FaceFor(char32_t character);
    // The best match whatever its characters; nullptr when no TrueType font is installed.
    const TFontFace* PrimaryFace() const;

private:
    struct TCandidate;
    std::vector<std::unique_ptr<TCandidate>> m_candidates;
    QHash<char32_t, int> m_found; // character -> candidate, -1 for none
};
