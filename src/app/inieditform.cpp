#include "app/inieditform.h"

#include "app/editform.h"
#include "app/images.h"
#include "app/sortedlist.h"
#include "common/programdir.h"
#include "common/prompt.h"
#include "gui/usersettings.h"

#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace
{
const QString Store = QStringLiteral("IniEditor.Ini");
const QString WindowGroup = QStringLiteral("TIniEditForm");
const QString GroupListGroup = QStringLiteral("TIniEditForm.Groups");
const QString ReportListGroup = QStringLiteral("TIniEditForm.Reports");
constexpr int CommittedRole = Qt::UserRole; // the name the file holds for the item

// Holds the "program is changing the lists" state for a scope.
class TUpdating
{
public:
    explicit TUpdating(int &counter) : m_counter(counter) { ++m_counter; }
    ~TUpdating() { --m_counter; }

private:
    int &m_counter;
};

QToolBar *makeToolBar(QWidget *parent)
{
    auto *bar = new QToolBar(parent);
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    return bar;
}

// A list command: its shortcuts act while its list has the focus (not while an in-place editor
// does), and the tooltip names the first of them.
QAction *makeAction(QWidget *owner, int image, const QString &text, const QString &name,
                    const QList<QKeySequence> &shortcuts)
{
    auto *action = new QAction(AppImage(image), text, owner);
    action->setObjectName(name);
    action->setShortcuts(shortcuts);
    action->setShortcutContext(Qt::WidgetShortcut);
    action->setToolTip(
        shortcuts.isEmpty()
            ? text
            : QStringLiteral("%1 (%2)").arg(text, shortcuts.constFirst().toString(QKeySequence::NativeText)));
    return action;
}

TEditableSortedList *makeList(QWidget *parent, const QStringList &headers, const QString &name)
{
    auto *list = new TEditableSortedList(parent);
    list->setObjectName(name);
    list->setColumnCount(int(headers.size()));
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A double click is a command of its own, so only a click on the selected item (and the
    // commands) start in-place editing; F2 and Enter are the list's edit command.
    list->setEditTriggers(QAbstractItemView::SelectedClicked);
    list->setSortingEnabled(true);
    list->sortByColumn(0, Qt::AscendingOrder);
    list->header()->setSectionsClickable(false);
    list->header()->setSortIndicatorShown(false);
    list->header()->setStretchLastSection(true);
    // The list's commands, with their keys, make its context menu.
    list->setContextMenuPolicy(Qt::ActionsContextMenu);
    return list;
}

// The keys of the list commands (made when needed: key sequences need the application).
QList<QKeySequence> addKeys()
{
    return {QKeySequence(Qt::Key_Insert)};
}

QList<QKeySequence> editKeys()
{
    return {QKeySequence(Qt::Key_F2), QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)};
}

QList<QKeySequence> deleteKeys()
{
    return {QKeySequence(Qt::Key_Delete)};
}
} // namespace

