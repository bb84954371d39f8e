#pragma once

// The run-time components a host places on its windows to work with report
// files: the printer dialog creates and holds a printing window (a report
// holder with a design report named "Report" and a loader) and hands it the
// host's settings; the designer dialog adds what the designer window gets.

#include "common/component.h"
#include "common/screen.h"
#include "definition/databasesettings.h"
#include "engine/report.h"

#include <QPointer>
#include <functional>

class QIODevice;
class TDataSet;
class TField;
class TQuery;
class TQRCustomBand;
class TQRDesignReport;
class TQRDLoader;

// The engine's printer settings plus the print offsets applied to every run.
class TQRDPrinterSettings : public TQRReportPrinterSettings
{
    Q_OBJECT
    Q_PROPERTY(double PrintOffsetVerticalMM READ PrintOffsetVerticalMM WRITE SetPrintOffsetVerticalMM)
    Q_PROPERTY(double PrintOffsetHorizontalMM READ PrintOffsetHorizontalMM WRITE SetPrintOffsetHorizontalMM)
    Q_CLASSINFO("Default:PrintOffsetVerticalMM", "0")
    Q_CLASSINFO("Default:PrintOffsetHorizontalMM", "0")
public:
    using TQRReportPrinterSettings::TQRReportPrinterSettings;
    // Millimetres the page moves down (and its bottom margin shrinks) for every run.
    double PrintOffsetVerticalMM() const { return m_vertical; }
    void SetPrintOffsetVerticalMM(double v) { m_vertical = v; }
    // Millimetres the page moves right for every run.
    double PrintOffsetHorizontalMM() const { return m_horizontal; }
    void SetPrintOffsetHorizontalMM(double v) { m_horizontal = v; }
    // Paper orientation and title copied into reports with UsePrinterSettings.
    QRPaper::TPrinterOrientation Orientation = QRPaper::poPortrait;
    QString Title;

private:
    double m_vertical = 0;
    double m_horizontal = 0;
};

class TReportPrinterDialog : public TComponent
{
    Q_OBJECT
    Q_PROPERTY(QString Version READ Version WRITE SetVersion STORED false)
    Q_PROPERTY(TQRDPrinterSettings *PrinterSettings READ PrinterSettings CONSTANT)
    Q_PROPERTY(bool UsePrinterSettings READ UsePrinterSettings WRITE SetUsePrinterSettings)
    Q_PROPERTY(bool PrintIfEmpty READ PrintIfEmpty WRITE SetPrintIfEmpty)
    Q_PROPERTY(TLabelSettings *LabelSettings READ LabelSettings CONSTANT)
    Q_PROPERTY(bool ScriptsEnabled READ ScriptsEnabled WRITE SetScriptsEnabled)
    Q_PROPERTY(bool UseDataModules READ UseDataModules WRITE SetUseDataModules)
    Q_PROPERTY(bool SaveLoadPrinterSetup READ SaveLoadPrinterSetup WRITE SetSaveLoadPrinterSetup)
    Q_PROPERTY(QString DefaultDatabaseName READ DefaultDatabaseName WRITE SetDefaultDatabaseName)
    Q_PROPERTY(QString SessionName READ SessionName WRITE SetSessionName)
    Q_PROPERTY(bool ShowFilterBeforePrint READ ShowFilterBeforePrint WRITE SetShowFilterBeforePrint)
    Q_PROPERTY(bool UseModalPreview READ UseModalPreview WRITE SetUseModalPreview)
    Q_CLASSINFO("Default:UsePrinterSettings", "False")
    Q_CLASSINFO("Default:PrintIfEmpty", "True")
    Q_CLASSINFO("Default:ScriptsEnabled", "True")
    Q_CLASSINFO("Default:UseDataModules", "False")
    Q_CLASSINFO("Default:SaveLoadPrinterSetup", "False")
    Q_CLASSINFO("Default:ShowFilterBeforePrint", "False")
    Q_CLASSINFO("Default:UseModalPreview", "False")

public:
    Q_INVOKABLE explicit TReportPrinterDialog(TComponent *owner = nullptr);
    ~TReportPrinterDialog() override;

