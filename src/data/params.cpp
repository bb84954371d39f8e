#include "data/params.h"

#include "data/dberrors.h"
#include "data/displayformat.h"
#include "data/field.h"
#include "data/valueconv.h"

#include <cmath>

namespace
{

bool isStringType(TFieldType t)
{
    return t == ftString || t == ftFixedChar || t == ftWideString || t == ftMemo || t == ftFmtMemo;
}

bool isIntegerType(TFieldType t)
{
    return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc || t == ftLargeint;
}

bool isFloatType(TFieldType t)
{
    return t == ftFloat || t == ftCurrency || t == ftBCD;
}

bool isBinaryType(TFieldType t)
{
    return t == ftBytes || t == ftVarBytes || t == ftBlob || t == ftGraphic || t == ftTypedBinary;
}

QString variantText(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Double:
        return FloatToText(v.toDouble());
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDate:
        return DateText(v.toDate());
    case QMetaType::QTime:
        return TimeText(v.toTime());
    case QMetaType::QDateTime:
        return DateTimeText(v.toDateTime());
    case QMetaType::QByteArray:
        return QString::fromLatin1(v.toByteArray());
    default:
        return v.toString();
    }
}

bool textToBool(const QString &text, bool &result)
{
    const QString s = text.trimmed().toUpper();
    if (s == QLatin1String("TRUE") || s == QLatin1String("T") || s == QLatin1String("YES") ||
        s == QLatin1String("Y") || s == QLatin1String("1")) {
        result = true;
        return true;
    }
    if (s == QLatin1String("FALSE") || s == QLatin1String("F") || s == QLatin1String("NO") ||
        s == QLatin1String("N") || s == QLatin1String("0")) {
        result = false;
        return true;
    }
    return false;
}

// Converts v to the storage of type; false when it does not convert.
bool convertTo(TFieldType type, const QVariant &v, QVariant &out)
{
    if (v.isNull()) {
        out = QVariant();
        return true;
    }
    const int id = v.typeId();
    const bool isText = id == QMetaType::QString;
    const bool isNumber = id == QMetaType::Int || id == QMetaType::LongLong || id == QMetaType::UInt ||
                          id == QMetaType::ULongLong || id == QMetaType::Double || id == QMetaType::Float;
    if (isStringType(type) || type == ftUnknown) {
        out = isText ? v : QVariant(variantText(v));
        return true;
    }
    if (isIntegerType(type)) {
        qint64 r = 0;
        if (isText) {
            if (!TextToInteger(v.toString(), r))
                return false;
        } else if (id == QMetaType::Double || id == QMetaType::Float) {
            const double d = v.toDouble();
            if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9.2e18)
                return false;
            r = qint64(d);
        } else if (isNumber) {
            r = v.toLongLong();
        } else {
            return false;
        }
        if (type == ftSmallint && (r < -32768 || r > 32767))
            return false;
        if (type == ftWord && (r < 0 || r > 65535))
            return false;
        if ((type == ftInteger || type == ftAutoInc) && (r < -2147483648LL || r > 2147483647LL))
            return false;
        out = QVariant(r);
        return true;
    }
    if (isFloatType(type)) {
        double d = 0;
        if (isText) {
            if (!TextToFloat(v.toString(), d))
                return false;
        } else if (isNumber) {
            d = v.toDouble();
        } else {
            return false;
        }
        out = QVariant(d);
        return true;
    }
    if (type == ftBoolean) {
        bool b = false;
        if (id == QMetaType::Bool)
            b = v.toBool();
        else if (isText) {
            if (!textToBool(v.toString(), b))
                return false;
        } else if (id == QMetaType::Int || id == QMetaType::LongLong) {
            const qint64 i = v.toLongLong();
            if (i != 0 && i != 1)
                return false;
            b = i != 0;
        } else {
            return false;
        }
        out = QVariant(b);
        return true;
    }
    if (type == ftDate) {
        QDate d;
        if (id == QMetaType::QDate)
            d = v.toDate();
        else if (id == QMetaType::QDateTime)
            d = v.toDateTime().date();
        else if (isText) {
            if (!TextToDate(v.toString(), d)) {
                QDateTime dt;
                if (!TextToDateTime(v.toString(), dt) || dt.time() != QTime(0, 0))
                    return false;
                d = dt.date();
            }
        } else
            return false;
        if (!d.isValid())
            return false;
        out = QVariant(d);
        return true;
    }
    if (type == ftTime) {
        QTime t;
        if (id == QMetaType::QTime)
            t = v.toTime();
        else if (id == QMetaType::QDateTime)
            t = v.toDateTime().time();
        else if (isText) {
            if (!TextToTime(v.toString(), t))
                return false;
        } else
            return false;
        if (!t.isValid())
            return false;
        out = QVariant(t);
        return true;
    }
    if (type == ftDateTime) {
        QDateTime dt;
        if (id == QMetaType::QDateTime)
            dt = ToNaive(v.toDateTime());
        else if (id == QMetaType::QDate)
            dt = NaiveDateTime(v.toDate(), QTime(0, 0));
        else if (isText) {
            if (!TextToDateTime(v.toString(), dt))
                return false;
        } else
            return false;
        dt = ToNaive(dt);
        if (!dt.isValid())
            return false;
        out = QVariant(dt);
        return true;
    }
    if (isBinaryType(type)) {
        out = id == QMetaType::QByteArray ? v : QVariant(v.toString().toUtf8());
        return true;
    }
    return false;
}