TIniEditForm::TIniEditForm(const QString &fileName, QWidget *parent) : QDialog(parent), m_catalogue(fileName)
{
    setObjectName(QStringLiteral("IniEditForm"));
    setWindowTitle(QStringLiteral("Reports list"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setMinimumSize(440, 280);
    resize(600, 380);

    m_addGroup = makeAction(this, imgAdd, QStringLiteral("Add group"), QStringLiteral("AddGroup"), addKeys());
    m_editGroup =
        makeAction(this, imgEdit, QStringLiteral("Edit group"), QStringLiteral("EditGroup"), editKeys());
    m_deleteGroup = makeAction(this, imgDelete, QStringLiteral("Delete group"), QStringLiteral("DeleteGroup"),
                               deleteKeys());
    m_addReport =
        makeAction(this, imgAdd, QStringLiteral("Add report"), QStringLiteral("AddReport"), addKeys());
    m_editReport =
        makeAction(this, imgEdit, QStringLiteral("Edit report"), QStringLiteral("EditReport"), editKeys());
    m_deleteReport = makeAction(this, imgDelete, QStringLiteral("Delete report"),
                                QStringLiteral("DeleteReport"), deleteKeys());

    // Left pane: the groups.
    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(2);
    QToolBar *groupBar = makeToolBar(left);
    groupBar->addAction(m_addGroup);
    groupBar->addAction(m_editGroup);
    groupBar->addAction(m_deleteGroup);
    m_groups = makeList(left, {QStringLiteral("Report groups")}, QStringLiteral("GroupList"));
    m_groups->addActions({m_addGroup, m_editGroup, m_deleteGroup});
    leftLayout->addWidget(groupBar);
    leftLayout->addWidget(m_groups, 1);

    // Right pane: the selected group's reports.
    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(2);
    QToolBar *reportBar = makeToolBar(right);
    reportBar->addAction(m_addReport);
    reportBar->addAction(m_editReport);
    reportBar->addAction(m_deleteReport);
    m_reports = makeList(right, {QStringLiteral("File"), QStringLiteral("Report name")},
                         QStringLiteral("ReportList"));
    m_reports->setItemDelegateForColumn(1, new TReadOnlyDelegate(m_reports));
    m_reports->setColumnWidth(0, 140);
    m_reports->addActions({m_addReport, m_editReport, m_deleteReport});
    rightLayout->addWidget(reportBar);
    rightLayout->addWidget(m_reports, 1);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("Splitter"));
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(left);
    m_splitter->addWidget(right);
    m_splitter->setStretchFactor(0, 2);
    m_splitter->setStretchFactor(1, 3);
    m_splitter->setSizes({220, 360});

    // Bottom: the selected group's name and "Close".
    m_groupLabel = new TElidedLabel(this);
    m_groupLabel->setObjectName(QStringLiteral("GroupLabel"));
    m_groupLabel->setTextFormat(Qt::PlainText);
    QFont bold = m_groupLabel->font();
    bold.setBold(true);
    m_groupLabel->setFont(bold);
    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_close->setObjectName(QStringLiteral("CloseButton"));
    m_close->setAutoDefault(false);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_groupLabel, 1);
    bottom->addWidget(m_close);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->addWidget(m_splitter, 1);
    layout->addLayout(bottom);

    connect(m_addGroup, &QAction::triggered, this, &TIniEditForm::AddGroup);
    connect(m_editGroup, &QAction::triggered, this, &TIniEditForm::EditGroup);
    connect(m_deleteGroup, &QAction::triggered, this, &TIniEditForm::DeleteGroup);
    connect(m_addReport, &QAction::triggered, this, &TIniEditForm::AddReport);
    connect(m_editReport, &QAction::triggered, this, &TIniEditForm::EditReport);
    connect(m_deleteReport, &QAction::triggered, this, &TIniEditForm::DeleteReport);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_groups, &QTreeWidget::itemSelectionChanged, this, &TIniEditForm::groupSelectionChanged);
    connect(m_groups, &QTreeWidget::itemChanged, this, &TIniEditForm::groupItemChanged);
    connect(m_reports, &QTreeWidget::itemChanged, this, &TIniEditForm::reportItemChanged);
    connect(m_reports, &QTreeWidget::itemSelectionChanged, this, &TIniEditForm::updateReportCommands);
    connect(m_reports, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *, int) { EditReport(); });

    WindowLayout::Restore(this, Store, WindowGroup, true);
    WindowLayout::RestoreColumns(m_groups, Store, GroupListGroup);
    WindowLayout::RestoreColumns(m_reports, Store, ReportListGroup);
    // The group list's one column fills its pane, so the pane sizes carry its width.
    {
        auto settings = UserSettings(Store);
        m_splitter->restoreState(settings->value(WindowGroup + QStringLiteral("/Splitter")).toByteArray());
    }

    // Opening: one item per section; the first group in the (sorted) list is selected.
    {
        TUpdating updating(m_updating);
        for (const QString &group : m_catalogue.Groups())
            addGroupItem(group);
    }
    if (QTreeWidgetItem *first = m_groups->topLevelItem(0))
        m_groups->setCurrentItem(first);
    groupSelectionChanged();
}

