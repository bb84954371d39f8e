#include "designer/expressionbuilder.h"

#include "common/prompt.h"
#include "common/screen.h"
#include "data/dataset.h"
#include "data/field.h"
#include "designer/environmenteditor.h"
#include "engine/printable.h"
#include "expressions/environment.h"
#include "expressions/evaluator.h"
#include "expressions/library.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace
{

const QString DefaultHeading = QStringLiteral("Enter expression:");

bool hostName(const QString &name)
{
    return name.startsWith(QLatin1String("__"));
}

// A page's closing row: OK and Cancel, Cancel going back to the main page.
QHBoxLayout *okCancelRow(QWidget *page, TQRExpressionBuilder *builder, const std::function<void()> &ok)
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    auto *okButton = new QPushButton(QStringLiteral("OK"), page);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), page);
    QObject::connect(okButton, &QPushButton::clicked, builder, ok);
    QObject::connect(cancel, &QPushButton::clicked, builder,
                     [builder] { builder->ShowPage(TQRExpressionBuilder::MainPage); });
    row->addWidget(okButton);
    row->addWidget(cancel);
    return row;
}

QString argumentCaption(QChar letter)
{
    switch (letter.toUpper().unicode()) {
    case u'N':
        return QStringLiteral("Argument %d - numeric value");
    case u'B':
        return QStringLiteral("Argument %d - logical value");
    case u'S':
        return QStringLiteral("Argument %d - text Value");
    default:
        return QStringLiteral("Argument %d - value");
    }
}

} // namespace

TQRExpressionBuilder::TQRExpressionBuilder(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Expression Wizard"));
    auto *layout = new QVBoxLayout(this);
    m_heading = new QLabel(DefaultHeading, this);
    layout->addWidget(m_heading);
    m_pages = new QStackedWidget(this);
    layout->addWidget(m_pages);
    buildMainPage();
    buildFieldPage();
    buildFunctionPage();
    buildParameterPage();
    buildVariablePage();
    resize(520, 380);
}

void TQRExpressionBuilder::buildMainPage()
{
    auto *page = new QWidget(m_pages);
    auto *layout = new QVBoxLayout(page);
    m_edit = new QPlainTextEdit(page);
    layout->addWidget(m_edit);

    auto *inserts = new QHBoxLayout;
    const QList<QPair<QString, TBuilderPage>> pages = {{QStringLiteral("&Database field"), FieldPage},
                                                       {QStringLiteral("&Function"), FunctionPage},
                                                       {QStringLiteral("&Variable"), VariablePage}};
    for (const auto &[caption, target] : pages) {
        auto *b = new QPushButton(caption, page);
        connect(b, &QPushButton::clicked, this, [this, target = target] { ShowPage(target); });
        inserts->addWidget(b);
        m_mainButtons << b;
    }
    layout->addLayout(inserts);

    auto *operators = new QHBoxLayout;
    for (const char *op : {"+", "-", "*", "/", "=", "<", ">", "<>", "<=", ">=", "Not", "And", "Or"}) {
        const QString caption = QLatin1String(op);
        auto *b = new QPushButton(caption, page);
        b->setMinimumWidth(28);
        b->setMaximumWidth(40);
        connect(b, &QPushButton::clicked, this, [this, caption] { InsertText(u' ' + caption + u' '); });
        operators->addWidget(b);
        m_mainButtons << b;
    }
    layout->addLayout(operators);

    auto *bottom = new QHBoxLayout;
    auto *clear = new QPushButton(QStringLiteral("&Clear"), page);
    connect(clear, &QPushButton::clicked, m_edit, &QPlainTextEdit::clear);
    auto *validate = new QPushButton(QStringLiteral("Valida&te"), page);
    connect(validate, &QPushButton::clicked, this, &TQRExpressionBuilder::Validate);
    auto *ok = new QPushButton(QStringLiteral("OK"), page);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), page);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    bottom->addWidget(clear);
    bottom->addWidget(validate);
    bottom->addStretch();
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    layout->addLayout(bottom);
    m_mainButtons << clear << validate << ok << cancel;
    m_pages->addWidget(page);
}