    // Report events copied to the report when the settings are applied.
    std::function<void(QObject *sender, bool &moreData)> OnNeedData;
    std::function<void(TQRCustomReport *sender, bool &printReport)> BeforePrint;
    // Loader events copied to the loader when the settings are applied.
    std::function<void(TQRCustomBand *sender, bool &printBand)> BandBeforePrint;
    std::function<void(TQuery *query, bool &doCancel)> BeforeGetQueryParams;
    std::function<void(TDataSet *dataSet)> BeforeOpenDataset;
    std::function<void(TDataSet *dataSet)> OnCalcFields;
    std::function<void(QIODevice *stream)> OnLoadReport;
    // Raised after the component created its window, and after a successful load.
    std::function<void(TComponent *form, TQRDesignReport *report)> AfterReportFormCreated;
    std::function<void(TComponent *form, TQRDesignReport *report)> AfterReportLoaded;

    // The fixed version text; assigning it changes nothing.
    virtual QString Version() const { return QStringLiteral("1.30"); }
    void SetVersion(const QString &) {}
    TQRDPrinterSettings *PrinterSettings() const { return m_printerSettings; }
    // Copy PrinterSettings into every loaded and every new report.
    bool UsePrinterSettings() const { return m_usePrinterSettings; }
    void SetUsePrinterSettings(bool v) { m_usePrinterSettings = v; }
    bool PrintIfEmpty() const { return m_printIfEmpty; }
    void SetPrintIfEmpty(bool v) { m_printIfEmpty = v; }
    // Non-zero values override the report's label settings.
    TLabelSettings *LabelSettings() const { return m_labelSettings; }
    bool ScriptsEnabled() const { return m_scriptsEnabled; }
    void SetScriptsEnabled(bool v) { m_scriptsEnabled = v; }
    bool UseDataModules() const { return m_useDataModules; }
    void SetUseDataModules(bool v) { m_useDataModules = v; }
    bool SaveLoadPrinterSetup() const { return m_saveLoadPrinterSetup; }
    void SetSaveLoadPrinterSetup(bool v) { m_saveLoadPrinterSetup = v; }
    QString DefaultDatabaseName() const { return m_defaultDatabaseName; }
    void SetDefaultDatabaseName(const QString &n) { m_defaultDatabaseName = n.left(255); }
    QString SessionName() const { return m_sessionName; }
    void SetSessionName(const QString &n) { m_sessionName = n.left(255); }
    // Stored settings without behaviour.
    bool ShowFilterBeforePrint() const { return m_showFilterBeforePrint; }
    void SetShowFilterBeforePrint(bool v) { m_showFilterBeforePrint = v; }
    bool UseModalPreview() const { return m_useModalPreview; }
    void SetUseModalPreview(bool v) { m_useModalPreview = v; }

    // Creates the printing window (once), applies the settings, raises AfterReportFormCreated.
    void CreateReportForm();
    // Frees the printing window.
    void FreeReportForm();
    // The printing window and what it holds; null before CreateReportForm.
    TForm *ReportForm() const { return m_form; }
    TQRDesignReport *Report() const { return m_report; }
    TQRDLoader *Loader() const { return m_loader; }

    // Loads into the printing window (created when there is none); with
    // UsePrinterSettings the printer settings go into the report; a success
    // raises AfterReportLoaded.
    bool LoadReportFile(const QString &fileName);
    bool LoadReportStream(QIODevice *stream);
    bool LoadReportBlob(TField *field);

    // Hands the host's settings to the report and the loader of the printing window.
    virtual void ApplyHostSettings();
    // Copies PrinterSettings into report (printer, copies, duplex, pages, bin, orientation, paper, title).
    void CopyPrinterSettings(TQRCustomReport *report) const;

protected:
    // Hands the settings to report and loader (the printing window's or the designer window's).
    void applyTo(TQRDesignReport *report, TQRDLoader *loader);

private:
    bool afterLoad(bool ok);

    TQRDPrinterSettings *m_printerSettings;
    TLabelSettings *m_labelSettings;
    bool m_usePrinterSettings = false;
    bool m_printIfEmpty = true;
    bool m_scriptsEnabled = true;
    bool m_useDataModules = false;
    bool m_saveLoadPrinterSetup = false;
    QString m_defaultDatabaseName;
    QString m_sessionName;
    bool m_showFilterBeforePrint = false;
    bool m_useModalPreview = false;
    QPointer<TForm> m_form;
    QPointer<TQRDesignReport> m_report;
    QPointer<TQRDLoader> m_loader;
};

