#include "expressions/evaluator.h"

#include "common/localesettings.h"
#include "expressions/datafield.h"
#include "expressions/environment.h"
#include "expressions/library.h"

#include <QCoreApplication>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("TQREvaluator", text);
}

QString missing(QChar c)
{
    return tr("Missing %1").arg(c);
}

// The sign exchange is not applied to the text: a piece carries which pairs are exchanged, and
// a character counts as exchanged where it stands at depth 0 outside quotes and brackets of the
// piece. Splits only happen at such positions, so the pieces cut from a piece see the same
// states; this keeps preparation linear on long chains such as 1-1-1-...
constexpr quint8 SwapAddSub = 1;
constexpr quint8 SwapMulDiv = 2;

QChar exchanged(QChar c, quint8 swaps)
{
    if (swaps & SwapAddSub) {
        if (c == u'+')
            return u'-';
        if (c == u'-')
            return u'+';
    }
    if (swaps & SwapMulDiv) {
        if (c == u'*')
            return u'/';
        if (c == u'/')
            return u'*';
    }
    return c;
}

// The three scanning states of levels 1 to 3.
struct Scanner {
    bool inString = false;
    int depth = 0;
    bool inBracket = false;

    void feed(QChar c)
    {
        switch (c.unicode()) {
        case u'\'':
            if (!inBracket)
                inString = !inString;
            break;
        case u'(':
            if (!inString && !inBracket)
                ++depth;
            break;
        case u')':
            if (!inString && !inBracket)
                --depth;
            break;
        case u'[':
            if (!inString && !inBracket)
                inBracket = true;
            break;
        case u']':
            if (inBracket && !inString)
                inBracket = false;
            break;
        default:
            break;
        }
    }
    bool outside() const { return depth == 0 && !inString && !inBracket; }
};

bool isBlank(QChar c)
{
    return c == u' ';
}

bool matchesWord(const QChar *at, const char *word)
{
    for (; *word; ++at, ++word)
        if (at->toLower() != QLatin1Char(*word))
            return false;
    return true;
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

} // namespace

struct TQREvaluator::Piece {
    const QChar *Data = nullptr;
    qsizetype Size = 0;
    quint8 Swaps = 0;

    Piece mid(qsizetype from, qsizetype length, quint8 swaps) const
    {
        return Piece{Data + from, length, swaps};
    }
    Piece from(qsizetype position) const { return Piece{Data + position, Size - position, Swaps}; }
    Piece left(qsizetype length) const { return Piece{Data, length, Swaps}; }

    // The text with the exchange applied.
    QString text() const
    {
        QString out(Data, Size);
        if (Swaps) {
            Scanner scan;
            for (qsizetype i = 0; i < Size; ++i) {
                scan.feed(Data[i]);
                if (scan.outside())
                    out[i] = exchanged(Data[i], Swaps);
            }
        }
        return out;
    }
};

EQREvaluatorError::EQREvaluatorError(const QString &message)
    : std::runtime_error(message.toStdString()), m_message(message)
{
}

TQREvaluator::TQREvaluator() = default;

TQREvaluator::~TQREvaluator()
{
    if (m_prepared)
        Discard();
    if (m_ownsDatasets)
        delete m_datasets;
}

TQRDatasetList *TQREvaluator::Datasets()
{
    if (!m_datasets) {
        m_datasets = new TQRDatasetList;
        m_ownsDatasets = true;
    }
    return m_datasets;
}

void TQREvaluator::SetDatasets(TQRDatasetList *datasets)
{
    if (datasets == m_datasets)
        return;
    if (m_ownsDatasets)
        delete m_datasets;
    m_datasets = datasets;
    m_ownsDatasets = false;
}

TQREvEnvironment *TQREvaluator::Environment() const
{
    return m_environment.data();
}

void TQREvaluator::SetEnvironment(TQREvEnvironment *environment)
{
    m_environment = environment;
}

