#include "TProgressWindow.h"

#include "TPrompt.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TProgressWindow::TProgressWindow(const QString& caption, QWidget* parent)
    // The frame of the program's dialogs (a caption and a close button, which cancels; nothing to
    // minimise or maximise), kept on top.
    : QWidget(parent, TQtPrompt::DialogFlags | Qt::WindowStaysOnTopHint)
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
    resize(340, 110);
    show();
}

bool TProgressWindow::Update(const TReportProgress& progress)
{
    // A known total makes the bar measure the run; without one it only shows that work goes on.
    m_bar->setRange(0, progress.Total());
    m_bar->setValue(progress.Done());
    m_label->setText(progress.Text());
    // Keeps the window painted and lets Cancel through; safe because the window is modal.
    QCoreApplication::processEvents();
    return !m_cancelled;
}

QString TProgressWindow::Text() const
{
    return m_label->text();
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
