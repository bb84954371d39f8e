#include "data/field.h"

#include "data/dataset.h"
#include "data/displayformat.h"
#include "data/valueconv.h"

#include <QFile>
#include <QIODevice>

#include <cmath>
#include <limits>

TField::TField(TComponent *owner, TFieldType type, int size)
    : TComponent(owner), m_dataType(type), m_size(size)
{
}

TField::~TField()
{
    if (m_dataSet)
        m_dataSet->detachField(this);
}

void TField::SetDataSet(TDataSet *dataSet)
{
    if (dataSet == m_dataSet)
        return;
    if (dataSet) {
        if (dataSet->Active())
            DatabaseError(
                QStringLiteral("Cannot add field \"%1\" while the dataset is open").arg(m_fieldName),
                dataSet);
        if (!m_fieldName.isEmpty() && dataSet->FindField(m_fieldName))
            DatabaseError(QStringLiteral("Duplicate field name \"%1\"").arg(m_fieldName), dataSet);
    }
    if (m_dataSet) {
        if (m_dataSet->Active())
            DatabaseError(
                QStringLiteral("Cannot remove field \"%1\" while the dataset is open").arg(m_fieldName),
                m_dataSet);
        m_dataSet->detachField(this);
    }
    m_dataSet = dataSet;
    if (dataSet)
        dataSet->attachField(this);
}

void TField::SetFieldName(const QString &name)
{
    if (name == m_fieldName)
        return;
    if (m_dataSet) {
        if (m_dataSet->Active())
            DatabaseError(
                QStringLiteral("Cannot rename field \"%1\" while the dataset is open").arg(m_fieldName),
                m_dataSet);
        TField *other = m_dataSet->FindField(name);
        if (other && other != this)
            DatabaseError(QStringLiteral("Duplicate field name \"%1\"").arg(name), m_dataSet);
    }
    m_fieldName = name;
}

QString TField::DisplayLabel() const
{
    return m_displayLabel.isEmpty() ? m_fieldName : m_displayLabel;
}

void TField::SetDisplayLabel(const QString &label)
{
    // A label equal to the name is no label of its own, so it follows renames.
    m_displayLabel = label == m_fieldName ? QString() : label;
}

int TField::DisplayWidth() const
{
    return m_displayWidth >= 0 ? m_displayWidth : DefaultDisplayWidth();
}

void TField::SetDisplayWidth(int width)
{
    m_displayWidth = width < 0 ? -1 : width;
}

void TField::SetFieldKind(TFieldKind kind)
{
    if (m_dataSet && m_dataSet->Active())
        DatabaseError(QStringLiteral("Cannot change the kind of field \"%1\" while the dataset is open")
                          .arg(m_fieldName),
                      m_dataSet);
    m_fieldKind = kind;
}

void TField::SetSize(int size)
{
    m_size = size < 0 ? 0 : size;
}

int TField::Index() const
{
    return m_dataSet ? int(m_dataSet->m_fields.indexOf(const_cast<TField *>(this))) : -1;
}

void TField::SetLookupDataSet(TDataSet *dataSet)
{
    if (m_lookupDataSet == dataSet)
        return;
    if (m_lookupDataSet)
        m_lookupDataSet->RemoveFreeNotification(this);
    m_lookupDataSet = dataSet;
    if (dataSet)
        dataSet->FreeNotification(this);
}

void TField::Notification(TComponent *component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == m_lookupDataSet)
        m_lookupDataSet = nullptr;
}

QVariant TField::Value() const
{
    if (m_fieldNo >= 0) {
        if (!m_dataSet)
            return QVariant();
        const QVariant *row = m_dataSet->currentRow();
        return row ? row[m_fieldNo] : QVariant();
    }
    if (m_fieldKind == fkLookup)
        return lookupValue();
    return m_calcValue;
}

