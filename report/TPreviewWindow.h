#pragma once
#include "TPreviewLayout.h"

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
class TReportDocument;
class TReportGenerator;

// The print preview: one page at a time, paging, zoom, Print, Save and Close. A report is laid out
// incrementally: the first page shows as soon as it is ready and the rest follow in timer slices
// while the window stays responsive; closing the window stops the layout.
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

    // Asks for the file and the choice of the save dialog; replaced by tests.
    std::function<bool(QString& fileName, int& choice)> SaveDialog;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HandleKey(QKeyEvent* event);
    void LayoutSlice();
    void TakePages();
    void UpdateView();
    void StopLayout();
    bool ShowSaveDialog(QString& fileName, int& choice);

    TPreviewLayout m_layout;
    std::unique_ptr<TReportDocument> m_document;
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
};
