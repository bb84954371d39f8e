#include "app/listreportform.h"

#include "app/designerhost.h"
#include "app/images.h"
#include "common/profile.h"
#include "common/programdir.h"
#include "common/prompt.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "definition/runtimecomponents.h"
#include "gui/shellactions.h"
#include "gui/translatewindow.h"
#include "gui/usersettings.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace
{
const QString Store = QStringLiteral("Tabulon.ini");
const QString WindowGroup = QStringLiteral("TListReportForm");
const QString ListGroup = QStringLiteral("TListReportForm.List");
const QString NonameReport = QStringLiteral("Noname report");
} // namespace

TListReportForm::TListReportForm(const QString &catalogueFile, const QString &group, QWidget *parent)
    : QDialog(parent), m_catalogueFile(catalogueFile), m_group(group)
{
    setObjectName(QStringLiteral("ListReportForm"));
    setWindowTitle(QStringLiteral("Available reports"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setMinimumSize(325, 208);
    resize(400, 300);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("ReportList"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Report name")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->header()->setStretchLastSection(false);
    m_list->setColumnWidth(0, 150);
    m_list->setColumnWidth(1, 200);

    m_notFound = new QLabel(QStringLiteral("Reports not found!"), this);
    m_notFound->setObjectName(QStringLiteral("NotFoundLabel"));
    m_notFound->setAlignment(Qt::AlignCenter);
    QFont big = m_notFound->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.8);
    m_notFound->setFont(big);
    m_notFound->hide();

    // Commands whose windows are not part of this program are not offered.
    const TShellActions &actions = ShellActions();
    if (actions.StartReport) {
        m_start = new QPushButton(AppImage(imgStart), QStringLiteral("Start report"), this);
        m_start->setObjectName(QStringLiteral("StartButton"));
        m_start->setDefault(true);
        connect(m_start, &QPushButton::clicked, this, &TListReportForm::StartReport);
        connect(m_list, &QTreeWidget::itemDoubleClicked, this,
                [this](QTreeWidgetItem *, int) { StartReport(); });
    }
    // "Edit report" goes through the launcher's own designer component, which keeps undo on.
    m_designerDialog = std::make_unique<TReportDesignerDialog>();
    ConfigureShellDesigner(*m_designerDialog);
    m_designerDialog->SetEditorSettings(m_designerDialog->EditorSettings() |
                                        TReportDesignerDialog::UndoEnabled);
    EnsureDesignerWindowHook();
    m_editReport = new QAction(AppImage(imgDesigner), QStringLiteral("Edit report"), this);
    m_editReport->setObjectName(QStringLiteral("EditReport"));
    connect(m_editReport, &QAction::triggered, this, &TListReportForm::EditReport);
    m_list->addAction(m_editReport);
    if (actions.EditDialog) {
        m_editDialog = new QAction(AppImage(imgDialogue), QStringLiteral("Edit dialog"), this);
        m_editDialog->setObjectName(QStringLiteral("EditDialog"));
        connect(m_editDialog, &QAction::triggered, this, &TListReportForm::EditDialog);
        m_list->addAction(m_editDialog);
    }
    if (m_editReport || m_editDialog)
        m_list->setContextMenuPolicy(Qt::ActionsContextMenu);

    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_close->setObjectName(QStringLiteral("CloseButton"));
    m_close->setAutoDefault(false);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    if (m_start)
        buttons->addWidget(m_start);
    buttons->addStretch(1);
    buttons->addWidget(m_close);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_notFound, 1);
    layout->addLayout(buttons);

    TranslateWindow(this, QStringLiteral("ListReportForm"));
    WindowLayout::Restore(this, Store, WindowGroup, true);
    WindowLayout::RestoreColumns(m_list, Store, ListGroup);
}

TListReportForm::~TListReportForm() = default;

void TListReportForm::Execute(QWidget *parent, const QString &catalogueFile, const QString &group)
{
    TListReportForm launcher(catalogueFile, group, parent);
    launcher.exec();
}

QString TListReportForm::ReportFileName(const QString &reportName)
{
    return FindFileInDir(ProgramDir(), reportName + QStringLiteral(".qr2"));
}

void TListReportForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FillList();
}

void TListReportForm::done(int result)
{
    WindowLayout::Save(this, Store, WindowGroup, true);
    WindowLayout::SaveColumns(m_list, Store, ListGroup);
    QDialog::done(result);
}

bool TListReportForm::FillList()
{
    const TIniFile catalogue(FindFileInDir(ProgramDir(), m_catalogueFile));
    const QStringList keys = catalogue.ReadSection(m_group);
    if (keys.isEmpty()) {
        Prompt().Beep();
        m_list->clear();
        m_list->hide();
        if (m_start)
            m_start->hide();
        m_notFound->show();
        return false;
    }
    m_notFound->hide();
    m_list->show();
    if (m_start)
        m_start->show();
    m_list->clear();
    for (const QString &key : keys) {
        QString description = catalogue.ReadString(m_group, key, QString());
        if (description.trimmed().isEmpty())
            description = NonameReport;
        auto *row = new QTreeWidgetItem(m_list, {key, description});
        row->setIcon(0, AppImage(imgReport));
    }
    // The first report is chosen, so that Enter and "Start report" work at once.
    m_list->setCurrentItem(m_list->topLevelItem(0));
    m_list->setFocus();
    return true;
}

QTreeWidgetItem *TListReportForm::selectedRow() const
{
    const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
    return selected.isEmpty() || m_list->isHidden() ? nullptr : selected.constFirst();
}

QString TListReportForm::SelectedReport() const
{
    const QTreeWidgetItem *row = selectedRow();
    return row ? row->text(0) : QString();
}

QString TListReportForm::SelectedDescription() const
{
    const QTreeWidgetItem *row = selectedRow();
    return row ? row->text(1) : QString();
}

void TListReportForm::StartReport()
{
    const QString report = SelectedReport();
    if (report.isEmpty() || !ShellActions().StartReport)
        return;
    ShellActions().StartReport(this, report, SelectedDescription());
}

void TListReportForm::EditReport()
{
    const QString report = SelectedReport();
    if (report.isEmpty())
        return;
    m_designerDialog->EditReport(ReportFileName(report).left(255));
}

void TListReportForm::EditDialog()
{
    const QString report = SelectedReport();
    if (report.isEmpty() || !ShellActions().EditDialog)
        return;
    ShellActions().EditDialog(this, report);
}