void TQREvaluator::Compile(const QString &text)
{
    if (m_prepared)
        Discard();
    QREvPrepareGlobalEnvironment();
    m_form = std::make_unique<TQRFiFo>();
    // An empty text is the string of one blank.
    const QString source = text.isEmpty() ? QStringLiteral("' '") : text;
    m_nesting = 0;
    level1(Piece{source.constData(), source.size(), 0});
    m_prepared = true;
}

void TQREvaluator::Discard()
{
    m_form.reset();
    if (m_prepared) {
        m_prepared = false;
        QREvUnprepareGlobalEnvironment();
    }
}

void TQREvaluator::Compute(TQREvValue &value)
{
    if (!m_prepared)
        throw EQREvaluatorError(tr("Evaluator not prepared"));
    m_form->Rewind();
    QREvYieldNext(*m_form, value);
}

TQREvValue TQREvaluator::Compute()
{
    TQREvValue value;
    Compute(value);
    return value;
}

void TQREvaluator::Accumulate()
{
    if (!m_prepared)
        throw EQREvaluatorError(tr("Evaluator not prepared"));
    TQREvValue dropped;
    m_form->AggregatePass = true;
    try {
        Compute(dropped);
    } catch (...) {
        m_form->AggregatePass = false;
        throw;
    }
    m_form->AggregatePass = false;
}

void TQREvaluator::ResetAggregates()
{
    if (!m_form)
        return;
    for (std::size_t i = 0; i < m_form->Count(); ++i)
        m_form->At(i)->ResetState();
}

bool TQREvaluator::HasAggregates() const
{
    if (!m_form)
        return false;
    for (std::size_t i = 0; i < m_form->Count(); ++i)
        if (m_form->At(i)->IsAggregate)
            return true;
    return false;
}

void TQREvaluator::ComputeText(const QString &text, TQREvValue &value)
{
    Compile(text);
    try {
        Compute(value);
    } catch (...) {
        Discard();
        throw;
    }
    Discard();
}

void TQREvaluator::Append(TQREvElement *element)
{
    m_form->Append(element);
}

bool TQREvaluator::enter()
{
    if (m_nesting >= MaxNesting) {
        Append(new TQREvElementError(tr("Expression is nested too deeply")));
        return false;
    }
    ++m_nesting;
    return true;
}

// Level 1: comparisons. The right piece goes to level 2, so a second comparison there is no
// operator.
void TQREvaluator::level1(Piece piece)
{
    if (!enter())
        return;
    Scanner scan;
    for (qsizetype i = 0; i + 1 < piece.Size; ++i) {
        const QChar c = piece.Data[i];
        scan.feed(c);
        if (i < 1 || !scan.outside())
            continue;
        TQREvOperator op;
        qsizetype length = 1;
        const QChar next = piece.Data[i + 1];
        if (c == u'<') {
            op = next == u'>' ? okNe : next == u'=' ? okLe : okLt;
            length = op == okLt ? 1 : 2;
        } else if (c == u'=') {
            op = okEq;
        } else if (c == u'>') {
            op = next == u'=' ? okGe : okGt;
            length = op == okGe ? 2 : 1;
        } else {
            continue;
        }
        Append(new TQREvElementOperator(op));
        level2(piece.left(i));
        level2(piece.from(i + length));
        leave();
        return;
    }
    level2(piece);
    leave();
}

// Levels 2 and 3 split a chain the same way: at the first of two operator
// characters or at a blank before the word operator, outside strings and
// parentheses; right pieces are taken in a loop rather than by recursion.
struct TQREvaluator::ChainLevel {
    QChar First, Second; // '+' '-' or '*' '/'
    TQREvOperator FirstOp, SecondOp, WordOp;
    const char *Word; // "or " or "and "
    quint8 Swap;      // the sign exchange of the second operator
    void (TQREvaluator::*Next)(Piece);
};

