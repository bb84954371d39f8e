#pragma once

// The table chooser "Open table": a table is chosen either on a database
// alias (of databases.ini or added to the session) or in a directory, whose
// SQLite and CSV files are its tables. The result is the database (the
// alias or the directory) and the table name.

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

class TDBOpenForm : public QDialog
{
    Q_OBJECT
public:
    // Starts on the current directory with the aliases listed and "*.DB*" as file name.
    explicit TDBOpenForm(QWidget *parent = nullptr);

    // The database shown first: an alias selects it in the alias list, a
    // directory opens the directory lists on it. Empty: the current directory.
    void SetDatabaseName(const QString &database);
    // The table selected first (and typed into the file name field when it is not listed).
    void SetTableName(const QString &table);
    // The chosen database: an alias, or a directory (without trailing separator).
    QString DatabaseName() const { return m_database; }
    // The chosen table: the selected list entry or a name typed without wildcards.
    QString TableName() const;
    // Whether DatabaseName is an alias (else a directory).
    bool IsAlias() const { return m_alias; }

    // Shows the dialog modally; true on OK with a database and a table.
    bool Execute();

    // Chooses an alias and lists its tables.
    void ChooseAlias(const QString &alias);
    // Moves the directory lists to dir and lists its table files.
    void ChooseDirectory(const QString &dir);
    // Sets the file name field (a pattern refreshes the table list of a directory).
    void SetFileName(const QString &text);

    // The file type entries: each a caption and its pattern.
    static QList<QPair<QString, QString>> FileTypes();

    // Widgets, for tests.
    QListWidget *AliasList() const { return m_aliases; }
    QComboBox *DriveList() const { return m_drives; }
    QListWidget *DirectoryList() const { return m_directories; }
    QComboBox *FileTypeList() const { return m_fileTypes; }
    QLineEdit *FileNameEdit() const { return m_fileName; }
    QListWidget *TableList() const { return m_tables; }
    QLabel *DirectoryLabel() const { return m_directoryLabel; }

private:
    void fillTables();
    void accept() override;

    QListWidget *m_aliases;
    QComboBox *m_drives;
    QLabel *m_directoryLabel;
    QListWidget *m_directories;
    QComboBox *m_fileTypes;
    QLineEdit *m_fileName;
    QListWidget *m_tables;
    QString m_database;
    QString m_directory;
    bool m_alias = false;
};
