#include "TCSS2Filter.h"

#include "CodePages.h"
#include "TExtraOptions.h"

#include <algorithm>

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

} // namespace

TCSS2Filter::TCSS2Filter(const QString& fileName)
    : TExtraFilter(fileName)
{
}

QString TCSS2Filter::Description() const { return DisplayName(); }

QString TCSS2Filter::FileExtension() const { return QStringLiteral("HTM"); }

QString TCSS2Filter::DisplayName() const { return QStringLiteral("CSS2 File"); }

void TCSS2Filter::WriteText(const QByteArray& s) { PageFile.Write(s); }

void TCSS2Filter::WriteBand(TReportBand& band)
{
    // Blocks are written in printing order, which is also their z-order.
    m_sorted.assign(band.begin(), band.end());
    std::stable_sort(m_sorted.begin(), m_sorted.end(), CompareBySequence);
    for (const TReportItem* item : m_sorted) {
        // The block starts where the aligned text starts, so its right edge or centre is the anchor. It
        // is as large as a browser draws the text, so that the text neither wraps nor is cut.
        const QRect box = BrowserBox(*item);
        const qint32 x = box.x();
        const qint32 y = box.y();
        const qint32 w = box.width();
        const qint32 h = box.height();

        TByteBuffer& s = m_line;
        s.Clear();
        s.Append("<DIV STYLE=\"position: absolute;left: ");
        s.AppendNumber(x);
        s.Append("px;top: ");
        s.AppendNumber(y);
        s.Append("px;width: ");
        s.AppendNumber(w);
        s.Append("px;height: ");
        s.AppendNumber(h);
        s.Append("px;z-index: ");
        s.AppendNumber(item->Sequence);
        s.Append(';');
        if (item->Background != clWhite) {
            s.Append("background-color: ");
            s.Append(m_styles.ColorBytes(item->Background, 0));
            s.Append(';');
        }
        if (item->Alignment == taRightJustify)
            s.Append("text-align: right;");
        else if (item->Alignment == taCenter)
            s.Append("text-align: center;");
        m_styles.AppendFontStyle(s, *item->Font, "");
        s.Append("\">");
        THTMLFilterPageFile::AppendEscaped(s, ToCodePage1252(item->Text));
        s.Append("</DIV>");
        s.Append("\r\n");
        PageFile.Write(s.View());
    }
}

void TCSS2Filter::BeginPageOutput()
{
    TExtraFilter::BeginPageOutput();
    const TCSS2FilterOptions& options = ExtraOptions().CSS2;
    PageFile.Create(THTMLFilterPageFile::FilePath(FileName(), PageNumber, options.UseFileName));
    WriteText("<HTML>" + CrLf);
    WriteText(THTMLFilterPageFile::CodePageDeclaration() + CrLf);
    WriteText("<TITLE>" + THTMLFilterPageFile::Escaped(options.Title) + "</TITLE>" + CrLf);
    // A reader without the report's fonts draws wider text; it runs past its block rather than wrap
    // onto the row below.
    WriteText("<STYLE TYPE=\"text/css\">DIV { white-space: nowrap }</STYLE>" + CrLf);
    WriteText("<BODY LEFTMARGIN=0 TOPMARGIN=0>" + CrLf);
    WriteText("<TABLE BORDER=0 CELLPADDING=0 CELLSPACING=0 WIDTH=" + QByteArray::number(MicronsToPixels(PaperWidth))
              + ">" + CrLf);
    WriteText("<TR><TD HEIGHT=" + QByteArray::number(MicronsToPixels(PaperHeight)) + ">");
}

void TCSS2Filter::EndPageOutput()
{
    const TCSS2FilterOptions& options = ExtraOptions().CSS2;
    WriteText("</TD></TABLE>" + CrLf);
    PageFile.WriteNavigation(FileName(), PageNumber, LastPage, options.UseFileName, options.PrevText, options.NextText);
    WriteText("</BODY>" + CrLf);
    WriteText("</HTML>" + CrLf);
    PageFile.Commit();
    TExtraFilter::EndPageOutput();
}

void TCSS2Filter::EndDocument()
{
    const auto& options = ExtraOptions().CSS2;
    PageFile.PutInPlace(FileName(), options.UseFileName, PageNumber);
    // The chosen file only names the pages; it is kept only if something was written to it.
    if (OutputFile.IsOpen() && OutputFile.Size() == 0)
        DiscardOutputFile();
    else
        TExtraFilter::EndDocument();
}
