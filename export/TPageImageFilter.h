#pragma once
// Shared by the bitmap and JPEG writers: every page is drawn into a white 96-dpi image and saved as a
// file of its own. The page files are staged and put in place together after the last page, so a
// failed or cancelled export leaves the folder as it was. The file the user chose only names the page
// files and is removed again at the end.
//
// Pages are drawn and compressed on worker threads (ExportThreads()), several at a time, and their
// files written in page order: each page is drawn the same whatever thread draws it, so the files are
// those one thread would write.
#include "TExtraFilter.h"
#include "TExtraOptions.h"

#include <QImage>
#include <functional>
#include <memory>

class TJpegWriter;
template <typename TJob>
class TOrderedWorkers;

class TPageImageFilter : public TExtraFilter
{
public:
    explicit TPageImageFilter(const QString& fileName);
    ~TPageImageFilter() override;

protected:
    // What a render thread keeps from page to page.
    struct TPageEncoder
    {
        TPageEncoder();
        ~TPageEncoder();
        std::unique_ptr<TJpegWriter> Jpeg;
    };

    // The file page `page` is saved to: "IMG" + page as "0000" + the chosen extension in the chosen
    // folder, or the chosen name with the page number when the options ask for it.
    QString PageImageFileName(int page) const;
    // The series of those names, from which an earlier, longer export's pages are removed.
    TFileSeries PageSeries() const;

    void WriteBand(TReportBand& band) override;
    void BeginPageOutput() override;
    void EndPageOutput() override;
    void BeginDocument() override;
    void EndDocument() override;

    virtual bool UseFileName() const = 0;
    // Encodes a drawn page as the bytes of its file, or leaves `file` null to save nothing for it.
    // Failures raise EExportError. It runs on the render threads, several pages at once, and so
    // keeps to its arguments and what it holds itself: the writer may be gone meanwhile.
    using TPageEncoding = std::function<void(const QImage& page, const QString& fileName, TPageEncoder& encoder,
                                             QByteArray& file)>;
    // The encoding of this export's pages, asked for once, at BeginDocument.
    virtual TPageEncoding PageEncoding() const = 0;
    // Compresses the page to a JPEG file with the library's default settings.
    static void EncodeJpeg(const QImage& page, const QString& fileName, TPageEncoder& encoder, QByteArray& file);

private:
    struct TPageJob;
    struct TRenderer;

    void Render(TPageJob& job, int worker);
    // Writes the pages the renderers have finished, in order; with `all`, waits for every page.
    void WriteRendered(bool all);

    TPageEncoding m_encoding;
    std::unique_ptr<TPageJob> m_page; // the page being collected
    std::vector<std::unique_ptr<TRenderer>> m_renderers;
    // Made by BeginDocument on the thread that starts the export, fed page by page on the export's
    // writer thread and ended by EndDocument or the destructor back on the starting thread: the
    // exporter's page queue orders those hand-overs, which is all the workers ask of their owner.
    std::unique_ptr<TOrderedWorkers<TPageJob>> m_workers;
    TStagedFileSet m_pages;
};
