#pragma once
#include "TPreviewLayout.h"
#include "TReportFinder.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QScrollArea;
class QSpinBox;
class TBandedReport;
class TFindBar;
class TReportDocument;
class TRecordingDataSet;
class TReportGenerator;
class TThumbnailPanel;

// The print preview: one page at a time, paging (keys, wheel, thumbnails), zoom, Find, Open, Print,
// Save and Close. A report is laid out incrementally: the first page shows as soon as it is ready
// and the rest follow in timer slices while the window stays responsive; closing the window stops
// the layout. It opens fitted to the page, with the find bar and the thumbnails hidden.
// Print and Save use what the preview laid out, finishing the layout first: its pages, and for the
// row formats the rows the layout read, kept as it read them. A report run again meanwhile (other
// rows in the database, another day) does not change what this window prints or saves.
class TPreviewWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit TPreviewWindow(QWidget* parent = nullptr);
    ~TPreviewWindow() override;

    // Starts laying out the report and shows its first page. False when the report's BeforePrint
    // cancelled it.
    bool StartLayout(TBandedReport& report);
    // Shows a saved report file; false (after a message) when it cannot be read.
    bool OpenFile(const QString& fileName);
    // Runs the pending layout to the end.
    void FinishLayout();

    bool LayingOut() const;
    int PageCount() const;
    int CurrentPage() const { return m_layout.PageIndex; } // 0-based
    const TPreviewLayout& Layout() const { return m_layout; }
    const TReportDocument* Document() const { return m_document.get(); }
    QString PageText() const;

    void GoToPage(int index);
    void ZoomIn();
    void ZoomOut();
    void FitPage();
    void FitWidth();
    void PrintReport();
    void SaveReport();
    // Asks for a saved report and shows it.
    void OpenReport();
    void ShowFindBar();
    void ShowThumbnails(bool show);

    TFindBar* FindBar() const { return m_findBar; }
    TThumbnailPanel* Thumbnails() const { return m_thumbnails; }
    // The found text the page view highlights; invalid when none.
    const TFindMatch& Match() const { return m_match; }
    QString StatusText() const;

    // Asks for the file and the choice of the save dialog; replaced by tests.
    std::function<bool(QString& fileName, int& choice)> SaveDialog;
    // Asks for the report file to open; replaced by tests.
    std::function<bool(QString& fileName)> OpenDialog;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HandleKey(QKeyEvent* event);
    // Scrolls the page, and turns to the next (previous) page at its bottom (top); with Ctrl, zooms.
    // False for a turn the scroll area handles itself.
    bool HandleWheel(QWheelEvent* event);
    void LayoutSlice();
    void TakePages();
    void UpdateView();
    void StopLayout();
    // The document shown changed: the find bar and the thumbnails start afresh.
    void DocumentReplaced();
    void ShowMatch(const TFindMatch& match);
    bool ShowSaveDialog(QString& fileName, int& choice);
    bool OffersRowFormats() const;
    // The choice to save fileName with: the one its extension names when the user confirms it over
    // the chosen type; -1 when the user cancelled.
    int ReconcileSaveChoice(const QString& fileName, int choice);
    bool ShowOpenDialog(QString& fileName);

    TPreviewLayout m_layout;
    std::unique_ptr<TReportDocument> m_document;
    // The rows the layout has read; declared before the generator that reads through it.
    std::unique_ptr<TRecordingDataSet> m_rows;
    std::unique_ptr<TReportGenerator> m_generator;
    QPointer<TBandedReport> m_report;
    QTimer m_layoutTimer;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_view = nullptr;
    QSpinBox* m_pageEdit = nullptr;
    QLabel* m_pageLabel = nullptr;
    QLabel* m_status = nullptr;
    QAction* m_first = nullptr;
    QAction* m_prior = nullptr;
    QAction* m_next = nullptr;
    QAction* m_last = nullptr;
    QAction* m_thumbnailsAction = nullptr;
    TFindBar* m_findBar = nullptr;
    TThumbnailPanel* m_thumbnails = nullptr;
    TFindMatch m_match;
    int m_wheelDelta = 0; // wheel turns not yet used for a page turn
};
