#include "data/dataset.h"

#include "data/connection.h"
#include "data/sqlcursor.h"

#include <QRegularExpression>
#include <QSqlQuery>

namespace
{
// Rows kept behind the current one: Prior within them and First on a result
// this short need no second reading.
const qint64 kWindow = 256;

QString filterToSql(const QString &filter, const std::function<QString(const QString &)> &sqlName)
{
    // Filters are written like SQL conditions; [Field Name] quotes a name and
    // a string compared with = that ends in * matches by prefix.
    QString out;
    const int n = int(filter.size());
    int i = 0;
    while (i < n) {
        const QChar ch = filter.at(i);
        if (ch == QLatin1Char('[')) {
            const int end = int(filter.indexOf(QLatin1Char(']'), i + 1));
            if (end < 0)
                DatabaseError(QStringLiteral("Filter \"%1\": missing \"]\"").arg(filter));
            out += sqlName(filter.mid(i + 1, end - i - 1));
            i = end + 1;
        } else if (ch == QLatin1Char('\'') || ch == QLatin1Char('"')) {
            int j = i + 1;
            QString text;
            bool closed = false;
            while (j < n) {
                if (filter.at(j) == ch) {
                    if (j + 1 < n && filter.at(j + 1) == ch) {
                        text += ch;
                        j += 2;
                        continue;
                    }
                    closed = true;
                    break;
                }
                text += filter.at(j++);
            }
            if (!closed)
                DatabaseError(QStringLiteral("Filter \"%1\": unterminated string").arg(filter));
            i = j + 1;
            // "= 'abc*'" becomes a prefix match.
            QString trimmed = out;
            while (trimmed.endsWith(QLatin1Char(' ')))
                trimmed.chop(1);
            if (text.endsWith(QLatin1Char('*')) && trimmed.endsWith(QLatin1Char('=')) &&
                !trimmed.endsWith(QLatin1String("<=")) && !trimmed.endsWith(QLatin1String(">=")) &&
                !trimmed.endsWith(QLatin1String("!="))) {
                trimmed.chop(1);
                out = trimmed + QStringLiteral(" LIKE ");
                text.chop(1);
                text.replace(QLatin1Char('%'), QLatin1String("\\%"))
                    .replace(QLatin1Char('_'), QLatin1String("\\_"));
                QString lit = text + QLatin1Char('%');
                lit.replace(QLatin1Char('\''), QLatin1String("''"));
                out += QLatin1Char('\'') + lit + QStringLiteral("' ESCAPE '\\'");
            } else {
                text.replace(QLatin1Char('\''), QLatin1String("''"));
                out += QLatin1Char('\'') + text + QLatin1Char('\'');
            }
        } else if (ch == QLatin1Char(';')) {
            DatabaseError(QStringLiteral("Filter \"%1\": \";\" is not allowed").arg(filter));
        } else {
            out += ch;
            ++i;
        }
    }
    return out;
}

} // namespace

// --- Field definitions ------------------------------------------------------------

TField *TFieldDef::CreateField(TComponent *owner, TDataSet *dataSet) const
{
    TField *f = CreateFieldOfType(DataType, owner);
    if (!f)
        DatabaseError(QStringLiteral("Field \"%1\" has a type without field class (%2)")
                          .arg(Name, FieldTypeIdent(DataType)),
                      dataSet);
    f->SetFieldName(Name);
    if (DataType == ftString || DataType == ftWideString || DataType == ftFixedChar || DataType == ftBytes ||
        DataType == ftVarBytes || DataType == ftBCD)
        f->SetSize(Size);
    if (auto *bcd = qobject_cast<TBCDField *>(f))
        bcd->SetPrecision(Precision);
    f->SetRequired(Required);
    if (dataSet) {
        try {
            f->SetDataSet(dataSet);
        } catch (...) {
            delete f;
            throw;
        }
    }
    return f;
}

