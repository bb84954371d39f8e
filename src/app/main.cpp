#include "app/mainform.h"
#include "common/languagefile.h"
#include "common/prompt.h"
#include "definition/designsettings.h"
#include "definition/startup.h"
#include "designer/designerform.h"
#include "gui/helpform.h"
#include "output/preview/guihooks.h"
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

#include <cstdio>
#include <cstring>

namespace
{
// Read before any window system is asked for, so that it works without a display.
bool helpWanted(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    return false;
}

const char *const Usage =
    "Usage: tabulon [CATALOGUE]\n"
    "Opens Tabulon's main window. Its \"Reports\" menu lists the report groups of the catalogue\n"
    "\"reports.ini\" in the program directory; a group opens the launcher, whose \"Start report\" shows\n"
    "the report's parameter dialog, and \"Print\" there previews or prints the report.\n"
    "CATALOGUE is the file the catalogue editor (\"Reports list\") edits instead of \"reports.ini\".\n"
    "The program directory is the executable's directory, or TABULON_HOME when that is set.\n"
    "  -h, --help  Shows this help and exits.\n";
} // namespace

int main(int argc, char **argv)
{
    if (helpWanted(argc, argv)) {
        std::fputs(Usage, stdout);
        return 0;
    }
    QApplication app(argc, argv);
    RegisterReportSupport();
    InstallGuiHooks();

    // The shell offers a tool's commands only when it is installed before the windows are made.
    TParEditForm::Install();
    TAutoprintForm::Install();
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
