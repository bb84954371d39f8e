#pragma once

// The prompt service of the program: real message boxes and the one-line
// input box, parented to the active window so they stay on top of it.

#include "common/prompt.h"

class QWidget;

class TQtPrompt : public TPromptService
{
public:
    TModalResult MessageBox(const QString &text, const QString &caption, TMsgDlgType type,
                            TMsgButtons buttons) override;
    bool InputBox(const QString &caption, const QString &prompt, QString &value) override;
    void Beep() override;

    // The object names of the boxes' parts, for those who look for them.
    static const char *const InputEditName; // the input box's line edit
};
