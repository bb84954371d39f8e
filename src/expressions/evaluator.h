#pragma once

// Compiles an expression text once into a prepared form and computes it per record.

#include "expressions/datasets.h"
#include "expressions/elements.h"

#include <QPointer>
#include <QString>

#include <memory>
#include <stdexcept>

class TQREvEnvironment;

// Raised only by Compute on an evaluator that is not prepared.
class EQREvaluatorError : public std::runtime_error
{
public:
    explicit EQREvaluatorError(const QString &message);
    QString Message() const { return m_message; }

private:
    QString m_message;
};

class TQREvaluator
{
public:
    TQREvaluator();
    virtual ~TQREvaluator();
    TQREvaluator(const TQREvaluator &) = delete;
    TQREvaluator &operator=(const TQREvaluator &) = delete;

    // The datasets searched for fields. Reading without a list set creates an owned empty one.
    TQRDatasetList *Datasets();
    // The assigned list stays the caller's.
    void SetDatasets(TQRDatasetList *datasets);
    bool HasDatasets() const { return m_datasets != nullptr; }

    // The local environment, searched before GlobalEvEnvironment.
    TQREvEnvironment *Environment() const;
    void SetEnvironment(TQREvEnvironment *environment);

    // Never fails: errors in the text become error elements. An empty text is a blank string.
    void Compile(const QString &text);
    void Discard();
    // Raises EQREvaluatorError "Evaluator not prepared" when not prepared.
    void Compute(TQREvValue &value);
    TQREvValue Compute();
    // One aggregate pass: computes with the form's AggregatePass set, dropping the value.
    void Accumulate();
    void ResetAggregates();
    bool HasAggregates() const;
    // Compile, Compute, Discard.
    void ComputeText(const QString &text, TQREvValue &value);

    bool Prepared() const { return m_prepared; }
    // The prepared form (null while unprepared).
    TQRFiFo *Form() const { return m_form.get(); }

    // Deepest nesting of parentheses, calls and signs that preparation follows; deeper pieces
    // become the error "Expression is nested too deeply".
    static constexpr int MaxNesting = 400;

protected:
    // The function-call step: when `name` (in capitals) is a function, appends its element, the
    // elements of each argument of `arguments` and an argument end, and returns true.
    virtual bool PrepareFunction(const QString &name, QStringView arguments);
    // The variable step: appends a field element, a variable wrapper or an error for `name`.
    virtual void PrepareVariable(const QString &name);

    void Append(TQREvElement *element);
    // Cuts the argument text at ArgumentDelimiter and prepares each argument.
    void PrepareArguments(QStringView arguments);

private:
    struct Piece;
    struct ChainLevel;
    void chain(Piece piece, const ChainLevel &level);
    void level1(Piece piece);
    void level2(Piece piece);
    void level3(Piece piece);
    void level4(Piece piece);
    void numericConstant(const QString &text);
    void nameOrCall(Piece piece);
    bool enter();
    void leave() { --m_nesting; }

    bool m_prepared = false;
    QPointer<TQREvEnvironment> m_environment;
    TQRDatasetList *m_datasets = nullptr;
    bool m_ownsDatasets = false;
    std::unique_ptr<TQRFiFo> m_form;
    int m_nesting = 0;
};
