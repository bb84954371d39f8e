#include "common/prompt.h"
#include "definition/startup.h"
#include "output/preview/guihooks.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The start-up of the program with windows, nothing more.
    RegisterReportSupport();
    InstallGuiHooks();
    // Under the offscreen platform nobody answers a real message box: a box that a test does not
    // expect is written to standard error and answered cautiously instead of waiting for ever.
    // Tests that look at boxes install their own scripted prompt or a TQtPrompt of their own; the
    // real boxes of the installed program are driven by the process tests under Xvfb.
    SetPromptService(nullptr);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
