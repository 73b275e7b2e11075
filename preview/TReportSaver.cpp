#include "TReportSaver.h"

#include "RowFormats.h"
#include "TBandedReport.h"
#include "TExtraFilter.h"
#include "TFilterLibrary.h"
#include "TPageExporter.h"
#include "TProgressWindow.h"
#include "TPrompt.h"
#include "TReportDocument.h"
#include "TRowSink.h"

#include <QFileInfo>
#include <exception>
#include <functional>

namespace {

QString SaveFailed(const QString& fileName, const QString& reason)
{
    return QStringLiteral("The report could not be saved to \"%1\": %2").arg(fileName, reason);
}

// The row format of a save dialog choice, or null.
const TRowFormat* RowFormatOf(int choice)
{
    const qsizetype index = choice - 1 - FilterLibrary().Entries().size();
    return index >= 0 && index < RowFormats().size() ? &RowFormats()[index] : nullptr;
}

// Runs an export with the given progress or, when there is none and the report shows progress, in a
// progress window. A failure is shown naming the file; false when it failed or was cancelled.
bool RunExport(const QString& fileName, bool showProgress, const TProgressCallback& progress,
               const std::function<bool(const TProgressCallback&)>& run)
{
    std::unique_ptr<TProgressWindow> window;
    TProgressCallback callback = progress;
    if (!callback && showProgress) {
        window = std::make_unique<TProgressWindow>(QStringLiteral("Export Progress"));
        callback = window->Callback();
    }
    bool completed = false;
    QString failure;
    try {
        completed = run(callback);
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
        if (failure.isEmpty())
            failure = QStringLiteral("unknown error.");
    } catch (...) {
        failure = QStringLiteral("unknown error.");
    }
    window.reset();
    if (!failure.isEmpty()) {
        Prompt().ShowWarning(SaveFailed(fileName, failure));
        return false;
    }
    return completed;
}

bool SaveRows(const QString& fileName, const TRowFormat& format, TBandedReport* report, TReportDataSet* rows,
              const TProgressCallback& progress)
{
    if (!report || report->RowExport.IsEmpty()) {
        Prompt().ShowWarning(SaveFailed(
            fileName, report ? QStringLiteral("this report has no rows to save in this format.")
                             : QStringLiteral("a report opened from a saved file holds its pages but not its rows. "
                                              "Run the report again to save its rows.")));
        return false;
    }
    // A sink destroyed unfinished (cancelled or failed) leaves no file behind.
    return RunExport(fileName, report->ShowProgress, progress, [&](const TProgressCallback& callback) {
        return report->ExportRowsTo(*format.Create(fileName), callback, rows);
    });
}

} // namespace

QStringList TReportSaver::NameFilters(bool withRowFormats)
{
    QStringList filters{ReportFileFilter()};
    for (const TFilterEntry& entry : FilterLibrary().Entries())
        filters.append(QStringLiteral("%1 (*.%2)").arg(entry.DisplayName, entry.FileExtension));
    if (withRowFormats) {
        for (const TRowFormat& format : RowFormats())
            filters.append(QStringLiteral("%1 (*.%2)").arg(format.DisplayName, format.FileExtension));
    }
    return filters;
}

QString TReportSaver::Extension(int choice)
{
    if (choice == 0)
        return QStringLiteral("rpt");
    const auto& entries = FilterLibrary().Entries();
    if (const TRowFormat* format = RowFormatOf(choice))
        return format->FileExtension;
    if (choice < 1 || choice > entries.size())
        return {};
    return entries[choice - 1].FileExtension;
}

int TReportSaver::ChoiceOfName(const QString& fileName, bool withRowFormats)
{
    QString suffix = QFileInfo(fileName).suffix();
    if (suffix.compare(QLatin1String("jpeg"), Qt::CaseInsensitive) == 0)
        suffix = QStringLiteral("jpg");
    else if (suffix.compare(QLatin1String("html"), Qt::CaseInsensitive) == 0)
        suffix = QStringLiteral("htm");
    if (suffix.isEmpty())
        return -1;
    const int count = int(NameFilters(withRowFormats).size());
    for (int choice = 0; choice < count; ++choice)
        if (Extension(choice).compare(suffix, Qt::CaseInsensitive) == 0)
            return choice;
    return -1;
}

QString TReportSaver::WithExtension(const QString& fileName, int choice)
{
    const QString extension = Extension(choice);
    if (extension.isEmpty() || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    return fileName + QLatin1Char('.') + extension.toLower();
}

bool TReportSaver::Save(const QString& fileName, int choice, TBandedReport* report, const TReportDocument* document,
                        const TProgressCallback& progress, TReportDataSet* rows)
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
    if (const TRowFormat* format = RowFormatOf(choice))
        return SaveRows(fileName, *format, report, rows, progress);
    const auto& entries = FilterLibrary().Entries();
    if (choice < 1 || choice > entries.size() || (!report && !document))
        return false;

    // Destroying the filter before FinishExport drops what it had staged: a failed or cancelled save
    // leaves every file as it was.
    QString notice;
    const bool saved = RunExport(fileName, !report || report->ShowProgress, progress, [&](const TProgressCallback& callback) {
        std::unique_ptr<TExtraFilter> filter = entries[choice - 1].Create(fileName);
        if (!document) {
            const bool done = report->ExportTo(*filter, callback);
            notice = filter->Notice();
            return done;
        }
        TPageExporter exporter(*filter, *document);
        exporter.Start(document->FontCount() > 0 ? document->Font(0) : TFont());
        for (int i = 0; i < document->PageCount(); ++i) {
            exporter.Add(document->Page(i));
            if (callback && !callback({i + 1, 0, -1}))
                return false;
        }
        exporter.Finish();
        notice = filter->Notice();
        return true;
    });
    // Said after the save, so the message does not stand in front of the progress of a long one.
    if (saved && !notice.isEmpty())
        Prompt().ShowWarning(notice);
    return saved;
}