QVariant TField::lookupValue() const
{
    if (!m_dataSet || !m_lookupDataSet || !m_dataSet->currentRow())
        return QVariant();
    const QStringList keys = m_keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QVariantList values;
    for (const QString &k : keys) {
        TField *f = m_dataSet->FieldByName(k.trimmed());
        if (f == this)
            DatabaseError(QStringLiteral("Lookup field \"%1\" cannot be its own key").arg(m_fieldName),
                          m_dataSet);
        values << f->Value();
    }
    return m_lookupDataSet->Lookup(m_lookupKeyFields, values, m_lookupResultField);
}

void TField::ConversionError(const QString &kindName) const
{
    // The stored value as it stands: the class's own text form may be what failed.
    const QVariant raw = Value();
    const QString value =
        raw.typeId() == QMetaType::QByteArray ? QString::fromLatin1(raw.toByteArray()) : raw.toString();
    DatabaseError(
        QStringLiteral("Field \"%1\": \"%2\" is not a valid %3 value").arg(m_fieldName, value, kindName),
        m_dataSet);
}

QString TField::AsString() const
{
    return Value().toString();
}

qint64 TField::AsInteger() const
{
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    bool ok = false;
    const qint64 r = v.toLongLong(&ok);
    if (!ok)
        ConversionError(QStringLiteral("integer"));
    return r;
}

double TField::AsFloat() const
{
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    bool ok = false;
    const double r = v.toDouble(&ok);
    if (!ok)
        ConversionError(QStringLiteral("float"));
    return r;
}

bool TField::AsBoolean() const
{
    const QVariant v = Value();
    if (v.isNull())
        return false;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    DatabaseError(QStringLiteral("Field \"%1\" cannot be read as a Boolean").arg(m_fieldName), m_dataSet);
}

QDateTime TField::AsDateTime() const
{
    const QVariant v = Value();
    if (v.isNull())
        return QDateTime();
    QDateTime dt;
    if (!StoredToDateTime(v, dt))
        ConversionError(QStringLiteral("date-time"));
    return dt;
}

QByteArray TField::AsBytes() const
{
    const QVariant v = Value();
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    return v.toString().toUtf8();
}

void TField::SetValue(const QVariant &value)
{
    if (m_fieldKind == fkData || m_fieldKind == fkLookup)
        DatabaseError(QStringLiteral("Cannot modify field \"%1\": the dataset is read-only").arg(m_fieldName),
                      m_dataSet);
    m_calcValue = value;
}

void TField::SetAsString(const QString &v)
{
    SetValue(v.isEmpty() && m_dataType != ftString && m_dataType != ftWideString ? QVariant()
                                                                                 : ValueFromText(v));
}

// --- Strings ---------------------------------------------------------------

TStringField::TStringField(TComponent *owner) : TField(owner, ftString, 20) {}
TStringField::TStringField(TComponent *owner, TFieldType type) : TField(owner, type, 20) {}

QString TStringField::AsString() const
{
    const QVariant v = Value();
    if (v.typeId() == QMetaType::QString)
        return v.toString();
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(v.toByteArray());
    if (v.typeId() == QMetaType::Double)
        return FloatToText(v.toDouble());
    return v.toString();
}

qint64 TStringField::AsInteger() const
{
    const QString s = AsString();
    if (s.trimmed().isEmpty())
        return 0;
    qint64 r = 0;
    if (!TextToInteger(s, r))
        ConversionError(QStringLiteral("integer"));
    return r;
}

double TStringField::AsFloat() const
{
    const QString s = AsString();
    if (s.trimmed().isEmpty())
        return 0;
    double r = 0;
    if (!TextToFloat(s, r))
        ConversionError(QStringLiteral("float"));
    return r;
}

bool TStringField::AsBoolean() const
{
    const QString s = AsString().trimmed();
    if (s.isEmpty())
        return false;
    const QChar c = s.at(0).toUpper();
    return c == QLatin1Char('T') || c == QLatin1Char('Y') || c == QLatin1Char('1');
}

QDateTime TStringField::AsDateTime() const
{
    const QString s = AsString();
    if (s.trimmed().isEmpty())
        return QDateTime();
    QDateTime dt;
    if (!TextToDateTime(s, dt))
        ConversionError(QStringLiteral("date-time"));
    return dt;
}

