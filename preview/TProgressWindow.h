#pragma once
#include "ReportProgress.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress window of a long run (printing, export): a progress bar and "Cancel", kept on top
// and modal so nothing else starts a generation meanwhile.
class TProgressWindow : public QWidget
{
    Q_OBJECT
public:
    explicit TProgressWindow(const QString& caption, QWidget* parent = nullptr);

    // Shows where the run stands and lets the user click Cancel; false once cancelled.
    bool Update(const TReportProgress& progress);
    bool Cancelled() const { return m_cancelled; }
    QString Text() const;
    QProgressBar* Bar() const { return m_bar; }
    // A callback for the engine's runs, valid while this window lives.
    TProgressCallback Callback();

protected:
    // Escape cancels, like the Cancel button.
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_label = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_cancelled = false;
};
