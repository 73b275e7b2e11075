#include "TProgressWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TProgressWindow::TProgressWindow(const QString& caption, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("ProgressForm"));
    setWindowTitle(caption);
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("lblProgress"));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressBar"));
    m_bar->setRange(0, 0);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("btnCancel"));
    m_cancel->setAutoDefault(true); // Enter presses it, as in a dialog
    layout->addWidget(m_label);
    layout->addWidget(m_bar);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_cancelled = true; });
    resize(320, 110);
    show();
}

bool TProgressWindow::Update(const TReportProgress& progress)
{
    if (progress.RowCount > 0) {
        m_bar->setRange(0, progress.RowCount);
        m_bar->setValue(std::min(progress.Rows, progress.RowCount));
    }
    // Row exports make no pages; they tell their rows.
    m_label->setText(progress.Pages > 0 || progress.Rows == 0 ? QStringLiteral("Page %1").arg(progress.Pages)
                                                              : QStringLiteral("%1 rows").arg(progress.Rows));
    // Keeps the window painted and lets Cancel through; safe because the window is modal.
    QCoreApplication::processEvents();
    return !m_cancelled;
}

TProgressCallback TProgressWindow::Callback()
{
    return [this](const TReportProgress& progress) { return Update(progress); };
}

void TProgressWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        m_cancelled = true;
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TProgressWindow::closeEvent(QCloseEvent* event)
{
    m_cancelled = true;
    event->accept();
}
