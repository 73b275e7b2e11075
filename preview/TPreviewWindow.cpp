#include "TPreviewWindow.h"

#include "HandlerGuard.h"
#include "TBandedReport.h"
#include "TDialogPrintJob.h"
#include "TFindBar.h"
#include "TPagePainter.h"
#include "TPrompt.h"
#include "TReportDocument.h"
#include "TReportGenerator.h"
#include "TRecordingDataSet.h"
#include "TReportPrinter.h"
#include "TReportSaver.h"
#include "TThumbnailPanel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>
#include <QWheelEvent>

namespace {

// How long one layout slice may keep the event loop waiting.
constexpr int SliceMilliseconds = 40;
// One notch of a mouse wheel.
constexpr int WheelStep = 120;

QString PagesText(int count)
{
    return count == 1 ? QStringLiteral("1 page") : QStringLiteral("%1 pages").arg(count);
}

// Paints the current page only, on a canvas as large as the zoomed page, with the found text
// highlighted.
class TPageView : public QWidget
{
public:
    TPageView(const TPreviewLayout& layout, const std::unique_ptr<TReportDocument>& document,
              const TFindMatch& match, QWidget* parent)
        : QWidget(parent), m_layout(layout), m_document(document), m_match(match)
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
        const TReportPage& page = m_document->Page(m_layout.PageIndex);
        TPagePainter::Paint(painter, *m_document, page, paper.topLeft(), m_layout.Scale());
        if (m_match.IsValid() && m_match.Page == m_layout.PageIndex
            && size_t(m_match.Element) < page.Elements().size()) {
            const QRectF span =
                TPagePainter::TextSpanRect(painter, *m_document, page, page.Elements()[size_t(m_match.Element)],
                                           m_match.Start, m_match.Length, paper.topLeft(), m_layout.Scale());
            // Multiplying keeps the text black on the marker colour.
            painter.setCompositionMode(QPainter::CompositionMode_Multiply);
            painter.fillRect(span.adjusted(-1, 0, 1, 0), QColor(255, 225, 0));
        }
    }

private:
    const TPreviewLayout& m_layout;
    const std::unique_ptr<TReportDocument>& m_document;
    const TFindMatch& m_match;
};

} // namespace