TFieldType typeOfVariant(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
        return ftInteger;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return ftLargeint;
    case QMetaType::Double:
    case QMetaType::Float:
        return ftFloat;
    case QMetaType::Bool:
        return ftBoolean;
    case QMetaType::QDate:
        return ftDate;
    case QMetaType::QTime:
        return ftTime;
    case QMetaType::QDateTime:
        return ftDateTime;
    case QMetaType::QByteArray:
        return ftBlob;
    default:
        return ftString;
    }
}

} // namespace

TParam::TParam(TParams *owner, const QString &name, TFieldType dataType, TParamType paramType)
    : TPersistent(owner), m_owner(owner), m_name(name), m_dataType(dataType), m_paramType(paramType)
{
}

void TParam::invalid(const QString &text) const
{
    const QString msg = QStringLiteral("Parameter \"%1\": \"%2\" is not a valid %3 value")
                            .arg(m_name, text, FieldTypeName(m_dataType));
    DatabaseError(msg, m_owner ? m_owner->Owner() : nullptr);
}

void TParam::store(const QVariant &value, TFieldType setterType)
{
    const TFieldType type = m_dataType == ftUnknown ? setterType : m_dataType;
    QVariant converted;
    if (!convertTo(type, value, converted))
        invalid(variantText(value));
    m_dataType = type;
    m_value = converted;
    m_bound = true;
}

void TParam::SetDataType(TFieldType type)
{
    if (type == m_dataType)
        return;
    m_dataType = type;
    QVariant converted;
    if (!m_value.isNull() && convertTo(type, m_value, converted))
        m_value = converted;
    else
        m_value = QVariant();
}

void TParam::SetValue(const QVariant &value)
{
    if (!value.isValid()) {
        Clear();
        return;
    }
    if (value.isNull()) {
        m_value = QVariant();
        m_bound = true;
        return;
    }
    store(value, typeOfVariant(value));
}

QString TParam::AsString() const
{
    return m_value.isNull() ? QString() : variantText(m_value);
}

qint64 TParam::AsInteger() const
{
    if (m_value.isNull())
        return 0;
    QVariant v;
    if (!convertTo(ftLargeint, m_value, v)) {
        double d = 0;
        if (convertTo(ftFloat, m_value, v) && std::isfinite(d = v.toDouble()))
            return qint64(std::llround(d));
        DatabaseError(
            QStringLiteral("Parameter \"%1\": \"%2\" is not a valid integer").arg(m_name, AsString()),
            m_owner ? m_owner->Owner() : nullptr);
    }
    return v.toLongLong();
}

double TParam::AsFloat() const
{
    if (m_value.isNull())
        return 0;
    QVariant v;
    if (m_value.typeId() == QMetaType::QDateTime || m_value.typeId() == QMetaType::QDate)
        return DateTimeToNumber(AsDateTime());
    if (!convertTo(ftFloat, m_value, v))
        DatabaseError(
            QStringLiteral("Parameter \"%1\": \"%2\" is not a valid number").arg(m_name, AsString()),
            m_owner ? m_owner->Owner() : nullptr);
    return v.toDouble();
}

bool TParam::AsBoolean() const
{
    if (m_value.isNull())
        return false;
    QVariant v;
    if (!convertTo(ftBoolean, m_value, v))
        DatabaseError(
            QStringLiteral("Parameter \"%1\": \"%2\" is not a valid Boolean").arg(m_name, AsString()),
            m_owner ? m_owner->Owner() : nullptr);
    return v.toBool();
}

QDate TParam::AsDate() const
{
    return AsDateTime().date();
}

QTime TParam::AsTime() const
{
    if (m_value.typeId() == QMetaType::QTime)
        return m_value.toTime();
    return AsDateTime().time();
}

