#pragma once
#include "TByteBuffer.h"
#include "TExtraFilter.h"
#include "TFont.h"
#include "TStagedFileSet.h"

#include <QByteArray>
#include <QString>

// The page files of the HTML and CSS2 writers, and what both writers share about page files: their
// names, the character references of texts and the navigation line.
//
// Pages are staged under temporary names and put in place together by PutInPlace, after the last
// page; pages of an export that stops half-way are removed and the folder stays as it was.
class THTMLFilterPageFile
{
public:
    // The file written for a page: "RPT0001.HTM" in the chosen file's folder, or the chosen name
    // numbered (PageFileName) when useFileName.
    static QString FilePath(const QString& chosenFile, int page, bool useFileName);
    // The series of those names, from which an earlier, longer export's pages are removed.
    static TFileSeries Series(const QString& chosenFile, bool useFileName);
    // The same name without its folder, as the navigation links use it.
    static QString LinkName(const QString& chosenFile, int page, bool useFileName);
    // Appends text with "&", "<", ">" and the double quote written as character references.
    static void AppendEscaped(TByteBuffer& out, const QByteArray& text);
    static QByteArray Escaped(const QByteArray& text);
    // Text as the pages hold it: what code page 1252 holds as its bytes, escaped as above, and every
    // other character as a numeric character reference ("&#322;").
    static void AppendText(TByteBuffer& out, const QString& text);
    static QByteArray Text(const QString& text);
    // Markup such as the navigation labels ("&lt&lt"): what code page 1252 holds as its bytes, as it
    // stands, and every other character as a numeric character reference.
    static void AppendMarkup(TByteBuffer& out, const QString& markup);
    static QByteArray Markup(const QString& markup);
    // The head element that names the pages' code page (1252), so that readers show accented names.
    static QByteArray CodePageDeclaration();

    // Starts the page file; one that cannot be created raises "File Error: " + path and the reason.
    void Create(const QString& path);
    void Write(QByteArrayView bytes);
    // Writes the links to the neighbouring pages: none for a single page, only the previous link on
    // the last page, only the next link on the first.
    void WriteNavigation(const QString& chosenFile, int page, bool lastPage, bool useFileName,
                         const QString& prevText, const QString& nextText);
    // Completes the page; a failed write raises "File Error: " + path and the reason.
    void Commit();
    // Puts every page in place and removes pages of the same series numbered above lastPage, left by
    // an earlier, longer export.
    void PutInPlace(const QString& chosenFile, bool useFileName, int lastPage);

private:
    TStagedFileSet m_pages;
    TStagedFile* m_page = nullptr;
};

// The last font name and colours the HTML writers converted to bytes. Labels mostly repeat the font
// and colours of the label before, and converting them costs several allocations each.
class THtmlStyleCache
{
public:
    const QByteArray& FontNameBytes(const QString& name);
    // One slot for backgrounds (0) and one for text colours (1).
    const QByteArray& ColorBytes(TColor color, int slot);
    // "font-size: 10pt;" gap "font-family: NAME;" gap "color: #RRGGBB;", then gap and each of the
    // italic, bold and underline declarations the font has. The HTML writer puts a blank between
    // declarations, the CSS2 writer nothing.
    void AppendFontStyle(TByteBuffer& out, const TFont& font, const char* gap);

private:
    QString m_lastFontName;
    QByteArray m_lastFontNameBytes;
    TColor m_lastColor[2] = {};
    QByteArray m_lastColorBytes[2];
};

// What the HTML and CSS2 writers share about the life of their page files: each page is a file of
// its own that opens with the page's head and closes with the navigation line, and the pages are put
// in place together at the end. The chosen file only names the pages.
class THTMLPageFilter : public TExtraFilter
{
public:
    using TExtraFilter::TExtraFilter;

protected:
    // The writer's options that concern its page files.
    struct TPageFileOptions
    {
        bool UseFileName = false;
        QString Title;
        QString PrevText; // markup
        QString NextText;
    };
    virtual TPageFileOptions PageFileOptions() const = 0;
    // What follows the title in the writer's pages, and what precedes the navigation line.
    virtual void WritePageHead() = 0;
    virtual void WritePageFoot() {}

    // Writes to the current page file; the chosen file itself stays empty and is not kept.
    void WriteText(const QByteArray& s) override;
    void BeginPageOutput() override;
    void EndPageOutput() override;
    void EndDocument() override;

    THTMLFilterPageFile PageFile;
};