TPreviewWindow::TPreviewWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(QStringLiteral("Print Preview"));
    resize(800, 600);

    // Every action is on the toolbar and in the menus (Alt+letter reaches them from the keyboard); the
    // toolbar shows the short text, the menus the full one, and each tooltip names the keys.
    auto* toolBar = addToolBar(QStringLiteral("Preview"));
    toolBar->setObjectName(QStringLiteral("ToolBar"));
    toolBar->setMovable(false);
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    QMenu* goMenu = menuBar()->addMenu(QStringLiteral("&Go"));
    auto add = [this, toolBar](QMenu* menu, const char* name, const QString& text, const QString& shortText,
                               const QString& tip, const QList<QKeySequence>& keys, std::function<void()> run) {
        auto* a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        a->setIconText(shortText);
        a->setShortcuts(keys);
        a->setToolTip(keys.isEmpty() ? tip
                                     : QStringLiteral("%1 (%2)").arg(tip, keys.constFirst().toString(QKeySequence::NativeText)));
        connect(a, &QAction::triggered, this, [run] { Guarded(run); });
        toolBar->addAction(a);
        menu->addAction(a);
        return a;
    };
    const QKeySequence ctrlPlus(Qt::CTRL | Qt::Key_Plus);
    const QKeySequence ctrlMinus(Qt::CTRL | Qt::Key_Minus);
    add(fileMenu, "actOpen", QStringLiteral("&Open..."), QStringLiteral("Open"), QStringLiteral("Open a saved report"),
        {QKeySequence(Qt::CTRL | Qt::Key_O)}, [this] { OpenReport(); });
    toolBar->addSeparator();
    m_first = add(goMenu, "actFirst", QStringLiteral("&First Page"), QStringLiteral("|<"), QStringLiteral("First page"),
                  {QKeySequence(Qt::Key_Home)}, [this] { GoToPage(0); });
    m_prior = add(goMenu, "actPrior", QStringLiteral("&Previous Page"), QStringLiteral("<"),
                  QStringLiteral("Previous page"), {QKeySequence(Qt::Key_PageUp)},
                  [this] { GoToPage(m_layout.PageIndex - 1); });
    m_pageEdit = new QSpinBox(toolBar);
    m_pageEdit->setObjectName(QStringLiteral("edPage"));
    m_pageEdit->setAccessibleName(QStringLiteral("Page number"));
    m_pageEdit->setRange(1, 1);
    m_pageEdit->setKeyboardTracking(false);
    m_pageEdit->setButtonSymbols(QAbstractSpinBox::NoButtons); // the arrows beside it turn pages
    m_pageEdit->installEventFilter(this);
    toolBar->addWidget(m_pageEdit);
    connect(m_pageEdit, &QSpinBox::valueChanged, this, [this](int page) { Guarded([&] { GoToPage(page - 1); }); });
    m_next = add(goMenu, "actNext", QStringLiteral("&Next Page"), QStringLiteral(">"), QStringLiteral("Next page"),
                 {QKeySequence(Qt::Key_PageDown)}, [this] { GoToPage(m_layout.PageIndex + 1); });
    m_last = add(goMenu, "actLast", QStringLiteral("&Last Page"), QStringLiteral(">|"), QStringLiteral("Last page"),
                 {QKeySequence(Qt::Key_End)}, [this] { GoToPage(m_layout.PageCount - 1); });
    m_pageLabel = new QLabel(toolBar);
    m_pageLabel->setObjectName(QStringLiteral("lblPage"));
    m_pageLabel->setMargin(4);
    // Room for a long report's count from the start, so the toolbar does not grow as pages come.
    m_pageLabel->setMinimumWidth(m_pageLabel->fontMetrics().horizontalAdvance(QStringLiteral("Page 8888 of 8888"))
                                 + 2 * m_pageLabel->margin());
    toolBar->addWidget(m_pageLabel);
    toolBar->addSeparator();
    // Short captions keep every button, Close included, on the toolbar at the window's opening width.
    add(viewMenu, "actZoomIn", QStringLiteral("Zoom &In"), QStringLiteral("+"), QStringLiteral("Zoom in"),
        {ctrlPlus, QKeySequence(Qt::Key_Plus), QKeySequence(Qt::KeypadModifier | Qt::Key_Plus),
         QKeySequence(Qt::CTRL | Qt::Key_Equal)},
        [this] { ZoomIn(); });
    add(viewMenu, "actZoomOut", QStringLiteral("Zoom O&ut"), QStringLiteral("-"), QStringLiteral("Zoom out"),
        {ctrlMinus, QKeySequence(Qt::Key_Minus), QKeySequence(Qt::KeypadModifier | Qt::Key_Minus)},
        [this] { ZoomOut(); });
    add(viewMenu, "actFitWidth", QStringLiteral("Fit &Width"), QStringLiteral("Width"), QStringLiteral("Fit the page width"),
        {}, [this] { FitWidth(); });
    add(viewMenu, "actFitPage", QStringLiteral("Fit &Page"), QStringLiteral("Page"), QStringLiteral("Fit the whole page"),
        {}, [this] { FitPage(); });
    toolBar->addSeparator();
    viewMenu->addSeparator();
    add(viewMenu, "actFind", QStringLiteral("&Find..."), QStringLiteral("Find"), QStringLiteral("Find a text in the report"),
        {QKeySequence(Qt::CTRL | Qt::Key_F)}, [this] { ShowFindBar(); });
    m_thumbnailsAction = add(viewMenu, "actThumbnails", QStringLiteral("&Thumbnails"), QStringLiteral("Pages"),
                             QStringLiteral("Show the page thumbnails"), {},
                             [this] { ShowThumbnails(m_thumbnailsAction->isChecked()); });
    m_thumbnailsAction->setCheckable(true);
    toolBar->addSeparator();
    add(fileMenu, "actPrint", QStringLiteral("&Print..."), QStringLiteral("Print"), QStringLiteral("Print the report"),
        {QKeySequence(Qt::CTRL | Qt::Key_P)}, [this] { PrintReport(); });
    add(fileMenu, "actSave", QStringLiteral("&Save As..."), QStringLiteral("Save"), QStringLiteral("Save the report to a file"),
        {QKeySequence(Qt::CTRL | Qt::Key_S)}, [this] { SaveReport(); });
    fileMenu->addSeparator();
    // Escape closes (the find bar first when it is open), handled with the other keys.
    QAction* closeAction = add(fileMenu, "actClose", QStringLiteral("&Close"), QStringLiteral("Close"),
                               QStringLiteral("Close the preview"), {}, [this] { close(); });
    closeAction->setToolTip(QStringLiteral("Close the preview (Esc)"));

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("ScrollBox"));
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setWidgetResizable(false);
    m_view = new TPageView(m_layout, m_document, m_match, m_scroll);
    m_view->setAccessibleName(QStringLiteral("Report page"));
    m_view->setAccessibleDescription(QStringLiteral("The page of the report shown"));
    m_scroll->setWidget(m_view);
    setCentralWidget(m_scroll);
    m_scroll->installEventFilter(this);
    m_scroll->viewport()->installEventFilter(this);
    m_view->installEventFilter(this);
    m_view->setFocus();

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    statusBar()->addWidget(m_status, 1);

    // Both panels start hidden: the preview opens with the page alone.
    m_findBar = new TFindBar(this);
    m_findBar->Finder().LayoutRunning = [this] { return LayingOut(); };
    addToolBar(Qt::BottomToolBarArea, m_findBar);
    m_findBar->hide();
    connect(m_findBar, &TFindBar::MatchChanged, this,
            [this](const TFindMatch& match) { Guarded([&] { ShowMatch(match); }); });
    connect(m_findBar, &QToolBar::visibilityChanged, this, [this](bool visible) {
        if (!visible)
            m_view->setFocus();
    });
    m_thumbnails = new TThumbnailPanel(this);
    addDockWidget(Qt::LeftDockWidgetArea, m_thumbnails);
    m_thumbnails->hide();
    connect(m_thumbnails, &TThumbnailPanel::PageChosen, this, [this](int page) { Guarded([&] { GoToPage(page); }); });
    // The panel's own close button unchecks the toolbar's toggle.
    connect(m_thumbnails, &QDockWidget::visibilityChanged, this, [this] {
        m_thumbnailsAction->setChecked(!m_thumbnails->isHidden());
    });

    m_layoutTimer.setInterval(0);
    connect(&m_layoutTimer, &QTimer::timeout, this, [this] { Guarded([this] { LayoutSlice(); }); });
    UpdateView();
}

