#include "TByteBuffer.h"

#include <algorithm>
#include <charconv>

void TByteBuffer::AppendNumber(qint64 n)
{
    char digits[24];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, n);
    Append(digits, end.ptr - digits);
}

void TByteBuffer::Grow(qsizetype needed)
{
    const qsizetype capacity = std::max({m_capacity * 2, m_size + needed, qsizetype(4096)});
    auto data = std::make_unique_for_overwrite<char[]>(size_t(capacity));
    if (m_size > 0)
        std::memcpy(data.get(), m_data.get(), size_t(m_size));
    m_data = std::move(data);
    m_capacity = capacity;
}