void TQRExpressionBuilder::buildFieldPage()
{
    auto *page = new QWidget(m_pages);
    auto *layout = new QVBoxLayout(page);
    auto *lists = new QHBoxLayout;
    m_datasetList = new QListWidget(page);
    m_fieldList = new QListWidget(page);
    lists->addWidget(m_datasetList);
    lists->addWidget(m_fieldList);
    layout->addLayout(lists);
    layout->addLayout(okCancelRow(page, this, [this] { AcceptField(); }));
    connect(m_datasetList, &QListWidget::currentRowChanged, this, [this] { fillFields(); });
    connect(m_fieldList, &QListWidget::itemDoubleClicked, this, [this] { AcceptField(); });
    m_pages->addWidget(page);
}

void TQRExpressionBuilder::buildFunctionPage()
{
    auto *page = new QWidget(m_pages);
    auto *layout = new QVBoxLayout(page);
    auto *lists = new QHBoxLayout;
    m_categoryList = new QListWidget(page);
    m_categoryList->addItems(FunctionCategories());
    m_categoryList->setMaximumWidth(140);
    m_functionList = new QListWidget(page);
    lists->addWidget(m_categoryList);
    lists->addWidget(m_functionList);
    layout->addLayout(lists);
    m_syntax = new QLabel(page);
    QFont bold = m_syntax->font();
    bold.setBold(true);
    m_syntax->setFont(bold);
    m_explanation = new QLabel(page);
    m_explanation->setWordWrap(true);
    layout->addWidget(m_syntax);
    layout->addWidget(m_explanation);
    auto *row = new QHBoxLayout;
    row->addStretch();
    auto *next = new QPushButton(QStringLiteral("Continue"), page);
    connect(next, &QPushButton::clicked, this, &TQRExpressionBuilder::ContinueFunction);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), page);
    connect(cancel, &QPushButton::clicked, this, [this] { ShowPage(MainPage); });
    row->addWidget(next);
    row->addWidget(cancel);
    layout->addLayout(row);
    connect(m_categoryList, &QListWidget::currentRowChanged, this, [this] { fillFunctions(); });
    connect(m_functionList, &QListWidget::currentRowChanged, this, [this] { showFunction(); });
    connect(m_functionList, &QListWidget::itemDoubleClicked, this, [this] { ContinueFunction(); });
    m_pages->addWidget(page);
}

void TQRExpressionBuilder::buildParameterPage()
{
    auto *page = new QWidget(m_pages);
    auto *layout = new QVBoxLayout(page);
    m_parameterTitle = new QLabel(page);
    QFont bold = m_parameterTitle->font();
    bold.setBold(true);
    m_parameterTitle->setFont(bold);
    layout->addWidget(m_parameterTitle);
    m_argumentBox = new QWidget(page);
    m_argumentLayout = new QVBoxLayout(m_argumentBox);
    m_argumentLayout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_argumentBox);
    layout->addStretch();
    layout->addLayout(okCancelRow(page, this, [this] { AcceptParameters(); }));
    m_pages->addWidget(page);
}

void TQRExpressionBuilder::buildVariablePage()
{
    auto *page = new QWidget(m_pages);
    auto *layout = new QVBoxLayout(page);
    m_variableList = new QListWidget(page);
    layout->addWidget(m_variableList);
    m_variableValue = new QLabel(QStringLiteral("Value :"), page);
    m_variableValue->setWordWrap(true);
    layout->addWidget(m_variableValue);
    auto *modify = new QPushButton(QStringLiteral("&Modify variables"), page);
    connect(modify, &QPushButton::clicked, this, &TQRExpressionBuilder::ModifyVariables);
    auto *row = okCancelRow(page, this, [this] { AcceptVariable(); });
    row->insertWidget(0, modify);
    layout->addLayout(row);
    connect(m_variableList, &QListWidget::currentRowChanged, this, [this] { showVariable(); });
    connect(m_variableList, &QListWidget::itemDoubleClicked, this, [this] { AcceptVariable(); });
    m_pages->addWidget(page);
}

void TQRExpressionBuilder::Setup(const QString &heading, const QString &expression, TComponent *element,
                                 TQREvEnvironment *local)
{
    m_heading->setText(heading.isEmpty() ? DefaultHeading : heading);
    m_element = element;
    m_local = local;
    m_edit->setPlainText(expression);
    m_edit->selectAll();
    ShowPage(MainPage);
}

