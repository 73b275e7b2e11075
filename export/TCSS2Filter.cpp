#include "TCSS2Filter.h"

#include "CodePages.h"
#include "TExtraOptions.h"

#include <algorithm>

namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

} // namespace

TCSS2Filter::TCSS2Filter(const QString& fileName)
    : THTMLPageFilter(fileName)
{
}

QString TCSS2Filter::Description() const { return DisplayName(); }

QString TCSS2Filter::FileExtension() const { return QStringLiteral("HTM"); }

QString TCSS2Filter::DisplayName() const { return QStringLiteral("CSS2 File"); }

THTMLPageFilter::TPageFileOptions TCSS2Filter::PageFileOptions() const
{
    const TCSS2FilterOptions& options = ExtraOptions().CSS2;
    return {options.UseFileName, options.Title, options.PrevText, options.NextText};
}

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
        THTMLFilterPageFile::AppendText(s, item->Text);
        s.Append("</DIV>");
        s.Append("\r\n");
        PageFile.Write(s.View());
    }
}

void TCSS2Filter::WritePageHead()
{
    // A reader without the report's fonts draws wider text; it runs past its block rather than wrap
    // onto the row below.
    WriteText("<STYLE TYPE=\"text/css\">DIV { white-space: nowrap }</STYLE>" + CrLf);
    WriteText("<BODY LEFTMARGIN=0 TOPMARGIN=0>" + CrLf);
    WriteText("<TABLE BORDER=0 CELLPADDING=0 CELLSPACING=0 WIDTH=" + QByteArray::number(MicronsToPixels(PaperWidth))
              + ">" + CrLf);
    WriteText("<TR><TD HEIGHT=" + QByteArray::number(MicronsToPixels(PaperHeight)) + ">");
}

void TCSS2Filter::WritePageFoot()
{
    WriteText("</TD></TABLE>" + CrLf);
}
