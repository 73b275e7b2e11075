#pragma once
// Drives the HTML, CSS2, RTF and PDF writers the way the report engine does, and reads back what
// they wrote.
#include "CodePages.h"
#include "TestFiles.h"
#include "TExtraFilter.h"
#include "TTextMeasurer.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

namespace WriterTest {

inline constexpr int A4Width = 2100; // tenths of a millimetre
inline constexpr int A4Height = 2970;
inline constexpr int LetterWidth = 2159;
inline constexpr int LetterHeight = 2794;

inline const TFont& Arial10()
{
    static const TFont font{QStringLiteral("Arial"), 10};
    return font;
}

struct TLabel
{
    double X = 0; // tenths of a millimetre: left edge, right edge or centre after Alignment
    double Y = 0;
    QString Text;
    const TFont* Font = nullptr; // Arial10() when null
    int Alignment = taLeftJustify;
    TColor Background = clWhite;
};
using TPage = QList<TLabel>;

// StartExport, the pages, FinishExport. Like the engine, marks the last page that holds text before
// its ClosePage unless markLastPage is false.
inline void RunReport(TExtraFilter& filter, const QList<TPage>& pages, int paperWidth = A4Width,
                int paperHeight = A4Height, bool markLastPage = true)
{
    qsizetype last = pages.size() - 1;
    while (last >= 0 && pages[last].isEmpty())
        --last;
    filter.StartExport(paperWidth, paperHeight, Arial10());
    for (qsizetype i = 0; i < pages.size(); ++i) {
        filter.OpenPage();
        for (const TLabel& label : pages[i])
            filter.AddText(label.X, label.Y, label.Font ? *label.Font : Arial10(), label.Background, label.Alignment,
                           label.Text);
        if (markLastPage && i == last)
            filter.SetLastPage(true);
        filter.ClosePage();
    }
    filter.FinishExport();
}

// Pages of one label each, "Page 1", "Page 2", ...
inline QList<TPage> OneLabelPages(int count)
{
    QList<TPage> pages;
    for (int i = 1; i <= count; ++i)
        pages.append(TPage{TLabel{200, 300, QStringLiteral("Page %1").arg(i)}});
    return pages;
}

// Width and height of a line as the page model measures them, in micrometres.
inline qint32 MeasuredWidth(const TFont& font, const QString& text)
{
    TTextMeasurer measurer;
    return PixelsToMicrons(measurer.TextWidth(font, text));
}

inline qint32 MeasuredHeight(const TFont& font)
{
    TTextMeasurer measurer;
    return PixelsToMicrons(measurer.TextHeight(font));
}

// The size in pixels the HTML writers give a line's box.
inline qint32 BrowserBoxWidth(const TFont& font, const QString& text)
{
    TTextMeasurer measurer;
    return measurer.BrowserTextWidth(font, text);
}

inline qint32 BrowserBoxHeight(const TFont& font)
{
    TTextMeasurer measurer;
    return measurer.BrowserTextHeight(font);
}

} // namespace WriterTest