TIniEditForm::~TIniEditForm() = default;

QString TIniEditForm::CatalogueFileName(const QStringList &arguments)
{
    if (arguments.size() > 1 && !arguments.at(1).isEmpty())
        return QFileInfo(arguments.at(1)).absoluteFilePath();
    return TCatalogue::ProgramCatalogue();
}

void TIniEditForm::Execute(QWidget *parent, const QString &fileName)
{
    TIniEditForm editor(fileName, parent);
    editor.exec();
}

void TIniEditForm::done(int result)
{
    WindowLayout::Save(this, Store, WindowGroup, true);
    WindowLayout::SaveColumns(m_groups, Store, GroupListGroup);
    WindowLayout::SaveColumns(m_reports, Store, ReportListGroup);
    UserSettings(Store)->setValue(WindowGroup + QStringLiteral("/Splitter"), m_splitter->saveState());
    QDialog::done(result);
}

QTreeWidgetItem *TIniEditForm::selectedGroupItem() const
{
    const QList<QTreeWidgetItem *> selected = m_groups->selectedItems();
    return selected.isEmpty() ? nullptr : selected.constFirst();
}

QTreeWidgetItem *TIniEditForm::selectedReportItem() const
{
    const QList<QTreeWidgetItem *> selected = m_reports->selectedItems();
    return selected.isEmpty() ? nullptr : selected.constFirst();
}

QString TIniEditForm::SelectedGroup() const
{
    const QTreeWidgetItem *item = selectedGroupItem();
    return item ? item->data(0, CommittedRole).toString() : QString();
}

QStringList TIniEditForm::GroupNames() const
{
    QStringList names;
    for (int i = 0; i < m_groups->topLevelItemCount(); ++i)
        names.append(m_groups->topLevelItem(i)->text(0));
    return names;
}

QList<TCatalogueReport> TIniEditForm::ShownReports() const
{
    QList<TCatalogueReport> reports;
    for (int i = 0; i < m_reports->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = m_reports->topLevelItem(i);
        reports.append({item->data(0, CommittedRole).toString(), item->text(1)});
    }
    return reports;
}

QTreeWidgetItem *TIniEditForm::findGroupItem(const QString &name) const
{
    for (int i = 0; i < m_groups->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_groups->topLevelItem(i);
        if (TCatalogue::SameName(item->data(0, CommittedRole).toString(), name))
            return item;
    }
    return nullptr;
}

QTreeWidgetItem *TIniEditForm::findReportItem(const QString &key, const QTreeWidgetItem *except) const
{
    for (int i = 0; i < m_reports->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_reports->topLevelItem(i);
        if (item != except && TCatalogue::SameName(item->data(0, CommittedRole).toString(), key))
            return item;
    }
    return nullptr;
}

bool TIniEditForm::SelectGroup(const QString &name)
{
    QTreeWidgetItem *item = findGroupItem(name);
    if (!item)
        return false;
    m_groups->setCurrentItem(item);
    return true;
}

bool TIniEditForm::SelectReport(const QString &key)
{
    QTreeWidgetItem *item = findReportItem(key);
    if (!item)
        return false;
    m_reports->setCurrentItem(item);
    return true;
}

QTreeWidgetItem *TIniEditForm::addGroupItem(const QString &name)
{
    TUpdating updating(m_updating);
    auto *item = new TNameSortedItem(QStringList{name});
    item->setIcon(0, AppImage(imgGroupOpen));
    item->setData(0, CommittedRole, name);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_groups->addTopLevelItem(item);
    return item;
}

void TIniEditForm::setReportItem(QTreeWidgetItem *item, const TCatalogueReport &report)
{
    TUpdating updating(m_updating);
    item->setText(0, report.key);
    item->setText(1, report.description);
    item->setData(0, CommittedRole, report.key);
}

QTreeWidgetItem *TIniEditForm::addReportItem(const TCatalogueReport &report)
{
    TUpdating updating(m_updating);
    auto *item = new TNameSortedItem;
    item->setIcon(0, AppImage(imgReport));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    setReportItem(item, report);
    m_reports->addTopLevelItem(item);
    return item;
}

