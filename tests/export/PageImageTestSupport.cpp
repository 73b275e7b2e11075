#include "PageImageTestSupport.h"

#include <QFile>

namespace PageImageTest {

const QList<TPage> ThreePages = {
    {{200, 200, taLeftJustify, QStringLiteral("First page")}},
    {},
    {{200, 200, taLeftJustify, QStringLiteral("Second page")}},
};

const TFont& DefaultFont()
{
    static const TFont font {QStringLiteral("Arial"), 20};
    return font;
}

void RunReport(TExtraFilter& filter, const QList<TPage>& pages, int paperWidth, int paperHeight)
{
    filter.StartExport(paperWidth, paperHeight, DefaultFont());
    for (const TPage& page : pages) {
        filter.OpenPage();
        for (const TLine& line : page)
            filter.AddText(line.X, line.Y, line.Font ? *line.Font : DefaultFont(), line.Background, line.Alignment,
                           line.Text);
        filter.ClosePage();
    }
    filter.FinishExport();
}

int ToPixels(double tenthsOfMm)
{
    return MicronsToPixels(NativeToMicrons(tenthsOfMm));
}

QRect DarkBounds(const QImage& image, int threshold)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < threshold)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

QString FileKind(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray head = file.read(3);
    if (head.startsWith("BM"))
        return QStringLiteral("BMP");
    if (head == QByteArray("\xFF\xD8\xFF", 3))
        return QStringLiteral("JPEG");
    return QString();
}

} // namespace PageImageTest
