// tabulon-design: the report designer on one report file (or a new report),
// for report authors working from a shell. The report's datasets find their
// databases in the program directory (TABULON_HOME), and the report is saved
// where it was opened.

#include "common/prompt.h"
#include "definition/loader.h"
#include "definition/startup.h"
#include "designer/datafieldlist.h"
#include "designer/designerform.h"
#include "designer/repdesigner.h"
#include "output/preview/guihooks.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

namespace
{
constexpr int ExitDone = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

const char *const Usage =
    "Usage: tabulon-design [FILE.QR2]\n"
    "Opens the report designer on FILE.QR2, or on a new report when no file is given or the file\n"
    "does not exist yet. The report is saved where it was opened. The databases the report names are\n"
    "looked up in the program directory (the executable's, or TABULON_HOME when that is set).\n"
    "  -h, --help  Shows this help and exits.\n"
    "Exit codes: 0 the window was closed, 1 the file cannot be read, 2 bad usage.\n";

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}
} // namespace

int main(int argc, char **argv)
{
    // The help is read before a window system is asked for, so that it works without a display.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return ExitDone;
        }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tabulon"));
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE.QR2"), QStringLiteral("The report file to edit."),
                                 QStringLiteral("[FILE.QR2]"));
    if (!parser.parse(QApplication::arguments())) {
        err() << "tabulon-design: " << parser.errorText() << Qt::endl << Usage;
        return ExitUsage;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        err() << "tabulon-design: one report file at most" << Qt::endl << Usage;
        return ExitUsage;
    }

    RegisterReportSupport();
    InstallGuiHooks();
    InstallDesignerWindow();
    SetPromptTitle(QStringLiteral("Tabulon"));

    TReportDesignerForm window;
    if (!files.isEmpty()) {
        const QString fileName = QFileInfo(files.first()).absoluteFilePath();
        if (QFileInfo::exists(fileName)) {
            // Read with messages on the console: a file that cannot be read ends the program.
            TConsolePrompt console;
            TPromptGuard consoleGuard(&console);
            if (!window.Designer()->LoadReportFile(fileName)) {
                err() << "tabulon-design: cannot read " << fileName << ": " << window.Designer()->LastError()
                      << Qt::endl;
                return ExitFailed;
            }
            window.AddToHistory(fileName);
        }
        window.SetCurrentFileName(fileName);
    }
    window.show();
    window.DatafieldList()->Refill();
    return QApplication::exec() == 0 ? ExitDone : ExitFailed;
}
