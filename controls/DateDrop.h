#pragma once
// TbrmDateDropDown: the edit field for one date. The user types it (restricted to the picture
// "#[#]/#[#]/##[##]") or picks it in the popup calendar behind the drop-down button; leaving the field
// rewrites the text in the short date format.
#include "DateTime.h"

#include <QWidget>
#include <functional>

class QLineEdit;
class QToolButton;
class TVellPopup;

class TbrmDateDropDown : public QWidget
{
    Q_OBJECT
public:
    explicit TbrmDateDropDown(QWidget* parent = nullptr);
    ~TbrmDateDropDown() override;

    QString Text() const;
    void SetText(const QString& text);

    // Read: 0 for an empty text, else the date in the text. Write: shows the date unless it equals the
    // date last written or chosen (Popup()->Date), in which case the text is left alone.
    TDateTime Value() const;
    void SetValue(TDateTime value);

    // Read-only: no typing, no button, no drop-down.
    bool ReadOnly() const;
    void SetReadOnly(bool readOnly);

    // The popup calendar owned by the field; its Date is the date last shown through Value or chosen.
    TVellPopup* Popup() const;

    // The date in a typed text in the order of the short date format, 0 when it is not a date.
    static TDateTime ParseDateText(const QString& text);

    // Opens the popup calendar on the typed date (today when there is none) and writes the date back,
    // also after a cancel. Bound to the button, F4 and Alt+Up/Alt+Down.
    void DropDownCalendar();

    // Asked before each drop-down; false refuses it.
    std::function<bool()> AllowDropDown;
    // Set when the field is bound to a record field: receives the date after each drop-down.
    std::function<void(TDateTime)> BoundFieldSetter;

    QLineEdit* Edit() const { return m_edit; }
    QToolButton* Button() const { return m_button; }

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ExitRewrite();
    void NameEditFromLabel();
    void LayoutChildren();

    QLineEdit* m_edit = nullptr;
    QToolButton* m_button = nullptr;
    TVellPopup* m_popup = nullptr;
    bool m_readOnly = false;
};
