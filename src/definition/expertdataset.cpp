#include "definition/expertdataset.h"

#include "common/screen.h"
#include "data/dataset.h"
#include "data/field.h"
#include "data/params.h"
#include "data/session.h"
#include "data/table.h"
#include "definition/loader.h"
#include "definition/reportdata.h"

#include <exception>

TQRExpertDataset::TQRExpertDataset(TComponent *owner) : m_owner(owner) {}

TQRExpertDataset::~TQRExpertDataset() = default;

QString TQRExpertDataset::NewDatasetName(TComponent *owner, const QString &base, const QString &aliasName)
{
    QString stem = base;
    if (!aliasName.isEmpty() && Session().IsAlias(aliasName)) {
        const QString prefixed = aliasName.section(QLatin1Char('.'), 0, 0) + QLatin1Char('_') + base;
        if (TComponent::IsValidIdent(prefixed))
            stem = prefixed;
    }
    for (int n = 1;; ++n)
        if (!owner->FindComponent(stem + QString::number(n)))
            return stem + QString::number(n);
}

void TQRExpertDataset::Drop()
{
    delete m_ownSource.data();
    delete m_ownDataSet.data();
    m_dataSet = nullptr;
}

void TQRExpertDataset::Release()
{
    m_ownSource = nullptr;
    m_ownDataSet = nullptr;
    m_dataSet = nullptr;
}

bool TQRExpertDataset::MakeTable(const QString &databaseName, const QString &tableName, QString *error)
{
    Drop();
    auto *table = new TTable(m_owner);
    try {
        table->SetName(NewDatasetName(m_owner, DefaultTableName, databaseName));
        table->SetDatabaseName(databaseName);
        table->SetTableName(tableName);
    } catch (const std::exception &e) {
        delete table;
        *error = QString::fromUtf8(e.what());
        return false;
    }
    return finish(table, true, error);
}

bool TQRExpertDataset::MakeQuery(const QString &databaseName, const QString &sql, QString *error)
{
    Drop();
    auto *query = new TQRDWQuery(m_owner);
    query->SetName(NewDatasetName(m_owner, QStringLiteral("Query"), QString()));
    query->SetDatabaseName(databaseName);
    query->SetSQLText(sql);
    // A parameter without a data type is a text.
    for (int i = 0; i < query->Params().Count(); ++i)
        if (TParam *param = query->Params().Items(i); param->DataType() == ftUnknown)
            param->SetDataType(ftString);
    return finish(query, true, error);
}

bool TQRExpertDataset::UseDataSet(TDataSet *dataSet, QString *error)
{
    Drop();
    return finish(dataSet, false, error);
}

QList<TDataSource *> TQRExpertDataset::OutsideDataSources(const TCompLoader *loader)
{
    QList<TDataSource *> sources;
    if (!loader)
        return sources;
    QList<TComponent *> owners{loader->DatabaseOwner()};
    if (loader->UseDataModules())
        owners += TScreen::Instance().DataModules();
    for (TComponent *owner : std::as_const(owners))
        if (owner)
            for (TComponent *c : owner->ComponentList())
                if (auto *source = qobject_cast<TDataSource *>(c); source && source->DataSet())
                    sources.append(source);
    return sources;
}

QStringList TQRExpertDataset::OutsideDataSetNames(const TCompLoader *loader)
{
    QStringList names;
    for (TDataSource *source : OutsideDataSources(loader)) {
        TDataSet *ds = source->DataSet();
        bool visible = ds->FieldCount() == 0;
        for (TField *field : ds->FieldList())
            visible = visible || field->Visible();
        if (visible && !names.contains(ds->Name()))
            names.append(ds->Name());
    }
    return names;
}

bool TQRExpertDataset::NamesOutsideData(const QString &databaseName)
{
    const QString t = databaseName.trimmed();
    return t.isEmpty() || t.startsWith(QLatin1Char('['));
}

bool TQRExpertDataset::UseOutsideDataSet(const QString &name, const TCompLoader *loader, QString *error)
{
    Drop();
    for (TDataSource *source : OutsideDataSources(loader)) {
        TDataSet *ds = source->DataSet();
        if (ds->Name().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        try {
            if (!ds->Active())
                ds->Open();
        } catch (const std::exception &e) {
            *error = QString::fromUtf8(e.what());
            return false;
        }
        m_dataSet = ds;
        return true;
    }
    *error = QStringLiteral("No dataset \"%1\" outside the report").arg(name);
    return false;
}

bool TQRExpertDataset::finish(TDataSet *dataSet, bool own, QString *error)
{
    auto fail = [&](const QString &message) {
        *error = message;
        if (own)
            delete dataSet;
        return false;
    };
    try {
        dataSet->FieldDefs().Update();
    } catch (const std::exception &e) {
        return fail(QString::fromUtf8(e.what()));
    }
    TDataSource *source = nullptr;
    for (TDataSource *s : dataSet->DataSources())
        if (s->Owner() == m_owner)
            source = s;
    if (!source) {
        source = qobject_cast<TDataSource *>(m_owner->FindComponent(QStringLiteral("Datasource1")));
        if (!source) {
            source = new TDataSource(m_owner);
            source->SetName(QStringLiteral("Datasource1"));
            m_ownSource = source;
        }
        source->SetDataSet(dataSet);
    }
    try {
        if (!dataSet->Active())
            dataSet->Open();
    } catch (const std::exception &e) {
        if (m_ownSource) {
            delete m_ownSource.data();
        } else if (own) {
            source->SetDataSet(nullptr);
        }
        return fail(QString::fromUtf8(e.what()));
    }
    // Display labels for the new fields, by field or by table and field.
    const auto *table = qobject_cast<TTable *>(dataSet);
    for (const QString &line : FieldDisplayLabels) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        QString key = line.left(eq).trimmed();
        if (key.startsWith(QLatin1Char('"'))) {
            const qsizetype close = key.indexOf(QStringLiteral("\"."), 1);
            if (close < 0 || !table ||
                key.mid(1, close - 1).compare(table->TableName(), Qt::CaseInsensitive) != 0)
                continue;
            key = key.mid(close + 2);
        }
        if (TField *field = dataSet->FindField(key))
            field->SetDisplayLabel(line.mid(eq + 1));
    }
    m_dataSet = dataSet;
    if (own)
        m_ownDataSet = dataSet;
    return true;
}

QStringList TQRExpertDataset::FieldEntries() const
{
    QStringList entries;
    if (m_dataSet)
        for (TField *field : m_dataSet->FieldList())
            entries << (field->DisplayLabel().isEmpty() ? field->FieldName() : field->DisplayLabel());
    return entries;
}