QString TIniEditForm::fileSpelling(const QString &key, const QTreeWidgetItem *except) const
{
    // A line that already held the key keeps its spelling in the file.
    if (const QTreeWidgetItem *other = findReportItem(key, except))
        return other->data(0, CommittedRole).toString();
    return key;
}

void TIniEditForm::removeOtherReportItems(const QString &key, const QTreeWidgetItem *keep)
{
    TUpdating updating(m_updating);
    while (QTreeWidgetItem *other = findReportItem(key, keep))
        delete other;
}

void TIniEditForm::showError(const QString &message)
{
    Prompt().ShowError(message);
}

void TIniEditForm::updateReportCommands()
{
    const bool group = selectedGroupItem() != nullptr;
    m_editGroup->setEnabled(group);
    m_deleteGroup->setEnabled(group);
    m_addReport->setEnabled(group);
    m_editReport->setEnabled(group && selectedReportItem() != nullptr);
    m_deleteReport->setEnabled(group && m_reports->topLevelItemCount() > 0);
}

void TIniEditForm::groupSelectionChanged()
{
    {
        TUpdating updating(m_updating);
        m_reports->clear();
    }
    m_shownGroup.clear();
    QTreeWidgetItem *item = selectedGroupItem();
    if (!item) {
        m_groupLabel->SetFullText(QString());
        updateReportCommands();
        return;
    }
    m_shownGroup = item->data(0, CommittedRole).toString();
    m_groupLabel->SetFullText(m_shownGroup);
    for (const TCatalogueReport &report : m_catalogue.Reports(m_shownGroup))
        addReportItem(report);
    updateReportCommands();
}

QList<TCatalogueReport> TIniEditForm::reportsInListOrder(const QString &group) const
{
    if (TCatalogue::SameName(group, m_shownGroup) && !m_shownGroup.isEmpty())
        return ShownReports();
    // A group edited in place is normally the one shown; any other one keeps
    // the order the list would show.
    QList<TCatalogueReport> reports = m_catalogue.Reports(group);
    std::stable_sort(reports.begin(), reports.end(),
                     [](const TCatalogueReport &a, const TCatalogueReport &b) {
                         const int folded = a.key.compare(b.key, Qt::CaseInsensitive);
                         return folded != 0 ? folded < 0 : a.key < b.key;
                     });
    return reports;
}

void TIniEditForm::groupItemChanged(QTreeWidgetItem *item, int column)
{
    if (m_updating || column != 0)
        return;
    const QString oldName = item->data(0, CommittedRole).toString();
    const QString newName = item->text(0).trimmed();
    auto revert = [&] {
        TUpdating updating(m_updating);
        item->setText(0, oldName);
    };
    if (newName == oldName) {
        revert(); // blanks typed around the name
        return;
    }
    if (newName.isEmpty()) {
        revert();
        return;
    }
    if (!m_catalogue.RenameGroup(oldName, newName, reportsInListOrder(oldName))) {
        revert();
        showError(m_catalogue.LastError());
        return;
    }
    {
        TUpdating updating(m_updating);
        item->setText(0, newName);
        item->setData(0, CommittedRole, newName);
    }
    if (item == selectedGroupItem()) {
        m_shownGroup = newName;
        m_groupLabel->SetFullText(newName);
    }
    m_groups->scrollToItem(item);
}

void TIniEditForm::reportItemChanged(QTreeWidgetItem *item, int column)
{
    if (m_updating || column != 0 || m_shownGroup.isEmpty())
        return;
    const QString oldKey = item->data(0, CommittedRole).toString();
    const QString newKey = item->text(0).trimmed();
    auto revert = [&] {
        TUpdating updating(m_updating);
        item->setText(0, oldKey);
    };
    if (newKey == oldKey || newKey.isEmpty()) {
        revert();
        return;
    }
    const TCatalogueReport report{newKey, item->text(1)};
    if (!m_catalogue.ReplaceReport(m_shownGroup, oldKey, report)) {
        revert();
        showError(m_catalogue.LastError());
        return;
    }
    setReportItem(item, {fileSpelling(newKey, item), report.description});
    // The file holds one line per key: an item the new key replaced goes.
    removeOtherReportItems(newKey, item);
    updateReportCommands();
}

