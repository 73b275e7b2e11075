#include "TFindBar.h"

#include "HandlerGuard.h"

#include <QAction>
#include <QCheckBox>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

TFindBar::TFindBar(QWidget* parent) : QToolBar(QStringLiteral("Find"), parent)
{
    setObjectName(QStringLiteral("FindBar"));
    setMovable(false);
    setFloatable(false);

    auto* label = new QLabel(QStringLiteral("Find:"), this);
    label->setMargin(4);
    addWidget(label);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("edFind"));
    m_edit->setClearButtonEnabled(true);
    m_edit->setMaximumWidth(240);
    label->setBuddy(m_edit);
    addWidget(m_edit);
    auto add = [this](const char* name, const QString& text, const QString& tip, void (TFindBar::*run)()) {
        QAction* action = addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setToolTip(tip);
        connect(action, &QAction::triggered, this, [this, run] { Guarded([&] { (this->*run)(); }); });
    };
    add("actFindPrevious", QStringLiteral("Previous"), QStringLiteral("Find the previous match (Shift+F3)"),
        &TFindBar::FindPrevious);
    add("actFindNext", QStringLiteral("Next"), QStringLiteral("Find the next match (Enter, F3)"), &TFindBar::FindNext);
    m_matchCase = new QCheckBox(QStringLiteral("Match case"), this);
    m_matchCase->setObjectName(QStringLiteral("cbMatchCase"));
    addWidget(m_matchCase);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblFindStatus"));
    m_status->setMargin(6);
    addWidget(m_status);

    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::returnPressed, this, [this] { Guarded([this] { FindNext(); }); });
    // A changed text or case starts afresh from the page shown.
    connect(m_edit, &QLineEdit::textEdited, this, [this] {
        Guarded([this] {
            m_finder.Cancel();
            SetMatch({});
            m_status->clear();
        });
    });
    connect(m_matchCase, &QCheckBox::toggled, this, [this] {
        Guarded([this] {
            m_finder.Cancel();
            SetMatch({});
        });
    });

    connect(&m_finder, &TReportFinder::Found, this, [this](const TFindMatch& match) {
        Guarded([&] {
            m_status->setText(QStringLiteral("Found on page %1").arg(match.Page + 1));
            SetMatch(match);
        });
    });
    connect(&m_finder, &TReportFinder::NotFound, this, [this] {
        Guarded([this] {
            m_status->setText(QStringLiteral("\"%1\" was not found").arg(m_matchText));
            SetMatch({});
        });
    });
    connect(&m_finder, &TReportFinder::Progress, this, [this](int page) {
        m_status->setText(QStringLiteral("Searching page %1...").arg(page + 1));
    });
}

void TFindBar::SetDocument(const TReportDocument* document)
{
    m_finder.SetDocument(document);
    SetMatch({});
    m_status->clear();
}

void TFindBar::Open()
{
    show();
    m_edit->setFocus(Qt::ShortcutFocusReason);
    m_edit->selectAll();
}

void TFindBar::FindNext()
{
    Find(fdForward);
}

void TFindBar::FindPrevious()
{
    Find(fdBackward);
}

QString TFindBar::StatusText() const
{
    return m_status->text();
}

void TFindBar::Find(TFindDirection direction)
{
    if (isHidden())
        Open();
    const QString text = m_edit->text();
    if (text.isEmpty())
        return;
    const Qt::CaseSensitivity sensitivity = m_matchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    // Going on from the match shown only while it is still what the user looks for and at.
    const bool goOn = m_match.IsValid() && m_match.Page == m_currentPage && text == m_matchText
        && sensitivity == m_matchSensitivity;
    m_matchText = text;
    m_matchSensitivity = sensitivity;
    m_status->setText(QStringLiteral("Searching..."));
    m_finder.Find(text, direction, sensitivity, goOn ? m_match : TFindMatch{}, m_currentPage);
}

void TFindBar::SetMatch(const TFindMatch& match)
{
    if (match == m_match)
        return;
    m_match = match;
    Q_EMIT MatchChanged(match);
}

bool TFindBar::HandleKey(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (event->key() == Qt::Key_Escape) {
        hide();
        return true;
    }
    // The edit reports Shift+Enter as a plain Enter, so it is taken before the edit sees it.
    if (enter && (event->modifiers() & Qt::ShiftModifier)) {
        Guarded([this] { FindPrevious(); });
        return true;
    }
    return false;
}

void TFindBar::keyPressEvent(QKeyEvent* event)
{
    if (HandleKey(event))
        event->accept();
    else
        QToolBar::keyPressEvent(event);
}

bool TFindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QToolBar::eventFilter(watched, event);
}

void TFindBar::hideEvent(QHideEvent* event)
{
    QToolBar::hideEvent(event);
    if (!event->spontaneous()) {
        m_finder.Cancel();
        SetMatch({});
    }
}
