// tabulon-view: shows a stored page file (.QRP) in the standard preview
// window, for people who receive page files without the report behind them.

#include "definition/startup.h"
#include "output/pages/qrprinter.h"
#include "output/preview/guihooks.h"
#include "output/preview/qrstandardpreview.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>

namespace
{
constexpr int ExitDone = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

int fail(int code, const QString &message)
{
    QTextStream(stderr) << "tabulon-view: " << message << Qt::endl;
    return code;
}
} // namespace

int main(int argc, char **argv)
{
    // The command line is read before any window system is asked for, so
    // that --help and usage errors work without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows a stored report file (.QRP) in the print preview window: zoom, page through,\n"
                       "print, save a copy or load another page file. Exit status 0 when the window was\n"
                       "closed, 1 when the file cannot be read, 2 for a wrong command line."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help and exits."));
    const QCommandLineOption check(
        QStringLiteral("check"), QStringLiteral("Only reads the file and prints its page count; no window."));
    parser.addOption(help);
    parser.addOption(check);
    parser.addPositionalArgument(QStringLiteral("FILE.QRP"),
                                 QStringLiteral("The stored report file to show."));
    if (!parser.parse(arguments))
        return fail(ExitUsage, parser.errorText());
    if (parser.isSet(help)) {
        QTextStream(stdout) << parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                         QStringLiteral("tabulon-view"));
        return ExitDone;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return fail(ExitUsage, QStringLiteral("give exactly one page file (see --help)"));
    const QString fileName = files.first();
    if (!QFileInfo(fileName).isFile())
        return fail(ExitFailed, QStringLiteral("%1: File does not exist").arg(fileName));
    if (parser.isSet(check) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    RegisterReportSupport();
    if (!parser.isSet(check))
        InstallGuiHooks();
    QApplication::setApplicationName(QStringLiteral("tabulon-view"));
    auto *recorder = new TQRPrinter;
    if (!recorder->Load(fileName)) {
        const QString error = recorder->ErrorString();
        delete recorder;
        return fail(ExitFailed, error);
    }
    if (parser.isSet(check)) {
        QTextStream(stdout) << recorder->PageCount() << " pages" << Qt::endl;
        delete recorder;
        return ExitDone;
    }
    recorder->SetTitle(QFileInfo(fileName).fileName());
    // The window owns the recorder (it has no report behind it).
    ShowStandardPreview(recorder);
    return QApplication::exec();
}