const TFieldDef *TFieldDefs::Find(const QString &name) const
{
    const int i = IndexOf(name);
    return i < 0 ? nullptr : &m_defs.at(i);
}

int TFieldDefs::IndexOf(const QString &name) const
{
    for (int i = 0; i < m_defs.size(); ++i)
        if (m_defs.at(i).Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TFieldDefs::Update()
{
    if (m_dataSet->Active()) {
        m_updated = true;
        return;
    }
    m_dataSet->PrepareOpen();
    const TDataSet::TStatement st = m_dataSet->filteredStatement();
    std::shared_ptr<TDbConnection> c = m_dataSet->Connection();
    TSqlCursor cursor(c, st.Sql, st.Values, m_dataSet);
    m_dataSet->fillFieldDefs(cursor);
}

void TFieldDefs::Clear()
{
    m_defs.clear();
    m_updated = false;
}

// --- Links and data sources ---------------------------------------------------------

TDataLink::~TDataLink()
{
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource *source)
{
    if (source == m_dataSource)
        return;
    if (m_dataSource)
        m_dataSource->m_links.removeOne(this);
    m_dataSource = source;
    if (source)
        source->m_links << this;
    ActiveChanged();
}

TDataSet *TDataLink::DataSet() const
{
    return m_dataSource && m_dataSource->Enabled() ? m_dataSource->DataSet() : nullptr;
}

bool TDataLink::Active() const
{
    TDataSet *ds = DataSet();
    return ds && ds->Active();
}

TDataSource::TDataSource(TComponent *owner) : TComponent(owner) {}

TDataSource::~TDataSource()
{
    SetDataSet(nullptr);
    const QList<TDataLink *> links = m_links;
    for (TDataLink *l : links)
        l->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet *dataSet)
{
    if (dataSet == m_dataSet)
        return;
    if (m_dataSet) {
        m_dataSet->m_dataSources.removeOne(this);
        m_dataSet->RemoveFreeNotification(this);
    }
    m_dataSet = dataSet;
    if (dataSet) {
        dataSet->m_dataSources << this;
        dataSet->FreeNotification(this);
    }
    notify(ActiveEvent);
}

void TDataSource::SetEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    notify(ActiveEvent);
}

bool TDataSource::IsLinkedTo(const TDataSet *dataSet) const
{
    return m_dataSet && m_dataSet == dataSet && m_dataSet->Active();
}

void TDataSource::Notification(TComponent *component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == m_dataSet) {
        m_dataSet->m_dataSources.removeOne(this);
        m_dataSet = nullptr;
        notify(ActiveEvent);
    }
}

void TDataSource::notify(Event event)
{
    if (!m_enabled && event != ActiveEvent)
        return;
    const QList<TDataLink *> links = m_links;
    for (TDataLink *l : links) {
        if (!m_links.contains(l))
            continue;
        switch (event) {
        case ActiveEvent:
            l->ActiveChanged();
            break;
        case ChangedEvent:
            l->DataSetChanged();
            break;
        case ScrolledEvent:
            l->DataSetScrolled();
            break;
        }
    }
}

// --- Datasets ------------------------------------------------------------------------

TDataSet::TDataSet(TComponent *owner) : TComponent(owner), m_fieldDefs(this) {}

TDataSet::~TDataSet()
{
    m_cursor.reset();
    m_state = dsInactive;
    destroyDefaultFields();
    const QList<TDataSource *> sources = m_dataSources;
    for (TDataSource *s : sources)
        s->SetDataSet(nullptr);
    // Persistent fields are freed with the components this dataset owns; detach them first.
    const QList<TField *> fields = m_fields;
    for (TField *f : fields)
        f->m_dataSet = nullptr;
    m_fields.clear();
}

void TDataSet::Notification(TComponent *component, TOperation operation)
{
    TComponent::Notification(component, operation);
}

