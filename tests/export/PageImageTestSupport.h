#pragma once
// Runs small reports through the page-image writers and inspects the images they write.
#include "TExtraFilter.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

namespace PageImageTest {

struct TLine
{
    double X = 0; // tenths of a millimetre: left edge, right edge or centre after Alignment
    double Y = 0;
    int Alignment = taLeftJustify;
    QString Text;
    const TFont* Font = nullptr; // the default test font when null
    TColor Background = clWhite;
};
using TPage = QList<TLine>;

// Three pages, the second of them empty: it writes nothing and takes no page number.
extern const QList<TPage> ThreePages;

inline constexpr int LetterWidth = 2159;
inline constexpr int LetterHeight = 2794;

const TFont& DefaultFont();
// StartExport, the pages (an empty one prints nothing) and FinishExport.
void RunReport(TExtraFilter& filter, const QList<TPage>& pages, int paperWidth = LetterWidth, int paperHeight = LetterHeight);
// A position in tenths of a millimetre as a pixel column or row of the page image.
int ToPixels(double tenthsOfMm);
// The smallest rectangle holding every pixel darker than `threshold` (by its grey value).
QRect DarkBounds(const QImage& image, int threshold = 128);
// "BMP", "JPEG" or "" by the file's first bytes.
QString FileKind(const QString& fileName);

} // namespace PageImageTest
