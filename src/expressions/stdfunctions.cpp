#include "expressions/stdfunctions.h"

#include "common/localesettings.h"
#include "expressions/library.h"
#include "expressions/numericmask.h"

#include <QCoreApplication>
#include <QDate>
#include <QTime>

#include <cmath>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("TQREvaluator", text);
}

QString wrongArguments(const char *name)
{
    return tr("Wrong arguments for %1").arg(QLatin1String(name));
}

// Cuts towards zero and keeps the low 32 bits; false for values that are not finite.
bool truncateTo32(double x, qint32 &out)
{
    if (!std::isfinite(x))
        return false;
    double t = std::fmod(std::trunc(x), 4294967296.0);
    if (t < 0)
        t += 4294967296.0;
    out = qint32(quint32(t));
    return true;
}

// The nearest integer, ties to the even neighbour, keeping the low 32 bits.
bool roundTo32(double x, qint64 &out)
{
    if (!std::isfinite(x))
        return false;
    double r = std::nearbyint(x);
    if (std::fabs(r) >= 9.2e18)
        r = std::fmod(r, 4294967296.0);
    out = qint64(qint32(quint32(quint64(qint64(r)))));
    return true;
}

// UTF-16 counterpart of a double-byte lead byte: the high half of a surrogate pair.
bool isLead(QChar c)
{
    return c.isHighSurrogate();
}

// Compares two values of the same kind: -1, 0, 1. Integers beside floating values compare as
// floating. `comparable` is false for kinds that cannot be compared.
int compareValues(const TQREvValue &a, const TQREvValue &b, bool &comparable)
{
    comparable = true;
    if (a.ValueKind == rkInteger && b.ValueKind == rkInteger)
        return a.IntValue < b.IntValue ? -1 : a.IntValue > b.IntValue ? 1 : 0;
    if (a.IsNumeric() && b.IsNumeric()) {
        const double x = a.AsFloat(), y = b.AsFloat();
        return x < y ? -1 : x > y ? 1 : 0;
    }
    if (a.ValueKind == rkString && b.ValueKind == rkString) {
        const int c = QStringView(a.Text).compare(QStringView(b.Text), Qt::CaseSensitive);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    if (a.ValueKind == rkBoolean && b.ValueKind == rkBoolean)
        return int(a.BoolValue) - int(b.BoolValue);
    comparable = false;
    return 0;
}

} // namespace

void TQREvIfFunction::Apply(TQREvValue &value)
{
    if (ArgumentCount() == 3 && Argument(0).ValueKind == rkBoolean)
        value = Argument(0).BoolValue ? Argument(1) : Argument(2);
    else
        value.SetError(wrongArguments("IF"));
}

void TQREvTrue::Apply(TQREvValue &value)
{
    if (ArgumentCount() == 0)
        value.SetBoolean(true);
    else
        value.SetError(tr("Too many arguments"));
}

void TQREvFalse::Apply(TQREvValue &value)
{
    if (ArgumentCount() == 0)
        value.SetBoolean(false);
    else
        value.SetError(tr("Too many arguments"));
}

void TQREvStrFunction::Apply(TQREvValue &value)
{
    if (ArgumentCount() == 1) {
        const TQREvValue &x = Argument(0);
        if (x.IsNumeric()) {
            value.SetString(QREvValueText(x));
            return;
        }
        if (x.ValueKind == rkBoolean) {
            // Fixed words here, whatever the translation of the text form.
            value.SetString(x.BoolValue ? QStringLiteral("True") : QStringLiteral("False"));
            return;
        }
    }
    value.SetError(tr("Conversion error"));
}

namespace
{

enum class CaseMode { Upper, Lower, Pretty };

void applyCase(const TQREvElementFunction &f, TQREvValue &value, CaseMode mode, const char *name)
{
    if (f.ArgumentCount() != 1) {
        value.SetError(tr("Missing argument for %1").arg(QLatin1String(name)));
        return;
    }
    const TQREvValue &x = f.Argument(0);
    if (x.ValueKind == rkError) {
        value = x;
        return;
    }
    if (x.ValueKind != rkString) {
        value = TQREvValue::Error();
        return;
    }
    switch (mode) {
    case CaseMode::Upper:
        value.SetString(x.Text.toUpper());
        break;
    case CaseMode::Lower:
        value.SetString(x.Text.toLower());
        break;
    case CaseMode::Pretty: {
        const qsizetype head = !x.Text.isEmpty() && isLead(x.Text[0]) && x.Text.size() > 1 ? 2 : 1;
        value.SetString(x.Text.left(head).toUpper() + x.Text.mid(head).toLower());
        break;
    }
    }
}

} // namespace

