#pragma once
#include "TReportFinder.h"

#include <QToolBar>

class QCheckBox;
class QLabel;
class QLineEdit;

// The preview's find bar: the text, Next and Previous, match case, and where the search stands.
// It decides where each search starts: just after (before) the match shown, or at the top (bottom)
// of the page shown when the text changed or the user paged away from the match. Escape closes it.
class TFindBar : public QToolBar
{
    Q_OBJECT
public:
    explicit TFindBar(QWidget* parent = nullptr);

    TReportFinder& Finder() { return m_finder; }
    // A new document clears the match.
    void SetDocument(const TReportDocument* document);
    // The page the preview shows (0-based).
    void SetCurrentPage(int page) { m_currentPage = page; }
    // Shows the bar with its text selected and the focus in it.
    void Open();
    void FindNext();
    void FindPrevious();

    const TFindMatch& Match() const { return m_match; }
    QLineEdit* Edit() const { return m_edit; }
    QString StatusText() const;

Q_SIGNALS:
    // The match to highlight; invalid when there is none.
    void MatchChanged(const TFindMatch& match);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Escape closes the bar, Shift+Enter finds the previous match.
    bool HandleKey(QKeyEvent* event);
    void Find(TFindDirection direction);
    void SetMatch(const TFindMatch& match);

    TReportFinder m_finder;
    QLineEdit* m_edit = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QLabel* m_status = nullptr;
    TFindMatch m_match;
    QString m_matchText;
    Qt::CaseSensitivity m_matchSensitivity = Qt::CaseInsensitive;
    int m_currentPage = 0;
};