TWideStringField::TWideStringField(TComponent *owner) : TStringField(owner, ftWideString) {}

// --- Numbers ---------------------------------------------------------------

TNumericField::TNumericField(TComponent *owner, TFieldType type, int size) : TField(owner, type, size) {}

QString TNumericField::DisplayText() const
{
    if (IsNull())
        return QString();
    if (m_displayFormat.isEmpty())
        return AsString();
    return FormatFloat(m_displayFormat, AsFloat());
}

bool TNumericField::AsBoolean() const
{
    return IsNull() ? false : AsFloat() != 0;
}

QVariant TNumericField::ValueFromText(const QString &text) const
{
    double v = 0;
    if (!TextToFloat(text, v))
        DatabaseError(QStringLiteral("Field \"%1\": \"%2\" is not a valid number").arg(FieldName(), text),
                      DataSet());
    if (DataType() == ftFloat || DataType() == ftCurrency || DataType() == ftBCD)
        return v;
    return qint64(std::llround(v));
}

TIntegerField::TIntegerField(TComponent *owner) : TNumericField(owner, ftInteger) {}
TIntegerField::TIntegerField(TComponent *owner, TFieldType type) : TNumericField(owner, type) {}

QString TIntegerField::AsString() const
{
    const QVariant v = Value();
    if (v.isNull())
        return QString();
    return QString::number(AsInteger());
}

qint64 TIntegerField::AsInteger() const
{
    const QVariant v = Value();
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return v.toLongLong();
    case QMetaType::Double:
        return qint64(std::llround(v.toDouble()));
    case QMetaType::Bool:
        return v.toBool() ? 1 : 0;
    default:
        break;
    }
    if (v.isNull())
        return 0;
    bool ok = false;
    const qint64 r = v.toLongLong(&ok);
    if (ok)
        return r;
    const double d = v.toDouble(&ok);
    if (ok && std::isfinite(d) && std::fabs(d) < 9.2e18)
        return qint64(std::llround(d));
    ConversionError(QStringLiteral("integer"));
}

double TIntegerField::AsFloat() const
{
    return double(AsInteger());
}

TSmallintField::TSmallintField(TComponent *owner) : TIntegerField(owner, ftSmallint) {}
TWordField::TWordField(TComponent *owner) : TIntegerField(owner, ftWord) {}
TAutoIncField::TAutoIncField(TComponent *owner) : TIntegerField(owner, ftAutoInc) {}

TLargeintField::TLargeintField(TComponent *owner) : TNumericField(owner, ftLargeint) {}

QString TLargeintField::AsString() const
{
    return IsNull() ? QString() : QString::number(AsInteger());
}

qint64 TLargeintField::AsInteger() const
{
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    bool ok = false;
    const qint64 r = v.toLongLong(&ok);
    if (ok)
        return r;
    const double d = v.toDouble(&ok);
    if (ok && std::isfinite(d) && std::fabs(d) < 9.2e18)
        return qint64(std::llround(d));
    ConversionError(QStringLiteral("integer"));
}

double TLargeintField::AsFloat() const
{
    return double(AsInteger());
}

TFloatField::TFloatField(TComponent *owner) : TNumericField(owner, ftFloat) {}
TFloatField::TFloatField(TComponent *owner, TFieldType type) : TNumericField(owner, type) {}

void TFloatField::SetPrecision(int p)
{
    m_precision = p < 2 ? 2 : (p > 15 ? 15 : p);
}

double TFloatField::AsFloat() const
{
    const QVariant v = Value();
    if (v.typeId() == QMetaType::Double)
        return v.toDouble();
    if (v.isNull())
        return 0;
    bool ok = false;
    const double r = v.toDouble(&ok);
    if (ok)
        return r;
    // Drivers hand some numeric columns over as text with the C locale.
    double t = 0;
    if (TextToFloat(v.toString(), t))
        return t;
    ConversionError(QStringLiteral("float"));
}