void TQREvUpperFunction::Apply(TQREvValue &value)
{
    applyCase(*this, value, CaseMode::Upper, "UPPER");
}

void TQREvLowerFunction::Apply(TQREvValue &value)
{
    applyCase(*this, value, CaseMode::Lower, "LOWER");
}

void TQREvPrettyFunction::Apply(TQREvValue &value)
{
    applyCase(*this, value, CaseMode::Pretty, "PRETTY");
}

void TQREvTimeFunction::Apply(TQREvValue &value)
{
    if (ArgumentCount() == 0)
        value.SetString(LocaleSettings().TimeToStr(QTime::currentTime()));
    else
        value = TQREvValue::Error();
}

void TQREvDateFunction::Apply(TQREvValue &value)
{
    if (ArgumentCount() == 0)
        value.SetString(LocaleSettings().DateToStr(QDate::currentDate()));
    else
        value = TQREvValue::Error();
}

void TQREvCopyFunction::Apply(TQREvValue &value)
{
    if (ArgumentCount() != 3 || Argument(0).ValueKind != rkString || Argument(1).ValueKind != rkInteger ||
        Argument(2).ValueKind != rkInteger) {
        value = TQREvValue::Error();
        return;
    }
    const QString &x = Argument(0).Text;
    qint64 start = qMax<qint64>(Argument(1).IntValue, 1) - 1; // 0-based
    qint64 length = Argument(2).IntValue;
    if (start >= x.size() || length <= 0) {
        value.SetString(QString());
        return;
    }
    // Never cut a surrogate pair in half.
    if (start > 0 && x[start].isLowSurrogate() && isLead(x[start - 1])) {
        ++start;
        --length;
    }
    length = qMin<qint64>(length, x.size() - start);
    if (length > 0 && isLead(x[start + length - 1]))
        --length;
    value.SetString(length > 0 ? x.mid(start, length) : QString());
}

void TQREvIntFunction::Apply(TQREvValue &value)
{
    if (ArgumentCount() == 1) {
        const TQREvValue &x = Argument(0);
        if (x.ValueKind == rkInteger) {
            value = x;
            return;
        }
        qint32 truncated = 0;
        if (x.ValueKind == rkFloat && truncateTo32(x.FloatValue, truncated)) {
            value.SetInteger(truncated);
            return;
        }
    }
    value.SetError(wrongArguments("INT"));
}

void TQREvFracFunction::Apply(TQREvValue &value)
{
    if (ArgumentCount() == 1) {
        const TQREvValue &x = Argument(0);
        if (x.ValueKind == rkInteger) {
            value.SetFloat(0.0);
            return;
        }
        if (x.ValueKind == rkFloat && std::isfinite(x.FloatValue)) {
            value.SetFloat(x.FloatValue - std::trunc(x.FloatValue));
            return;
        }
    }
    value = TQREvValue::Error();
}

void TQREvSQRTFunction::Apply(TQREvValue &value)
{
    if (ArgumentCount() == 1 && Argument(0).IsNumeric() && Argument(0).AsFloat() >= 0) {
        value.SetFloat(std::sqrt(Argument(0).AsFloat()));
        return;
    }
    value.SetError(tr("Invalid argument to SQRT function"));
}

void TQREvDivFunction::Apply(TQREvValue &value)
{
    if (ArgumentCount() == 2 && Argument(0).IsNumeric() && Argument(1).IsNumeric()) {
        qint64 x = 0, y = 0;
        const bool okX = Argument(0).ValueKind == rkInteger ? (x = Argument(0).IntValue, true)
                                                            : roundTo32(Argument(0).FloatValue, x);
        const bool okY = Argument(1).ValueKind == rkInteger ? (y = Argument(1).IntValue, true)
                                                            : roundTo32(Argument(1).FloatValue, y);
        if (okX && okY) {
            if (y == 0)
                value.SetError(tr("Division by Zero"));
            else
                value.SetInteger(qint32(quint32(quint64(x / y)))); // C++ division cuts towards zero
            return;
        }
    }
    value.SetError(wrongArguments("DIV"));
}

