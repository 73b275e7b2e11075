#include "THTMLFilter.h"

#include "CodePages.h"
#include "TExtraOptions.h"

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

} // namespace

THTMLFilter::THTMLFilter(const QString& fileName)
    : TExtraFilter(fileName)
{
}

QString THTMLFilter::Description() const { return DisplayName(); }

QString THTMLFilter::FileExtension() const { return QStringLiteral("HTM"); }

QString THTMLFilter::DisplayName() const { return QStringLiteral("HTML File"); }

void THTMLFilter::WriteText(const QByteArray& s) { PageFile.Write(s); }

void THTMLFilter::WriteBand(TReportBand& band)
{
    qint32 lastRight = 0;
    for (const TReportItem* item : band) {
        // The cell starts where the aligned text starts, so its right edge or centre is the anchor. It
        // is as large as a browser draws the text, so that the text neither wraps nor is cut.
        const QRect box = BrowserBox(*item);
        const qint32 x = box.x();
        const qint32 y = box.y();
        const qint32 w = box.width();
        const qint32 h = box.height();

        TByteBuffer& s = m_line;
        s.Clear();
        if (y >= CurrentY) {
            if (y - CurrentY > 0) {
                s.Append("<TR><TD HEIGHT=");
                s.AppendNumber(y - CurrentY);
                s.Append("></TD>");
                s.Append("\r\n");
            }
            s.Append("<TR VALIGN=TOP>");
            CurrentY = y + h;
        }
        if (y + h > CurrentY)
            CurrentY = y + h;

        s.Append("<TD WIDTH=");
        s.AppendNumber(x - lastRight);
        s.Append("></TD>");
        UsedWidth += x - lastRight;

        s.Append("<TD WIDTH=");
        s.AppendNumber(w);
        s.Append(" HEIGHT=");
        s.AppendNumber(h);
        UsedWidth += w;

        if (item->Background != clWhite) {
            s.Append(" BGCOLOR= ");
            s.Append(m_styles.ColorBytes(item->Background, 0));
        }
        if (item->Alignment == taRightJustify)
            s.Append(" ALIGN=RIGHT");
        else if (item->Alignment == taCenter)
            s.Append(" ALIGN=CENTER");

        const TFont& font = *item->Font;
        const bool styled = font.Name != DefaultFontName || font.Color != clBlack || font.Size != DefaultFontSize
            || font.Italic || font.Bold || font.Underline;
        if (styled) {
            s.Append(" STYLE=\"");
            m_styles.AppendFontStyle(s, font, " ");
            s.Append('"');
        }
        s.Append('>');
        THTMLFilterPageFile::AppendEscaped(s, ToCodePage1252(item->Text));
        s.Append("</TD>");
        PageFile.Write(s.View());
        lastRight = x + w;
    }
}

void THTMLFilter::BeginRow()
{
    UsedWidth = 0;
    m_tableWidth = MicronsToPixels(PaperWidth);
    TByteBuffer& s = m_line;
    s.Clear();
    s.Append("<TABLE BORDER=0 CELLPADDING=0 CELLSPACING=0 WIDTH=");
    s.AppendNumber(m_tableWidth);
    s.Append('>');
    s.Append("\r\n");
    PageFile.Write(s.View());
}

void THTMLFilter::EndRow()
{
    TByteBuffer& s = m_line;
    s.Clear();
    const qint32 rest = m_tableWidth - UsedWidth;
    if (rest > 0) {
        s.Append("<TD WIDTH=");
        s.AppendNumber(rest);
        s.Append("></TD>");
    }
    s.Append("\r\n");
    s.Append("</TABLE>");
    s.Append("\r\n");
    PageFile.Write(s.View());
    TExtraFilter::EndRow();
}

void THTMLFilter::BeginPageOutput()
{
    TExtraFilter::BeginPageOutput();
    CurrentY = 0;
    const THTMLFilterOptions& options = ExtraOptions().HTML;
    PageFile.Create(THTMLFilterPageFile::FilePath(FileName(), PageNumber, options.UseFileName));
    WriteText("<HTML>" + CrLf);
    WriteText(THTMLFilterPageFile::CodePageDeclaration() + CrLf);
    WriteText("<TITLE>" + THTMLFilterPageFile::Escaped(options.Title) + "</TITLE>" + CrLf);
    WriteText("<HEAD>" + CrLf);
    WriteText("<STYLE TYPE=\"text/css\">" + CrLf);
    WriteText("<!--" + CrLf);
    // A reader whose sans-serif font is wider than the report's would otherwise wrap a cell's text.
    WriteText("  TD { font-size: 10pt; font-family: sans-serif; white-space: nowrap }" + CrLf);
    WriteText("-->" + CrLf);
    WriteText("</STYLE>" + CrLf);
    WriteText("</HEAD>" + CrLf);
    WriteText("<BODY LEFTMARGIN=0 TOPMARGIN=0>" + CrLf);
}

void THTMLFilter::EndPageOutput()
{
    const THTMLFilterOptions& options = ExtraOptions().HTML;
    PageFile.WriteNavigation(FileName(), PageNumber, LastPage, options.UseFileName, options.PrevText, options.NextText);
    WriteText("</BODY>" + CrLf);
    WriteText("</HTML>" + CrLf);
    PageFile.Commit();
    TExtraFilter::EndPageOutput();
}

void THTMLFilter::BeginDocument()
{
    TExtraFilter::BeginDocument();
    DefaultFontName = QStringLiteral("Arial");
    DefaultFontSize = 10;
}

void THTMLFilter::EndDocument()
{
    const auto& options = ExtraOptions().HTML;
    PageFile.PutInPlace(FileName(), options.UseFileName, PageNumber);
    // The chosen file only names the pages; it is kept only if something was written to it.
    if (OutputFile.IsOpen() && OutputFile.Size() == 0)
        DiscardOutputFile();
    else
        TExtraFilter::EndDocument();
}