qint64 TFloatField::AsInteger() const
{
    const double d = AsFloat();
    if (!std::isfinite(d) || std::fabs(d) >= 9.2e18)
        ConversionError(QStringLiteral("integer"));
    return qint64(std::llround(d));
}

QString TFloatField::AsString() const
{
    return IsNull() ? QString() : FloatToText(AsFloat(), m_precision);
}

QString TFloatField::DisplayText() const
{
    if (IsNull())
        return QString();
    if (!DisplayFormat().isEmpty())
        return FormatFloat(DisplayFormat(), AsFloat());
    if (m_currency)
        return FormatFloat(QStringLiteral("#,##0.00"), AsFloat());
    return AsString();
}

TCurrencyField::TCurrencyField(TComponent *owner) : TFloatField(owner, ftCurrency)
{
    SetCurrency(true);
}

TBCDField::TBCDField(TComponent *owner) : TNumericField(owner, ftBCD, 4) {}

double TBCDField::AsFloat() const
{
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    bool ok = false;
    const double r = v.toDouble(&ok);
    if (ok)
        return r;
    double t = 0;
    if (TextToFloat(v.toString(), t))
        return t;
    ConversionError(QStringLiteral("decimal"));
}

qint64 TBCDField::AsInteger() const
{
    const double d = AsFloat();
    if (!std::isfinite(d) || std::fabs(d) >= 9.2e18)
        ConversionError(QStringLiteral("integer"));
    return qint64(std::llround(d));
}

QString TBCDField::AsString() const
{
    return IsNull() ? QString() : FloatToText(AsFloat(), 15);
}

QString TBCDField::DisplayText() const
{
    if (IsNull())
        return QString();
    if (!DisplayFormat().isEmpty())
        return FormatFloat(DisplayFormat(), AsFloat());
    if (m_currency)
        return FormatFloat(QStringLiteral("#,##0.00"), AsFloat());
    return AsString();
}

// --- Booleans --------------------------------------------------------------

TBooleanField::TBooleanField(TComponent *owner) : TField(owner, ftBoolean) {}

bool TBooleanField::AsBoolean() const
{
    const QVariant v = Value();
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
        return v.toDouble() != 0;
    default:
        break;
    }
    if (v.isNull())
        return false;
    const QString s = v.toString().trimmed();
    if (s.isEmpty())
        return false;
    const QChar c = s.at(0).toUpper();
    if (c == QLatin1Char('T') || c == QLatin1Char('Y') || c == QLatin1Char('1'))
        return true;
    if (c == QLatin1Char('F') || c == QLatin1Char('N') || c == QLatin1Char('0'))
        return false;
    ConversionError(QStringLiteral("Boolean"));
}

qint64 TBooleanField::AsInteger() const
{
    return AsBoolean() ? 1 : 0;
}

QString TBooleanField::AsString() const
{
    if (IsNull())
        return QString();
    return AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
}

QString TBooleanField::DisplayText() const
{
    if (IsNull())
        return QString();
    if (m_displayValues.isEmpty())
        return AsString();
    const int semi = int(m_displayValues.indexOf(QLatin1Char(';')));
    if (semi < 0)
        return AsBoolean() ? m_displayValues : QString();
    return AsBoolean() ? m_displayValues.left(semi) : m_displayValues.mid(semi + 1);
}

QVariant TBooleanField::ValueFromText(const QString &text) const
{
    const QString s = text.trimmed();
    const QChar c = s.isEmpty() ? QChar() : s.at(0).toUpper();
    if (c == QLatin1Char('T') || c == QLatin1Char('Y') || c == QLatin1Char('1'))
        return true;
    if (c == QLatin1Char('F') || c == QLatin1Char('N') || c == QLatin1Char('0'))
        return false;
    DatabaseError(QStringLiteral("Field \"%1\": \"%2\" is not a valid Boolean value").arg(FieldName(), text),
                  DataSet());
}

// --- Dates and times -------------------------------------------------------

