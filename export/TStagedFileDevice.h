#pragma once
#include <QIODevice>
#include <QString>

class TStagedFile;

// Lets Qt's streams and writers (QDataStream, QTextStream, QImageWriter) write into a staged file.
// Opened for writing on construction. A failed write is kept: the stream sees -1, and CheckWritten()
// raises the staged file's error afterwards.
class TStagedFileDevice : public QIODevice
{
public:
    explicit TStagedFileDevice(TStagedFile& file);

    bool isSequential() const override { return true; }
    // Throws the EExportError of the first failed write, if any.
    void CheckWritten() const;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    TStagedFile& m_file;
    QString m_failure;
};
