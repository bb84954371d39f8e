#include "designer/wizqueryeditform.h"

#include "common/prompt.h"
#include "data/dberrors.h"
#include "data/field.h"
#include "data/query.h"
#include "data/session.h"
#include "data/table.h"
#include "definition/reportdata.h"
#include "designer/dbopenform.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <exception>
#include <iterator>

namespace
{
// The comparison texts in list order with the operators they store.
const struct {
    const char *Text;
    int Operator;
} Comparisons[] = {
    {"is equal to", woEqual},
    {"is like", woLike},
    {"is not equal to", woNotEqual},
    {"is less than", woLess},
    {"is less than or equal to", woLessOrEqual},
    {"is greater than", woGreater},
    {"greater than or equal to", woGreaterOrEqual},
    {"is blank.", woIsNull},
    {"is not blank.", woIsNotNull},
};

constexpr int EditCode = 3;
// Rows beyond this are not read into the preview grid, so that a large table cannot stall the window.
constexpr int MaxPreviewRows = 10000;

QString errorText(const std::exception &e)
{
    if (const auto *db = dynamic_cast<const EDatabaseError *>(&e))
        return db->Message();
    return QString::fromUtf8(e.what());
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
} // namespace

TWizQueryEditForm::TWizQueryEditForm(TWizQuery *query, const TWizQueryDesigner &designer, bool offerEdit,
                                     TWizPages pages, QWidget *parent)
    : QDialog(parent), m_query(query), m_designer(designer), m_shownPages(pages),
      m_previewQuery(std::make_unique<TQuery>())
{
    setWindowTitle(QStringLiteral("SQL Wizard"));
    m_pages = new QTabWidget;
    m_pages->addTab(buildTablePage(), QStringLiteral("Table"));
    m_pages->addTab(buildSortPage(), QStringLiteral("Sort order"));
    m_pages->addTab(buildFilterPage(), QStringLiteral("Filtering"));
    m_pages->addTab(buildSqlPage(), QStringLiteral("View SQL"));
    m_pages->addTab(buildPreviewPage(), QStringLiteral("Preview data"));
    for (int i = 0; i < m_pages->count(); ++i)
        m_pages->setTabVisible(i, m_shownPages.testFlag(TWizPage(1 << i)));
    m_edit->setVisible(offerEdit);

    auto *ok = new QPushButton(QStringLiteral("OK"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_edit, &QPushButton::clicked, this, [this] { done(EditCode); });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addLayout(buttons);

    loadFromQuery();
    for (int i = 0; i < m_pages->count(); ++i)
        if (m_pages->isTabVisible(i)) {
            m_pages->setCurrentIndex(i);
            break;
        }
    m_currentPage = m_pages->currentIndex();
    connect(m_pages, &QTabWidget::currentChanged, this, &TWizQueryEditForm::pageChanging);
    resize(560, 460);
}

TWizQueryEditForm::~TWizQueryEditForm() = default;

// --- Pages ------------------------------------------------------------------------

QWidget *TWizQueryEditForm::buildTablePage()
{
    auto *page = new QWidget;
    m_name = new QLineEdit;
    m_database = new QComboBox;
    m_database->setEditable(true);
    m_table = new QComboBox;
    m_table->setEditable(true);
    m_search = new QPushButton(QStringLiteral("Search..."));
    auto *form = new QFormLayout(page);
    form->addRow(QStringLiteral("Name:"), m_name);
    form->addRow(QStringLiteral("Database or Directory:"), m_database);
    auto *tableRow = new QHBoxLayout;
    tableRow->addWidget(m_table, 1);
    tableRow->addWidget(m_search);
    form->addRow(QStringLiteral("Table name:"), tableRow);
    connect(m_name, &QLineEdit::textEdited, this, [this] { changed(); });
    connect(m_database, &QComboBox::currentTextChanged, this, [this] {
        if (m_updating)
            return;
        fillTables();
        tableChanged();
    });
    connect(m_table, &QComboBox::currentTextChanged, this, [this] {
        if (!m_updating)
            tableChanged();
    });
    connect(m_search, &QPushButton::clicked, this, &TWizQueryEditForm::Search);
    return page;
}

QWidget *TWizQueryEditForm::buildSortPage()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    for (int row = 0; row < SortRowCount; ++row) {
        auto *field = new QComboBox;
        auto *label = new QLabel(QStringLiteral("&%1. Index Field:").arg(row + 1));
        label->setBuddy(field);
        auto *ascending = new QRadioButton(QStringLiteral("Ascending"));
        auto *descending = new QRadioButton(QStringLiteral("Descending"));
        ascending->setChecked(true);
        auto *group = new QButtonGroup(page);
        group->addButton(ascending);
        group->addButton(descending);
        grid->addWidget(label, row * 2, 0);
        grid->addWidget(field, row * 2, 1);
        grid->addWidget(ascending, row * 2 + 1, 1, Qt::AlignLeft);
        grid->addWidget(descending, row * 2 + 1, 1, Qt::AlignHCenter);
        m_sortFields[row] = field;
        m_ascending[row] = ascending;
        m_descending[row] = descending;
        connect(field, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_updating)
                changed();
        });
        connect(group, &QButtonGroup::buttonClicked, this, [this] { changed(); });
    }
    grid->setRowStretch(SortRowCount * 2, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

QWidget *TWizQueryEditForm::buildFilterPage()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    grid->setVerticalSpacing(2);
    int line = 0;
    for (int row = 0; row < FilterRowCount; ++row) {
        if (row > 0) {
            auto *join = new QComboBox;
            join->addItems({QStringLiteral("AND"), QStringLiteral("OR")});
            join->setCurrentIndex(-1);
            join->setMinimumContentsLength(4);
            join->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            grid->addWidget(join, line++, 1, Qt::AlignLeft);
            m_joins[row - 1] = join;
            connect(join, &QComboBox::currentIndexChanged, this, [this] {
                if (!m_updating)
                    changed();
            });
        }
        auto *field = new QComboBox;
        auto *comparison = new QComboBox;
        auto *value = new QLineEdit;
        value->setMaxLength(255); // what a filter record stores
        grid->addWidget(field, line, 0);
        grid->addWidget(comparison, line, 1);
        grid->addWidget(value, line, 2);
        ++line;
        m_filterFields[row] = field;
        m_comparisons[row] = comparison;
        m_values[row] = value;
        connect(field, &QComboBox::currentIndexChanged, this, [this] {
            if (m_updating)
                return;
            changed();
            packFilterRows();
            updateFilterRows();
        });
        connect(comparison, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_updating)
                changed();
        });
        connect(value, &QLineEdit::textEdited, this, [this] { changed(); });
    }
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(line, 1);
    return page;
}

