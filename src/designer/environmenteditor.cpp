#include "designer/environmenteditor.h"

#include "designer/expressionbuilder.h"
#include "expressions/environment.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <memory>

TQREnvironmentEditor::TQREnvironmentEditor(TQREvEnvironment *local, QWidget *parent)
    : QDialog(parent), m_local(local), m_showLocal(local != nullptr)
{
    // The caption has always been spelt this way.
    setWindowTitle(QStringLiteral("User Defined Functions Edtor"));
    m_builderFactory = [](QWidget *p) { return new TQRExpressionBuilder(p); };

    auto *layout = new QVBoxLayout(this);
    auto *choices = new QHBoxLayout;
    m_localChoice = new QRadioButton(QStringLiteral("&Local defines"), this);
    m_globalChoice = new QRadioButton(QStringLiteral("&Global defines"), this);
    m_localChoice->setEnabled(local != nullptr);
    m_localChoice->setVisible(local != nullptr);
    (m_showLocal ? m_localChoice : m_globalChoice)->setChecked(true);
    connect(m_localChoice, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ShowLocal(true);
    });
    connect(m_globalChoice, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ShowLocal(false);
    });
    choices->addWidget(m_localChoice);
    choices->addWidget(m_globalChoice);
    choices->addStretch();
    layout->addLayout(choices);

    m_grid = new QTableWidget(0, 2, this);
    m_grid->setHorizontalHeaderLabels({tr("Name"), tr("Expression")});
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->verticalHeader()->hide();
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    connect(m_grid, &QTableWidget::itemChanged, this, &TQREnvironmentEditor::cellChanged);
    layout->addWidget(m_grid);

    m_newEntry = new QGroupBox(QStringLiteral("New entry"), this);
    auto *entry = new QGridLayout(m_newEntry);
    m_newName = new QLineEdit(m_newEntry);
    m_newExpression = new QLineEdit(m_newEntry);
    auto *more = new QPushButton(QStringLiteral("..."), m_newEntry);
    more->setMaximumWidth(28);
    connect(more, &QPushButton::clicked, this, &TQREnvironmentEditor::BuildNewExpression);
    auto *ok = new QPushButton(QStringLiteral("&OK"), m_newEntry);
    connect(ok, &QPushButton::clicked, this, &TQREnvironmentEditor::ConfirmAdd);
    auto *cancel = new QPushButton(QStringLiteral("&Cancel"), m_newEntry);
    connect(cancel, &QPushButton::clicked, this, &TQREnvironmentEditor::CancelAdd);
    entry->addWidget(new QLabel(QStringLiteral("Name :"), m_newEntry), 0, 0);
    entry->addWidget(m_newName, 0, 1, 1, 2);
    entry->addWidget(new QLabel(QStringLiteral("Expression :"), m_newEntry), 1, 0);
    entry->addWidget(m_newExpression, 1, 1);
    entry->addWidget(more, 1, 2);
    auto *entryButtons = new QHBoxLayout;
    entryButtons->addStretch();
    entryButtons->addWidget(ok);
    entryButtons->addWidget(cancel);
    entry->addLayout(entryButtons, 2, 0, 1, 3);
    m_newEntry->hide();
    layout->addWidget(m_newEntry);

    auto *buttons = new QHBoxLayout;
    auto *add = new QPushButton(QStringLiteral("&Add"), this);
    connect(add, &QPushButton::clicked, this, &TQREnvironmentEditor::BeginAdd);
    auto *edit = new QPushButton(QStringLiteral("&Edit"), this);
    connect(edit, &QPushButton::clicked, this, [this] { EditRow(m_grid->currentRow()); });
    auto *remove = new QPushButton(QStringLiteral("&Delete"), this);
    connect(remove, &QPushButton::clicked, this, [this] { DeleteRow(m_grid->currentRow()); });
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(add);
    buttons->addWidget(edit);
    buttons->addWidget(remove);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);

    // A double click on a row edits it through the builder.
    m_grid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { EditRow(row); });

    resize(480, 360);
    Refresh();
}

void TQREnvironmentEditor::SetBuilderFactory(std::function<TQRExpressionBuilder *(QWidget *)> factory)
{
    if (factory)
        m_builderFactory = std::move(factory);
}

TQREvEnvironment *TQREnvironmentEditor::Environment() const
{
    return m_showLocal && m_local ? m_local : &GlobalEvEnvironment();
}

void TQREnvironmentEditor::ShowLocal(bool local)
{
    m_showLocal = local && m_local;
    (m_showLocal ? m_localChoice : m_globalChoice)->setChecked(true);
    Refresh();
}

void TQREnvironmentEditor::Refresh()
{
    m_filling = true;
    TQREvEnvironment *env = Environment();
    m_grid->setRowCount(env->Count());
    for (int i = 0; i < env->Count(); ++i) {
        m_grid->setItem(i, 0, new QTableWidgetItem(env->Name(i)));
        m_grid->setItem(i, 1, new QTableWidgetItem(env->Expression(i)));
    }
    m_filling = false;
}

void TQREnvironmentEditor::cellChanged(QTableWidgetItem *item)
{
    if (m_filling)
        return;
    TQREvEnvironment *env = Environment();
    const int row = item->row();
    const int column = item->column();
    if (row < 0 || row >= env->Count())
        return;
    if (column == 0)
        env->RenameVariable(row, item->text());
    else
        // Refused while the environment is prepared; the cell then shows the current text again.
        env->SetVariableExpression(row, item->text());
    // Refresh fills the grid anew: item is gone afterwards.
    Refresh();
    m_grid->setCurrentCell(row, column);
}

bool TQREnvironmentEditor::build(QString &text)
{
    std::unique_ptr<TQRExpressionBuilder> builder(m_builderFactory(this));
    builder->Setup(QString(), text, nullptr, m_local);
    if (!builder->Execute())
        return false;
    text = builder->Expression();
    return true;
}

void TQREnvironmentEditor::BeginAdd()
{
    m_newName->clear();
    m_newExpression->clear();
    m_newEntry->show();
    m_newName->setFocus();
}

void TQREnvironmentEditor::ConfirmAdd()
{
    if (!m_newName->text().trimmed().isEmpty())
        Environment()->AddVariable(m_newName->text().trimmed(), m_newExpression->text());
    m_newEntry->hide();
    Refresh();
}

void TQREnvironmentEditor::CancelAdd()
{
    m_newEntry->hide();
}

void TQREnvironmentEditor::BuildNewExpression()
{
    QString text = m_newExpression->text();
    if (build(text))
        m_newExpression->setText(text);
}

void TQREnvironmentEditor::EditRow(int row)
{
    if (row < 0 || row >= m_grid->rowCount())
        return;
    QString text = m_grid->item(row, 1)->text();
    if (build(text))
        m_grid->item(row, 1)->setText(text); // applied through cellChanged
}

void TQREnvironmentEditor::DeleteRow(int row)
{
    TQREvEnvironment *env = Environment();
    if (row < 0 || row >= env->Count())
        return;
    env->RemoveVariable(env->Name(row));
    Refresh();
    if (m_grid->rowCount() > 0)
        m_grid->setCurrentCell(qMin(row, m_grid->rowCount() - 1), 0);
}
