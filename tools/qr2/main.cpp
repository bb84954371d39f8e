// tabulon-qr2: shows report files (.QR2) as text and builds them back from
// it, byte for byte, without loading any report classes; "resave" loads a
// file into a design report and writes it again, as the designer would.
#include "common/savefile.h"
#include "common/screen.h"
#include "definition/designbands.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "definition/qr2format.h"
#include "definition/qr2text.h"
#include "definition/registerdefinition.h"
#include "definition/startup.h"
#include "newreport.h"
#include "sqlcommand.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <functional>

namespace
{
const char kUsage[] = "Usage:\n"
                      "  tabulon-qr2 dump FILE.QR2 [OUT.txt]\n"
                      "      every block and the component lists as indented text\n"
                      "  tabulon-qr2 build TEXT OUT.QR2\n"
                      "      a report file from that text (a dump gives back identical bytes)\n"
                      "  tabulon-qr2 info FILE.QR2\n"
                      "      one line per band and element: name, class, text and size\n"
                      "  tabulon-qr2 resave IN.QR2 OUT.QR2\n"
                      "      loads a report file into a design report and saves it again\n"
                      "  tabulon-qr2 sql FILE.QR2 [QUERY]\n"
                      "      the SQL the query wizard generates for a wizard query (or each one)\n";
const char kExitCodes[] = "Exit codes: 0 done, 1 unreadable file, 2 bad usage.\n";

// The whole usage: every command, "new" included, then the exit codes.
void printUsage(std::FILE *out)
{
    std::fputs(kUsage, out);
    std::fputs(kNewReportUsage, out);
    std::fputs(kExitCodes, out);
}

int usage(const QString &problem = QString())
{
    if (!problem.isEmpty())
        std::fprintf(stderr, "tabulon-qr2: %s\n", qPrintable(problem));
    printUsage(stderr);
    return 2;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "tabulon-qr2: %s\n", qPrintable(message));
    return 1;
}

bool readFile(const QString &name, QByteArray *data, QString *problem)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("%1: %2").arg(name, f.errorString());
        return false;
    }
    *data = f.readAll();
    return true;
}

bool writeFile(const QString &name, const QByteArray &data, QString *problem)
{
    QString error;
    if (!SaveFileContents(name, data, &error)) {
        *problem = QStringLiteral("%1: %2").arg(name, error);
        return false;
    }
    return true;
}

// Parses a report file, or reports why not (exit code 1).
bool parse(const QString &name, TQR2File *file, QString *problem)
{
    QByteArray data;
    if (!readFile(name, &data, problem))
        return false;
    try {
        *file = ParseQR2(data);
    } catch (const EQR2ReadError &e) {
        *problem = QStringLiteral("%1: %2 (offset %3)").arg(name, e.Message()).arg(e.Offset());
        return false;
    }
    return true;
}

int dump(const QStringList &args)
{
    TQR2File file;
    QString problem;
    if (!parse(args.at(0), &file, &problem))
        return fail(problem);
    const QByteArray text = QR2ToText(file).toUtf8();
    if (args.size() > 1)
        return writeFile(args.at(1), text, &problem) ? 0 : fail(problem);
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return 0;
}

int build(const QStringList &args)
{
    QByteArray text;
    QString problem;
    if (!readFile(args.at(0), &text, &problem))
        return fail(problem);
    TQR2File file;
    try {
        file = QR2FromText(QString::fromUtf8(text));
    } catch (const EQR2TextError &e) {
        return fail(QStringLiteral("%1: %2").arg(args.at(0), e.Message()));
    }
    return writeFile(args.at(1), SerializeQR2(file), &problem) ? 0 : fail(problem);
}

int info(const QStringList &args)
{
    TQR2File file;
    QString problem;
    if (!parse(args.at(0), &file, &problem))
        return fail(problem);
    const QByteArray text = QR2Summary(file).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return 0;
}

int resave(const QStringList &args)
{
    // The same holder the application gives every open report.
    TForm form;
    auto *report = new TQRDesignReport(&form);
    report->SetName(QStringLiteral("Report"));
    auto *loader = new TQRDLoader(&form);
    loader->SetQReport(report);
    if (!loader->LoadReportFile(args.at(0)))
        return fail(QStringLiteral("%1: %2").arg(args.at(0), loader->LastError()));
    if (!loader->SaveReportFile(args.at(1)))
        return fail(QStringLiteral("%1: %2").arg(args.at(1), loader->LastError()));
    return 0;
}

struct Command {
    const char *Name;
    int MinArgs;
    int MaxArgs;
    std::function<int(const QStringList &)> Run;
};
} // namespace

int main(int argc, char *argv[])
{
    // "new" measures captions and so runs in a GUI application of its own.
    if (argc > 1 && std::strcmp(argv[1], "new") == 0)
        return RunNewReport(argc, argv);
    QCoreApplication app(argc, argv);
    RegisterReportSupport();
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    if (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        printUsage(stdout);
        return 0;
    }
    // All but "resave" need only bytes.
    const Command commands[] = {
        {"dump", 1, 2, dump},     {"build", 2, 2, build},       {"info", 1, 1, info},
        {"resave", 2, 2, resave}, {"sql", 1, 2, RunSqlCommand},
    };
    const QString name = args.takeFirst();
    for (const Command &c : commands) {
        if (name != QLatin1String(c.Name))
            continue;
        if (args.size() < c.MinArgs || args.size() > c.MaxArgs)
            return usage(QStringLiteral("wrong number of arguments for %1").arg(name));
        return c.Run(args);
    }
    return usage(QStringLiteral("unknown command %1").arg(name));
}
