#include "data/query.h"

#include "data/connection.h"
#include "data/sqlcursor.h"
#include "data/sqlvalues.h"

#include <QMetaEnum>
#include <QSqlQuery>

class TQuery::MasterLink : public TDataLink
{
public:
    explicit MasterLink(TQuery *query) : m_query(query) {}

protected:
    void ActiveChanged() override { m_query->m_masterMoved = true; }
    void DataSetChanged() override { m_query->m_masterMoved = true; }
    void DataSetScrolled() override { m_query->m_masterMoved = true; }

private:
    TQuery *m_query;
};

TQuery::TQuery(TComponent *owner)
    : TDataSet(owner), m_params(this), m_masterLink(std::make_unique<MasterLink>(this))
{
}

TQuery::~TQuery()
{
    m_masterLink->SetDataSource(nullptr);
}

void TQuery::SetDatabaseName(const QString &name)
{
    if (name == m_databaseName)
        return;
    CheckInactive(QStringLiteral("change the database"));
    m_databaseName = name;
    FieldDefs().Clear();
}

void TQuery::SetDataSource(TDataSource *source)
{
    if (source == m_dataSource)
        return;
    if (source && source->DataSet() == this)
        DatabaseError(QStringLiteral("A query cannot be its own master"), this);
    if (m_dataSource)
        m_dataSource->RemoveFreeNotification(this);
    m_dataSource = source;
    if (source)
        source->FreeNotification(this);
    m_masterLink->SetDataSource(source);
    m_masterMoved = true;
}

void TQuery::Notification(TComponent *component, TOperation operation)
{
    TDataSet::Notification(component, operation);
    if (operation == opRemove && component == m_dataSource) {
        m_dataSource = nullptr;
        m_masterLink->SetDataSource(nullptr);
    }
}

void TQuery::SetSQL(const QStringList &lines)
{
    Close();
    m_sql = lines;
    FieldDefs().Clear();
    QString text = lines.join(QLatin1Char('\n'));
    if (m_paramCheck)
        m_parsedSql = m_params.ParseSQL(text, true);
    else
        m_parsedSql = text;
}

void TQuery::SetSQLText(const QString &text)
{
    SetSQL(text.split(QLatin1Char('\n')));
}

QVariantList TQuery::currentMasterValues() const
{
    QVariantList values;
    TDataSet *master = m_masterLink->DataSet();
    if (!master || !master->Active() || master->IsEmpty())
        return values;
    for (int i = 0; i < m_params.Count(); ++i) {
        TParam *p = m_params.Items(i);
        if (p->Bound())
            continue;
        if (TField *f = master->FindField(p->Name()))
            values << f->Value();
    }
    return values;
}

void TQuery::takeMasterValues() const
{
    m_masterFilled.clear();
    m_readMasterValues.clear();
    if (!m_dataSource)
        return;
    TDataSet *master = m_masterLink->DataSet();
    const bool hasRow = master && master->Active() && !master->IsEmpty();
    for (int i = 0; i < m_params.Count(); ++i) {
        TParam *p = m_params.Items(i);
        if (p->Bound())
            continue;
        TField *f = master ? master->FindField(p->Name()) : nullptr;
        if (!f)
            continue;
        if (hasRow) {
            p->AssignField(f);
            m_readMasterValues << f->Value();
        } else {
            p->Clear();
        }
        m_masterFilled << p;
    }
    m_masterMoved = false;
}

QVariantList TQuery::bindValues() const
{
    std::shared_ptr<TDbConnection> c = Connection();
    QVariantList values;
    for (int i = 0; i < m_params.Count(); ++i) {
        const TParam *p = m_params.Items(i);
        if (p->IsNull() && !p->Bound() && !m_masterFilled.contains(const_cast<TParam *>(p))) {
            // A repeated name shares the value of its first occurrence.
            const TParam *first = m_params.FindParam(p->Name());
            if (first != p && (first->Bound() || !first->IsNull()))
                p = first;
            else
                DatabaseError(QStringLiteral("No value for parameter \"%1\"").arg(p->Name()), this);
        }
        values << DriverValue(*c, p->BindValue());
    }
    return values;
}

