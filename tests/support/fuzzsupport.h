#pragma once

// What the fuzz targets share: a prompt service that answers every box silently, so that
// message and input boxes neither block a run nor flood standard error.

#include "common/prompt.h"

class TSilentPrompt : public TPromptService
{
public:
    // The cautious answer, like the console service, without printing anything.
    TModalResult MessageBox(const QString &, const QString &, TMsgDlgType, TMsgButtons buttons) override
    {
        return buttons == TMsgButtons::OK ? mrOk : buttons == TMsgButtons::YesNo ? mrNo : mrCancel;
    }
    // Input boxes are cancelled.
    bool InputBox(const QString &, const QString &, QString &) override { return false; }
};

// Installs the silent service once for the whole process.
inline void InstallSilentPrompt()
{
    static TSilentPrompt prompt;
    static const bool installed = (SetPromptService(&prompt), true);
    (void)installed;
}
