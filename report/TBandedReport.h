#pragma once
#include "ReportProgress.h"
#include "TBand.h"
#include "TFont.h"
#include "TRowExportLayout.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TExtraFilter;
class TReportDataSet;
class TReportDocument;
class TReportGenerator;
class TPrintTarget;
class TRowSink;

// A banded report: bands of elements over a data set. Each generation lays the report out afresh
// into pages (TReportGenerator); PrintTo sends them to a printer, ExportTo hands them to an export
// filter. The report opens no window: a preview lays it out through a generator of its own.
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

    // Generates the report afresh onto the printer, handing over each page as it is laid out. False
    // when the printer failed (error says why) or the progress callback cancelled (error then says
    // which pages were already sent, empty when none); the printer's job is then aborted. A report its BeforePrint cancelled prints nothing.
    bool PrintTo(TPrintTarget& printer, const TProgressCallback& progress = {}, QString* error = nullptr);
    // Generates the report afresh into the filter, handing over each page as it is laid out.
    // False when cancelled through the progress callback. Errors of the filter propagate.
    bool ExportTo(TExtraFilter& filter, const TProgressCallback& progress = {});
    // Writes the rows of rows (by default the report's data set) in report order into the sink,
    // then the counts the report prints. False when cancelled through the progress callback. Errors
    // of the sink propagate.
    bool ExportRowsTo(TRowSink& sink, const TProgressCallback& progress = {}, TReportDataSet* rows = nullptr);
    // Lays the whole report out into a document.
    std::unique_ptr<TReportDocument> Generate(const TProgressCallback& progress = {});

    // A generation in progress (the preview lays out incrementally) shares the data set and the
    // handlers' state with any new one, so it is completed before another starts.
    void FinishPendingLayout();
    bool LayoutPending() const;

Q_SIGNALS:
    // Raised first thing in the destructor, while the report is still whole: a generation of its
    // own that a window holds must end now.
    void Destroying();

private:
    friend class TReportGenerator;
    void Attach(TReportGenerator* generator);
    void Detach(TReportGenerator* generator);

    TReportDataSet* m_dataSet = nullptr;
    std::vector<std::unique_ptr<TBand>> m_bands;
    std::vector<TReportGenerator*> m_generators;
};