// What the designer window is given when a designer dialog opens it. The
// designer window itself belongs to the GUI; it installs QRDesignerWindowHook.
class TReportDesignerDialog;
struct TQRDesignerWindowSettings {
    TForm *Form = nullptr;                   // the window's component owner
    TQRDesignReport *Report = nullptr;       // the report it edits
    TQRDLoader *Loader = nullptr;            // its designer component
    QString FileName;                        // current file name and caption (empty: a new report)
    QString DefaultExt;                      // of the open and save dialogs, without the dot
    QString OpenFileName;                    // "*" + extension
    QString Filter;                          // of the open and save dialogs; empty keeps the window's own
    QString OpenDir, SaveDir;                // start directories
    QString HelpFile;                        // empty keeps the window's own
    bool DatabaseMenuVisible = true;         // AllowDatasetEdit
    bool UndoMenuVisible = false;            // UndoEnabled
    bool DatafieldListChecked = false;       // ShowDatafieldListbox
    TReportDesignerDialog *Dialog = nullptr; // every further setting is read from it
    bool Loaded = false;                     // the file named by FileName was loaded into Report
};

// Creates the designer component of a designer window (the designer library
// installs one that makes its controller); unset, a plain loader is made.
std::function<TQRDLoader *(TComponent *owner)> &QRDesignerLoaderFactory();

// Shows the designer window for settings modally; unset (no GUI) nothing is shown.
std::function<void(TQRDesignerWindowSettings &settings)> &QRDesignerWindowHook();

class TReportDesignerDialog : public TReportPrinterDialog, public TDefinedProperties
{
    Q_OBJECT
public:
    enum TUserSetting {
        AllowSQLEdit = 0x01,
        AllowDatasetEdit = 0x02,
        QueriesOnlyInExpert = 0x04,
        QueriesOnlyInDBSetup = 0x08,
        AllowNewCalcFields = 0x10,
        AllowBlockEdit = 0x20,
        AllowScriptEdit = 0x40,
    };
    Q_DECLARE_FLAGS(TUserSettings, TUserSetting)
    Q_FLAG(TUserSettings)
    enum TEditorSetting {
        UndoEnabled = 0x01,
        SaveBackupFiles = 0x02,
        AutoEditAfterInsert = 0x04,
        ShowDatafieldListbox = 0x08,
        DatafieldsSorted = 0x10,
    };
    Q_DECLARE_FLAGS(TEditorSettings, TEditorSetting)
    Q_FLAG(TEditorSettings)

private:
    Q_PROPERTY(TUserSettings UserSettings READ UserSettings WRITE SetUserSettings)
    Q_PROPERTY(TEditorSettings EditorSettings READ EditorSettings WRITE SetEditorSettings)
    Q_PROPERTY(TQRDatabaseSettings *SQLSettings READ SQLSettings CONSTANT)
    Q_PROPERTY(bool DefaultDatabaseOnly READ DefaultDatabaseOnly WRITE SetDefaultDatabaseOnly)
    Q_PROPERTY(QString DefaultFileExtension READ DefaultFileExtension WRITE SetDefaultFileExtension)
    Q_PROPERTY(QString DefaultFileFilter READ DefaultFileFilter WRITE SetDefaultFileFilter)
    Q_PROPERTY(QString DefaultOpenDir READ DefaultOpenDir WRITE SetDefaultOpenDir)
    Q_PROPERTY(QString DefaultSaveDir READ DefaultSaveDir WRITE SetDefaultSaveDir)
    Q_PROPERTY(QString HelpFile READ HelpFile WRITE SetHelpFile)
    Q_PROPERTY(QStringList FieldDisplayLabels MEMBER FieldDisplayLabels)
    Q_PROPERTY(QStringList IndexDisplayLabels MEMBER IndexDisplayLabels)
    Q_PROPERTY(QStringList AvailableDatasetNames MEMBER AvailableDatasetNames)
    Q_PROPERTY(QStringList AvailableDatabaseNames MEMBER AvailableDatabaseNames)
    Q_PROPERTY(QStringList AvailableTableNames MEMBER AvailableTableNames)
    Q_CLASSINFO("Default:UserSettings", "[AllowSQLEdit,AllowDatasetEdit,AllowBlockEdit,AllowScriptEdit]")
    Q_CLASSINFO("Default:EditorSettings", "[AutoEditAfterInsert,ShowDatafieldListbox,DatafieldsSorted]")
    Q_CLASSINFO("Default:DefaultDatabaseOnly", "False")
    Q_CLASSINFO("Default:DefaultFileExtension", ".QR2")
    Q_CLASSINFO("Default:DefaultFileFilter", "Reports|*.QR2")

public:
    Q_INVOKABLE explicit TReportDesignerDialog(TComponent *owner = nullptr);

