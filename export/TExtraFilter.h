#pragma once
#include "TFont.h"
#include "TStagedFile.h"
#include "TStagedFileSet.h"

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>
#include <QtGlobal>
#include <memory>
#include <vector>

class TTextMeasurer;

// Horizontal alignment of a label as the engine passes it to AddText.
enum TAlignment : quint8 { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

inline constexpr quint8 rkText = 1;

// One text item of a page. Positions and sizes are in micrometres from the paper's top-left corner.
struct TReportItem
{
    quint8 Kind = rkText;
    qint32 RowIndex = 0;
    qint32 Y = 0;        // top of the line
    qint32 X = 0;        // anchor: left edge, right edge or centre, after Alignment
    qint32 Height = 0;
    qint32 Width = 0;
    qint32 TextLeft = 0; // left edge of the text after alignment
    QString Text;        // each writer encodes it as its format stores text
    quint8 Alignment = taLeftJustify;
    TColor Background = clWhite; // white means none
    const TFont* Font = nullptr; // the engine's font, valid until ClosePage
    qint32 Sequence = 0;         // 1-based order of arrival within the page
};

// The items of one row (or of the whole page when rows are not grouped), ordered by row, then X.
// Does not own its items.
class TReportBand
{
public:
    void Add(TReportItem* item) { m_items.append(item); }
    qsizetype Count() const { return m_items.size(); }
    qsizetype size() const { return m_items.size(); }
    bool isEmpty() const { return m_items.isEmpty(); }
    TReportItem* operator[](qsizetype index) const { return m_items[index]; }
    QList<TReportItem*>::const_iterator begin() const { return m_items.cbegin(); }
    QList<TReportItem*>::const_iterator end() const { return m_items.cend(); }
    const QList<TReportItem*>& List() const { return m_items; }

private:
    QList<TReportItem*> m_items;
};

// Unit conversions. The engine works in tenths of a millimetre; the page model in micrometres.
// All truncate toward zero and use 0.03937 inch per millimetre, as the stored formats always have.
// Values beyond 32 bits are held at the nearest limit (not a number gives 0).
qint32 NativeToMicrons(double tenthsOfMm);
qint32 MicronsToTwips(qint32 microns);
qint32 MicronsToPoints(qint32 microns);
qint32 MicronsToPixels(qint32 microns);
qint32 PixelsToMicrons(qint32 pixels);

// The item's box in 96-dpi pixels, starting where its aligned text starts: the X of a right-aligned
// item is its right edge and that of a centred one its centre.
QRect PixelBox(const TReportItem& item);
// A box of the given size in pixels placed on the item's anchor in the same way.
QRect PixelBox(const TReportItem& item, qint32 width, qint32 height);

// Shared helpers of the writers; all work on code-page-1252 bytes.
// Every occurrence of find replaced, scanning the unchanged input; an empty find changes nothing.
QByteArray ReplaceAll(const QByteArray& s, const QByteArray& find, const QByteArray& replace);
// n as two bytes, little-endian (low 16 bits).
QByteArray Int16Bytes(int n);
// "#RRGGBB", upper-case hex, system colours resolved.
QByteArray HtmlColor(TColor color);
// "rrrgggbbb", three decimal digits each.
QByteArray RtfColorKey(TColor color);
// "r g b" each as channel/255 with three decimals and "." as decimal point.
QByteArray PdfColor(TColor color);
// Base name + page as "0000" + extension, e.g. "report0003.htm", with the folder when withPath.
QString PageFileName(const QString& fileName, int page, bool withPath);
// The series PageFileName numbers: the file's folder, its base name and its extension.
TFileSeries PageFileSeries(const QString& fileName);
// Strict weak order by ascending Sequence.
bool CompareBySequence(const TReportItem* a, const TReportItem* b);
int CountChar(const QByteArray& s, char c);

// Base of every export filter. The engine calls StartExport once, then OpenPage, AddText* and
// ClosePage per page, and FinishExport once. The base turns the text calls into items grouped into
// rows and hands each row (or page) to the writer hooks.
//
// OutputFile is a staged file that the base EndDocument puts in place, so a filter destroyed before
// FinishExport (a failure or a cancelled export) leaves no half-written file and any earlier file of
// that name untouched. Every write is checked: a failure raises EExportError naming the file and the
// system's reason. Writers that produce other files instead call DiscardOutputFile() in place of the
// base EndDocument.
class TExtraFilter
{
public:
    explicit TExtraFilter(const QString& fileName);
    virtual ~TExtraFilter();
    TExtraFilter(const TExtraFilter&) = delete;
    TExtraFilter& operator=(const TExtraFilter&) = delete;

    virtual QString Description() const = 0;
    virtual QString FileExtension() const = 0;
    virtual QString DisplayName() const = 0;
    virtual bool Streaming() const { return false; }

    // Paper size in tenths of a millimetre; the report font is not used.
    virtual void StartExport(qint32 paperWidth, qint32 paperHeight, const TFont& font);
    virtual void ClosePage();
    virtual void FinishExport();
    virtual void OpenPage();
    // Graphics and band notifications are not exported.
    virtual void AddGraphic(double x, double y, const void* element);
    virtual void BandPrinted(const void* band);
    // x and y in tenths of a millimetre; x is the left edge, right edge or centre after alignment.
    // The font must stay valid until ClosePage. The text is kept as given; each writer encodes it.
    virtual void AddText(double x, double y, const TFont& font, TColor background, int alignment,
                         const QString& text);

    // Called by the engine before the ClosePage of the last page that holds text.
    void SetLastPage(bool lastPage) { LastPage = lastPage; }

    QString FileName() const { return m_fileName; }
    bool Active() const { return m_active; }

protected:
    // Records an item's position only, its text neither converted nor measured: for writers that
    // have already refused the report and only count its rows.
    void AddPositionOnly(double x, double y, const TFont& font, TColor background, int alignment);

    virtual void WriteText(const QByteArray& s);
    virtual void WriteBand(TReportBand& band);
    virtual void BeginRow();
    virtual void EndRow();
    virtual void BeginPageOutput();
    virtual void EndPageOutput();
    virtual void BeginDocument();
    virtual void EndDocument();

    void MeasureItem(TReportItem& item);
    // The item's pixel box sized as a browser draws its text (TTextMeasurer::BrowserTextWidth), for
    // the writers of HTML pages: the page model's whole-pixel sizes fall short of it.
    QRect BrowserBox(const TReportItem& item);
    void AssignRows();
    void ProcessPage();
    // Closes OutputFile without creating the named file (for writers that write one file per page).
    void DiscardOutputFile();
    void OpenBody();

    qint32 RowCounter = 0;
    qint32 PageNumber = 0;
    qint32 ItemSequence = 0;
    qint32 PaperWidth = 0;  // micrometres
    qint32 PaperHeight = 0; // micrometres
    // The current page's items; meaningful between OpenPage and the end of ClosePage (PageOpen).
    std::vector<TReportItem> Items;
    bool PageOpen = false;
    TStagedFile OutputFile;
    bool GroupRows = true;
    // For writers that write their body before what must precede it is known (XLS, RTF): a spool
    // file beside the target, opened by OpenBody, copied behind the head with
    // OutputFile.AppendFile(Body) and removed by FinishExport or the destructor.
    TStagedFile Body;
    bool LastPage = false;

private:
    // A new item of the page at the position, numbered in printing order.
    TReportItem& AppendItem(double x, double y, const TFont& font, TColor background, int alignment);

    QString m_fileName;
    bool m_active = false;
    std::unique_ptr<TTextMeasurer> m_measurer;
};
