#include "params/propform.h"

#include "params/chooser.h"
#include "params/macroform.h"
#include "params/pareditform.h"

#include "common/prompt.h"
#include "data/dberrors.h"
#include "data/field.h"
#include "data/query.h"
#include "data/session.h"
#include "gui/helpform.h"
#include "gui/translatewindow.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace
{

constexpr int ShortHeight = 167;
constexpr int TallHeight = 451;
constexpr int HelpTablePage = 10071;
constexpr int HelpListPage = 10072;

enum { RowName, RowHeader, RowWidth, RowX, RowY, RowDefault, RowCount };

const char *const RowCaptions[RowCount] = {"Name",       "Header",     "Width",
                                           "Х position", "Y position", "Default value"};

// Joins names with commas; a name holding a blank or a comma is quoted.
QString joinList(const QStringList &items)
{
    QStringList parts;
    for (const QString &item : items)
        parts.append(item.contains(u' ') || item.contains(u',') ? QString(u'"' + item + u'"') : item);
    return parts.join(u',');
}

} // namespace

TFieldListQuery::TFieldListQuery() = default;
TFieldListQuery::~TFieldListQuery() = default;

void TFieldListQuery::SetDatabaseName(const QString &name)
{
    Close();
    m_database = name;
}

void TFieldListQuery::SetTableName(const QString &name)
{
    Close();
    m_table = name;
}

QString TFieldListQuery::SqlText() const
{
    QString sql = SqlTemplate();
    return sql.replace(QStringLiteral("%table"), m_table);
}

QStringList TFieldListQuery::FieldNames()
{
    if (!m_query) {
        m_query = std::make_unique<TQuery>();
        m_query->SetDatabaseName(m_database);
        m_query->SetSQLText(SqlText());
        m_query->Open();
    }
    QStringList names;
    for (int i = 0; i < m_query->FieldCount(); ++i)
        names.append(m_query->Fields(i)->FieldName());
    return names;
}

void TFieldListQuery::Close()
{
    m_query.reset();
}

bool TFieldListQuery::Active() const
{
    return m_query && m_query->Active();
}

TPropForm *TPropForm::Instance()
{
    static QPointer<TPropForm> instance;
    if (!instance) {
        instance = new TPropForm;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, instance, &QObject::deleteLater);
    }
    return instance;
}

