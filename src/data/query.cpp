#include "data/query.h"

#include "data/connection.h"
#include "data/sqlcursor.h"
#include "data/sqlvalues.h"

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
