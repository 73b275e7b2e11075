#pragma once
// Shared by the bitmap and JPEG writers: every page is drawn into a white 96-dpi image and saved as a
// file of its own. The page files are staged and put in place together after the last page, so a
// failed or cancelled export leaves the folder as it was. The file the user chose only names the page
// files and is removed again at the end.
#include "TExtraFilter.h"
#include "TExtraOptions.h"

#include <QImage>
#include <memory>

class TJpegWriter;

class TPageImageFilter : public TExtraFilter
{
public:
    explicit TPageImageFilter(const QString& fileName);
    ~TPageImageFilter() override;

protected:
    // The file page `page` is saved to: "IMG" + page as "0000" + the chosen extension in the chosen
    // folder, or the chosen name with the page number when the options ask for it.
    QString PageImageFileName(int page) const;

    void WriteBand(TReportBand& band) override;
    void BeginPageOutput() override;
    void EndPageOutput() override;
    void BeginDocument() override;
    void EndDocument() override;

    virtual bool UseFileName() const = 0;
    // Saves PageBitmap to fileName through AddPageFile, or nothing at all if the writer so chooses.
    // Failures raise EExportError.
    virtual void SavePage(const QString& fileName) = 0;
    // Where the name proper starts in a file name, after its folder (either separator).
    static qsizetype NameStart(const QString& fileName);
    // A new staged page file; close it when written.
    TStagedFile& AddPageFile(const QString& fileName);
    // Compresses PageBitmap to a JPEG file with the library's default settings.
    void SaveJpeg(const QString& fileName);

    // The current page, drawn in 32-bit colour; kept between pages so its buffer is reused.
    QImage PageBitmap;

private:
    struct TGlyphCache;
    std::unique_ptr<TGlyphCache> m_glyphCache;
    std::unique_ptr<TJpegWriter> m_jpegWriter;
    TStagedFileSet m_pages;
};
