#include "definition/loader.h"

#include "definition/queryparams.h"
#include "definition/reportdata.h"
#include "common/programdir.h"

#include "common/prompt.h"
#include "common/properties.h"
#include "common/screen.h"
#include "data/dataset.h"
#include "definition/designbands.h"
#include "definition/designelements.h"
#include "definition/designreport.h"
#include "definition/reporteval.h"
#include "scripting/interpreter.h"

QStringList DefaultRuntimeMessages()
{
    return {
        QStringLiteral("Reportfile not found=Report file %s not found!"),
        QStringLiteral("Write Error=Error writing %s!"),
        QStringLiteral("Error in reportfile=Error in report file!"),
        QStringLiteral("DatabaseOwner not assigned=DatabaseOwner not assigned!!"),
        QStringLiteral("GetQueryParamCaption=Parameter of %s"),
        QStringLiteral("GetQueryParamPrompt=Please type in the parameter \"%s'\":"),
        QStringLiteral("Invalid value=Invalid value!"),
        QStringLiteral("Error opening database=Error opening table %s"),
        QStringLiteral("DefaultTableName=Table"),
    };
}

// --- TCompLoader -----------------------------------------------------------------------------

TCompLoader::TCompLoader(TComponent *owner)
    : TComponent(owner), m_messages(DefaultRuntimeMessages()), m_params(std::make_unique<TQRQueryParamKeeper>())
{
}

TCompLoader::~TCompLoader() = default;

bool TCompLoader::PrepareQueryParams()
{
    return m_params->Prepare(DataOwner(), BeforeGetQueryParams, [this](const QString &key) { return Message(key); });
}

void TCompLoader::RestoreQueryParams()
{
    m_params->Restore(DataOwner());
}

bool TCompLoader::FindMessage(const QString &key, QString *text) const
{
    for (const QString &line : m_messages) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || line.left(eq).compare(key, Qt::CaseInsensitive) != 0)
            continue;
        if (text)
            *text = line.mid(eq + 1);
        return true;
    }
    return false;
}

QString TCompLoader::Message(const QString &key) const
{
    QString text;
    if (FindMessage(key, &text) && !text.isEmpty())
        return text;
    return QStringLiteral("Unknown Error [") + key + QLatin1Char(']');
}

QString TCompLoader::ConfirmationMessage(const QString &key) const
{
    QString text;
    if (FindMessage(key, &text) && !text.isEmpty())
        return text;
    return QLatin1Char('[') + key + QLatin1Char(']');
}

void TCompLoader::ShowErrorMessage(const QString &key, const QString &arg) const
{
    QString text = Message(key);
    if (text.contains(QLatin1String("%s")))
        text.replace(QLatin1String("%s"), arg);
    Prompt().MessageBox(text, QStringLiteral("Error"), mtError, TMsgButtons::OK);
}

bool TCompLoader::PrintOffsets(double *verticalMM, double *horizontalMM) const
{
    if (!m_printerDialog)
        return false;
    const QVariant v = GetPropertyValue(m_printerDialog, QStringLiteral("PrinterSettings.PrintOffsetVerticalMM"));
    const QVariant h =
        GetPropertyValue(m_printerDialog, QStringLiteral("PrinterSettings.PrintOffsetHorizontalMM"));
    if (!v.isValid() || !h.isValid())
        return false;
    *verticalMM = v.toDouble();
    *horizontalMM = h.toDouble();
    return true;
}

void TCompLoader::CollectDataSets(TQRDatasetList &list) const
{
    auto add = [&list](const TComponent *owner) {
        if (!owner)
            return;
        for (TComponent *c : owner->ComponentList())
            if (auto *ds = qobject_cast<TDataSet *>(c); ds && !list.contains(ds))
                list.append(ds);
    };
    add(DataOwner());
    add(m_databaseOwner);
    if (m_useDataModules)
        for (TComponent *module : TScreen::Instance().DataModules())
            add(module);
}

std::function<void(TDataSet *)> TCompLoader::calcFieldsHandler()
{
    QPointer<TCompLoader> self(this);
    return [self](TDataSet *ds) {
        if (self && self->OnCalcFields && !(ds->ComponentState() & csDesigning))
            self->OnCalcFields(ds);
    };
}

void TCompLoader::InstallCalcFieldsHandler(TDataSet *dataSet)
{
    if (dataSet)
        dataSet->OnCalcFields = calcFieldsHandler();
}

void TCompLoader::DatasetRead(TDataSet *dataSet, const QString &reportDir)
{
    TQRDLocateContext context;
    context.ReportDir = reportDir;
    context.ProgramDir = ProgramDir();
    if (auto *loader = qobject_cast<TQRDLoader *>(this))
        context.Report = loader->QReport();
    context.CalcFieldsHandler = calcFieldsHandler();
    context.BeforeOpenDataset = BeforeOpenDataset;
    QRDLocateDataset(dataSet, context);
}

