#include "TStagedFileDevice.h"

#include "EExportError.h"
#include "TStagedFile.h"

TStagedFileDevice::TStagedFileDevice(TStagedFile& file)
    : m_file(file)
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

void TStagedFileDevice::CheckWritten() const
{
    if (!m_failure.isEmpty())
        throw EExportError(m_failure);
}

qint64 TStagedFileDevice::readData(char*, qint64) { return -1; }

qint64 TStagedFileDevice::writeData(const char* data, qint64 size)
{
    if (!m_failure.isEmpty())
        return -1;
    try {
        m_file.Write(data, qsizetype(size));
        return size;
    } catch (const EExportError& error) {
        m_failure = error.Message();
        setErrorString(m_failure);
        return -1;
    }
}
