#include "THTMLFilterPageFile.h"

#include "CodePages.h"


namespace {

const QByteArray CrLf = QByteArrayLiteral("\r\n");

QByteArray LinkBytes(const QString& chosenFile, int page, bool useFileName)
{
    // The pages declare code page 1252, in which the file names are written.
    TByteBuffer link;
    THTMLFilterPageFile::AppendText(link, THTMLFilterPageFile::LinkName(chosenFile, page, useFileName));
    return link.View().toByteArray();
}

} // namespace

TFileSeries THTMLFilterPageFile::Series(const QString& chosenFile, bool useFileName)
{
    const TFileSeries chosen = PageFileSeries(chosenFile);
    return useFileName ? chosen : TFileSeries{chosen.Folder, QStringLiteral("RPT"), QStringLiteral(".HTM")};
}

QString THTMLFilterPageFile::FilePath(const QString& chosenFile, int page, bool useFileName)
{
    return Series(chosenFile, useFileName).Path(page);
}

QString THTMLFilterPageFile::LinkName(const QString& chosenFile, int page, bool useFileName)
{
    return Series(chosenFile, useFileName).FileName(page);
}

void THTMLFilterPageFile::AppendEscaped(TByteBuffer& out, const QByteArray& text)
{
    const char* const begin = text.constData();
    const char* const end = begin + text.size();
    const char* plain = begin;
    for (const char* p = begin; p != end; ++p) {
        const char* reference = nullptr;
        switch (*p) {
        case '&':
            reference = "&amp;";
            break;
        case '<':
            reference = "&lt;";
            break;
        case '>':
            reference = "&gt;";
            break;
        case '"':
            reference = "&quot;";
            break;
        default:
            continue;
        }
        out.Append(plain, p - plain);
        out.Append(reference);
        plain = p + 1;
    }
    out.Append(plain, end - plain);
}

namespace {

// Text in the pages' code page: what code page 1252 holds as its bytes, escaped or not, and every other
// character as a numeric character reference.
void AppendCharacters(TByteBuffer& out, const QString& text, bool escape)
{
    const auto appendBytes = [&out, escape](const QString& part) {
        const QByteArray bytes = ToCodePage1252(part);
        if (escape)
            THTMLFilterPageFile::AppendEscaped(out, bytes);
        else
            out.Append(bytes.constData(), bytes.size());
    };
    if (FitsCodePage1252(text)) {
        appendBytes(text);
        return;
    }
    const char16_t* const units = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype count = text.size();
    qsizetype plain = 0; // start of the characters not yet appended that code page 1252 holds
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t unit = units[i];
        if (CodePage1252Byte(unit) >= 0)
            continue;
        appendBytes(text.mid(plain, i - plain));
        char32_t character = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < count && QChar::isLowSurrogate(units[i + 1]))
            character = QChar::surrogateToUcs4(unit, units[++i]);
        else if (QChar::isSurrogate(unit))
            character = 0xFFFD; // half a character: the replacement character, as a reader shows it
        out.Append("&#");
        out.AppendNumber(character);
        out.Append(';');
        plain = i + 1;
    }
    appendBytes(text.mid(plain));
}

} // namespace

void THTMLFilterPageFile::AppendText(TByteBuffer& out, const QString& text)
{
    AppendCharacters(out, text, true);
}

void THTMLFilterPageFile::AppendMarkup(TByteBuffer& out, const QString& markup)
{
    AppendCharacters(out, markup, false);
}

QByteArray THTMLFilterPageFile::Text(const QString& text)
{
    TByteBuffer result;
    AppendText(result, text);
    return result.View().toByteArray();
}

QByteArray THTMLFilterPageFile::Markup(const QString& markup)
{
    TByteBuffer result;
    AppendMarkup(result, markup);
    return result.View().toByteArray();
}

QByteArray THTMLFilterPageFile::CodePageDeclaration()
{
    return QByteArrayLiteral("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1252\">");
}

QByteArray THTMLFilterPageFile::Escaped(const QByteArray& text)
{
    TByteBuffer result;
    AppendEscaped(result, text);
    return result.View().toByteArray();
}

void THTMLFilterPageFile::Create(const QString& path)
{
    m_page = &m_pages.Add(path, true);
}

void THTMLFilterPageFile::Write(QByteArrayView bytes) { m_page->Write(bytes); }

