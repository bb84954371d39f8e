#pragma once

// A dataset read with an SQL statement. Each name after ":" in the SQL is a
// parameter. With DataSource set, parameters without the Bound mark take the
// values of the master fields of the same name, and the query reads its rows
// again whenever the master moves.

#include "common/definedproperties.h"
#include "data/dataset.h"
#include "data/params.h"

#include <QStringList>

class TQuery : public TDataSet, public TDefinedProperties
{
    Q_OBJECT
    Q_PROPERTY(QString DatabaseName READ DatabaseName WRITE SetDatabaseName)
    Q_PROPERTY(TDataSource *DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool ParamCheck READ ParamCheck WRITE SetParamCheck)
    Q_CLASSINFO("Default:ParamCheck", "True")
    Q_PROPERTY(bool RequestLive READ RequestLive WRITE SetRequestLive)
    Q_CLASSINFO("Default:RequestLive", "False")
    Q_PROPERTY(QString SessionName READ SessionName WRITE SetSessionName)
    Q_PROPERTY(QStringList SQL READ SQL WRITE SetSQL)
    Q_PROPERTY(bool UniDirectional READ UniDirectional WRITE SetUniDirectional)
    Q_CLASSINFO("Default:UniDirectional", "False")
public:
    Q_INVOKABLE explicit TQuery(TComponent *owner = nullptr);
    ~TQuery() override;

    QString DatabaseName() const override { return m_databaseName; }
    void SetDatabaseName(const QString &name);
    QString SessionName() const { return m_sessionName; }
    void SetSessionName(const QString &name) { m_sessionName = name; }
    TDataSource *DataSource() const { return m_dataSource; }
    void SetDataSource(TDataSource *source);
    bool RequestLive() const { return m_requestLive; }
    void SetRequestLive(bool on) { m_requestLive = on; }
    bool UniDirectional() const { return m_uniDirectional; }
    void SetUniDirectional(bool on) { m_uniDirectional = on; }
    // When on, setting SQL rebuilds Params.
    bool ParamCheck() const { return m_paramCheck; }
    void SetParamCheck(bool on) { m_paramCheck = on; }

    QStringList SQL() const { return m_sql; }
    // Closes the query and rebuilds the parameters; those whose names stay keep their values.
    void SetSQL(const QStringList &lines);
    void SetSQLText(const QString &text);
    QString SQLText() const { return m_sql.join(QLatin1Char('\n')); }

    TParams &Params() { return m_params; }
    const TParams &Params() const { return m_params; }
    int ParamCount() const { return m_params.Count(); }
    TParam *ParamByName(const QString &name) const { return m_params.ParamByName(name); }
    TParam *FindParam(const QString &name) const { return m_params.FindParam(name); }

    // Runs a statement that yields no rows (INSERT, UPDATE, DDL); returns the rows affected.
    int ExecSQL();
    int RowsAffected() const { return m_rowsAffected; }
    void Prepare() {}
    void UnPrepare() {}

    // Stored components keep the parameters as the collection "ParamData": one
    // item per parameter with DataType, Name, ParamType and Value where one is
    // set. Loading it leaves the Bound marks alone; those are stored apart.
    QStringList DefinedPropertyNames() const override;
    QVariant DefinedProperty(const QString &name) const override;
    bool SetDefinedProperty(const QString &name, const QVariant &value) override;

protected:
    TStatement SelectStatement() const override;
    void PrepareOpen() override;
    bool NeedsRefresh() const override;
    void Notification(TComponent *component, TOperation operation) override;

private:
    class MasterLink;
    void takeMasterValues() const;
    QVariantList currentMasterValues() const;
    QVariantList bindValues() const;

    QString m_databaseName;
    QString m_sessionName;
    TDataSource *m_dataSource = nullptr;
    bool m_requestLive = false;
    bool m_uniDirectional = false;
    bool m_paramCheck = true;
    QStringList m_sql;
    QString m_parsedSql;
    TParams m_params;
    int m_rowsAffected = -1;
    std::unique_ptr<MasterLink> m_masterLink;
    mutable QVariantList m_readMasterValues;
    mutable QList<TParam *> m_masterFilled; // parameters that took their value from the master
    mutable bool m_masterMoved = false;
};