void TQREvaluator::chain(Piece piece, const ChainLevel &level)
{
    if (!enter())
        return;
    const qsizetype wordLength = qsizetype(qstrlen(level.Word));
    for (;;) {
        Scanner scan;
        bool split = false;
        for (qsizetype i = 0; i + 1 < piece.Size; ++i) {
            const QChar raw = piece.Data[i];
            scan.feed(raw);
            if (i < 1 || !scan.outside())
                continue;
            const QChar c = exchanged(raw, piece.Swaps);
            if (c == level.First || c == level.Second) {
                Append(new TQREvElementOperator(c == level.First ? level.FirstOp : level.SecondOp));
                (this->*level.Next)(piece.left(i));
                Piece right = piece.from(i + 1);
                if (c == level.Second)
                    right.Swaps ^= level.Swap;
                piece = right;
                split = true;
                break;
            }
            if (isBlank(raw) && i + wordLength < piece.Size && matchesWord(piece.Data + i + 1, level.Word)) {
                Append(new TQREvElementOperator(level.WordOp));
                (this->*level.Next)(piece.left(i + 1));
                piece = piece.from(i + wordLength);
                split = true;
                break;
            }
        }
        if (!split) {
            (this->*level.Next)(piece);
            break;
        }
    }
    leave();
}

// Level 2: +, - and OR.
void TQREvaluator::level2(Piece piece)
{
    static const ChainLevel level{u'+', u'-', okAdd, okSub, okOr, "or ", SwapAddSub, &TQREvaluator::level3};
    chain(piece, level);
}

// Level 3: *, / and AND.
void TQREvaluator::level3(Piece piece)
{
    static const ChainLevel level{u'*', u'/', okMul, okDiv, okAnd, "and ", SwapMulDiv, &TQREvaluator::level4};
    chain(piece, level);
}

// Level 4: a factor.
void TQREvaluator::level4(Piece piece)
{
    if (!enter())
        return;
    if (piece.Size == 0) {
        Append(new TQREvElementError(tr("Missing operand")));
        leave();
        return;
    }
    qsizetype start = 0;
    qsizetype end = piece.Size;
    while (start < end && isBlank(piece.Data[start]))
        ++start;
    while (end > start && isBlank(piece.Data[end - 1]))
        --end;
    if (start == end) { // blanks only: one blank stays
        start = 0;
        end = 1;
    }
    const Piece factor = piece.mid(start, end - start, piece.Swaps);
    const qsizetype n = factor.Size;
    const QChar *d = factor.Data;

    if (n >= 3 && matchesWord(d, "not")) {
        Append(new TQREvElementNot);
        level2(factor.from(3));
        leave();
        return;
    }

    // Only the first and the last character of a factor can still be exchanged operators.
    const QChar first = exchanged(d[0], factor.Swaps);
    const QChar last = d[n - 1];
    if (first == u'\'') {
        if (n >= 2 && last == u'\'')
            Append(new TQREvElementString(factor.text().mid(1, n - 2)));
        else
            Append(new TQREvElementError(missing(u'\'')));
    } else if (first == u'(') {
        if (n >= 2 && last == u')')
            level1(factor.mid(1, n - 2, 0));
        else
            Append(new TQREvElementError(missing(u')')));
    } else if (first == u'+') {
        level4(factor.from(1));
    } else if (first == u'-') {
        // Zero minus the rest, as "0-" followed by the rest prepared at level 2.
        const Piece rest = factor.from(1);
        if (rest.Size == 0) {
            numericConstant(QStringLiteral("0-"));
        } else {
            Append(new TQREvElementOperator(okSub));
            Append(new TQREvElementConstant(TQREvValue::Integer(0)));
            level2(Piece{rest.Data, rest.Size, quint8(rest.Swaps ^ SwapAddSub)});
        }
    } else if (first >= u'0' && first <= u'9') {
        numericConstant(factor.text());
    } else if (isAsciiLetter(first)) {
        nameOrCall(factor);
    } else if (first == u'[') {
        if (n >= 2 && last == u']')
            PrepareVariable(factor.text().mid(1, n - 2));
        else
            Append(new TQREvElementError(missing(u']')));
    } else {
        Append(new TQREvElementError(tr("Error in expression : %1").arg(factor.text())));
    }
    leave();
}

