#include "params/varform.h"
#include "params/chooser.h"

#include "params/editvarform.h"
#include "params/pareditform.h"

#include "gui/helpform.h"
#include "gui/translatewindow.h"
#include "gui/usersettings.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace
{
const QString StoreName = QStringLiteral("Tabulon.ini");
constexpr int HelpQueryParameters = 1008;
constexpr int HelpLabels = 10081;
constexpr int TypeColumnWidth = 100;
} // namespace

TVarForm *TVarForm::Instance()
{
    static QPointer<TVarForm> instance;
    if (!instance) {
        instance = new TVarForm;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, instance, &QObject::deleteLater);
    }
    return instance;
}

TVarForm::TVarForm()
{
    setObjectName(QStringLiteral("VarForm"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("Bindings"));
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { EditBinding(); });
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { updateButtons(); });

    const auto button = [this](const QString &text, const QString &name, auto slot) {
        return ListDialogButton(this, text, name, slot);
    };
    m_add = button(QStringLiteral("&Add"), QStringLiteral("AddButton"), [this] { AddBinding(); });
    m_edit = button(QStringLiteral("&Edit"), QStringLiteral("EditButton"), [this] { EditBinding(); });
    m_delete = button(QStringLiteral("&Delete"), QStringLiteral("DeleteButton"), [this] { DeleteBinding(); });
    m_up = button(QStringLiteral("Move &up"), QStringLiteral("UpButton"), [this] { MoveBinding(-1); });
    m_down = button(QStringLiteral("Move do&wn"), QStringLiteral("DownButton"), [this] { MoveBinding(1); });
    QPushButton *close =
        button(QStringLiteral("&Close"), QStringLiteral("CloseButton"), [this] { accept(); });

    LayOutListDialog(this, m_list, {m_add, m_edit, m_delete, m_up, m_down}, close);

    auto *help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] {
        THelpForm::ShowTopic(this, m_kind == TVarRec::QueryParameter ? HelpQueryParameters : HelpLabels);
    });
    TranslateWindow(this, QStringLiteral("VarForm"));
    resize(520, 300);
}

QString TVarForm::layoutSection() const
{
    return m_kind == TVarRec::QueryParameter ? QStringLiteral("Variables") : QStringLiteral("Labels");
}

void TVarForm::Execute(TParEditForm *editor, TVarRec::TBindingKind kind)
{
    m_editor = editor;
    m_kind = kind;
    const bool parameters = kind == TVarRec::QueryParameter;
    setWindowTitle(parameters ? QStringLiteral("Query parameters") : QStringLiteral("Report labels"));
    if (parameters) {
        m_list->setHeaderLabels(
            {QStringLiteral("Parameter name"), QStringLiteral("Association"), QStringLiteral("Data type")});
        m_list->setColumnWidth(2, TypeColumnWidth);
    } else {
        m_list->setHeaderLabels({QStringLiteral("Label name"), QStringLiteral("Association")});
        m_list->setColumnCount(2);
    }
    m_up->setVisible(parameters);
    m_down->setVisible(parameters);
    WindowLayout::Restore(this, StoreName, layoutSection(), true);
    WindowLayout::RestoreColumns(m_list, StoreName, layoutSection());
    fill(0);
    exec();
    m_editor = nullptr;
}

void TVarForm::done(int result)
{
    WindowLayout::Save(this, StoreName, layoutSection(), true);
    WindowLayout::SaveColumns(m_list, StoreName, layoutSection());
    // The bindings were edited in place: the descriptor counts as changed whichever way the
    // list is closed.
    if (m_editor)
        m_editor->SetModified();
    QDialog::done(result);
}

void TVarForm::fill(int currentRow)
{
    m_list->clear();
    if (!m_editor)
        return;
    const TEditorDescriptor &d = m_editor->Descriptor();
    for (int index : d.VarIndexes(m_kind)) {
        const TVarRec &v = d.Vars.at(index);
        QStringList columns{v.Name, v.SourceText()};
        if (m_kind == TVarRec::QueryParameter)
            columns.append(ParamDataTypeName(v.DataType));
        auto *item = new QTreeWidgetItem(columns);
        item->setData(0, Qt::UserRole, index);
        m_list->addTopLevelItem(item);
    }
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(
            m_list->topLevelItem(std::clamp(currentRow, 0, m_list->topLevelItemCount() - 1)));
    updateButtons();
}

void TVarForm::updateButtons()
{
    const int row = m_list->currentItem() ? m_list->indexOfTopLevelItem(m_list->currentItem()) : -1;
    m_edit->setEnabled(row >= 0);
    m_delete->setEnabled(row >= 0);
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row < m_list->topLevelItemCount() - 1);
}

int TVarForm::currentVarIndex() const
{
    QTreeWidgetItem *item = m_list->currentItem();
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

void TVarForm::AddBinding()
{
    if (!m_editor)
        return;
    TVarRec v;
    v.BindingKind = m_kind;
    v.DataType = TParamDataType::String;
    if (!TEditVarForm::Execute(this, v, m_editor->ControlNames()) || v.Name.isEmpty())
        return;
    m_editor->Descriptor().Vars.append(v);
    fill(m_list->topLevelItemCount());
}

void TVarForm::EditBinding()
{
    const int index = currentVarIndex();
    if (!m_editor || index < 0)
        return;
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    TVarRec v = m_editor->Descriptor().Vars.at(index);
    if (!TEditVarForm::Execute(this, v, m_editor->ControlNames()))
        return;
    m_editor->Descriptor().Vars[index] = v;
    fill(row);
}

void TVarForm::DeleteBinding()
{
    const int index = currentVarIndex();
    if (!m_editor || index < 0)
        return;
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    m_editor->Descriptor().Vars.removeAt(index);
    fill(row);
}

void TVarForm::MoveBinding(int delta)
{
    const int index = currentVarIndex();
    if (!m_editor || index < 0)
        return;
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (m_editor->Descriptor().MoveVar(index, delta) >= 0)
        fill(row + delta);
}

void TVarForm::RegisterTranslation()
{
    RegisterLanguageWindow(
        QStringLiteral("VarForm"), [] { return new TVarForm; }, true);
}
