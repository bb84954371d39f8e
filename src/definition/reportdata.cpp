#include "definition/reportdata.h"

#include "common/classregistry.h"
#include "common/programdir.h"
#include "data/table.h"
#include "definition/reporteval.h"

#include <QDir>
#include <QFileInfo>

#include <exception>

namespace
{
constexpr qsizetype MaxNameLength = 255;

const QString MacroMark = QStringLiteral("%%");
const QString DeleteMark = QStringLiteral("%DEL");

// File extensions under which the desktop databases keep a table.
const QStringList TableFileExtensions = {QStringLiteral("sqlite"), QStringLiteral("sqlite3"),
                                         QStringLiteral("db"),     QStringLiteral("db3"),
                                         QStringLiteral("csv"),    QStringLiteral("dbf")};

QString withoutTrailingSeparator(const QString &path)
{
    QString p = path;
    while (p.size() > 1 && (p.endsWith(QLatin1Char('\\')) || p.endsWith(QLatin1Char('/'))))
        p.chop(1);
    return p;
}

QString withTrailingSeparator(const QString &path)
{
    const QString p = NormalizeSeparators(path);
    return p.endsWith(QLatin1Char('/')) ? p : p + QLatin1Char('/');
}

bool isDirectory(const QString &path)
{
    return !path.isEmpty() && QFileInfo(NormalizeSeparators(path)).isDir();
}

// Whether the table's file lies in dir. Stored table names may carry the
// file's extension ("orders.db") or not ("orders" for orders.sqlite); letter
// case is ignored as everywhere in file look-ups.
bool tableFileExists(const QString &dir, const QString &tableName)
{
    if (dir.isEmpty() || tableName.isEmpty())
        return false;
    const QString d = withTrailingSeparator(dir);
    const QString name = NormalizeSeparators(tableName);
    if (QFileInfo(FindFileInDir(d, name)).isFile())
        return true;
    if (name.contains(QLatin1Char('/')))
        return false;
    const QFileInfo asGiven(name);
    if (TableFileExtensions.contains(asGiven.suffix().toLower()))
        return false;
    const QFileInfoList files = QDir(d).entryInfoList(QDir::Files);
    for (const QFileInfo &fi : files)
        if (fi.completeBaseName().compare(name, Qt::CaseInsensitive) == 0 &&
            TableFileExtensions.contains(fi.suffix().toLower()))
            return true;
    return false;
}

QString valueText(const TQREvValue &value)
{
    switch (value.ValueKind) {
    case rkString:
        return value.Text;
    case rkInteger:
        return QString::number(value.IntValue);
    default:
        return QString();
    }
}

QString expandLine(const QString &source, TQRCustomReport *report)
{
    QString line = source;
    qsizetype from = 0;
    for (;;) {
        const qsizetype start = line.indexOf(MacroMark, from);
        if (start < 0)
            break;
        line.remove(start, MacroMark.size());
        qsizetype end = line.indexOf(MacroMark, start);
        qsizetype cut;
        if (end < 0) {
            end = line.size();
            cut = 0;
        } else {
            cut = MacroMark.size();
        }
        const QString expression = line.mid(start, end - start);
        const QString text = valueText(QRDEvaluate(expression, report));
        line.replace(start, end - start + cut, text);
        // Values are data, not template text: a "%%" inside one is never evaluated.
        from = start + text.size();
    }
    return line;
}

// The label line for key in a "key=label" list, compared without regard to case.
bool findLabel(const QStringList &lines, const QString &key, QString *label)
{
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (QStringView(line).left(eq).compare(key, Qt::CaseInsensitive) == 0) {
            *label = line.mid(eq + 1);
            return true;
        }
    }
    return false;
}

void createDataFields(TDataSet *dataSet, const QStringList *displayLabels)
{
    const auto *table = qobject_cast<const TTable *>(dataSet);
    const TFieldDefs &defs = dataSet->FieldDefs();
    for (int i = 0; i < defs.Count(); ++i) {
        const TFieldDef &def = defs[i];
        TField *field = dataSet->FindField(def.Name);
        if (!field) {
            try {
                field = def.CreateField(dataSet, dataSet);
            } catch (const std::exception &) {
                continue; // a column type without field class stays without field
            }
        }
        if (!displayLabels)
            continue;
        QString label;
        if (findLabel(*displayLabels, def.Name, &label) ||
            (table &&
             findLabel(*displayLabels,
                       QLatin1Char('"') + table->TableName() + QStringLiteral("\".") + def.Name, &label)))
            field->SetDisplayLabel(label);
    }
}
} // namespace

// --- TQRDWQuery -------------------------------------------------------------------

TQRDWQuery::TQRDWQuery(TComponent *owner) : TQuery(owner) {}

void TQRDWQuery::ExpandSQL(TQRCustomReport *report)
{
    SetSQL(QRDExpandSQLTemplate(m_originalSQL, report));
}

// --- TWizQuery --------------------------------------------------------------------

TWizQuery::TWizQuery(TComponent *owner) : TQuery(owner), m_sqlSettings(new TQRDatabaseSettings(this)) {}