    // Events handed to the designer.
    std::function<void(TComponent *form, TQRDesignReport *report, bool &showExpert,
                       QString &expertDefaultDataset)>
        OnNewReport;
    std::function<void(TQuery *query, bool &doCancel)> OnEditQuery;
    std::function<void(QIODevice *stream)> OnSaveReport;
    std::function<void(TField *field, bool &showField)> OnShowDatafield;
    std::function<void(TComponent *control)> AfterReportComponentCreated;

    // What the report author may do, and how the designer behaves.
    TUserSettings UserSettings() const { return m_userSettings; }
    void SetUserSettings(TUserSettings s) { m_userSettings = s; }
    TEditorSettings EditorSettings() const { return m_editorSettings; }
    void SetEditorSettings(TEditorSettings s) { m_editorSettings = s; }
    // SQL delimiters for the query wizard.
    TQRDatabaseSettings *SQLSettings() const { return m_sqlSettings; }
    bool DefaultDatabaseOnly() const { return m_defaultDatabaseOnly; }
    void SetDefaultDatabaseOnly(bool v) { m_defaultDatabaseOnly = v; }
    // Extension and filter of the designer's file dialogs; start directories (empty: the program's).
    QString DefaultFileExtension() const { return m_defaultFileExtension; }
    void SetDefaultFileExtension(const QString &e) { m_defaultFileExtension = e; }
    QString DefaultFileFilter() const { return m_defaultFileFilter; }
    void SetDefaultFileFilter(const QString &f) { m_defaultFileFilter = f; }
    QString DefaultOpenDir() const { return m_defaultOpenDir; }
    void SetDefaultOpenDir(const QString &d) { m_defaultOpenDir = d; }
    QString DefaultSaveDir() const { return m_defaultSaveDir; }
    void SetDefaultSaveDir(const QString &d) { m_defaultSaveDir = d; }
    QString HelpFile() const { return m_helpFile; }
    void SetHelpFile(const QString &f) { m_helpFile = f; }
    // Lists handed to the designer.
    QStringList FieldDisplayLabels, IndexDisplayLabels, AvailableDatasetNames, AvailableDatabaseNames,
        AvailableTableNames;

    // Opens the designer on FileName when it exists (false when it does not load),
    // otherwise on a new report carrying that name.
    bool EditReport(const QString &fileName);
    // Opens the designer on a new report; true.
    bool NewReport(const QString &fileName);
    // The extension as the dialogs get it: no leading "*", a leading ".".
    static QString NormalizedExtension(const QString &extension);
    // The settings the designer window receives (exposed for the window and for tests).
    TQRDesignerWindowSettings DesignerWindowSettings(TForm *form, TQRDesignReport *report,
                                                     TQRDLoader *loader);

    // Older stored forms hold single Booleans ("AllowSQLEdit", "UndoEnabled" ...):
    // read only, a True adds the member of that name.
    QStringList DefinedPropertyNames() const override { return {}; }
    QVariant DefinedProperty(const QString &) const override { return {}; }
    bool SetDefinedProperty(const QString &name, const QVariant &value) override;

private:
    // Creates the designer window's components, shows it through the hook and frees it.
    bool runDesigner(const QString &fileName, bool load, bool *loaded);

    TUserSettings m_userSettings =
        TUserSettings(AllowSQLEdit | AllowDatasetEdit | AllowBlockEdit | AllowScriptEdit);
    TEditorSettings m_editorSettings =
        TEditorSettings(AutoEditAfterInsert | ShowDatafieldListbox | DatafieldsSorted);
    TQRDatabaseSettings *m_sqlSettings;
    bool m_defaultDatabaseOnly = false;
    QString m_defaultFileExtension = QStringLiteral(".QR2");
    QString m_defaultFileFilter = QStringLiteral("Reports|*.QR2");
    QString m_defaultOpenDir, m_defaultSaveDir, m_helpFile;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TReportDesignerDialog::TUserSettings)
Q_DECLARE_OPERATORS_FOR_FLAGS(TReportDesignerDialog::TEditorSettings)
