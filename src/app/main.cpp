#include "app/helpform.h"
#include "app/mainform.h"
#include "app/qtprompt.h"
#include "designer/designerform.h"
#include "output/preview/registerpreview.h"
#include "params/autoprintform.h"
#include "params/pareditform.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TQtPrompt prompt;
    const TPromptGuard promptInstalled(&prompt);

    // The shell offers a tool's commands only when it is installed before the windows are made.
    TParEditForm::Install();
    TAutoprintForm::Install();
    RegisterPreviewHooks();
    // "Designer" and "Edit report" open the report designer.
    InstallDesignerWindow();
    Tfm_main mainWindow(QApplication::arguments());
    QApplication::setApplicationName(QStringLiteral("Tabulon"));
    SetPromptTitle(QStringLiteral("Tabulon"));
    SetApplicationHelpFile(QStringLiteral("tabulon.HLP"));

    mainWindow.show();
    return QApplication::exec();
}