QDateTime TParam::AsDateTime() const
{
    if (m_value.isNull())
        return QDateTime();
    if (m_value.typeId() == QMetaType::QTime)
        return NaiveDateTime(QDate(1899, 12, 30), m_value.toTime());
    QVariant v;
    if (!convertTo(ftDateTime, m_value, v))
        DatabaseError(
            QStringLiteral("Parameter \"%1\": \"%2\" is not a valid date-time").arg(m_name, AsString()),
            m_owner ? m_owner->Owner() : nullptr);
    return v.toDateTime();
}

void TParam::SetAsString(const QString &text)
{
    const TFieldType type = m_dataType == ftUnknown ? ftString : m_dataType;
    if (text.trimmed().isEmpty() && !isStringType(type)) {
        m_dataType = type;
        m_value = QVariant();
        m_bound = true;
        return;
    }
    store(QVariant(text), ftString);
}

void TParam::SetAsInteger(qint64 v)
{
    store(QVariant(v), ftInteger);
}

void TParam::SetAsSmallInt(int v)
{
    store(QVariant(qint64(v)), ftSmallint);
}

void TParam::SetAsWord(int v)
{
    store(QVariant(qint64(v)), ftWord);
}

void TParam::SetAsFloat(double v)
{
    store(QVariant(v), ftFloat);
}

void TParam::SetAsCurrency(double v)
{
    store(QVariant(v), ftCurrency);
}

void TParam::SetAsBCD(double v)
{
    store(QVariant(v), ftBCD);
}

void TParam::SetAsBoolean(bool v)
{
    store(QVariant(v), ftBoolean);
}

void TParam::SetAsDate(const QDate &v)
{
    if (!v.isValid())
        invalid(QString());
    store(QVariant(v), ftDate);
}

void TParam::SetAsTime(const QTime &v)
{
    if (!v.isValid())
        invalid(QString());
    store(QVariant(v), ftTime);
}

void TParam::SetAsDateTime(const QDateTime &v)
{
    if (!v.isValid())
        invalid(QString());
    store(QVariant(v), ftDateTime);
}

void TParam::SetAsMemo(const QString &text)
{
    store(QVariant(text), ftMemo);
}

void TParam::AssignField(const TField *field)
{
    if (!field)
        return;
    if (m_dataType == ftUnknown)
        m_dataType = field->DataType() == ftAutoInc ? ftInteger : field->DataType();
    QVariant v = field->Value();
    // Stored texts of date columns become dates.
    if (!v.isNull() && (m_dataType == ftDate || m_dataType == ftTime || m_dataType == ftDateTime) &&
        v.typeId() == QMetaType::QString) {
        QDateTime dt;
        if (StoredToDateTime(v, dt))
            v = m_dataType == ftDate   ? QVariant(dt.date())
                : m_dataType == ftTime ? QVariant(dt.time())
                                       : QVariant(dt);
    }
    QVariant converted;
    if (v.isNull() || !convertTo(m_dataType, v, converted))
        m_value = QVariant();
    else
        m_value = converted;
}

void TParam::Assign(const TPersistent *source)
{
    const auto *p = qobject_cast<const TParam *>(source);
    if (!p) {
        TPersistent::Assign(source);
        return;
    }
    m_name = p->m_name;
    m_paramType = p->m_paramType;
    AssignValue(*p);
}

void TParam::AssignValue(const TParam &other)
{
    m_dataType = other.m_dataType;
    m_bound = other.m_bound;
    m_value = other.m_value;
}

QVariant TParam::BindValue() const
{
    if (m_value.isNull()) {
        switch (m_dataType) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
        case ftLargeint:
            return QVariant(QMetaType::fromType<qint64>());
        case ftFloat:
        case ftCurrency:
        case ftBCD:
            return QVariant(QMetaType::fromType<double>());
        case ftBoolean:
            return QVariant(QMetaType::fromType<bool>());
        case ftDate:
            return QVariant(QMetaType::fromType<QDate>());
        case ftTime:
            return QVariant(QMetaType::fromType<QTime>());
        case ftDateTime:
            return QVariant(QMetaType::fromType<QDateTime>());
        default:
            return QVariant(QMetaType::fromType<QString>());
        }
    }
    return m_value;
}

// --- The list -----------------------------------------------------------------

TParams::TParams(TComponent *owner) : QObject(nullptr), m_owner(owner) {}

TParams::~TParams()
{
    qDeleteAll(m_items);
}

TParam *TParams::Items(int index) const
{
    if (index < 0 || index >= m_items.size())
        DatabaseError(
            QStringLiteral("Parameter index %1 out of range (%2 parameters)").arg(index).arg(m_items.size()),
            m_owner);
    return m_items.at(index);
}

