#pragma once
// A captioned group of radio buttons laid out in columns, filled top to bottom, with one selected index
// (-1 when nothing is chosen). Buttons are spread evenly over the group's height, as the original forms
// place them, so a form gives only the group's rectangle.
#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

class TRadioGroup : public QGroupBox
{
    Q_OBJECT
public:
    explicit TRadioGroup(QWidget* parent = nullptr);

    void SetItems(const QStringList& items);
    QStringList Items() const;
    void SetColumns(int columns);
    int Columns() const { return m_columns; }

    int ItemIndex() const;
    // Selects an item without raising Click; -1 clears the choice.
    void SetItemIndex(int index);
    QRadioButton* Button(int index) const;

Q_SIGNALS:
    // The user chose an item (also when it was already chosen).
    void Click();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayoutButtons();

    QButtonGroup* m_group = nullptr;
    QList<QRadioButton*> m_buttons;
    int m_columns = 1;
};
