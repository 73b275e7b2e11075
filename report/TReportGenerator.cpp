#include "TReportGenerator.h"

#include "DateTime.h"
#include "TBand.h"
#include "TBandedReport.h"
#include "TReportDataSet.h"
#include "TReportDocument.h"
#include "TTextMeasurer.h"

#include <algorithm>

TReportGenerator::TReportGenerator(TBandedReport& report, TReportDocument& document, TReportDataSet* dataSet)
    : m_report(report), m_document(document), m_ownDataSet(dataSet)
{
}

TReportGenerator::~TReportGenerator()
{
    if (m_started && !m_finished)
        m_report.Detach(this);
}

bool TReportGenerator::Start()
{
    if (m_started)
        return !m_finished || m_pageNumber > 0;
    m_started = true;
    bool printReport = true;
    if (m_report.BeforePrint)
        m_report.BeforePrint(m_report, printReport);
    if (!printReport) {
        m_finished = true;
        return false;
    }
    m_report.Attach(this);

    m_dataSet = m_ownDataSet ? m_ownDataSet : m_report.DataSet();
    m_measurer = std::make_unique<TTextMeasurer>();
    m_today = Date();
    m_document.PaperWidth = m_report.PaperWidth;
    m_document.PaperHeight = m_report.PaperHeight;
    m_document.AddFont(m_report.Font);
    m_left = m_report.LeftMargin;
    m_top = m_report.TopMargin;
    m_bottom = m_report.PaperHeight - m_report.BottomMargin;

    for (const auto& band : m_report.Bands()) {
        TBand* b = band.get();
        switch (b->Type()) {
        case btTitle: if (!m_title) m_title = b; break;
        case btColumnHeader: if (!m_columnHeader) m_columnHeader = b; break;
        case btDetail: if (!m_detail) m_detail = b; break;
        case btSummary: if (!m_summary) m_summary = b; break;
        case btGroupHeader: m_groups.push_back(TGroup{b, -1, QVariant()}); break;
        case btGroupFooter: break;
        }
        Prepare(b);
    }
    if (m_dataSet) {
        for (TGroup& group : m_groups)
            group.Field = m_dataSet->FieldIndex(group.Header->ExpressionField());
        m_rowFields = m_usedFields;
        for (const TGroup& group : m_groups)
            if (group.Field >= 0 && std::find(m_rowFields.begin(), m_rowFields.end(), group.Field) == m_rowFields.end())
                m_rowFields.push_back(group.Field);
        int maxField = -1;
        for (int field : m_rowFields)
            maxField = std::max(maxField, field);
        m_snapshot.assign(size_t(maxField + 1), QVariant());
        m_row.assign(size_t(maxField + 1), QVariant());
        m_dataSet->First();
        m_rowCount = m_dataSet->RecordCount();
    }

    NewPage(false);
    if (!m_dataSet || m_dataSet->Eof()) {
        if (m_report.PrintIfEmpty)
            PrintBand(m_summary);
        Finish();
    }
    return true;
}

void TReportGenerator::Prepare(TBand* band)
{
    TPrepareContext context{m_document, m_dataSet ? m_dataSet : m_report.DataSet()};
    for (const auto& element : band->Elements()) {
        element->Prepare(context);
        const int field = element->FieldIndexUsed();
        if (field >= 0 && std::find(m_usedFields.begin(), m_usedFields.end(), field) == m_usedFields.end())
            m_usedFields.push_back(field);
    }
}

