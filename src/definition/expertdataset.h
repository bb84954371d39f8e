#pragma once

// The main dataset the report expert makes for a new report: a table or a
// template query with the report's data source "Datasource1", opened, with
// its fields offered by display label. The expert's window and
// "tabulon-qr2 new" both make their datasets here.

#include "data/dataset.h"

#include <QPointer>
#include <QString>
#include <QStringList>

class TComponent;
class TCompLoader;

class TQRExpertDataset
{
public:
    // owner: the report's owner, which gets the dataset and its data source.
    explicit TQRExpertDataset(TComponent *owner);
    ~TQRExpertDataset();

    // "Field=Label" and "\"Table\".Field=Label" lines applied to new fields.
    QStringList FieldDisplayLabels;
    // The base of new table names (the message "DefaultTableName").
    QString DefaultTableName = QStringLiteral("Table");

    // Drops the dataset made before (and a data source made for it), then
    // makes and opens a table; false with the cause, nothing left behind.
    bool MakeTable(const QString &databaseName, const QString &tableName, QString *error);
    // The same with a template query reading sql.
    bool MakeQuery(const QString &databaseName, const QString &sql, QString *error);
    // Uses a dataset made elsewhere (a preset one): finds or makes its data source and opens it.
    bool UseDataSet(TDataSet *dataSet, QString *error);
    // Uses the dataset named name of a data source outside the report (see
    // OutsideDataSources); false when there is none or it cannot be opened.
    bool UseOutsideDataSet(const QString &name, const TCompLoader *loader, QString *error);
    // Frees the dataset and data source this object made.
    void Drop();
    // Forgets them without freeing (what was built stays with the owner).
    void Release();

    // The main dataset, or null.
    TDataSet *DataSet() const { return m_dataSet; }
    // Whether the main dataset was made here (not preset, not outside the report).
    bool OwnsDataSet() const { return m_ownDataSet && m_ownDataSet == m_dataSet; }
    // The entry of every field: its display label, or its name when the label is empty.
    QStringList FieldEntries() const;

    // The data sources outside the report a new report may read: those of
    // the loader's DatabaseOwner and, with UseDataModules, of every data module.
    static QList<TDataSource *> OutsideDataSources(const TCompLoader *loader);
    // The names of their datasets that have at least one visible field.
    static QStringList OutsideDataSetNames(const TCompLoader *loader);
    // Whether a database text asks for outside datasets: empty or beginning with "[".
    static bool NamesOutsideData(const QString &databaseName);

    // The name a new dataset gets: base with the first free number, for a
    // table of an alias preceded by the alias up to its first "." and "_".
    static QString NewDatasetName(TComponent *owner, const QString &base, const QString &aliasName);

private:
    bool finish(TDataSet *dataSet, bool own, QString *error);

    TComponent *m_owner;
    QPointer<TDataSet> m_dataSet;
    QPointer<TDataSet> m_ownDataSet;
    QPointer<TDataSource> m_ownSource;
};
