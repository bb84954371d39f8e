#include "newreport.h"

#include "common/screen.h"
#include "data/dataset.h"
#include "data/field.h"
#include "data/session.h"
#include "definition/designreport.h"
#include "definition/expertdataset.h"
#include "definition/labelformats.h"
#include "definition/loader.h"
#include "definition/reportcreator.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

const char kNewReportUsage[] =
    "  tabulon-qr2 new OUT.QR2 --style list|form|single|tabular|labels\n"
    "          (--database DB --table TABLE | --database DB --sql SQL | --no-dataset)\n"
    "          [--fields A,B,C] [--bands title,pageheader,pagefooter,summary] [--title TEXT]\n"
    "          [--lines horizontal,vertical,box] [--data-font SIZE] [--header-font SIZE]\n"
    "          [--orientation portrait|landscape] [--columns N] [--column-space X]\n"
    "          [--label WIDTH,HEIGHT,COLUMNS,ROWS,COLUMNSPACE,ROWSPACE | --label-format FILE.QLF:NAME]\n"
    "      a first report as the report expert lays it out; DB is an alias of databases.ini\n"
    "      or a database file; sizes in the report's units (millimetres, or inches where the\n"
    "      locale measures in U.S. units); --no-dataset only for labels\n";

namespace
{
int usage(const QString &problem)
{
    std::fprintf(stderr, "tabulon-qr2 new: %s\n", qPrintable(problem));
    std::fprintf(stderr, "Usage:\n%s", kNewReportUsage);
    return 2;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "tabulon-qr2 new: %s\n", qPrintable(message));
    return 1;
}

QStringList listValue(const QString &value)
{
    QStringList items;
    for (const QString &item : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
        items.append(item.trimmed());
    return items;
}

// What the command line asks for.
struct Request {
    QString output;
    QString style;
    QString database, table, sql;
    bool noDataset = false;
    bool hasFields = false;
    QStringList fields;
    QString bands = QStringLiteral("title,pageheader");
    QString title = QStringLiteral("Report");
    QString lines;
    int dataFont = 10, headerFont = 10;
    QString orientation;
    QString columns = QStringLiteral("1");
    QString columnSpace;
    QString label, labelFormat;
};

// Reads the options; an empty text when they are sound, else the problem.
QString parse(const QStringList &args, Request *r)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (!a.startsWith(QLatin1String("--"))) {
            if (!r->output.isEmpty())
                return QStringLiteral("more than one output file (%1)").arg(a);
            r->output = a;
            continue;
        }
        if (a == QLatin1String("--no-dataset")) {
            r->noDataset = true;
            continue;
        }
        static const QStringList valued = {"--style",        "--database",    "--table",       "--sql",
                                           "--fields",       "--bands",       "--title",       "--lines",
                                           "--data-font",    "--header-font", "--orientation", "--columns",
                                           "--column-space", "--label",       "--label-format"};
        if (!valued.contains(a))
            return QStringLiteral("unknown option %1").arg(a);
        if (i + 1 >= args.size())
            return QStringLiteral("%1 needs a value").arg(a);
        const QString v = args[++i];
        if (a == QLatin1String("--style"))
            r->style = v;
        else if (a == QLatin1String("--database"))
            r->database = v;
        else if (a == QLatin1String("--table"))
            r->table = v;
        else if (a == QLatin1String("--sql"))
            r->sql = v;
        else if (a == QLatin1String("--fields")) {
            r->hasFields = true;
            r->fields = listValue(v);
        } else if (a == QLatin1String("--bands"))
            r->bands = v;
        else if (a == QLatin1String("--title"))
            r->title = v;
        else if (a == QLatin1String("--lines"))
            r->lines = v;
        else if (a == QLatin1String("--data-font") || a == QLatin1String("--header-font")) {
            bool ok = false;
            const int size = v.toInt(&ok);
            if (!ok || size < 1 || size > 200)
                return QStringLiteral("%1 wants a font size from 1 to 200, not '%2'").arg(a, v);
            (a == QLatin1String("--data-font") ? r->dataFont : r->headerFont) = size;
        } else if (a == QLatin1String("--orientation"))
            r->orientation = v;
        else if (a == QLatin1String("--columns"))
            r->columns = v;
        else if (a == QLatin1String("--column-space"))
            r->columnSpace = v;
        else if (a == QLatin1String("--label"))
            r->label = v;
        else if (a == QLatin1String("--label-format"))
            r->labelFormat = v;
    }
    if (r->output.isEmpty())
        return QStringLiteral("no output file");
    static const QStringList styles = {"list", "form", "single", "tabular", "labels"};
    if (!styles.contains(r->style))
        return r->style.isEmpty() ? QStringLiteral("no --style")
                                  : QStringLiteral("unknown style '%1'").arg(r->style);
    const bool labels = r->style == QLatin1String("labels");
    if (r->noDataset) {
        if (!labels)
            return QStringLiteral("--no-dataset is only for labels");
        if (!r->database.isEmpty() || !r->table.isEmpty() || !r->sql.isEmpty() || r->hasFields)
            return QStringLiteral("--no-dataset takes no --database, --table, --sql or --fields");
    } else {
        if (r->database.isEmpty())
            return QStringLiteral("no --database (or --no-dataset for labels)");
        if (r->table.isEmpty() == r->sql.isEmpty())
            return QStringLiteral("give one of --table and --sql");
    }
    for (const QString &band : listValue(r->bands))
        if (!QStringList{"title", "pageheader", "pagefooter", "summary"}.contains(band))
            return QStringLiteral("unknown band '%1'").arg(band);
    for (const QString &line : listValue(r->lines))
        if (!QStringList{"horizontal", "vertical", "box"}.contains(line))
            return QStringLiteral("unknown lines '%1'").arg(line);
    if (!r->orientation.isEmpty() && r->orientation != QLatin1String("portrait") &&
        r->orientation != QLatin1String("landscape"))
        return QStringLiteral("--orientation is portrait or landscape, not '%1'").arg(r->orientation);
    // As in the expert: one digit from 1 to 9.
    if (r->columns.size() != 1 || r->columns < QLatin1String("1") || r->columns > QLatin1String("9"))
        return QStringLiteral("--columns wants 1 to 9, not '%1'").arg(r->columns);
    bool ok = true;
    if (!r->columnSpace.isEmpty())
        ExpertNumber(r->columnSpace, &ok);
    if (!ok)
        return QStringLiteral("--column-space wants a number, not '%1'").arg(r->columnSpace);
    if (!r->label.isEmpty() && !r->labelFormat.isEmpty())
        return QStringLiteral("give --label or --label-format, not both");
    if (!labels && (!r->label.isEmpty() || !r->labelFormat.isEmpty()))
        return QStringLiteral("--label and --label-format are only for labels");
    if (!r->label.isEmpty()) {
        const QStringList parts = r->label.split(QLatin1Char(','));
        if (parts.size() != 6)
            return QStringLiteral("--label wants WIDTH,HEIGHT,COLUMNS,ROWS,COLUMNSPACE,ROWSPACE");
        for (const QString &part : parts) {
            ExpertNumber(part, &ok);
            if (!ok)
                return QStringLiteral("--label: '%1' is no number").arg(part);
        }
    }
    if (!r->labelFormat.isEmpty() && !r->labelFormat.contains(QLatin1Char(':')))
        return QStringLiteral("--label-format wants FILE.QLF:NAME");
    return QString();
}

