#pragma once

// Datasets: rows of typed fields read from a database, walked with
// First/Next/Prior until Eof.
//
// A dataset reads its rows forward through a database cursor and keeps only a
// small window of recent rows, so that walking a large result from First to
// Eof holds little in memory while Prior (one step back around group ends) and
// First on a short result stay cheap. Stepping back beyond the window runs the
// statement again. RecordCount asks the database when the rows have not all
// been read yet.
//
// Every failure raises EDatabaseError with a message naming what failed.

#include "common/component.h"
#include "data/dberrors.h"
#include "data/field.h"
#include "data/fieldtypes.h"

#include <QList>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class TDataSet;
class TDataSource;
class TSqlCursor;
class TDbConnection;

// The definition of one column as the database reports it.
class TFieldDef
{
public:
    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;      // characters, bytes, or decimals of a BCD column
    int Precision = 0; // digits of a BCD column
    bool Required = false;
    int FieldNo = 0; // 1-based column position

    // A new field of the class for DataType with this definition's name and
    // size, owned by owner (persistent, when owner is the dataset) and attached
    // to dataSet.
    TField *CreateField(TComponent *owner, TDataSet *dataSet) const;
};

class TFieldDefs
{
public:
    explicit TFieldDefs(TDataSet *dataSet) : m_dataSet(dataSet) {}
    int Count() const { return int(m_defs.size()); }
    const TFieldDef &Items(int index) const { return m_defs.at(index); }
    const TFieldDef &operator[](int index) const { return m_defs.at(index); }
    // Definition by name (case ignored); null when absent.
    const TFieldDef *Find(const QString &name) const;
    int IndexOf(const QString &name) const;
    // Reads the definitions from the database (runs the statement without
    // reading its rows when the dataset is closed).
    void Update();
    bool Updated() const { return m_updated; }
    void Clear();

private:
    friend class TDataSet;
    TDataSet *m_dataSet;
    QList<TFieldDef> m_defs;
    bool m_updated = false;
};

// Something that follows a data source: a detail dataset, a data-aware
// element. The data source tells it when its dataset opens, closes, changes
// its rows or moves to another row.
class TDataLink
{
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink &) = delete;
    TDataLink &operator=(const TDataLink &) = delete;

    TDataSource *DataSource() const { return m_dataSource; }
    void SetDataSource(TDataSource *source);
    TDataSet *DataSet() const;
    bool Active() const;

protected:
    friend class TDataSource;
    virtual void ActiveChanged() {}
    // The rows were (re)read: opened, refreshed, or following a master.
    virtual void DataSetChanged() {}
    // The current row changed.
    virtual void DataSetScrolled() {}

private:
    TDataSource *m_dataSource = nullptr;
};

class TDataSource : public TComponent
{
    Q_OBJECT
    Q_PROPERTY(bool AutoEdit READ AutoEdit WRITE SetAutoEdit)
    Q_CLASSINFO("Default:AutoEdit", "True")
    Q_PROPERTY(TDataSet *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_CLASSINFO("Default:Enabled", "True")
public:
    Q_INVOKABLE explicit TDataSource(TComponent *owner = nullptr);
    ~TDataSource() override;

    TDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TDataSet *dataSet);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool on);
    bool AutoEdit() const { return m_autoEdit; }
    void SetAutoEdit(bool on) { m_autoEdit = on; }
    // Whether the dataset is set and open.
    bool IsLinkedTo(const TDataSet *dataSet) const;

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    friend class TDataSet;
    friend class TDataLink;
    enum Event { ActiveEvent, ChangedEvent, ScrolledEvent };
    void notify(Event event);

    TDataSet *m_dataSet = nullptr;
    bool m_enabled = true;
    bool m_autoEdit = true;
    QList<TDataLink *> m_links;
};

class TDataSet : public TComponent
{
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_CLASSINFO("Default:Active", "False")
    Q_PROPERTY(bool AutoCalcFields READ AutoCalcFields WRITE SetAutoCalcFields)
    Q_CLASSINFO("Default:AutoCalcFields", "True")
    Q_PROPERTY(QString Filter READ Filter WRITE SetFilter)
    Q_PROPERTY(bool Filtered READ Filtered WRITE SetFiltered)
    Q_CLASSINFO("Default:Filtered", "False")

public:
    ~TDataSet() override;

    // --- Opening and closing ---
    void Open();
    void Close();
    bool Active() const { return m_state != dsInactive; }
    // While the component is loading the value is remembered and applied in Loaded().
    void SetActive(bool on);
    TDataSetState State() const { return m_state; }
    // Closes and opens again, keeping the fields.
    void Refresh();
    // The message of the failed open of a stored Active dataset after loading; empty otherwise.
    QString LoadError() const { return m_loadError; }

    // --- Navigation ---
    void First();
    void Next();
    void Prior();
    void Last();
    // Moves by distance rows (negative: back); returns the rows actually moved.
    int MoveBy(int distance);
    // True when Next found no further row, and right after First or Open on an empty result.
    bool Eof() const;
    // True right after First or Open, and when Prior found no earlier row.
    bool Bof() const;
    bool IsEmpty() const;
    // The number of rows of the result (asked from the database when not all have been read).
    int RecordCount() const;
    // 1-based number of the current row; 0 when closed or empty.
    int RecNo() const;

