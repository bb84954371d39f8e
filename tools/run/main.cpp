// tabulon-run: runs a report file once, without a window, and writes its
// output: stored pages, text, RTF, metafiles, PDF, PNG, SVG, CSV or XLSX.

#include "common/localesettings.h"
#include "common/prompt.h"
#include "data/dataset.h"
#include "data/params.h"
#include "data/query.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "definition/runtimecomponents.h"
#include "definition/startup.h"
#include "engine/printable.h"
#include "output/pagefilters.h"
#include "output/pages/qrerror.h"
#include "output/pages/qrprinter.h"
#include "output/rtffilter.h"
#include "output/tablefilter.h"
#include "output/textfilter.h"
#include "output/wmffilter.h"
#include "pagerange.h"
#include "params/model/dialogmodel.h"
#include "params/model/reportrun.h"
#include "params/model/tablelookup.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr int ExitDone = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

const QStringList Formats = {"qrp", "txt", "rtf", "wmf", "emf", "pdf", "png", "svg", "xlsx", "csv"};

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int fail(int code, const QString &message)
{
    err() << "tabulon-run: " << message << Qt::endl;
    return code;
}

// NAME=VALUE, split at the first "=".
bool splitAssignment(const QString &text, QString *name, QString *value)
{
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    *name = text.left(eq).trimmed();
    *value = text.mid(eq + 1);
    return true;
}

// The queries of the report that have a parameter called name (case ignored).
QList<TQuery *> queriesWithParam(TComponent *owner, const QString &name)
{
    QList<TQuery *> found;
    for (TComponent *c : owner->ComponentList())
        if (auto *query = qobject_cast<TQuery *>(c); query && query->Params().FindParam(name))
            found << query;
    return found;
}

// A closed query with a Bound parameter that has no value yet: every run asks for it first.
bool waitsForAValue(TDataSet *dataSet)
{
    auto *query = qobject_cast<TQuery *>(dataSet);
    if (!query || query->Active())
        return false;
    const TParams &params = query->Params();
    for (int i = 0; i < params.Count(); ++i)
        if (params[i]->Bound() && params[i]->IsNull())
            return true;
    return false;
}

// Removes what a failed run may have left of the output.
void removeOutput(const QString &output, const QString &format)
{
    QFile::remove(output);
    if (format == QLatin1String("wmf") || format == QLatin1String("emf") || format == QLatin1String("png") ||
        format == QLatin1String("svg")) {
        const QFileInfo info(output);
        const QString base = info.dir().filePath(info.completeBaseName());
        for (int page = 1; page < 100000; ++page) {
            const QString name = base + QStringLiteral("%1.").arg(page, 3, 10, QLatin1Char('0')) + format;
            if (!QFile::exists(name))
                break;
            QFile::remove(name);
        }
    }
}

// Answers prompts in order (each one is written to standard error) and remembers the first
// error box the run cannot recover from: a database the report cannot open or a query that
// fails is shown that way, and the run then goes on without its rows, which a script or
// scheduler must not take for success. Two error boxes are part of a run that still produces
// its pages: a script error (the event goes on with the value it last returned) and an error
// about a typed value directly followed by the same question again. With strict set, every
// error box counts.
class TBatchPrompt : public TAnswerListPrompt
{
public:
    TBatchPrompt(const QStringList &answers, bool strict) : TAnswerListPrompt(answers), m_strict(strict) {}