std::shared_ptr<TDbConnection> TDataSet::Connection() const
{
    const QString db = DatabaseName();
    if (db.trimmed().isEmpty())
        DatabaseError(QStringLiteral("No database name given"), this);
    try {
        return TDbConnection::Get(db);
    } catch (const EDatabaseError &e) {
        DatabaseError(e.Message(), this);
    }
}

QString TDataSet::QuoteIdentifier(const QString &name) const
{
    return Connection()->Quote(name);
}

QStringList TDataSet::ColumnNames() const
{
    QStringList names;
    for (const TFieldDef &d : m_fieldDefs.m_defs)
        names << d.Name;
    return names;
}

QString TDataSet::SqlName(const QString &field) const
{
    const QString f = field.trimmed();
    for (const QString &c : ColumnNames())
        if (c.compare(f, Qt::CaseInsensitive) == 0)
            return QuoteIdentifier(c);
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return plain.match(f).hasMatch() ? f : QuoteIdentifier(f);
}

void TDataSet::CheckActive() const
{
    if (m_state == dsInactive)
        DatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"), this);
}

void TDataSet::CheckInactive(const QString &what) const
{
    if (m_state != dsInactive)
        DatabaseError(QStringLiteral("Cannot %1 while the dataset is open").arg(what), this);
}

void TDataSet::SetActive(bool on)
{
    if (ComponentState() & csLoading) {
        m_streamedActive = on;
        return;
    }
    if (on)
        Open();
    else
        Close();
}

void TDataSet::Loaded()
{
    TComponent::Loaded();
    if (m_streamedActive) {
        m_streamedActive = false;
        try {
            Open();
            m_loadError.clear();
        } catch (const EDatabaseError &e) {
            m_loadError = e.Message();
        }
    }
}

void TDataSet::SetFilter(const QString &filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    if (Active() && m_filtered)
        Refresh();
}

void TDataSet::SetFiltered(bool on)
{
    if (on == m_filtered)
        return;
    m_filtered = on;
    if (Active())
        Refresh();
}

TDataSet::TStatement TDataSet::CountStatement() const
{
    const TStatement st = filteredStatement();
    return {QStringLiteral("SELECT COUNT(*) FROM (%1) tabulon_count").arg(st.Sql), st.Values};
}

TDataSet::TStatement TDataSet::filteredStatement() const
{
    TStatement st = SelectStatement();
    if (m_filtered && !m_filter.trimmed().isEmpty()) {
        const QString cond = filterToSql(m_filter, [this](const QString &n) { return SqlName(n); });
        st.Sql = QStringLiteral("SELECT * FROM (%1) tabulon_filter WHERE %2").arg(st.Sql, cond);
    }
    return st;
}

void TDataSet::fillFieldDefs(const TSqlCursor &cursor)
{
    m_fieldDefs.m_defs = cursor.Columns();
    m_fieldDefs.m_updated = true;
}

void TDataSet::openCursor() const
{
    const TStatement st = filteredStatement();
    if (!m_connection)
        m_connection = Connection();
    m_cursor.reset();
    m_cursor = std::make_unique<TSqlCursor>(m_connection, st.Sql, st.Values, this);
    m_fetched = 0;
    m_recNo = -1;
    m_atEnd = false;
    m_recordCount = -1;
}

bool TDataSet::fetchRow() const
{
    if (m_atEnd || !m_cursor)
        return false;
    if (qint64(m_window.size()) < kWindow && m_fetched >= qint64(m_window.size()))
        m_window.emplace_back();
    QVariantList &slot = m_window[size_t(m_fetched % kWindow)];
    bool ok = false;
    try {
        ok = m_cursor->Fetch(slot);
    } catch (...) {
        m_atEnd = true;
        throw;
    }
    if (!ok) {
        m_atEnd = true;
        m_recordCount = m_fetched;
        return false;
    }
    ++m_fetched;
    return true;
}

void TDataSet::restartAt(int recNo) const
{
    openCursor();
    while (m_fetched <= recNo && fetchRow()) {
    }
    m_recNo = m_fetched == 0 ? -1 : std::min<qint64>(recNo, m_fetched - 1);
}

