#pragma once

// Everything the report file reader and writer need from the loader that
// drives them, as plain values and callbacks. The loader fills one of these
// per load or save; unassigned callbacks mean "the loader has no such
// setting or event", and the reader and writer then skip that step.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class TComponent;

struct TQR2Context {
    // --- loader settings ---
    // Writes block 102 and applies it on reading.
    bool SaveLoadPrinterSetup = false;
    // Owner of datasets shared between reports (external references); null for none.
    TComponent *DatabaseOwner = nullptr;
    // Also look a report dataset up in every data module.
    bool UseDataModules = false;
    // Save: keep the previous file under the backup extension.
    bool SaveBackupFiles = false;
    QString BackupFileExtension = QStringLiteral(".BAK");
    // Non-zero values of a run-time loader override the stored label settings.
    int RunTimeFirstLabel = 0;
    int RunTimeLabelCount = 0;

    // Class names of the design classes the file rules name (matched by inherits()).
    QStringList RichTextClasses = {QStringLiteral("TQRDesignRichtext")};
    QStringList DBTextClasses = {QStringLiteral("TQRDesignDBText")};
    QStringList SelectionFrameClasses = {QStringLiteral("TStretch_Handle")};

    // --- messages ---
    // The text of a message key from RuntimeMessages ("Error in reportfile" ...);
    // empty when the key has no text. Unassigned: the built-in texts.
    std::function<QString(const QString &key)> MessageText;

    // --- data modules ---
    std::function<QList<TComponent *>()> DataModules;

    // --- script ---
    std::function<QStringList()> GetScript;
    std::function<void(const QStringList &lines)> SetScript;

    // --- events ---
    // OnSaveReport: fill data with the application's bytes (block 58).
    std::function<void(QByteArray &data)> OnSaveReport;
    // OnLoadReport: the bytes of block 58.
    std::function<void(const QByteArray &data)> OnLoadReport;

    // --- printer ---
    // Name of the selected printer; empty for the system default.
    std::function<QString()> PrinterName;
    // Selects the installed printer of that name, case ignored (none when absent).
    // Printer lookup needs the GUI's print support, so the loader does it.
    std::function<void(const QString &name)> SelectPrinter;

    // --- reading hooks ---
    // The very first step of every read, before the version word is looked
    // at: the loader remembers the file name and clears its script.
    std::function<void(const QString &fileName)> BeginRead;
    // Every component read (sets the loader as its QRDesigner).
    std::function<void(TComponent *component)> ComponentRead;
    // Clears the report before reading; unassigned: the built-in clearing.
    std::function<void(bool withDataSettings)> ClearReport;
    // A dataset just read from block 257: resolve its location, prepare its
    // parameters, give it the calculated-field handler, raise BeforeOpenDataset.
    std::function<void(TComponent *dataset, const QString &fileName)> PrepareDataset;
    // Raised after the dataset list, before the components finish loading.
    std::function<void()> BeforeOpenDatasets;
    // A data source (last to first) whose dataset did not open: recreate its
    // data fields and open it.
    std::function<void(TComponent *dataSource)> SetUpFields;

    // --- results ---
    // The file being loaded (set by the reader).
    QString FileName;
    // The printer name found in block 102 when SaveLoadPrinterSetup is set.
    QString LoadedPrinterName;
    // Why the last read or write failed, with the byte offset (for logs and tools).
    QString LastError;
    // Properties that could not be applied while reading.
    QStringList SkippedProperties;
};

class QObject;

// The text of a message key: the context's text, the built-in default, or
// "Unknown Error [key]"; a "%s" placeholder takes fileName.
QString QR2MessageText(const TQR2Context &context, const QString &key, const QString &fileName = QString());
// Shows that text as an error box through the prompt service.
void QR2ShowMessage(const TQR2Context &context, const QString &key, const QString &fileName = QString());

// True when object's class is, or inherits, one of the named classes.
bool InheritsAny(const QObject *object, const QStringList &classNames);
// The data sources of owner whose names do not begin with "__", in component order.
QList<TComponent *> StoredDataSources(const TComponent *owner);

// External references: a component of the report whose reference points into
// DatabaseOwner is written with the reference cleared under a coded name
// "_X_X_" + referenced name padded with "_" to 40 + own name.
constexpr int ExternalNameWidth = 40;
// Codes every such component of owner; returns the components changed.
QList<TComponent *> EncodeExternalReferences(TComponent *owner, TComponent *databaseOwner);
// Decodes every "_X_X_" name of owner: the reference is set back, the name restored.
void DecodeExternalReferences(TComponent *owner, TComponent *databaseOwner);
