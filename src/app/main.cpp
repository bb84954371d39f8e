#include "app/helpform.h"
#include "app/mainform.h"
#include "app/qtprompt.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TQtPrompt prompt;
    const TPromptGuard promptInstalled(&prompt);

    Tfm_main mainWindow(QApplication::arguments());
    QApplication::setApplicationName(QStringLiteral("Tabulon"));
    SetPromptTitle(QStringLiteral("Tabulon"));
    SetApplicationHelpFile(QStringLiteral("tabulon.HLP"));

    mainWindow.show();
    return QApplication::exec();
}