TDataSet::TStatement TQuery::SelectStatement() const
{
    QString sql = m_parsedSql.trimmed();
    while (sql.endsWith(QLatin1Char(';')))
        sql = sql.chopped(1).trimmed();
    if (sql.isEmpty())
        DatabaseError(QStringLiteral("No SQL statement given"), this);
    return {sql, bindValues()};
}

void TQuery::PrepareOpen()
{
    takeMasterValues();
}

bool TQuery::NeedsRefresh() const
{
    if (!m_masterMoved || !m_dataSource)
        return false;
    m_masterMoved = false;
    return currentMasterValues() != m_readMasterValues;
}

int TQuery::ExecSQL()
{
    takeMasterValues();
    const TStatement st = SelectStatement();
    std::shared_ptr<TDbConnection> c = Connection();
    QSqlQuery q = RunQuery(*c, st.Sql, st.Values, this);
    m_rowsAffected = q.numRowsAffected();
    return m_rowsAffected;
}

namespace
{
const QLatin1String kParamData("ParamData");

// An identifier value read back from a stored collection (the stream hands
// identifiers over as a type of its own that converts to text).
template <typename Enum> bool enumFromVariant(const QVariant &v, Enum *out)
{
    if (!v.canConvert<QString>())
        return false;
    bool ok = false;
    const int value = QMetaEnum::fromType<Enum>().keyToValue(v.toString().toLatin1().constData(), &ok);
    if (ok)
        *out = Enum(value);
    return ok;
}
} // namespace

QStringList TQuery::DefinedPropertyNames() const
{
    return {kParamData};
}

QVariant TQuery::DefinedProperty(const QString &name) const
{
    if (name.compare(kParamData, Qt::CaseInsensitive) != 0 || m_params.Count() == 0)
        return QVariant();
    QVariantList items;
    for (int i = 0; i < m_params.Count(); ++i) {
        const TParam *p = m_params.Items(i);
        QVariantMap item;
        item.insert(QStringLiteral("DataType"), QVariant::fromValue(p->DataType()));
        item.insert(QStringLiteral("Name"), p->Name());
        item.insert(QStringLiteral("ParamType"), QVariant::fromValue(p->ParamType()));
        QVariant value = p->Value();
        // Dates and times are kept in ISO text, which the parameter reads back in any locale.
        switch (value.typeId()) {
        case QMetaType::QDate:
        case QMetaType::QTime:
        case QMetaType::QDateTime:
            value = value.toString();
            break;
        default:
            break;
        }
        if (!value.isNull())
            item.insert(QStringLiteral("Value"), value);
        items.append(item);
    }
    return items;
}

bool TQuery::SetDefinedProperty(const QString &name, const QVariant &value)
{
    if (name.compare(kParamData, Qt::CaseInsensitive) != 0 || value.typeId() != QMetaType::QVariantList)
        return false;
    struct Item {
        QString Name;
        TFieldType DataType = ftUnknown;
        TParamType ParamType = ptUnknown;
        QVariant Value;
    };
    QList<Item> items;
    for (const QVariant &v : value.toList()) {
        if (v.typeId() != QMetaType::QVariantMap)
            return false;
        const QVariantMap map = v.toMap();
        Item item;
        item.Name = map.value(QStringLiteral("Name")).toString();
        if (item.Name.isEmpty())
            return false;
        if (map.contains(QStringLiteral("DataType")) &&
            !enumFromVariant(map.value(QStringLiteral("DataType")), &item.DataType))
            return false;
        if (map.contains(QStringLiteral("ParamType")) &&
            !enumFromVariant(map.value(QStringLiteral("ParamType")), &item.ParamType))
            return false;
        item.Value = map.value(QStringLiteral("Value"));
        items.append(item);
    }
    // The stored list replaces the parameters the SQL gave.
    m_params.Clear();
    for (const Item &item : items) {
        TParam *p = m_params.CreateParam(item.DataType, item.Name, item.ParamType);
        if (!item.Value.isValid())
            continue;
        try {
            p->SetValue(item.Value);
        } catch (const EDatabaseError &) {
            // A value that no longer fits its type is dropped, like an unset one.
            p->Clear();
        }
        // Setting a value marks the parameter Bound; the stored marks decide that.
        p->SetBound(false);
    }
    return true;
}