    // --- Fields ---
    int FieldCount() const { return int(m_fields.size()); }
    TField *Fields(int index) const;
    const QList<TField *> &FieldList() const { return m_fields; }
    // The field of that name (case ignored); raises when there is none.
    TField *FieldByName(const QString &name) const;
    // The field of that name (case ignored); null when there is none.
    TField *FindField(const QString &name) const;
    QStringList FieldNames() const;
    void GetFieldNames(QStringList &list) const { list = FieldNames(); }
    // True while the fields are the ones the dataset created itself on opening
    // (no persistent fields); they are recreated by every Open.
    bool DefaultFields() const { return m_defaultFields; }
    TFieldDefs &FieldDefs() { return m_fieldDefs; }
    const TFieldDefs &FieldDefs() const { return m_fieldDefs; }
    // Frees every field of the given kinds (owned persistent fields included).
    void DestroyFields(bool dataFields = true, bool calculatedAndLookup = true);

    // The value of resultField in the first row whose keyFields ("A;B")
    // equal keyValues; a null QVariant when there is no such row.
    QVariant Lookup(const QString &keyFields, const QVariantList &keyValues, const QString &resultField);

    QString Filter() const { return m_filter; }
    void SetFilter(const QString &filter);
    bool Filtered() const { return m_filtered; }
    void SetFiltered(bool on);
    bool AutoCalcFields() const { return m_autoCalcFields; }
    void SetAutoCalcFields(bool on) { m_autoCalcFields = on; }

    // Data sources whose DataSet is this dataset.
    const QList<TDataSource *> &DataSources() const { return m_dataSources; }

    // Events, called only when set.
    std::function<void(TDataSet *)> BeforeOpen;
    std::function<void(TDataSet *)> AfterOpen;
    std::function<void(TDataSet *)> BeforeClose;
    std::function<void(TDataSet *)> AfterClose;
    // Fills the calculated fields of the current row.
    std::function<void(TDataSet *)> OnCalcFields;

    // The database alias, directory or file the dataset reads; empty for none.
    virtual QString DatabaseName() const { return QString(); }

protected:
    explicit TDataSet(TComponent *owner = nullptr);

    // The statement a subclass reads its rows with: SQL with '?' placeholders and their values.
    struct TStatement {
        QString Sql;
        QVariantList Values;
    };
    // The rows of the dataset, without Filter (the base class applies Filter to it).
    virtual TStatement SelectStatement() const = 0;
    // A statement that counts the rows of SelectStatement (default: wraps it).
    virtual TStatement CountStatement() const;
    // Called before the rows are read (again): subclasses check their settings
    // and take values from their master.
    virtual void PrepareOpen() {}
    // Whether the rows depend on a master that moved since they were read.
    virtual bool NeedsRefresh() const { return false; }
    // Tells links and details that rows were (re)read or the row changed.
    void NotifyChanged();
    void NotifyScrolled();
    void Loaded() override;
    void Notification(TComponent *component, TOperation operation) override;
    std::shared_ptr<TDbConnection> Connection() const;
    // Reads the rows again after NeedsRefresh reported a change (keeps the fields).
    void RefreshRows() const;
    void CheckActive() const;
    void CheckInactive(const QString &what) const;
    // Quoting of identifiers for the dataset's database.
    QString QuoteIdentifier(const QString &name) const;
    // The columns of the rows, as the database spells them (for matching field
    // names without regard to case); default: the field definitions.
    virtual QStringList ColumnNames() const;
    // A field name as SQL text: the column's own spelling quoted when known,
    // a plain name as it stands, anything else quoted.
    QString SqlName(const QString &field) const;

private:
    friend class TField;
    friend class TFieldDefs;
    friend class TDataSource;

    void ensureFresh() const
    {
        if (m_state != dsInactive && NeedsRefresh())
            RefreshRows();
    }
    const QVariant *currentRow() const;
    void attachField(TField *field);
    void detachField(TField *field);
    void bindFields();
    void createDefaultFields();
    void destroyDefaultFields();
    void openCursor() const;
    bool fetchRow() const;
    void moveTo(int recNo) const;
    void restartAt(int recNo) const;
    void calculateFields() const;
    void fillFieldDefs(const TSqlCursor &cursor);
    TStatement filteredStatement() const;

    TDataSetState m_state = dsInactive;
    QList<TField *> m_fields;
    QList<TField *> m_ownFields; // created by Open without persistent fields
    bool m_defaultFields = false;
    TFieldDefs m_fieldDefs;
    QList<TDataSource *> m_dataSources;
    QString m_filter;
    bool m_filtered = false;
    bool m_autoCalcFields = true;
    bool m_streamedActive = false;
    QString m_loadError;

    // Reading state (mutable: reading rows on demand is not a visible change).
    mutable std::unique_ptr<TSqlCursor> m_cursor;
    mutable std::shared_ptr<TDbConnection> m_connection;
    mutable std::vector<QVariantList> m_window; // ring of the last rows read
    mutable qint64 m_fetched = 0;               // rows read from the cursor so far
    mutable qint64 m_recNo = -1;                // 0-based current row, -1 for none
    mutable bool m_atEnd = false;               // the cursor has no more rows
    mutable bool m_eof = true;
    mutable bool m_bof = true;
    mutable qint64 m_recordCount = -1;
    mutable bool m_calculating = false;
    QVariantList m_emptyRow;
};