void TDataSet::moveTo(int recNo) const
{
    if (recNo < 0)
        recNo = 0;
    if (recNo < m_fetched && recNo >= m_fetched - kWindow) {
        m_recNo = recNo;
        return;
    }
    if (recNo < m_fetched - kWindow) {
        restartAt(recNo);
        return;
    }
    while (m_fetched <= recNo && fetchRow()) {
    }
    m_recNo = m_fetched == 0 ? -1 : std::min<qint64>(recNo, m_fetched - 1);
}

const QVariant *TDataSet::currentRow() const
{
    ensureFresh();
    if (m_state == dsInactive || m_recNo < 0)
        return nullptr;
    return m_window[size_t(m_recNo % kWindow)].constData();
}

void TDataSet::Open()
{
    if (Active())
        return;
    if (BeforeOpen)
        BeforeOpen(this);
    try {
        PrepareOpen();
        m_connection.reset();
        openCursor();
        fillFieldDefs(*m_cursor);
        if (m_fields.isEmpty())
            createDefaultFields();
        else
            bindFields();
        m_state = dsBrowse;
        m_window.clear();
        m_window.reserve(16);
        moveTo(0);
        m_bof = true;
        m_eof = m_recNo < 0;
        calculateFields();
    } catch (...) {
        m_cursor.reset();
        m_connection.reset();
        m_state = dsInactive;
        destroyDefaultFields();
        for (TField *f : std::as_const(m_fields))
            f->m_fieldNo = -1;
        throw;
    }
    for (TDataSource *s : std::as_const(m_dataSources))
        s->notify(TDataSource::ActiveEvent);
    if (AfterOpen)
        AfterOpen(this);
}

void TDataSet::Close()
{
    if (!Active())
        return;
    if (BeforeClose)
        BeforeClose(this);
    m_cursor.reset();
    m_connection.reset();
    m_window.clear();
    m_fetched = 0;
    m_recNo = -1;
    m_atEnd = false;
    m_eof = m_bof = true;
    m_recordCount = -1;
    m_state = dsInactive;
    destroyDefaultFields();
    for (TField *f : std::as_const(m_fields)) {
        f->m_fieldNo = -1;
        f->m_calcValue = QVariant();
    }
    for (TDataSource *s : std::as_const(m_dataSources))
        s->notify(TDataSource::ActiveEvent);
    if (AfterClose)
        AfterClose(this);
}

void TDataSet::Refresh()
{
    if (!Active())
        return;
    RefreshRows();
}

void TDataSet::RefreshRows() const
{
    auto *self = const_cast<TDataSet *>(this);
    try {
        self->PrepareOpen();
        openCursor();
        moveTo(0);
    } catch (...) {
        // The rows are gone; show an empty result rather than stale ones.
        m_cursor.reset();
        m_fetched = 0;
        m_recNo = -1;
        m_atEnd = true;
        m_eof = m_bof = true;
        throw;
    }
    m_bof = true;
    m_eof = m_recNo < 0;
    calculateFields();
    self->NotifyChanged();
}

void TDataSet::createDefaultFields()
{
    for (const TFieldDef &def : std::as_const(m_fieldDefs.m_defs)) {
        TField *f = CreateFieldOfType(def.DataType, nullptr);
        if (!f)
            f = new TStringField(nullptr);
        f->m_fieldName = def.Name;
        if (def.DataType == ftString || def.DataType == ftWideString || def.DataType == ftBytes ||
            def.DataType == ftVarBytes || def.DataType == ftBCD)
            f->SetSize(def.Size);
        if (auto *bcd = qobject_cast<TBCDField *>(f))
            bcd->SetPrecision(def.Precision);
        f->SetRequired(def.Required);
        f->m_dataSet = this;
        f->m_fieldNo = def.FieldNo - 1;
        m_fields << f;
        m_ownFields << f;
    }
    m_defaultFields = true;
}

