#include "expressions/elements.h"

#include <QCoreApplication>
#include <QVarLengthArray>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("TQREvaluator", text);
}

// "Cannot %s %s expressions"
QString cannotMessage(const char *verb, const char *kind)
{
    return tr("Cannot %1 %2 expressions").arg(tr(verb), tr(kind));
}

// "Operator %s is not compatible with %s expressions"
QString incompatibleMessage(TQREvOperator op, const char *kind)
{
    return tr("Operator %1 is not compatible with %2 expressions").arg(QREvOperatorText(op), tr(kind));
}

template <typename T> bool compare(TQREvOperator op, const T &l, const T &r)
{
    switch (op) {
    case okLt:
        return l < r;
    case okLe:
        return l <= r;
    case okGt:
        return l > r;
    case okGe:
        return l >= r;
    case okEq:
        return l == r;
    default:
        return l != r;
    }
}

bool isComparison(TQREvOperator op)
{
    return op <= okNe;
}

qint32 wrap(qint64 v)
{
    return qint32(quint32(quint64(v)));
}

void combineIntegers(TQREvOperator op, qint32 l, qint32 r, TQREvValue &result)
{
    if (isComparison(op)) {
        result.SetBoolean(compare(op, l, r));
        return;
    }
    switch (op) {
    case okAdd:
        result.SetInteger(wrap(qint64(l) + qint64(r)));
        break;
    case okSub:
        result.SetInteger(wrap(qint64(l) - qint64(r)));
        break;
    case okMul:
        result.SetInteger(wrap(qint64(l) * qint64(r)));
        break;
    case okDiv:
        if (r == 0)
            result.SetError(tr("Cannot divide by 0"));
        else
            result.SetFloat(double(l) / double(r));
        break;
    case okOr:
        result.SetInteger(l | r);
        break;
    case okAnd:
        result.SetInteger(l & r);
        break;
    default:
        break;
    }
}

void combineFloats(TQREvOperator op, double l, double r, TQREvValue &result)
{
    if (isComparison(op)) {
        result.SetBoolean(compare(op, l, r));
        return;
    }
    switch (op) {
    case okAdd:
        result.SetFloat(l + r);
        break;
    case okSub:
        result.SetFloat(l - r);
        break;
    case okMul:
        result.SetFloat(l * r);
        break;
    case okDiv:
        if (r == 0.0)
            result.SetError(tr("Cannot divide by 0"));
        else
            result.SetFloat(l / r);
        break;
    default: // OR, AND
        result.SetError(incompatibleMessage(op, "numeric"));
        break;
    }
}

void combineStrings(TQREvOperator op, const QString &l, const QString &r, TQREvValue &result)
{
    if (isComparison(op)) {
        // Ordinal comparison of character codes; a prefix sorts first.
        const int c = QStringView(l).compare(QStringView(r), Qt::CaseSensitive);
        result.SetBoolean(compare(op, c, 0));
        return;
    }
    switch (op) {
    case okAdd: {
        if (l.size() >= QREvMaxTextLength) {
            result.SetString(l);
        } else {
            QString joined;
            joined.reserve(qMin(l.size() + r.size(), QREvMaxTextLength));
            joined.append(l);
            joined.append(QStringView(r).left(QREvMaxTextLength - l.size()));
            result.ValueKind = rkString;
            result.Text = std::move(joined);
        }
        break;
    }
    case okSub:
        result.SetError(cannotMessage("subtract", "string"));
        break;
    case okMul:
        result.SetError(cannotMessage("multiply", "string"));
        break;
    case okDiv:
        result.SetError(cannotMessage("divide", "string"));
        break;
    default:
        result.SetError(incompatibleMessage(op, "string"));
        break;
    }
}

void combineBooleans(TQREvOperator op, bool l, bool r, TQREvValue &result)
{
    switch (op) {
    case okEq:
        result.SetBoolean(l == r);
        break;
    case okNe:
        result.SetBoolean(l != r);
        break;
    case okLt:
    case okLe:
    case okGt:
    case okGe:
        result.SetError(incompatibleMessage(op, "boolean"));
        break;
    case okAdd:
        result.SetError(cannotMessage("add", "boolean"));
        break;
    case okSub:
        result.SetError(cannotMessage("subtract", "boolean"));
        break;
    case okMul:
        result.SetError(cannotMessage("multiply", "boolean"));
        break;
    case okDiv:
        result.SetError(cannotMessage("divide", "boolean"));
        break;
    case okOr:
        result.SetBoolean(l || r);
        break;
    case okAnd:
        result.SetBoolean(l && r);
        break;
    }
}

} // namespace

