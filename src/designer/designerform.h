#pragma once

// The designer window: menus, the palette of insert states, the property
// strip, the font controls, the info panel and the canvas in a scroll area,
// all linked to one controller. It edits one report (new or from a file),
// keeps a file history and previews the report through the standard preview.

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class QActionGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QScrollArea;
class QTreeWidget;
class TDatafieldList;
class TDesignCanvas;
class TPropertyInspector;
class TForm;
class TQRDesignReport;
class TQRepDesigner;
class TReportDesignerDialog;
struct TQRDesignerWindowSettings;

class TReportDesignerForm : public QMainWindow
{
    Q_OBJECT
public:
    // A window with its own component owner, report and controller.
    explicit TReportDesignerForm(QWidget *parent = nullptr);
    // A window on the components of a designer dialog (settings from settings.Dialog).
    explicit TReportDesignerForm(TQRDesignerWindowSettings &settings, QWidget *parent = nullptr);
    ~TReportDesignerForm() override;

    TQRepDesigner *Designer() const { return m_designer; }
    TQRDesignReport *Report() const;
    TDesignCanvas *Canvas() const { return m_canvas; }
    TDatafieldList *DatafieldList() const { return m_fieldList; }
    // The docked property inspector.
    TPropertyInspector *Inspector() const { return m_inspector; }
    QScrollArea *ScrollArea() const { return m_scroll; }

    // The file the report is saved to (empty: a new report); shown in the caption.
    QString CurrentFileName() const { return m_fileName; }
    void SetCurrentFileName(const QString &fileName);
    // Start directories and defaults of the file dialogs.
    QString OpenDir, SaveDir, DefaultExt = QStringLiteral("QR2"), Filter = QStringLiteral("Reports (*.QR2)");
    // The help file of the window.
    QString HelpFile;
    // Replaces the file dialogs (tests): returns the chosen name, empty when cancelled.
    std::function<QString(bool save, const QString &suggested)> FileDialogHook;

    // --- commands -----------------------------------------------------------------------
    // Clears the report (after "Report not saved" when modified); false when cancelled.
    bool NewReport();
    // Opens a report file (after "Report not saved" when modified); false when not opened.
    bool OpenReport(const QString &fileName = QString());
    // Saves to the current file, asking for a name when there is none.
    bool SaveReport();
    bool SaveReportAs();
    // Zoom: 100; double up to 300; half unless 10 or less.
    void ZoomDefault();
    void ZoomIn();
    void ZoomOut();
    void SetZoom(int percent);
    // Runs the report into the standard preview.
    void PreviewReport();
    // The file history, newest first.
    QStringList FileHistory() const { return m_history; }
    void AddToHistory(const QString &fileName);

    // The palette action of a design state.
    QAction *PaletteAction(int state) const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void build();
    void buildMenus();
    void buildPalette();
    void buildStrip();
    void linkDesigner();
    bool confirmDiscard();
    void refreshHistoryMenu();
    void modelChanged();
    void updateCaption();

    std::unique_ptr<TForm> m_ownForm;
    TForm *m_form = nullptr;
    TQRepDesigner *m_designer = nullptr;
    TDesignCanvas *m_canvas = nullptr;
    QScrollArea *m_scroll = nullptr;
    TDatafieldList *m_fieldList = nullptr;
    TPropertyInspector *m_inspector = nullptr;
    QActionGroup *m_paletteGroup = nullptr;
    QMenu *m_historyMenu = nullptr;
    QMenu *m_databaseMenu = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_fieldListAction = nullptr;
    QLabel *m_info = nullptr;
    QLabel *m_typeLabel = nullptr;
    QLineEdit *m_edit = nullptr;
    QComboBox *m_combo = nullptr;
    QComboBox *m_fontName = nullptr;
    QComboBox *m_fontSize = nullptr;
    QString m_fileName;
    QStringList m_history;
    QList<QAction *> m_palette;
};

// Installs the designer window behind TReportDesignerDialog (the shell's
// "Designer" and "Edit report" and tabulon-design reach it this way).
void InstallDesignerWindow();
