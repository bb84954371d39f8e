#include "data/table.h"

#include "data/connection.h"
#include "data/sqlvalues.h"

QStringList TIndexDef::FieldList() const
{
    QStringList list;
    for (const QString &f : Fields.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        list << f.trimmed();
    return list;
}

const TIndexDef *TIndexDefs::Find(const QString &name) const
{
    for (const TIndexDef &d : m_defs)
        if (d.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &d;
    return nullptr;
}

void TIndexDefs::Update()
{
    const QString table = m_table->resolvedTableName();
    std::shared_ptr<TDbConnection> c = m_table->Connection();
    try {
        m_defs = c->Indexes(table);
    } catch (const EDatabaseError &e) {
        DatabaseError(e.Message(), m_table);
    }
    m_updated = true;
}

void TIndexDefs::Clear()
{
    m_defs.clear();
    m_updated = false;
}

// Follows the master data source: the rows depend on its current row.
class TTable::MasterLink : public TDataLink
{
public:
    explicit MasterLink(TTable *table) : m_table(table) {}

protected:
    void ActiveChanged() override { m_table->m_masterMoved = true; }
    void DataSetChanged() override { m_table->m_masterMoved = true; }
    void DataSetScrolled() override { m_table->m_masterMoved = true; }

private:
    TTable *m_table;
};

TTable::TTable(TComponent *owner)
    : TDataSet(owner), m_indexDefs(this), m_masterLink(std::make_unique<MasterLink>(this))
{
}

TTable::~TTable()
{
    m_masterLink->SetDataSource(nullptr);
}

void TTable::SetDatabaseName(const QString &name)
{
    if (name == m_databaseName)
        return;
    CheckInactive(QStringLiteral("change the database"));
    m_databaseName = name;
    m_resolvedName.clear();
    m_columnNames.clear();
    m_indexDefs.Clear();
    FieldDefs().Clear();
}

void TTable::SetTableName(const QString &name)
{
    if (name == m_tableName)
        return;
    CheckInactive(QStringLiteral("change the table"));
    m_tableName = name;
    m_resolvedName.clear();
    m_columnNames.clear();
    m_indexDefs.Clear();
    FieldDefs().Clear();
}

void TTable::SetIndexName(const QString &name)
{
    if (name == m_indexName)
        return;
    m_indexName = name;
    m_indexFieldNames.clear();
    if (Active())
        Refresh();
}

void TTable::SetIndexFieldNames(const QString &names)
{
    if (names == m_indexFieldNames)
        return;
    m_indexFieldNames = names;
    if (!names.isEmpty())
        m_indexName.clear();
    if (Active())
        Refresh();
}

void TTable::SetMasterSource(TDataSource *source)
{
    if (source == m_masterSource)
        return;
    if (source && source->DataSet() == this)
        DatabaseError(QStringLiteral("A table cannot be its own master"), this);
    if (m_masterSource)
        m_masterSource->RemoveFreeNotification(this);
    m_masterSource = source;
    if (source)
        source->FreeNotification(this);
    m_masterLink->SetDataSource(source);
    m_masterMoved = true;
}

void TTable::SetMasterFields(const QString &fields)
{
    if (fields == m_masterFields)
        return;
    m_masterFields = fields;
    m_masterMoved = true;
}

void TTable::Notification(TComponent *component, TOperation operation)
{
    TDataSet::Notification(component, operation);
    if (operation == opRemove && component == m_masterSource) {
        m_masterSource = nullptr;
        m_masterLink->SetDataSource(nullptr);
    }
}

QString TTable::resolvedTableName() const
{
    if (m_tableName.trimmed().isEmpty())
        DatabaseError(QStringLiteral("No table name given"), this);
    if (m_resolvedName.isEmpty()) {
        std::shared_ptr<TDbConnection> c = Connection();
        QString name;
        try {
            name = c->ResolveTableName(m_tableName);
        } catch (const EDatabaseError &e) {
            DatabaseError(e.Message(), this);
        }
        if (name.isEmpty())
            DatabaseError(
                QStringLiteral("Table \"%1\" not found in database \"%2\"").arg(m_tableName, m_databaseName),
                this);
        m_resolvedName = name;
    }
    return m_resolvedName;
}

QStringList TTable::ColumnNames() const
{
    if (m_columnNames.isEmpty()) {
        const QString table = resolvedTableName();
        try {
            m_columnNames = Connection()->ColumnNames(table);
        } catch (const EDatabaseError &e) {
            DatabaseError(e.Message(), this);
        }
    }
    return m_columnNames;
}

bool TTable::Exists() const
{
    try {
        resolvedTableName();
        return true;
    } catch (const EDatabaseError &) {
        return false;
    }
}

void TTable::GetIndexNames(QStringList &list)
{
    if (!m_indexDefs.Updated())
        m_indexDefs.Update();
    list.clear();
    for (const TIndexDef &d : m_indexDefs.m_defs)
        if (!d.Name.isEmpty())
            list << d.Name;
}

QStringList TTable::IndexFields() const
{
    if (!m_indexFieldNames.trimmed().isEmpty()) {
        QStringList list;
        for (const QString &f : m_indexFieldNames.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            list << f.trimmed();
        return list;
    }
    auto *self = const_cast<TTable *>(this);
    if (!m_indexDefs.Updated())
        self->m_indexDefs.Update();
    const TIndexDef *def = m_indexDefs.Find(m_indexName);
    if (!def && !m_indexName.isEmpty())
        DatabaseError(QStringLiteral("Index \"%1\" not found in table \"%2\"").arg(m_indexName, m_tableName),
                      this);
    return def ? def->FieldList() : QStringList();
}

QStringList TTable::detailFields() const
{
    const QStringList master = m_masterFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QStringList index = IndexFields();
    if (m_indexFieldNames.trimmed().isEmpty() && m_indexName.isEmpty()) {
        // Without an index chosen, the detail fields are named like the master fields.
        index.clear();
        for (const QString &m : master)
            index << m.trimmed();
    }
    if (index.size() < master.size())
        DatabaseError(QStringLiteral("%1 master fields \"%2\" but only %3 index fields \"%4\"")
                          .arg(master.size())
                          .arg(m_masterFields)
                          .arg(index.size())
                          .arg(index.join(QLatin1Char(';'))),
                      this);
    return index.mid(0, master.size());
}

QVariantList TTable::masterValues() const
{
    QVariantList values;
    TDataSet *master = m_masterLink->DataSet();
    if (!master || !master->Active() || master->IsEmpty())
        return values;
    for (const QString &m : m_masterFields.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        values << master->FieldByName(m.trimmed())->Value();
    return values;
}

QString TTable::whereClause(QVariantList &values) const
{
    if (!m_masterSource || m_masterFields.trimmed().isEmpty())
        return QString();
    const QStringList detail = detailFields();
    const QVariantList mv = m_readMasterValues;
    if (mv.isEmpty())
        return QStringLiteral("1 = 0"); // no master row: no detail rows
    std::shared_ptr<TDbConnection> c = Connection();
    QStringList conds;
    for (int i = 0; i < detail.size(); ++i) {
        if (mv.at(i).isNull()) {
            conds << SqlName(detail.at(i)) + QStringLiteral(" IS NULL");
        } else {
            conds << SqlName(detail.at(i)) + QStringLiteral(" = ?");
            values << DriverValue(*c, mv.at(i));
        }
    }
    return conds.join(QStringLiteral(" AND "));
}

QString TTable::orderClause() const
{
    std::shared_ptr<TDbConnection> c = Connection();
    QStringList fields = IndexFields();
    bool descending = false;
    if (m_indexFieldNames.trimmed().isEmpty()) {
        const TIndexDef *def = m_indexDefs.Find(m_indexName);
        descending = def && (def->Options & ixDescending);
    }
    QStringList parts;
    for (const QString &f : fields)
        parts << SqlName(f) + (descending ? QStringLiteral(" DESC") : QString());
    return parts.join(QStringLiteral(", "));
}

TDataSet::TStatement TTable::SelectStatement() const
{
    std::shared_ptr<TDbConnection> c = Connection();
    TStatement st;
    st.Sql = QStringLiteral("SELECT * FROM %1").arg(c->Quote(resolvedTableName()));
    const QString where = whereClause(st.Values);
    if (!where.isEmpty())
        st.Sql += QStringLiteral(" WHERE ") + where;
    const QString order = orderClause();
    if (!order.isEmpty())
        st.Sql += QStringLiteral(" ORDER BY ") + order;
    return st;
}

TDataSet::TStatement TTable::CountStatement() const
{
    return TDataSet::CountStatement();
}

void TTable::PrepareOpen()
{
    resolvedTableName();
    if (m_masterSource && !m_masterFields.trimmed().isEmpty()) {
        TDataSet *master = m_masterSource->DataSet();
        if (master) {
            for (const QString &m : m_masterFields.split(QLatin1Char(';'), Qt::SkipEmptyParts))
                if (master->Active() && !master->FindField(m.trimmed()))
                    DatabaseError(QStringLiteral("Master field \"%1\" not found in \"%2\"")
                                      .arg(m.trimmed(), master->Name()),
                                  this);
        }
        m_readMasterValues = masterValues();
        m_masterRead = true;
        m_masterMoved = false;
    }
}

bool TTable::NeedsRefresh() const
{
    if (!m_masterMoved || !m_masterSource || m_masterFields.trimmed().isEmpty() || !m_masterRead)
        return false;
    m_masterMoved = false;
    return masterValues() != m_readMasterValues;
}
