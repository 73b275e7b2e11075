#include "TPrompt.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>

namespace {

TPrompt* g_prompt = nullptr;

// Room beside the caption for the window manager's icon and buttons. Some window managers draw
// minimise and maximise buttons whatever a dialog asks for, so there is room for those too.
constexpr int CaptionAllowance = 128;
// Title bars commonly use a bold font a size or two above the one of the windows' contents.
constexpr double TitleFontScale = 1.25;

QWidget* DialogParent()
{
    return QApplication::activeWindow();
}

} // namespace

void TQtPrompt::ShowWarning(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    DialogParent());
    box.exec();
}

void TQtPrompt::ShowError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    DialogParent());
    box.exec();
}

std::unique_ptr<QInputDialog> TQtPrompt::MakeInputDialog(const QString& caption, const QString& prompt,
                                                         const QString& value)
{
    auto dialog = std::make_unique<QInputDialog>(DialogParent(), DialogFlags);
    dialog->setWindowTitle(caption);
    dialog->setLabelText(prompt);
    dialog->setTextValue(value);
    dialog->setInputMode(QInputDialog::TextInput);
    // The dialog's layout sets its minimum and maximum size from its contents, so the edit is what
    // is made wider.
    if (auto* edit = dialog->findChild<QLineEdit*>()) {
        const QMargins margins = dialog->layout() ? dialog->layout()->contentsMargins() : QMargins();
        edit->setMinimumWidth(WidthForCaption(caption) - margins.left() - margins.right());
    }
    return dialog;
}

bool TQtPrompt::InputQuery(const QString& caption, const QString& prompt, QString& value)
{
    const std::unique_ptr<QInputDialog> dialog = MakeInputDialog(caption, prompt, value);
    if (dialog->exec() != QDialog::Accepted)
        return false;
    value = dialog->textValue();
    return true;
}

int TQtPrompt::ExecModal(QDialog& dialog)
{
    return dialog.exec();
}

void TScriptedPrompt::ShowWarning(const QString& text)
{
    Warnings << text;
}

void TScriptedPrompt::ShowError(const QString& text)
{
    Errors << text;
}

bool TScriptedPrompt::InputQuery(const QString& caption, const QString& prompt, QString& value)
{
    InputCalls << TInputCall{caption, prompt, value};
    if (InputAnswers.isEmpty())
        return false;
    const TInputAnswer answer = InputAnswers.takeFirst();
    if (answer.Accepted)
        value = answer.Text;
    return answer.Accepted;
}

int TScriptedPrompt::ExecModal(QDialog& dialog)
{
    ++ModalCount;
    if (ModalActions.isEmpty())
        return QDialog::Rejected;
    const auto action = ModalActions.takeFirst();
    const int result = action(dialog);
    return result == -1 ? dialog.result() : result;
}

TPrompt& Prompt()
{
    static TQtPrompt qtPrompt;
    return g_prompt ? *g_prompt : qtPrompt;
}

void SetPrompt(TPrompt* prompt)
{
    g_prompt = prompt;
}

int WidthForCaption(const QString& caption)
{
    QFont font = QApplication::font();
    font.setBold(true);
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * TitleFontScale);
    else
        font.setPixelSize(qRound(font.pixelSize() * TitleFontScale));
    return QFontMetrics(font).horizontalAdvance(caption) + CaptionAllowance;
}

void ShowWarning(const QString& text)
{
    Prompt().ShowWarning(text);
}