bool TReportGenerator::Step()
{
    if (!m_started)
        Start();
    if (m_finished || m_stepping)
        return false;
    if (m_dataSet->Eof()) {
        Finish();
        return false;
    }
    struct TSteppingFlag
    {
        bool& Flag;
        explicit TSteppingFlag(bool& flag) : Flag(flag) { Flag = true; }
        ~TSteppingFlag() { Flag = false; }
    } stepping(m_stepping);

    ReadRow();
    // The outermost group whose value changed; every group inside it changes with it.
    const QVariant none;
    auto groupValue = [&](const TGroup& group) -> const QVariant& {
        return group.Field >= 0 ? m_row[size_t(group.Field)] : none;
    };
    size_t level = m_groups.size();
    for (size_t i = 0; i < m_groups.size(); ++i)
        if (m_firstRow || groupValue(m_groups[i]) != m_groups[i].Value) {
            level = i;
            break;
        }
    if (!m_firstRow)
        PrintFootersFrom(level);
    for (size_t i = level; i < m_groups.size(); ++i) {
        m_groups[i].Value = groupValue(m_groups[i]);
        PrintBand(m_groups[i].Header);
    }
    PrintBand(m_detail, false, true);
    TakeSnapshot();
    m_firstRow = false;
    ++m_rows;

    m_dataSet->Next();
    if (m_dataSet->Eof()) {
        PrintFootersFrom(0);
        PrintBand(m_summary);
        Finish();
    }
    return !m_finished;
}

void TReportGenerator::StepToPage()
{
    while (!HasPage() && Step()) {
    }
}

TReportPage TReportGenerator::TakePage()
{
    TReportPage page = std::move(m_ready.front());
    m_ready.pop_front();
    return page;
}

// Converting a stored value is the costliest part of a row's layout, so every field is read once per
// row here and the bands of that row print from these values.
void TReportGenerator::ReadRow()
{
    for (int field : m_rowFields)
        m_row[size_t(field)] = m_dataSet->Value(field);
    m_rowRead = true;
}

// The row's values stay for the footers printed once the data set has moved on.
void TReportGenerator::TakeSnapshot()
{
    m_snapshot.swap(m_row);
    m_rowRead = false;
}

void TReportGenerator::PrintFootersFrom(size_t level)
{
    for (size_t i = m_groups.size(); i > level; --i)
        if (TBand* footer = m_groups[i - 1].Header->FooterBand())
            PrintBand(footer, true);
}

void TReportGenerator::PrintBand(TBand* band, bool fromSnapshot, bool detail)
{
    if (!band)
        return;
    bool printBand = band->Enabled();
    if (band->BeforePrint)
        band->BeforePrint(*band, printBand);
    if (!printBand)
        return;
    // A band taller than an empty page prints there anyway (cut at the margin) rather than
    // starting pages for ever.
    if (m_bodyOnPage && m_y + band->Height() > m_bottom + 0.001)
        NewPage(detail);
    Render(band, fromSnapshot);
    m_bodyOnPage = true;
}

void TReportGenerator::Render(TBand* band, bool fromSnapshot)
{
    const std::vector<QVariant>* values = fromSnapshot ? &m_snapshot : (m_rowRead ? &m_row : nullptr);
    TRenderContext context{*m_page, *m_measurer, m_document, m_left, m_y, m_pageNumber, m_today, m_dataSet, values};
    for (const auto& element : band->Elements())
        element->Render(context);
    m_y += band->Height();
}

void TReportGenerator::NewPage(bool continuingGroups)
{
    ClosePage();
    ++m_pageNumber;
    m_page = std::make_unique<TReportPage>(m_pageNumber);
    // Pages of a report are much alike: starting at the last one's size saves growing step by step.
    m_page->Reserve(m_lastPageElements, m_lastPageTextBytes);
    m_y = m_top;
    m_bodyOnPage = false;

    auto printTop = [this](TBand* band) {
        if (!band)
            return;
        bool printBand = band->Enabled();
        if (band->BeforePrint)
            band->BeforePrint(*band, printBand);
        if (printBand)
            Render(band, false);
    };
    if (m_pageNumber == 1)
        printTop(m_title);
    printTop(m_columnHeader);
    if (continuingGroups)
        for (const TGroup& group : m_groups)
            if (group.Header->ReprintOnNewPage())
                printTop(group.Header);
}

void TReportGenerator::ClosePage()
{
    if (!m_page)
        return;
    m_lastPageElements = m_page->Elements().size();
    m_lastPageTextBytes = m_page->TextBuffer().size();
    m_page->Squeeze();
    m_ready.push_back(std::move(*m_page));
    m_page.reset();
}

void TReportGenerator::Finish()
{
    ClosePage();
    m_finished = true;
    m_report.Detach(this);
}
