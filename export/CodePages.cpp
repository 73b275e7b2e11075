#include "CodePages.h"

#include <QList>

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <memory>

namespace {

// 0x80..0x9F of code page 1252; the five unassigned positions pass the C1 control through.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// 0x80..0xFF of code page 437.
constexpr std::array<char16_t, 128> Cp437High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

char16_t Decode1252(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0x9F ? Cp1252High[byte - 0x80] : char16_t(byte);
}

char Encode1252(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return char(unit);
    for (std::size_t i = 0; i < Cp1252High.size(); ++i) {
        if (Cp1252High[i] == unit)
            return char(0x80 + i);
    }
    return '?';
}

std::array<char, 256> Build1252To437()
{
    std::array<char, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        const char16_t unit = Decode1252(static_cast<unsigned char>(byte));
        char mapped = '?';
        if (unit < 0x80) {
            mapped = char(unit);
        } else {
            for (std::size_t i = 0; i < Cp437High.size(); ++i) {
                if (Cp437High[i] == unit) {
                    mapped = char(0x80 + i);
                    break;
                }
            }
        }
        table[std::size_t(byte)] = mapped;
    }
    return table;
}

const std::array<char, 256>& Table1252To437()
{
    static const std::array<char, 256> table = Build1252To437();
    return table;
}

// Transliterators are costly to build and not to be shared between threads: one of each per thread,
// built when first needed.
icu::Transliterator* Transliterator(int which)
{
    static const char* const Ids[] = {"Any-Latin", "Latin-ASCII"};
    thread_local std::unique_ptr<icu::Transliterator> made[2];
    thread_local bool tried[2] = {false, false};
    if (!tried[which]) {
        tried[which] = true;
        UErrorCode status = U_ZERO_ERROR;
        made[which].reset(icu::Transliterator::createInstance(icu::UnicodeString::fromUTF8(Ids[which]), UTRANS_FORWARD,
                                                              status));
        if (U_FAILURE(status))
            made[which].reset();
    }
    return made[which].get();
}

QString Transliterated(int which, const QString& text)
{
    icu::Transliterator* transliterator = Transliterator(which);
    if (!transliterator)
        return text;
    icu::UnicodeString unicode(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
    transliterator->transliterate(unicode);
    return QString(reinterpret_cast<const QChar*>(unicode.getBuffer()), unicode.length());
}

// Signs the transliteration leaves as they are, written as their usual letters.
QString SignLetters(char32_t character)
{
    switch (character) {
    case U'\u20AC': return QStringLiteral("EUR");
    case U'\u2122': return QStringLiteral("TM");
    case U'\u2030': return QStringLiteral("o/oo");
    case U'\u2022': return QStringLiteral("*");
    case U'\u2020': return QStringLiteral("+");
    case U'\u2021': return QStringLiteral("++");
    case U'\u00A6': return QStringLiteral("|");
    default: break;
    }
    // Superscript, subscript and other forms of a digit.
    const int digit = QChar::digitValue(character);
    return digit >= 0 ? QString(QChar(u'0' + digit)) : QString();
}

template <typename THolds>
QString NearestLetters(const QString& text, THolds holds)
{
    // Latin script first, for the whole text, so that a word is transliterated in its context.
    const QString latin = Transliterated(0, text.normalized(QString::NormalizationForm_C));
    QString result;
    result.reserve(latin.size());
    const QList<uint> characters = latin.toUcs4();
    for (const uint character : characters) {
        if (holds(char32_t(character))) {
            result.append(QString::fromUcs4(reinterpret_cast<const char32_t*>(&character), 1));
            continue;
        }
        const char32_t one = char32_t(character);
        QString ascii = Transliterated(1, QString::fromUcs4(&one, 1));
        if (ascii == QString::fromUcs4(&one, 1))
            ascii = SignLetters(one);
        for (const uint letter : ascii.toUcs4()) {
            if (holds(char32_t(letter)))
                result.append(QString::fromUcs4(reinterpret_cast<const char32_t*>(&letter), 1));
        }
    }
    return result;
}

// Whether every unit of the text is one the code page holds. Report text is nearly always ASCII,
// which the first loop settles without a look-up.
template <typename THolds>
bool FitsCodePage(const QString& text, THolds holds)
{
    const char16_t* const units = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype count = text.size();
    char16_t high = 0;
    for (qsizetype i = 0; i < count; ++i)
        high |= units[i] & 0xFF80;
    if (high == 0)
        return true;
    for (qsizetype i = 0; i < count; ++i) {
        if (units[i] >= 0x80 && !holds(units[i]))
            return false;
    }
    return true;
}

} // namespace

int CodePage437Byte(char32_t character)
{
    const int byte = CodePage1252Byte(character);
    if (byte < 0)
        return -1;
    const char mapped = Table1252To437()[std::size_t(byte)];
    return mapped == '?' && character != U'?' ? -1 : static_cast<unsigned char>(mapped);
}

bool FitsCodePage437(const QString& text)
{
    return FitsCodePage(text, [](char16_t unit) { return CodePage437Byte(unit) >= 0; });
}

QString NearestLetters1252(const QString& text)
{
    return NearestLetters(text, [](char32_t c) { return CodePage1252Byte(c) >= 0; });
}

QString NearestLetters437(const QString& text)
{
    return NearestLetters(text, [](char32_t c) { return CodePage437Byte(c) >= 0; });
}

QByteArray ToCodePage1252(const QString& text)
{
    const qsizetype count = text.size();
    QByteArray result(count, Qt::Uninitialized);
    char* const bytes = result.data();
    const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
    // Report text is nearly always ASCII, which converts unit for unit in a loop the compiler vectorises.
    char16_t high = 0;
    for (qsizetype i = 0; i < count; ++i) {
        high |= units[i] & 0xFF80;
        bytes[i] = char(units[i]);
    }
    if (high == 0)
        return result;
    qsizetype out = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t unit = units[i];
        if (QChar::isHighSurrogate(unit) && i + 1 < count && QChar::isLowSurrogate(units[i + 1]))
            ++i; // one character, one "?"
        bytes[out++] = Encode1252(unit);
    }
    if (out < count)
        result.truncate(out);
    return result;
}

int CodePage1252Byte(char32_t character)
{
    if (character > 0xFFFF)
        return -1;
    const char byte = Encode1252(char16_t(character));
    return byte == '?' && character != U'?' ? -1 : static_cast<unsigned char>(byte);
}

bool FitsCodePage1252(const QString& text)
{
    return FitsCodePage(text, [](char16_t unit) { return CodePage1252Byte(unit) >= 0; });
}

QString FromCodePage1252(const QByteArray& bytes)
{
    QString result(bytes.size(), Qt::Uninitialized);
    QChar* out = result.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(Decode1252(static_cast<unsigned char>(bytes[i])));
    return result;
}

QByteArray CodePage1252To437(const QByteArray& bytes)
{
    const std::array<char, 256>& table = Table1252To437();
    if (std::all_of(bytes.cbegin(), bytes.cend(), [](char byte) { return static_cast<unsigned char>(byte) < 0x80; }))
        return bytes;
    QByteArray result(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        result[i] = table[static_cast<unsigned char>(bytes[i])];
    return result;
}
