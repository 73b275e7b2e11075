#include "TJpegWriter.h"

#include "EExportError.h"
#include "TStagedFile.h"

#include <QByteArray>
#include <QImage>

#include <csetjmp>
#include <cstdio> // jpeglib.h expects FILE and size_t to be declared
#include <vector>

#include <jpeglib.h>

namespace {

// libjpeg's default error handler ends the process; ours jumps back to the call that failed.
struct TErrorManager
{
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo)
{
    auto* errors = reinterpret_cast<TErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->Message);
    std::longjmp(errors->Jump, 1);
}

void OnMessage(j_common_ptr, int)
{
    // Warnings and trace output are of no use to the user.
}

constexpr int OutputChunk = 256 * 1024;

} // namespace

// The compressed bytes go to a buffer that grows as needed and is kept for the next image; the file is
// written in one go afterwards, so a failing disk is reported with the file's name.
struct TJpegWriter::TCompressor
{
    jpeg_compress_struct Info {};
    TErrorManager Errors {};
    jpeg_destination_mgr Destination {};
    QByteArray Output;
    std::vector<JSAMPLE> Row;
    bool Created = false;

    TCompressor()
    {
        Info.err = jpeg_std_error(&Errors.Base);
        Errors.Base.error_exit = OnError;
        Errors.Base.emit_message = OnMessage;
        if (setjmp(Errors.Jump))
            return; // no memory for the compressor: every Save reports it
        jpeg_create_compress(&Info);
        Created = true;
        Destination.init_destination = InitDestination;
        Destination.empty_output_buffer = EmptyOutputBuffer;
        Destination.term_destination = TermDestination;
        Info.dest = &Destination;
        Info.client_data = this;
    }

    ~TCompressor()
    {
        if (Created)
            jpeg_destroy_compress(&Info);
    }

    static TCompressor& Of(j_compress_ptr cinfo) { return *static_cast<TCompressor*>(cinfo->client_data); }

    static void InitDestination(j_compress_ptr cinfo)
    {
        TCompressor& self = Of(cinfo);
        if (self.Output.size() < OutputChunk)
            self.Output.resize(OutputChunk);
        self.Destination.next_output_byte = reinterpret_cast<JOCTET*>(self.Output.data());
        self.Destination.free_in_buffer = size_t(self.Output.size());
    }

    // Called when the buffer is full, whatever free_in_buffer says: it all holds data.
    static boolean EmptyOutputBuffer(j_compress_ptr cinfo)
    {
        TCompressor& self = Of(cinfo);
        const qsizetype used = self.Output.size();
        self.Output.resize(used * 2);
        self.Destination.next_output_byte = reinterpret_cast<JOCTET*>(self.Output.data() + used);
        self.Destination.free_in_buffer = size_t(self.Output.size() - used);
        return TRUE;
    }

    static void TermDestination(j_compress_ptr) { }

    qsizetype CompressedSize() const { return Output.size() - qsizetype(Destination.free_in_buffer); }

    // Only plain data lives between setjmp and a possible longjmp, so nothing needs unwinding.
    bool Compress(const QImage& image)
    {
        if (!Created)
            return false;
        if (setjmp(Errors.Jump)) {
            jpeg_abort_compress(&Info);
            return false;
        }
        Info.image_width = JDIMENSION(image.width());
        Info.image_height = JDIMENSION(image.height());
        Info.input_components = 3;
        Info.in_color_space = JCS_RGB;
        const bool direct = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
#if defined(JCS_EXTENSIONS) && Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        // 32-bit pixels are B, G, R, X in memory: libjpeg-turbo reads them without a copy.
        if (direct) {
            Info.input_components = 4;
            Info.in_color_space = JCS_EXT_BGRX;
        }
        const bool convertRows = !direct;
#else
        const bool convertRows = true;
#endif
        Row.resize(size_t(image.width()) * 3);
        jpeg_set_defaults(&Info);
        jpeg_start_compress(&Info, TRUE);
        while (Info.next_scanline < Info.image_height) {
            const int y = int(Info.next_scanline);
            JSAMPROW rows[1];
            if (convertRows) {
                FillRgbRow(image, y);
                rows[0] = Row.data();
            } else {
                rows[0] = const_cast<JSAMPLE*>(image.constScanLine(y));
            }
            jpeg_write_scanlines(&Info, rows, 1);
        }
        jpeg_finish_compress(&Info);
        return true;
    }

    void FillRgbRow(const QImage& image, int y)
    {
        JSAMPLE* out = Row.data();
        const int width = image.width();
        if (image.format() == QImage::Format_Indexed8) {
            const QList<QRgb> palette = image.colorTable();
            const uchar* in = image.constScanLine(y);
            for (int x = 0; x < width; ++x) {
                const QRgb c = in[x] < palette.size() ? palette[in[x]] : 0;
                *out++ = JSAMPLE(qRed(c));
                *out++ = JSAMPLE(qGreen(c));
                *out++ = JSAMPLE(qBlue(c));
            }
            return;
        }
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            *out++ = JSAMPLE(qRed(in[x]));
            *out++ = JSAMPLE(qGreen(in[x]));
            *out++ = JSAMPLE(qBlue(in[x]));
        }
    }
};

TJpegWriter::TJpegWriter()
    : m_compressor(std::make_unique<TCompressor>())
{
}

TJpegWriter::~TJpegWriter() = default;

bool TJpegWriter::Compress(const QImage& image)
{
    m_errorString.clear();
    if (image.isNull()) {
        m_errorString = QStringLiteral("There is no image to save.");
        return false;
    }
    // Other formats are converted once, not pixel by pixel.
    const bool readable = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
        || image.format() == QImage::Format_Indexed8;
    const QImage converted = readable ? QImage() : image.convertToFormat(QImage::Format_RGB32);
    if (!m_compressor->Compress(readable ? image : converted)) {
        m_errorString = QString::fromLocal8Bit(m_compressor->Errors.Message);
        return false;
    }
    return true;
}

QByteArrayView TJpegWriter::Compressed() const
{
    return QByteArrayView(m_compressor->Output.constData(), m_compressor->CompressedSize());
}

bool TJpegWriter::Save(const QImage& image, const QString& fileName)
{
    if (!Compress(image))
        return false;
    try {
        TStagedFile file(fileName);
        file.Open();
        file.Write(Compressed());
        file.Commit();
    } catch (const EExportError& error) {
        m_errorString = error.Message();
        return false;
    }
    return true;
}
