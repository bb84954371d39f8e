#pragma once

// The elements of a prepared expression and the prepared form that holds them.
//
// A prepared form is a flat list in prefix order: an operator, then its left and right operands;
// a function, then each argument, then an argument end marker. Computing takes the elements from
// the form's read cursor; every element consumes the elements of its own operands.

#include "expressions/value.h"

#include <memory>
#include <vector>

class TQRFiFo;

// Operator kinds in their fixed order.
enum TQREvOperator : std::uint8_t {
    okLt,
    okLe,
    okGt,
    okGe,
    okEq,
    okNe,
    okAdd,
    okSub,
    okOr,
    okMul,
    okDiv,
    okAnd
};

// The operator as written ("<", "<>", "OR", ...).
QString QREvOperatorText(TQREvOperator op);

// Combines two computed operands the way an operator element does: errors first, kind
// conversion, then the operator by the common kind.
void QREvCombine(TQREvOperator op, const TQREvValue &left, const TQREvValue &right, TQREvValue &result);

class TQREvElement
{
public:
    TQREvElement() = default;
    virtual ~TQREvElement();
    TQREvElement(const TQREvElement &) = delete;
    TQREvElement &operator=(const TQREvElement &) = delete;

    // Produces the element's value, taking the elements of its operands from the form.
    virtual void Yield(TQRFiFo &form, TQREvValue &value) = 0;
    // Clears aggregate state.
    virtual void ResetState() {}

    bool IsAggregate = false;

    // Cheap tests the computing loop needs without a dynamic cast.
    bool IsOperator() const { return m_tag == Tag::Operator; }
    bool IsArgumentEnd() const { return m_tag == Tag::ArgumentEnd; }

protected:
    enum class Tag : std::uint8_t { Other, Operator, ArgumentEnd };
    Tag m_tag = Tag::Other;
};

// A numeric constant (integer or floating).
class TQREvElementConstant : public TQREvElement
{
public:
    explicit TQREvElementConstant(const TQREvValue &value) : Value(value) {}
    void Yield(TQRFiFo &form, TQREvValue &value) override;
    TQREvValue Value;
};

class TQREvElementString : public TQREvElement
{
public:
    explicit TQREvElementString(const QString &text);
    void Yield(TQRFiFo &form, TQREvValue &value) override;
    // Cut to 255 characters when stored.
    void SetText(const QString &text);
    const QString &Text() const { return m_text; }

private:
    QString m_text;
};

class TQREvElementOperator : public TQREvElement
{
public:
    explicit TQREvElementOperator(TQREvOperator op) : Operator(op) { m_tag = Tag::Operator; }
    // Computes chains of right-nested operators in a loop, so that long sums do not nest calls.
    void Yield(TQRFiFo &form, TQREvValue &value) override;
    TQREvOperator Operator;
};

// NOT applied to the element that follows it.
class TQREvElementNot : public TQREvElement
{
public:
    void Yield(TQRFiFo &form, TQREvValue &value) override;
};

class TQREvElementError : public TQREvElement
{
public:
    explicit TQREvElementError(const QString &message) : Message(message) {}
    void Yield(TQRFiFo &form, TQREvValue &value) override;
    QString Message;
};

// Marks the end of a function's arguments; never computed itself.
class TQREvElementArgumentEnd : public TQREvElement
{
public:
    TQREvElementArgumentEnd() { m_tag = Tag::ArgumentEnd; }
    void Yield(TQRFiFo &form, TQREvValue &value) override;
};

// The holder of one computed argument.
struct TQREvResultClass {
    TQREvValue EvResult;
};

// Base of every function. Yield computes the arguments into holders, gathers during an
// aggregate pass, applies, and frees the holders again.
class TQREvElementFunction : public TQREvElement
{
public:
    void Yield(TQRFiFo &form, TQREvValue &value) override;
    // The aggregate step; nothing in the base class.
    virtual void Gather() {}
    // Computes the function from its arguments; an error in the base class.
    virtual void Apply(TQREvValue &value);

    int ArgumentCount() const { return int(m_arguments.size()); }
    const TQREvValue &Argument(int index) const { return m_arguments[std::size_t(index)].EvResult; }

protected:
    // Computes every argument up to the argument end into the holder list.
    void GetArguments(TQRFiFo &form);
    void FreeArguments();

private:
    // Holders live in one vector whose storage is kept between computations.
    std::vector<TQREvResultClass> m_arguments;
};

// The prepared form: an owned list of elements, a read cursor and the aggregate pass flag.
class TQRFiFo
{
public:
    TQRFiFo() = default;
    TQRFiFo(const TQRFiFo &) = delete;
    TQRFiFo &operator=(const TQRFiFo &) = delete;

    void Append(TQREvElement *element) { m_elements.emplace_back(element); }
    void Rewind() { m_cursor = 0; }
    TQREvElement *TakeNext() { return m_cursor < m_elements.size() ? m_elements[m_cursor++].get() : nullptr; }

    std::size_t Count() const { return m_elements.size(); }
    TQREvElement *At(std::size_t index) const { return m_elements[index].get(); }

    bool AggregatePass = false;

private:
    std::vector<std::unique_ptr<TQREvElement>> m_elements;
    std::size_t m_cursor = 0;
};

// Yields the next element of the form, or an error value when the form has ended.
void QREvYieldNext(TQRFiFo &form, TQREvValue &value);
