#pragma once

// The report loader: the non-visual component through which a host loads a
// report file into a design report, keeps the report's script and message
// texts, and applies the run-time rules of design reports (band print rules,
// script events, query parameters).
//
// Links between the loader and its report are kept by the owner's component
// list: a loader without an explicit report uses the first design report its
// owner holds, and a design report or band without an explicit loader uses
// the owner's first loader. The lookup happens when the link is used, so the
// order in which a host creates them does not matter.

#include "common/component.h"
#include "expressions/datasets.h"

#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class QIODevice;
class TDataSet;
class TField;
struct TQR2Context;
class TQuery;
class TQRCustomBand;
class TQRDesignReport;
class TQRQueryParamKeeper;

class TCompLoader : public TComponent
{
    Q_OBJECT
    Q_PROPERTY(QString Version READ Version WRITE SetVersion STORED false)
    Q_PROPERTY(QStringList Script READ Script WRITE SetScript)
    Q_PROPERTY(bool ScriptsEnabled READ ScriptsEnabled WRITE SetScriptsEnabled)
    Q_PROPERTY(QStringList RuntimeMessages READ RuntimeMessages WRITE SetRuntimeMessages)
    Q_PROPERTY(QString DefaultDatabaseName READ DefaultDatabaseName WRITE SetDefaultDatabaseName)
    Q_PROPERTY(bool UseDataModules READ UseDataModules WRITE SetUseDataModules)
    Q_PROPERTY(bool SaveLoadPrinterSetup READ SaveLoadPrinterSetup WRITE SetSaveLoadPrinterSetup)
    Q_CLASSINFO("Default:ScriptsEnabled", "True")
    Q_CLASSINFO("Default:UseDataModules", "False")
    Q_CLASSINFO("Default:SaveLoadPrinterSetup", "False")

public:
    Q_INVOKABLE explicit TCompLoader(TComponent *owner = nullptr);
    ~TCompLoader() override;

    // Events for the host (see the data settings of a report).
    std::function<void(TQuery *query, bool &doCancel)> BeforeGetQueryParams;
    std::function<void(TDataSet *dataSet)> BeforeOpenDataset;
    std::function<void()> BeforeOpenDatasets;
    std::function<void(TDataSet *dataSet)> OnCalcFields;

    // The fixed version text; assigning it changes nothing.
    QString Version() const { return QStringLiteral("1.22"); }
    void SetVersion(const QString &) {}
    // The report's script: sections "[Element.Event]" followed by their lines.
    QStringList Script() const { return m_script; }
    void SetScript(const QStringList &s) { m_script = s; }
    bool ScriptsEnabled() const { return m_scriptsEnabled; }
    void SetScriptsEnabled(bool v) { m_scriptsEnabled = v; }
    // Lines "key=text" through which every user message is looked up.
    QStringList RuntimeMessages() const { return m_messages; }
    void SetRuntimeMessages(const QStringList &m) { m_messages = m; }
    QString DefaultDatabaseName() const { return m_defaultDatabaseName; }
    void SetDefaultDatabaseName(const QString &n) { m_defaultDatabaseName = n.left(255); }
    bool UseDataModules() const { return m_useDataModules; }
    void SetUseDataModules(bool v) { m_useDataModules = v; }
    bool SaveLoadPrinterSetup() const { return m_saveLoadPrinterSetup; }
    void SetSaveLoadPrinterSetup(bool v) { m_saveLoadPrinterSetup = v; }

    // The message text of key, or "Unknown Error [key]" when the list has none.
    QString Message(const QString &key) const;
    // The same for confirmation boxes: "[key]" when the list has none.
    QString ConfirmationMessage(const QString &key) const;
    // The text of key in the list; false when there is no line for it.
    bool FindMessage(const QString &key, QString *text) const;
    // Shows the message of key, formatted with arg where the text has "%s", in an error box.
    void ShowErrorMessage(const QString &key, const QString &arg = QString()) const;

    // A component owning further datasets that reports may name; set only by hosts.
    TComponent *DatabaseOwner() const { return m_databaseOwner; }
    void SetDatabaseOwner(TComponent *owner) { m_databaseOwner = owner; }
    // The run-time component that configured this loader (label settings and
    // print offsets are read from it), or null.
    QObject *PrinterDialog() const { return m_printerDialog; }
    void SetPrinterDialog(QObject *dialog) { m_printerDialog = dialog; }
    // The print offsets of the attached run-time component in millimetres;
    // false when no component with printer settings is attached.
    bool PrintOffsets(double *verticalMM, double *horizontalMM) const;

    // Every dataset the report's expressions may read: those of the loader's
    // owner, of DatabaseOwner and, with UseDataModules, of every data module.
    void CollectDataSets(TQRDatasetList &list) const;

    // Query parameters typed in for one run: asks for the bound parameters
    // without a value (false when the user or the host cancels) ...
    bool PrepareQueryParams();
    // ... and puts every parameter back as it was before the run.
    void RestoreQueryParams();

