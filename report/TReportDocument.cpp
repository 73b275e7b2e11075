#include "TReportDocument.h"

#include "EExportError.h"
#include "TStagedFile.h"
#include "TStagedFileDevice.h"

#include <QDataStream>
#include <QFile>
#include <cmath>

namespace {

constexpr quint32 FileMagic = 0x41525054; // "ARPT"
constexpr quint16 FileVersion = 1;

// What a saved report may hold. The layout never comes near these; they keep a damaged file from
// making the reader allocate without bound and from handing the writers values their arithmetic
// cannot hold. Paper in tenths of a millimetre: 1 mm to 1.5 m, which takes A0.
constexpr double MinPaper = 10;
constexpr double MaxPaper = 15000;
// Element positions and sizes in tenths of a millimetre: 100 m either way.
constexpr double MaxCoordinate = 1'000'000;
constexpr int MaxFontNameLength = 255;
constexpr quint32 MaxFonts = 65536; // elements name their font in 16 bits
// The fewest bytes each record takes in the file (numbers as QDataStream writes them, floating
// point in double precision), to check a count against the bytes left.
constexpr qint64 MinFontBytes = 4 + 4 + 4 + 4;
constexpr qint64 MinPageBytes = 4 + 4 + 4;
constexpr qint64 ElementBytes = 4 * 8 + 4 + 4 + 2 + 1 + 1 + 4;

void SetError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// Why a file is not a valid report file.
struct TInvalidReport
{
    QString Reason;
};

void Require(bool condition, const QString& reason)
{
    if (!condition)
        throw TInvalidReport{reason};
}

void RequireRead(const QDataStream& in)
{
    Require(in.status() == QDataStream::Ok, QStringLiteral("it ends too early"));
}

void RequireRoom(const QDataStream& in, quint32 count, qint64 bytesEach, const QString& what)
{
    Require(qint64(count) <= in.device()->bytesAvailable() / bytesEach,
            QStringLiteral("it declares %1 %2, more than the file has room for").arg(count).arg(what));
}

bool WithinCoordinates(float value) { return std::isfinite(value) && std::fabs(value) <= MaxCoordinate; }

} // namespace

quint16 TReportDocument::AddFont(const TFont& font)
{
    for (size_t i = 0; i < m_fonts.size(); ++i)
        if (m_fonts[i] == font)
            return quint16(i);
    m_fonts.push_back(font);
    return quint16(m_fonts.size() - 1);
}

void TReportDocument::Clear()
{
    m_fonts.clear();
    m_pages.clear();
}

bool TReportDocument::SaveToFile(const QString& fileName, QString* error) const
{
    try {
        TStagedFile file(fileName);
        file.Open();
        TStagedFileDevice device(file);
        QDataStream out(&device);
        out.setVersion(QDataStream::Qt_6_0);
        out << FileMagic << FileVersion << PaperWidth << PaperHeight;
        out << quint32(m_fonts.size());
        for (const TFont& f : m_fonts)
            out << f.Name << qint32(f.Size) << f.Bold << f.Italic << f.Underline << f.StrikeOut << qint32(f.Color);
        out << quint32(m_pages.size());
        for (const TReportPage& page : m_pages) {
            out << qint32(page.Number()) << quint32(page.Elements().size());
            for (const TPageElement& e : page.Elements())
                out << e.Left << e.Top << e.Width << e.Height << e.TextStart << e.TextLength << e.Font
                    << quint8(e.Kind) << e.Alignment << qint32(e.Background);
            out << page.TextBuffer();
        }
        device.CheckWritten();
        file.Commit();
    } catch (const EExportError& failure) {
        SetError(error, failure.Message());
        return false;
    }
    return true;
}

