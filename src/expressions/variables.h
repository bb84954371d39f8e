#pragma once

// The process-wide store of named variables that SETVAR, GETVAR, VAREXISTS, DELETEVAR and INPUTBOX
// work on. It is shared by every expression and every script and lives as long as the process: a
// variable set during one report run is still there in the next.

#include "expressions/value.h"

#include <QMutex>
#include <QString>

#include <vector>

// Longest variable name; longer names are cut, both when stored and when looked up.
constexpr qsizetype QRMaxVariableNameLength = 40;

class TQRVariableStore
{
public:
    // The variable of that name (case ignored), or null. The pointer stays valid until the
    // variable is set again or deleted.
    const TQREvValue *Find(const QString &name) const;
    // Stores the value under the name, appending a variable named in capitals when there is none.
    // An error value keeps only its kind.
    void Set(const QString &name, const TQREvValue &value);
    // Removes the variable; false when there was none.
    bool Delete(const QString &name);

    int Count() const;
    void Clear();

private:
    struct Variable {
        QString Name; // in capitals, at most QRMaxVariableNameLength characters
        TQREvValue Value;
    };
    int indexOf(const QString &key) const;

    mutable QMutex m_mutex;
    std::vector<Variable> m_variables; // in the order they were created
};

TQRVariableStore &QRVariables();

// The key a name is compared by: capitals, cut to QRMaxVariableNameLength characters.
QString QRVariableKey(const QString &name);
