#include "params/model/descriptorcheck.h"

#include "params/model/dialogmodel.h"

namespace
{

// Reports each control as soon as it is built, so that the lines before an error stand as far as
// the build came.
class TCheckSite : public TParamBuildSite
{
public:
    explicit TCheckSite(QStringList &lines) : m_lines(lines) {}

    bool ControlBuilt(TParamControl &control, QString &) override
    {
        m_lines.append(QStringLiteral("control %1 %2 \"%3\" %4 %5 %6")
                           .arg(control.Name(), ControlKindName(control.Kind()), control.Caption(),
                                QString::number(control.X()), QString::number(control.Y()),
                                QString::number(control.Width())));
        if (control.Kind() != TControlKind::Table)
            return true;
        m_lines.append(QStringLiteral("sql ") + control.Name() + u' ' + control.SqlLines().join(u' '));
        for (const TFilterMacro &macro : control.FilterMacros())
            m_lines.append(QStringLiteral("link %1.%2 -> %3:%4")
                               .arg(macro.Control,
                                    macro.UseValue ? QStringLiteral("VALUE") : QStringLiteral("TEXT"),
                                    control.Name(), macro.Param));
        return true;
    }

private:
    QStringList &m_lines;
};

} // namespace

TDescriptorCheck CheckDescriptor(const QString &descriptorFile, const QString &iniBaseDir)
{
    TDescriptorCheck check;
    TCheckSite site(check.Lines);
    TParamDialogModel model;
    model.SetIniBaseDir(iniBaseDir);
    if (!model.Build(descriptorFile, &site)) {
        check.Lines.append(QStringLiteral("error ") + model.ErrorMessage());
        return check;
    }
    for (const TReportBinding &binding : model.Assignments())
        check.Lines.append(QStringLiteral("param ") + binding.Name + u' ' +
                           ParamDataTypeName(binding.DataType) + u' ' + binding.CurrentValue());
    for (const TReportBinding &binding : model.Labels())
        check.Lines.append(QStringLiteral("label ") + binding.Name + u' ' + binding.CurrentValue());
    check.Succeeded = true;
    return check;
}
