#include "TextFunctions.h"

#include "WorkstationFingerprint.h"

#include <limits>

namespace {

bool IsBlankOrControl(QChar c)
{
    return c.unicode() <= 0x20;
}

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

QString HexLeastSignificantByteFirst(quint32 value)
{
    QString code;
    for (int byte = 0; byte < 4; ++byte)
        code += QStringLiteral("%1").arg((value >> (8 * byte)) & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    return code;
}

} // namespace

QString TrimBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && IsBlankOrControl(text.at(first)))
        ++first;
    while (last > first && IsBlankOrControl(text.at(last - 1)))
        --last;
    return text.mid(first, last - first);
}

QString TrimBlanksRight(const QString& text)
{
    qsizetype last = text.size();
    while (last > 0 && IsBlankOrControl(text.at(last - 1)))
        --last;
    return text.left(last);
}

QString NormalizeFolder(const QString& folder)
{
    QString result = TrimBlanks(folder);
    result.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result + QLatin1Char('/');
}

qint32 StrToIntOrZero(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    const bool hex = i < n && text.at(i) == QLatin1Char('$');
    if (hex)
        ++i;
    if (i == n)
        return 0;

    // Hexadecimal spells a 32-bit pattern ("$FFFFFFFF" is -1); decimal must fit the signed range.
    const quint64 limit = hex ? 0xFFFFFFFFull
                              : (negative ? quint64(std::numeric_limits<qint32>::max()) + 1
                                          : quint64(std::numeric_limits<qint32>::max()));
    const int base = hex ? 16 : 10;
    quint64 value = 0;
    for (; i < n; ++i) {
        const int digit = HexDigit(text.at(i));
        if (digit < 0 || digit >= base)
            return 0;
        value = value * base + digit;
        if (value > limit)
            return 0;
    }
    const auto bits = static_cast<quint32>(value);
    return static_cast<qint32>(negative ? 0u - bits : bits);
}

QString FileSafeName(const QString& text)
{
    QString result = text;
    while (result.endsWith(QLatin1Char(' ')))
        result.chop(1);
    for (QChar& c : result) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('/') || c == QLatin1Char(':') || c == QLatin1Char('\\'))
            c = QLatin1Char('_');
    }
    return result;
}

QString WorkstationCode()
{
    return HexLeastSignificantByteFirst(WorkstationFingerprint());
}

QString LegacyWorkstationCode()
{
    return HexLeastSignificantByteFirst(LegacyWorkstationFingerprint());
}

QString SplitFirst(QString& text, QChar separator)
{
    const QString trimmed = TrimBlanks(text);
    const qsizetype at = trimmed.indexOf(separator);
    if (at < 0) {
        text.clear();
        return trimmed;
    }
    text = TrimBlanks(trimmed.mid(at + 1));
    return TrimBlanks(trimmed.left(at));
}

QString EscapeControlCharacters(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control) {
            escaped += c;
            continue;
        }
        switch (c.unicode()) {
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        default:
            escaped += QStringLiteral("\\x%1").arg(QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0')));
        }
    }
    return escaped;
}
