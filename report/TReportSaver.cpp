#include "TReportSaver.h"

#include "TBandedReport.h"
#include "TExtraFilter.h"
#include "TFilterLibrary.h"
#include "TPageExporter.h"
#include "TProgressWindow.h"
#include "TPrompt.h"
#include "TReportDocument.h"

#include <QFileInfo>
#include <exception>

namespace {

QString SaveFailed(const QString& fileName, const QString& reason)
{
    return QStringLiteral("The report could not be saved to \"%1\": %2").arg(fileName, reason);
}

} // namespace

QStringList TReportSaver::NameFilters()
{
    QStringList filters{ReportFileFilter()};
    for (const TFilterEntry& entry : FilterLibrary().Entries())
        filters.append(QStringLiteral("%1 (*.%2)").arg(entry.DisplayName, entry.FileExtension));
    return filters;
}

QString TReportSaver::Extension(int choice)
{
    if (choice == 0)
        return QStringLiteral("rpt");
    const auto& entries = FilterLibrary().Entries();
    if (choice < 1 || choice > entries.size())
        return {};
    return entries[choice - 1].FileExtension;
}

QString TReportSaver::WithExtension(const QString& fileName, int choice)
{
    const QString extension = Extension(choice);
    if (extension.isEmpty() || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    return fileName + QLatin1Char('.') + extension.toLower();
}

bool TReportSaver::Save(const QString& fileName, int choice, TBandedReport* report, const TReportDocument* document,
                        const TProgressCallback& progress)
{
    if (choice == 0) {
        if (!document) {
            Prompt().ShowWarning(SaveFailed(fileName, QStringLiteral("there is no laid-out report to save.")));
            return false;
        }
        QString error;
        if (!document->SaveToFile(fileName, &error)) {
            Prompt().ShowWarning(error);
            return false;
        }
        return true;
    }
    const auto& entries = FilterLibrary().Entries();
    if (choice < 1 || choice > entries.size() || (!report && !document))
        return false;

    std::unique_ptr<TProgressWindow> window;
    TProgressCallback callback = progress;
    if (!callback && (!report || report->ShowProgress)) {
        window = std::make_unique<TProgressWindow>(QStringLiteral("Export Progress"));
        callback = window->Callback();
    }
    bool completed = false;
    QString failure;
    try {
        std::unique_ptr<TExtraFilter> filter = entries[choice - 1].Create(fileName);
        if (report) {
            completed = report->ExportTo(*filter, callback);
        } else {
            TPageExporter exporter(*filter, *document);
            exporter.Start(document->FontCount() > 0 ? document->Font(0) : TFont());
            completed = true;
            for (int i = 0; i < document->PageCount() && completed; ++i) {
                exporter.Add(document->Page(i));
                if (callback && !callback({i + 1, 0, -1}))
                    completed = false;
            }
            if (completed)
                exporter.Finish();
        }
        // Destroying the filter before FinishExport drops what it had staged: a failed or cancelled
        // save leaves every file as it was.
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
        if (failure.isEmpty())
            failure = QStringLiteral("unknown error.");
    } catch (...) {
        failure = QStringLiteral("unknown error.");
    }
    window.reset();
    if (!failure.isEmpty() || !completed) {
        if (!failure.isEmpty())
            Prompt().ShowWarning(SaveFailed(fileName, failure));
        return false;
    }
    return true;
}
