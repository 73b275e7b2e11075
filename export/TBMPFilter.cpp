#include "TBMPFilter.h"

#include "EExportError.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>
#include <array>
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

// The palette entry of each colour of a page: an open-addressed table, as the antialiased edges of
// the text make tens of thousands of lookups per page.
class TPaletteIndex
{
public:
    TPaletteIndex() { m_colours.fill(0); } // no pixel colour is 0: alpha is always set

    int Find(QRgb colour) const
    {
        for (std::size_t slot = Slot(colour);; slot = (slot + 1) % Slots) {
            if (m_colours[slot] == colour)
                return m_indexes[slot];
            if (m_colours[slot] == 0)
                return -1;
        }
    }
    void Insert(QRgb colour, uchar index)
    {
        std::size_t slot = Slot(colour);
        while (m_colours[slot] != 0)
            slot = (slot + 1) % Slots;
        m_colours[slot] = colour;
        m_indexes[slot] = index;
    }

private:
    static constexpr std::size_t Slots = 1024; // four times the palette: probes stay short
    static std::size_t Slot(QRgb colour) { return (colour * 2654435761u) >> 22; }

    std::array<QRgb, Slots> m_colours;
    std::array<uchar, Slots> m_indexes {};
};

// The end of the run of pixels of `colour` (alpha ignored) that starts at `from`.
int RunEnd(const QRgb* row, int from, int width, QRgb colour)
{
    constexpr int Block = 16; // compared without a branch per pixel, which the compiler vectorises
    int end = from + 1;
    while (end + Block <= width) {
        QRgb differs = 0;
        for (int i = 0; i < Block; ++i)
            differs |= (row[end + i] | 0xFF000000u) ^ colour;
        if (differs != 0)
            break;
        end += Block;
    }
    while (end < width && (row[end] | 0xFF000000u) == colour)
        ++end;
    return end;
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
    TPaletteIndex indexOf;
    // The palette entry of a colour, added when new; -1 once the palette is full.
    const auto entryOf = [&](QRgb colour) {
        int index = indexOf.Find(colour);
        if (index < 0 && palette.size() < MaxPaletteSize) {
            index = int(palette.size());
            indexOf.Insert(colour, uchar(index));
            palette.append(colour);
        }
        return index;
    };
    bool exact = true;
    for (int y = 0; y < height && exact; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        auto* out = reinterpret_cast<uchar*>(data + pixelsOffset + qsizetype(stride) * (height - 1 - y));
        std::memset(out + width, 0, size_t(stride - width));
        // Most rows of a page are one colour (white) from edge to edge: found at the speed of a compare
        // and filled at that of a memset. The others go pixel by pixel, looking up each change of colour.
        const QRgb first = in[0] | 0xFF000000u;
        if (RunEnd(in, 0, width, first) == width) {
            const int index = entryOf(first);
            exact = index >= 0;
            std::memset(out, index, size_t(width));
            continue;
        }
        for (int x = 0; x < width;) {
            const QRgb colour = in[x] | 0xFF000000u;
            const int index = entryOf(colour);
            exact = index >= 0;
            if (!exact)
                break;
            do
                out[x++] = uchar(index);
            while (x < width && (in[x] | 0xFF000000u) == colour);
        }
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
TPageImageFilter::TPageEncoding TBMPFilter::PageEncoding() const
{
    const QString extension = PageFileSeries(FileName()).Suffix.toUpper();
    if (extension == QLatin1String(".JPG") || extension == QLatin1String(".JPEG"))
        return EncodeJpeg;
    if (extension != QLatin1String(".BMP"))
        return [](const QImage&, const QString&, TPageEncoder&, QByteArray&) {};
    const TPixelFormat pixelFormat = ExtraOptions().BMP.PixelFormat;
    if (pixelFormat == pf8bit || pixelFormat == pf4bit) {
        // Written with 8 bits even when 4 are asked for: the palette then holds every colour of the
        // page exactly.
        return [](const QImage& page, const QString&, TPageEncoder&, QByteArray& file) {
            BuildIndexedBitmap(page, file);
        };
    }
    return [pixelFormat](const QImage& page, const QString& fileName, TPageEncoder&, QByteArray& file) {
        // Qt writes 32-bit images as 24-bit bitmaps.
        file = QByteArray(""); // not null: the page is saved even should the writer write nothing
        QBuffer buffer(&file);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "bmp");
        const bool written = pixelFormat == pf1bit
            ? writer.write(page.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither))
            : writer.write(page);
        if (!written)
            throw EExportError::PageFile(fileName, writer.errorString());
    };
}
