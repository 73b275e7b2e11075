#include "TPreviewWindow.h"

#include "HandlerGuard.h"
#include "TBandedReport.h"
#include "TPagePainter.h"
#include "TProgressWindow.h"
#include "TPrompt.h"
#include "TReportDocument.h"
#include "TReportGenerator.h"
#include "TReportPrinter.h"
#include "TReportSaver.h"

#include <QAction>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>

namespace {

// How long one layout slice may keep the event loop waiting.
constexpr int SliceMilliseconds = 40;

// Paints the current page only, on a canvas as large as the zoomed page.
class TPageView : public QWidget
{
public:
    TPageView(const TPreviewLayout& layout, const std::unique_ptr<TReportDocument>& document, QWidget* parent)
        : QWidget(parent), m_layout(layout), m_document(document)
    {
        setObjectName(QStringLiteral("PageView"));
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.fillRect(event->rect(), palette().color(QPalette::Dark));
        if (!m_document || m_layout.PageIndex >= m_document->PageCount())
            return;
        const QRectF paper(m_layout.PageToScreen(QPointF(0, 0)), m_layout.PageSize());
        painter.fillRect(paper.translated(2, 2), Qt::gray);
        painter.fillRect(paper, Qt::white);
        painter.setClipRect(paper.intersected(QRectF(event->rect())));
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        TPagePainter::Paint(painter, *m_document, m_document->Page(m_layout.PageIndex), paper.topLeft(),
                            m_layout.Scale());
    }

private:
    const TPreviewLayout& m_layout;
    const std::unique_ptr<TReportDocument>& m_document;
};

} // namespace

TPreviewWindow::TPreviewWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(QStringLiteral("Print Preview"));
    resize(800, 600);

    auto* toolBar = addToolBar(QStringLiteral("Preview"));
    toolBar->setObjectName(QStringLiteral("ToolBar"));
    toolBar->setMovable(false);
    auto add = [this, toolBar](const char* name, const QString& text, const QString& tip,
                               std::function<void()> run) {
        QAction* a = toolBar->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(tip);
        connect(a, &QAction::triggered, this, [run] { Guarded(run); });
        return a;
    };
    m_first = add("actFirst", QStringLiteral("|<"), QStringLiteral("First page (Home)"), [this] { GoToPage(0); });
    m_prior = add("actPrior", QStringLiteral("<"), QStringLiteral("Previous page (Page Up)"),
                  [this] { GoToPage(m_layout.PageIndex - 1); });
    m_pageEdit = new QSpinBox(toolBar);
    m_pageEdit->setObjectName(QStringLiteral("edPage"));
    m_pageEdit->setRange(1, 1);
    m_pageEdit->setKeyboardTracking(false);
    toolBar->addWidget(m_pageEdit);
    connect(m_pageEdit, &QSpinBox::valueChanged, this, [this](int page) { Guarded([&] { GoToPage(page - 1); }); });
    m_next = add("actNext", QStringLiteral(">"), QStringLiteral("Next page (Page Down)"),
                 [this] { GoToPage(m_layout.PageIndex + 1); });
    m_last = add("actLast", QStringLiteral(">|"), QStringLiteral("Last page (End)"),
                 [this] { GoToPage(m_layout.PageCount - 1); });
    m_pageLabel = new QLabel(toolBar);
    m_pageLabel->setObjectName(QStringLiteral("lblPage"));
    m_pageLabel->setMargin(6);
    toolBar->addWidget(m_pageLabel);
    toolBar->addSeparator();
    add("actZoomIn", QStringLiteral("Zoom In"), QStringLiteral("Zoom in (Ctrl++)"), [this] { ZoomIn(); });
    add("actZoomOut", QStringLiteral("Zoom Out"), QStringLiteral("Zoom out (Ctrl+-)"), [this] { ZoomOut(); });
    add("actFitWidth", QStringLiteral("Fit Width"), QStringLiteral("Fit the page width"), [this] { FitWidth(); });
    add("actFitPage", QStringLiteral("Fit Page"), QStringLiteral("Fit the whole page"), [this] { FitPage(); });
    toolBar->addSeparator();
    add("actPrint", QStringLiteral("Print"), QStringLiteral("Print the report"), [this] { PrintReport(); });
    add("actSave", QStringLiteral("Save"), QStringLiteral("Save the report to a file"), [this] { SaveReport(); });
    add("actClose", QStringLiteral("Close"), QStringLiteral("Close the preview (Esc)"), [this] { close(); });

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("ScrollBox"));
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setWidgetResizable(false);
    m_view = new TPageView(m_layout, m_document, m_scroll);
    m_scroll->setWidget(m_view);
    setCentralWidget(m_scroll);
    m_scroll->installEventFilter(this);
    m_scroll->viewport()->installEventFilter(this);
    m_view->installEventFilter(this);
    m_view->setFocus();

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    statusBar()->addWidget(m_status, 1);

    m_layoutTimer.setInterval(0);
    connect(&m_layoutTimer, &QTimer::timeout, this, [this] { Guarded([this] { LayoutSlice(); }); });
    UpdateView();
}