bool TQRExpressionBuilder::Execute()
{
    m_edit->setFocus();
    return exec() == QDialog::Accepted;
}

QString TQRExpressionBuilder::Expression() const
{
    QString text = m_edit->toPlainText();
    // The edit gives plain line feeds; a pasted text may still hold CR LF pairs.
    text.replace(QLatin1String("\r\n"), QString());
    text.remove(u'\n');
    return text;
}

QPushButton *TQRExpressionBuilder::Button(const QString &caption) const
{
    for (QPushButton *b : m_mainButtons)
        if (b->text() == caption)
            return b;
    return nullptr;
}

void TQRExpressionBuilder::InsertText(const QString &text)
{
    m_edit->insertPlainText(text);
}

void TQRExpressionBuilder::ShowPage(TBuilderPage page)
{
    switch (page) {
    case FieldPage:
        fillDatasets();
        break;
    case FunctionPage:
        if (m_categoryList->currentRow() < 0)
            m_categoryList->setCurrentRow(0);
        else
            fillFunctions();
        break;
    case VariablePage:
        fillVariables();
        break;
    default:
        break;
    }
    m_pages->setCurrentIndex(page);
    if (page == MainPage)
        m_edit->setFocus();
}

// --- Database fields ---

TComponent *TQRExpressionBuilder::Element() const
{
    return m_element;
}

TComponent *TQRExpressionBuilder::Window() const
{
    TComponent *c = m_element;
    while (c && c->Owner() && !qobject_cast<TForm *>(c))
        c = c->Owner();
    return c;
}

QList<QPair<QString, TDataSet *>> TQRExpressionBuilder::AvailableDatasets() const
{
    QList<QPair<QString, TDataSet *>> list;
    QList<TComponent *> owners;
    if (TComponent *w = Window())
        owners << w;
    owners << TScreen::Instance().DataModules();
    for (TComponent *owner : owners)
        for (TComponent *c : owner->ComponentList())
            if (auto *ds = qobject_cast<TDataSet *>(c))
                list.append({ds->Name(), ds});
    return list;
}

QList<QPair<QString, QString>> TQRExpressionBuilder::DatasetFields(TDataSet *dataSet) const
{
    QList<QPair<QString, QString>> list;
    for (const QString &name : dataSet->FieldNames())
        list.append({name, name});
    return list;
}

QList<TDataSet *> TQRExpressionBuilder::ValidationDatasets() const
{
    QList<TDataSet *> list;
    for (const auto &entry : AvailableDatasets())
        list << entry.second;
    return list;
}

void TQRExpressionBuilder::fillDatasets()
{
    m_datasetList->clear();
    for (const auto &entry : AvailableDatasets())
        m_datasetList->addItem(entry.first);
    if (m_datasetList->count() > 0)
        m_datasetList->setCurrentRow(0);
    fillFields();
}

void TQRExpressionBuilder::fillFields()
{
    m_fieldList->clear();
    const int row = m_datasetList->currentRow();
    const auto datasets = AvailableDatasets();
    if (row < 0 || row >= datasets.size())
        return;
    for (const auto &[shown, name] : DatasetFields(datasets[row].second)) {
        auto *item = new QListWidgetItem(shown, m_fieldList);
        item->setData(Qt::UserRole, name);
    }
    if (m_fieldList->count() > 0)
        m_fieldList->setCurrentRow(0);
}

void TQRExpressionBuilder::AcceptField()
{
    QListWidgetItem *dataset = m_datasetList->currentItem();
    QListWidgetItem *field = m_fieldList->currentItem();
    ShowPage(MainPage);
    if (dataset && field)
        InsertText(dataset->text() + u'.' + field->data(Qt::UserRole).toString());
}

// --- Functions ---

QStringList TQRExpressionBuilder::FunctionCategories()
{
    return {QStringLiteral("All"),         QStringLiteral("Date & time"), QStringLiteral("Math & trig"),
            QStringLiteral("Statistical"), QStringLiteral("Database"),    QStringLiteral("Logical"),
            QStringLiteral("Information"), QStringLiteral("Other")};
}

bool TQRExpressionBuilder::ListsFunction(const TQRLibraryEntry &) const
{
    return true;
}

