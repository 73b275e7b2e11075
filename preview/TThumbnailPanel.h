#pragma once
#include <QDockWidget>

class QListView;
class TReportDocument;
class TThumbnailModel;

// The preview's side panel of page thumbnails, one row per page laid out so far. Only the rows on
// screen are painted, each page drawn once into a small cached image, so a report of thousands of
// pages costs no more than a short one. Choosing a thumbnail asks the preview to show that page.
class TThumbnailPanel : public QDockWidget
{
    Q_OBJECT
public:
    explicit TThumbnailPanel(QWidget* parent = nullptr);
    ~TThumbnailPanel() override;

    // A new document (or none) starts afresh; the document must outlive the panel or be replaced.
    void SetDocument(const TReportDocument* document);
    // The pages laid out so far; thumbnails of pages already shown stay valid as pages are added.
    void SetPageCount(int count);
    int PageCount() const;
    // Marks the page the preview shows and scrolls it into view.
    void SetCurrentPage(int index);
    QListView* List() const { return m_list; }

Q_SIGNALS:
    void PageChosen(int index);

private:
    TThumbnailModel* m_model = nullptr;
    QListView* m_list = nullptr;
    bool m_settingCurrent = false; // the preview moved, not the user
};
