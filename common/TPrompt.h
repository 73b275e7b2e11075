#pragma once
// The one seam through which the program talks to the person in front of it: warning boxes, the
// standard error box, the one-line input dialog and modal forms. The Qt implementation shows real
// dialogs; the scripted one answers from queues and records what was shown, so every dialog path
// can be tested without a person.
#include <QList>
#include <QString>
#include <QStringList>
#include <Qt>
#include <functional>
#include <memory>

class QDialog;
class QInputDialog;

class TPrompt
{
public:
    virtual ~TPrompt() = default;
    // A modal message box with the warning icon and one OK button.
    virtual void ShowWarning(const QString& text) = 0;
    // The application's standard error box, used for exceptions that leave an event handler.
    virtual void ShowError(const QString& text) = 0;
    // The one-line input dialog; false when cancelled, else `value` holds the text typed.
    virtual bool InputQuery(const QString& caption, const QString& prompt, QString& value) = 0;
    // Shows a form modally and returns its result code (QDialog::Accepted / Rejected).
    virtual int ExecModal(QDialog& dialog) = 0;
};

class TQtPrompt : public TPrompt
{
public:
    // The frame of the program's dialogs: a caption and a close box, no minimise or maximise button.
    static constexpr Qt::WindowFlags DialogFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    // The one-line input dialog as InputQuery shows it, wide enough for its caption.
    static std::unique_ptr<QInputDialog> MakeInputDialog(const QString& caption, const QString& prompt,
                                                         const QString& value);

    void ShowWarning(const QString& text) override;
    void ShowError(const QString& text) override;
    bool InputQuery(const QString& caption, const QString& prompt, QString& value) override;
    int ExecModal(QDialog& dialog) override;
};

// Answers from queues, front first; an empty queue cancels the input or rejects the form.
class TScriptedPrompt : public TPrompt
{
public:
    struct TInputAnswer
    {
        bool Accepted = true;
        QString Text;
    };
    struct TInputCall
    {
        QString Caption;
        QString Prompt;
        QString Initial;
    };

    QStringList Warnings;
    QStringList Errors;
    QList<TInputAnswer> InputAnswers;
    QList<TInputCall> InputCalls;
    // Each runs against the shown form (it may fill edits and click buttons) and returns the result
    // code; when it returns -1 the form's own result() is taken.
    QList<std::function<int(QDialog&)>> ModalActions;
    int ModalCount = 0;

    void ShowWarning(const QString& text) override;
    void ShowError(const QString& text) override;
    bool InputQuery(const QString& caption, const QString& prompt, QString& value) override;
    int ExecModal(QDialog& dialog) override;
};

// The prompt in use; the Qt one unless a test installed another.
TPrompt& Prompt();
// Installs a prompt (not owned); nullptr restores the Qt one.
void SetPrompt(TPrompt* prompt);

// The width a window needs for the window manager to show `caption` in full in its title bar, beside
// its icon and buttons. Title bars use their own, often bolder and larger, font.
int WidthForCaption(const QString& caption);

// Shorthand for Prompt().ShowWarning(text).
void ShowWarning(const QString& text);