void TQREvTypeOfFunction::Apply(TQREvValue &value)
{
    if (ArgumentCount() == 1)
        value.SetString(QREvKindName(Argument(0).ValueKind));
    else
        value.SetError(wrongArguments("TypeOf"));
}

void TQREvFormatNumericFunction::Apply(TQREvValue &value)
{
    if (ArgumentCount() != 2 || Argument(0).ValueKind != rkString || !Argument(1).IsNumeric()) {
        value = TQREvValue::Error();
        return;
    }
    QString text;
    if (QRFormatNumeric(Argument(0).Text, Argument(1).AsFloat(), text))
        value.SetString(text);
    else
        value.SetError(tr("Invalid format or value specified"));
}

// --- SUM ---

void TQREvSumFunction::ResetState()
{
    m_assigned = false;
}

void TQREvSumFunction::Gather()
{
    if (ArgumentCount() != 1) {
        m_total.ValueKind = rkError;
        return;
    }
    const TQREvValue &x = Argument(0);
    if (!m_assigned) {
        if (x.IsNumeric())
            m_total = x;
        else
            m_total = TQREvValue::Error();
        m_assigned = true;
        return;
    }
    if (m_total.ValueKind == rkError)
        return;
    if (x.ValueKind == rkString) {
        m_total = TQREvValue::Error();
        return;
    }
    if (!x.IsNumeric() || !m_total.IsNumeric())
        return;
    if (m_total.ValueKind == rkInteger && x.ValueKind == rkInteger)
        m_total.IntValue = qint32(quint32(m_total.IntValue) + quint32(x.IntValue));
    else
        m_total.SetFloat(m_total.AsFloat() + x.AsFloat()); // integer beside floating: floating
}

void TQREvSumFunction::Apply(TQREvValue &value)
{
    if (m_assigned)
        value = m_total;
    else
        value.SetInteger(0);
}

// --- AVERAGE ---

TQREvAverageFunction::TQREvAverageFunction()
{
    m_average.SetFloat(0.0);
}

void TQREvAverageFunction::ResetState()
{
    TQREvSumFunction::ResetState();
    m_average = TQREvValue::Float(0.0);
    m_count = 0;
    IsAggregate = true;
}

void TQREvAverageFunction::Gather()
{
    TQREvSumFunction::Gather();
    ++m_count;
    if (m_total.IsNumeric())
        m_average.SetFloat(m_total.AsFloat() / double(m_count));
    else
        m_average = TQREvValue::Error();
}

void TQREvAverageFunction::Apply(TQREvValue &value)
{
    value = m_average;
}

// --- MAX and MIN ---

void TQREvMaxFunction::ResetState()
{
    m_assigned = false;
}

void TQREvMaxFunction::Gather()
{
    if (ArgumentCount() != 1) {
        m_extreme.ValueKind = rkError;
        return;
    }
    const TQREvValue &x = Argument(0);
    if (!m_assigned) {
        m_extreme = x;
        m_assigned = true;
        return;
    }
    if (m_extreme.ValueKind == rkError)
        return;
    bool comparable = false;
    const int c = compareValues(x, m_extreme, comparable);
    if (!comparable || !Replaces(c))
        return;
    if (m_extreme.ValueKind != x.ValueKind) // integer beside floating: floating
        m_extreme.SetFloat(x.AsFloat());
    else
        m_extreme = x;
}

void TQREvMaxFunction::Apply(TQREvValue &value)
{
    if (m_assigned)
        value = m_extreme;
    else
        value.SetInteger(0);
}

// --- COUNT ---

void TQREvCountFunction::Yield(TQRFiFo &form, TQREvValue &value)
{
    GetArguments(form);
    if (ArgumentCount() > 0) {
        value.SetError(QStringLiteral("COUNT - ") + tr("Too many arguments"));
    } else {
        if (form.AggregatePass)
            ++m_count;
        value.SetInteger(m_count);
    }
    FreeArguments();
}

