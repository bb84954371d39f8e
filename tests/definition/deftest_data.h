#pragma once

// Report data for the data-settings tests: SQLite table files in a temporary
// directory, and a form owning a report with its data sources and datasets as
// a report holder does.

#include "common/component.h"
#include "common/localesettings.h"
#include "common/programdir.h"
#include "common/prompt.h"
#include "data/query.h"
#include "data/session.h"
#include "data/table.h"
#include "engine/report.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace deftest
{

// Creates an SQLite file holding one table filled by the statements.
inline void MakeSqliteFile(const QString &file, const QStringList &statements)
{
    static int counter = 0;
    const QString name = QStringLiteral("deftest-make-%1").arg(++counter);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        for (const QString &s : statements) {
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(s)) << q.lastError().text().toStdString() << " in " << s.toStdString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// The customers table (CustNo, Company, Credit) as a file "customers.sqlite" in dir.
inline void MakeCustomers(const QString &dir)
{
    MakeSqliteFile(
        dir + QStringLiteral("/customers.sqlite"),
        {QStringLiteral("CREATE TABLE customers (CustNo INTEGER, Company VARCHAR(30), Credit FLOAT)"),
         QStringLiteral("INSERT INTO customers VALUES (1, 'Alpha', 10.5), (2, 'Beta', 0), "
                        "(3, 'Gamma', 7)")});
}

// A form owning a report, as the report holder window does; program directory and
// data live in a temporary directory.
class ReportData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        LocaleSettings().Load(QStringLiteral("en_US"));
        ASSERT_TRUE(dir.isValid());
        dataDir = dir.filePath(QStringLiteral("data"));
        programDir = dir.filePath(QStringLiteral("program"));
        reportDir = dir.filePath(QStringLiteral("reports"));
        QDir().mkpath(dataDir);
        QDir().mkpath(programDir);
        QDir().mkpath(reportDir);
        SetProgramDir(programDir);
        MakeCustomers(dataDir);
        form = std::make_unique<TComponent>();
        report = new TQRReport(form.get());
        report->SetName(QStringLiteral("QuickRep1"));
    }
    void TearDown() override
    {
        form.reset();
        Session().CloseDatabases();
        SetProgramDir(QString());
    }

    // A data source named sourceName on the form carrying dataSet.
    TDataSource *AddSource(const QString &sourceName, TDataSet *dataSet)
    {
        auto *source = new TDataSource(form.get());
        source->SetName(sourceName);
        source->SetDataSet(dataSet);
        return source;
    }
    // The customers table of the data directory, with a data source.
    TTable *AddCustomers(const QString &name = QStringLiteral("Customers"))
    {
        auto *table = new TTable(form.get());
        table->SetName(name);
        table->SetDatabaseName(dataDir);
        table->SetTableName(QStringLiteral("customers"));
        AddSource(QStringLiteral("DS") + name, table);
        return table;
    }
    // A query on the data directory with a data source; the name may be empty.
    template <class Q = TQuery>
    Q *AddQuery(const QString &name, const QString &sql, const QString &sourceName)
    {
        auto *query = new Q(form.get());
        if (!name.isEmpty())
            query->SetName(name);
        query->SetDatabaseName(dataDir);
        query->SetSQLText(sql);
        AddSource(sourceName, query);
        return query;
    }

    QTemporaryDir dir;
    QString dataDir, programDir, reportDir;
    std::unique_ptr<TComponent> form;
    TQRReport *report = nullptr;
};

} // namespace deftest
