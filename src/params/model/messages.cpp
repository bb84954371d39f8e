#include "params/model/messages.h"

namespace ParamMessages
{

QString UnknownType(const QString &typeWord)
{
    return QStringLiteral("Unknown type \"%1\"!").arg(typeWord);
}

QString ControlNotDeclaredBefore(const QString &control, const QString &table)
{
    return QStringLiteral("Control \"%1\" must be declared before \"%2\" !").arg(control, table);
}

QString UnknownTableField(const QString &field, const QString &table)
{
    return QStringLiteral("Unknown field \"%1\" in table description \"%2\"!").arg(field, table);
}

QString TableIniValueMissing(const QString &table)
{
    return QStringLiteral("Required value not found in .INI file fo table \"%1\"!").arg(table);
}

QString OnlyIniMacrosNested(const QString &table)
{
    return QStringLiteral("\"INI\" macros only supported in embedded macros (control \"%1\")!").arg(table);
}

QString NestedIniValueMissing(const QString &table)
{
    return QStringLiteral("Required value not found in .INI file for control \"%1\"!").arg(table);
}

QString ControlNotDeclared(const QString &control)
{
    return QStringLiteral("Control \"%1\" not declared!").arg(control);
}

QString UnknownBindingField(const QString &field)
{
    return QStringLiteral("Unknown field \"%1\" in section Assignment!").arg(field);
}

QString VariableIniValueMissing(const QString &variable)
{
    return QStringLiteral("Required value not found in .INI file for variable \"%1\"!").arg(variable);
}

QString MacroNotForVariables(const QString &macroKind, const QString &variable)
{
    return QStringLiteral("%1 -macros not supported for variables (%2)!").arg(macroKind, variable);
}

QString QueryOpenError(const QString &control, const QString &databaseMessage)
{
    return QStringLiteral("Error opening \"%1\" with message:\n").arg(control) + databaseMessage;
}

QString TableMacrosEndless(const QString &table)
{
    return QStringLiteral("The macros of table \"%1\" expand without end!").arg(table);
}

QString VariableMacrosEndless(const QString &variable)
{
    return QStringLiteral("The macros of variable \"%1\" expand without end!").arg(variable);
}

QString NotAnInteger(const QString &text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

QString NotAFloat(const QString &text)
{
    return QStringLiteral("'%1' is not a valid floating point value").arg(text);
}

QString NotADate(const QString &text)
{
    return QStringLiteral("'%1' is not a valid date").arg(text);
}

} // namespace ParamMessages
