#include "definition/wizquery.h"

#include "common/codepage.h"
#include "data/dataset.h"
#include "data/field.h"
#include "data/query.h"
#include "definition/databasesettings.h"
#include "definition/objectstream.h"
#include "definition/reportdata.h"

#include <QMetaProperty>
#include <QRegularExpression>

#include <iterator>

namespace
{
using TDS = TQRDatabaseSettings;

const char *const OperatorTexts[] = {"=",       ">",  "<",       "<=",          ">=", "LIKE",
                                     "BETWEEN", "IN", "IS NULL", "IS NOT NULL", "<>"};
constexpr int OperatorCount = int(std::size(OperatorTexts));

// Types of the older layout's "numeric" flag.
constexpr int OldNumericType = ftInteger;
constexpr int OldTextType = ftString;

constexpr qsizetype OrderLineWrap = 70;
const QString OrderIndent(9, QLatin1Char(' '));
const QString TablePrefix = QStringLiteral("Q1.");

bool isDate(int type)
{
    return type == ftDate;
}

bool isDateOrDateTime(int type)
{
    return type == ftDate || type == ftDateTime;
}

bool looksNumeric(const QString &value)
{
    static const QRegularExpression number(
        QStringLiteral("^\\s*[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    return number.match(value).hasMatch();
}

// value between left and right; a quote character inside the value is doubled
// so that the value cannot end the quoted text early.
QString quoted(const QString &value, const QString &left, const QString &right)
{
    QString inner = value;
    if (right == QLatin1String("'") || right == QLatin1String("\""))
        inner.replace(right, right + right);
    return left + inner + right;
}

QString stringQuoted(const QString &value, const TDS &s)
{
    return quoted(value, s.SQLStringDelimiterLeft(), s.SQLStringDelimiterRight());
}

QString dateQuoted(const QString &value, const TDS &s)
{
    return quoted(value, s.SQLDateDelimiterLeft(), s.SQLDateDelimiterRight());
}

// A value as BETWEEN and IN items are written: numbers bare, dates between
// the date delimiters, everything else between the string delimiters.
QString itemText(const QString &value, const TWizFilter &f, const TDS &s)
{
    if (f.IsNumeric() && looksNumeric(value))
        return value;
    if (isDate(f.FieldType))
        return dateQuoted(value, s);
    return stringQuoted(value, s);
}

QString condition(const TWizFilter &f, const TDS &s)
{
    const QString field = TablePrefix + s.SQLFieldDelimiterLeft() + f.FieldName + s.SQLFieldDelimiterRight();
    const QString op = WizOperatorText(f.Operator);
    QString value = f.Value;
    QString text;
    if (f.CaseSensitive) {
        text = QLatin1Char('(') + field + QLatin1Char(' ') + op;
    } else {
        text = QStringLiteral("(UPPER(") + field + QStringLiteral(") ") + op;
        value = value.toUpper();
    }
    const QChar separator(u'\0');
    switch (f.Operator) {
    case woLike:
        return text + QLatin1Char(' ') +
               quoted(value + s.SQLWildcard(), s.SQLStringDelimiterLeft(), s.SQLStringDelimiterRight()) +
               QLatin1Char(')');
    case woBetween: {
        const qsizetype at = value.indexOf(separator);
        const QString first = at < 0 ? value : value.left(at);
        const QString second = at < 0 ? QString() : value.mid(at + 1);
        return text + QLatin1Char(' ') + itemText(first, f, s) + QStringLiteral(" AND ") +
               itemText(second, f, s) + QLatin1Char(')');
    }
    case woIn: {
        QStringList items;
        for (const QString &item : value.split(separator))
            items << itemText(item, f, s);
        return text + QStringLiteral(" (") + items.join(QLatin1Char(',')) + QStringLiteral("))");
    }
    case woIsNull:
    case woIsNotNull:
        return text + QLatin1Char(')');
    default:
        break;
    }
    QString operand;
    if (f.IsNumeric() && looksNumeric(value))
        operand = value;
    else if (isDateOrDateTime(f.FieldType))
        operand = dateQuoted(value, s);
    else
        operand = stringQuoted(value, s);
    return text + QLatin1Char(' ') + operand + QLatin1Char(')');
}

bool fail(QString *problem, const QString &text)
{
    if (problem)
        *problem = text;
    return false;
}

bool isPointerProperty(const QMetaProperty &p)
{
    return p.metaType().flags().testFlag(QMetaType::PointerToQObject);
}
} // namespace

QString WizOperatorText(int op)
{
    return op >= 0 && op < OperatorCount ? QString::fromLatin1(OperatorTexts[op]) : QString();
}

int WizOperatorFromText(const QString &text)
{
    for (int i = 0; i < OperatorCount; ++i)
        if (text.compare(QLatin1String(OperatorTexts[i]), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool TWizFilter::IsNumeric() const
{
    switch (FieldType) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftAutoInc:
        return true;
    default:
        return false;
    }
}

// --- Stored form ------------------------------------------------------------------

bool ReadWizFilters(const QByteArray &bytes, QList<TWizFilter> *filters, QString *problem)
{
    QList<TWizFilter> result;
    if (bytes.isEmpty()) {
        *filters = result;
        return true;
    }
    try {
        TByteReader in(bytes);
        const int count = in.U8();
        for (int i = 0; i < count; ++i) {
            TWizFilter f;
            if (in.AtEnd())
                return fail(problem, QStringLiteral("filters cut short: %1 of %2 records").arg(i).arg(count));
            const quint8 first = quint8(bytes.at(in.Pos()));
            if (first > TWizFilter::CurrentVersion)
                return fail(problem,
                            QStringLiteral("filter %1: unknown record version %2").arg(i + 1).arg(first));
            f.Version = first == TWizFilter::CurrentVersion ? in.U8() : 0;
            f.FieldName = in.ShortString();
            f.Operator = in.U8();
            if (f.Operator >= OperatorCount)
                return fail(problem,
                            QStringLiteral("filter %1: unknown operator %2").arg(i + 1).arg(f.Operator));
            f.OrFlag = in.U8() != 0;
            f.Value = in.ShortString();
            const quint8 type = in.U8();
            if (f.Version == TWizFilter::CurrentVersion)
                f.FieldType = type;
            else
                f.FieldType = type != 0 ? OldNumericType : OldTextType;
            f.CaseSensitive = in.U8() != 0;
            result << f;
        }
        if (!in.AtEnd())
            return fail(problem, QStringLiteral("%1 bytes after the last filter").arg(in.Remaining()));
    } catch (const EQR2ReadError &e) {
        return fail(problem, QStringLiteral("filters cut short: %1").arg(e.Message()));
    }
    *filters = result;
    return true;
}

QByteArray WriteWizFilters(const QList<TWizFilter> &filters)
{
    TByteWriter out;
    const qsizetype count = qMin<qsizetype>(filters.size(), 255);
    out.U8(quint8(count));
    for (qsizetype i = 0; i < count; ++i) {
        const TWizFilter &f = filters.at(i);
        const bool current = f.Version == TWizFilter::CurrentVersion;
        if (current)
            out.U8(TWizFilter::CurrentVersion);
        out.ShortString(f.FieldName);
        out.U8(quint8(f.Operator));
        out.U8(f.OrFlag ? 1 : 0);
        out.ShortString(f.Value);
        if (current)
            out.U8(quint8(f.FieldType));
        else
            out.U8(f.IsNumeric() ? 1 : 0);
        out.U8(f.CaseSensitive ? 1 : 0);
    }
    return out.Data();
}

// --- SQL generation ---------------------------------------------------------------

QStringList WizQuerySQL(const QString &tableName, const QList<TWizFilter> &filters,
                        const QStringList &orderFields, const TQRDatabaseSettings &settings)
{
    QStringList lines;
    if (settings.DelimiterType() != TDS::delCustom && settings.SQLTableDelimiterLeft().isEmpty() &&
        settings.SQLTableDelimiterRight().isEmpty() && tableName.contains(QLatin1Char('.')))
        lines << QStringLiteral("SELECT * FROM '") + tableName + QStringLiteral("' Q1");
    else
        lines << QStringLiteral("SELECT * FROM ") + settings.SQLTableDelimiterLeft() + tableName +
                     settings.SQLTableDelimiterRight() + QStringLiteral(" Q1");

    for (qsizetype i = 0; i < filters.size(); ++i) {
        const TWizFilter &f = filters.at(i);
        const QString prefix = i == 0     ? QStringLiteral("WHERE ")
                               : f.OrFlag ? QStringLiteral("   OR ")
                                          : QStringLiteral("  AND ");
        lines << prefix + condition(f, settings);
    }

    QStringList items;
    for (const QString &entry : orderFields) {
        const bool descending = entry.startsWith(QLatin1Char('-'));
        const QString name = descending ? entry.mid(1) : entry;
        if (name.isEmpty())
            continue;
        items << TablePrefix + settings.SQLFieldDelimiterLeft() + name + settings.SQLFieldDelimiterRight() +
                     (descending ? QStringLiteral(" DESC") : QString());
    }
    if (!items.isEmpty()) {
        QString line = QStringLiteral("ORDER BY ");
        for (qsizetype i = 0; i < items.size(); ++i) {
            line += items.at(i);
            if (i + 1 < items.size()) {
                line += QStringLiteral(", ");
                if (line.size() >= OrderLineWrap) {
                    lines << line;
                    line = OrderIndent;
                }
            }
        }
        lines << line;
    }
    return lines;
}

// --- Inputs, fields and replacement -----------------------------------------------

void AssignWizQueryInputs(TWizQuery *query, const TWizQueryInputs &inputs)
{
    if (!query)
        return;
    if (query->Name().compare(inputs.Name, Qt::CaseInsensitive) != 0 &&
        TComponent::IsValidIdent(inputs.Name) &&
        (!query->Owner() || !query->Owner()->FindComponent(inputs.Name)))
        query->SetName(inputs.Name);
    query->SetTableName(inputs.TableName);
    query->SetDatabaseName(inputs.DatabaseName);
    query->SetOrderFields(inputs.OrderFields);
    QList<TWizFilter> filters = inputs.Filters;
    for (TWizFilter &f : filters)
        f.Version = TWizFilter::CurrentVersion;
    query->SetFilterList(filters);
    query->GenerateSQL();
}

TFieldDisplayMap CaptureFieldDisplay(const TDataSet *dataSet)
{
    TFieldDisplayMap map;
    if (!dataSet)
        return map;
    for (TField *field : dataSet->FieldList()) {
        TFieldDisplaySettings s;
        if (field->DisplayLabel() != field->FieldName())
            s.DisplayLabel = field->DisplayLabel();
        s.DisplayWidth = field->property("DisplayWidth").toInt();
        s.Visible = field->Visible();
        s.DisplayFormat = field->property("DisplayFormat").toString();
        map.insert(field->FieldName().toLower(), s);
    }
    return map;
}

void RestoreFieldDisplay(TDataSet *dataSet, const TFieldDisplayMap &settings)
{
    if (!dataSet)
        return;
    for (TField *field : dataSet->FieldList()) {
        const auto it = settings.constFind(field->FieldName().toLower());
        if (it == settings.constEnd())
            continue;
        field->SetDisplayLabel(it->DisplayLabel);
        field->SetDisplayWidth(it->DisplayWidth);
        field->SetVisible(it->Visible);
        if (!it->DisplayFormat.isEmpty() && field->metaObject()->indexOfProperty("DisplayFormat") >= 0)
            field->setProperty("DisplayFormat", it->DisplayFormat);
    }
}

int RepointDataSetReferences(TComponent *owner, TDataSet *from, TDataSet *to)
{
    if (!owner || !from)
        return 0;
    int changed = 0;
    for (TComponent *c : owner->ComponentList()) {
        if (c == from || c == to)
            continue;
        const QMetaObject *mo = c->metaObject();
        const int index = mo->indexOfProperty("DataSet");
        if (index < 0)
            continue;
        const QMetaProperty p = mo->property(index);
        if (!isPointerProperty(p) || !p.isWritable())
            continue;
        if (p.read(c).value<QObject *>() != from)
            continue;
        const QMetaObject *target = p.metaType().metaObject();
        if (to && target && !to->metaObject()->inherits(target))
            continue;
        QObject *pointer = to;
        if (p.write(c, QVariant(p.metaType(), &pointer)))
            ++changed;
    }
    return changed;
}

namespace
{
// Moves the name of from to to, and every reference from from to to.
void takeOver(TDataSet *from, TDataSet *to, TComponent *designerOwner)
{
    const QString name = from->Name();
    from->SetName(QString());
    to->SetName(name);
    RepointDataSetReferences(designerOwner, from, to);
    if (from->Owner() && from->Owner() != designerOwner)
        RepointDataSetReferences(from->Owner(), from, to);
}
} // namespace

TQRDWQuery *ReplaceWizQueryByTemplate(TWizQuery *wizQuery, TComponent *designerOwner)
{
    if (!wizQuery)
        return nullptr;
    wizQuery->Close();
    auto *query = new TQRDWQuery(wizQuery->Owner());
    query->SetDatabaseName(wizQuery->DatabaseName());
    query->SetSessionName(wizQuery->SessionName());
    query->SetRequestLive(false);
    query->SetSQL(wizQuery->SQL());
    query->SetOriginalSQL(wizQuery->SQL());
    query->SetDataSource(wizQuery->DataSource());
    takeOver(wizQuery, query, designerOwner);
    delete wizQuery;
    return query;
}

TWizQuery *ReplaceQueryByWizQuery(TQuery *query, TComponent *designerOwner,
                                  const TQRDatabaseSettings *designerSettings)
{
    if (!query)
        return nullptr;
    query->Close();
    auto *wizQuery = new TWizQuery(query->Owner());
    if (designerSettings)
        wizQuery->SQLSettings()->Assign(designerSettings);
    wizQuery->SetDatabaseName(query->DatabaseName());
    wizQuery->SetSessionName(query->SessionName());
    wizQuery->SetRequestLive(false);
    wizQuery->SetDataSource(query->DataSource());
    takeOver(query, wizQuery, designerOwner);
    delete query;
    return wizQuery;
}
