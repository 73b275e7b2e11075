#include "TThumbnailPanel.h"

#include "TPagePainter.h"
#include "TReportDocument.h"

#include <QAbstractListModel>
#include <QCache>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyledItemDelegate>

namespace {

constexpr int ThumbnailWidth = 100;
constexpr int LabelHeight = 16;
constexpr int Padding = 6;
// Thumbnails kept drawn: a few screens' worth, whatever the report's length.
constexpr int CachedThumbnails = 200;

// A thumbnail above its page number, with the current page's row highlighted.
class TThumbnailDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        const QSize image = index.data(Qt::SizeHintRole).toSize();
        return QSize(image.width() + 2 * Padding, image.height() + LabelHeight + 2 * Padding);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        if (option.state & QStyle::State_Selected)
            painter->fillRect(option.rect, option.palette.highlight());
        const QPixmap pixmap = index.data(Qt::DecorationRole).value<QPixmap>();
        const QPoint at(option.rect.center().x() - pixmap.width() / 2, option.rect.top() + Padding);
        painter->fillRect(QRect(at + QPoint(2, 2), pixmap.size()), Qt::gray);
        painter->drawPixmap(at, pixmap);
        const QRect label(option.rect.left(), at.y() + pixmap.height(), option.rect.width(), LabelHeight);
        painter->setPen(option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                   : QPalette::Text));
        painter->drawText(label, Qt::AlignCenter, index.data(Qt::DisplayRole).toString());
        painter->restore();
    }
};

} // namespace

// One row per page laid out; each thumbnail is drawn when a row first needs it.
class TThumbnailModel : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    void SetDocument(const TReportDocument* document)
    {
        beginResetModel();
        m_document = document;
        m_count = 0;
        m_cache.clear();
        endResetModel();
    }

    void SetPageCount(int count)
    {
        if (count == m_count)
            return;
        if (count > m_count) {
            beginInsertRows({}, m_count, count - 1);
            m_count = count;
            endInsertRows();
        } else {
            beginResetModel();
            m_count = count;
            m_cache.clear();
            endResetModel();
        }
    }

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : m_count; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || !m_document || index.row() >= m_count)
            return {};
        switch (role) {
        case Qt::DisplayRole: return QString::number(index.row() + 1);
        case Qt::AccessibleTextRole: return QStringLiteral("Page %1").arg(index.row() + 1);
        case Qt::ToolTipRole: return QStringLiteral("Page %1").arg(index.row() + 1);
        case Qt::SizeHintRole: return ImageSize();
        case Qt::DecorationRole: return Thumbnail(index.row());
        default: return {};
        }
    }

private:
    QSize ImageSize() const
    {
        return QSize(ThumbnailWidth, qRound(ThumbnailWidth * m_document->PaperHeight / m_document->PaperWidth));
    }

    QPixmap Thumbnail(int page) const
    {
        if (const QPixmap* cached = m_cache.object(page))
            return *cached;
        QImage image(ImageSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::TextAntialiasing);
            TPagePainter::Paint(painter, *m_document, m_document->Page(page), QPointF(0, 0),
                                ThumbnailWidth / m_document->PaperWidth);
            painter.setPen(Qt::darkGray);
            painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
        }
        auto* pixmap = new QPixmap(QPixmap::fromImage(image));
        m_cache.insert(page, pixmap);
        return *pixmap;
    }

    const TReportDocument* m_document = nullptr;
    int m_count = 0;
    mutable QCache<int, QPixmap> m_cache{CachedThumbnails};
};

TThumbnailPanel::TThumbnailPanel(QWidget* parent) : QDockWidget(QStringLiteral("Pages"), parent)
{
    setObjectName(QStringLiteral("ThumbnailPanel"));
    setFeatures(QDockWidget::DockWidgetClosable);
    m_model = new TThumbnailModel(this);
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("ThumbnailList"));
    m_list->setAccessibleName(QStringLiteral("Page thumbnails"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new TThumbnailDelegate(m_list));
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // As wide as a thumbnail and the scroll bar: the page keeps the rest of the window.
    const int frame = 2 * m_list->frameWidth();
    m_list->setFixedWidth(ThumbnailWidth + 2 * Padding + frame + style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    setWidget(m_list);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && !m_settingCurrent)
                    Q_EMIT PageChosen(current.row());
            });
}

TThumbnailPanel::~TThumbnailPanel() = default;

void TThumbnailPanel::SetDocument(const TReportDocument* document)
{
    m_model->SetDocument(document);
}

void TThumbnailPanel::SetPageCount(int count)
{
    m_model->SetPageCount(count);
}

int TThumbnailPanel::PageCount() const
{
    return m_model->rowCount({});
}

void TThumbnailPanel::SetCurrentPage(int index)
{
    const QModelIndex row = m_model->index(index, 0);
    if (!row.isValid() || m_list->currentIndex() == row)
        return;
    m_settingCurrent = true;
    m_list->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
    m_settingCurrent = false;
    m_list->scrollTo(row);
}
