#pragma once

// A forward cursor over the rows of one statement (internal to the dataset layer).

#include "data/dataset.h"

#include <QSqlQuery>
#include <QVariantList>

#include <memory>

class TDbConnection;

class TSqlCursor
{
public:
    // Runs the statement; raises EDatabaseError (prefixed with who's name) on failure.
    TSqlCursor(std::shared_ptr<TDbConnection> connection, const QString &sql, const QVariantList &values,
               const TComponent *who);
    ~TSqlCursor();
    TSqlCursor(const TSqlCursor &) = delete;
    TSqlCursor &operator=(const TSqlCursor &) = delete;

    const QList<TFieldDef> &Columns() const { return m_columns; }
    int ColumnCount() const { return int(m_columns.size()); }
    // Reads the next row into row (resized to the column count); false at the
    // end, leaving row untouched.
    bool Fetch(QVariantList &row);

private:
    void describeColumns();
    void releaseConnection();

    std::shared_ptr<TDbConnection> m_connection;
    QSqlDatabase m_db;
    bool m_borrowed = false;
    std::unique_ptr<QSqlQuery> m_query;
    const TComponent *m_who;
    QList<TFieldDef> m_columns;
    bool m_havePending = false; // the first row was read to learn undeclared column types
    bool m_finished = false;
};

// Runs a statement whose result is read whole (counts, look-ups, catalogue
// queries) on the main connection; raises on failure.
QSqlQuery RunQuery(TDbConnection &connection, const QString &sql, const QVariantList &values,
                   const TComponent *who);
