#include "ExportTestSupport.h"

#include <QFile>
#include <QStringList>

namespace ExportTest {

const TFont& DefaultFont()
{
    static const TFont font;
    return font;
}

void RunExport(TExtraFilter& filter, const QList<TPage>& pages)
{
    filter.StartExport(2159, 2794, DefaultFont());
    for (const TPage& page : pages) {
        filter.OpenPage();
        for (const TLabel& label : page) {
            filter.AddText(label.X, label.Y, label.Font ? *label.Font : DefaultFont(), clWhite, label.Alignment,
                           label.Text);
        }
        filter.ClosePage();
    }
    filter.FinishExport();
}

QList<TPage> ManyRows(int rows, int rowsPerPage)
{
    QList<TPage> pages;
    for (int row = 0; row < rows; ++row) {
        if (row % rowsPerPage == 0)
            pages.append(TPage());
        pages.last().append(TLabel{100, double(row % rowsPerPage) * 2, QStringLiteral("x"), taLeftJustify, nullptr});
    }
    return pages;
}

QByteArray Bytes(const char* hex)
{
    QByteArray result;
    const QByteArray text(hex);
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
        } else if (text[i] == '\'') {
            const qsizetype end = text.indexOf('\'', i + 1);
            result += text.mid(i + 1, end - i - 1);
            i = end + 1;
        } else {
            result += char(text.mid(i, 2).toInt(nullptr, 16));
            i += 2;
        }
    }
    return result;
}

} // namespace ExportTest
