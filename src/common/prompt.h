#pragma once

// User prompts from code below the GUI.
//
// Non-GUI code never opens a window: message boxes and the one-line input box
// go through the installed prompt service. The program installs a Qt
// implementation; tools get a console one; tests install TScriptedPrompt with
// answers queued in advance.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum class TMsgButtons { OK, OKCancel, YesNo, YesNoCancel };
enum TModalResult {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7
};

class TPromptService
{
public:
    virtual ~TPromptService();
    // Shows a message box and returns the button chosen. Closing the box
    // without a button counts as Cancel (or No where there is no Cancel, or OK
    // for a box that only has OK).
    virtual TModalResult MessageBox(const QString &text, const QString &caption, TMsgDlgType type,
                                    TMsgButtons buttons) = 0;
    // A one-line input box; value holds the initial text and receives the
    // typed one. False when the user cancels (value is then unchanged).
    virtual bool InputBox(const QString &caption, const QString &prompt, QString &value) = 0;
    // The system's warning sound.
    virtual void Beep() {}

    // Shorthands.
    void ShowError(const QString &text, const QString &caption = QStringLiteral("Error"));
    void ShowMessage(const QString &text, const QString &caption = QString());
    bool Confirm(const QString &text, const QString &caption = QString()); // Yes/No, true for Yes
};

// The installed service (a console service until something else is installed).
TPromptService &Prompt();
// Installs a service (not owned; null restores the console service). Returns the previous one.
TPromptService *SetPromptService(TPromptService *service);

// The title boxes without a caption of their own show (the application's title).
QString PromptTitle();
void SetPromptTitle(const QString &title);

// Writes messages to standard error and gives the cautious answer: OK, or
// Cancel/No where the box offers them; input boxes are cancelled.
class TConsolePrompt : public TPromptService
{
public:
    TModalResult MessageBox(const QString &text, const QString &caption, TMsgDlgType type,
                            TMsgButtons buttons) override;
    bool InputBox(const QString &caption, const QString &prompt, QString &value) override;
};

// Answers from queues, recording everything it was asked.
class TScriptedPrompt : public TPromptService
{
public:
    struct Record {
        enum Kind { Message, Input, Beep } kind = Message;
        QString caption;
        QString text; // message text or input prompt
        TMsgDlgType type = mtInformation;
        TMsgButtons buttons = TMsgButtons::OK;
        QString initialValue; // input boxes
    };

    // Answers used in order; when the queue is empty the console service's
    // cautious answer is given.
    void QueueAnswer(TModalResult answer) { m_answers.append(answer); }
    // Input answers: a text confirms, nullopt cancels.
    void QueueInput(std::optional<QString> text) { m_inputs.append(std::move(text)); }

    const QList<Record> &Records() const { return m_records; }
    void Clear();

    TModalResult MessageBox(const QString &text, const QString &caption, TMsgDlgType type,
                            TMsgButtons buttons) override;
    bool InputBox(const QString &caption, const QString &prompt, QString &value) override;
    void Beep() override;

private:
    QList<TModalResult> m_answers;
    QList<std::optional<QString>> m_inputs;
    QList<Record> m_records;
};

// Answers prompts from one list of texts taken in order, whatever the kind of prompt: the typed text
// for an input box, a button name ("OK", "Cancel", "Yes", "No", case ignored) for a message box.
// With no answer left a message box takes its first button and an input box is cancelled; an
// answer that names no button of the box also takes the first button. Every prompt and its answer
// is written to standard error. Headless tools use it for their --answer options.
class TAnswerListPrompt : public TPromptService
{
public:
    explicit TAnswerListPrompt(QStringList answers = {}) : m_answers(std::move(answers)) {}

    TModalResult MessageBox(const QString &text, const QString &caption, TMsgDlgType type,
                            TMsgButtons buttons) override;
    bool InputBox(const QString &caption, const QString &prompt, QString &value) override;

    // The answers not used yet.
    const QStringList &Remaining() const { return m_answers; }

private:
    QStringList m_answers;
};

// The names of a box's buttons in their order ("OK", "Cancel" ...), and the result of each.
QList<QPair<QString, TModalResult>> PromptButtons(TMsgButtons buttons);

// Installs a prompt service for the lifetime of the guard.
class TPromptGuard
{
public:
    explicit TPromptGuard(TPromptService *service) : m_previous(SetPromptService(service)) {}
    ~TPromptGuard() { SetPromptService(m_previous); }
    TPromptGuard(const TPromptGuard &) = delete;
    TPromptGuard &operator=(const TPromptGuard &) = delete;

private:
    TPromptService *m_previous;
};
