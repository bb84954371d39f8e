#include "app/helpform.h"
#include "app/mainform.h"
#include "app/qtprompt.h"
#include "designer/designerform.h"
#include "common/languagefile.h"
#include "definition/designsettings.h"
#include "definition/registerdefinition.h"
#include "output/preview/registerpreview.h"
#include "output/registeroutput.h"
#include "params/autoprintform.h"
#include "params/pareditform.h"

#include <QApplication>
#include <cstdio>

namespace
{
// "tabulon --language-template FILE": every window's section with its built-in texts, the start
// of a translation.
int writeLanguageTemplate(const QString &fileName)
{
    QString error;
    if (!WriteLanguageTemplate(fileName, &error)) {
        std::fprintf(stderr, "tabulon: cannot write %s: %s\n", qPrintable(fileName), qPrintable(error));
        return 1;
    }
    return 0;
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TQtPrompt prompt;
    const TPromptGuard promptInstalled(&prompt);

    // Everything a report needs: the classes its file names, the functions and the export filters.
    RegisterDefinitionClasses();
    RegisterOutputClasses();
    // The shell offers a tool's commands only when it is installed before the windows are made.
    TParEditForm::Install();
    TAutoprintForm::Install();
    RegisterPreviewHooks();
    // "Designer" and "Edit report" open the report designer.
    InstallDesignerWindow();
    RegisterShellLanguageWindows();

    const QStringList arguments = QApplication::arguments();
    const qsizetype option = arguments.indexOf(QStringLiteral("--language-template"));
    if (option > 0) {
        if (option + 1 >= arguments.size()) {
            std::fprintf(stderr, "usage: tabulon --language-template FILE\n");
            return 2;
        }
        return writeLanguageTemplate(arguments[option + 1]);
    }

    // Every window translates itself from the language file that "QRDESIGN.INI" names.
    LoadLanguageSetting();
    Tfm_main mainWindow(arguments);
    QApplication::setApplicationName(QStringLiteral("Tabulon"));
    SetPromptTitle(QStringLiteral("Tabulon"));
    SetApplicationHelpFile(QStringLiteral("tabulon.HLP"));

    mainWindow.show();
    return QApplication::exec();
}
