#pragma once

// The property dialog "Properties" of one design control: its six property rows and, behind
// "&Additional >>>", the query settings of a TABLE or the entries of a LIST.

#include "params/model/tablequery.h"

#include <QDialog>
#include <memory>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TParEditForm;
class TQuery;

// The query that lists a table's fields: "select * from %table", the macro `table` replaced by
// the chosen table before it runs on the chosen database.
class TFieldListQuery
{
public:
    TFieldListQuery();
    ~TFieldListQuery();

    static QString SqlTemplate() { return QStringLiteral("select * from %table"); }
    // Changing either closes the query.
    void SetDatabaseName(const QString &name);
    void SetTableName(const QString &name);
    // The SQL text with the macro replaced.
    QString SqlText() const;
    // Opens the query (raises EDatabaseError) and returns its field names.
    QStringList FieldNames();
    void Close();
    bool Active() const;

private:
    QString m_database;
    QString m_table;
    std::unique_ptr<TQuery> m_query;
};

class TPropForm : public QDialog
{
    Q_OBJECT
public:
    // The dialog, created the first time it is needed and reused afterwards.
    static TPropForm *Instance();
    // Lists the dialog in the language template (a window of its own, not the shared one).
    static void RegisterTranslation();

    // Shows the dialog for one control of the editor; true when "Save" applied it.
    bool Execute(TParEditForm *editor, const QString &controlName);

    // The six property rows: "Name", "Header", "Width", "Х position", "Y position",
    // "Default value".
    QTreeWidget *Rows() const { return m_rows; }
    QString RowValue(int row) const;
    void SetRowValue(int row, const QString &value);
    // Asks for a row's new value in the input box "Ввод".
    void EditRow(int row);

    QPushButton *AdditionalButton() const { return m_additional; }
    QPushButton *SaveButton() const { return m_save; }
    void SetAdditional(bool down);

    // TABLE page.
    QComboBox *DatabaseBox() const { return m_database; }
    QLineEdit *TableEdit() const { return m_table; }
    QLineEdit *FieldsEdit() const { return m_fields; }
    QLineEdit *FilterEdit() const { return m_filter; }
    QLineEdit *SortingEdit() const { return m_sorting; }
    QLineEdit *VisibleFieldEdit() const { return m_visible; }
    QLineEdit *ValueFieldEdit() const { return m_value; }
    QLineEdit *EmptyTextEdit() const { return m_emptyText; }
    QLineEdit *EmptyValueEdit() const { return m_emptyValue; }
    QPushButton *FieldsButton() const { return m_fieldsButton; }
    QPushButton *SortingButton() const { return m_sortingButton; }
    TTableSettings PageSettings() const;
    TFieldListQuery &FieldListQuery() { return m_fieldList; }
    void ChooseTables();
    void ChooseFields();
    void ChooseSorting();
    void ChooseFilterMacro();
    void ShowSql();

    // LIST page.
    QListWidget *Entries() const { return m_entries; }
    void AddEntry();
    void EditEntry();
    void DeleteEntry();

    // "Save" as the button does it; false when a step was refused (the dialog stays open).
    bool SaveProperties();

private:
    TPropForm();
    void updateTableButtons();
    QStringList splitList(const QString &text) const;
    bool listFields(QStringList &fields);

    TParEditForm *m_editor = nullptr;
    QString m_controlName;
    int m_kind = 0; // the TParRec kind of the control

    QTreeWidget *m_rows;
    QPushButton *m_additional;
    QPushButton *m_save;
    QStackedWidget *m_pages;
    QComboBox *m_database;
    QLineEdit *m_table;
    QLineEdit *m_fields;
    QLineEdit *m_filter;
    QLineEdit *m_sorting;
    QLineEdit *m_visible;
    QLineEdit *m_value;
    QLineEdit *m_emptyText;
    QLineEdit *m_emptyValue;
    QPushButton *m_tableButton;
    QPushButton *m_fieldsButton;
    QPushButton *m_filterButton;
    QPushButton *m_sortingButton;
    QListWidget *m_entries;
    TFieldListQuery m_fieldList;
};