void TWizQuery::SetTableName(const QString &name)
{
    m_tableName = name.left(MaxNameLength);
}

QStringList TWizQuery::DefinedPropertyNames() const
{
    return TQuery::DefinedPropertyNames() << QStringLiteral("Filters");
}

QVariant TWizQuery::DefinedProperty(const QString &name) const
{
    if (name.compare(QLatin1String("Filters"), Qt::CaseInsensitive) != 0)
        return TQuery::DefinedProperty(name);
    // No filters is stored as a zero count.
    return Filters();
}

bool TWizQuery::SetDefinedProperty(const QString &name, const QVariant &value)
{
    if (name.compare(QLatin1String("Filters"), Qt::CaseInsensitive) != 0)
        return TQuery::SetDefinedProperty(name, value);
    if (value.typeId() != QMetaType::QByteArray)
        return false;
    QList<TWizFilter> filters;
    if (!ReadWizFilters(value.toByteArray(), &filters))
        return false;
    // Records of the older layout are written back in the current one.
    for (TWizFilter &f : filters)
        f.Version = TWizFilter::CurrentVersion;
    m_filters = filters;
    return true;
}

void TWizQuery::SetFilters(const QByteArray &bytes)
{
    SetDefinedProperty(QStringLiteral("Filters"), bytes);
}

void RegisterDataSettingsClasses()
{
    RegisterComponentClass<TQRDWQuery>();
    RegisterComponentClass<TWizQuery>();
}

// --- Template expansion -----------------------------------------------------------

QStringList QRDExpandSQLTemplate(const QStringList &lines, TQRCustomReport *report)
{
    QStringList expanded;
    expanded.reserve(lines.size());
    for (const QString &line : lines)
        expanded << expandLine(line, report);
    QStringList result;
    result.reserve(expanded.size());
    for (QString &line : expanded) {
        if (line.trimmed() == DeleteMark)
            continue;
        line.remove(DeleteMark);
        result << line;
    }
    return result;
}

// --- Locating datasets ------------------------------------------------------------

void QRDLocateDataset(TDataSet *dataSet, const TQRDLocateContext &context)
{
    if (!dataSet)
        return;
    auto *table = qobject_cast<TTable *>(dataSet);
    auto *wizQuery = qobject_cast<TWizQuery *>(dataSet);
    auto *query = qobject_cast<TQuery *>(dataSet);

    if (table || wizQuery) {
        const QString database = dataSet->DatabaseName();
        const QString tableName = table ? table->TableName() : wizQuery->TableName();
        // A database that is a file (an SQLite database) holds its tables inside; it stays.
        if (IsLocalDirectoryPath(database) && !QFileInfo(NormalizeSeparators(database)).isFile() &&
            !tableFileExists(database, tableName)) {
            QString target;
            if (tableFileExists(context.ReportDir, tableName))
                target = context.ReportDir;
            else if (tableFileExists(context.ProgramDir, tableName))
                target = context.ProgramDir;
            if (!target.isEmpty()) {
                if (table)
                    table->SetDatabaseName(target);
                else
                    wizQuery->SetDatabaseName(target);
            }
        }
    } else if (query) {
        const QString database = query->DatabaseName();
        const bool local = database.contains(QStringLiteral(":\\")) ||
                           database.contains(QStringLiteral(":/")) || IsLocalDirectoryPath(database);
        // Besides a directory, a database may be an SQLite file: only a missing one moves.
        if (local && !QFileInfo::exists(NormalizeSeparators(withoutTrailingSeparator(database)))) {
            if (isDirectory(withoutTrailingSeparator(context.ReportDir)))
                query->SetDatabaseName(context.ReportDir);
            else if (isDirectory(withoutTrailingSeparator(context.ProgramDir)))
                query->SetDatabaseName(context.ProgramDir);
        }
    }

    if (auto *templated = qobject_cast<TQRDWQuery *>(dataSet)) {
        if (templated->OriginalSQL().join(QString()).isEmpty())
            templated->SetOriginalSQL(templated->SQL());
        else
            templated->ExpandSQL(context.Report);
    }

    if (context.CalcFieldsHandler)
        dataSet->OnCalcFields = context.CalcFieldsHandler;
    if (context.BeforeOpenDataset)
        context.BeforeOpenDataset(dataSet);
}

// --- Fields after loading ---------------------------------------------------------

bool QRDSetupFieldsAfterLoading(TDataSet *dataSet, const QStringList *displayLabels)
{
    if (!dataSet)
        return false;
    if (dataSet->Active())
        return true;
    try {
        dataSet->FieldDefs().Update();
    } catch (const std::exception &) {
        // The database cannot be reached: keep the fields as the report stored
        // them, so that saving the report does not lose them.
        return false;
    }
    dataSet->DestroyFields(true, false);
    createDataFields(dataSet, displayLabels);
    try {
        dataSet->Open();
        return true;
    } catch (const std::exception &) {
    }
    dataSet->DestroyFields(true, true);
    createDataFields(dataSet, displayLabels);
    return false;
}