TPropForm::TPropForm()
{
    setObjectName(QStringLiteral("PropForm"));
    setWindowTitle(QStringLiteral("Properties"));

    m_rows = new QTreeWidget(this);
    m_rows->setObjectName(QStringLiteral("PropertyRows"));
    m_rows->setColumnCount(2);
    m_rows->setHeaderHidden(true);
    m_rows->setRootIsDecorated(false);
    m_rows->setUniformRowHeights(true);
    for (const char *caption : RowCaptions)
        m_rows->addTopLevelItem(new QTreeWidgetItem({QString::fromUtf8(caption), QString()}));
    m_rows->setColumnWidth(0, 110);
    connect(m_rows, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { EditRow(m_rows->indexOfTopLevelItem(item)); });

    m_additional = new QPushButton(QStringLiteral("&Additional >>>"), this);
    m_additional->setObjectName(QStringLiteral("AdditionalButton"));
    m_additional->setCheckable(true);
    m_additional->setAutoDefault(false);
    connect(m_additional, &QPushButton::toggled, this, &TPropForm::SetAdditional);
    m_save = new QPushButton(QStringLiteral("Save"), this);
    m_save->setObjectName(QStringLiteral("SaveButton"));
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (SaveProperties())
            accept();
    });
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // TABLE page.
    auto *tablePage = new QWidget;
    tablePage->setObjectName(QStringLiteral("TablePage"));
    const auto edit = [tablePage](const QString &name) {
        auto *e = new QLineEdit(tablePage);
        e->setObjectName(name);
        return e;
    };
    const auto chooserButton = [this, tablePage](const QString &name, auto slot) {
        auto *b = new QPushButton(QStringLiteral("..."), tablePage);
        b->setObjectName(name);
        b->setAutoDefault(false);
        b->setFixedWidth(28);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    m_database = new QComboBox(tablePage);
    m_database->setObjectName(QStringLiteral("DatabaseBox"));
    m_database->setEditable(true);
    m_table = edit(QStringLiteral("TableEdit"));
    m_fields = edit(QStringLiteral("FieldsEdit"));
    m_filter = edit(QStringLiteral("FilterEdit"));
    m_sorting = edit(QStringLiteral("SortingEdit"));
    m_visible = edit(QStringLiteral("VisibleFieldEdit"));
    m_value = edit(QStringLiteral("ValueFieldEdit"));
    m_emptyText = edit(QStringLiteral("EmptyTextEdit"));
    m_emptyValue = edit(QStringLiteral("EmptyValueEdit"));
    m_tableButton = chooserButton(QStringLiteral("TableButton"), [this] { ChooseTables(); });
    m_fieldsButton = chooserButton(QStringLiteral("FieldsButton"), [this] { ChooseFields(); });
    m_filterButton = chooserButton(QStringLiteral("FilterButton"), [this] { ChooseFilterMacro(); });
    m_sortingButton = chooserButton(QStringLiteral("SortingButton"), [this] { ChooseSorting(); });
    auto *showSql = new QPushButton(QStringLiteral("Show SQL"), tablePage);
    showSql->setObjectName(QStringLiteral("ShowSqlButton"));
    showSql->setAutoDefault(false);
    connect(showSql, &QPushButton::clicked, this, &TPropForm::ShowSql);

    auto *grid = new QGridLayout(tablePage);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(2);
    int row = 0;
    const auto addRow = [&](const QString &caption, QWidget *field, QWidget *button) {
        auto *label = new QLabel(caption, tablePage);
        label->setObjectName(field->objectName() + QStringLiteral("Label"));
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        if (button)
            grid->addWidget(button, row, 2);
        ++row;
    };
    addRow(QStringLiteral("&Database"), m_database, nullptr);
    addRow(QStringLiteral("&Table"), m_table, m_tableButton);
    addRow(QStringLiteral("&Fields"), m_fields, m_fieldsButton);
    addRow(QStringLiteral("F&ilters"), m_filter, m_filterButton);
    addRow(QStringLiteral("&Sorting"), m_sorting, m_sortingButton);
    addRow(QStringLiteral("&Visible field"), m_visible, nullptr);
    addRow(QStringLiteral("Va&lue field"), m_value, nullptr);
    addRow(QStringLiteral("\"Non selected\" text"), m_emptyText, nullptr);
    addRow(QStringLiteral("\"Non selected\" value"), m_emptyValue, nullptr);
    grid->addWidget(showSql, row, 1, 1, 1, Qt::AlignRight);

    for (QLineEdit *e : {m_table, m_visible, m_value})
        connect(e, &QLineEdit::textChanged, this, [this] { updateTableButtons(); });
    connect(m_database, &QComboBox::currentTextChanged, this, [this](const QString &text) {
        m_fieldList.SetDatabaseName(text);
        updateTableButtons();
    });
    connect(m_table, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_fieldList.SetTableName(text); });

    // LIST page.
    auto *listPage = new QWidget;
    listPage->setObjectName(QStringLiteral("ListPage"));
    m_entries = new QListWidget(listPage);
    m_entries->setObjectName(QStringLiteral("Entries"));
    const auto listButton = [this, listPage](const QString &text, const QString &name, auto slot) {
        auto *b = new QPushButton(text, listPage);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    auto *listButtons = new QVBoxLayout;
    listButtons->addWidget(
        listButton(QStringLiteral("&Add"), QStringLiteral("AddButton"), [this] { AddEntry(); }));
    listButtons->addWidget(
        listButton(QStringLiteral("&Edit"), QStringLiteral("EditButton"), [this] { EditEntry(); }));
    listButtons->addWidget(
        listButton(QStringLiteral("&Delete"), QStringLiteral("DeleteButton"), [this] { DeleteEntry(); }));
    listButtons->addStretch(1);
    auto *listLayout = new QHBoxLayout(listPage);
    listLayout->addWidget(m_entries, 1);
    listLayout->addLayout(listButtons);

    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("Pages"));
    m_pages->addWidget(tablePage);
    m_pages->addWidget(listPage);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_save);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    buttons->addWidget(m_additional);
    auto *top = new QHBoxLayout;
    top->addWidget(m_rows, 1);
    top->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(m_pages);
    m_rows->setFixedHeight(ShortHeight - 12);

    auto *help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] {
        THelpForm::ShowTopic(this, m_pages->currentIndex() == 0 ? HelpTablePage : HelpListPage);
    });
    setMinimumWidth(380);
    TranslateWindow(this, QStringLiteral("PropForm"));
    SetAdditional(false);
}

QString TPropForm::RowValue(int row) const
{
    QTreeWidgetItem *item = m_rows->topLevelItem(row);
    return item ? item->text(1) : QString();
}

void TPropForm::SetRowValue(int row, const QString &value)
{
    if (QTreeWidgetItem *item = m_rows->topLevelItem(row))
        item->setText(1, value);
}

void TPropForm::EditRow(int row)
{
    if (row < 0 || row >= RowCount)
        return;
    QString value = RowValue(row);
    if (Prompt().InputBox(QStringLiteral("Ввод"), QStringLiteral("Введите значение свойства : "), value))
        SetRowValue(row, value);
}

