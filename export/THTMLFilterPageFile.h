#pragma once
#include "TFont.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// One page file of the HTML and CSS2 writers, and what both writers share about page files: their
// names, the character references of texts and the navigation line.
//
// A page is collected in memory and written when it is complete; a page file left unfinished (the
// export stopped half-way) is removed, so only whole pages stay on disk.
class THTMLFilterPageFile
{
public:
    THTMLFilterPageFile() = default;
    ~THTMLFilterPageFile();
    THTMLFilterPageFile(const THTMLFilterPageFile&) = delete;
    THTMLFilterPageFile& operator=(const THTMLFilterPageFile&) = delete;

    // The file written for a page: "RPT0001.HTM" in the chosen file's folder, or the chosen name
    // numbered (PageFileName) when useFileName.
    static QString FilePath(const QString& chosenFile, int page, bool useFileName);
    // The same name without its folder, as the navigation links use it.
    static QString LinkName(const QString& chosenFile, int page, bool useFileName);
    // Appends text with "&", "<", ">" and the double quote written as character references.
    static void AppendEscaped(QByteArray& out, const QByteArray& text);
    static QByteArray Escaped(const QByteArray& text);
    // Appends n in decimal, as QByteArray::number writes it, without a temporary array.
    static void AppendNumber(QByteArray& out, qint64 n);
    // The head element that names the pages' code page (1252), so that readers show accented names.
    static QByteArray CodePageDeclaration();

    // Creates the page file; a file that cannot be created raises "File Error: " + path.
    void Create(const QString& path);
    void Write(const QByteArray& bytes);
    // Writes the links to the neighbouring pages: none for a single page, only the previous link on
    // the last page, only the next link on the first.
    void WriteNavigation(const QString& chosenFile, int page, bool lastPage, bool useFileName,
                         const QByteArray& prevText, const QByteArray& nextText);
    // Writes the page and closes the file; a failed write raises "File Error: " + path.
    void Commit();

private:
    void Discard();
    [[noreturn]] void Fail();

    QFile m_file;
    QString m_path;
    QByteArray m_buffer;
};

// The last font name and colours the HTML writers converted to bytes. Labels mostly repeat the font
// and colours of the label before, and converting them costs several allocations each.
class THtmlStyleCache
{
public:
    const QByteArray& FontNameBytes(const QString& name);
    // One slot for backgrounds (0) and one for text colours (1).
    const QByteArray& ColorBytes(TColor color, int slot);

private:
    QString m_lastFontName;
    QByteArray m_lastFontNameBytes;
    TColor m_lastColor[2] = {};
    QByteArray m_lastColorBytes[2];
};