TPreviewWindow::~TPreviewWindow()
{
    StopLayout();
    // The panels hide while the window's children are destroyed; their signals must not reach a window
    // (and a page view) that is already half gone.
    m_findBar->disconnect(this);
    m_thumbnails->disconnect(this);
}

bool TPreviewWindow::StartLayout(TBandedReport& report)
{
    StopLayout();
    if (m_report)
        m_report->disconnect(this);
    m_report = &report;
    // A report that goes away ends the layout while it can still be ended; the pages stay.
    connect(&report, &TBandedReport::Destroying, this, [this] {
        StopLayout();
        m_rows.reset();
        UpdateView();
    });
    m_document = std::make_unique<TReportDocument>();
    DocumentReplaced();
    m_rows.reset();
    if (report.DataSet())
        m_rows = std::make_unique<TRecordingDataSet>(*report.DataSet());
    m_generator = std::make_unique<TReportGenerator>(report, *m_document, m_rows.get());
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
    if (m_report)
        m_report->disconnect(this);
    m_report = nullptr;
    m_rows.reset();
    m_document = std::move(document);
    DocumentReplaced();
    m_layout.PageIndex = 0;
    UpdateView();
    return true;
}

void TPreviewWindow::DocumentReplaced()
{
    m_findBar->SetDocument(m_document.get());
    m_thumbnails->SetDocument(m_document.get());
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
    m_thumbnails->SetPageCount(PageCount());
    m_thumbnails->SetCurrentPage(m_layout.PageIndex);
    m_findBar->SetCurrentPage(m_layout.PageIndex);
    // New pages (or the layout's end) let a search waiting for them go on.
    m_findBar->Finder().LayoutAdvanced();
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
    m_status->setText(LayingOut() ? QStringLiteral("Laying out the report: %1 so far").arg(PagesText(PageCount()))
                                  : PagesText(PageCount()));
}

QString TPreviewWindow::StatusText() const
{
    return m_status->text();
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
    // The print dialog offers the whole report's page range, so the layout ends first, unless there
    // is no printer to print on (the job then only says so).
    if (TReportPrinter::PrinterAvailable())
        FinishLayout();
    if (m_document)
        TDialogPrintJob::Run(*m_document, m_layout.PageIndex, this);
}

namespace {

// Where the save dialog opened last, per user: the folder and the extension of the type.
constexpr auto SaveFolderKey = "Preview/SaveFolder";
constexpr auto SaveTypeKey = "Preview/SaveType";

} // namespace

bool TPreviewWindow::OffersRowFormats() const
{
    // The row formats write the report's data set, which a report opened from a file lacks.
    return m_report && m_rows && !m_report->RowExport.IsEmpty();
}

