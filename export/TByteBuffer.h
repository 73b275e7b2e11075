#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <cstring>
#include <memory>

// The bytes a writer builds for one page, row or record before it hands them to its file. Appends are
// inline and do no more than copy: the writers make tens of appends per label, and QByteArray's
// out-of-line append costs several times the copy itself. Clear keeps the storage, so a buffer reused
// page after page allocates only while it grows.
class TByteBuffer
{
public:
    TByteBuffer() = default;
    TByteBuffer(const TByteBuffer&) = delete;
    TByteBuffer& operator=(const TByteBuffer&) = delete;

    void Append(const char* data, qsizetype size)
    {
        if (size > m_capacity - m_size)
            Grow(size);
        if (size > 0)
            std::memcpy(m_data.get() + m_size, data, size_t(size));
        m_size += size;
    }
    // A literal's length is known when the call is inlined.
    void Append(const char* text) { Append(text, qsizetype(std::strlen(text))); }
    void Append(QByteArrayView bytes) { Append(bytes.data(), bytes.size()); }
    void Append(const QByteArray& bytes) { Append(bytes.constData(), bytes.size()); }
    void Append(char c)
    {
        if (m_size == m_capacity)
            Grow(1);
        m_data[size_t(m_size++)] = c;
    }
    // n in decimal, as QByteArray::number writes it.
    void AppendNumber(qint64 n);
    // The low 16 bits of n, little-endian.
    void AppendInt16(int n)
    {
        Append(char(n & 0xFF));
        Append(char((n >> 8) & 0xFF));
    }

    QByteArrayView View() const { return QByteArrayView(m_data.get(), m_size); }
    const char* Data() const { return m_data.get(); }
    qsizetype Size() const { return m_size; }
    bool IsEmpty() const { return m_size == 0; }
    char Front() const { return m_data[0]; }
    void Clear() { m_size = 0; }

private:
    void Grow(qsizetype needed);

    std::unique_ptr<char[]> m_data;
    qsizetype m_size = 0;
    qsizetype m_capacity = 0;
};