TPreviewWindow::~TPreviewWindow()
{
    StopLayout();
}

bool TPreviewWindow::StartLayout(TBandedReport& report)
{
    StopLayout();
    m_report = &report;
    m_document = std::make_unique<TReportDocument>();
    m_generator = std::make_unique<TReportGenerator>(report, *m_document);
    if (!m_generator->Start()) {
        m_generator.reset();
        return false;
    }
    // The first page at once, the rest in slices once the window is up.
    m_generator->StepToPage();
    TakePages();
    if (m_generator->Finished())
        m_generator.reset();
    else
        m_layoutTimer.start();
    m_layout.PageIndex = 0;
    UpdateView();
    return true;
}

bool TPreviewWindow::OpenFile(const QString& fileName)
{
    QString error;
    auto document = TReportDocument::LoadFromFile(fileName, &error);
    if (!document) {
        Prompt().ShowWarning(error);
        return false;
    }
    StopLayout();
    m_report = nullptr;
    m_document = std::move(document);
    m_layout.PageIndex = 0;
    UpdateView();
    return true;
}

void TPreviewWindow::StopLayout()
{
    m_layoutTimer.stop();
    m_generator.reset();
}

bool TPreviewWindow::LayingOut() const
{
    return m_generator != nullptr;
}

int TPreviewWindow::PageCount() const
{
    return m_document ? m_document->PageCount() : 0;
}

void TPreviewWindow::TakePages()
{
    while (m_generator && m_generator->HasPage())
        m_document->AddPage(m_generator->TakePage());
}

void TPreviewWindow::LayoutSlice()
{
    if (!m_generator) {
        m_layoutTimer.stop();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < SliceMilliseconds && m_generator->Step()) {
    }
    TakePages();
    if (m_generator->Finished())
        StopLayout();
    UpdateView();
}

void TPreviewWindow::FinishLayout()
{
    if (!m_generator)
        return;
    while (m_generator->Step()) {
    }
    TakePages();
    StopLayout();
    UpdateView();
}

QString TPreviewWindow::PageText() const
{
    const int count = PageCount();
    return QStringLiteral("Page %1 of %2").arg(count == 0 ? 0 : m_layout.PageIndex + 1).arg(count);
}

void TPreviewWindow::UpdateView()
{
    if (m_document) {
        m_layout.PaperWidth = m_document->PaperWidth;
        m_layout.PaperHeight = m_document->PaperHeight;
    }
    m_layout.SetPageCount(PageCount());
    m_layout.Refit(m_scroll->viewport()->size());
    m_view->resize(m_layout.CanvasSize());
    m_view->update();
    {
        const QSignalBlocker blocker(m_pageEdit);
        m_pageEdit->setRange(1, std::max(1, PageCount()));
        m_pageEdit->setValue(m_layout.PageIndex + 1);
    }
    m_pageLabel->setText(PageText());
    m_first->setEnabled(m_layout.PageIndex > 0);
    m_prior->setEnabled(m_layout.PageIndex > 0);
    m_next->setEnabled(m_layout.PageIndex + 1 < PageCount());
    m_last->setEnabled(m_layout.PageIndex + 1 < PageCount());
    m_status->setText(LayingOut() ? QStringLiteral("Laying out the report: %1 pages so far").arg(PageCount())
                                  : QStringLiteral("%1 pages").arg(PageCount()));
}

