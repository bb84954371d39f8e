#include "definition/runtimecomponents.h"

#include "common/languagefile.h"
#include "common/programdir.h"
#include "definition/designreport.h"
#include "definition/designsettings.h"
#include "definition/loader.h"

#include <QFileInfo>

// --- TReportPrinterDialog -----------------------------------------------------------------------

TReportPrinterDialog::TReportPrinterDialog(TComponent *owner)
    : TComponent(owner), m_printerSettings(new TQRDPrinterSettings(this)),
      m_labelSettings(new TLabelSettings(this))
{
}

TReportPrinterDialog::~TReportPrinterDialog()
{
    FreeReportForm();
}

void TReportPrinterDialog::CreateReportForm()
{
    if (m_form)
        return;
    m_form = new TForm();
    m_form->SetName(QStringLiteral("RepFormDB"));
    m_report = new TQRDesignReport(m_form);
    m_report->SetName(QStringLiteral("Report"));
    m_loader = new TQRDLoader(m_form);
    m_loader->SetName(QStringLiteral("Loader"));
    m_loader->SetQReport(m_report);
    // The window's own start: the printer defaults of the settings file and its texts;
    // the host's settings come after and win.
    LoadLoaderSettings(m_loader);
    TranslateComponents(m_form, m_form->Name());
    ApplyHostSettings();
    if (AfterReportFormCreated)
        AfterReportFormCreated(m_form, m_report);
}

void TReportPrinterDialog::FreeReportForm()
{
    delete m_form.data();
    m_form = nullptr;
}

void TReportPrinterDialog::CopyPrinterSettings(TQRCustomReport *report) const
{
    if (!report)
        return;
    TQRReportPrinterSettings *target = report->PrinterSettings();
    target->SetPrinterIndex(m_printerSettings->PrinterIndex());
    target->SetCopies(m_printerSettings->Copies());
    target->SetDuplex(m_printerSettings->Duplex());
    target->SetFirstPage(m_printerSettings->FirstPage());
    target->SetLastPage(m_printerSettings->LastPage());
    target->SetOutputBin(m_printerSettings->OutputBin());
    report->Page()->SetOrientation(m_printerSettings->Orientation);
    report->Page()->SetPaperSize(m_printerSettings->PaperSize());
    report->SetReportTitle(m_printerSettings->Title);
}

void TReportPrinterDialog::applyTo(TQRDesignReport *report, TQRDLoader *loader)
{
    if (report) {
        if (OnNeedData)
            report->OnNeedData = OnNeedData;
        if (BeforePrint)
            report->BeforePrint = BeforePrint;
    }
    if (loader) {
        if (OnCalcFields)
            loader->OnCalcFields = OnCalcFields;
        if (BeforeOpenDataset)
            loader->BeforeOpenDataset = BeforeOpenDataset;
        if (BandBeforePrint)
            loader->BandBeforePrint = BandBeforePrint;
        if (BeforeGetQueryParams)
            loader->BeforeGetQueryParams = BeforeGetQueryParams;
        if (OnLoadReport)
            loader->OnLoadReport = OnLoadReport;
    }
    if (report) {
        report->SetPrintIfEmpty(m_printIfEmpty);
        if (m_labelSettings->FirstLabel() != 0)
            report->LabelSettings()->SetFirstLabel(m_labelSettings->FirstLabel());
        if (m_labelSettings->LabelCount() != 0)
            report->LabelSettings()->SetLabelCount(m_labelSettings->LabelCount());
    }
    if (loader) {
        loader->SetPrinterDialog(this);
        loader->SetUseDataModules(m_useDataModules);
        loader->SetSaveLoadPrinterSetup(m_saveLoadPrinterSetup);
        loader->SetSessionName(m_sessionName);
        loader->SetDefaultDatabaseName(m_defaultDatabaseName);
        loader->SetScriptsEnabled(m_scriptsEnabled);
    }
}

void TReportPrinterDialog::ApplyHostSettings()
{
    applyTo(m_report, m_loader);
}

bool TReportPrinterDialog::afterLoad(bool ok)
{
    if (m_usePrinterSettings)
        CopyPrinterSettings(m_report);
    if (ok && AfterReportLoaded)
        AfterReportLoaded(m_form, m_report);
    return ok;
}

bool TReportPrinterDialog::LoadReportFile(const QString &fileName)
{
    CreateReportForm();
    return afterLoad(m_loader->LoadReportFile(fileName));
}

bool TReportPrinterDialog::LoadReportStream(QIODevice *stream)
{
    CreateReportForm();
    return afterLoad(m_loader->LoadReportStream(stream));
}

bool TReportPrinterDialog::LoadReportBlob(TField *field)
{
    CreateReportForm();
    return afterLoad(m_loader->LoadReportBlob(field));
}

// --- TReportDesignerDialog ---------------------------------------------------------------------

std::function<TQRDLoader *(TComponent *owner)> &QRDesignerLoaderFactory()
{
    static std::function<TQRDLoader *(TComponent *)> factory;
    return factory;
}

std::function<void(TQRDesignerWindowSettings &settings)> &QRDesignerWindowHook()
{
    static std::function<void(TQRDesignerWindowSettings &)> hook;
    return hook;
}

