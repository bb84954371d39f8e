#include "params/model/dialogmodel.h"

#include "params/model/messages.h"

#include "common/profile.h"
#include "common/programdir.h"

namespace
{

const QString DeclarationsSection = QStringLiteral("Declarations");
const QString DefaultsSection = QStringLiteral("Defaults");
const QString AssignmentSection = QStringLiteral("Assignment");
const QString AssignmentTypesSection = QStringLiteral("Assignment_types");
const QString LabelsSection = QStringLiteral("Labels");

// The values of a section's lines in file order.
QStringList sectionValues(const TIniFile &ini, const QString &section)
{
    QStringList values;
    for (const QString &line : ini.ReadSectionValues(section))
        values.append(line.mid(line.indexOf(u'=') + 1));
    return values;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

QString TReportBinding::CurrentValue() const
{
    if (!Control)
        return FixedText;
    return UseValue ? Control->CurrentValue() : Control->CurrentText();
}

TParamBuildSite::~TParamBuildSite() = default;

bool TParamBuildSite::ControlBuilt(TParamControl &, QString &)
{
    return true;
}

void TParamBuildSite::Requery(TParamControl &) {}

TParamDialogModel::TParamDialogModel() = default;
TParamDialogModel::~TParamDialogModel() = default;

void TParamDialogModel::SetIniBaseDir(const QString &dir)
{
    m_iniBaseDir = dir;
}

QString TParamDialogModel::IniBaseDir() const
{
    return m_iniBaseDir.isEmpty() ? ProgramDir() : m_iniBaseDir;
}

void TParamDialogModel::clear()
{
    m_error.clear();
    m_assignments.clear();
    m_labels.clear();
    m_controls.clear();
}

bool TParamDialogModel::fail(const QString &message)
{
    m_error = message;
    return false;
}

TParamControl *TParamDialogModel::FindControl(const QString &name) const
{
    for (const auto &control : m_controls)
        if (sameName(control->Name(), name))
            return control.get();
    return nullptr;
}

bool TParamDialogModel::Build(const QString &descriptorFile, TParamBuildSite *site)
{
    clear();
    m_fileName = descriptorFile;
    m_site = site;
    const TIniFile ini(descriptorFile);
    // A missing descriptor is an empty dialog, but one that exists and cannot be read is an error.
    ini.ReadSections();
    if (!ini.LastError().isEmpty())
        return fail(ini.LastError());

    for (const QString &name : ini.ReadSection(DeclarationsSection))
        if (!buildControl(ini, name))
            return false;
    for (const QString &name : ini.ReadSection(AssignmentSection))
        if (!buildBinding(ini, AssignmentSection, name, true))
            return false;
    for (const QString &name : ini.ReadSection(LabelsSection))
        if (!buildBinding(ini, LabelsSection, name, false))
            return false;
    for (const auto &control : m_controls)
        FireLinks(*control);
    return true;
}

bool TParamDialogModel::buildControl(const TIniFile &ini, const QString &name)
{
    const TDeclaration declaration = ParseDeclaration(ini.ReadString(DeclarationsSection, name, QString()));
    const std::optional<TControlKind> kind = ControlKindFromTypeWord(declaration.TypeWord);
    if (!kind)
        return fail(ParamMessages::UnknownType(declaration.TypeWord));

    auto control = std::make_unique<TParamControl>(name, *kind, declaration);
    if (*kind == TControlKind::List)
        control->SetEntries(sectionValues(ini, name));
    if (*kind == TControlKind::Table) {
        TTableSettings settings;
        for (const QString &key : TTableSettings::Keys())
            settings.SetSetting(key, ini.ReadString(name, key, QString()));
        control->SetTableSettings(settings);
        TFilterExpansion expansion;
        QString error;
        const auto declaredAbove = [this](const QString &other) { return FindControl(other) != nullptr; };
        if (!ExpandTableFilter(settings.Filter, name, declaredAbove, IniBaseDir(), expansion, error))
            return fail(error);
        control->SetExpandedFilter(expansion);
    }
    QString error;
    if (!control->ApplyDefault(ini.ReadString(DefaultsSection, name, QString()), error))
        return fail(error);

    TParamControl *built = control.get();
    m_controls.push_back(std::move(control));
    // Linked only once the control is kept, so that no link ever points at an abandoned one.
    for (const TFilterMacro &macro : built->FilterMacros()) {
        TParamLink link;
        link.UseValue = macro.UseValue;
        link.Param = macro.Param;
        link.Target = built;
        link.Source = FindControl(macro.Control);
        link.Source->AddLink(link);
    }
    if (m_site && !m_site->ControlBuilt(*built, error))
        return fail(error);
    return true;
}

bool TParamDialogModel::buildBinding(const TIniFile &ini, const QString &section, const QString &name,
                                     bool assignment)
{
    TReportBinding binding;
    binding.Name = name;
    binding.Source = ini.ReadString(section, name, QString());
    QString expanded;
    QString error;
    if (!ExpandSourceMacros(binding.Source, name, IniBaseDir(), expanded, error))
        return fail(error);

    QString head;
    QString rest;
    SplitAtFirstDot(expanded, head, rest);
    if (sameName(head, QStringLiteral("CONST"))) {
        binding.FixedText = rest;
    } else if (sameName(head, QStringLiteral("INI"))) {
        if (!ReadIniArgument(rest, IniBaseDir(), binding.FixedText))
            return fail(ParamMessages::VariableIniValueMissing(name));
    } else {
        binding.Control = FindControl(head);
        if (!binding.Control)
            return fail(ParamMessages::ControlNotDeclared(head));
        const QString field = rest.toUpper();
        if (field != QLatin1String("VALUE") && field != QLatin1String("TEXT"))
            return fail(ParamMessages::UnknownBindingField(rest));
        binding.UseValue = field == QLatin1String("VALUE");
    }

    if (assignment) {
        binding.DataType = ParamDataTypeFromText(ini.ReadString(AssignmentTypesSection, name, QString()));
        m_assignments.append(binding);
    } else {
        m_labels.append(binding);
    }
    return true;
}

void TParamDialogModel::FireLinks(TParamControl &control)
{
    // Links run only from a control to TABLE controls declared below it, so the cascade ends.
    const QList<TParamLink> links = control.Links();
    for (const TParamLink &link : links) {
        const QString text = link.UseValue ? control.CurrentValue() : control.CurrentText();
        TParamControl &target = *link.Target;
        if (target.ParamValue(link.Param) == text)
            continue;
        target.SetTableSelection(QString(), QString());
        target.SetParamValue(link.Param, text);
        if (m_site)
            m_site->Requery(target);
        FireLinks(target);
    }
}

bool TParamDialogModel::MakeParameters(QList<TReportParameter> &parameters, QString &error,
                                       TIniFile *dump) const
{
    for (int i = 0; i < m_assignments.size(); ++i) {
        const TReportBinding &binding = m_assignments.at(i);
        const QString text = binding.CurrentValue();
        QString converted = text;
        // A number field shows 0 but its VALUE and TEXT are empty then; as a number it is 0.
        if (converted.isEmpty() && binding.Control && binding.Control->Kind() == TControlKind::FloatEdit &&
            (binding.DataType == TParamDataType::Integer || binding.DataType == TParamDataType::Float))
            converted = QStringLiteral("0");
        TReportParameter parameter;
        parameter.Name = binding.Name;
        parameter.DataType = binding.DataType;
        if (!ConvertParameterValue(binding.DataType, converted, parameter.Value, error))
            return false;
        parameters.append(parameter);
        if (dump && !dump->WriteString(QStringLiteral("Variables"), ParameterDumpKey(i),
                                       ParameterDumpText(binding.Name, text))) {
            error = dump->LastError();
            return false;
        }
    }
    return true;
}

bool TParamDialogModel::DumpLabels(TIniFile &dump, QString &error) const
{
    for (int i = 0; i < m_labels.size(); ++i) {
        const TReportBinding &binding = m_labels.at(i);
        if (!dump.WriteString(QStringLiteral("labels"), ParameterDumpKey(i),
                              ParameterDumpText(binding.Name, binding.CurrentValue()))) {
            error = dump.LastError();
            return false;
        }
    }
    return true;
}

bool TParamDialogModel::SaveDeclarations(const QString &descriptorFile, QString &error) const
{
    TIniFile ini(descriptorFile);
    for (const auto &control : m_controls) {
        const QString line = FormatDeclaration(control->TypeWord(), control->Caption(), control->X(),
                                               control->Y(), control->Width());
        if (!ini.WriteString(DeclarationsSection, control->Name(), line)) {
            error = ini.LastError();
            return false;
        }
    }
    return true;
}