TDateTimeField::TDateTimeField(TComponent *owner) : TField(owner, ftDateTime) {}
TDateTimeField::TDateTimeField(TComponent *owner, TFieldType type) : TField(owner, type) {}

QDateTime TDateTimeField::AsDateTime() const
{
    const QVariant v = Value();
    if (v.isNull())
        return QDateTime();
    QDateTime dt;
    if (StoredToDateTime(v, dt) || (v.typeId() == QMetaType::QString && TextToDateTime(v.toString(), dt))) {
        if (DataType() == ftDate)
            dt.setTime(QTime(0, 0));
        return dt;
    }
    if (v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty())
        return QDateTime();
    DatabaseError(
        QStringLiteral("Field \"%1\": \"%2\" is not a valid date-time value").arg(FieldName(), v.toString()),
        DataSet());
}

QString TDateTimeField::AsString() const
{
    const QVariant v = Value();
    if (v.isNull())
        return QString();
    QDateTime dt;
    if (!StoredToDateTime(v, dt) && !(v.typeId() == QMetaType::QString && TextToDateTime(v.toString(), dt)))
        return v.toString(); // a stored text that is no date shows as it stands
    switch (DataType()) {
    case ftDate:
        return DateText(dt.date());
    case ftTime:
        return TimeText(dt.time());
    default:
        return DateTimeText(dt);
    }
}

QString TDateTimeField::DisplayText() const
{
    if (m_displayFormat.isEmpty() || IsNull())
        return AsString();
    QDateTime dt;
    const QVariant v = Value();
    if (!StoredToDateTime(v, dt) && !(v.typeId() == QMetaType::QString && TextToDateTime(v.toString(), dt)))
        return v.toString();
    return FormatDateTime(m_displayFormat, dt);
}

double TDateTimeField::AsFloat() const
{
    const QDateTime dt = AsDateTime();
    return dt.isValid() ? DateTimeToNumber(dt) : 0;
}

QVariant TDateTimeField::ValueFromText(const QString &text) const
{
    QDateTime dt;
    if (!TextToDateTime(text, dt))
        DatabaseError(
            QStringLiteral("Field \"%1\": \"%2\" is not a valid date-time value").arg(FieldName(), text),
            DataSet());
    return dt;
}

TDateField::TDateField(TComponent *owner) : TDateTimeField(owner, ftDate) {}
TTimeField::TTimeField(TComponent *owner) : TDateTimeField(owner, ftTime) {}

// --- Binary values ----------------------------------------------------------

TBinaryField::TBinaryField(TComponent *owner, TFieldType type) : TField(owner, type, 16) {}

QByteArray TBinaryField::AsBytes() const
{
    const QVariant v = Value();
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    return v.toString().toUtf8();
}

QString TBinaryField::AsString() const
{
    return QString::fromLatin1(AsBytes());
}

TBytesField::TBytesField(TComponent *owner) : TBinaryField(owner, ftBytes) {}
TBytesField::TBytesField(TComponent *owner, TFieldType type) : TBinaryField(owner, type) {}
TVarBytesField::TVarBytesField(TComponent *owner) : TBytesField(owner, ftVarBytes) {}

TBlobField::TBlobField(TComponent *owner) : TField(owner, ftBlob) {}
TBlobField::TBlobField(TComponent *owner, TFieldType type) : TField(owner, type) {}

QByteArray TBlobField::AsBytes() const
{
    const QVariant v = Value();
    if (v.typeId() == QMetaType::QByteArray)
        return v.toByteArray();
    return v.toString().toUtf8();
}

QString TBlobField::AsString() const
{
    const QVariant v = Value();
    if (v.typeId() == QMetaType::QString)
        return v.toString();
    return QString::fromLatin1(AsBytes());
}

void TBlobField::SaveToStream(QIODevice *stream) const
{
    if (!stream || !stream->isWritable())
        DatabaseError(QStringLiteral("Field \"%1\": the stream is not open for writing").arg(FieldName()),
                      DataSet());
    const QByteArray bytes = AsBytes();
    if (stream->write(bytes) != bytes.size())
        DatabaseError(QStringLiteral("Field \"%1\": writing the content failed: %2")
                          .arg(FieldName(), stream->errorString()),
                      DataSet());
}

