#pragma once

// What the fuzz targets share: the start-up of the programs, a prompt service that answers every box
// silently, so that message and input boxes neither block a run nor flood standard error; a quiet Qt; and a
// scratch directory for the files a target writes.

#include "common/prompt.h"
#include "definition/startup.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtGlobal>

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

// Once per process: the programs' start-up, the silent prompt service, and Qt's warnings dropped (a corrupt
// input makes Qt warn on every run, and printing costs more than the run). qFatal still aborts.
inline void FuzzSetUp()
{
    static TSilentPrompt prompt;
    static const bool done = [] {
        RegisterReportSupport();
        SetPromptService(&prompt);
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return true;
    }();
    (void)done;
}

// A directory for the files a target writes, in memory where the system offers that: saved
// files are synced to disk, which would make disk speed, not the code, set the pace.
inline QString FuzzScratchDir()
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/tabulon-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/tabulon-fuzz-XXXXXX"));
    return dir.path();
}
