#pragma once

#include <QString>

// The texts of the errors a descriptor can raise while its dialog is built or run. The parameter
// dialog shows each in a box titled "Error".
namespace ParamMessages
{

QString UnknownType(const QString &typeWord);
QString ControlNotDeclaredBefore(const QString &control, const QString &table);
QString UnknownTableField(const QString &field, const QString &table);
QString TableIniValueMissing(const QString &table);
QString OnlyIniMacrosNested(const QString &table);
QString NestedIniValueMissing(const QString &table);
QString ControlNotDeclared(const QString &control);
QString UnknownBindingField(const QString &field);
QString VariableIniValueMissing(const QString &variable);
QString MacroNotForVariables(const QString &macroKind, const QString &variable);
QString QueryOpenError(const QString &control, const QString &databaseMessage);

// Macro replacement that never ends (a value that holds its own macro).
QString TableMacrosEndless(const QString &table);
QString VariableMacrosEndless(const QString &variable);

// Conversion errors of defaults and typed parameter values.
QString NotAnInteger(const QString &text);
QString NotAFloat(const QString &text);
QString NotADate(const QString &text);

} // namespace ParamMessages