QWidget *TWizQueryEditForm::buildSqlPage()
{
    auto *page = new QWidget;
    m_sqlView = new QPlainTextEdit;
    m_sqlView->setReadOnly(true);
    m_sqlView->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_edit = new QPushButton(QStringLiteral("Edit"));
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(m_sqlView);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(m_edit);
    layout->addLayout(row);
    return page;
}

QWidget *TWizQueryEditForm::buildPreviewPage()
{
    auto *page = new QWidget;
    m_grid = new QTableWidget;
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 4);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(m_grid);
    return page;
}

// --- Comparisons ------------------------------------------------------------------

QStringList TWizQueryEditForm::ComparisonTexts()
{
    QStringList texts;
    for (const auto &c : Comparisons)
        texts << QString::fromLatin1(c.Text);
    return texts;
}

int TWizQueryEditForm::ComparisonOperator(int index)
{
    return index >= 0 && index < int(std::size(Comparisons)) ? Comparisons[index].Operator : woEqual;
}

int TWizQueryEditForm::ComparisonIndex(int op)
{
    for (int i = 0; i < int(std::size(Comparisons)); ++i)
        if (Comparisons[i].Operator == op)
            return i;
    return -1;
}

// --- Opening ----------------------------------------------------------------------

void TWizQueryEditForm::fillDatabases()
{
    m_database->clear();
    const QString defaultName = m_designer.DefaultDatabaseName;
    QStringList names;
    if (!defaultName.isEmpty())
        names << defaultName;
    if (!m_designer.DefaultDatabaseOnly) {
        const QStringList others = m_designer.AvailableDatabaseNames.isEmpty()
                                       ? Session().DatabaseNames()
                                       : m_designer.AvailableDatabaseNames;
        for (const QString &name : others)
            if (!names.contains(name, Qt::CaseInsensitive))
                names << name;
    }
    m_database->addItems(names);
    m_database->setEnabled(!m_designer.DefaultDatabaseOnly);
}

