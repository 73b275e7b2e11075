#pragma once
// Drives the spreadsheet writers the way the engine does and reads back the bytes they wrote.
#include "TExtraFilter.h"
#include "TestFiles.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

namespace ExportTest {

struct TLabel
{
    double X = 0; // tenths of a millimetre
    double Y = 0;
    QString Text;
    int Alignment = taLeftJustify;
    const TFont* Font = nullptr; // 10-point Arial when null
};
using TPage = QList<TLabel>;

// Makes a writer for a file name, so tables of test cases can name their writer.
using TFilterFactory = std::function<std::unique_ptr<TExtraFilter>(const QString&)>;
template <typename T>
TFilterFactory FilterFactory()
{
    return [](const QString& file) -> std::unique_ptr<TExtraFilter> { return std::make_unique<T>(file); };
}

const TFont& DefaultFont();
// StartExport on US Letter, OpenPage/AddText/ClosePage per page, FinishExport.
void RunExport(TExtraFilter& filter, const QList<TPage>& pages);
// Pages of `rowsPerPage` one-label rows, `rows` in all.
QList<TPage> ManyRows(int rows, int rowsPerPage = 1000);
// "0F 00 'Total' 00": hex bytes and quoted ASCII text, separated by blanks.
QByteArray Bytes(const char* hex);

} // namespace ExportTest