void TBlobField::SaveToFile(const QString &fileName) const
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        DatabaseError(QStringLiteral("Field \"%1\": cannot create \"%2\": %3")
                          .arg(FieldName(), fileName, file.errorString()),
                      DataSet());
    SaveToStream(&file);
}

TMemoField::TMemoField(TComponent *owner) : TBlobField(owner, ftMemo) {}

QString TMemoField::AsString() const
{
    const QVariant v = Value();
    if (v.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(v.toByteArray());
    return v.toString();
}

QByteArray TMemoField::AsBytes() const
{
    return AsString().toUtf8();
}

TGraphicField::TGraphicField(TComponent *owner) : TBlobField(owner, ftGraphic) {}

// --- Classes by type --------------------------------------------------------

const QMetaObject *FieldClassOf(TFieldType type)
{
    switch (type) {
    case ftString:
    case ftFixedChar:
        return &TStringField::staticMetaObject;
    case ftWideString:
        return &TWideStringField::staticMetaObject;
    case ftSmallint:
        return &TSmallintField::staticMetaObject;
    case ftInteger:
        return &TIntegerField::staticMetaObject;
    case ftWord:
        return &TWordField::staticMetaObject;
    case ftAutoInc:
        return &TAutoIncField::staticMetaObject;
    case ftLargeint:
        return &TLargeintField::staticMetaObject;
    case ftBoolean:
        return &TBooleanField::staticMetaObject;
    case ftFloat:
        return &TFloatField::staticMetaObject;
    case ftCurrency:
        return &TCurrencyField::staticMetaObject;
    case ftBCD:
        return &TBCDField::staticMetaObject;
    case ftDate:
        return &TDateField::staticMetaObject;
    case ftTime:
        return &TTimeField::staticMetaObject;
    case ftDateTime:
        return &TDateTimeField::staticMetaObject;
    case ftBytes:
        return &TBytesField::staticMetaObject;
    case ftVarBytes:
        return &TVarBytesField::staticMetaObject;
    case ftBlob:
    case ftTypedBinary:
    case ftParadoxOle:
    case ftDBaseOle:
        return &TBlobField::staticMetaObject;
    case ftMemo:
    case ftFmtMemo:
        return &TMemoField::staticMetaObject;
    case ftGraphic:
        return &TGraphicField::staticMetaObject;
    default:
        return nullptr;
    }
}

TField *CreateFieldOfType(TFieldType type, TComponent *owner)
{
    switch (type) {
    case ftString:
    case ftFixedChar:
        return new TStringField(owner);
    case ftWideString:
        return new TWideStringField(owner);
    case ftSmallint:
        return new TSmallintField(owner);
    case ftInteger:
        return new TIntegerField(owner);
    case ftWord:
        return new TWordField(owner);
    case ftAutoInc:
        return new TAutoIncField(owner);
    case ftLargeint:
        return new TLargeintField(owner);
    case ftBoolean:
        return new TBooleanField(owner);
    case ftFloat:
        return new TFloatField(owner);
    case ftCurrency:
        return new TCurrencyField(owner);
    case ftBCD:
        return new TBCDField(owner);
    case ftDate:
        return new TDateField(owner);
    case ftTime:
        return new TTimeField(owner);
    case ftDateTime:
        return new TDateTimeField(owner);
    case ftBytes:
        return new TBytesField(owner);
    case ftVarBytes:
        return new TVarBytesField(owner);
    case ftBlob:
    case ftTypedBinary:
    case ftParadoxOle:
    case ftDBaseOle:
        return new TBlobField(owner);
    case ftMemo:
    case ftFmtMemo:
        return new TMemoField(owner);
    case ftGraphic:
        return new TGraphicField(owner);
    default:
        return nullptr;
    }
}
