#pragma once
#include "ReportProgress.h"
#include "TBand.h"
#include "TFont.h"
#include "TRowExportLayout.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class TExtraFilter;
class TReportDataSet;
class TReportDocument;
class TReportGenerator;
class TRowSink;
class TPreviewWindow;

// A banded report: bands of elements over a data set. Each generation lays the report out afresh
// into pages (TReportGenerator); Preview shows them, Print sends them to the default printer and
// ExportTo hands them to an export filter.
class TBandedReport : public QObject
{
    Q_OBJECT
public:
    explicit TBandedReport(QObject* parent = nullptr);
    ~TBandedReport() override;

    // Paper and margins in tenths of a millimetre: US Letter portrait with half-inch margins.
    double PaperWidth = 2159;
    double PaperHeight = 2794;
    double LeftMargin = 127;
    double TopMargin = 127;
    double RightMargin = 127;
    double BottomMargin = 127;
    TFont Font;
    int Columns = 1;
    bool PrintIfEmpty = false;
    bool ShowProgress = true;
    // The report's columns for the row exports (XLSX, CSV); empty when it offers none.
    TRowExportLayout RowExport;

    void SetDataSet(TReportDataSet* dataSet) { m_dataSet = dataSet; }
    TReportDataSet* DataSet() const { return m_dataSet; }

    // Bands print in the order their types give; several group headers nest in the order added.
    TBand* AddBand(TBandType type, const QString& name, double heightPx);
    const std::vector<std::unique_ptr<TBand>>& Bands() const { return m_bands; }
    TBand* Band(const QString& name) const;

    // Raised once at the start of every generation, before any band; the report is not produced
    // when the handler leaves printReport false.
    std::function<void(TBandedReport&, bool& printReport)> BeforePrint;

    // Generates the report and shows it in the preview window; returns when the window has been
    // closed, dispatching events meanwhile.
    void Preview();
    // Generates the report straight onto the default printer with a progress window; with no
    // printer installed it says so and does nothing else.
    void Print();
    // Generates the report afresh into the filter, handing over each page as it is laid out.
    // False when cancelled through the progress callback. Errors of the filter propagate.
    bool ExportTo(TExtraFilter& filter, const TProgressCallback& progress = {});
    // Writes the data set's rows in report order into the sink, then the counts the report prints.
    // False when cancelled through the progress callback. Errors of the sink propagate.
    bool ExportRowsTo(TRowSink& sink, const TProgressCallback& progress = {});
    // Lays the whole report out into a document.
    std::unique_ptr<TReportDocument> Generate(const TProgressCallback& progress = {});

    // A generation in progress (the preview lays out incrementally) shares the data set and the
    // handlers' state with any new one, so it is completed before another starts.
    void FinishPendingLayout();
    bool LayoutPending() const;

    // The open preview window, if any (for tests and for closing it from the caller).
    TPreviewWindow* PreviewWindow() const;

private:
    friend class TReportGenerator;
    void Attach(TReportGenerator* generator);
    void Detach(TReportGenerator* generator);

    TReportDataSet* m_dataSet = nullptr;
    std::vector<std::unique_ptr<TBand>> m_bands;
    std::vector<TReportGenerator*> m_generators;
    QPointer<QWidget> m_preview;
};
