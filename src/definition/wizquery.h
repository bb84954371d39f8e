#pragma once

// What the query wizard builds a query from, without any window: the filter
// records and their stored bytes, the SQL text generated from a table name,
// filters and sort fields, copying the wizard's inputs into a wizard query,
// and replacing one query component by another under the same name.

#include "data/fieldtypes.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class TComponent;
class TDataSet;
class TQRDatabaseSettings;
class TQRDWQuery;
class TQuery;
class TWizQuery;

// The comparison a filter makes; the values are the stored operator bytes.
enum TWizOperator {
    woEqual = 0,
    woGreater = 1,
    woLess = 2,
    woLessOrEqual = 3,
    woGreaterOrEqual = 4,
    woLike = 5,
    woBetween = 6,
    woIn = 7,
    woIsNull = 8,
    woIsNotNull = 9,
    woNotEqual = 10,
};

// The operator's SQL text ("=", "LIKE", "IS NOT NULL"); empty for an unknown byte.
QString WizOperatorText(int op);
// The operator byte of an SQL text, case ignored; -1 when there is none.
int WizOperatorFromText(const QString &text);

// One filter condition, its fields in stored order.
struct TWizFilter {
    // Record version byte that introduces the current layout.
    static constexpr quint8 CurrentVersion = 101;

    QString FieldName;          // the column the condition tests
    int Operator = woEqual;     // TWizOperator
    bool OrFlag = false;        // joined to the previous condition with OR instead of AND
    QString Value;              // BETWEEN: two values, IN: a list, separated by the character 0
    int FieldType = ftString;   // the column's TFieldType ordinal
    bool CaseSensitive = false; // compare the text unchanged instead of both sides upper-cased
    // 101 for the current layout; 0 for a record read in (or to be written in)
    // the older layout without version byte, whose type byte says "numeric".
    quint8 Version = CurrentVersion;

    bool operator==(const TWizFilter &other) const = default;

    // Small integer, integer, word, float, currency, BCD and auto-increment columns.
    bool IsNumeric() const;
};

// Parses the stored filter bytes: a count byte, then each record. A record
// whose first byte is 101 has the current layout; one whose first byte is
// below 101 the older one (the type byte a Boolean "numeric": type 3 or 1).
// False, with *problem naming the fault, for truncated bytes, an unknown
// record version, an unknown operator or bytes left after the last record.
// Empty bytes are no filters.
bool ReadWizFilters(const QByteArray &bytes, QList<TWizFilter> *filters, QString *problem = nullptr);
// The stored bytes of filters (each in the layout its Version says; texts cut to 255 characters).
QByteArray WriteWizFilters(const QList<TWizFilter> &filters);

// The SQL lines the wizard generates: "SELECT * FROM <table> Q1", one
// "WHERE " / "  AND " / "   OR " line per filter, then the ORDER BY lines
// (wrapped after a separator once a line reaches 70 characters; the next
// line starts with nine blanks). Texts are quoted with the settings'
// delimiters; a delimiter character inside a quoted value is doubled, and a
// value of a numeric column that is not a number is quoted as a text.
QStringList WizQuerySQL(const QString &tableName, const QList<TWizFilter> &filters,
                        const QStringList &orderFields, const TQRDatabaseSettings &settings);

// What the wizard window hands to a wizard query.
struct TWizQueryInputs {
    QString Name;              // the component name (taken only when no other component bears it)
    QString DatabaseName;      // alias or directory
    QString TableName;         // the table read
    QStringList OrderFields;   // field names, "-" before a descending one
    QList<TWizFilter> Filters; // in row order
};

// Copies the inputs into query (name, table, database, sort fields, filters)
// and generates its SQL.
void AssignWizQueryInputs(TWizQuery *query, const TWizQueryInputs &inputs);

// The display settings of a dataset's fields by field name (label, width,
// visibility, display format), to be put back after the fields were made anew.
struct TFieldDisplaySettings {
    QString DisplayLabel;  // as set, empty when the field shows its name
    int DisplayWidth = -1; // -1: derived from the type
    bool Visible = true;   // shown in lists and grids
    QString DisplayFormat; // numeric and date fields
};
using TFieldDisplayMap = QHash<QString, TFieldDisplaySettings>;
// The settings of every field of dataSet (keys in lower case).
TFieldDisplayMap CaptureFieldDisplay(const TDataSet *dataSet);
// Gives every field of dataSet that has an entry its settings back.
void RestoreFieldDisplay(TDataSet *dataSet, const TFieldDisplayMap &settings);

// Points every component of owner whose DataSet property refers to from at to.
// Returns how many were changed.
int RepointDataSetReferences(TComponent *owner, TDataSet *from, TDataSet *to);

// The wizard ended with "Edit": wizQuery is replaced by a template query that
// takes its database, its SQL lines (as SQL and as template), its master data
// source and its component name; every DataSet reference in designerOwner
// (and in the query's own owner) moves to the new query, and wizQuery is
// freed. Returns the new query (owned like wizQuery was).
TQRDWQuery *ReplaceWizQueryByTemplate(TWizQuery *wizQuery, TComponent *designerOwner);

// The query dialog's "Query Wizard...": query is replaced by a wizard query
// under the same name, on the same database and master, with the designer's
// SQL settings; DataSet references move to it and query is freed.
TWizQuery *ReplaceQueryByWizQuery(TQuery *query, TComponent *designerOwner,
                                  const TQRDatabaseSettings *designerSettings);
