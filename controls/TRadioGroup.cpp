#include "TRadioGroup.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QRadioButton>

namespace {

constexpr int SideMargin = 8;
constexpr int BottomMargin = 4;

// The toolkit's arrow keys move the focus between the buttons of a group, but they select the new
// button only when the one they leave was selected. In a group that starts with nothing chosen the
// first arrow key would then select nothing; here the arrow keys always select where they land.
class TGroupRadioButton : public QRadioButton
{
public:
    using QRadioButton::QRadioButton;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        QRadioButton::keyPressEvent(event);
        switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
            break;
        default:
            return;
        }
        auto* target = qobject_cast<QRadioButton*>(QApplication::focusWidget());
        if (target && target != this && target->group() == group() && !target->isChecked())
            target->click();
    }
};

} // namespace

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent)
    , m_group(new QButtonGroup(this))
{
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idClicked, this, [this](int) { Q_EMIT Click(); });
}

void TRadioGroup::SetItems(const QStringList& items)
{
    qDeleteAll(m_buttons);
    m_buttons.clear();
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new TGroupRadioButton(items.at(i), this);
        button->setObjectName(QStringLiteral("%1_%2").arg(objectName()).arg(i));
        m_group->addButton(button, i);
        m_buttons << button;
        button->show();
    }
    LayoutButtons();
}

QStringList TRadioGroup::Items() const
{
    QStringList items;
    for (const QRadioButton* button : m_buttons)
        items << button->text();
    return items;
}

void TRadioGroup::SetColumns(int columns)
{
    m_columns = qMax(1, columns);
    LayoutButtons();
}

int TRadioGroup::ItemIndex() const
{
    return m_group->checkedId();
}

void TRadioGroup::SetItemIndex(int index)
{
    if (index >= 0 && index < m_buttons.size()) {
        m_buttons.at(index)->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; lift that for a moment to clear the choice.
    m_group->setExclusive(false);
    for (QRadioButton* button : m_buttons)
        button->setChecked(false);
    m_group->setExclusive(true);
}

QRadioButton* TRadioGroup::Button(int index) const
{
    return index >= 0 && index < m_buttons.size() ? m_buttons.at(index) : nullptr;
}

void TRadioGroup::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    LayoutButtons();
}

void TRadioGroup::LayoutButtons()
{
    if (m_buttons.isEmpty())
        return;
    // The area inside the frame, below the title, as the style draws them.
    const QRect area = contentsRect().adjusted(SideMargin - 2, 0, -SideMargin, -BottomMargin);
    const int rows = (int(m_buttons.size()) + m_columns - 1) / m_columns;
    const int columnWidth = area.width() / m_columns;
    const int buttonHeight = qMin(area.height() / rows, QFontMetrics(font()).height() + 4);
    for (int i = 0; i < m_buttons.size(); ++i) {
        const int column = i / rows;
        const int row = i % rows;
        // Rows are centred in equal slices of the area.
        const int slice = area.height() * row / rows;
        const int sliceHeight = area.height() * (row + 1) / rows - slice;
        const int y = area.top() + slice + (sliceHeight - buttonHeight) / 2;
        m_buttons.at(i)->setGeometry(area.left() + column * columnWidth, y, columnWidth, buttonHeight);
    }
}