    TModalResult MessageBox(const QString &text, const QString &caption, TMsgDlgType type,
                            TMsgButtons buttons) override
    {
        settle();
        // After a script error the event goes on with the value it last returned.
        const bool scriptError = text.startsWith(QLatin1String("Script error on line "));
        if (type == mtError && (m_strict || (!scriptError && m_lastQuestion.isEmpty())))
            keep(text);
        else if (type == mtError && !scriptError)
            m_pending = {text, m_lastQuestion}; // perhaps the answer was refused
        m_lastQuestion.clear();
        return TAnswerListPrompt::MessageBox(text, caption, type, buttons);
    }
    bool InputBox(const QString &caption, const QString &prompt, QString &value) override
    {
        const QString question = caption + QLatin1Char('\n') + prompt;
        // The same question again: the error box said why the last answer was refused.
        if (m_pending.second == question)
            m_pending = {};
        settle();
        m_lastQuestion = question;
        return TAnswerListPrompt::InputBox(caption, prompt, value);
    }
    // The text of the first error box that fails the run, or empty.
    QString FirstError()
    {
        settle();
        return m_firstError;
    }

private:
    void keep(const QString &text)
    {
        if (m_firstError.isEmpty())
            m_firstError = text;
    }
    // An error box after a question that was not asked again fails the run.
    void settle()
    {
        if (!m_pending.first.isEmpty())
            keep(m_pending.first);
        m_pending = {};
    }