bool TPreviewWindow::ShowSaveDialog(QString& fileName, int& choice)
{
    const QStringList filters = TReportSaver::NameFilters(OffersRowFormats());
    QFileDialog dialog(this, QStringLiteral("Save Report"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    // It opens where the last save went, on the type used then.
    const QSettings settings;
    const QString folder = settings.value(QLatin1String(SaveFolderKey)).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        dialog.setDirectory(folder);
    int initial = 0;
    const QString type = settings.value(QLatin1String(SaveTypeKey)).toString();
    for (int i = 0; i < filters.size(); ++i)
        if (!type.isEmpty() && TReportSaver::Extension(i).compare(type, Qt::CaseInsensitive) == 0)
            initial = i;
    dialog.selectNameFilter(filters[initial]);
    dialog.setDefaultSuffix(TReportSaver::Extension(initial).toLower());
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &filters](const QString& filter) {
        dialog.setDefaultSuffix(TReportSaver::Extension(int(filters.indexOf(filter))).toLower());
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().constFirst();
    choice = int(filters.indexOf(dialog.selectedNameFilter()));
    return choice >= 0;
}

int TPreviewWindow::ReconcileSaveChoice(const QString& fileName, int choice)
{
    const int typed = TReportSaver::ChoiceOfName(fileName, OffersRowFormats());
    if (typed < 0 || typed == choice)
        return choice;
    const QStringList filters = TReportSaver::NameFilters(OffersRowFormats());
    if (choice < 0 || choice >= filters.size())
        return typed;
    // The name says one format, the type list another: the user says which was meant.
    QMessageBox box(QMessageBox::Question, QStringLiteral("Save Report"),
                    QStringLiteral("\"%1\" ends in .%2, but the type chosen is %3.\n\nSave it as %4?")
                        .arg(QFileInfo(fileName).fileName(), QFileInfo(fileName).suffix(), filters[choice],
                             filters[typed]),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box.setInformativeText(QStringLiteral("No saves it as %1 under the name given.").arg(filters[choice]));
    box.setDefaultButton(QMessageBox::Yes);
    switch (Prompt().ExecModal(box)) {
    case QMessageBox::Yes: return typed;
    case QMessageBox::No: return choice;
    default: return -1;
    }
}

bool TPreviewWindow::ShowOpenDialog(QString& fileName)
{
    fileName = QFileDialog::getOpenFileName(this, QStringLiteral("Open Report"), QString(),
                                            TReportSaver::ReportFileFilter() + QStringLiteral(";;All Files (*)"));
    return !fileName.isEmpty();
}

void TPreviewWindow::OpenReport()
{
    QString fileName;
    const bool chosen = OpenDialog ? OpenDialog(fileName) : ShowOpenDialog(fileName);
    if (chosen && !fileName.isEmpty())
        OpenFile(fileName);
}

void TPreviewWindow::ShowFindBar()
{
    m_findBar->Open();
}

void TPreviewWindow::ShowThumbnails(bool show)
{
    m_thumbnails->setVisible(show);
    m_thumbnailsAction->setChecked(show);
    if (show)
        m_thumbnails->SetCurrentPage(m_layout.PageIndex);
}

void TPreviewWindow::ShowMatch(const TFindMatch& match)
{
    // A match from a search over another document (replaced meanwhile) shows nothing.
    const bool onPage = match.IsValid() && m_document && match.Page < m_document->PageCount() && match.Element >= 0
        && size_t(match.Element) < m_document->Page(match.Page).Elements().size();
    m_match = onPage ? match : TFindMatch();
    if (onPage) {
        GoToPage(match.Page);
        // At a large zoom the found text may lie outside the viewport.
        const TPageElement& element = m_document->Page(match.Page).Elements()[size_t(match.Element)];
        const QPointF at = m_layout.PageToScreen(QPointF(element.Left, element.Top));
        m_scroll->ensureVisible(int(at.x()), int(at.y()), 60, 60);
    }
    m_view->update();
}

void TPreviewWindow::SaveReport()
{
    QString fileName;
    int choice = 0;
    const bool chosen = SaveDialog ? SaveDialog(fileName, choice) : ShowSaveDialog(fileName, choice);
    if (!chosen || fileName.isEmpty())
        return;
    // A typed extension naming one of the formats chooses it, as on the command line.
    choice = ReconcileSaveChoice(fileName, choice);
    if (choice < 0)
        return;
    fileName = TReportSaver::WithExtension(fileName, choice);
    if (!SaveDialog) {
        QSettings settings;
        settings.setValue(QLatin1String(SaveFolderKey), QFileInfo(fileName).absolutePath());
        settings.setValue(QLatin1String(SaveTypeKey), TReportSaver::Extension(choice).toLower());
    }
    // What is saved is what this window laid out: its pages, and the rows the layout read.
    FinishLayout();
    TReportSaver::Save(fileName, choice, m_report, m_document.get(), {}, m_rows ? &m_rows->Recorded() : nullptr);
    UpdateView();
}

bool TPreviewWindow::HandleKey(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    if (ctrl) {
        switch (event->key()) {
        case Qt::Key_O: OpenReport(); return true;
        case Qt::Key_F: ShowFindBar(); return true;
        case Qt::Key_P: PrintReport(); return true;
        case Qt::Key_S: SaveReport(); return true;
        default: break;
        }
    }
    switch (event->key()) {
    case Qt::Key_F3:
        shift ? m_findBar->FindPrevious() : m_findBar->FindNext();
        return true;
    case Qt::Key_PageUp: GoToPage(m_layout.PageIndex - 1); return true;
    case Qt::Key_PageDown: GoToPage(m_layout.PageIndex + 1); return true;
    case Qt::Key_Home: GoToPage(0); return true;
    case Qt::Key_End: GoToPage(m_layout.PageCount - 1); return true;
    case Qt::Key_Escape: close(); return true;
    case Qt::Key_Plus: ZoomIn(); return true;
    case Qt::Key_Equal:
        if (!ctrl)
            return false;
        ZoomIn();
        return true;
    case Qt::Key_Minus: ZoomOut(); return true;
    default: return false;
    }
}

void TPreviewWindow::keyPressEvent(QKeyEvent* event)
{
    if (!Guarded([&] { if (!HandleKey(event)) QMainWindow::keyPressEvent(event); }))
        event->accept();
}

namespace {

// Home, End, Page Up and Page Down without Ctrl, Alt or Shift: the keys that turn pages.
bool IsPageKey(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: return modifiers == Qt::NoModifier;
    default: return false;
    }
}

} // namespace

bool TPreviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The page box would take the page keys for itself (the cursor, steps of ten): they turn pages
    // there too.
    if (watched == m_pageEdit && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)
        && IsPageKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        if (event->type() == QEvent::KeyPress)
            Guarded([&] { HandleKey(static_cast<QKeyEvent*>(event)); });
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        bool handled = false;
        Guarded([&] { handled = HandleKey(static_cast<QKeyEvent*>(event)); });
        if (handled)
            return true;
    } else if (event->type() == QEvent::Wheel && watched == m_scroll->viewport()) {
        bool handled = false;
        Guarded([&] { handled = HandleWheel(static_cast<QWheelEvent*>(event)); });
        if (handled)
            return true;
    } else if (event->type() == QEvent::Resize && watched == m_scroll->viewport() && m_layout.Mode != zmCustom) {
        m_layout.Refit(m_scroll->viewport()->size());
        m_view->resize(m_layout.CanvasSize());
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TPreviewWindow::HandleWheel(QWheelEvent* event)
{
    // A sideways turn (touchpad, tilting wheel) scrolls the view as usual.
    const int delta = event->angleDelta().y();
    if (delta == 0)
        return false;
    if (event->modifiers() & Qt::ControlModifier) {
        delta > 0 ? ZoomIn() : ZoomOut();
        return true;
    }
    QScrollBar* bar = m_scroll->verticalScrollBar();
    const bool atEdge = delta > 0 ? bar->value() == bar->minimum() : bar->value() == bar->maximum();
    if (!atEdge) {
        m_wheelDelta = 0;
        bar->setValue(bar->value() - delta * bar->singleStep() * QApplication::wheelScrollLines() / WheelStep);
        return true;
    }
    // At the page's edge a whole notch (or several small touchpad steps) turns the page.
    m_wheelDelta += delta;
    if (std::abs(m_wheelDelta) < WheelStep)
        return true;
    const bool forward = m_wheelDelta < 0;
    m_wheelDelta = 0;
    const int before = m_layout.PageIndex;
    GoToPage(before + (forward ? 1 : -1));
    // Going back shows the bottom of the previous page, as if scrolling on through the report.
    if (!forward && m_layout.PageIndex != before)
        bar->setValue(bar->maximum());
    return true;
}

void TPreviewWindow::closeEvent(QCloseEvent* event)
{
    StopLayout();
    m_findBar->Finder().Cancel();
    event->accept();
}
