// tabulon-cfg: checks a dialogue descriptor the way the parameter dialog builds it.

#include "definition/startup.h"
#include "params/model/descriptorcheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTextStream>

namespace
{

const char Usage[] = R"(Usage: tabulon-cfg check [--program-dir DIR] FILE.cfg
       tabulon-cfg --help

Builds the parameter dialog that the dialogue descriptor FILE.cfg describes,
without showing it, and lists what it holds, one line per item:

  control NAME KIND "CAPTION" X Y WIDTH   each control, in declaration order
                                          (KIND: EDIT, INTEDIT, FLOATEDIT,
                                          DATEEDIT, LIST, TABLE, CHECK)
  sql NAME TEXT                           a TABLE control's query
  link SOURCE.FIELD -> NAME:PARAM         a control macro of its filter
  param NAME TYPE VALUE                   each query parameter (Assignment)
  label NAME VALUE                        each label caption (Labels)
  error MESSAGE                           the first build error

The controls' defaults stand for the values a user would enter; TABLE queries
are not opened, so a TABLE control's own value is empty.

Profile files named without a directory in INI sources and macros are looked
up in the program directory, where descriptors live: by default the directory
of FILE.cfg; --program-dir DIR names another.

Exit status: 0 when the dialog builds, 1 at a build error, 2 for bad usage or
a descriptor that cannot be read.
)";

int usageError(QTextStream &err, const QString &message)
{
    err << "tabulon-cfg: " << message << "\n"
        << "Try 'tabulon-cfg --help'.\n";
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    RegisterReportSupport();
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList args = app.arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        out << Usage;
        return 0;
    }
    if (args.isEmpty())
        return usageError(err, QStringLiteral("no command given"));
    if (args.first() != QLatin1String("check"))
        return usageError(err, QStringLiteral("unknown command \"%1\"").arg(args.first()));

    QString file;
    QString programDir;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("--program-dir")) {
            if (i + 1 >= args.size())
                return usageError(err, QStringLiteral("--program-dir needs a directory"));
            programDir = args.at(++i);
        } else if (a.startsWith(QLatin1String("--program-dir="))) {
            programDir = a.mid(int(qstrlen("--program-dir=")));
        } else if (a.startsWith(u'-') && a != QLatin1String("-")) {
            return usageError(err, QStringLiteral("unknown option \"%1\"").arg(a));
        } else if (file.isEmpty()) {
            file = a;
        } else {
            return usageError(err, QStringLiteral("more than one descriptor given"));
        }
    }
    if (file.isEmpty())
        return usageError(err, QStringLiteral("no descriptor given"));

    const QFileInfo info(file);
    QFile probe(file);
    if (!info.exists()) {
        err << "tabulon-cfg: cannot read \"" << file << "\": no such file\n";
        return 2;
    }
    if (info.isDir() || !probe.open(QIODevice::ReadOnly)) {
        err << "tabulon-cfg: cannot read \"" << file
            << "\": " << (info.isDir() ? QStringLiteral("it is a directory") : probe.errorString()) << "\n";
        return 2;
    }
    probe.close();
    if (!programDir.isEmpty() && !QFileInfo(programDir).isDir()) {
        err << "tabulon-cfg: \"" << programDir << "\" is not a directory\n";
        return 2;
    }

    const QString baseDir = programDir.isEmpty() ? info.absolutePath() : QDir(programDir).absolutePath();
    const TDescriptorCheck check = CheckDescriptor(info.absoluteFilePath(), baseDir);
    for (const QString &line : check.Lines)
        out << line << "\n";
    return check.Succeeded ? 0 : 1;
}
