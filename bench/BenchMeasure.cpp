#include "BenchMeasure.h"

#include "ActivityStatement.h"
#include "CreateForm.h"
#include "ExtraFilters.h"
#include "RowFormats.h"
#include "TActivityReport.h"
#include "TBandedReport.h"
#include "TExtraFilter.h"
#include "TFilterLibrary.h"
#include "TPreviewWindow.h"
#include "TPrompt.h"
#include "TQuery.h"
#include "TRadioGroup.h"
#include "TReportDocument.h"
#include "TSession.h"
#include "TfrmActivityRep.h"
#include "ChildProcess.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <stdexcept>

namespace {

// Longest wait for the preview's first paint; past it the measurement fails instead of hanging.
constexpr qint64 FirstPaintLimitMs = 120000;

[[noreturn]] void Fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

double Elapsed(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

// Nobody answers during a measurement: any warning or error box fails it.
class TPromptScope
{
public:
    TPromptScope() { SetPrompt(&m_prompt); }
    ~TPromptScope() { SetPrompt(nullptr); }
    TPromptScope(const TPromptScope&) = delete;
    TPromptScope& operator=(const TPromptScope&) = delete;

    void Check() const
    {
        const QStringList shown = m_prompt.Warnings + m_prompt.Errors;
        if (!shown.isEmpty())
            Fail(shown.join(QLatin1Char(' ')));
    }

private:
    TScriptedPrompt m_prompt;
};

// Notes the first paint of the page view; the paint itself follows at once in the same dispatch.
class TPaintWatcher : public QObject
{
public:
    bool Painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            Painted = true;
        return QObject::eventFilter(watched, event);
    }
};

const TFilterEntry& FindFilter(const QString& format)
{
    if (FilterLibrary().Entries().isEmpty())
        RegisterExtraFilters();
    for (const TFilterEntry& entry : FilterLibrary().Entries()) {
        if (entry.ClassName.compare(format, Qt::CaseInsensitive) == 0
            || entry.DisplayName.compare(format, Qt::CaseInsensitive) == 0)
            return entry;
    }
    Fail(QStringLiteral("Unknown export format \"%1\".").arg(format));
}

void SelectEveryEnrolment(TfrmActivityRep& window)
{
    window.FormShow();
    window.rgDateRange->SetItemIndex(moAllMembers);
    window.rgMember->SetItemIndex(mfAll);
    window.Report().ShowProgress = false;
}

int FetchAll(TQuery& query)
{
    const int fields = int(query.Fields().size());
    int rows = 0;
    qint64 nonNull = 0;
    while (!query.Eof()) {
        for (int i = 0; i < fields; ++i) {
            if (query.FieldValue(i).isValid())
                ++nonNull;
        }
        ++rows;
        query.Next();
    }
    // Every row has its member number and activity at least.
    if (rows > 0 && nonNull < qint64(rows) * 2)
        Fail(QStringLiteral("The report fields read as empty."));
    return rows;
}

void MeasurePreview(TfrmActivityRep& window, TMeasurement& result)
{
    QElapsedTimer timer;
    timer.start();
    window.OpenReportQuery();
    auto preview = std::make_unique<TPreviewWindow>();
    if (!preview->StartLayout(window.Report()))
        Fail(QStringLiteral("The report was not produced."));
    TPaintWatcher watcher;
    QWidget* view = preview->findChild<QWidget*>(QStringLiteral("PageView"));
    if (!view)
        Fail(QStringLiteral("The preview has no page view."));
    view->installEventFilter(&watcher);
    preview->show();
    while (!watcher.Painted && timer.elapsed() < FirstPaintLimitMs)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!watcher.Painted)
        Fail(QStringLiteral("The preview painted no page."));
    result.FirstPageSeconds = Elapsed(timer);
    result.FirstPageKiB = OwnPeakKiB();

