#pragma once
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class TReportDocument;

// Where a text was found: a span of one text element of one page (offsets in characters).
struct TFindMatch
{
    int Page = -1;
    int Element = -1;
    int Start = 0;
    int Length = 0;

    bool IsValid() const { return Page >= 0; }
    bool operator==(const TFindMatch&) const = default;
};

enum TFindDirection { fdForward, fdBackward };

// Finds a text in the pages of a document that may still be growing while the preview lays the
// report out. The search runs in slices from the event loop, so a report of tens of thousands of
// pages never blocks the window. A forward search that reaches the last page laid out so far waits
// for the layout (LayoutAdvanced) rather than giving up; when the layout has ended it wraps round to
// the first page and stops where it started. A backward search wraps to the last page only once
// the layout has ended, so it, too, sees the whole report.
class TReportFinder : public QObject
{
    Q_OBJECT
public:
    explicit TReportFinder(QObject* parent = nullptr);

    // Whether the layout will still add pages; unset means the document is complete.
    std::function<bool()> LayoutRunning;

    // Cancels any search; the document must outlive the finder or be replaced before it goes.
    void SetDocument(const TReportDocument* document);

    // Starts a search for text (matched inside one element's text). from: the match to continue
    // after (forward) or before (backward); when it is not valid, the search starts at the top
    // (forward) or bottom (backward) of page fromPage.
    void Find(const QString& text, TFindDirection direction, Qt::CaseSensitivity sensitivity, const TFindMatch& from,
              int fromPage);
    void Cancel();
    // The layout added pages or ended: a search waiting for them goes on.
    void LayoutAdvanced();

    bool Searching() const { return m_state != stIdle; }
    bool WaitingForLayout() const { return m_state == stWaiting; }
    // The page the search is looking at (or waits for), 0-based.
    int SearchPage() const { return m_page; }

Q_SIGNALS:
    void Found(const TFindMatch& match);
    void NotFound();
    // Reported once per slice while the search goes on.
    void Progress(int page);

private:
    enum TState { stIdle, stRunning, stWaiting };

    void Slice();
    // Whether m_page can be searched now; otherwise the search waits for the layout or has ended.
    bool PageReady();
    TFindMatch SearchPage(int page) const;
    void Finish(const TFindMatch& match);

    const TReportDocument* m_document = nullptr;
    QTimer m_timer;
    TState m_state = stIdle;
    QString m_text;
    TFindDirection m_direction = fdForward;
    Qt::CaseSensitivity m_sensitivity = Qt::CaseInsensitive;
    TFindMatch m_from;   // the span the search continues after (before); invalid: a whole page
    int m_startPage = 0; // where the search started
    int m_page = 0;      // the page to search next
    bool m_wrapped = false;
};