void TWizQueryEditForm::fillTables()
{
    const bool was = m_updating;
    m_updating = true;
    m_table->clear();
    try {
        if (!m_database->currentText().isEmpty())
            m_table->addItems(Session().TableNames(m_database->currentText()));
    } catch (const std::exception &) {
        // A database still being typed or out of reach has no tables to offer.
    }
    m_table->setCurrentIndex(-1);
    m_updating = was;
}

void TWizQueryEditForm::loadFromQuery()
{
    m_updating = true;
    fillDatabases();
    m_name->setText(m_query->Name());
    m_originalDatabase = m_query->DatabaseName();
    m_originalTable = m_query->TableName();
    const QString database = m_originalDatabase.isEmpty() || m_designer.DefaultDatabaseOnly
                                 ? m_designer.DefaultDatabaseName
                                 : m_originalDatabase;
    m_database->setCurrentText(database);
    fillTables();
    m_table->setCurrentText(m_originalTable);
    m_updating = false;

    fillFieldLists();
    m_tableDirty = true;
    if (!m_originalTable.isEmpty()) {
        try {
            auto table = std::make_unique<TTable>();
            table->SetDatabaseName(database);
            table->SetTableName(m_originalTable);
            table->Open();
            m_tableData = std::move(table);
            m_openedDatabase = database;
            m_openedTable = m_originalTable;
            m_tableDirty = false;
            fillFieldLists();
        } catch (const std::exception &) {
            // Leaving the page tries again and tells why it fails.
        }
    }

    m_updating = true;
    const QStringList order = m_query->OrderFields();
    for (int row = 0; row < SortRowCount && row < order.size(); ++row) {
        const bool descending = order.at(row).startsWith(QLatin1Char('-'));
        const int index = fieldIndexOfName(descending ? order.at(row).mid(1) : order.at(row));
        m_sortFields[row]->setCurrentIndex(qMax(index, 0));
        (descending ? m_descending[row] : m_ascending[row])->setChecked(true);
    }
    const QList<TWizFilter> filters = m_query->FilterList();
    for (int row = 0; row < FilterRowCount && row < filters.size(); ++row) {
        const TWizFilter &f = filters.at(row);
        setFilterRow(row, qMax(fieldIndexOfName(f.FieldName), 0), ComparisonIndex(f.Operator), f.Value,
                     row > 0 && f.OrFlag ? 1 : -1);
    }
    m_updating = false;
    packFilterRows();
    updateFilterRows();
    m_modified = false;
}

void TWizQueryEditForm::tableChanged()
{
    m_tableDirty = true;
    changed();
}

bool TWizQueryEditForm::OpenTable()
{
    const QString database = m_database->currentText();
    const QString tableName = m_table->currentText();
    auto table = std::make_unique<TTable>();
    try {
        table->SetDatabaseName(database);
        table->SetTableName(tableName);
        table->Open();
    } catch (const std::exception &e) {
        Prompt().ShowError(errorText(e));
        return false;
    }
    m_tableData = std::move(table);
    m_openedDatabase = database;
    m_openedTable = tableName;
    m_tableDirty = false;
    fillFieldLists();
    return true;
}

void TWizQueryEditForm::fillFieldLists()
{
    m_updating = true;
    QStringList entries{QString()};
    if (m_tableData)
        for (TField *field : m_tableData->FieldList())
            entries << field->DisplayLabel();
    for (QComboBox *list : m_sortFields) {
        list->clear();
        list->addItems(entries);
        list->setCurrentIndex(0);
    }
    for (QRadioButton *ascending : m_ascending)
        ascending->setChecked(true);
    for (int row = 0; row < FilterRowCount; ++row) {
        m_filterFields[row]->clear();
        m_filterFields[row]->addItems(entries);
        m_comparisons[row]->clear();
        m_comparisons[row]->addItems(ComparisonTexts());
    }
    m_updating = false;
    clearFilterRows();
    updateFilterRows();
}

int TWizQueryEditForm::fieldIndexOfName(const QString &name) const
{
    if (!m_tableData || name.isEmpty())
        return -1;
    const QList<TField *> &fields = m_tableData->FieldList();
    for (int i = 0; i < fields.size(); ++i)
        if (sameName(fields.at(i)->FieldName(), name))
            return i + 1;
    return -1;
}

QString TWizQueryEditForm::fieldNameAt(int listIndex) const
{
    if (!m_tableData || listIndex < 1 || listIndex > m_tableData->FieldCount())
        return QString();
    return m_tableData->Fields(listIndex - 1)->FieldName();
}

