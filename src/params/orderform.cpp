#include "params/orderform.h"
#include "params/chooser.h"

#include "params/kindimages.h"
#include "params/pareditform.h"

#include "gui/helpform.h"
#include "gui/translatewindow.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace
{
constexpr int HelpCreationOrder = 1009;
}

TOrderForm *TOrderForm::Instance()
{
    static QPointer<TOrderForm> instance;
    if (!instance) {
        instance = new TOrderForm;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, instance, &QObject::deleteLater);
    }
    return instance;
}

TOrderForm::TOrderForm()
{
    setObjectName(QStringLiteral("OrderForm"));
    setWindowTitle(QStringLiteral("Creation order"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("Controls"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Control element")});
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { updateButtons(); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { EditControl(); });

    const auto button = [this](const QString &text, const QString &name, auto slot) {
        return ListDialogButton(this, text, name, slot);
    };
    m_edit = button(QStringLiteral("&Edit"), QStringLiteral("EditButton"), [this] { EditControl(); });
    m_delete = button(QStringLiteral("&Delete"), QStringLiteral("DeleteButton"), [this] { DeleteControl(); });
    m_up = button(QStringLiteral("Move &up"), QStringLiteral("UpButton"), [this] { MoveControl(-1); });
    m_down = button(QStringLiteral("Move do&wn"), QStringLiteral("DownButton"), [this] { MoveControl(1); });
    QPushButton *close =
        button(QStringLiteral("&Close"), QStringLiteral("CloseButton"), [this] { accept(); });

    LayOutListDialog(this, m_list, {m_edit, m_delete, m_up, m_down}, close);

    auto *help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { THelpForm::ShowTopic(this, HelpCreationOrder); });
    TranslateWindow(this, QStringLiteral("OrderForm"));
    resize(360, 320);
}

void TOrderForm::Execute(TParEditForm *editor)
{
    m_editor = editor;
    fill(0);
    exec();
    m_editor = nullptr;
}

void TOrderForm::done(int result)
{
    // The order was changed in place: the descriptor counts as changed however the list closes.
    if (m_editor)
        m_editor->SetModified();
    QDialog::done(result);
}

void TOrderForm::fill(int row)
{
    m_list->clear();
    if (!m_editor)
        return;
    for (const TEditorControl &c : std::as_const(m_editor->Descriptor().Controls)) {
        auto *item = new QTreeWidgetItem({c.Name});
        item->setIcon(0, KindImage(c.Kind));
        m_list->addTopLevelItem(item);
    }
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(std::clamp(row, 0, m_list->topLevelItemCount() - 1)));
    updateButtons();
}

int TOrderForm::currentRow() const
{
    return m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
}

void TOrderForm::updateButtons()
{
    const int row = currentRow();
    m_edit->setEnabled(row >= 0);
    m_delete->setEnabled(row >= 0);
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row < m_list->topLevelItemCount() - 1);
}

void TOrderForm::EditControl()
{
    const int row = currentRow();
    if (!m_editor || row < 0)
        return;
    m_editor->ShowProperties(m_editor->Descriptor().Controls.at(row).Name);
    fill(row);
}

void TOrderForm::DeleteControl()
{
    const int row = currentRow();
    if (!m_editor || row < 0)
        return;
    m_editor->DeleteControl(m_editor->Descriptor().Controls.at(row).Name);
    fill(row);
}

void TOrderForm::MoveControl(int delta)
{
    const int row = currentRow();
    if (!m_editor || row < 0)
        return;
    if (m_editor->MoveControl(row, delta))
        fill(row + delta);
}

void TOrderForm::RegisterTranslation()
{
    RegisterLanguageWindow(QStringLiteral("OrderForm"), [] { return new TOrderForm; });
}