void TPreviewWindow::GoToPage(int index)
{
    if (m_layout.GoToPage(index))
        m_scroll->verticalScrollBar()->setValue(0);
    UpdateView();
}

void TPreviewWindow::ZoomIn()
{
    m_layout.ZoomIn();
    UpdateView();
}

void TPreviewWindow::ZoomOut()
{
    m_layout.ZoomOut();
    UpdateView();
}

void TPreviewWindow::FitPage()
{
    m_layout.FitPage(m_scroll->viewport()->size());
    UpdateView();
}

void TPreviewWindow::FitWidth()
{
    m_layout.FitWidth(m_scroll->viewport()->size());
    UpdateView();
}

void TPreviewWindow::PrintReport()
{
    if (!TReportPrinter::PrinterAvailable()) {
        Prompt().ShowWarning(TReportPrinter::NoPrinterMessage());
        return;
    }
    FinishLayout();
    if (!m_document)
        return;
    TProgressWindow progress(QStringLiteral("Printing progress"));
    TReportPrinter printer;
    QString error;
    if (!printer.Begin(*m_document, &error)) {
        Prompt().ShowWarning(error);
        return;
    }
    for (int i = 0; i < m_document->PageCount(); ++i) {
        printer.PrintPage(*m_document, m_document->Page(i));
        if (!progress.Update({i + 1, 0, -1})) {
            printer.Abort();
            return;
        }
    }
    if (!printer.End(&error))
        Prompt().ShowWarning(error);
}

bool TPreviewWindow::ShowSaveDialog(QString& fileName, int& choice)
{
    // The row formats write the report's data set, which a report opened from a file lacks.
    const QStringList filters = TReportSaver::NameFilters(m_report && !m_report->RowExport.IsEmpty());
    QFileDialog dialog(this, QStringLiteral("Save Report"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(TReportSaver::Extension(0));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &filters](const QString& filter) {
        dialog.setDefaultSuffix(TReportSaver::Extension(int(filters.indexOf(filter))).toLower());
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().constFirst();
    choice = int(filters.indexOf(dialog.selectedNameFilter()));
    return choice >= 0;
}

void TPreviewWindow::SaveReport()
{
    QString fileName;
    int choice = 0;
    const bool chosen = SaveDialog ? SaveDialog(fileName, choice) : ShowSaveDialog(fileName, choice);
    if (!chosen || fileName.isEmpty())
        return;
    fileName = TReportSaver::WithExtension(fileName, choice);
    if (choice == 0 || !m_report)
        FinishLayout();
    TReportSaver::Save(fileName, choice, m_report, m_document.get());
    // The export ran the pending layout to its end; show what it produced.
    if (m_generator && m_generator->Finished()) {
        TakePages();
        StopLayout();
    }
    UpdateView();
}

bool TPreviewWindow::HandleKey(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_PageUp: GoToPage(m_layout.PageIndex - 1); return true;
    case Qt::Key_PageDown: GoToPage(m_layout.PageIndex + 1); return true;
    case Qt::Key_Home: GoToPage(0); return true;
    case Qt::Key_End: GoToPage(m_layout.PageCount - 1); return true;
    case Qt::Key_Escape: close(); return true;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        if (!ctrl)
            return false;
        ZoomIn();
        return true;
    case Qt::Key_Minus:
        if (!ctrl)
            return false;
        ZoomOut();
        return true;
    default: return false;
    }
}

void TPreviewWindow::keyPressEvent(QKeyEvent* event)
{
    if (!Guarded([&] { if (!HandleKey(event)) QMainWindow::keyPressEvent(event); }))
        event->accept();
}

bool TPreviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        bool handled = false;
        Guarded([&] { handled = HandleKey(static_cast<QKeyEvent*>(event)); });
        if (handled)
            return true;
    } else if (event->type() == QEvent::Resize && watched == m_scroll->viewport() && m_layout.Mode != zmCustom) {
        m_layout.Refit(m_scroll->viewport()->size());
        m_view->resize(m_layout.CanvasSize());
    }
    return QMainWindow::eventFilter(watched, event);
}

void TPreviewWindow::closeEvent(QCloseEvent* event)
{
    StopLayout();
    event->accept();
}
