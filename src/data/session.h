#pragma once

// Databases and the session that names them.
//
// A database name is one of:
//  - an alias: a section of "databases.ini" in the program directory with
//    Driver (QSQLITE, QPSQL or another Qt Sql driver), Database, and for
//    servers Host, Port, User, Password and Options; a relative SQLite file
//    or directory is taken relative to the program directory. Aliases added
//    with TSession::AddAlias count too;
//  - a directory: a desktop database whose SQLite files (.sqlite, .sqlite3,
//    .db, .db3) and CSV files (.csv, first line the column names) are its
//    tables, the table name being the file name without extension;
//  - an SQLite database file.
// Connections are opened on first use and shared by the datasets of the
// process; a database that does not exist is never created.

#include "common/component.h"
#include "data/dberrors.h"

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

class TSession : public TComponent
{
    Q_OBJECT
    Q_PROPERTY(QString SessionName READ SessionName WRITE SetSessionName)
public:
    Q_INVOKABLE explicit TSession(TComponent *owner = nullptr);
    ~TSession() override;

    QString SessionName() const { return m_sessionName; }
    void SetSessionName(const QString &name) { m_sessionName = name; }

    // Every database name known: aliases of databases.ini and added ones, sorted without regard to case.
    QStringList DatabaseNames() const;
    void GetDatabaseNames(QStringList &list) const { list = DatabaseNames(); }
    // The tables of a database whose names match pattern ("*.*" and "*" for all;
    // wildcards * and ?, case ignored), sorted. With extensions, desktop tables
    // keep their file extensions; system tables are listed only with systemTables.
    // Raises when the database cannot be reached.
    QStringList TableNames(const QString &databaseName, const QString &pattern = QStringLiteral("*.*"),
                           bool extensions = false, bool systemTables = false) const;
    void GetTableNames(const QString &databaseName, const QString &pattern, bool extensions,
                       bool systemTables, QStringList &list) const
    {
        list = TableNames(databaseName, pattern, extensions, systemTables);
    }

    // Aliases defined in the program (not written anywhere). Params are the
    // keys of a databases.ini section: Driver, Database, Host, Port, User, Password, Options.
    void AddAlias(const QString &name, const QMap<QString, QString> &params);
    void DeleteAlias(const QString &name);
    bool IsAlias(const QString &name) const;
    // The alias's parameters (added ones first, then databases.ini); empty when unknown.
    QMap<QString, QString> AliasParams(const QString &name) const;
    // The path of databases.ini.
    static QString AliasFileName();

    // Closes every connection that no open dataset uses, so that changed
    // files and aliases are read anew.
    void CloseDatabases();

private:
    QString m_sessionName;
};

// The process-wide session every dataset uses.
TSession &Session();
