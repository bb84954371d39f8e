#include "app/mainform.h"

#include "app/aboutform.h"
#include "app/catalogue.h"
#include "app/designerhost.h"
#include "app/images.h"
#include "app/inieditform.h"
#include "app/listreportform.h"
#include "common/profile.h"
#include "common/programdir.h"
#include "common/prompt.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "definition/runtimecomponents.h"
#include "gui/helpform.h"
#include "gui/shellactions.h"
#include "gui/translatewindow.h"
#include "gui/usersettings.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace
{
const QString Store = QStringLiteral("Tabulon.ini");
const QString WindowGroup = QStringLiteral("Tfm_main");
constexpr int GroupRole = Qt::UserRole;

// Menu texts treat '&' as a mnemonic marker; a group's caption must show
// every character as the file has it.
QString literalMenuText(QString text)
{
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}
} // namespace

QString Tfm_main::CatalogueFile()
{
    return TCatalogue::BareFileName();
}

Tfm_main::Tfm_main(const QStringList &arguments, QWidget *parent)
    : QMainWindow(parent), m_arguments(arguments)
{
    setObjectName(QStringLiteral("fm_main"));
    setWindowTitle(QStringLiteral("Tabulon"));
    setWindowIcon(AppImage(imgApplication));
    // A small tool window: fixed size, system menu and minimise button only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setContextMenuPolicy(Qt::NoContextMenu);

    const TShellActions &tools = ShellActions();

    // Commands.
    m_designerDialog = std::make_unique<TReportDesignerDialog>();
    ConfigureShellDesigner(*m_designerDialog);
    EnsureDesignerWindowHook();
    m_designer = new QAction(AppImage(imgDesigner), QStringLiteral("&Designer"), this);
    m_designer->setObjectName(QStringLiteral("Designer"));
    m_designer->setIconText(QStringLiteral("Designer"));
    m_designer->setToolTip(QStringLiteral("Report designer"));
    connect(m_designer, &QAction::triggered, this, &Tfm_main::OpenDesigner);
    m_reportsList = new QAction(AppImage(imgCatalogue), QStringLiteral("&Reports list"), this);
    m_reportsList->setObjectName(QStringLiteral("ReportsList"));
    connect(m_reportsList, &QAction::triggered, this, &Tfm_main::OpenReportsList);
    if (tools.EditDialog) {
        m_tuning = new QAction(AppImage(imgDialogue), QStringLiteral("&Tuning dialogue"), this);
        m_tuning->setObjectName(QStringLiteral("TuningDialogue"));
        connect(m_tuning, &QAction::triggered, this, &Tfm_main::OpenTuningDialogue);
    }
    m_exit = new QAction(AppImage(imgExit), QStringLiteral("E&xit"), this);
    m_exit->setObjectName(QStringLiteral("Exit"));
    m_exit->setIconText(QStringLiteral("Exit"));
    m_exit->setToolTip(QStringLiteral("Close program"));
    m_exit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    connect(m_exit, &QAction::triggered, this, &QWidget::close);
    m_contents = new QAction(AppImage(imgHelp), QStringLiteral("&Contents"), this);
    m_contents->setObjectName(QStringLiteral("Contents"));
    connect(m_contents, &QAction::triggered, this, &Tfm_main::ShowHelpContents);
    m_about = new QAction(AppImage(imgAbout), QStringLiteral("&About"), this);
    m_about->setObjectName(QStringLiteral("About"));
    connect(m_about, &QAction::triggered, this, &Tfm_main::ShowAbout);

    // Menus.
    m_reportsMenu = menuBar()->addMenu(QStringLiteral("&Reports"));
    m_reportsMenu->setObjectName(QStringLiteral("ReportsMenu"));
    if (m_designer) {
        m_reportsMenu->addAction(m_designer);
        m_reportsMenu->addSeparator();
    }
    m_startReportMenu = m_reportsMenu->addMenu(AppImage(imgStart), QStringLiteral("&Start report"));
    m_startReportMenu->setObjectName(QStringLiteral("StartReportMenu"));

    m_fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    m_fileMenu->setObjectName(QStringLiteral("FileMenu"));
    m_fileMenu->addAction(m_reportsList);
    if (m_tuning)
        m_fileMenu->addAction(m_tuning);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_exit);

    m_helpMenu = menuBar()->addMenu(QStringLiteral("&?"));
    m_helpMenu->setObjectName(QStringLiteral("HelpMenu"));
    m_helpMenu->addAction(m_contents);
    m_helpMenu->addAction(m_about);

    // The bar of buttons is the whole client area under the menu.
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolBar->setFixedHeight(ToolbarClientSize().height());
    if (m_designer)
        m_toolBar->addAction(m_designer);
    m_startButtonMenu = new QMenu(QStringLiteral("Start"), this);
    m_startButtonMenu->setObjectName(QStringLiteral("StartButtonMenu"));
    m_startButton = new QToolButton(m_toolBar);
    m_startButton->setObjectName(QStringLiteral("StartButton"));
    m_startButton->setText(QStringLiteral("Start"));
    m_startButton->setToolTip(QStringLiteral("Start report"));
    m_startButton->setIcon(AppImage(imgStart));
    m_startButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_startButton->setPopupMode(QToolButton::InstantPopup);
    m_startButton->setMenu(m_startButtonMenu);
    m_toolBar->addWidget(m_startButton);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_exit);
    setCentralWidget(m_toolBar);

    TranslateWindow(this, QStringLiteral("fm_main"));
    setFixedSize(ToolbarClientSize().width(), menuBar()->sizeHint().height() + ToolbarClientSize().height());
    WindowLayout::Restore(this, Store, WindowGroup, false);
}