    // Then what a user paging to the end would wait for, and the memory the whole document holds.
    preview->FinishLayout();
    result.Seconds = Elapsed(timer);
    result.Pages = preview->PageCount();
    view->removeEventFilter(&watcher);
}

} // namespace

TMeasurement Measure(const TBenchOptions& options)
{
    TSession::Instance().SetAliasFile(options.AliasFile);
    TPromptScope prompt;
    std::unique_ptr<TfrmActivityRep> window = CreateForm<TfrmActivityRep>();
    SelectEveryEnrolment(*window);

    TMeasurement result;
    QElapsedTimer timer;
    timer.start();
    switch (options.Kind) {
    case mkStatement: {
        window->OpenReportQuery();
        QFile file(options.StatementFile);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            Fail(QStringLiteral("%1 cannot be written: %2").arg(options.StatementFile, file.errorString()));
        file.write(window->ReportQuery().EngineSql().toUtf8() + ";\n");
        if (!file.flush())
            Fail(QStringLiteral("%1 cannot be written: %2").arg(options.StatementFile, file.errorString()));
        break;
    }
    case mkFetch:
        window->OpenReportQuery();
        result.Rows = FetchAll(window->ReportQuery());
        break;
    case mkLayout: {
        window->OpenReportQuery();
        const std::unique_ptr<TReportDocument> document = window->Report().Generate();
        if (!document)
            Fail(QStringLiteral("The layout was cancelled."));
        result.Pages = document->PageCount();
        result.Rows = window->ActivityReport().TotalCount;
        break;
    }
    case mkExport: {
        if (const TRowFormat* format = FindRowFormat(options.Format)) {
            window->OpenReportQuery();
            const QString fileName =
                QDir(options.OutputFolder).filePath(QStringLiteral("report.") + format->FileExtension);
            if (!window->Report().ExportRowsTo(*format->Create(fileName)))
                Fail(QStringLiteral("The export was cancelled."));
            break;
        }
        const TFilterEntry& entry = FindFilter(options.Format);
        const QString fileName =
            QDir(options.OutputFolder).filePath(QStringLiteral("report.") + entry.FileExtension.toLower());
        window->OpenReportQuery();
        const std::unique_ptr<TExtraFilter> filter = entry.Create(fileName);
        if (!window->Report().ExportTo(*filter))
            Fail(QStringLiteral("The export was cancelled."));
        result.Rows = window->ActivityReport().TotalCount;
        break;
    }
    case mkPreview:
        MeasurePreview(*window, result);
        result.Rows = window->ActivityReport().TotalCount;
        break;
    }
    if (options.Kind != mkPreview)
        result.Seconds = Elapsed(timer);
    prompt.Check();
    return result;
}

QString MeasurementLine(const TMeasurement& m)
{
    return QStringLiteral("measured seconds=%1 rows=%2 pages=%3 first=%4 firstkib=%5")
        .arg(m.Seconds, 0, 'f', 6)
        .arg(m.Rows)
        .arg(m.Pages)
        .arg(m.FirstPageSeconds, 0, 'f', 6)
        .arg(m.FirstPageKiB);
}

bool ParseMeasurementLine(const QString& line, TMeasurement& m)
{
    const QStringList parts = line.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.value(0) != QLatin1String("measured"))
        return false;
    int found = 0;
    for (const QString& part : parts.mid(1)) {
        const QString key = part.section(QLatin1Char('='), 0, 0);
        const QString value = part.section(QLatin1Char('='), 1);
        bool ok = false;
        if (key == QLatin1String("seconds"))
            m.Seconds = value.toDouble(&ok);
        else if (key == QLatin1String("rows"))
            m.Rows = value.toInt(&ok);
        else if (key == QLatin1String("pages"))
            m.Pages = value.toInt(&ok);
        else if (key == QLatin1String("first"))
            m.FirstPageSeconds = value.toDouble(&ok);
        else if (key == QLatin1String("firstkib"))
            m.FirstPageKiB = value.toLongLong(&ok);
        if (!ok)
            return false;
        ++found;
    }
    return found == 5;
}