void TPropForm::SetAdditional(bool down)
{
    if (m_additional->isChecked() != down) {
        m_additional->setChecked(down); // comes back here through toggled
        return;
    }
    if (down && m_kind == TParRec::Table) {
        const QString current = m_database->currentText();
        const QSignalBlocker block(m_database);
        m_database->clear();
        m_database->addItems(Session().DatabaseNames());
        m_database->setCurrentText(current);
    }
    m_pages->setVisible(down);
    setFixedHeight(down ? TallHeight : ShortHeight);
}

bool TPropForm::Execute(TParEditForm *editor, const QString &controlName)
{
    TEditorDescriptor &d = editor->Descriptor();
    const int index = d.IndexOfControl(controlName);
    if (index < 0)
        return false;
    m_editor = editor;
    m_controlName = d.Controls.at(index).Name;
    const TEditorControl &c = d.Controls.at(index);
    const TParRec *p = d.FindParRec(controlName);
    m_kind = TParRec::KindFor(c.Kind);

    SetRowValue(RowName, c.Name);
    SetRowValue(RowHeader, c.Caption);
    SetRowValue(RowWidth, QString::number(c.Width));
    SetRowValue(RowX, QString::number(c.X));
    SetRowValue(RowY, QString::number(c.Y));
    SetRowValue(RowDefault, p ? p->Default : QString());

    m_additional->setChecked(false);
    m_additional->setEnabled(false);
    m_save->setEnabled(true);
    m_entries->clear();
    if (m_kind == TParRec::Table) {
        const TTableSettings s = TTableSettings::FromStrings(p ? p->Strings : QStringList());
        {
            const QSignalBlocker block(m_database);
            m_database->clear();
            m_database->setCurrentText(s.Database);
        }
        m_table->setText(s.Name);
        m_fields->setText(s.Fields);
        m_filter->setText(s.Filter);
        m_sorting->setText(s.Order);
        m_visible->setText(s.Text);
        m_value->setText(s.Value);
        m_emptyText->setText(s.EmptyText);
        m_emptyValue->setText(s.EmptyValue);
        m_fieldList.SetDatabaseName(s.Database);
        m_fieldList.SetTableName(s.Name);
        m_pages->setCurrentIndex(0);
        m_additional->setEnabled(true);
        updateTableButtons();
    } else if (m_kind == TParRec::List) {
        if (p)
            m_entries->addItems(p->Strings);
        m_pages->setCurrentIndex(1);
        m_additional->setEnabled(true);
    }
    SetAdditional(false);
    const bool saved = exec() == QDialog::Accepted;
    m_fieldList.Close();
    m_editor = nullptr;
    return saved;
}

void TPropForm::updateTableButtons()
{
    if (m_kind != TParRec::Table)
        return;
    const bool haveTable = !m_database->currentText().isEmpty() && !m_table->text().isEmpty();
    m_fieldsButton->setEnabled(haveTable);
    m_sortingButton->setEnabled(haveTable);
    m_save->setEnabled(haveTable && !m_visible->text().isEmpty() && !m_value->text().isEmpty());
}

TTableSettings TPropForm::PageSettings() const
{
    TTableSettings s;
    s.Database = m_database->currentText();
    s.Name = m_table->text();
    s.Fields = m_fields->text();
    s.Filter = m_filter->text();
    s.Order = m_sorting->text();
    s.Text = m_visible->text();
    s.Value = m_value->text();
    s.EmptyText = m_emptyText->text();
    s.EmptyValue = m_emptyValue->text();
    return s;
}

QStringList TPropForm::splitList(const QString &text) const
{
    // Commas inside double quotes belong to the name.
    QStringList items;
    QString current;
    bool quoted = false;
    for (QChar ch : text) {
        if (ch == u'"') {
            quoted = !quoted;
        } else if (ch == u',' && !quoted) {
            if (!current.trimmed().isEmpty())
                items.append(current.trimmed());
            current.clear();
        } else {
            current += ch;
        }
    }
    if (!current.trimmed().isEmpty())
        items.append(current.trimmed());
    return items;
}

void TPropForm::ChooseTables()
{
    QStringList tables;
    try {
        tables = Session().TableNames(m_database->currentText(), QStringLiteral("*.*"));
    } catch (const std::exception &) {
        Prompt().MessageBox(
            QStringLiteral(
                "Database connection error encountered.\nProbably connection parameters are incorrect."),
            QStringLiteral("Error"), mtError, TMsgButtons::OK);
        return;
    }
    QStringList selected = splitList(m_table->text());
    if (TTwoListChooser::Execute(this, QStringLiteral("Choose tables"), QStringLiteral("&Available tables"),
                                 QStringLiteral("&Selected tables"), tables, selected))
        m_table->setText(joinList(selected));
}

