#include "TPrompt.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {

TPrompt* g_prompt = nullptr;

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

bool TQtPrompt::InputQuery(const QString& caption, const QString& prompt, QString& value)
{
    bool ok = false;
    const QString text = QInputDialog::getText(DialogParent(), caption, prompt, QLineEdit::Normal, value, &ok);
    if (ok)
        value = text;
    return ok;
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

void ShowWarning(const QString& text)
{
    Prompt().ShowWarning(text);
}
