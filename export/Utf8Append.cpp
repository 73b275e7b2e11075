#include "Utf8Append.h"

qsizetype AppendUtf8(QByteArray& buffer, QStringView text)
{
    const qsizetype count = text.size();
    const qsizetype start = buffer.size();
    buffer.resize(start + count);
    char* out = buffer.data() + start;
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t unit = text[i].unicode();
        if (unit >= 0x80) {
            buffer.truncate(start);
            const QByteArray bytes = text.toUtf8();
            buffer.append(bytes);
            return bytes.size();
        }
        out[i] = char(unit);
    }
    return count;
}