void TDataSet::destroyDefaultFields()
{
    const QList<TField *> own = m_ownFields;
    m_ownFields.clear();
    for (TField *f : own) {
        m_fields.removeOne(f);
        f->m_dataSet = nullptr;
        delete f;
    }
    m_defaultFields = false;
}

void TDataSet::bindFields()
{
    m_defaultFields = false;
    for (TField *f : std::as_const(m_fields)) {
        f->m_fieldNo = -1;
        f->m_calcValue = QVariant();
        if (f->FieldKind() != fkData)
            continue;
        const int i = m_fieldDefs.IndexOf(f->FieldName());
        if (i < 0)
            DatabaseError(QStringLiteral("Field \"%1\" not found").arg(f->FieldName()), this);
        f->m_fieldNo = m_fieldDefs.m_defs.at(i).FieldNo - 1;
    }
}

void TDataSet::attachField(TField *field)
{
    if (!m_fields.contains(field))
        m_fields << field;
}

void TDataSet::detachField(TField *field)
{
    m_fields.removeOne(field);
    m_ownFields.removeOne(field);
}

void TDataSet::DestroyFields(bool dataFields, bool calculatedAndLookup)
{
    CheckInactive(QStringLiteral("free fields"));
    const QList<TField *> fields = m_fields;
    for (TField *f : fields) {
        const bool data = f->FieldKind() == fkData;
        if ((data && dataFields) || (!data && calculatedAndLookup)) {
            m_fields.removeOne(f);
            f->m_dataSet = nullptr;
            delete f;
        }
    }
}

void TDataSet::calculateFields() const
{
    if (!OnCalcFields || !m_autoCalcFields)
        return;
    bool any = false;
    for (TField *f : m_fields)
        if (f->Calculated()) {
            f->m_calcValue = QVariant();
            any = true;
        }
    if (!any || m_recNo < 0 || m_calculating)
        return;
    auto *self = const_cast<TDataSet *>(this);
    m_calculating = true;
    self->m_state = dsCalcFields;
    try {
        OnCalcFields(self);
    } catch (...) {
        self->m_state = dsBrowse;
        m_calculating = false;
        throw;
    }
    self->m_state = dsBrowse;
    m_calculating = false;
}

void TDataSet::NotifyChanged()
{
    for (TDataSource *s : std::as_const(m_dataSources))
        s->notify(TDataSource::ChangedEvent);
}

void TDataSet::NotifyScrolled()
{
    for (TDataSource *s : std::as_const(m_dataSources))
        s->notify(TDataSource::ScrolledEvent);
}

// --- Navigation ---------------------------------------------------------------------

void TDataSet::First()
{
    CheckActive();
    ensureFresh();
    const qint64 before = m_recNo;
    if (m_fetched > 0 && m_fetched <= kWindow)
        m_recNo = 0;
    else if (m_fetched > 0 || !m_atEnd)
        restartAt(0);
    m_bof = true;
    m_eof = m_recNo < 0;
    if (m_recNo != before) {
        calculateFields();
        NotifyScrolled();
    }
}

void TDataSet::Next()
{
    CheckActive();
    ensureFresh();
    if (m_eof)
        return;
    if (m_recNo + 1 < m_fetched) {
        ++m_recNo;
    } else if (fetchRow()) {
        m_recNo = m_fetched - 1;
    } else {
        m_eof = true;
        return;
    }
    m_bof = false;
    calculateFields();
    NotifyScrolled();
}

void TDataSet::Prior()
{
    CheckActive();
    ensureFresh();
    if (m_recNo <= 0) {
        m_bof = true;
        return;
    }
    moveTo(int(m_recNo - 1));
    m_bof = false;
    m_eof = false;
    calculateFields();
    NotifyScrolled();
}

void TDataSet::Last()
{
    CheckActive();
    ensureFresh();
    while (fetchRow()) {
    }
    const qint64 before = m_recNo;
    m_recNo = m_fetched - 1;
    m_eof = true;
    m_bof = m_recNo <= 0;
    if (m_recNo != before) {
        calculateFields();
        NotifyScrolled();
    }
}