void TIniEditForm::AddGroup()
{
    QString name;
    if (!Prompt().InputBox(QStringLiteral("New group"), QStringLiteral("Enter new group name :"), name))
        return;
    name = name.trimmed();
    if (name.isEmpty())
        return;
    if (QTreeWidgetItem *existing = findGroupItem(name)) {
        // The file already has it; show that one rather than a twin.
        m_groups->setCurrentItem(existing);
        return;
    }
    if (!m_catalogue.AddGroup(name)) {
        showError(m_catalogue.LastError());
        return;
    }
    m_groups->setCurrentItem(addGroupItem(name));
}

void TIniEditForm::EditGroup()
{
    if (QTreeWidgetItem *item = selectedGroupItem()) {
        m_groups->setFocus();
        m_groups->StartEditing(item, 0);
    }
}

void TIniEditForm::DeleteGroup()
{
    QTreeWidgetItem *item = selectedGroupItem();
    if (!item)
        return;
    if (Prompt().MessageBox(QStringLiteral("Selected group will be deleted.\nContinue?"),
                            QStringLiteral("Delete confirmation"), mtInformation,
                            TMsgButtons::YesNo) != mrYes)
        return;
    if (!m_catalogue.DeleteGroup(item->data(0, CommittedRole).toString())) {
        showError(m_catalogue.LastError());
        return;
    }
    {
        // Removing the item would move the selection on; no group is selected afterwards.
        const QSignalBlocker blocker(m_groups);
        delete item;
        m_groups->clearSelection();
        m_groups->setCurrentItem(nullptr);
    }
    groupSelectionChanged();
}

void TIniEditForm::AddReport()
{
    if (!selectedGroupItem() || m_shownGroup.isEmpty())
        return;
    QString key;
    QString description = QStringLiteral("NONAME Report");
    if (!TEditform::Execute(this, key, description))
        return;
    if (!m_catalogue.PutReport(m_shownGroup, {key, description})) {
        showError(m_catalogue.LastError());
        return;
    }
    // A key the group already has got the new description in place.
    QTreeWidgetItem *item = findReportItem(key);
    if (item)
        setReportItem(item, {item->data(0, CommittedRole).toString(), description});
    else
        item = addReportItem({key, description});
    m_reports->setCurrentItem(item);
    updateReportCommands();
}

void TIniEditForm::EditReport()
{
    QTreeWidgetItem *item = selectedReportItem();
    if (!item || m_shownGroup.isEmpty())
        return;
    const QString oldKey = item->data(0, CommittedRole).toString();
    QString key = oldKey;
    QString description = item->text(1);
    if (!TEditform::Execute(this, key, description))
        return;
    if (key == oldKey && description == item->text(1))
        return; // nothing to write
    if (!m_catalogue.ReplaceReport(m_shownGroup, oldKey, {key, description})) {
        showError(m_catalogue.LastError());
        return;
    }
    setReportItem(item, {fileSpelling(key, item), description});
    removeOtherReportItems(key, item);
    m_reports->setCurrentItem(item);
    updateReportCommands();
}

void TIniEditForm::DeleteReport()
{
    QTreeWidgetItem *item = selectedReportItem();
    if (!item || m_shownGroup.isEmpty())
        return;
    if (Prompt().MessageBox(QStringLiteral("Selected report will be deleted.\nContinue?"),
                            QStringLiteral("Delete confirmation"), mtInformation,
                            TMsgButtons::YesNo) != mrYes)
        return;
    if (!m_catalogue.DeleteReport(m_shownGroup, item->data(0, CommittedRole).toString())) {
        showError(m_catalogue.LastError());
        return;
    }
    {
        TUpdating updating(m_updating);
        delete item;
    }
    updateReportCommands();
}
