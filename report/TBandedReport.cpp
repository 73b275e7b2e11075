#include "TBandedReport.h"

#include "TExtraFilter.h"
#include "TPageExporter.h"
#include "TPrintTarget.h"
#include "TReportDocument.h"
#include "TReportGenerator.h"
#include "TRowExporter.h"

#include <algorithm>

TBandedReport::TBandedReport(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("QuickRep"));
}

TBandedReport::~TBandedReport()
{
    Q_EMIT Destroying();
}

TBand* TBandedReport::AddBand(TBandType type, const QString& name, double heightPx)
{
    m_bands.push_back(std::make_unique<TBand>(*this, type, name, heightPx));
    return m_bands.back().get();
}

TBand* TBandedReport::Band(const QString& name) const
{
    for (const auto& band : m_bands)
        if (band->Name() == name)
            return band.get();
    return nullptr;
}

void TBandedReport::Attach(TReportGenerator* generator)
{
    m_generators.push_back(generator);
}

void TBandedReport::Detach(TReportGenerator* generator)
{
    m_generators.erase(std::remove(m_generators.begin(), m_generators.end(), generator), m_generators.end());
}

bool TBandedReport::LayoutPending() const
{
    return !m_generators.empty();
}

void TBandedReport::FinishPendingLayout()
{
    // Finishing a generator detaches it, so take a copy of the list first.
    const std::vector<TReportGenerator*> pending = m_generators;
    // A generator whose handler asked for a new generation cannot be finished from inside itself;
    // Step() refuses to re-enter it.
    for (TReportGenerator* generator : pending)
        while (generator->Step()) {
        }
}

std::unique_ptr<TReportDocument> TBandedReport::Generate(const TProgressCallback& progress)
{
    FinishPendingLayout();
    auto document = std::make_unique<TReportDocument>();
    TReportGenerator generator(*this, *document);
    if (!generator.Start())
        return document;
    while (true) {
        generator.StepToPage();
        while (generator.HasPage())
            document->AddPage(generator.TakePage());
        if (generator.Finished())
            break;
        if (progress && !progress({generator.PagesLaidOut(), generator.RowsDone(), generator.RowCount()}))
            return nullptr;
    }
    return document;
}

bool TBandedReport::ExportTo(TExtraFilter& filter, const TProgressCallback& progress)
{
    FinishPendingLayout();
    TReportDocument document;
    TReportGenerator generator(*this, document);
    if (!generator.Start())
        return true;
    TPageExporter exporter(filter, document);
    exporter.Start(document.Font(document.AddFont(Font)));
    while (true) {
        generator.StepToPage();
        while (generator.HasPage())
            exporter.Add(generator.TakePage());
        if (generator.Finished())
            break;
        if (progress && !progress({generator.PagesLaidOut(), generator.RowsDone(), generator.RowCount()}))
            return false;
    }
    exporter.Finish();
    return true;
}

bool TBandedReport::ExportRowsTo(TRowSink& sink, const TProgressCallback& progress, TReportDataSet* rows)
{
    // A preview still laying out reads the same data set.
    FinishPendingLayout();
    return TRowExporter().Run(*this, sink, progress, rows);
}

bool TBandedReport::PrintTo(TPrintTarget& printer, const TProgressCallback& progress, QString* error)
{
    FinishPendingLayout();
    TReportDocument document;
    TReportGenerator generator(*this, document);
    if (!generator.Start())
        return true;
    if (!printer.Begin(document, error))
        return false;
    int sent = 0;
    while (true) {
        generator.StepToPage();
        // Cancel is asked after every page, so no page goes out once it is pressed.
        while (generator.HasPage()) {
            if (!printer.PrintPage(document, generator.TakePage(), error)) {
                printer.Abort();
                return false;
            }
            ++sent;
            if (progress && !progress({sent, generator.RowsDone(), generator.RowCount()})) {
                printer.Abort();
                if (error)
                    *error = TPrintTarget::CancelledMessage();
                return false;
            }
        }
        if (generator.Finished())
            break;
    }
    return printer.End(error);
}