void TQREvCountFunction::ResetState()
{
    m_count = 0;
}

// --- Registration ---

void RegisterStandardFunctions(TQRFunctionLibrary &library)
{
    const QString vendor = tr("Tabulon");
    auto add = [&](TQREvFunctionClass cls, const char *name, const char *syntax, const char *explanation,
                   const char *signature, const char *bar = "|") {
        QREvAddFunction(library, cls, QLatin1String(name),
                        QLatin1String(syntax) + QLatin1String(bar) + tr(explanation), vendor,
                        QLatin1String(signature));
    };
    add(&QREvCreateFunction<TQREvIfFunction>, "IF", "IF(<Exp>, <X>, <Y>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Returns <X> or <Y> depending on the boolean expression <Exp>"),
        "5BVV");
    add(&QREvCreateFunction<TQREvStrFunction>, "STR", "STR(<X>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Convert a numeric <X> to a string"), "7N");
    add(&QREvCreateFunction<TQREvUpperFunction>, "UPPER", "UPPER(<X>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Converts a string to upper case letters"), "7S");
    add(&QREvCreateFunction<TQREvLowerFunction>, "LOWER", "LOWER(<X>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Converts a string to lower case letters"), "7S");
    add(&QREvCreateFunction<TQREvPrettyFunction>, "PRETTY", "PRETTY(<X>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Makes the first character upper case and the rest lower case"),
        "7S");
    add(&QREvCreateFunction<TQREvTimeFunction>, "TIME", "TIME",
        QT_TRANSLATE_NOOP("TQREvaluator", "Return current time as a string"), "1");
    add(&QREvCreateFunction<TQREvDateFunction>, "DATE", "DATE",
        QT_TRANSLATE_NOOP("TQREvaluator", "Return current date as a string"), "1");
    add(&QREvCreateFunction<TQREvCopyFunction>, "COPY", "COPY(<X>, <St>,<Len>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Returns a substring of string X"), "7SNN");
    add(&QREvCreateFunction<TQREvSumFunction>, "SUM", "SUM(<X>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Sums the numeric <X>"), "3N");
    add(&QREvCreateFunction<TQREvCountFunction>, "COUNT", "COUNT",
        QT_TRANSLATE_NOOP("TQREvaluator", "Increments for each iteration"), "3");
    add(&QREvCreateFunction<TQREvMaxFunction>, "MAX", "MAX(<X>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Returns the highest <X>"), "3V");
    add(&QREvCreateFunction<TQREvMinFunction>, "MIN", "MIN(<X>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Returns the lowest <X>"), "3V");
    add(&QREvCreateFunction<TQREvAverageFunction>, "AVERAGE", "AVERAGE(<X>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Returns the average of numeric <X>"), "3N");
    add(&QREvCreateFunction<TQREvTrue>, "TRUE", "TRUE", QT_TRANSLATE_NOOP("TQREvaluator", "boolean value"),
        "5");
    add(&QREvCreateFunction<TQREvFalse>, "FALSE", "FALSE", QT_TRANSLATE_NOOP("TQREvaluator", "boolean value"),
        "5");
    add(&QREvCreateFunction<TQREvIntFunction>, "INT", "INT(<X>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Returns the integer part of <X>"), "2N");
    add(&QREvCreateFunction<TQREvFracFunction>, "FRAC", "FRAC(<X>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Returns the fractional part of <X>"), "2N");
    add(&QREvCreateFunction<TQREvSQRTFunction>, "SQRT", "SQRT(<X>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Returns square root of <X>"), "2N");
    add(&QREvCreateFunction<TQREvDivFunction>, "DIV", "DIV(<X>, <Y>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Integer division of <X> by <Y>"), "2NN", " | ");
    add(&QREvCreateFunction<TQREvTypeOfFunction>, "TYPEOF", "TYPEOF(<Exp>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Returns the data type of <Exp>"), "6N");
    add(&QREvCreateFunction<TQREvFormatNumericFunction>, "FORMATNUMERIC", "FORMATNUMERIC(<F>,<N>)",
        QT_TRANSLATE_NOOP("TQREvaluator", "Formats numeric <N> using the mask in <F>"), "7SN");
}