void TQRExpressionBuilder::fillFunctions()
{
    m_functionList->clear();
    const int category = qMax(0, m_categoryList->currentRow());
    const TQRFunctionLibrary &library = EvFunctionLibrary();
    for (int i = 0; i < library.Count(); ++i) {
        const TQRLibraryEntry *entry = library.Entry(i);
        const bool listed = category == 0 ? ListsFunction(*entry)
                                          : entry->ArgumentSignature.startsWith(QString::number(category));
        if (!listed)
            continue;
        auto *item = new QListWidgetItem(entry->Name, m_functionList);
        item->setData(Qt::UserRole, i);
    }
    if (m_functionList->count() > 0)
        m_functionList->setCurrentRow(0);
    showFunction();
}

const TQRLibraryEntry *TQRExpressionBuilder::selectedFunction() const
{
    QListWidgetItem *item = m_functionList->currentItem();
    return item ? EvFunctionLibrary().Entry(item->data(Qt::UserRole).toInt()) : nullptr;
}

void TQRExpressionBuilder::showFunction()
{
    const TQRLibraryEntry *entry = selectedFunction();
    if (!entry) {
        m_syntax->clear();
        m_explanation->clear();
        return;
    }
    const qsizetype bar = entry->Description.indexOf(u'|');
    QString explanation = bar < 0 ? QString() : entry->Description.mid(bar + 1);
    explanation.replace(u'\r', u'\n');
    m_syntax->setText(entry->Description.left(bar < 0 ? entry->Description.size() : bar));
    m_explanation->setText(explanation);
}

void TQRExpressionBuilder::ContinueFunction()
{
    const TQRLibraryEntry *entry = selectedFunction();
    if (!entry)
        return;
    const QString letters = entry->ArgumentSignature.mid(1);
    if (letters.isEmpty()) {
        ShowPage(MainPage);
        InsertText(entry->Name);
        return;
    }
    m_parameterFunction = entry->Name;
    m_parameterSyntax = m_syntax->text();
    m_parameterTitle->setText(m_parameterSyntax);
    qDeleteAll(m_argumentBox->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly));
    m_argLabels.clear();
    m_argEdits.clear();
    m_argButtons.clear();
    for (int i = 0; i < letters.size(); ++i) {
        auto *row = new QWidget(m_argumentBox);
        auto *grid = new QGridLayout(row);
        grid->setContentsMargins(0, 0, 0, 0);
        auto *label =
            new QLabel(argumentCaption(letters[i]).replace(QLatin1String("%d"), QString::number(i + 1)), row);
        auto *edit = new QLineEdit(row);
        auto *more = new QPushButton(QStringLiteral("..."), row);
        more->setMaximumWidth(28);
        connect(more, &QPushButton::clicked, this, [this, i] { EditArgument(i); });
        grid->addWidget(label, 0, 0, 1, 2);
        grid->addWidget(edit, 1, 0);
        grid->addWidget(more, 1, 1);
        m_argumentLayout->addWidget(row);
        m_argLabels << label;
        m_argEdits << edit;
        m_argButtons << more;
    }
    m_pages->setCurrentIndex(ParameterPage);
    m_argEdits.first()->setFocus();
}

TQRExpressionBuilder *TQRExpressionBuilder::NewBuilder(QWidget *parent) const
{
    return new TQRExpressionBuilder(parent);
}

void TQRExpressionBuilder::EditArgument(int index)
{
    if (index < 0 || index >= m_argEdits.size())
        return;
    std::unique_ptr<TQRExpressionBuilder> nested(NewBuilder(this));
    const QString heading =
        QStringLiteral("Enter %1. parameter for %2").arg(index + 1).arg(m_parameterSyntax);
    nested->Setup(heading, m_argEdits[index]->text(), m_element, m_local);
    if (nested->Execute())
        m_argEdits[index]->setText(nested->Expression());
}

void TQRExpressionBuilder::AcceptParameters()
{
    QStringList arguments;
    for (QLineEdit *edit : m_argEdits)
        arguments << edit->text();
    ShowPage(MainPage);
    InsertText(m_parameterFunction + u'(' + arguments.join(u',') + u')');
}

// --- Variables ---

