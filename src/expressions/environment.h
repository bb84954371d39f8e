#pragma once

// Environments of named expression variables.
//
// Each variable is an expression text with its own evaluator; an expression reaches it through
// the variable step of preparation, which appends a wrapper that computes the variable.

#include "common/component.h"
#include "expressions/datasets.h"
#include "expressions/elements.h"

#include <QStringList>

#include <memory>

class TQREvaluator;

// A variable's expression: its text and its own evaluator.
class TQREvEmbeddedFunction : public TQREvElement
{
public:
    explicit TQREvEmbeddedFunction(const QString &expression);
    ~TQREvEmbeddedFunction() override;

    // Computes the prepared expression; "Recursive calls not allowed" while already computing.
    void Yield(TQRFiFo &form, TQREvValue &value) override;
    // Resets the aggregates of the variable's expression.
    void ResetState() override;

    const QString &Expression() const { return m_expression; }
    TQREvaluator &Evaluator() { return *m_evaluator; }

private:
    QString m_expression;
    std::unique_ptr<TQREvaluator> m_evaluator;
    bool m_inComputation = false;
};

// Refers to a variable without owning it. A variable removed from its environment while an
// expression still refers to it computes to "Unknown function : NAME" instead of dangling.
class TQREvElementWrapper : public TQREvElement
{
public:
    TQREvElementWrapper(std::weak_ptr<TQREvEmbeddedFunction> function, const QString &name);
    void Yield(TQRFiFo &form, TQREvValue &value) override;
    std::shared_ptr<TQREvEmbeddedFunction> EmbeddedFunction() const { return m_function.lock(); }

private:
    std::weak_ptr<TQREvEmbeddedFunction> m_function;
    QString m_name;
};

class TQREvEnvironment : public TPersistent
{
    Q_OBJECT
    // The names, in order, and the expression texts in the same order; Strings is read first.
    Q_PROPERTY(QStringList Strings READ Strings WRITE SetStrings)
    Q_PROPERTY(QStringList DATA READ Data WRITE SetData)

public:
    explicit TQREvEnvironment(QObject *parent = nullptr);
    ~TQREvEnvironment() override;

    // The name goes into capitals; an existing name changes nothing. Prepared at once when the
    // environment is prepared.
    void AddVariable(const QString &name, const QString &text);
    void RemoveVariable(const QString &name);
    // A new wrapper for the variable, or an error element "Unknown function : NAME"; the caller
    // owns the element.
    TQREvElement *LookupVariable(const QString &name) const;
    // The first element of the variable's prepared expression, or null.
    TQREvElement *VariableElement(const QString &name) const;
    static void SetVariableText(TQREvElement *element, const QString &text);
    static void SetVariableInteger(TQREvElement *element, qint32 number);
    static void SetVariableValue(TQREvElement *element, const TQREvValue &value);
    void ComputeVariable(const QString &name, TQREvValue &value);

    void Engage();
    void Disengage();
    bool IsEngaged() const { return m_prepareCount > 0; }

    // Created empty (and owned) when first read without one having been set.
    TQRDatasetList *Datasets();
    void SetDatasets(TQRDatasetList *datasets);

    void Purge();

    int Count() const { return int(m_variables.size()); }
    int IndexOf(const QString &name) const;
    QString Name(int index) const;
    QString Expression(int index) const;
    std::shared_ptr<TQREvEmbeddedFunction> Find(const QString &name) const;

    // Renames a variable (stored in capitals); false for a bad index or a name in use.
    bool RenameVariable(int index, const QString &newName);
    // Replaces the variable's expression with a new one; refused (false) while prepared.
    bool SetVariableExpression(int index, const QString &text);

    QStringList Strings() const;
    void SetStrings(const QStringList &names);
    QStringList Data() const;
    void SetData(const QStringList &texts);

private:
    struct Variable {
        QString Name;
        std::shared_ptr<TQREvEmbeddedFunction> Function;
    };
    void prepareVariable(Variable &variable);
    void unprepareVariable(Variable &variable);

    std::vector<Variable> m_variables;
    int m_prepareCount = 0;
    TQRDatasetList *m_datasets = nullptr;
    bool m_ownsDatasets = false;
};

// The process-wide environment with APPSTARTTIME, APPSTARTDATE and APPNAME; created on first use,
// after the standard functions.
TQREvEnvironment &GlobalEvEnvironment();

// What every Compile and Discard calls. Unpreparing is ignored while an environment unprepares.
void QREvPrepareGlobalEnvironment();
void QREvUnprepareGlobalEnvironment();
