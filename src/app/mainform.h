#pragma once

// Tfm_main: the program's small main window. Its two group menus list the
// sections of "reports.ini" in file order and are rebuilt on every show and
// after the catalogue editor closes.

#include <QMainWindow>
#include <QStringList>

#include <memory>

class QAction;
class QMenu;
class QToolBar;
class QToolButton;
class TReportDesignerDialog;

class Tfm_main : public QMainWindow
{
    Q_OBJECT
public:
    // arguments: the program's command line (the catalogue editor edits the
    // file its first argument names).
    explicit Tfm_main(const QStringList &arguments = {}, QWidget *parent = nullptr);
    ~Tfm_main() override;

    // The catalogue the group menus come from.
    static QString CatalogueFile(); // bare name, looked up in the program directory
    // The client size of the window's bar of buttons.
    static QSize ToolbarClientSize() { return {321, 29}; }

    void RebuildGroupMenus();

    // The group an item of either group menu stands for.
    static QString GroupOfAction(const QAction *action);

    QMenu *ReportsMenu() const { return m_reportsMenu; }
    QMenu *StartReportMenu() const { return m_startReportMenu; } // "Reports" > "Start report"
    QMenu *StartButtonMenu() const { return m_startButtonMenu; } // drop-down of "Start"
    QToolButton *StartButton() const { return m_startButton; }
    QMenu *FileMenu() const { return m_fileMenu; }
    QMenu *HelpMenu() const { return m_helpMenu; }
    QToolBar *ToolBar() const { return m_toolBar; }

    QAction *DesignerAction() const { return m_designer; }
    // The run-time component "Designer" opens the designer through.
    TReportDesignerDialog *DesignerDialog() const { return m_designerDialog.get(); }
    QAction *ReportsListAction() const { return m_reportsList; }
    QAction *TuningDialogueAction() const { return m_tuning; } // null until the descriptor editor exists
    QAction *ExitAction() const { return m_exit; }
    QAction *ContentsAction() const { return m_contents; }
    QAction *AboutAction() const { return m_about; }

public Q_SLOTS:
    void OpenGroup(const QString &group);
    void OpenReportsList();
    void OpenDesigner();
    void OpenTuningDialogue();
    void ShowHelpContents();
    void ShowAbout();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *makeGroupItem(const QString &group, QMenu *menu);

    QStringList m_arguments;
    QMenu *m_reportsMenu;
    QMenu *m_startReportMenu;
    QMenu *m_startButtonMenu;
    QMenu *m_fileMenu;
    QMenu *m_helpMenu;
    QToolBar *m_toolBar;
    QToolButton *m_startButton;
    std::unique_ptr<TReportDesignerDialog> m_designerDialog;
    QAction *m_designer = nullptr;
    QAction *m_reportsList;
    QAction *m_tuning = nullptr;
    QAction *m_exit;
    QAction *m_contents;
    QAction *m_about;
};

// Lists the shell's windows (the main window and the launcher) in the language template.
void RegisterShellLanguageWindows();
