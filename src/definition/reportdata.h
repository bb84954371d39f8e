#pragma once

// The data components a report carries besides plain tables and queries, and
// what happens to a report's datasets when they are read from a report file:
// locating them on this machine, expanding SQL templates, and setting up
// their fields once the file is read.

#include "common/definedproperties.h"
#include "data/query.h"
#include "definition/databasesettings.h"
#include "definition/wizquery.h"

#include <QByteArray>
#include <QStringList>

#include <functional>

class TQRCustomReport;

// A query whose SQL is produced from a template: "%%expression%%" macros are
// replaced by their values against the report, and "%DEL" drops a line.
class TQRDWQuery : public TQuery
{
    Q_OBJECT
    Q_PROPERTY(QStringList OriginalSQL READ OriginalSQL WRITE SetOriginalSQL)
public:
    Q_INVOKABLE explicit TQRDWQuery(TComponent *owner = nullptr);

    // The template; SQL holds its expansion.
    QStringList OriginalSQL() const { return m_originalSQL; }
    void SetOriginalSQL(const QStringList &lines) { m_originalSQL = lines; }

    // SQL := OriginalSQL expanded against report (QRDExpandSQLTemplate).
    void ExpandSQL(TQRCustomReport *report);

private:
    QStringList m_originalSQL;
};

// A query the designer's query wizard builds from a table, sort fields and
// filters. Its SQL is stored with it; so are the wizard's inputs, so that the
// wizard can be opened on it again. The filter records travel as the bytes
// of the report file's "Filters" property.
class TWizQuery : public TQuery
{
    Q_OBJECT
    Q_PROPERTY(QString TableName READ TableName WRITE SetTableName)
    Q_PROPERTY(QStringList OrderFields READ OrderFields WRITE SetOrderFields)
    Q_PROPERTY(TQRDatabaseSettings *SQLSettings READ SQLSettings CONSTANT)
    Q_PROPERTY(QByteArray Filters READ Filters WRITE SetFilters STORED false)
public:
    Q_INVOKABLE explicit TWizQuery(TComponent *owner = nullptr);

    // The table the query reads (at most 255 characters).
    QString TableName() const { return m_tableName; }
    void SetTableName(const QString &name);
    // Sort fields in order; a leading "-" sorts descending.
    QStringList OrderFields() const { return m_orderFields; }
    void SetOrderFields(const QStringList &fields) { m_orderFields = fields; }
    // The delimiters the wizard generates SQL with.
    TQRDatabaseSettings *SQLSettings() const { return m_sqlSettings; }
    // The filter records as stored: a count byte, then each record (always in the current layout).
    QByteArray Filters() const { return WriteWizFilters(m_filters); }
    // Bytes that do not hold filter records are ignored.
    void SetFilters(const QByteArray &bytes);
    // The filter conditions in order.
    QList<TWizFilter> FilterList() const { return m_filters; }
    void SetFilterList(const QList<TWizFilter> &filters) { m_filters = filters; }
    // The SQL lines the inputs give with SQLSettings.
    QStringList WizardSQL() const { return WizQuerySQL(m_tableName, m_filters, m_orderFields, *m_sqlSettings); }
    // Replaces the SQL lines by WizardSQL().
    void GenerateSQL() { SetSQL(WizardSQL()); }

    // The report file stores the filters as the binary property "Filters", after ParamData.
    QStringList DefinedPropertyNames() const override;
    QVariant DefinedProperty(const QString &name) const override;
    bool SetDefinedProperty(const QString &name, const QVariant &value) override;

private:
    QString m_tableName;
    QStringList m_orderFields;
    TQRDatabaseSettings *m_sqlSettings;
    QList<TWizFilter> m_filters;
};

// Makes TQRDWQuery and TWizQuery creatable by class name (report files, designer).
void RegisterDataSettingsClasses();

// Expands an SQL template line by line: every "%%expression%%" (or "%%" up to
// the end of the line) is replaced by the expression's value against the
// report: a string as it is, an integer in decimal, anything else by nothing.
// Inserted values are not scanned for further macros. Then lines that are
// "%DEL" alone (blanks around allowed) are dropped and "%DEL" is removed from
// the others.
QStringList QRDExpandSQLTemplate(const QStringList &lines, TQRCustomReport *report);

// What a report file's reader hands to QRDLocateDataset.
struct TQRDLocateContext {
    // The directory of the report file; empty for a report read from a stream.
    QString ReportDir;
    // The program directory (ProgramDir()).
    QString ProgramDir;
    // The report SQL templates are expanded against.
    TQRCustomReport *Report = nullptr;
    // The loader's calculated-field handler, installed on the dataset when set.
    std::function<void(TDataSet *dataSet)> CalcFieldsHandler;
    // The loader's BeforeOpenDataset event, raised last when set.
    std::function<void(TDataSet *dataSet)> BeforeOpenDataset;
};

// Runs right after a dataset was read from a report file:
// 1. a table or wizard query in a local directory ("X:\..." or an absolute
//    path) whose table file is not there moves to the report's directory, or
//    else to the program directory, when the table file is found there;
// 2. another query whose local directory does not exist moves likewise to the
//    report's or the program directory when that exists;
// 3. a template query takes its loaded SQL as template when it has none, and
//    otherwise expands its template into SQL;
// 4. the calculated-field handler is installed and BeforeOpenDataset raised.
void QRDLocateDataset(TDataSet *dataSet, const TQRDLocateContext &context);

// Sets up the fields of a dataset that is still closed once its report is
// read: its data fields are made afresh from the field definitions
// (calculated and lookup fields stay), labelled from displayLabels ("Field=Label",
// for tables also "\"Table\".Field=Label"; may be null), and the dataset is
// opened. When it cannot be opened, all its fields are freed and the data
// fields made again, closed. When the database cannot tell the field
// definitions, the fields stay as they were read. Returns whether the dataset is open.
bool QRDSetupFieldsAfterLoading(TDataSet *dataSet, const QStringList *displayLabels);
