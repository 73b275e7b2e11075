#include "TReportFinder.h"

#include "HandlerGuard.h"
#include "TReportDocument.h"

#include <QElapsedTimer>
#include <algorithm>

namespace {

// How long one search slice may keep the event loop waiting. The layout's slices take turns with
// it, so a short slice adds little to the wait of a key press while both run.
constexpr int SliceMilliseconds = 10;

} // namespace

TReportFinder::TReportFinder(QObject* parent) : QObject(parent)
{
    m_timer.setInterval(0);
    // A failure ends the search (it would only fail again on the next slice).
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (!Guarded([this] { Slice(); }))
            Cancel();
    });
}

void TReportFinder::SetDocument(const TReportDocument* document)
{
    Cancel();
    m_document = document;
}

void TReportFinder::Find(const QString& text, TFindDirection direction, Qt::CaseSensitivity sensitivity,
                         const TFindMatch& from, int fromPage)
{
    Cancel();
    m_text = text;
    m_direction = direction;
    m_sensitivity = sensitivity;
    m_from = from;
    m_startPage = from.IsValid() ? from.Page : fromPage;
    const int count = m_document ? m_document->PageCount() : 0;
    m_startPage = std::clamp(m_startPage, 0, std::max(0, count - 1));
    m_page = m_startPage;
    m_wrapped = false;
    if (!m_document || text.isEmpty()) {
        Finish({});
        return;
    }
    m_state = stRunning;
    m_timer.start();
}

void TReportFinder::Cancel()
{
    m_timer.stop();
    m_state = stIdle;
}

void TReportFinder::LayoutAdvanced()
{
    if (m_state != stWaiting)
        return;
    m_state = stRunning;
    m_timer.start();
}

void TReportFinder::Slice()
{
    QElapsedTimer clock;
    clock.start();
    while (m_state == stRunning && PageReady()) {
        const TFindMatch match = SearchPage(m_page);
        if (match.IsValid()) {
            Finish(match);
            return;
        }
        m_page += m_direction == fdForward ? 1 : -1;
        if (clock.elapsed() >= SliceMilliseconds) {
            Q_EMIT Progress(m_page);
            return;
        }
    }
}

bool TReportFinder::PageReady()
{
    const int count = m_document->PageCount();
    const bool forward = m_direction == fdForward;
    const bool pastEnd = forward ? m_page >= count : m_page < 0;
    if (!m_wrapped && pastEnd) {
        if (LayoutRunning && LayoutRunning()) {
            m_state = stWaiting;
            m_timer.stop();
            return false;
        }
        m_wrapped = true;
        m_page = forward ? 0 : count - 1;
    }
    // Round once: the wrapped pass ends with the page where the search started.
    const bool done = m_wrapped && (forward ? m_page > m_startPage : m_page < m_startPage);
    if (done || m_page < 0 || m_page >= count) {
        Finish({});
        return false;
    }
    return true;
}

TFindMatch TReportFinder::SearchPage(int pageIndex) const
{
    const TReportPage& page = m_document->Page(pageIndex);
    const auto& elements = page.Elements();
    const bool forward = m_direction == fdForward;
    // On the first pass over the start page, only what lies beyond the starting span counts.
    const bool limited = !m_wrapped && m_from.IsValid() && pageIndex == m_startPage;
    const int count = int(elements.size());
    for (int i = 0; i < count; ++i) {
        const int e = forward ? i : count - 1 - i;
        if (elements[size_t(e)].Kind != pkText)
            continue;
        qsizetype from = forward ? 0 : -1;
        if (limited) {
            if (forward ? e < m_from.Element : e > m_from.Element)
                continue;
            if (e == m_from.Element) {
                if (!forward && m_from.Start == 0)
                    continue;
                from = forward ? m_from.Start + 1 : m_from.Start - 1;
            }
        }
        const QString text = page.Text(elements[size_t(e)]);
        const qsizetype at = forward ? text.indexOf(m_text, from, m_sensitivity)
                                     : text.lastIndexOf(m_text, from, m_sensitivity);
        if (at >= 0)
            return {pageIndex, e, int(at), int(m_text.size())};
    }
    return {};
}

void TReportFinder::Finish(const TFindMatch& match)
{
    Cancel();
    if (match.IsValid())
        Q_EMIT Found(match);
    else
        Q_EMIT NotFound();
}
