// tabulon-expr: evaluates expressions the way a report does, optionally over the records of a
// table or query.

#include "common/codepage.h"
#include "common/localesettings.h"
#include "common/prompt.h"
#include "common/screen.h"
#include "data/query.h"
#include "data/table.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "definition/startup.h"
#include "expressions/environment.h"
#include "expressions/evaluator.h"
#include "scripting/interpreter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QFile>
#include <QStringDecoder>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace
{

constexpr int ExitUsage = 2;

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int fail(const QString &message)
{
    out().flush();
    err() << "tabulon-expr: " << message << Qt::endl;
    return ExitUsage;
}

void printValue(TQREvaluator &evaluator)
{
    const TQREvValue value = evaluator.Compute();
    out() << QREvKindName(value.ValueKind) << '\t' << QREvValueText(value) << '\n';
}

// A script file's lines: UTF-8 when it is valid UTF-8, else the 8-bit code page.
bool readScript(const QString &fileName, QStringList *lines, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the script %1: %2").arg(fileName, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = DecodeCodePage(bytes);
    *lines = text.split(u'\n');
    for (QString &line : *lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    if (!lines->isEmpty() && lines->last().isEmpty())
        lines->removeLast();
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    // A report measures text, which needs a (display-less) GUI application;
    // plain expressions do without one.
    bool withReport = false;
    for (int i = 1; i < argc; ++i)
        withReport = withReport || qstrcmp(argv[i], "--report") == 0 || qstrncmp(argv[i], "--report=", 9) == 0;
    if (withReport && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app = withReport ? std::make_unique<QGuiApplication>(argc, argv)
                                                       : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tabulon"));
    RegisterReportSupport();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Evaluates report expressions. For each EXPRESSION one line is printed: the kind (INTEGER, FLOAT,\n"
        "STRING, BOOLEAN or ERROR), a tab, and the value's text (for an error, its message).\n"
        "With --database and --table or --sql the expressions read the fields of that dataset; with --each\n"
        "they are computed for every record (after one aggregate pass each), else once on the first.\n"
        "With --script FILE --run ELEMENT.EVENT the script section [ELEMENT.EVENT] of FILE runs instead\n"
        "and its result is printed the same way; a script error goes to standard error.\n"
        "The dataset is registered under its name, so that functions like RECORDCOUNT('Query') find it.\n"
        "With --report FILE.QR2 the report is loaded into a report window first, as the program does before\n"
        "a run, so that GETSTRPROP('Label1', 'Caption') and the other report functions reach its elements\n"
        "and the expressions read its datasets.\n"
        "Message and input boxes (OKBOX, INPUTBOX ...) are answered from the --answer texts in order and\n"
        "written to standard error; with no answer left a message box takes its first button and an input\n"
        "box is cancelled.\n"
        "Exit code: 0 when every expression was computed (or the script ran, even if it stopped at a\n"
        "script error), 2 for bad usage, an unreadable script or a dataset that cannot be opened."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("EXPRESSION"), QStringLiteral("Expressions to compute."),
                                 QStringLiteral("EXPRESSION..."));
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("Database: an alias, a directory or an SQLite file."),
                                      QStringLiteral("NAME"));
    const QCommandLineOption table(QStringLiteral("table"), QStringLiteral("Table to read."),
                                   QStringLiteral("NAME"));
    const QCommandLineOption sql(QStringLiteral("sql"), QStringLiteral("SQL query to read."),
                                 QStringLiteral("TEXT"));
    const QCommandLineOption name(
        QStringLiteral("name"),
        QStringLiteral("Dataset name in expressions (default: the table name, or Query)."),
        QStringLiteral("NAME"));
    const QCommandLineOption each(QStringLiteral("each"), QStringLiteral("Compute for every record."));
    const QCommandLineOption locale(QStringLiteral("locale"),
                                    QStringLiteral("Locale for numbers and dates (en_US, ru_RU, de_DE...)."),
                                    QStringLiteral("NAME"));
    const QCommandLineOption define(QStringLiteral("define"),
                                    QStringLiteral("Variable NAME with the expression TEXT (repeatable)."),
                                    QStringLiteral("NAME=TEXT"));
    const QCommandLineOption script(
        QStringLiteral("script"), QStringLiteral("Script file to run a section of."), QStringLiteral("FILE"));
    const QCommandLineOption run(QStringLiteral("run"),
                                 QStringLiteral("The section to run: ELEMENT.EVENT (with --script)."),
                                 QStringLiteral("ELEMENT.EVENT"));
    const QCommandLineOption answer(
        QStringLiteral("answer"),
        QStringLiteral("Answer to the next prompt: the text typed into an input box, or the button of a message\n"
                       "box (OK, Cancel, Yes, No). Repeatable; used in order."),
        QStringLiteral("TEXT"));
    const QCommandLineOption reportFile(QStringLiteral("report"),
                                        QStringLiteral("Report file loaded into a report window first."),
                                        QStringLiteral("FILE.QR2"));
    parser.addOptions({database, table, sql, name, each, locale, define, script, run, answer, reportFile});

    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        out() << parser.helpText();
        return 0;
    }
    const QStringList expressions = parser.positionalArguments();
    const bool scriptMode = parser.isSet(script) || parser.isSet(run);
    QStringList scriptLines;
    QString element, event;
    if (scriptMode) {
        if (!parser.isSet(script) || !parser.isSet(run))
            return fail(QStringLiteral("--script and --run go together"));
        if (!expressions.isEmpty() || parser.isSet(each) || parser.isSet(define))
            return fail(QStringLiteral("--script takes no expressions, --each or --define"));
        const QString section = parser.value(run);
        const qsizetype dot = section.lastIndexOf(u'.');
        if (dot <= 0 || dot == section.size() - 1)
            return fail(QStringLiteral("--run needs ELEMENT.EVENT, got \"%1\"").arg(section));
        element = section.left(dot);
        event = section.mid(dot + 1);
        QString error;
        if (!readScript(parser.value(script), &scriptLines, &error))
            return fail(error);
    } else if (expressions.isEmpty()) {
        return fail(QStringLiteral("no expression given (see --help)"));
    }
    if (parser.isSet(locale) && !LocaleSettings().Load(parser.value(locale)))
        return fail(QStringLiteral("unknown locale \"%1\"").arg(parser.value(locale)));
    if (parser.isSet(table) && parser.isSet(sql))
        return fail(QStringLiteral("--table and --sql exclude each other"));
    if ((parser.isSet(table) || parser.isSet(sql)) && !parser.isSet(database))
        return fail(QStringLiteral("--table and --sql need --database"));
    if (parser.isSet(database) && !parser.isSet(table) && !parser.isSet(sql))
        return fail(QStringLiteral("--database needs --table or --sql"));
    if (parser.isSet(each) && !parser.isSet(database) && !parser.isSet(reportFile))
        return fail(QStringLiteral("--each needs a dataset (--database with --table or --sql)"));

    TQREvEnvironment environment;
    for (const QString &definition : parser.values(define)) {
        const qsizetype eq = definition.indexOf(u'=');
        const QString variable = eq < 0 ? QString() : definition.left(eq).trimmed();
        if (variable.isEmpty())
            return fail(QStringLiteral("--define needs NAME=TEXT, got \"%1\"").arg(definition));
        if (environment.IndexOf(variable) >= 0)
            return fail(QStringLiteral("variable %1 is defined twice").arg(variable.toUpper()));
        environment.AddVariable(variable, definition.mid(eq + 1));
    }

    TAnswerListPrompt prompts(parser.values(answer));
    const TPromptGuard promptGuard(&prompts);

    // The dataset belongs to a window of its own, as in a report, so that functions that find
    // datasets by name see it.
    TForm window;
    TQRDatasetList datasets;
    TDataSet *dataSet = nullptr;
    try {
        if (parser.isSet(table)) {
            auto *t = new TTable(&window);
            t->SetDatabaseName(parser.value(database));
            t->SetTableName(parser.value(table));
            t->SetName(parser.isSet(name) ? parser.value(name) : parser.value(table));
            dataSet = t;
        } else if (parser.isSet(sql)) {
            auto *q = new TQuery(&window);
            q->SetDatabaseName(parser.value(database));
            q->SetSQLText(parser.value(sql));
            q->SetName(parser.isSet(name) ? parser.value(name) : QStringLiteral("Query"));
            dataSet = q;
        }
        if (dataSet) {
            dataSet->Open();
            datasets.append(dataSet);
        }
    } catch (const std::exception &e) {
        return fail(QStringLiteral("cannot open the dataset: %1").arg(QString::fromLocal8Bit(e.what())));
    }

    // The report window of --report: a design report named Report and its loader.
    TForm reportWindow;
    if (parser.isSet(reportFile)) {
        auto *report = new TQRDesignReport(&reportWindow);
        report->SetName(QStringLiteral("Report"));
        auto *loader = new TQRDLoader(&reportWindow);
        if (!loader->LoadReportFile(parser.value(reportFile)))
            return fail(QStringLiteral("cannot read the report %1%2")
                            .arg(parser.value(reportFile),
                                 loader->LastError().isEmpty() ? QString() : QStringLiteral(": ") + loader->LastError()));
        loader->CollectDataSets(datasets);
        if (!dataSet)
            for (TDataSet *ds : datasets)
                if (ds->Active()) {
                    dataSet = ds;
                    break;
                }
    }

    if (scriptMode) {
        TScriptRunOptions options;
        options.Datasets = &datasets;
        if (dataSet)
            dataSet->First();
        // A script error is shown by the prompt service, which writes it to
        // standard error here; the run still gives its result.
        const TQREvValue value = RunScriptEvent(scriptLines, element, event, options);
        out() << QREvKindName(value.ValueKind) << '\t' << QREvValueText(value) << '\n';
        out().flush();
        return 0;
    }

    environment.SetDatasets(&datasets);
    environment.Engage();
    std::vector<std::unique_ptr<TQREvaluator>> evaluators;
    for (const QString &text : expressions) {
        auto evaluator = std::make_unique<TQREvaluator>();
        evaluator->SetDatasets(&datasets);
        evaluator->SetEnvironment(&environment);
        evaluator->Compile(text);
        evaluator->ResetAggregates();
        evaluators.push_back(std::move(evaluator));
    }

    int status = 0;
    try {
        if (parser.isSet(each)) {
            for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) {
                for (auto &evaluator : evaluators)
                    evaluator->Accumulate();
                for (auto &evaluator : evaluators)
                    printValue(*evaluator);
            }
        } else {
            for (auto &evaluator : evaluators)
                printValue(*evaluator);
        }
    } catch (const std::exception &e) {
        status = fail(QStringLiteral("reading the dataset failed: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    out().flush();
    evaluators.clear();
    environment.Disengage();
    return status;
}
