#pragma once

// The query wizard window "SQL Wizard": a wizard query's table, sort fields
// and filter conditions are chosen on five pages, the generated SQL is shown
// and the rows it returns previewed. Everything that has no window (the
// filter records, the SQL text, copying the inputs) lives with TWizQuery.

#include "definition/wizquery.h"

#include <QDialog>
#include <QFlags>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;
class TComponent;
class TDataSet;
class TDBOpenForm;
class TQuery;
class TTable;
class TWizQuery;

// What the designer tells the wizard about its databases.
struct TWizQueryDesigner {
    QString DefaultDatabaseName;        // preset for a query without database
    bool DefaultDatabaseOnly = false;   // the database list shows only the default and is disabled
    QStringList AvailableDatabaseNames; // the list's entries; empty: every database the session knows
};

// How the wizard ended.
enum class TWizQueryResult {
    OK,     // the query carries the new inputs and SQL and is open again
    Cancel, // nothing changed
    Edit,   // the query carries the new inputs and SQL; the author wants to edit the SQL by hand
};

class TWizQueryEditForm : public QDialog
{
    Q_OBJECT
public:
    // The pages, in order.
    enum TWizPage {
        wpTable = 0x01,
        wpSortOrder = 0x02,
        wpFiltering = 0x04,
        wpViewSQL = 0x08,
        wpPreviewData = 0x10,
        wpAll = 0x1F,
    };
    Q_DECLARE_FLAGS(TWizPages, TWizPage)

    static constexpr int SortRowCount = 3;
    static constexpr int FilterRowCount = 10;

    // query: the wizard query to edit (its owner decides whether a name is free);
    // offerEdit shows the "Edit" button on the "View SQL" page; pages: those shown.
    TWizQueryEditForm(TWizQuery *query, const TWizQueryDesigner &designer, bool offerEdit = false,
                      TWizPages pages = wpAll, QWidget *parent = nullptr);
    ~TWizQueryEditForm() override;

    // Shows the window modally and applies the closing rules to the query.
    TWizQueryResult Execute();

    // The comparison texts of the filter rows, in list order, and the operator each one stores.
    static QStringList ComparisonTexts();
    static int ComparisonOperator(int index);
    // The list index of an operator; -1 for one the window does not offer.
    static int ComparisonIndex(int op);

    // Opens the chosen table (as leaving the "Table" page does) and refills the
    // field lists; false, after an error box, when it cannot be opened.
    bool OpenTable();
    // The inputs as they stand in the window.
    TWizQueryInputs Inputs() const;
    // The SQL lines the inputs give (what "View SQL" shows).
    QStringList GeneratedSQL() const;
    // Runs the inputs' SQL into the preview grid; false, after an error box, on failure.
    bool RefreshPreview();
    // "Search...": the "Open table" dialog; a confirmed choice fills database and table.
    void Search();
    // Whether anything was changed since the window opened.
    bool Modified() const { return m_modified; }

    // Widgets, for tests.
    QTabWidget *Pages() const { return m_pages; }
    QLineEdit *NameEdit() const { return m_name; }
    QComboBox *DatabaseList() const { return m_database; }
    QComboBox *TableList() const { return m_table; }
    QPushButton *SearchButton() const { return m_search; }
    QComboBox *SortField(int row) const { return m_sortFields.at(row); }
    QRadioButton *SortAscending(int row) const { return m_ascending.at(row); }
    QRadioButton *SortDescending(int row) const { return m_descending.at(row); }
    QComboBox *FilterField(int row) const { return m_filterFields.at(row); }
    QComboBox *FilterComparison(int row) const { return m_comparisons.at(row); }
    QLineEdit *FilterValue(int row) const { return m_values.at(row); }
    // The AND/OR list above filter row (1 to 9).
    QComboBox *FilterJoin(int row) const { return m_joins.at(row - 1); }
    QPlainTextEdit *SQLView() const { return m_sqlView; }
    QPushButton *EditButton() const { return m_edit; }
    QTableWidget *PreviewGrid() const { return m_grid; }
    // The table the field lists come from (open after OpenTable).
    TTable *Table() const { return m_tableData.get(); }
    // Makes the table chooser "Search..." opens (tests); by default a TDBOpenForm.
    void SetOpenFormFactory(std::function<TDBOpenForm *(QWidget *)> factory) { m_openFormFactory = factory; }

private:
    QWidget *buildTablePage();
    QWidget *buildSortPage();
    QWidget *buildFilterPage();
    QWidget *buildSqlPage();
    QWidget *buildPreviewPage();
    void loadFromQuery();
    void fillDatabases();
    void fillTables();
    void fillFieldLists();
    void clearFilterRows();
    void setFilterRow(int row, int field, int comparison, const QString &value, int join);
    void packFilterRows();
    void updateFilterRows();
    void pageChanging(int index);
    void changed() { m_modified = true; }
    void tableChanged();
    int fieldIndexOfName(const QString &name) const;
    QString fieldNameAt(int listIndex) const;
    void applyClosingRules(TWizQueryResult result);

    TWizQuery *m_query;
    TWizQueryDesigner m_designer;
    TWizPages m_shownPages;
    QTabWidget *m_pages = nullptr;
    QLineEdit *m_name = nullptr;
    QComboBox *m_database = nullptr;
    QComboBox *m_table = nullptr;
    QPushButton *m_search = nullptr;
    std::array<QComboBox *, SortRowCount> m_sortFields{};
    std::array<QRadioButton *, SortRowCount> m_ascending{};
    std::array<QRadioButton *, SortRowCount> m_descending{};
    std::array<QComboBox *, FilterRowCount> m_filterFields{};
    std::array<QComboBox *, FilterRowCount> m_comparisons{};
    std::array<QLineEdit *, FilterRowCount> m_values{};
    std::array<QComboBox *, FilterRowCount - 1> m_joins{};
    QPlainTextEdit *m_sqlView = nullptr;
    QPushButton *m_edit = nullptr;
    QTableWidget *m_grid = nullptr;
    std::unique_ptr<TTable> m_tableData;    // the chosen table, for its fields
    std::unique_ptr<TQuery> m_previewQuery; // the rows of "Preview data"
    std::function<TDBOpenForm *(QWidget *)> m_openFormFactory;
    QString m_openedDatabase, m_openedTable; // what m_tableData was opened on
    QString m_originalDatabase, m_originalTable;
    int m_currentPage = 0;
    bool m_tableDirty = false;
    bool m_modified = false;
    bool m_updating = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TWizQueryEditForm::TWizPages)

// Opens the wizard on query modally and returns how it ended.
TWizQueryResult EditWizQuery(TWizQuery *query, const TWizQueryDesigner &designer, bool offerEdit = false,
                             TWizQueryEditForm::TWizPages pages = TWizQueryEditForm::wpAll,
                             QWidget *parent = nullptr);

// What the dataset dialogs do with a wizard query: the wizard with all its
// pages and the "Edit" button. When it ends with "Edit", the wizard query is
// replaced by a template query under the same name (every DataSet reference
// in designerOwner follows), and *query then points at the new one, whose SQL
// the author edits by hand in the query dialog.
TWizQueryResult EditDatasetWizQuery(TDataSet *&query, TComponent *designerOwner,
                                    const TWizQueryDesigner &designer, QWidget *parent = nullptr);
