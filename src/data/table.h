#pragma once

// A table of a database, optionally ordered by an index and restricted to the
// rows that follow a master dataset's current row.
//
// With MasterSource and MasterFields ("CustNo" or "A;B"), the table shows the
// rows whose index fields (IndexFieldNames, else the fields of IndexName, else
// the fields named like the master fields) equal the master fields of the
// master's current row; it follows the master whenever the master moves.

#include "data/dataset.h"

#include <QStringList>

class TIndexDef
{
public:
    QString Name;   // empty for the primary key
    QString Fields; // "A;B"
    TIndexOptions Options;
    QStringList FieldList() const;
};

class TTable;

class TIndexDefs
{
public:
    explicit TIndexDefs(TTable *table) : m_table(table) {}
    int Count() const { return int(m_defs.size()); }
    const TIndexDef &Items(int index) const { return m_defs.at(index); }
    const TIndexDef &operator[](int index) const { return m_defs.at(index); }
    // By name (case ignored); null when absent.
    const TIndexDef *Find(const QString &name) const;
    // Reads the index definitions of the table from the database.
    void Update();
    bool Updated() const { return m_updated; }
    void Clear();

private:
    friend class TTable;
    TTable *m_table;
    QList<TIndexDef> m_defs;
    bool m_updated = false;
};

class TTable : public TDataSet
{
    Q_OBJECT
    Q_PROPERTY(QString DatabaseName READ DatabaseName WRITE SetDatabaseName)
    Q_PROPERTY(QString IndexFieldNames READ IndexFieldNames WRITE SetIndexFieldNames)
    Q_PROPERTY(QString IndexName READ IndexName WRITE SetIndexName)
    Q_PROPERTY(QString MasterFields READ MasterFields WRITE SetMasterFields)
    Q_PROPERTY(TDataSource *MasterSource READ MasterSource WRITE SetMasterSource)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_CLASSINFO("Default:ReadOnly", "False")
    Q_PROPERTY(QString SessionName READ SessionName WRITE SetSessionName)
    Q_PROPERTY(QString TableName READ TableName WRITE SetTableName)
public:
    Q_INVOKABLE explicit TTable(TComponent *owner = nullptr);
    ~TTable() override;

    QString DatabaseName() const override { return m_databaseName; }
    void SetDatabaseName(const QString &name);
    QString SessionName() const { return m_sessionName; }
    void SetSessionName(const QString &name) { m_sessionName = name; }
    // The table; a desktop file name with its extension ("orders.db") names the same table.
    QString TableName() const { return m_tableName; }
    void SetTableName(const QString &name);
    QString IndexName() const { return m_indexName; }
    // Orders the rows by the named index (empty: the primary key).
    void SetIndexName(const QString &name);
    QString IndexFieldNames() const { return m_indexFieldNames; }
    // Orders the rows by these fields ("A;B"); takes precedence over IndexName.
    void SetIndexFieldNames(const QString &names);
    TDataSource *MasterSource() const { return m_masterSource; }
    void SetMasterSource(TDataSource *source);
    QString MasterFields() const { return m_masterFields; }
    void SetMasterFields(const QString &fields);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool on) { m_readOnly = on; }

    TIndexDefs &IndexDefs() { return m_indexDefs; }
    void GetIndexNames(QStringList &list);
    // The fields the rows are ordered by, and that MasterFields are matched with.
    QStringList IndexFields() const;
    // Whether the table exists in its database.
    bool Exists() const;

protected:
    TStatement SelectStatement() const override;
    TStatement CountStatement() const override;
    void PrepareOpen() override;
    bool NeedsRefresh() const override;
    QStringList ColumnNames() const override;
    void Notification(TComponent *component, TOperation operation) override;

private:
    friend class TIndexDefs;
    class MasterLink;
    QString resolvedTableName() const;
    QString whereClause(QVariantList &values) const;
    QString orderClause() const;
    QStringList detailFields() const;
    QVariantList masterValues() const;

    QString m_databaseName;
    QString m_sessionName;
    QString m_tableName;
    QString m_indexName;
    QString m_indexFieldNames;
    TDataSource *m_masterSource = nullptr;
    QString m_masterFields;
    bool m_readOnly = false;
    TIndexDefs m_indexDefs;
    std::unique_ptr<MasterLink> m_masterLink;
    mutable QString m_resolvedName;
    mutable QStringList m_columnNames;
    mutable QVariantList m_readMasterValues; // master values the rows were read for
    mutable bool m_masterRead = false;
    mutable bool m_masterMoved = false; // the master moved since the values were compared
};