TParam *TParams::FindParam(const QString &name) const
{
    for (TParam *p : m_items)
        if (p->Name().compare(name, Qt::CaseInsensitive) == 0)
            return p;
    return nullptr;
}

TParam *TParams::ParamByName(const QString &name) const
{
    TParam *p = FindParam(name);
    if (!p)
        DatabaseError(QStringLiteral("Parameter \"%1\" not found").arg(name), m_owner);
    return p;
}

TParam *TParams::CreateParam(TFieldType type, const QString &name, TParamType paramType)
{
    auto *p = new TParam(this, name, type, paramType);
    m_items << p;
    return p;
}

void TParams::RemoveParam(TParam *param)
{
    if (m_items.removeOne(param))
        delete param;
}

void TParams::Clear()
{
    qDeleteAll(m_items);
    m_items.clear();
}

void TParams::AssignValues(const TParams &source)
{
    for (TParam *p : std::as_const(source.m_items)) {
        for (TParam *mine : std::as_const(m_items))
            if (mine->Name().compare(p->Name(), Qt::CaseInsensitive) == 0)
                mine->AssignValue(*p);
    }
}

void TParams::Assign(const TParams &source)
{
    if (&source == this)
        return;
    Clear();
    for (TParam *p : std::as_const(source.m_items)) {
        TParam *copy = CreateParam(p->DataType(), p->Name(), p->ParamType());
        copy->AssignValue(*p);
    }
}

QStringList TParams::Names() const
{
    QStringList names;
    for (TParam *p : m_items)
        names << p->Name();
    return names;
}

bool TParams::AllBound() const
{
    for (TParam *p : m_items)
        if (p->IsNull())
            return false;
    return true;
}

QString TParams::ParseSQL(const QString &sql, bool createParams)
{
    QString out;
    out.reserve(sql.size());
    QStringList names;
    const int n = int(sql.size());
    int i = 0;
    auto isNameChar = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
    while (i < n) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`') ||
            c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            int j = i + 1;
            while (j < n) {
                if (sql.at(j) == close) {
                    if (close != QLatin1Char(']') && j + 1 < n && sql.at(j + 1) == close) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out += sql.mid(i, j - i + 1);
            i = j + 1;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            // Comments are left out: the driver would take names in them for placeholders.
            int j = int(sql.indexOf(QLatin1Char('\n'), i));
            if (j < 0)
                j = n;
            out += QLatin1Char(' ');
            i = j;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            int j = int(sql.indexOf(QLatin1String("*/"), i + 2));
            j = j < 0 ? n : j + 2;
            out += QLatin1Char(' ');
            i = j;
        } else if (c == QLatin1Char(':')) {
            if (i + 1 < n && sql.at(i + 1) == QLatin1Char(':')) {
                out += QLatin1String("::"); // a cast, not a parameter
                i += 2;
                continue;
            }
            // "x:y" inside a word (such as a time written without quotes) is no parameter.
            const bool afterWord = i > 0 && isNameChar(sql.at(i - 1));
            if (!afterWord && i + 1 < n &&
                (sql.at(i + 1) == QLatin1Char('"') || sql.at(i + 1) == QLatin1Char('\''))) {
                const QChar q = sql.at(i + 1);
                const int end = int(sql.indexOf(q, i + 2));
                if (end > i + 2) {
                    names << sql.mid(i + 2, end - i - 2);
                    out += QLatin1Char('?');
                    i = end + 1;
                    continue;
                }
            }
            int j = i + 1;
            while (j < n && isNameChar(sql.at(j)))
                ++j;
            if (!afterWord && j > i + 1 && !sql.at(i + 1).isDigit()) {
                names << sql.mid(i + 1, j - i - 1);
                out += QLatin1Char('?');
                i = j;
            } else {
                out += c;
                ++i;
            }
        } else {
            out += c;
            ++i;
        }
    }
    if (createParams) {
        QList<TParam *> old = m_items;
        m_items.clear();
        for (const QString &name : std::as_const(names)) {
            TParam *reuse = nullptr;
            for (TParam *p : std::as_const(old))
                if (p->Name().compare(name, Qt::CaseInsensitive) == 0) {
                    reuse = p;
                    break;
                }
            if (reuse) {
                old.removeOne(reuse);
                reuse->SetName(name);
                m_items << reuse;
            } else {
                // A further occurrence of a name takes the settings of the earlier one.
                TParam *p = CreateParam(ftUnknown, name, ptInput);
                for (TParam *earlier : std::as_const(m_items))
                    if (earlier != p && earlier->Name().compare(name, Qt::CaseInsensitive) == 0) {
                        p->AssignValue(*earlier);
                        break;
                    }
            }
        }
        qDeleteAll(old);
    }
    return out;
}