    bool m_strict;
    QString m_firstError;
    QPair<QString, QString> m_pending; // an error box right after a question, and that question
    QString m_lastQuestion;            // the question asked last, when no box came after it
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Without a desktop session there is no runtime directory; a private one
    // keeps Qt from warning about it on every run.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray runtime =
            QDir::tempPath().toLocal8Bit() + "/tabulon-runtime-" + QByteArray::number(getuid());
        if (::mkdir(runtime.constData(), 0700) == 0 || errno == EEXIST)
            qputenv("XDG_RUNTIME_DIR", runtime);
    }
    QGuiApplication app(argc, argv);
    RegisterReportSupport();
    QCoreApplication::setApplicationName(QStringLiteral("tabulon-run"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs a report file once, without a window, and writes its output.\n"
        "Formats: qrp (stored pages), txt, rtf, wmf (placeable Windows Metafiles), emf (Enhanced\n"
        "Metafiles), pdf, png, svg, csv, xlsx.\n"
        "Metafile, PNG and SVG outputs are numbered per page beside OUTPUT (name001.png ...).\n"
        "Exit codes: 0 written; 1 the report could not be loaded or run, produced no pages, or the output\n"
        "not written; 2 usage. Error boxes go to standard error; a script error and a refused answer\n"
        "that is asked again do not fail the run (with --strict they do).\n"
        "Runs longer than a second print a progress line (percent and pages) on standard error;\n"
        "as a testing aid, TABULON_PROGRESS_AFTER=MS in the environment sets that delay."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("REPORT.QR2"), QStringLiteral("The report file to run."));
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QStringLiteral("The output file."), QStringLiteral("OUTPUT"));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("Output format; default: the output's extension."),
                                          QStringLiteral("FORMAT"));
    const QCommandLineOption paramOption(QStringLiteral("param"),
                                         QStringLiteral("Gives a query parameter its value (repeatable)."),
                                         QStringLiteral("NAME=VALUE"));
    const QCommandLineOption labelOption(QStringLiteral("label"),
                                         QStringLiteral("Sets a label element's caption (repeatable)."),
                                         QStringLiteral("NAME=TEXT"));
    const QCommandLineOption noScriptsOption(QStringLiteral("no-scripts"),
                                             QStringLiteral("Runs the report without its script."));
    const QCommandLineOption answerOption(
        QStringLiteral("answer"),
        QStringLiteral(
            "Answers a prompt of the report (in order): the text for an input box, OK, Cancel, Yes "
            "or No for a message box."),
        QStringLiteral("TEXT"));
    const QCommandLineOption pagesOption(QStringLiteral("pages"),
                                         QStringLiteral("Writes only pages A to B (or page N) of the run."),
                                         QStringLiteral("A-B"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"), QStringLiteral("Prints no progress."));
    const QCommandLineOption strictOption(
        QStringLiteral("strict"),
        QStringLiteral("Fails the run on any error box, also on those the run recovers from (a script "
                       "error, a refused answer asked again)."));
    const QCommandLineOption localeOption(QStringLiteral("locale"),
                                          QStringLiteral("Locale for dates and numbers (en_US, de_DE, ...)."),
                                          QStringLiteral("NAME"));
    const QCommandLineOption dialogOption(
        QStringLiteral("dialog"),
        QStringLiteral(
            "Takes query parameters and label captions from the report's dialogue descriptor (.cfg "
            "beside the report) with its default values, as the parameter dialog's Print does."));
    const QCommandLineOption setOption(
        QStringLiteral("set"),
        QStringLiteral("With --dialog: gives a dialog control a value first, written as a descriptor default "
                       "(repeatable)."),
        QStringLiteral("CONTROL=VALUE"));
    parser.addOptions({outputOption, formatOption, paramOption, labelOption, noScriptsOption, answerOption,
                       quietOption, localeOption, pagesOption, dialogOption, setOption, strictOption});
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(ExitUsage, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText();
        return ExitDone;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1 || !parser.isSet(outputOption))
        return fail(ExitUsage,
                    QStringLiteral("usage: tabulon-run REPORT.QR2 -o OUTPUT [options]; see --help"));
    const QString reportFile = positional.first();
    const QString output = parser.value(outputOption);
    QString format = parser.isSet(formatOption) ? parser.value(formatOption).toLower()
                                                : QFileInfo(output).suffix().toLower();
    if (!Formats.contains(format))
        return fail(ExitUsage, QStringLiteral("unknown output format '%1' (one of %2)")
                                   .arg(format, Formats.join(QStringLiteral(", "))));
    int firstPage = 1, lastPage = INT_MAX;
    if (parser.isSet(pagesOption) && !ParsePageRange(parser.value(pagesOption), &firstPage, &lastPage))
        return fail(ExitUsage, QStringLiteral("--pages wants A-B or N (pages from 1, A not after B), not '%1'")
                                   .arg(parser.value(pagesOption)));
    const bool pageRange = parser.isSet(pagesOption);
    if (parser.isSet(localeOption))
        LocaleSettings().Load(parser.value(localeOption));

    TBatchPrompt prompt(parser.values(answerOption), parser.isSet(strictOption));
    TPromptGuard promptGuard(&prompt);

    if (!QFileInfo::exists(reportFile))
        return fail(ExitFailed, QStringLiteral("%1: the file does not exist").arg(reportFile));
    TReportPrinterDialog dialog;
    dialog.SetScriptsEnabled(!parser.isSet(noScriptsOption));
    // With --dialog the report runs in the parameter dialog's holder, with the dialog's values.
    TParamDialogModel dialogModel;
    TTableBuildSite dialogSite;
    std::unique_ptr<Tfmrepprev> holder;
    TQRDesignReport *report = nullptr;
    TComponent *owner = nullptr;
    QString loadError;
    bool loaded = false;
    if (parser.isSet(dialogOption)) {
        const QString descriptor = DescriptorBeside(reportFile);
        // Profile files the descriptor names without a directory stand beside the report.
        dialogModel.SetIniBaseDir(QFileInfo(reportFile).absolutePath() + QLatin1Char('/'));
        if (!dialogModel.Build(descriptor, &dialogSite))
            return fail(ExitFailed, QStringLiteral("%1: %2").arg(descriptor, dialogModel.ErrorMessage()));
        for (const QString &assignment : parser.values(setOption)) {
            QString name, value, error;
            if (!splitAssignment(assignment, &name, &value))
                return fail(ExitUsage, QStringLiteral("--set wants CONTROL=VALUE, not '%1'").arg(assignment));
            if (!SetControlValue(dialogModel, dialogSite, name, value, error))
                return fail(ExitFailed, QStringLiteral("%1: --set %2: %3").arg(descriptor, name, error));
        }
        holder = std::make_unique<Tfmrepprev>();
        holder->QRepDesigner()->SetScriptsEnabled(!parser.isSet(noScriptsOption));
        QString error;
        if (!PrepareReportHolder(dialogModel, reportFile, QString(), *holder, error, &loaded))
            return fail(ExitFailed, QStringLiteral("%1: %2").arg(reportFile, error));
        loadError = holder->QRepDesigner()->LastError();
        report = holder->Report();
        owner = holder.get();
    } else {
        if (parser.isSet(setOption))
            return fail(ExitUsage, QStringLiteral("--set needs --dialog"));
        loaded = dialog.LoadReportFile(reportFile);
        loadError = dialog.Loader()->LastError();
        report = dialog.Report();
        owner = dialog.ReportForm();
    }
    if (!loaded)
        return fail(ExitFailed,
                    QStringLiteral("%1: cannot be read%2")
                        .arg(reportFile, loadError.isEmpty() ? QString() : QStringLiteral(": ") + loadError));
    // A dataset stored open that could not be opened again would print as an empty report: in a
    // batch run that is a failure, not a result. A query that failed only for want of the value of a
    // Bound parameter is not one of them: it was opened before its marks were read, and runs like
    // one stored closed (the run asks for the value, or --param gives it, and then opens it).
    for (TComponent *c : owner->ComponentList())
        if (auto *ds = qobject_cast<TDataSet *>(c); ds && !ds->LoadError().isEmpty() && !waitsForAValue(ds))
            return fail(
                ExitFailed,
                QStringLiteral("%1: %2 cannot be opened: %3").arg(reportFile, ds->Name(), ds->LoadError()));

    QList<TQuery *> changed;
    for (const QString &assignment : parser.values(paramOption)) {
        QString name, value;
        if (!splitAssignment(assignment, &name, &value))
            return fail(ExitUsage, QStringLiteral("--param wants NAME=VALUE, not '%1'").arg(assignment));
        const QList<TQuery *> queries = queriesWithParam(owner, name);
        if (queries.isEmpty())
            return fail(ExitFailed, QStringLiteral("%1: no query parameter '%2'").arg(reportFile, name));
        for (TQuery *query : queries) {
            try {
                query->ParamByName(name)->SetAsString(value);
            } catch (const std::exception &e) {
                return fail(ExitFailed, QStringLiteral("%1: parameter '%2': %3")
                                            .arg(reportFile, name, QString::fromLocal8Bit(e.what())));
            }
            if (!changed.contains(query))
                changed << query;
        }
    }
    // Queries whose parameters were given read their rows with them.
    for (TQuery *query : changed) {
        try {
            query->Close();
            query->Open();
        } catch (const std::exception &e) {
            return fail(ExitFailed, QStringLiteral("%1: query %2: %3")
                                        .arg(reportFile, query->Name(), QString::fromLocal8Bit(e.what())));
        }
    }
    for (const QString &assignment : parser.values(labelOption)) {
        QString name, text;
        if (!splitAssignment(assignment, &name, &text))
            return fail(ExitUsage, QStringLiteral("--label wants NAME=TEXT, not '%1'").arg(assignment));
        auto *labelElement = qobject_cast<TQRCustomLabel *>(owner->FindComponent(name));
        if (!labelElement || !labelElement->IsCaptionBased())
            return fail(ExitFailed, QStringLiteral("%1: no label element '%2'").arg(reportFile, name));
        labelElement->SetCaption(text);
    }

    const bool quiet = parser.isSet(quietOption);
    report->SetShowProgress(false);
    // Long runs show how far they are: after a second, a line of percent and pages, renewed
    // four times a second at most and cleared at the end.
    QElapsedTimer runTime, shown;
    runTime.start();
    bool progressShown = false;
    bool delayGiven = false;
    const int progressAfter = qEnvironmentVariableIntValue("TABULON_PROGRESS_AFTER", &delayGiven);
    const qint64 delay = delayGiven && progressAfter >= 0 ? progressAfter : 1000;
    if (!quiet)
        report->OnStartPage = [report, delay, &runTime, &shown, &progressShown](TQRCustomReport *) {
            if (runTime.elapsed() < delay || (progressShown && shown.elapsed() < 250))
                return;
            const TQRPrinter *printer = report->RunPrinter();
            err() << "\rtabulon-run: " << (printer ? printer->Progress() : 0) << "% (" << report->PageNo
                  << (report->PageNo == 1 ? " page)  " : " pages)  ") << Qt::flush;
            shown.start();
            progressShown = true;
        };
    QTemporaryDir rangeDir;
    std::unique_ptr<TQRPrinter> rangePages;

    try {
        bool ran = false;
        if (format == QLatin1String("txt") || format == QLatin1String("rtf") ||
            format == QLatin1String("csv") || format == QLatin1String("xlsx")) {
            std::unique_ptr<TQRExportFilter> filter;
            if (format == QLatin1String("txt"))
                filter = std::make_unique<TQRAsciiExportFilter>(output);
            else if (format == QLatin1String("rtf"))
                filter = std::make_unique<TQRRTFExportFilter>(output);
            else if (format == QLatin1String("csv"))
                filter = std::make_unique<TQRCSVExportFilter>(output);
            else
                filter = std::make_unique<TQRXLSXExportFilter>(output);
            // The range filter also counts the pages, for a run that produces none.
            auto range = std::make_unique<TPageRangeFilter>(std::move(filter), firstPage, lastPage);
            TPageRangeFilter *seen = range.get();
            filter = std::move(range);
            ran = report->ExportRun(filter.get());
            if (ran && seen->PagesSeen() < 1)
                throw EQRError(QStringLiteral("the report produced no pages"));
            if (ran && seen->PagesSeen() < firstPage)
                throw EQRError(QStringLiteral("the report has %1 page%2, so there is no page %3")
                                   .arg(seen->PagesSeen())
                                   .arg(seen->PagesSeen() == 1 ? QString() : QStringLiteral("s"))
                                   .arg(firstPage));
        } else {
            ran = report->PreparePagesRun();
            TQRPrinter *pages = report->QRPrinter();
            if (ran && (!pages || pages->PageCount() < 1))
                throw EQRError(QStringLiteral("the report produced no pages"));
            if (ran && pageRange) {
                // The chosen pages become a stored report of their own: the output itself for
                // qrp, otherwise a temporary one the filters read.
                QString error;
                const QString file = format == QLatin1String("qrp")
                                         ? output
                                         : rangeDir.filePath(QStringLiteral("pages.qrp"));
                rangePages = PageRangeCopy(pages, firstPage, lastPage, file, &error);
                if (!rangePages)
                    throw EQRError(error);
                pages = rangePages.get();
            }
            if (ran && format == QLatin1String("qrp")) {
                // A page range was written above.
                if (!pageRange && !pages->Save(output))
                    throw EQRError(QStringLiteral("cannot write %1").arg(output));
            } else if (ran) {
                std::unique_ptr<TQRExportFilter> filter;
                if (format == QLatin1String("pdf"))
                    filter = std::make_unique<TQRPDFExportFilter>(output);
                else if (format == QLatin1String("png"))
                    filter = std::make_unique<TQRPNGExportFilter>(output);
                else if (format == QLatin1String("svg"))
                    filter = std::make_unique<TQRSVGExportFilter>(output);
                else {
                    TQRWMFFilter::SetEnhanced(format == QLatin1String("emf"));
                    filter = std::make_unique<TQRWMFExportFilter>(output);
                }
                filter->SetReport(report);
                filter->SetPreviewPrinter(pages);
                filter->Start(pages->PageWidth(), pages->PageHeight(), report->Font());
                filter->Finish();
            }
        }
        if (progressShown)
            err() << "\r" << QString(40, QLatin1Char(' ')) << "\r";
        if (!ran) {
            removeOutput(output, format);
            return fail(ExitFailed, QStringLiteral("%1: the run was cancelled").arg(reportFile));
        }
    } catch (const std::exception &e) {
        removeOutput(output, format);
        return fail(ExitFailed, QStringLiteral("%1: %2").arg(reportFile, QString::fromLocal8Bit(e.what())));
    }
    if (const QString error = prompt.FirstError(); !error.isEmpty()) {
        removeOutput(output, format);
        return fail(ExitFailed, QStringLiteral("%1: %2").arg(reportFile, error));
    }
    if (!quiet) {
        const TQRPrinter *pages = rangePages ? rangePages.get() : report->QRPrinter();
        err() << "tabulon-run: " << output;
        if (pages && pages->PageCount() > 0)
            err() << " (" << pages->PageCount() << (pages->PageCount() == 1 ? " page)" : " pages)");
        err() << Qt::endl;
    }
    return ExitDone;
}
