#pragma once

#include <QString>
#include <QStringList>

// The report of tabulon-cfg check: the descriptor built without widgets, the controls' defaults
// standing for their values, one line per item (fields separated by single blanks):
//   control NAME KIND "CAPTION" X Y WIDTH     each control, in declaration order
//   sql NAME TEXT                             after a TABLE control: its query, lines joined by blanks
//   link SOURCE.FIELD -> NAME:PARAM           then one per control macro of its filter
//   param NAME TYPE VALUE                     each assignment, in Assignment order
//   label NAME VALUE                          each label
//   error MESSAGE                             the first build error, which ends the report
struct TDescriptorCheck {
    QStringList Lines;
    bool Succeeded = false;
};

// iniBaseDir: where profile files named without a directory in INI sources and macros are found.
TDescriptorCheck CheckDescriptor(const QString &descriptorFile, const QString &iniBaseDir);