Tfm_main::~Tfm_main() = default;

QString Tfm_main::GroupOfAction(const QAction *action)
{
    return action ? action->data().toString() : QString();
}

QAction *Tfm_main::makeGroupItem(const QString &group, QMenu *menu)
{
    auto *item = new QAction(AppImage(imgGroup), literalMenuText(group), menu);
    item->setData(group);
    item->setIconVisibleInMenu(true);
    connect(item, &QAction::triggered, this, [this, item] { OpenGroup(GroupOfAction(item)); });
    menu->addAction(item);
    return item;
}

void Tfm_main::RebuildGroupMenus()
{
    const TIniFile catalogue(TCatalogue::ProgramCatalogue());
    // A missing or unreadable catalogue simply has no groups.
    const QStringList groups = catalogue.ReadSections();
    // The items belong to their menus, which delete them as they are cleared.
    m_startReportMenu->clear();
    m_startButtonMenu->clear();
    for (const QString &group : groups) {
        makeGroupItem(group, m_startReportMenu);
        makeGroupItem(group, m_startButtonMenu);
    }
}

void Tfm_main::showEvent(QShowEvent *event)
{
    RebuildGroupMenus();
    QMainWindow::showEvent(event);
}

void Tfm_main::closeEvent(QCloseEvent *event)
{
    if (Prompt().MessageBox(QStringLiteral("Close Tabulon?"), QStringLiteral("Exit"), mtConfirmation,
                            TMsgButtons::YesNo) != mrYes) {
        event->ignore();
        return;
    }
    WindowLayout::Save(this, Store, WindowGroup, false);
    event->accept();
}

void Tfm_main::OpenGroup(const QString &group)
{
    TListReportForm::Execute(this, CatalogueFile(), group);
}

void Tfm_main::OpenReportsList()
{
    TIniEditForm::Execute(this, TIniEditForm::CatalogueFileName(m_arguments));
    RebuildGroupMenus();
}

void Tfm_main::OpenDesigner()
{
    m_designerDialog->EditReport(QString());
}

void Tfm_main::OpenTuningDialogue()
{
    if (ShellActions().EditDialog)
        ShellActions().EditDialog(this, QString());
}

void Tfm_main::ShowHelpContents()
{
    THelpForm::ShowContents(this);
}

void Tfm_main::ShowAbout()
{
    TAboutForm::Execute(this);
}

void RegisterShellLanguageWindows()
{
    RegisterLanguageWindow(QStringLiteral("fm_main"), [] { return new Tfm_main(QStringList()); });
    RegisterLanguageWindow(QStringLiteral("ListReportForm"),
                           [] { return new TListReportForm(QString(), QString()); });
}