int TDataSet::MoveBy(int distance)
{
    int moved = 0;
    while (distance > 0 && !Eof()) {
        const qint64 before = m_recNo;
        Next();
        if (m_recNo == before)
            break;
        ++moved;
        --distance;
    }
    while (distance < 0 && !Bof()) {
        const qint64 before = m_recNo;
        Prior();
        if (m_recNo == before)
            break;
        --moved;
        ++distance;
    }
    return moved;
}

bool TDataSet::Eof() const
{
    ensureFresh();
    return m_state == dsInactive || m_eof;
}

bool TDataSet::Bof() const
{
    ensureFresh();
    return m_state == dsInactive || m_bof;
}

bool TDataSet::IsEmpty() const
{
    ensureFresh();
    return m_state == dsInactive || m_recNo < 0;
}

int TDataSet::RecordCount() const
{
    CheckActive();
    ensureFresh();
    if (m_atEnd)
        return int(m_fetched);
    if (m_recordCount < 0) {
        const TStatement st = CountStatement();
        QSqlQuery q = RunQuery(*m_connection, st.Sql, st.Values, this);
        m_recordCount = q.next() ? q.value(0).toLongLong() : 0;
    }
    return int(m_recordCount);
}

int TDataSet::RecNo() const
{
    ensureFresh();
    return m_state == dsInactive ? 0 : int(m_recNo + 1);
}

// --- Fields ---------------------------------------------------------------------------

TField *TDataSet::Fields(int index) const
{
    if (index < 0 || index >= m_fields.size())
        DatabaseError(
            QStringLiteral("Field index %1 out of range (%2 fields)").arg(index).arg(m_fields.size()), this);
    return m_fields.at(index);
}

TField *TDataSet::FindField(const QString &name) const
{
    for (TField *f : m_fields)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    return nullptr;
}

TField *TDataSet::FieldByName(const QString &name) const
{
    TField *f = FindField(name);
    if (!f)
        DatabaseError(QStringLiteral("Field \"%1\" not found").arg(name), this);
    return f;
}

QStringList TDataSet::FieldNames() const
{
    QStringList names;
    if (m_fields.isEmpty() && !Active()) {
        for (const TFieldDef &d : m_fieldDefs.m_defs)
            names << d.Name;
        return names;
    }
    for (TField *f : m_fields)
        names << f->FieldName();
    return names;
}

QVariant TDataSet::Lookup(const QString &keyFields, const QVariantList &keyValues, const QString &resultField)
{
    CheckActive();
    const QStringList keys = keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (keys.isEmpty() || keys.size() != keyValues.size())
        DatabaseError(
            QStringLiteral("Lookup needs one value for each of the key fields \"%1\"").arg(keyFields), this);
    for (const QVariant &v : keyValues)
        if (v.isNull())
            return QVariant();
    const TStatement st = filteredStatement();
    QStringList conds;
    QVariantList values = st.Values;
    for (int i = 0; i < keys.size(); ++i) {
        const QString k = keys.at(i).trimmed();
        if (m_fieldDefs.IndexOf(k) < 0)
            DatabaseError(QStringLiteral("Field \"%1\" not found").arg(k), this);
        conds << SqlName(k) + QStringLiteral(" = ?");
        values << keyValues.at(i);
    }
    if (m_fieldDefs.IndexOf(resultField.trimmed()) < 0)
        DatabaseError(QStringLiteral("Field \"%1\" not found").arg(resultField), this);
    const QString sql = QStringLiteral("SELECT %1 FROM (%2) tabulon_lookup WHERE %3 LIMIT 1")
                            .arg(SqlName(resultField), st.Sql, conds.join(QStringLiteral(" AND ")));
    QSqlQuery q = RunQuery(*m_connection, sql, values, this);
    return q.next() ? q.value(0) : QVariant();
}