QString QREvOperatorText(TQREvOperator op)
{
    static const char *const texts[] = {"<", "<=", ">", ">=", "=", "<>", "+", "-", "OR", "*", "/", "AND"};
    return QString::fromLatin1(texts[op]);
}

void QREvCombine(TQREvOperator op, const TQREvValue &left, const TQREvValue &right, TQREvValue &result)
{
    if (left.ValueKind == rkError) {
        if (&result != &left)
            result = left;
        return;
    }
    if (right.ValueKind == rkError) {
        if (&result != &right)
            result = right;
        return;
    }
    TQREvValue out;
    if (left.ValueKind == right.ValueKind) {
        switch (left.ValueKind) {
        case rkInteger:
            combineIntegers(op, left.IntValue, right.IntValue, out);
            break;
        case rkFloat:
            combineFloats(op, left.FloatValue, right.FloatValue, out);
            break;
        case rkString:
            combineStrings(op, left.Text, right.Text, out);
            break;
        case rkBoolean:
            combineBooleans(op, left.BoolValue, right.BoolValue, out);
            break;
        case rkError:
            break;
        }
    } else if (left.IsNumeric() && right.IsNumeric()) {
        combineFloats(op, left.AsFloat(), right.AsFloat(), out);
    } else {
        combineStrings(op, QREvValueText(left), QREvValueText(right), out);
    }
    result = std::move(out);
}

void QREvYieldNext(TQRFiFo &form, TQREvValue &value)
{
    if (TQREvElement *element = form.TakeNext())
        element->Yield(form, value);
    else
        value = TQREvValue::Error();
}

TQREvElement::~TQREvElement() = default;

void TQREvElementConstant::Yield(TQRFiFo &, TQREvValue &value)
{
    value = Value;
}

TQREvElementString::TQREvElementString(const QString &text)
{
    SetText(text);
}

void TQREvElementString::SetText(const QString &text)
{
    m_text = text.size() > QREvMaxTextLength ? text.left(QREvMaxTextLength) : text;
}

void TQREvElementString::Yield(TQRFiFo &, TQREvValue &value)
{
    value.ValueKind = rkString;
    value.Text = m_text;
}

void TQREvElementOperator::Yield(TQRFiFo &form, TQREvValue &value)
{
    // The right operand of an operator is often another operator (a + b + c ...): walk that
    // spine iteratively, keeping the left values, then combine from the innermost outwards.
    struct Pending {
        TQREvOperator Op;
        TQREvValue Left;
    };
    QVarLengthArray<Pending, 8> chain;
    TQREvElementOperator *current = this;
    TQREvValue right;
    for (;;) {
        chain.append(Pending{current->Operator, TQREvValue()});
        QREvYieldNext(form, chain.back().Left);
        TQREvElement *next = form.TakeNext();
        if (!next) {
            right = TQREvValue::Error();
            break;
        }
        if (next->IsOperator()) {
            current = static_cast<TQREvElementOperator *>(next);
            continue;
        }
        next->Yield(form, right);
        break;
    }
    for (qsizetype i = chain.size() - 1; i >= 0; --i)
        QREvCombine(chain[i].Op, chain[i].Left, right, right);
    value = std::move(right);
}

void TQREvElementNot::Yield(TQRFiFo &form, TQREvValue &value)
{
    QREvYieldNext(form, value);
    if (value.ValueKind == rkBoolean)
        value.BoolValue = !value.BoolValue;
    else
        value.SetError(tr("Invalid use of NOT"));
}

void TQREvElementError::Yield(TQRFiFo &, TQREvValue &value)
{
    value.SetError(Message);
}

void TQREvElementArgumentEnd::Yield(TQRFiFo &, TQREvValue &value)
{
    value = TQREvValue::Error();
}

void TQREvElementFunction::Yield(TQRFiFo &form, TQREvValue &value)
{
    GetArguments(form);
    if (form.AggregatePass)
        Gather();
    Apply(value);
    FreeArguments();
}

void TQREvElementFunction::Apply(TQREvValue &value)
{
    value = TQREvValue::Error();
}

void TQREvElementFunction::GetArguments(TQRFiFo &form)
{
    m_arguments.clear();
    for (;;) {
        TQREvElement *element = form.TakeNext();
        if (!element || element->IsArgumentEnd())
            break;
        TQREvResultClass holder;
        element->Yield(form, holder.EvResult);
        m_arguments.push_back(std::move(holder));
    }
}

void TQREvElementFunction::FreeArguments()
{
    m_arguments.clear();
}
