#pragma once
// Compresses page images to baseline JPEG files with libjpeg's default settings (quality 75).
// One writer can save many images; the compressor and its buffers are reused between them.
#include <QByteArrayView>
#include <QString>
#include <memory>

class QImage;

class TJpegWriter
{
public:
    TJpegWriter();
    ~TJpegWriter();
    TJpegWriter(const TJpegWriter&) = delete;
    TJpegWriter& operator=(const TJpegWriter&) = delete;

    // Writes image to fileName as a colour JPEG. False when the image cannot be compressed or the file
    // cannot be written; ErrorString() then says why, and no partly written file is left behind.
    bool Save(const QImage& image, const QString& fileName);
    // Compresses image into memory, for the caller to write: Compressed() holds the file's bytes
    // until the next call. False, with ErrorString(), when the image cannot be compressed.
    bool Compress(const QImage& image);
    QByteArrayView Compressed() const;
    QString ErrorString() const { return m_errorString; }

private:
    struct TCompressor;
    std::unique_ptr<TCompressor> m_compressor;
    QString m_errorString;
};
