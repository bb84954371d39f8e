#include "prompt.h"

#include <cstdio>

namespace
{
TConsolePrompt g_console;
TPromptService *g_service = nullptr;
QString g_title = QStringLiteral("Tabulon");

TModalResult cautiousAnswer(TMsgButtons buttons)
{
    switch (buttons) {
    case TMsgButtons::OK:
        return mrOk;
    case TMsgButtons::OKCancel:
    case TMsgButtons::YesNoCancel:
        return mrCancel;
    case TMsgButtons::YesNo:
        return mrNo;
    }
    return mrCancel;
}
} // namespace

TPromptService::~TPromptService() = default;

void TPromptService::ShowError(const QString &text, const QString &caption)
{
    MessageBox(text, caption, mtError, TMsgButtons::OK);
}

void TPromptService::ShowMessage(const QString &text, const QString &caption)
{
    MessageBox(text, caption.isEmpty() ? PromptTitle() : caption, mtInformation, TMsgButtons::OK);
}

bool TPromptService::Confirm(const QString &text, const QString &caption)
{
    return MessageBox(text, caption.isEmpty() ? PromptTitle() : caption, mtConfirmation,
                      TMsgButtons::YesNo) == mrYes;
}

TPromptService &Prompt()
{
    return g_service ? *g_service : g_console;
}

TPromptService *SetPromptService(TPromptService *service)
{
    TPromptService *previous = g_service;
    g_service = service;
    return previous;
}

QString PromptTitle()
{
    return g_title;
}

void SetPromptTitle(const QString &title)
{
    g_title = title;
}

TModalResult TConsolePrompt::MessageBox(const QString &text, const QString &caption, TMsgDlgType,
                                        TMsgButtons buttons)
{
    const QByteArray line = (caption.isEmpty() ? text : caption + QStringLiteral(": ") + text).toLocal8Bit();
    std::fprintf(stderr, "%s\n", line.constData());
    return cautiousAnswer(buttons);
}

bool TConsolePrompt::InputBox(const QString &caption, const QString &prompt, QString &)
{
    const QByteArray line = (caption + QStringLiteral(": ") + prompt).toLocal8Bit();
    std::fprintf(stderr, "%s (no input in this mode)\n", line.constData());
    return false;
}

void TScriptedPrompt::Clear()
{
    m_answers.clear();
    m_inputs.clear();
    m_records.clear();
}

TModalResult TScriptedPrompt::MessageBox(const QString &text, const QString &caption, TMsgDlgType type,
                                         TMsgButtons buttons)
{
    Record r;
    r.kind = Record::Message;
    r.caption = caption;
    r.text = text;
    r.type = type;
    r.buttons = buttons;
    m_records.append(r);
    return m_answers.isEmpty() ? cautiousAnswer(buttons) : m_answers.takeFirst();
}

bool TScriptedPrompt::InputBox(const QString &caption, const QString &prompt, QString &value)
{
    Record r;
    r.kind = Record::Input;
    r.caption = caption;
    r.text = prompt;
    r.initialValue = value;
    m_records.append(r);
    if (m_inputs.isEmpty())
        return false;
    std::optional<QString> answer = m_inputs.takeFirst();
    if (!answer)
        return false;
    value = *answer;
    return true;
}

void TScriptedPrompt::Beep()
{
    Record r;
    r.kind = Record::Beep;
    m_records.append(r);
}
