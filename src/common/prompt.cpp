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

QList<QPair<QString, TModalResult>> PromptButtons(TMsgButtons buttons)
{
    const QPair<QString, TModalResult> ok{QStringLiteral("OK"), mrOk}, cancel{QStringLiteral("Cancel"), mrCancel},
        yes{QStringLiteral("Yes"), mrYes}, no{QStringLiteral("No"), mrNo};
    switch (buttons) {
    case TMsgButtons::OK:
        return {ok};
    case TMsgButtons::OKCancel:
        return {ok, cancel};
    case TMsgButtons::YesNo:
        return {yes, no};
    case TMsgButtons::YesNoCancel:
        return {yes, no, cancel};
    }
    return {ok};
}

namespace
{
const char *typeName(TMsgDlgType type)
{
    switch (type) {
    case mtWarning:
        return "warning";
    case mtError:
        return "error";
    case mtInformation:
        return "information";
    case mtConfirmation:
        return "confirmation";
    case mtCustom:
        break;
    }
    return "message";
}

void writeLine(const QString &line)
{
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}
} // namespace

TModalResult TAnswerListPrompt::MessageBox(const QString &text, const QString &caption, TMsgDlgType type,
                                           TMsgButtons buttons)
{
    const auto choices = PromptButtons(buttons);
    QStringList names;
    for (const auto &choice : choices)
        names.append(choice.first);
    auto chosen = choices.first();
    QString note;
    if (!m_answers.isEmpty()) {
        const QString answer = m_answers.takeFirst();
        bool matched = false;
        for (const auto &choice : choices) {
            if (choice.first.compare(answer.trimmed(), Qt::CaseInsensitive) == 0) {
                chosen = choice;
                matched = true;
            }
        }
        if (!matched)
            note = QStringLiteral(" (\"%1\" is not a button of this box)").arg(answer);
    }
    writeLine(QStringLiteral("prompt: %1 box \"%2\": %3 [%4] -> %5%6")
                  .arg(QLatin1String(typeName(type)), caption, text, names.join(u'/'), chosen.first, note));
    return chosen.second;
}

bool TAnswerListPrompt::InputBox(const QString &caption, const QString &prompt, QString &value)
{
    const QString head = QStringLiteral("prompt: input box \"%1\": %2 [%3]").arg(caption, prompt, value);
    if (m_answers.isEmpty()) {
        writeLine(head + QStringLiteral(" -> cancelled"));
        return false;
    }
    value = m_answers.takeFirst();
    writeLine(head + QStringLiteral(" -> \"%1\"").arg(value));
    return true;
}
