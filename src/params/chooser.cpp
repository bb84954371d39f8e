#include "params/chooser.h"
#include "gui/translatewindow.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

void LayOutListDialog(QWidget *dialog, QWidget *list, const QList<QPushButton *> &buttons, QPushButton *close)
{
    auto *column = new QVBoxLayout;
    for (QPushButton *b : buttons)
        column->addWidget(b);
    column->addStretch(1);
    column->addWidget(close);
    auto *layout = new QHBoxLayout(dialog);
    layout->addWidget(list, 1);
    layout->addLayout(column);
}

TTwoListChooser::TTwoListChooser(const QString &title, const QString &availableLabel,
                                 const QString &selectedLabel, QWidget *parent)
    : QDialog(parent), m_available(new QListWidget(this)), m_selected(new QListWidget(this))
{
    setObjectName(QStringLiteral("ChooserForm"));
    m_available->setObjectName(QStringLiteral("AvailableList"));
    m_selected->setObjectName(QStringLiteral("SelectedList"));

    auto *availableCaption = new QLabel(this);
    availableCaption->setBuddy(m_available);
    auto *selectedCaption = new QLabel(this);
    selectedCaption->setBuddy(m_selected);

    const auto button = [this](const QString &text, const QString &name, auto slot) {
        return ListDialogButton(this, text, name, slot);
    };
    auto *moves = new QVBoxLayout;
    moves->addStretch(1);
    moves->addWidget(
        button(QStringLiteral(">"), QStringLiteral("SelectButton"), [this] { SelectCurrent(); }));
    moves->addWidget(
        button(QStringLiteral(">>"), QStringLiteral("SelectAllButton"), [this] { SelectAll(); }));
    moves->addWidget(
        button(QStringLiteral("<"), QStringLiteral("DeselectButton"), [this] { DeselectCurrent(); }));
    moves->addWidget(
        button(QStringLiteral("<<"), QStringLiteral("DeselectAllButton"), [this] { DeselectAll(); }));
    moves->addStretch(1);
    auto *order = new QVBoxLayout;
    order->addStretch(1);
    order->addWidget(button(QStringLiteral("Up"), QStringLiteral("UpButton"), [this] { MoveSelected(-1); }));
    order->addWidget(
        button(QStringLiteral("Down"), QStringLiteral("DownButton"), [this] { MoveSelected(1); }));
    order->addStretch(1);

    connect(m_available, &QListWidget::itemDoubleClicked, this, [this] { SelectCurrent(); });
    connect(m_selected, &QListWidget::itemDoubleClicked, this, [this] { DeselectCurrent(); });

    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *grid = new QGridLayout(this);
    grid->addWidget(availableCaption, 0, 0);
    grid->addWidget(selectedCaption, 0, 2);
    grid->addWidget(m_available, 1, 0);
    grid->addLayout(moves, 1, 1);
    grid->addWidget(m_selected, 1, 2);
    grid->addLayout(order, 1, 3);
    grid->addWidget(box, 2, 0, 1, 4);
    TranslateWindow(this, QStringLiteral("ChooserForm"));
    // The caption and the lists' titles name what is chosen; the caller gives them in its own words.
    setWindowTitle(title);
    availableCaption->setText(availableLabel);
    selectedCaption->setText(selectedLabel);
    resize(460, 320);
}

void TTwoListChooser::SetItems(const QStringList &available, const QStringList &selected)
{
    m_available->clear();
    m_selected->clear();
    for (const QString &s : selected)
        m_selected->addItem(s);
    for (const QString &a : available)
        if (!selected.contains(a, Qt::CaseInsensitive))
            m_available->addItem(a);
}

QStringList TTwoListChooser::Selected() const
{
    QStringList items;
    for (int i = 0; i < m_selected->count(); ++i)
        items.append(m_selected->item(i)->text());
    return items;
}

void TTwoListChooser::moveItem(QListWidget *from, QListWidget *to, int row)
{
    if (row < 0 || row >= from->count())
        return;
    QListWidgetItem *item = from->takeItem(row);
    to->addItem(item);
    to->setCurrentItem(item);
}

void TTwoListChooser::SelectCurrent()
{
    moveItem(m_available, m_selected, m_available->currentRow());
}

void TTwoListChooser::DeselectCurrent()
{
    moveItem(m_selected, m_available, m_selected->currentRow());
}

void TTwoListChooser::SelectAll()
{
    while (m_available->count() > 0)
        moveItem(m_available, m_selected, 0);
}

void TTwoListChooser::DeselectAll()
{
    while (m_selected->count() > 0)
        moveItem(m_selected, m_available, 0);
}

void TTwoListChooser::MoveSelected(int delta)
{
    const int row = m_selected->currentRow();
    const int target = row + delta;
    if (row < 0 || target < 0 || target >= m_selected->count())
        return;
    QListWidgetItem *item = m_selected->takeItem(row);
    m_selected->insertItem(target, item);
    m_selected->setCurrentItem(item);
}

bool TTwoListChooser::Execute(QWidget *parent, const QString &title, const QString &availableLabel,
                              const QString &selectedLabel, const QStringList &available,
                              QStringList &selected)
{
    TTwoListChooser chooser(title, availableLabel, selectedLabel, parent);
    chooser.SetItems(available, selected);
    if (chooser.exec() != QDialog::Accepted)
        return false;
    selected = chooser.Selected();
    return true;
}