    // Installs the loader's calculated-field handler on dataSet: it forwards
    // to OnCalcFields, except while the dataset is being designed.
    void InstallCalcFieldsHandler(TDataSet *dataSet);
    // What happens to every dataset right after a report file was read:
    // located (reportDir: the report file's directory, empty for a stream),
    // templates expanded, the handler installed and BeforeOpenDataset raised.
    void DatasetRead(TDataSet *dataSet, const QString &reportDir);

    // Runs the script section [elementName.eventName]; true with *result set
    // when the section gave a Boolean (the last RETURN before an error counts).
    bool RunScriptEvent(const QString &elementName, const QString &eventName, bool *result) const;

    // The datasets handed to script runs (the report's run datasets while a report runs).
    void SetScriptDatasets(TQRDatasetList *datasets) { m_scriptDatasets = datasets; }

protected:
    // The component whose owner holds the report's data components.
    virtual TComponent *DataOwner() const { return Owner(); }

private:
    std::function<void(TDataSet *)> calcFieldsHandler();

    QStringList m_script;
    bool m_scriptsEnabled = true;
    QStringList m_messages;
    QString m_defaultDatabaseName;
    bool m_useDataModules = false;
    bool m_saveLoadPrinterSetup = false;
    QPointer<TComponent> m_databaseOwner;
    QPointer<QObject> m_printerDialog;
    TQRDatasetList *m_scriptDatasets = nullptr;
    std::unique_ptr<TQRQueryParamKeeper> m_params;
};

class TQRDLoader : public TCompLoader
{
    Q_OBJECT
    Q_PROPERTY(TComponent *QReport READ QReportComponent WRITE SetQReportComponent)
    Q_PROPERTY(QString SessionName READ SessionName WRITE SetSessionName)

public:
    Q_INVOKABLE explicit TQRDLoader(TComponent *owner = nullptr);

    // Application data of a loaded report file.
    std::function<void(QIODevice *stream)> OnLoadReport;
    // Raised at the end of the band print rule; the handler may change printBand.
    std::function<void(TQRCustomBand *sender, bool &printBand)> BandBeforePrint;

    // The report this loader loads into and runs: the one set, else the
    // first design report among the owner's components.
    TQRDesignReport *QReport() const;
    void SetQReport(TQRDesignReport *report);
    TComponent *QReportComponent() const;
    // Only a design report (or none) is accepted.
    void SetQReportComponent(TComponent *component);
    QString SessionName() const { return m_sessionName; }
    void SetSessionName(const QString &n) { m_sessionName = n.left(255); }
    // Why the last load or save failed (with the byte offset for damaged files); empty after success.
    QString LastError() const { return m_lastError; }
    // The file name of the last report loaded.
    QString FileName() const { return m_fileName; }
    void SetFileName(const QString &n) { m_fileName = n; }

    // Reads a report file into QReport with its data settings; false (after
    // a message box) when the file is missing or damaged.
    bool LoadReportFile(const QString &fileName);
    // The same from a stream (datasets are located without a report directory).
    bool LoadReportStream(QIODevice *stream);
    // The same from a binary field; an empty field counts as success without loading.
    bool LoadReportBlob(TField *field);
    // Writes QReport with its data settings (query parameters put back first);
    // false (after a message box) when the file cannot be written.
    bool SaveReportFile(const QString &fileName);
    bool SaveReportStream(QIODevice *stream);
    bool SaveReportBlob(TField *field);

    // Designer settings the file operations honour.
    bool SaveBackupFiles = false;                            // keep the old file as a backup
    QString BackupFileExtension = QStringLiteral(".BAK");    // the backup's extension
    QStringList FieldDisplayLabels;                          // "Field=Label" lines for loaded fields
    std::function<void(QIODevice *stream)> OnSaveReport;      // application data to store with a report

    // The band print rule: whether band prints now (printBand in and out).
    void BandPrintRule(TQRCustomBand *band, bool &printBand);
    // The band after-print rule.
    void BandAfterPrintRule(TQRCustomBand *band);

protected:
    TComponent *DataOwner() const override;

private:
    // The reader's and writer's view of this loader.
    void fillContext(TQR2Context &context);
    bool loadBytes(const QByteArray &bytes, const QString &fileName);
    void afterLoad(bool ok, const QString &fileName);

    QPointer<TQRDesignReport> m_report;
    QString m_sessionName;
    QString m_fileName;
    QString m_lastError;
};

// The message texts a loader starts with ("key=text" lines).
QStringList DefaultRuntimeMessages();

// The names of the installed printers, in the order of the printers' index.
// Below the GUI nothing knows the printers: programs that print install a
// lookup over the platform's printer list; unset, there are none.
std::function<QStringList()> &QRInstalledPrintersHook();

// The first component of owner's list that is a T, or null.
template <class T> T *FirstComponentOf(const TComponent *owner)
{
    if (!owner)
        return nullptr;
    for (TComponent *c : owner->ComponentList())
        if (auto *t = qobject_cast<T *>(c))
            return t;
    return nullptr;
}
