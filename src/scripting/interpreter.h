#pragma once

// The script interpreter: runs one section of a report's script.
//
// A script is a list of lines divided into sections; a section starts at a
// header line "[Element.Event]" and runs up to the next line that begins with
// "[". Lines are numbered from 0 across the whole list; messages use these
// numbers. Every line that is not a block statement is an expression.

#include "expressions/datasets.h"
#include "expressions/value.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// Where a section stands in the script.
struct TScriptSection {
    int Header = -1; // index of the header line, -1 when there is none
    int Length = 0;  // the header and the lines up to the next section or the end
    bool Found() const { return Header >= 0; }
};

TScriptSection FindScriptSection(const QStringList &script, const QString &elementName,
                                 const QString &eventName);

// What one run takes from the report that fires the event.
struct TScriptRunOptions {
    // The report loader's switch; off means nothing runs.
    bool ScriptsEnabled = true;
    // The datasets the report's window offers to expressions (not owned).
    TQRDatasetList *Datasets = nullptr;
    // The cancel flag of the report run. It is checked before every line, so
    // that a script looping without end can be stopped: the run ends quietly
    // with the result as it stood.
    const std::atomic<bool> *Cancel = nullptr;
    // Called every few lines so that a GUI stays responsive (its cancel
    // button can be pressed) while a long script runs; empty in headless runs.
    std::function<void()> ProcessEvents;
};

// Runs the section [elementName.eventName] and gives the value of its last
// RETURN (an error value with an empty message when there was none). A script
// error, or any failure while a line is computed, is shown in an error box
// (through the prompt service) and ends the run.
TQREvValue RunScriptEvent(const QStringList &script, const QString &elementName, const QString &eventName,
                          const TScriptRunOptions &options = {});

// The message of a script error on line `lineIndex`, exactly as the user sees it.
QString ScriptErrorMessage(const QStringList &script, int lineIndex, const QString &errorText);