bool TCompLoader::RunScriptEvent(const QString &elementName, const QString &eventName, bool *result) const
{
    if (!m_scriptsEnabled || elementName.isEmpty())
        return false;
    TQRDatasetList local;
    TScriptRunOptions options;
    options.ScriptsEnabled = m_scriptsEnabled;
    if (m_scriptDatasets) {
        options.Datasets = m_scriptDatasets;
    } else {
        CollectDataSets(local);
        options.Datasets = &local;
    }
    const TQREvValue value = ::RunScriptEvent(m_script, elementName, eventName, options);
    if (value.ValueKind != rkBoolean)
        return false;
    if (result)
        *result = value.BoolValue;
    return true;
}

// --- TQRDLoader ------------------------------------------------------------------------------

TQRDLoader::TQRDLoader(TComponent *owner) : TCompLoader(owner) {}

TQRDesignReport *TQRDLoader::QReport() const
{
    if (m_report)
        return m_report;
    return FirstComponentOf<TQRDesignReport>(Owner());
}

void TQRDLoader::SetQReport(TQRDesignReport *report)
{
    m_report = report;
}

TComponent *TQRDLoader::QReportComponent() const
{
    return QReport();
}

void TQRDLoader::SetQReportComponent(TComponent *component)
{
    if (!component) {
        m_report = nullptr;
        return;
    }
    if (auto *r = qobject_cast<TQRDesignReport *>(component))
        m_report = r;
}

TComponent *TQRDLoader::DataOwner() const
{
    if (TQRDesignReport *r = QReport(); r && r->Owner())
        return r->Owner();
    return Owner();
}

namespace
{
// The band whose data-field elements restart with a new group: the group's
// master band, or the report's detail band when the master is the report.
TQRCustomBand *groupRestartBand(TQRGroup *group)
{
    TComponent *master = group->Master();
    if (auto *masterBand = qobject_cast<TQRCustomBand *>(master))
        return masterBand;
    TQRCustomReport *report = qobject_cast<TQRCustomReport *>(master);
    if (!report)
        report = group->ParentReport();
    return report ? report->FindBand(QR::rbDetail) : nullptr;
}
} // namespace

void TQRDLoader::BandPrintRule(TQRCustomBand *band, bool &printBand)
{
    TQRDesignBandMembers *members = DesignBandMembers(band);
    if (!members)
        return;
    TQRDesignReport *report = qobject_cast<TQRDesignReport *>(band->ParentReport());
    if (!report)
        report = QReport();

    // A script can only keep a band from printing: a false ends the rule here.
    bool scriptResult = true;
    if (RunScriptEvent(band->Name(), QStringLiteral("BeforePrint"), &scriptResult)) {
        printBand = printBand && scriptResult;
        if (!scriptResult)
            return;
    }

    // The value coming in is the engine's own decision (true for every band
    // but a child band whose built-in rule refused, such as a row space after
    // the last label row); the conditions can only narrow it.
    if (!members->EditorEnabled())
        printBand = false;
    else
        printBand = printBand && QRDCondition(members->PrintCondition(), report);

    if (printBand) {
        if (band->BandType() == QR::rbPageFooter && members->NotOnLastPage() && report &&
            report->SummaryPrinted()) {
            printBand = false;
            return;
        }
        if (auto *group = qobject_cast<TQRGroup *>(band)) {
            if (TQRCustomBand *restart = groupRestartBand(group))
                for (TControl *c : restart->ControlList())
                    if (auto *text = qobject_cast<TQRDesignDBText *>(c); text && text->ReprintOnNewGroup())
                        text->ResetLastPrinted();
        }
        long long s = members->StartPageNum(), e = members->EndPageNum(), p = members->PageStep();
        const bool notFirst = members->NotOnFirstPage();
        if (s != 0 || e != 0 || p > 1 || notFirst) {
            if (s == 0)
                s = 1;
            if (e == 0)
                e = 9999999;
            if (p == 0)
                p = 1;
            const long long n = report ? report->PageNo : 0;
            // The remainder of a page before the start page is never zero-tested: it is refused first.
            printBand = !(n < s) && !(n > e) && !(n == 1 && notFirst) && ((n - s) % p == 0);
        }
    }

    if (BandBeforePrint)
        BandBeforePrint(band, printBand);
}

void TQRDLoader::BandAfterPrintRule(TQRCustomBand *band)
{
    RunScriptEvent(band->Name(), QStringLiteral("AfterPrint"), nullptr);
    if (band->BandType() == QR::rbSummary)
        if (auto *report = qobject_cast<TQRDesignReport *>(band->ParentReport()))
            report->SetSummaryPrinted(true);
}
