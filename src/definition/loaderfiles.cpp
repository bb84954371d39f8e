// Loading and saving report files through the report loader: the file
// reader and writer work on bytes, the loader tells them its settings and
// does what a load means for the report around them.

#include "common/properties.h"
#include "common/screen.h"
#include "data/dataset.h"
#include "data/field.h"
#include "definition/designbands.h"
#include "definition/designelements.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "definition/qr2context.h"
#include "definition/qr2reader.h"
#include "definition/qr2writer.h"
#include "definition/reportdata.h"

#include <QBuffer>
#include <QFileInfo>
#include <QCursor>
#include <QGuiApplication>

std::function<QStringList()> &QRInstalledPrintersHook()
{
    static std::function<QStringList()> hook;
    return hook;
}

namespace
{
// The hourglass while a report is read or written, when there is a screen.
struct WaitCursor {
    WaitCursor()
    {
        if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
            active = true;
        }
    }
    ~WaitCursor()
    {
        if (active)
            QGuiApplication::restoreOverrideCursor();
    }
    bool active = false;
};

QStringList installedPrinters()
{
    const auto &hook = QRInstalledPrintersHook();
    return hook ? hook() : QStringList();
}
} // namespace

void TQRDLoader::fillContext(TQR2Context &context)
{
    context.SaveLoadPrinterSetup = SaveLoadPrinterSetup();
    context.DatabaseOwner = DatabaseOwner();
    context.UseDataModules = UseDataModules();
    context.DataModules = [] { return TScreen::Instance().DataModules(); };
    context.SaveBackupFiles = SaveBackupFiles;
    context.BackupFileExtension = BackupFileExtension;
    if (QObject *dialog = PrinterDialog()) {
        context.RunTimeFirstLabel = GetPropertyValue(dialog, QStringLiteral("LabelSettings.FirstLabel")).toInt();
        context.RunTimeLabelCount = GetPropertyValue(dialog, QStringLiteral("LabelSettings.LabelCount")).toInt();
    }
    context.MessageText = [this](const QString &key) {
        QString text;
        return FindMessage(key, &text) ? text : QString();
    };
    context.GetScript = [this] { return Script(); };
    context.SetScript = [this](const QStringList &lines) { SetScript(lines); };
    if (OnSaveReport)
        context.OnSaveReport = [this](QByteArray &data) {
            QBuffer buffer(&data);
            buffer.open(QIODevice::WriteOnly);
            OnSaveReport(&buffer);
        };
    if (OnLoadReport)
        context.OnLoadReport = [this](const QByteArray &data) {
            QByteArray copy = data;
            QBuffer buffer(&copy);
            buffer.open(QIODevice::ReadOnly);
            OnLoadReport(&buffer);
        };
    context.PrinterName = [this]() -> QString {
        TQRDesignReport *report = QReport();
        const QStringList printers = installedPrinters();
        const int index = report ? report->PrinterSettings()->PrinterIndex() : -1;
        return index >= 0 && index < printers.size() ? printers[index] : QString();
    };
    context.SelectPrinter = [this](const QString &name) {
        TQRDesignReport *report = QReport();
        if (!report)
            return;
        const QStringList printers = installedPrinters();
        int index = -1;
        for (int i = 0; i < printers.size() && index < 0; ++i)
            if (printers[i].compare(name, Qt::CaseInsensitive) == 0)
                index = i;
        report->PrinterSettings()->SetPrinterIndex(index);
    };
    context.BeginRead = [this](const QString &fileName) {
        m_fileName = fileName;
        SetScript({});
    };
    context.ComponentRead = [this](TComponent *c) {
        if (TQRDesignBandMembers *band = DesignBandMembers(qobject_cast<TQRCustomBand *>(c)))
            band->SetQRDesigner(this);
        else if (TQRDesignElementMembers *element = DesignElementMembers(qobject_cast<TQRPrintable *>(c)))
            element->SetQRDesigner(this);
    };
    context.PrepareDataset = [this](TComponent *dataset, const QString &fileName) {
        if (auto *ds = qobject_cast<TDataSet *>(dataset))
            DatasetRead(ds, fileName.isEmpty() ? QString() : QFileInfo(fileName).absolutePath());
    };
    if (BeforeOpenDatasets)
        context.BeforeOpenDatasets = BeforeOpenDatasets;
    context.SetUpFields = [this](TComponent *source) {
        auto *ds = qobject_cast<TDataSource *>(source) ? qobject_cast<TDataSource *>(source)->DataSet() : nullptr;
        if (ds && !ds->Active())
            QRDSetupFieldsAfterLoading(ds, FieldDisplayLabels.isEmpty() ? nullptr : &FieldDisplayLabels);
    };
}

void TQRDLoader::afterLoad(bool ok, const QString &fileName)
{
    // The file name was remembered when reading began.
    Q_UNUSED(fileName);
    if (!ok)
        return;
    if (TComponent *owner = DataOwner())
        for (TComponent *c : owner->ComponentList())
            if (auto *ds = qobject_cast<TDataSet *>(c))
                InstallCalcFieldsHandler(ds);
    if (TQRDesignReport *report = QReport())
        report->RefreshDataFieldCaptions();
}

bool TQRDLoader::LoadReportFile(const QString &fileName)
{
    TQRDesignReport *report = QReport();
    if (!report)
        return false;
    bool ok;
    {
        WaitCursor wait;
        TQR2Context context;
        fillContext(context);
        ok = LoadReportFromFile(fileName, context, report, DataOwner());
        m_lastError = ok ? QString() : context.LastError;
    }
    afterLoad(ok, fileName);
    return ok;
}

bool TQRDLoader::loadBytes(const QByteArray &bytes, const QString &fileName)
{
    TQRDesignReport *report = QReport();
    if (!report)
        return false;
    bool ok;
    {
        WaitCursor wait;
        TQR2Context context;
        fillContext(context);
        ok = ReadReport(bytes, context, fileName, report, DataOwner(), true);
        m_lastError = ok ? QString() : context.LastError;
    }
    afterLoad(ok, fileName);
    return ok;
}

bool TQRDLoader::LoadReportStream(QIODevice *stream)
{
    if (!stream)
        return false;
    return loadBytes(stream->readAll(), QString());
}

bool TQRDLoader::LoadReportBlob(TField *field)
{
    if (!field)
        return false;
    const QByteArray bytes = field->AsBytes();
    if (bytes.isEmpty())
        return true;
    return loadBytes(bytes, QString());
}

bool TQRDLoader::SaveReportFile(const QString &fileName)
{
    TQRDesignReport *report = QReport();
    if (!report)
        return false;
    RestoreQueryParams();
    WaitCursor wait;
    TQR2Context context;
    fillContext(context);
    const bool ok = SaveReportToFile(fileName, context, report, DataOwner());
    m_lastError = ok ? QString() : context.LastError;
    return ok;
}

bool TQRDLoader::SaveReportStream(QIODevice *stream)
{
    TQRDesignReport *report = QReport();
    if (!report || !stream)
        return false;
    RestoreQueryParams();
    TQR2Context context;
    fillContext(context);
    QByteArray bytes;
    if (!WriteReport(bytes, context, report, DataOwner(), true)) {
        m_lastError = context.LastError;
        return false;
    }
    m_lastError.clear();
    return stream->write(bytes) == bytes.size();
}

bool TQRDLoader::SaveReportBlob(TField *field)
{
    if (!field)
        return false;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!SaveReportStream(&buffer))
        return false;
    field->SetValue(QVariant(buffer.data()));
    return true;
}