// --- Filter rows ------------------------------------------------------------------

void TWizQueryEditForm::setFilterRow(int row, int field, int comparison, const QString &value, int join)
{
    const bool was = m_updating;
    m_updating = true;
    m_filterFields[row]->setCurrentIndex(field);
    m_comparisons[row]->setCurrentIndex(comparison);
    m_values[row]->setText(value);
    if (row > 0)
        m_joins[row - 1]->setCurrentIndex(join);
    m_updating = was;
}

void TWizQueryEditForm::clearFilterRows()
{
    for (int row = 0; row < FilterRowCount; ++row)
        setFilterRow(row, 0, -1, QString(), -1);
}

void TWizQueryEditForm::packFilterRows()
{
    struct Row {
        int Field, Comparison, Join;
        QString Value;
    };
    QList<Row> kept;
    for (int row = 0; row < FilterRowCount; ++row)
        if (m_filterFields[row]->currentIndex() > 0)
            kept << Row{m_filterFields[row]->currentIndex(), m_comparisons[row]->currentIndex(),
                        row > 0 ? m_joins[row - 1]->currentIndex() : -1, m_values[row]->text()};
    for (int row = 0; row < FilterRowCount; ++row) {
        if (row < kept.size())
            setFilterRow(row, kept[row].Field, kept[row].Comparison, kept[row].Value, kept[row].Join);
        else
            setFilterRow(row, 0, -1, QString(), -1);
    }
}

void TWizQueryEditForm::updateFilterRows()
{
    const bool was = m_updating;
    m_updating = true;
    for (int row = 0; row < FilterRowCount; ++row) {
        const bool hasField = m_filterFields[row]->currentIndex() > 0;
        m_comparisons[row]->setEnabled(hasField);
        m_values[row]->setEnabled(hasField);
        if (hasField && m_comparisons[row]->currentIndex() < 0)
            m_comparisons[row]->setCurrentIndex(0);
        if (row > 0) {
            QComboBox *join = m_joins[row - 1];
            join->setEnabled(hasField);
            if (hasField && join->currentIndex() < 0)
                join->setCurrentIndex(0);
        }
    }
    m_updating = was;
}

// --- Inputs, SQL and preview ------------------------------------------------------

TWizQueryInputs TWizQueryEditForm::Inputs() const
{
    TWizQueryInputs inputs;
    inputs.Name = m_name->text().trimmed();
    inputs.DatabaseName = m_database->currentText();
    inputs.TableName = m_table->currentText();
    for (int row = 0; row < SortRowCount; ++row) {
        const QString name = fieldNameAt(m_sortFields[row]->currentIndex());
        if (!name.isEmpty())
            inputs.OrderFields << (m_descending[row]->isChecked() ? QString(QLatin1Char('-') + name) : name);
    }
    for (int row = 0; row < FilterRowCount; ++row) {
        const int index = m_filterFields[row]->currentIndex();
        const QString name = fieldNameAt(index);
        if (name.isEmpty())
            continue;
        TWizFilter f;
        f.FieldName = name;
        f.Operator = ComparisonOperator(m_comparisons[row]->currentIndex());
        f.OrFlag = row > 0 && m_joins[row - 1]->currentText() == QLatin1String("OR");
        f.Value = m_values[row]->text();
        const TField *field = m_tableData ? m_tableData->FindField(name) : nullptr;
        f.FieldType = field ? int(field->DataType()) : int(ftString);
        f.CaseSensitive = true;
        inputs.Filters << f;
    }
    return inputs;
}

QStringList TWizQueryEditForm::GeneratedSQL() const
{
    TWizQuery temporary;
    temporary.SQLSettings()->Assign(m_query->SQLSettings());
    AssignWizQueryInputs(&temporary, Inputs());
    return temporary.SQL();
}

bool TWizQueryEditForm::RefreshPreview()
{
    m_grid->clear();
    m_grid->setRowCount(0);
    m_grid->setColumnCount(0);
    try {
        m_previewQuery->Close();
        m_previewQuery->SetDatabaseName(m_database->currentText());
        m_previewQuery->SetSQL(GeneratedSQL());
        m_previewQuery->Open();
        const QList<TField *> &fields = m_previewQuery->FieldList();
        QStringList headers;
        for (TField *field : fields)
            headers << field->DisplayLabel();
        m_grid->setColumnCount(int(fields.size()));
        m_grid->setHorizontalHeaderLabels(headers);
        int row = 0;
        for (m_previewQuery->First(); !m_previewQuery->Eof() && row < MaxPreviewRows;
             m_previewQuery->Next()) {
            m_grid->insertRow(row);
            for (int column = 0; column < fields.size(); ++column)
                m_grid->setItem(row, column, new QTableWidgetItem(fields.at(column)->DisplayText()));
            ++row;
        }
        m_grid->resizeColumnsToContents();
    } catch (const std::exception &e) {
        Prompt().ShowError(errorText(e));
        return false;
    }
    return true;
}

