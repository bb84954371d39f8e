#include "params/model/reportrun.h"

#include "params/model/controlvalues.h"
#include "params/model/declaration.h"
#include "params/model/dialogmodel.h"
#include "params/model/messages.h"
#include "params/model/tablelookup.h"

#include "common/languagefile.h"
#include "common/profile.h"
#include "common/programdir.h"
#include "data/fieldtypes.h"
#include "data/params.h"
#include "data/query.h"
#include "definition/databasesettings.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "engine/printable.h"
#include "output/rtffilter.h"
#include "output/textfilter.h"
#include "output/wmffilter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

// The value of an environment variable whose name matches without regard to case.
QString environmentValue(const QString &name)
{
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &key : env.keys())
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return env.value(key);
    return QString();
}

DataTypes::TFieldType fieldTypeOf(TParamDataType type)
{
    switch (type) {
    case TParamDataType::Integer:
        return DataTypes::ftInteger;
    case TParamDataType::Date:
        return DataTypes::ftDate;
    case TParamDataType::Float:
        return DataTypes::ftFloat;
    case TParamDataType::String:
        break;
    }
    return DataTypes::ftString;
}

} // namespace

QString StaleTempPageDir()
{
    QString dir = environmentValue(QStringLiteral("temp"));
    if (dir.isEmpty())
        dir = environmentValue(QStringLiteral("tmp"));
    return dir.isEmpty() ? QDir::tempPath() : dir;
}

int RemoveStaleTempPageFiles()
{
    static const QRegularExpression pattern(QStringLiteral("^qrp.*\\.tmp$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QDir dir(StaleTempPageDir());
    int removed = 0;
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        if (name.startsWith(u'.') || !pattern.match(name).hasMatch())
            continue;
        const QString path = dir.filePath(name);
        // Another user's file, a link or anything but a plain file is never ours to delete.
        struct stat st {
        };
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::getuid())
            continue;
        if (!QFile::remove(path))
            break;
        ++removed;
    }
    return removed;
}

Tfmrepprev::Tfmrepprev(TComponent *owner) : TForm(owner)
{
    SetName(QStringLiteral("fmrepprev"));
    m_report = new TQRDesignReport(this);
    m_report->SetName(QStringLiteral("Report"));
    m_loader = new TQRDLoader(this);
    m_loader->SetName(QStringLiteral("QRepDesigner"));
    m_loader->SetQReport(m_report);
    m_loader->SetScriptsEnabled(true);
    m_loader->SetSaveLoadPrinterSetup(false);
    m_sqlSettings = new TQRDatabaseSettings(this);
    m_sqlSettings->SetDelimiterType(TQRDatabaseSettings::delNoQuotes);
    // The preset of delNoQuotes is what the loader's queries are written with; changing one of
    // its texts would turn the settings into delCustom.
    m_wmf = new TQRWMFFilter(this);
    m_wmf->SetName(QStringLiteral("QRWMFFilter1"));
    m_wmf->SetEnhanced(false); // placeable WMF pages, as the holder has always saved them
    m_loader->BeforeGetQueryParams = [this](TQuery *query, bool &doCancel) {
        AnswerQueryParams(query, doCancel);
    };
    m_report->BeforePrint = [](TQRCustomReport *, bool &) { CreateRunExportFilters(); };
    TranslateComponents(this, Name());
}

Tfmrepprev::~Tfmrepprev() = default;

void AssignQueryParameters(const QList<TReportParameter> &parameters, TQuery *query)
{
    if (!query)
        return;
    for (const TReportParameter &parameter : parameters) {
        TParam *target = query->FindParam(parameter.Name);
        if (!target)
            continue;
        try {
            target->SetDataType(fieldTypeOf(parameter.DataType));
            target->SetValue(parameter.Value);
            target->SetBound(true);
        } catch (...) {
            // A value the query cannot take leaves its parameter to the loader's own question.
        }
    }
}

void Tfmrepprev::AnswerQueryParams(TQuery *query, bool &doCancel) const
{
    doCancel = false;
    AssignQueryParameters(m_parameters, query);
}

bool PrepareReportHolder(const TParamDialogModel &model, const QString &reportFile, const QString &dumpFile,
                         Tfmrepprev &holder, QString &error, bool *loaded)
{
    std::unique_ptr<TIniFile> dump;
    if (!dumpFile.isEmpty())
        dump = std::make_unique<TIniFile>(dumpFile);
    QList<TReportParameter> parameters;
    if (!model.MakeParameters(parameters, error, dump.get()))
        return false;
    const bool ok = holder.QRepDesigner()->LoadReportFile(reportFile);
    if (loaded)
        *loaded = ok;
    holder.SetParameters(parameters);
    for (const TReportBinding &binding : model.Labels()) {
        if (auto *label = qobject_cast<TQRLabel *>(holder.FindComponent(binding.Name)))
            label->SetCaption(binding.CurrentValue());
    }
    if (dump && !model.DumpLabels(*dump, error))
        return false;
    return true;
}

namespace
{
int g_filtersCreated = 0;
} // namespace

void CreateRunExportFilters()
{
    if (g_filtersCreated > 0)
        return;
    // Owned by the program run: they stay offered in the filter library until the application ends.
    auto *application = new TComponent();
    application->setParent(QCoreApplication::instance());
    auto *rtf = new TQRRTFFilter(application);
    rtf->SetName(QStringLiteral("QRRTFFilter1"));
    auto *text = new TQRTextFilter(application);
    text->SetName(QStringLiteral("QRTextFilter1"));
    ++g_filtersCreated;
}

int RunExportFiltersCreated()
{
    return g_filtersCreated;
}

QString ReportFileOf(const QString &reportName)
{
    return FindFileInDir(ProgramDir(), reportName + QStringLiteral(".QR2"));
}

QString DescriptorFileOf(const QString &reportName)
{
    return FindFileInDir(ProgramDir(), reportName + QStringLiteral(".cfg"));
}

QString DumpFileOf(const QString &reportName)
{
    return FindFileInDir(ProgramDir(), reportName + QStringLiteral(".txt"));
}

QString DescriptorBeside(const QString &reportFile)
{
    const QFileInfo info(reportFile);
    return FindFileInDir(info.absolutePath() + u'/', info.completeBaseName() + QStringLiteral(".cfg"));
}

bool SetControlValue(TParamDialogModel &model, TTableBuildSite &site, const QString &name,
                     const QString &value, QString &error)
{
    TParamControl *control = model.FindControl(name);
    if (!control) {
        error = QStringLiteral("no control \"%1\" in the dialog").arg(name);
        return false;
    }
    switch (control->Kind()) {
    case TControlKind::Edit:
        control->SetText(value);
        break;
    case TControlKind::IntEdit: {
        int number = 0;
        if (!ParseDecimalInteger(value, number)) {
            error = ParamMessages::NotAnInteger(value);
            return false;
        }
        control->SetIntValue(number);
        break;
    }
    case TControlKind::FloatEdit: {
        double number = 0;
        if (!FloatEditDefault(value, number, error))
            return false;
        control->SetFloatValue(number);
        break;
    }
    case TControlKind::DateEdit: {
        QDate date;
        if (!DateEditDefault(value, date, error))
            return false;
        control->SetDate(date);
        break;
    }
    case TControlKind::List:
        control->SetItemIndex(ListDefault(value, int(control->Entries().size())));
        break;
    case TControlKind::Table:
        if (TTableLookup *lookup = site.Lookup(control))
            lookup->SetValue(value);
        break;
    case TControlKind::Check:
        control->SetChecked(CheckDefault(value));
        break;
    }
    model.FireLinks(*control);
    return true;
}