TReportDesignerDialog::TReportDesignerDialog(TComponent *owner)
    : TReportPrinterDialog(owner), m_sqlSettings(new TQRDatabaseSettings(this))
{
    m_sqlSettings->SetDelimiterType(TQRDatabaseSettings::delCustom);
}

QString TReportDesignerDialog::NormalizedExtension(const QString &extension)
{
    QString ext = extension;
    if (ext.startsWith(QLatin1Char('*')))
        ext.remove(0, 1);
    if (!ext.isEmpty() && !ext.startsWith(QLatin1Char('.')))
        ext.prepend(QLatin1Char('.'));
    return ext;
}

TQRDesignerWindowSettings TReportDesignerDialog::DesignerWindowSettings(TForm *form, TQRDesignReport *report,
                                                                        TQRDLoader *loader)
{
    TQRDesignerWindowSettings s;
    s.Form = form;
    s.Report = report;
    s.Loader = loader;
    if (!m_defaultFileExtension.isEmpty()) {
        const QString ext = NormalizedExtension(m_defaultFileExtension);
        s.DefaultExt = ext.mid(1).left(10);
        s.OpenFileName = QLatin1Char('*') + ext;
    }
    s.Filter = m_defaultFileFilter;
    s.HelpFile = m_helpFile;
    s.OpenDir = m_defaultOpenDir.isEmpty() ? ProgramDir() : m_defaultOpenDir;
    s.SaveDir = m_defaultSaveDir.isEmpty() ? ProgramDir() : m_defaultSaveDir;
    s.DatabaseMenuVisible = m_userSettings.testFlag(AllowDatasetEdit);
    s.UndoMenuVisible = m_editorSettings.testFlag(UndoEnabled);
    s.DatafieldListChecked = m_editorSettings.testFlag(ShowDatafieldListbox);
    s.Dialog = this;
    if (loader) {
        loader->SaveBackupFiles = m_editorSettings.testFlag(SaveBackupFiles);
        loader->FieldDisplayLabels = FieldDisplayLabels;
        if (OnSaveReport)
            loader->OnSaveReport = OnSaveReport;
    }
    return s;
}

bool TReportDesignerDialog::runDesigner(const QString &fileName, bool load, bool *loaded)
{
    TForm form;
    form.SetName(QStringLiteral("QRDesignForm"));
    auto *report = new TQRDesignReport(&form);
    report->SetName(QStringLiteral("Report"));
    const auto &factory = QRDesignerLoaderFactory();
    TQRDLoader *loader = factory ? factory(&form) : new TQRDLoader(&form);
    loader->SetName(QStringLiteral("Designer"));
    loader->SetQReport(report);
    applyTo(report, loader);
    TQRDesignerWindowSettings settings = DesignerWindowSettings(&form, report, loader);
    if (AfterReportFormCreated)
        AfterReportFormCreated(&form, report);
    bool ok = true;
    if (load) {
        ok = loader->LoadReportFile(fileName);
        if (ok)
            settings.FileName = fileName;
        settings.Loaded = ok;
    } else {
        settings.FileName = fileName;
        if (UsePrinterSettings())
            CopyPrinterSettings(report);
        if (OnNewReport) {
            bool showExpert = false;
            QString expertDataset;
            OnNewReport(&form, report, showExpert, expertDataset);
        }
    }
    if (const auto &hook = QRDesignerWindowHook())
        hook(settings);
    if (loaded)
        *loaded = ok;
    return ok;
}

bool TReportDesignerDialog::EditReport(const QString &fileName)
{
    if (!fileName.isEmpty() && QFileInfo::exists(fileName)) {
        bool loaded = false;
        runDesigner(fileName, true, &loaded);
        return loaded;
    }
    return NewReport(fileName);
}

bool TReportDesignerDialog::NewReport(const QString &fileName)
{
    runDesigner(fileName, false, nullptr);
    return true;
}

bool TReportDesignerDialog::SetDefinedProperty(const QString &name, const QVariant &value)
{
    static const QList<QPair<const char *, TUserSetting>> users = {
        {"AllowSQLEdit", AllowSQLEdit},
        {"QueriesOnlyInExpert", QueriesOnlyInExpert},
        {"QueriesOnlyInDBSetup", QueriesOnlyInDBSetup},
        {"AllowNewCalcFields", AllowNewCalcFields},
        {"AllowBlockEdit", AllowBlockEdit},
    };
    static const QList<QPair<const char *, TEditorSetting>> editors = {
        {"UndoEnabled", UndoEnabled},
        {"SaveBackupFiles", SaveBackupFiles},
        {"AutoEditAfterInsert", AutoEditAfterInsert},
        {"ShowDatafieldListbox", ShowDatafieldListbox},
    };
    for (const auto &u : users)
        if (name.compare(QLatin1String(u.first), Qt::CaseInsensitive) == 0) {
            if (value.toBool())
                m_userSettings |= u.second;
            return true;
        }
    for (const auto &e : editors)
        if (name.compare(QLatin1String(e.first), Qt::CaseInsensitive) == 0) {
            if (value.toBool())
                m_editorSettings |= e.second;
            return true;
        }
    // Read and ignored.
    return name.compare(QLatin1String("SaveImagesInReportFile"), Qt::CaseInsensitive) == 0;
}