// A database given as a file path is stored with its full path.
QString databaseName(const QString &given)
{
    if (Session().IsAlias(given))
        return given;
    const QFileInfo info(given);
    return info.exists() ? info.absoluteFilePath() : given;
}
} // namespace

int RunNewReport(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Without a desktop session there is no runtime directory; a private one
    // keeps Qt from warning about it.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray runtime =
            QDir::tempPath().toLocal8Bit() + "/tabulon-runtime-" + QByteArray::number(getuid());
        if (::mkdir(runtime.constData(), 0700) == 0 || errno == EEXIST)
            qputenv("XDG_RUNTIME_DIR", runtime);
    }
    // Our options are read before Qt sees them: Qt takes "--style" for its own.
    QStringList args;
    for (int i = 2; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    // Captions are measured like the designer measures them.
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    Request r;
    const QString problem = parse(args, &r);
    if (!problem.isEmpty())
        return usage(problem);

    TForm form;
    auto *report = new TQRDesignReport(&form);
    report->SetName(QStringLiteral("Report"));
    auto *loader = new TQRDLoader(&form);
    loader->SetName(QStringLiteral("Loader"));
    loader->SetQReport(report);

    TQRExpertSettings s;
    const QString style = r.style;
    s.Style = style == QLatin1String("list")      ? TQRExpertSettings::ListStyle
              : style == QLatin1String("form")    ? TQRExpertSettings::FormStyle
              : style == QLatin1String("single")  ? TQRExpertSettings::SingleForm
              : style == QLatin1String("tabular") ? TQRExpertSettings::Tabular
                                                  : TQRExpertSettings::MailingLabels;
    const bool labels = s.Style == TQRExpertSettings::MailingLabels;

    // The main dataset, as the expert's "Dataset" page makes it.
    TQRExpertDataset expertData(&form);
    expertData.DefaultTableName = loader->Message(QStringLiteral("DefaultTableName"));
    TDataSet *dataSet = nullptr;
    if (!r.noDataset) {
        QString error;
        const QString database = databaseName(r.database);
        const bool made = r.table.isEmpty() ? expertData.MakeQuery(database, r.sql, &error)
                                            : expertData.MakeTable(database, r.table, &error);
        if (!made)
            return fail(error);
        dataSet = expertData.DataSet();
    }

    TQRLayoutOptions &o = s.Layout;
    o.DataSet = dataSet;
    if (dataSet) {
        if (!r.hasFields) {
            for (TField *field : dataSet->FieldList())
                o.Fields.append(field->DisplayLabel());
        } else {
            for (const QString &name : r.fields) {
                TField *field = dataSet->FindField(name);
                if (!field)
                    return fail(QStringLiteral("unknown field '%1' (the dataset has %2)")
                                    .arg(name, dataSet->FieldNames().join(QStringLiteral(", "))));
                o.Fields.append(field->DisplayLabel());
            }
        }
    }
    const QStringList bands = listValue(r.bands), lines = listValue(r.lines);
    o.Title = bands.contains(QLatin1String("title"));
    o.PageHeader = bands.contains(QLatin1String("pageheader"));
    o.PageFooter = bands.contains(QLatin1String("pagefooter"));
    o.Summary = bands.contains(QLatin1String("summary"));
    o.HorizontalLines = lines.contains(QLatin1String("horizontal"));
    o.VerticalLines = lines.contains(QLatin1String("vertical"));
    o.BoxLines = lines.contains(QLatin1String("box"));
    o.ReportTitle = r.title;
    o.DataFont.SetSize(r.dataFont);
    o.HeaderFont.SetSize(r.headerFont);
    s.Columns = r.columns;
    s.ColumnSpacing = r.columnSpace;

    const bool landscape = r.orientation == QLatin1String("landscape");
    if (labels) {
        // The report's page as it stands, then the label sizes.
        TQRLabelSheet &sheet = s.Labels;
        const TQRPage *page = report->Page();
        sheet.PaperSize = page->PaperSize();
        sheet.PaperWidth = page->Width();
        sheet.PaperLength = page->Length();
        sheet.TopMargin = page->TopMargin();
        sheet.BottomMargin = page->BottomMargin();
        sheet.LeftMargin = page->LeftMargin();
        sheet.RightMargin = page->RightMargin();
        if (!r.label.isEmpty()) {
            const QStringList v = r.label.split(QLatin1Char(','));
            sheet.LabelWidth = ExpertNumber(v[0]);
            sheet.LabelHeight = ExpertNumber(v[1]);
            sheet.Columns = int(ExpertNumber(v[2]));
            sheet.Rows = int(ExpertNumber(v[3]));
            sheet.ColumnSpace = ExpertNumber(v[4]);
            sheet.RowSpace = ExpertNumber(v[5]);
        } else if (!r.labelFormat.isEmpty()) {
            const qsizetype colon = r.labelFormat.lastIndexOf(QLatin1Char(':'));
            const QString fileName = r.labelFormat.left(colon);
            const QString wanted = r.labelFormat.mid(colon + 1).replace(QLatin1Char('_'), QLatin1Char(' '));
            TQRLabelFormatFile file;
            QString error;
            if (!ReadLabelFormatFile(fileName, &file, &error))
                return fail(error);
            const TQRLabelFormat *found = nullptr;
            QStringList names;
            for (const TQRLabelFormat &format : std::as_const(file.Formats)) {
                names.append(format.Name);
                if (!found && format.Name.compare(wanted.trimmed(), Qt::CaseInsensitive) == 0)
                    found = &format;
            }
            if (!found)
                return fail(QStringLiteral("%1 has no label format '%2' (it has: %3)")
                                .arg(fileName, wanted, names.join(QStringLiteral("; "))));
            sheet = LabelSheetFromFormat(*found, report);
        }
        if (!r.orientation.isEmpty())
            sheet.Orientation = landscape ? QRPaper::poLandscape : QRPaper::poPortrait;
    } else {
        s.Landscape = landscape;
    }

    TQRDReportCreator creator(report, loader);
    GenerateExpertReport(creator, s);
    // The file opens its datasets when it is loaded.
    if (dataSet)
        dataSet->Close();
    if (!loader->SaveReportFile(r.output))
        return fail(QStringLiteral("%1: %2").arg(r.output, loader->LastError()));
    return 0;
}
