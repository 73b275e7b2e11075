#include "TFontLocator.h"

#include <QFile>
#include <QMutex>
#include <fontconfig/fontconfig.h>

namespace {

// Exports may run beside each other; fontconfig's configuration is shared, so every use is serialised.
QMutex& FontconfigLock()
{
    static QMutex lock;
    return lock;
}

FcConfig* Config()
{
    static FcConfig* const config = FcInitLoadConfigAndFonts();
    return config;
}

} // namespace

struct TFontLocator::TCandidate
{
    TFontFace Face;
    FcCharSet* Characters = nullptr; // owned reference
};

TFontLocator::TFontLocator(const TFont& font)
{
    QMutexLocker locker(&FontconfigLock());
    FcConfig* const config = Config();
    if (!config)
        return;
    FcPattern* pattern = FcPatternCreate();
    const QByteArray family = font.Name.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.constData()));
    FcPatternAddInteger(pattern, FC_WEIGHT, font.Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, font.Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(config, pattern, FcFalse, nullptr, &result);
    FcPatternDestroy(pattern);
    if (!sorted)
        return;
    for (int i = 0; i < sorted->nfont; ++i) {
        const FcPattern* candidate = sorted->fonts[i];
        FcChar8* format = nullptr;
        FcChar8* file = nullptr;
        FcCharSet* characters = nullptr;
        int index = 0;
        if (FcPatternGetString(candidate, FC_FONTFORMAT, 0, &format) != FcResultMatch
            || qstrcmp(reinterpret_cast<const char*>(format), "TrueType") != 0
            || FcPatternGetString(candidate, FC_FILE, 0, &file) != FcResultMatch
            || FcPatternGetCharSet(candidate, FC_CHARSET, 0, &characters) != FcResultMatch)
            continue;
        FcPatternGetInteger(candidate, FC_INDEX, 0, &index);
        auto entry = std::make_unique<TCandidate>();
        entry->Face = TFontFace{QFile::decodeName(reinterpret_cast<const char*>(file)), index};
        entry->Characters = FcCharSetCopy(characters);
        m_candidates.push_back(std::move(entry));
    }
    FcFontSetDestroy(sorted);
}

TFontLocator::~TFontLocator()
{
    QMutexLocker locker(&FontconfigLock());
    for (const auto& candidate : m_candidates)
        FcCharSetDestroy(candidate->Characters);
}

const TFontFace* TFontLocator::FaceFor(char32_t character)
{
    auto found = m_found.constFind(character);
    if (found == m_found.cend()) {
        int match = -1;
        QMutexLocker locker(&FontconfigLock());
        for (std::size_t i = 0; i < m_candidates.size() && match < 0; ++i) {
            if (FcCharSetHasChar(m_candidates[i]->Characters, character))
                match = int(i);
        }
        found = m_found.insert(character, match);
    }
    return *found < 0 ? nullptr : &m_candidates[std::size_t(*found)]->Face;
}

const TFontFace* TFontLocator::PrimaryFace() const
{
    return m_candidates.empty() ? nullptr : &m_candidates.front()->Face;
}