void TQRExpressionBuilder::fillVariables()
{
    m_variableList->clear();
    for (TQREvEnvironment *env : {m_local, &GlobalEvEnvironment()}) {
        if (!env)
            continue;
        for (int i = 0; i < env->Count(); ++i) {
            auto *item = new QListWidgetItem(env->Name(i), m_variableList);
            item->setData(Qt::UserRole, env->Expression(i));
        }
    }
    if (m_variableList->count() > 0)
        m_variableList->setCurrentRow(0);
    showVariable();
}

void TQRExpressionBuilder::showVariable()
{
    QListWidgetItem *item = m_variableList->currentItem();
    m_variableValue->setText(QStringLiteral("Value :") +
                             (item ? u' ' + item->data(Qt::UserRole).toString() : QString()));
}

void TQRExpressionBuilder::AcceptVariable()
{
    QListWidgetItem *item = m_variableList->currentItem();
    ShowPage(MainPage);
    if (item)
        InsertText(item->text());
}

void TQRExpressionBuilder::ModifyVariables()
{
    TQREnvironmentEditor editor(m_local, this);
    editor.SetBuilderFactory([this](QWidget *parent) { return NewBuilder(parent); });
    editor.exec();
    fillVariables();
}

// --- Validation ---

QString TQRExpressionBuilder::ValidationText(const TQREvValue &value)
{
    if (value.ValueKind == rkError)
        return QStringLiteral("ERROR: ") + value.Text;
    return QStringLiteral("There are no errors. The result is : ") + QREvValueText(value);
}

QString TQRExpressionBuilder::ValidationMessage() const
{
    TQREvValue value;
    TQRDatasetList datasets = ValidationDatasets();
    GlobalEvEnvironment().Engage();
    if (m_local)
        m_local->Engage();
    try {
        TQREvaluator evaluator;
        evaluator.SetDatasets(&datasets);
        evaluator.SetEnvironment(m_local);
        evaluator.Compile(Expression());
        evaluator.Compute(value);
        evaluator.Discard();
    } catch (const EQREvaluatorError &e) {
        value = TQREvValue::Error(e.Message());
    }
    if (m_local)
        m_local->Disengage();
    GlobalEvEnvironment().Disengage();
    return ValidationText(value);
}

void TQRExpressionBuilder::Validate()
{
    Prompt().MessageBox(ValidationMessage(), windowTitle(), mtInformation, TMsgButtons::OK);
}

// --- The designer's builder ---

TQRDExpressionBuilder::TQRDExpressionBuilder(QWidget *parent) : TQRExpressionBuilder(parent) {}

QList<QPair<QString, TDataSet *>> TQRDExpressionBuilder::AvailableDatasets() const
{
    QList<QPair<QString, TDataSet *>> list;
    TComponent *window = Window();
    if (!window)
        return list;
    for (TComponent *c : window->ComponentList()) {
        auto *source = qobject_cast<TDataSource *>(c);
        TDataSet *ds = source ? source->DataSet() : nullptr;
        if (!ds || hostName(source->Name()) || hostName(ds->Name()) || DatasetFields(ds).isEmpty())
            continue;
        bool seen = false;
        for (const auto &entry : list)
            seen = seen || entry.second == ds;
        if (!seen)
            list.append({ds->Name(), ds});
    }
    return list;
}

QList<QPair<QString, QString>> TQRDExpressionBuilder::DatasetFields(TDataSet *dataSet) const
{
    QList<QPair<QString, QString>> list;
    for (TField *field : dataSet->FieldList()) {
        if (!field->Visible() || hostName(field->Name()))
            continue;
        QString shown = field->FieldName();
        if (field->DisplayLabel() != field->FieldName())
            shown += QStringLiteral("  (") + field->DisplayLabel() + u')';
        list.append({shown, field->FieldName()});
    }
    return list;
}

bool TQRDExpressionBuilder::ListsFunction(const TQRLibraryEntry &entry) const
{
    // The colour constants (category 8) stay out of the designer's list.
    const int category = entry.ArgumentSignature.isEmpty() ? 0 : entry.ArgumentSignature.at(0).digitValue();
    return category <= 7;
}

TQRExpressionBuilder *TQRDExpressionBuilder::NewBuilder(QWidget *parent) const
{
    return new TQRDExpressionBuilder(parent);
}
