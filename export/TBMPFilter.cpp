#include "TBMPFilter.h"

#include "EExportError.h"
#include "TStagedFileDevice.h"

#include <QHash>
#include <QImageWriter>
#include <QtEndian>
#include <cstring>

namespace {

constexpr int FileHeaderSize = 14;
constexpr int InfoHeaderSize = 40;
constexpr int MaxPaletteSize = 256;
constexpr int DotsPerMeter96 = 3780;

void PutUInt16(char* at, quint16 value)
{
    qToLittleEndian(value, at);
}

void PutUInt32(char* at, quint32 value)
{
    qToLittleEndian(value, at);
}

// Builds an 8-bit palettised bitmap file of image in `file`. A page holds few colours (text colours,
// their antialiased edges and backgrounds), so each one gets an exact palette entry; only a page of
// more than 256 colours is reduced to Qt's fixed palette.
void BuildIndexedBitmap(const QImage& image, QByteArray& file)
{
    const int width = image.width();
    const int height = image.height();
    const int stride = (width + 3) & ~3; // rows are padded to whole 32-bit words
    const qsizetype pixelsOffset = FileHeaderSize + InfoHeaderSize + MaxPaletteSize * 4;
    const qsizetype fileSize = pixelsOffset + qsizetype(stride) * height;
    file.resize(fileSize);
    char* const data = file.data();
    std::memset(data, 0, size_t(pixelsOffset));

    QList<QRgb> palette;
    QHash<QRgb, uchar> indexOf;
    bool exact = true;
    for (int y = 0; y < height && exact; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        auto* out = reinterpret_cast<uchar*>(data + pixelsOffset + qsizetype(stride) * (height - 1 - y));
        QRgb last = ~in[0];
        uchar lastIndex = 0;
        for (int x = 0; x < width; ++x) {
            const QRgb colour = in[x] | 0xFF000000u;
            if (colour != last) {
                auto found = indexOf.constFind(colour);
                if (found == indexOf.constEnd()) {
                    if (palette.size() == MaxPaletteSize) {
                        exact = false;
                        break;
                    }
                    found = indexOf.insert(colour, uchar(palette.size()));
                    palette.append(colour);
                }
                last = colour;
                lastIndex = found.value();
            }
            out[x] = lastIndex;
        }
        std::memset(out + width, 0, size_t(stride - width));
    }
    if (!exact) {
        const QImage reduced = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        palette = reduced.colorTable();
        for (int y = 0; y < height; ++y) {
            char* out = data + pixelsOffset + qsizetype(stride) * (height - 1 - y);
            std::memcpy(out, reduced.constScanLine(y), size_t(width));
            std::memset(out + width, 0, size_t(stride - width));
        }
    }

    data[0] = 'B';
    data[1] = 'M';
    PutUInt32(data + 2, quint32(fileSize));
    PutUInt32(data + 10, quint32(pixelsOffset));
    char* info = data + FileHeaderSize;
    PutUInt32(info, InfoHeaderSize);
    PutUInt32(info + 4, quint32(width));
    PutUInt32(info + 8, quint32(height)); // positive: rows are stored bottom-up
    PutUInt16(info + 12, 1);               // planes
    PutUInt16(info + 14, 8);               // bits per pixel
    PutUInt32(info + 20, quint32(fileSize - pixelsOffset));
    PutUInt32(info + 24, DotsPerMeter96);
    PutUInt32(info + 28, DotsPerMeter96);
    PutUInt32(info + 32, quint32(palette.size()));
    char* entry = info + InfoHeaderSize;
    for (const QRgb colour : std::as_const(palette)) {
        entry[0] = char(qBlue(colour));
        entry[1] = char(qGreen(colour));
        entry[2] = char(qRed(colour));
        entry += 4;
    }
}

} // namespace

TBMPFilter::TBMPFilter(const QString& fileName)
    : TPageImageFilter(fileName)
{
}

QString TBMPFilter::Description() const
{
    return DisplayName();
}

QString TBMPFilter::FileExtension() const
{
    return QStringLiteral("BMP");
}

QString TBMPFilter::DisplayName() const
{
    return QStringLiteral("Bitmap File");
}

bool TBMPFilter::UseFileName() const
{
    return ExtraOptions().BMP.UseFileName;
}

// The chosen name's extension picks the format; one the filter does not know saves nothing.
void TBMPFilter::SavePage(const QString& fileName)
{
    const QString chosen = FileName();
    const QString name = chosen.mid(NameStart(chosen));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot >= 0 ? name.mid(dot).toUpper() : QString();
    if (extension == QLatin1String(".BMP"))
        SaveBitmap(fileName);
    else if (extension == QLatin1String(".JPG") || extension == QLatin1String(".JPEG"))
        SaveJpeg(fileName);
}

void TBMPFilter::SaveBitmap(const QString& fileName)
{
    TStagedFile& file = AddPageFile(fileName);
    switch (ExtraOptions().BMP.PixelFormat) {
    case pf4bit: // written with 8 bits: the palette then holds every colour of the page exactly
    case pf8bit:
        BuildIndexedBitmap(PageBitmap, m_bitmapFile);
        file.Write(m_bitmapFile);
        break;
    default: {
        // Qt writes 32-bit images as 24-bit bitmaps.
        TStagedFileDevice device(file);
        QImageWriter writer(&device, "bmp");
        const bool written = ExtraOptions().BMP.PixelFormat == pf1bit
            ? writer.write(PageBitmap.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither))
            : writer.write(PageBitmap);
        device.CheckWritten();
        if (!written)
            throw EExportError(QStringLiteral("File Error: %1 (%2)").arg(fileName, writer.errorString()));
        break;
    }
    }
    file.Close();
}