bool TPropForm::listFields(QStringList &fields)
{
    try {
        fields = m_fieldList.FieldNames();
        return true;
    } catch (const std::exception &) {
        m_fieldList.Close();
        Prompt().MessageBox(
            QStringLiteral("Не могу открыть таблицу : %1.%2").arg(m_database->currentText(), m_table->text()),
            QStringLiteral("Ошибка."), mtError, TMsgButtons::OK);
        return false;
    }
}

void TPropForm::ChooseFields()
{
    QStringList fields;
    if (!listFields(fields))
        return;
    QStringList selected = splitList(m_fields->text());
    // Only the fields not chosen yet are offered.
    QStringList available;
    for (const QString &f : std::as_const(fields))
        if (!selected.contains(f, Qt::CaseInsensitive))
            available.append(f);
    if (TTwoListChooser::Execute(this, QStringLiteral("Choose fields"), QStringLiteral("&Available fields"),
                                 QStringLiteral("&Selected fileds"), available, selected))
        m_fields->setText(joinList(selected));
}

void TPropForm::ChooseSorting()
{
    QStringList fields;
    if (!listFields(fields))
        return;
    QStringList selected = splitList(m_sorting->text());
    TTwoListChooser chooser(QStringLiteral("Choose fields"), QStringLiteral("&Available fields"),
                            QStringLiteral("&Selected fileds"), this);
    chooser.SetItems({}, selected);
    // Sorting offers every field, the chosen ones included.
    chooser.AvailableList()->addItems(fields);
    if (chooser.exec() == QDialog::Accepted)
        m_sorting->setText(joinList(chooser.Selected()));
}

void TPropForm::ChooseFilterMacro()
{
    const QString text = TMacroForm::Execute(this, m_editor ? m_editor->ControlNames() : QStringList());
    if (text.isEmpty())
        return;
    QApplication::clipboard()->setText(u'{' + text + u'}');
    m_filter->setFocus();
    m_filter->paste();
}

void TPropForm::ShowSql()
{
    Prompt().MessageBox(ShowSqlText(PageSettings()), QStringLiteral("Final query is:"), mtInformation,
                        TMsgButtons::OK);
}

void TPropForm::AddEntry()
{
    QString value;
    if (Prompt().InputBox(QStringLiteral("Add"), QStringLiteral("Enter string value :"), value) &&
        !value.isEmpty())
        m_entries->addItem(value);
}

void TPropForm::EditEntry()
{
    const int row = m_entries->currentRow();
    if (row < 0)
        return;
    QString value = m_entries->item(row)->text();
    if (!Prompt().InputBox(QStringLiteral("Edit"), QStringLiteral("Enter string value :"), value) ||
        value.isEmpty())
        return;
    delete m_entries->takeItem(row);
    m_entries->addItem(value);
}

void TPropForm::DeleteEntry()
{
    const int row = m_entries->currentRow();
    if (row >= 0)
        delete m_entries->takeItem(row);
}

bool TPropForm::SaveProperties()
{
    if (!m_editor)
        return false;
    TControlProperties props;
    props.Name = RowValue(RowName);
    props.Header = RowValue(RowHeader);
    props.Width = RowValue(RowWidth);
    props.X = RowValue(RowX);
    props.Y = RowValue(RowY);
    props.Default = RowValue(RowDefault);
    if (m_kind == TParRec::List) {
        QStringList entries;
        for (int i = 0; i < m_entries->count(); ++i)
            entries.append(m_entries->item(i)->text());
        props.ListEntries = entries;
    } else if (m_kind == TParRec::Table) {
        props.TableSettings = PageSettings().ToStrings();
    }
    TEditorDescriptor &d = m_editor->Descriptor();
    const QList<TEditorControl> controlsBefore = d.Controls;
    const QList<TParRec> parRecsBefore = d.ParRecs;
    bool modified = false;
    QString error;
    const bool ok = d.ApplyProperties(
        m_controlName, props, [this](const QString &text) { return m_editor->CaptionWidth(text); }, modified,
        error);
    // Any change counts, so that closing the editor never drops one without asking.
    if (modified || d.Controls != controlsBefore || d.ParRecs != parRecsBefore)
        m_editor->SetModified();
    m_editor->DescriptorChanged();
    if (!ok)
        Prompt().ShowError(error);
    return ok;
}

void TPropForm::RegisterTranslation()
{
    RegisterLanguageWindow(QStringLiteral("PropForm"), [] { return new TPropForm; });
}
