#include "TReportDocument.h"

#include "EExportError.h"
#include "TStagedFile.h"
#include "TStagedFileDevice.h"

#include <QDataStream>
#include <QFile>

namespace {

constexpr quint32 FileMagic = 0x41525054; // "ARPT"
constexpr quint16 FileVersion = 1;
// Guards against a corrupt count making the reader allocate without bound.
constexpr quint32 MaxCount = 50'000'000;

void SetError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

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
    const QString notReport = QStringLiteral("The file \"%1\" is not a saved report or is damaged.").arg(fileName);
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    quint16 version = 0;
    auto doc = std::make_unique<TReportDocument>();
    in >> magic >> version >> doc->PaperWidth >> doc->PaperHeight;
    if (in.status() != QDataStream::Ok || magic != FileMagic || version != FileVersion
        || !(doc->PaperWidth > 0) || !(doc->PaperHeight > 0)) {
        SetError(error, notReport);
        return nullptr;
    }
    quint32 fontCount = 0;
    in >> fontCount;
    if (fontCount > 65535) {
        SetError(error, notReport);
        return nullptr;
    }
    for (quint32 i = 0; i < fontCount && in.status() == QDataStream::Ok; ++i) {
        TFont f;
        qint32 size = 0, color = 0;
        in >> f.Name >> size >> f.Bold >> f.Italic >> f.Underline >> f.StrikeOut >> color;
        f.Size = size;
        f.Color = color;
        doc->m_fonts.push_back(f);
    }
    quint32 pageCount = 0;
    in >> pageCount;
    if (pageCount > MaxCount)
        in.setStatus(QDataStream::ReadCorruptData);
    for (quint32 p = 0; p < pageCount && in.status() == QDataStream::Ok; ++p) {
        qint32 number = 0;
        quint32 count = 0;
        in >> number >> count;
        if (count > MaxCount) {
            in.setStatus(QDataStream::ReadCorruptData);
            break;
        }
        std::vector<TPageElement> elements;
        elements.reserve(count);
        for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
            TPageElement e;
            quint8 kind = 0;
            qint32 background = 0;
            in >> e.Left >> e.Top >> e.Width >> e.Height >> e.TextStart >> e.TextLength >> e.Font >> kind
                >> e.Alignment >> background;
            e.Kind = TPageElementKind(kind);
            e.Background = background;
            elements.push_back(e);
        }
        QByteArray text;
        in >> text;
        for (const TPageElement& e : elements) {
            const bool bad = e.Kind > pkLine || e.Alignment > taCenter
                || (e.Kind == pkText
                    && (e.Font >= fontCount || quint64(e.TextStart) + e.TextLength > quint64(text.size())));
            if (bad) {
                in.setStatus(QDataStream::ReadCorruptData);
                break;
            }
        }
        TReportPage page(number);
        page.Assign(std::move(elements), std::move(text));
        doc->m_pages.push_back(std::move(page));
    }
    if (in.status() != QDataStream::Ok) {
        SetError(error, notReport);
        return nullptr;
    }
    return doc;
}