void THTMLFilterPageFile::WriteNavigation(const QString& chosenFile, int page, bool lastPage, bool useFileName,
                                          const QString& prevText, const QString& nextText)
{
    const bool hasPrev = page > 1;
    const bool hasNext = !lastPage;
    if (!hasPrev && !hasNext)
        return;
    QByteArray line = QByteArrayLiteral("<H1><B><P ALIGN=CENTER>");
    if (hasPrev)
        line += "<A HREF=\"" + LinkBytes(chosenFile, page - 1, useFileName) + "\">" + Markup(prevText) + "</A>";
    if (hasPrev && hasNext)
        line += ' ';
    if (hasNext)
        line += "<A HREF=\"" + LinkBytes(chosenFile, page + 1, useFileName) + "\">" + Markup(nextText) + "</A>";
    line += "</B></H1>";
    Write(line);
}

void THTMLFilterPageFile::Commit()
{
    m_page->Close();
    m_page = nullptr;
}

void THTMLFilterPageFile::PutInPlace(const QString& chosenFile, bool useFileName, int lastPage)
{
    m_pages.Commit(Series(chosenFile, useFileName), lastPage);
}

const QByteArray& THtmlStyleCache::FontNameBytes(const QString& name)
{
    if (name != m_lastFontName || m_lastFontNameBytes.isNull()) {
        m_lastFontName = name;
        m_lastFontNameBytes = QByteArray("");
        // A character the code page does not hold is a CSS escape of six hex digits, which reads the
        // same in a style sheet and in a style attribute.
        for (const char32_t character : name.toUcs4()) {
            if (const int byte = CodePage1252Byte(character); byte >= 0)
                m_lastFontNameBytes += char(byte);
            else
                m_lastFontNameBytes += '\\' + QByteArray::number(uint(character), 16).toUpper().rightJustified(6, '0');
        }
    }
    return m_lastFontNameBytes;
}

void THtmlStyleCache::AppendFontStyle(TByteBuffer& out, const TFont& font, const char* gap)
{
    out.Append("font-size: ");
    out.AppendNumber(font.Size);
    out.Append("pt;");
    out.Append(gap);
    out.Append("font-family: ");
    THTMLFilterPageFile::AppendEscaped(out, FontNameBytes(font.Name));
    out.Append(';');
    out.Append(gap);
    out.Append("color: ");
    out.Append(ColorBytes(font.Color, 1));
    out.Append(';');
    const auto declare = [&](bool has, const char* declaration) {
        if (has) {
            out.Append(gap);
            out.Append(declaration);
        }
    };
    declare(font.Italic, "font-style: italic;");
    declare(font.Bold, "font-weight: bold;");
    declare(font.Underline, "text-decoration: underline;");
}

const QByteArray& THtmlStyleCache::ColorBytes(TColor color, int slot)
{
    if (color != m_lastColor[slot] || m_lastColorBytes[slot].isNull()) {
        m_lastColor[slot] = color;
        m_lastColorBytes[slot] = HtmlColor(color);
    }
    return m_lastColorBytes[slot];
}

void THTMLPageFilter::WriteText(const QByteArray& s) { PageFile.Write(s); }

void THTMLPageFilter::BeginPageOutput()
{
    TExtraFilter::BeginPageOutput();
    const TPageFileOptions options = PageFileOptions();
    PageFile.Create(THTMLFilterPageFile::FilePath(FileName(), PageNumber, options.UseFileName));
    WriteText("<HTML>" + CrLf);
    WriteText(THTMLFilterPageFile::CodePageDeclaration() + CrLf);
    WriteText("<TITLE>" + THTMLFilterPageFile::Text(options.Title) + "</TITLE>" + CrLf);
    WritePageHead();
}

void THTMLPageFilter::EndPageOutput()
{
    const TPageFileOptions options = PageFileOptions();
    WritePageFoot();
    PageFile.WriteNavigation(FileName(), PageNumber, LastPage, options.UseFileName, options.PrevText, options.NextText);
    WriteText("</BODY>" + CrLf);
    WriteText("</HTML>" + CrLf);
    PageFile.Commit();
    TExtraFilter::EndPageOutput();
}

void THTMLPageFilter::EndDocument()
{
    PageFile.PutInPlace(FileName(), PageFileOptions().UseFileName, PageNumber);
    // The chosen file only names the pages; it is kept only if something was written to it.
    if (OutputFile.IsOpen() && OutputFile.Size() == 0)
        DiscardOutputFile();
    else
        TExtraFilter::EndDocument();
}