std::unique_ptr<TReportDocument> TReportDocument::LoadFromFile(const QString& fileName, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        SetError(error, QStringLiteral("Cannot open the file \"%1\": %2").arg(fileName, file.errorString()));
        return nullptr;
    }
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_6_0);
    auto doc = std::make_unique<TReportDocument>();
    try {
        quint32 magic = 0;
        quint16 version = 0;
        in >> magic >> version;
        RequireRead(in);
        Require(magic == FileMagic, QStringLiteral("it does not begin as a saved report does"));
        Require(version == FileVersion, QStringLiteral("its format version %1 is not known").arg(version));
        in >> doc->PaperWidth >> doc->PaperHeight;
        RequireRead(in);
        const auto paperOk = [](double size) { return size >= MinPaper && size <= MaxPaper; };
        Require(paperOk(doc->PaperWidth) && paperOk(doc->PaperHeight),
                QStringLiteral("its paper size %1 x %2 tenths of a millimetre is outside %3 to %4")
                    .arg(doc->PaperWidth)
                    .arg(doc->PaperHeight)
                    .arg(MinPaper)
                    .arg(MaxPaper));

        quint32 fontCount = 0;
        in >> fontCount;
        RequireRead(in);
        Require(fontCount <= MaxFonts, QStringLiteral("it declares %1 fonts").arg(fontCount));
        RequireRoom(in, fontCount, MinFontBytes, QStringLiteral("fonts"));
        for (quint32 i = 0; i < fontCount; ++i) {
            TFont f;
            qint32 size = 0, color = 0;
            in >> f.Name >> size >> f.Bold >> f.Italic >> f.Underline >> f.StrikeOut >> color;
            RequireRead(in);
            Require(f.Name.size() <= MaxFontNameLength,
                    QStringLiteral("the name of font %1 has %2 characters").arg(i + 1).arg(f.Name.size()));
            Require(size >= 1 && size <= MaxFontSize, QStringLiteral("font %1 has the size %2 points, outside 1 to %3")
                                                          .arg(i + 1)
                                                          .arg(size)
                                                          .arg(MaxFontSize));
            f.Size = size;
            f.Color = color;
            doc->m_fonts.push_back(f);
        }

        quint32 pageCount = 0;
        in >> pageCount;
        RequireRead(in);
        RequireRoom(in, pageCount, MinPageBytes, QStringLiteral("pages"));
        for (quint32 p = 0; p < pageCount; ++p) {
            qint32 number = 0;
            quint32 count = 0;
            in >> number >> count;
            RequireRead(in);
            RequireRoom(in, count, ElementBytes, QStringLiteral("elements on page %1").arg(p + 1));
            std::vector<TPageElement> elements;
            elements.reserve(count);
            for (quint32 i = 0; i < count; ++i) {
                TPageElement e;
                quint8 kind = 0;
                qint32 background = 0;
                in >> e.Left >> e.Top >> e.Width >> e.Height >> e.TextStart >> e.TextLength >> e.Font >> kind
                    >> e.Alignment >> background;
                RequireRead(in);
                const QString element = QStringLiteral("element %1 of page %2").arg(i + 1).arg(p + 1);
                Require(kind <= pkLine, QStringLiteral("%1 is of the unknown kind %2").arg(element).arg(int(kind)));
                Require(e.Alignment <= taCenter,
                        QStringLiteral("%1 has the unknown alignment %2").arg(element).arg(int(e.Alignment)));
                Require(WithinCoordinates(e.Left) && WithinCoordinates(e.Top) && WithinCoordinates(e.Width)
                            && WithinCoordinates(e.Height),
                        QStringLiteral("%1 lies or reaches beyond %2 m").arg(element).arg(MaxCoordinate / 10000));
                e.Kind = TPageElementKind(kind);
                e.Background = background;
                Require(e.Kind != pkText || e.Font < fontCount,
                        QStringLiteral("%1 uses font %2 of %3").arg(element).arg(e.Font + 1).arg(fontCount));
                elements.push_back(e);
            }
            QByteArray text;
            in >> text;
            RequireRead(in);
            for (size_t i = 0; i < elements.size(); ++i) {
                const TPageElement& e = elements[i];
                Require(e.Kind != pkText || quint64(e.TextStart) + e.TextLength <= quint64(text.size()),
                        QStringLiteral("the text of element %1 of page %2 lies beyond the page's text")
                            .arg(i + 1)
                            .arg(p + 1));
            }
            TReportPage page(number);
            page.Assign(std::move(elements), std::move(text));
            doc->m_pages.push_back(std::move(page));
        }
        Require(in.atEnd(), QStringLiteral("it goes on after its last page"));
    } catch (const TInvalidReport& invalid) {
        SetError(error, QStringLiteral("The file \"%1\" is not a valid report file: %2.").arg(fileName, invalid.Reason));
        return nullptr;
    }
    return doc;
}