void TWizQueryEditForm::Search()
{
    std::unique_ptr<TDBOpenForm> form(m_openFormFactory ? m_openFormFactory(this) : new TDBOpenForm(this));
    form->SetDatabaseName(m_database->currentText());
    form->SetTableName(m_table->currentText());
    if (!form->Execute())
        return;
    m_database->setCurrentText(form->DatabaseName());
    m_table->setCurrentText(form->TableName());
    tableChanged();
}

void TWizQueryEditForm::pageChanging(int index)
{
    if (m_updating || index == m_currentPage)
        return;
    QWidget *leaving = m_pages->widget(m_currentPage);
    QWidget *entering = m_pages->widget(index);
    auto stay = [this] {
        m_updating = true;
        m_pages->setCurrentIndex(m_currentPage);
        m_updating = false;
    };
    if (leaving == m_pages->widget(0) && m_tableDirty && !OpenTable()) {
        stay();
        return;
    }
    if (entering == m_pages->widget(3))
        m_sqlView->setPlainText(GeneratedSQL().join(QLatin1Char('\n')));
    if (entering == m_pages->widget(4) && !RefreshPreview()) {
        stay();
        return;
    }
    m_currentPage = index;
}

// --- Closing ----------------------------------------------------------------------

TWizQueryResult TWizQueryEditForm::Execute()
{
    const int code = exec();
    const TWizQueryResult result = code == EditCode            ? TWizQueryResult::Edit
                                   : code == QDialog::Accepted ? TWizQueryResult::OK
                                                               : TWizQueryResult::Cancel;
    applyClosingRules(result);
    return result;
}

void TWizQueryEditForm::applyClosingRules(TWizQueryResult result)
{
    // Cancel leaves the query as it was: nothing the author typed is taken.
    if (result == TWizQueryResult::Cancel || !m_modified)
        return;
    const TWizQueryInputs inputs = Inputs();
    const bool tableChanged =
        !sameName(inputs.DatabaseName, m_originalDatabase) || !sameName(inputs.TableName, m_originalTable);
    // Display settings come back from the query's own fields, or from the new table's.
    const TFieldDisplayMap display =
        tableChanged ? CaptureFieldDisplay(m_tableData.get()) : CaptureFieldDisplay(m_query);
    m_query->Close();
    if (tableChanged)
        m_query->DestroyFields(true, true);
    AssignWizQueryInputs(m_query, inputs);
    if (result != TWizQueryResult::OK)
        return;
    try {
        // The query keeps fields of its own, as a report stores them: made
        // afresh from the columns when there are none (a new table).
        const bool ownFields = m_query->FieldCount() > 0;
        // Open again raises with the reason when the query cannot be opened.
        if (ownFields || !QRDSetupFieldsAfterLoading(m_query, nullptr))
            m_query->Open();
        RestoreFieldDisplay(m_query, display);
    } catch (const std::exception &e) {
        Prompt().ShowError(errorText(e));
    }
}

TWizQueryResult EditWizQuery(TWizQuery *query, const TWizQueryDesigner &designer, bool offerEdit,
                             TWizQueryEditForm::TWizPages pages, QWidget *parent)
{
    if (!query)
        return TWizQueryResult::Cancel;
    TWizQueryEditForm form(query, designer, offerEdit, pages, parent);
    return form.Execute();
}

TWizQueryResult EditDatasetWizQuery(TDataSet *&query, TComponent *designerOwner,
                                    const TWizQueryDesigner &designer, QWidget *parent)
{
    auto *wizQuery = qobject_cast<TWizQuery *>(query);
    if (!wizQuery)
        return TWizQueryResult::Cancel;
    const TWizQueryResult result = EditWizQuery(wizQuery, designer, true, TWizQueryEditForm::wpAll, parent);
    if (result == TWizQueryResult::Edit)
        query = ReplaceWizQueryByTemplate(wizQuery, designerOwner);
    return result;
}