void TQREvaluator::numericConstant(const QString &text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128)
        ++i;
    const qsizetype digitsEnd = i;
    while (i < n) {
        const char16_t c = text[i].unicode();
        if (!(c == u'+' || c == u'-' || c == u'.' || c == u'E' || c == u'e' || (c >= u'0' && c <= u'9')))
            break;
        ++i;
    }
    const QString illegal = tr("Illegal character in numeric contant \"%1\"").arg(text);
    if (i < n) {
        Append(new TQREvElementError(illegal));
        return;
    }
    if (digitsEnd == n) {
        bool ok = false;
        const int value = text.toInt(&ok, 10);
        if (ok) {
            Append(new TQREvElementConstant(TQREvValue::Integer(value)));
            return;
        }
    }
    QString floating = text;
    const QChar separator = LocaleSettings().DecimalSeparator;
    floating.replace(u'.', separator);
    double value = 0;
    if (TLocaleSettings::TryStrToFloat(floating, separator, value))
        Append(new TQREvElementConstant(TQREvValue::Float(value)));
    else
        Append(new TQREvElementError(illegal));
}

void TQREvaluator::nameOrCall(Piece factor)
{
    const qsizetype n = factor.Size;
    const QChar *d = factor.Data;
    qsizetype paren = -1;
    for (qsizetype i = 0; i < n; ++i) {
        if (d[i] == u'(') {
            paren = i;
            break;
        }
    }
    if (paren < 0) {
        const QString name = factor.text().toUpper();
        if (!PrepareFunction(name, QStringView()))
            PrepareVariable(name);
        return;
    }
    if (d[n - 1] == u')' && paren < n - 1) {
        // Inside the parentheses nothing is exchanged, and the name holds no operator.
        const QString name = QString(d, paren).toUpper();
        const QStringView arguments(d + paren + 1, n - paren - 2);
        if (PrepareFunction(name, arguments))
            return;
        if (arguments.isEmpty())
            PrepareVariable(name);
        else
            Append(new TQREvElementError(tr("Unknown function : %1").arg(name)));
        return;
    }
    PrepareVariable(QString());
}

bool TQREvaluator::PrepareFunction(const QString &name, QStringView arguments)
{
    const TQRFunctionLibrary &library = EvFunctionLibrary();
    if (!library.Contains(name))
        return false;
    Append(library.CreateFunction(name));
    PrepareArguments(arguments);
    Append(new TQREvElementArgumentEnd);
    return true;
}

void TQREvaluator::PrepareArguments(QStringView arguments)
{
    const qsizetype n = arguments.size();
    if (n == 0)
        return;
    const QChar *d = arguments.data();
    // Blanks around an argument are layout: without this "F(1, -2)" would split " " from "2".
    auto prepare = [this, d](qsizetype from, qsizetype to) {
        while (from < to && isBlank(d[from]))
            ++from;
        while (to > from && isBlank(d[to - 1]))
            --to;
        level1(Piece{d + from, to - from, 0});
    };
    bool inString = false;
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i + 1 < n; ++i) {
        const QChar c = d[i];
        if (c == u'\'') {
            inString = !inString;
        } else if (!inString) {
            if (c == u'(')
                ++depth;
            else if (c == u')')
                --depth;
            else if (c == ArgumentDelimiter && depth == 0) {
                prepare(start, i);
                start = i + 1;
            }
        }
    }
    prepare(start, n);
}

void TQREvaluator::PrepareVariable(const QString &name)
{
    if (m_datasets) {
        if (TQREvElement *field = QREvCreateFieldElement(*m_datasets, name)) {
            Append(field);
            return;
        }
    }
    const QString upper = name.toUpper();
    if (TQREvEnvironment *local = m_environment.data()) {
        if (auto function = local->Find(upper)) {
            Append(new TQREvElementWrapper(function, upper));
            return;
        }
    }
    if (auto function = GlobalEvEnvironment().Find(upper)) {
        Append(new TQREvElementWrapper(function, upper));
        return;
    }
    Append(new TQREvElementError(tr("Unknown function : %1").arg(name)));
}
