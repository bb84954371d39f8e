#pragma once

// Fields: one column of a dataset's current row, typed by class.
//
// A field belongs to one dataset. Persistent fields are components owned by
// their dataset (a report stores them right after it); fields the dataset
// creates itself when it opens without persistent fields have no owner and
// live until it closes. Data fields read the current row; calculated fields
// hold what the dataset's OnCalcFields handler set for the row; lookup fields
// read LookupResultField of the LookupDataSet row whose LookupKeyFields equal
// this dataset's KeyFields.
//
// Reading a value that cannot be converted to the asked kind raises
// EDatabaseError naming the field. A null value reads as an empty text, 0,
// false or an invalid date-time. Date-times are wall-clock values carried
// with Qt::UTC, so that no time zone shifts them; use date() and time().

#include "common/component.h"
#include "data/dberrors.h"
#include "data/fieldtypes.h"

#include <QByteArray>
#include <QDateTime>
#include <QVariant>

class QIODevice;
class TDataSet;

class TField : public TComponent
{
    Q_OBJECT
    Q_MOC_INCLUDE("data/dataset.h")
    Q_PROPERTY(QString DisplayLabel READ DisplayLabel WRITE SetDisplayLabel)
    Q_PROPERTY(int DisplayWidth READ DisplayWidth WRITE SetDisplayWidth)
    Q_PROPERTY(DataTypes::TFieldKind FieldKind READ FieldKind WRITE SetFieldKind)
    Q_CLASSINFO("Default:FieldKind", "fkData")
    Q_PROPERTY(QString FieldName READ FieldName WRITE SetFieldName)
    Q_PROPERTY(QString KeyFields READ KeyFields WRITE SetKeyFields)
    Q_PROPERTY(TDataSet *LookupDataSet READ LookupDataSet WRITE SetLookupDataSet)
    Q_PROPERTY(QString LookupKeyFields READ LookupKeyFields WRITE SetLookupKeyFields)
    Q_PROPERTY(QString LookupResultField READ LookupResultField WRITE SetLookupResultField)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_CLASSINFO("Default:ReadOnly", "False")
    Q_PROPERTY(bool Required READ Required WRITE SetRequired)
    Q_CLASSINFO("Default:Required", "False")
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_CLASSINFO("Default:Visible", "True")

public:
    ~TField() override;

    TDataSet *DataSet() const { return m_dataSet; }
    // Attaches the field to a dataset (appended to its field list) or detaches
    // it (null). Raises when the dataset is open or already has a field of
    // that FieldName.
    void SetDataSet(TDataSet *dataSet);

    TFieldType DataType() const { return m_dataType; }
    QString FieldName() const { return m_fieldName; }
    void SetFieldName(const QString &name);
    // The label, or FieldName when none was set.
    QString DisplayLabel() const;
    void SetDisplayLabel(const QString &label);
    QString DisplayName() const { return DisplayLabel(); }
    // Characters a column of this field needs; set explicitly or derived from the type.
    int DisplayWidth() const;
    void SetDisplayWidth(int width);
    TFieldKind FieldKind() const { return m_fieldKind; }
    void SetFieldKind(TFieldKind kind);
    bool Calculated() const { return m_fieldKind == fkCalculated || m_fieldKind == fkInternalCalc; }
    bool Lookup() const { return m_fieldKind == fkLookup; }
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible) { m_visible = visible; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool on) { m_readOnly = on; }
    bool Required() const { return m_required; }
    void SetRequired(bool on) { m_required = on; }
    // Declared size: characters of a string field, bytes of a bytes field,
    // decimals of a BCD field; 0 for fixed-size types.
    int Size() const { return m_size; }
    void SetSize(int size);
    // Position in the dataset's field list, -1 when detached.
    int Index() const;
    int FieldNo() const { return m_fieldNo + 1; } // 1-based column of the row, 0 for calculated fields

    QString KeyFields() const { return m_keyFields; }
    void SetKeyFields(const QString &v) { m_keyFields = v; }
    TDataSet *LookupDataSet() const { return m_lookupDataSet; }
    void SetLookupDataSet(TDataSet *dataSet);
    QString LookupKeyFields() const { return m_lookupKeyFields; }
    void SetLookupKeyFields(const QString &v) { m_lookupKeyFields = v; }
    QString LookupResultField() const { return m_lookupResultField; }
    void SetLookupResultField(const QString &v) { m_lookupResultField = v; }

    // --- Values of the current row ---
    bool IsNull() const { return Value().isNull(); }
    // The stored value as the driver delivered it (null QVariant for no value).
    QVariant Value() const;
    QVariant AsVariant() const { return Value(); }
    virtual QString AsString() const;
    // The text shown in reports and grids: AsString shaped by DisplayFormat or DisplayValues.
    virtual QString DisplayText() const { return AsString(); }
    QString Text() const { return DisplayText(); }
    virtual qint64 AsInteger() const;
    qint64 AsLargeInt() const { return AsInteger(); }
    virtual double AsFloat() const;
    double AsCurrency() const { return AsFloat(); }
    virtual bool AsBoolean() const;
    virtual QDateTime AsDateTime() const;
    virtual QByteArray AsBytes() const;

    // Setting values is possible for calculated fields (from the dataset's
    // OnCalcFields handler) and for any field of a closed or read-only-free
    // state is refused: the datasets of this layer are read-only.
    void SetValue(const QVariant &value);
    void SetAsString(const QString &v);
    void SetAsInteger(qint64 v) { SetValue(QVariant(v)); }
    void SetAsFloat(double v) { SetValue(QVariant(v)); }
    void SetAsBoolean(bool v) { SetValue(QVariant(v)); }
    void SetAsDateTime(const QDateTime &v) { SetValue(QVariant(v)); }
    void Clear() { SetValue(QVariant()); }

    virtual bool IsBlob() const { return false; }

protected:
    TField(TComponent *owner, TFieldType type, int size = 0);
    void Notification(TComponent *component, TOperation operation) override;
    [[noreturn]] void ConversionError(const QString &kindName) const;
    virtual int DefaultDisplayWidth() const { return 10; }
    // Converts a text to this field's storage (for SetAsString on calculated fields).
    virtual QVariant ValueFromText(const QString &text) const { return text; }

private:
    friend class TDataSet;
    QVariant lookupValue() const;

    TDataSet *m_dataSet = nullptr;
    TFieldType m_dataType;
    QString m_fieldName;
    QString m_displayLabel;
    int m_displayWidth = -1;
    TFieldKind m_fieldKind = fkData;
    bool m_visible = true;
    bool m_readOnly = false;
    bool m_required = false;
    int m_size = 0;
    int m_fieldNo = -1; // column of the current row; -1 for calculated and lookup fields
    QVariant m_calcValue;
    QString m_keyFields;
    TDataSet *m_lookupDataSet = nullptr;
    QString m_lookupKeyFields;
    QString m_lookupResultField;
};

class TStringField : public TField
{
    Q_OBJECT
    Q_PROPERTY(int Size READ Size WRITE SetSize)
    Q_CLASSINFO("Default:Size", "20")
public:
    Q_INVOKABLE explicit TStringField(TComponent *owner = nullptr);
    QString AsString() const override;
    qint64 AsInteger() const override;
    double AsFloat() const override;
    bool AsBoolean() const override;
    QDateTime AsDateTime() const override;

protected:
    TStringField(TComponent *owner, TFieldType type);
    int DefaultDisplayWidth() const override { return Size() > 0 ? Size() : 20; }
};

class TWideStringField : public TStringField
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TWideStringField(TComponent *owner = nullptr);
};

// Base of the numeric fields: DisplayFormat is a number mask ("#,##0.00").
class TNumericField : public TField
{
    Q_OBJECT
    Q_PROPERTY(QString DisplayFormat READ DisplayFormat WRITE SetDisplayFormat)
    Q_PROPERTY(QString EditFormat READ EditFormat WRITE SetEditFormat)
public:
    QString DisplayFormat() const { return m_displayFormat; }
    void SetDisplayFormat(const QString &f) { m_displayFormat = f; }
    QString EditFormat() const { return m_editFormat; }
    void SetEditFormat(const QString &f) { m_editFormat = f; }
    QString DisplayText() const override;
    bool AsBoolean() const override;

protected:
    TNumericField(TComponent *owner, TFieldType type, int size = 0);
    QVariant ValueFromText(const QString &text) const override;

private:
    QString m_displayFormat;
    QString m_editFormat;
};

class TIntegerField : public TNumericField
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TIntegerField(TComponent *owner = nullptr);
    QString AsString() const override;
    qint64 AsInteger() const override;
    double AsFloat() const override;

protected:
    TIntegerField(TComponent *owner, TFieldType type);
    int DefaultDisplayWidth() const override { return 11; }
};

class TSmallintField : public TIntegerField
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TSmallintField(TComponent *owner = nullptr);

protected:
    int DefaultDisplayWidth() const override { return 6; }
};

class TWordField : public TIntegerField
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TWordField(TComponent *owner = nullptr);

protected:
    int DefaultDisplayWidth() const override { return 5; }
};

class TAutoIncField : public TIntegerField
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TAutoIncField(TComponent *owner = nullptr);
};

// 64-bit integers. Not an integer field for expressions (they report it as a
// field of unknown type), but readable as integer, float and text.
class TLargeintField : public TNumericField
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TLargeintField(TComponent *owner = nullptr);
    QString AsString() const override;
    qint64 AsInteger() const override;
    double AsFloat() const override;

protected:
    int DefaultDisplayWidth() const override { return 15; }
};

class TFloatField : public TNumericField
{
    Q_OBJECT
    Q_PROPERTY(bool Currency READ Currency WRITE SetCurrency)
    Q_CLASSINFO("Default:Currency", "False")
    Q_PROPERTY(int Precision READ Precision WRITE SetPrecision)
    Q_CLASSINFO("Default:Precision", "15")
public:
    Q_INVOKABLE explicit TFloatField(TComponent *owner = nullptr);
    bool Currency() const { return m_currency; }
    void SetCurrency(bool on) { m_currency = on; }
    // Significant digits of the text form (2 to 15).
    int Precision() const { return m_precision; }
    void SetPrecision(int p);
    QString AsString() const override;
    QString DisplayText() const override;
    qint64 AsInteger() const override;
    double AsFloat() const override;

protected:
    TFloatField(TComponent *owner, TFieldType type);
    int DefaultDisplayWidth() const override { return 10; }

private:
    bool m_currency = false;
    int m_precision = 15;
};

class TCurrencyField : public TFloatField
{
    Q_OBJECT
    Q_CLASSINFO("Default:Currency", "True")
public:
    Q_INVOKABLE explicit TCurrencyField(TComponent *owner = nullptr);
};

// Exact decimals: Precision digits in all, Size of them after the point.
class TBCDField : public TNumericField
{
    Q_OBJECT
    Q_PROPERTY(bool Currency READ Currency WRITE SetCurrency)
    Q_CLASSINFO("Default:Currency", "False")
    Q_PROPERTY(int Precision READ Precision WRITE SetPrecision)
    Q_CLASSINFO("Default:Precision", "0")
    Q_PROPERTY(int Size READ Size WRITE SetSize)
    Q_CLASSINFO("Default:Size", "4")
public:
    Q_INVOKABLE explicit TBCDField(TComponent *owner = nullptr);
    bool Currency() const { return m_currency; }
    void SetCurrency(bool on) { m_currency = on; }
    int Precision() const { return m_precision; }
    void SetPrecision(int p) { m_precision = p; }
    QString AsString() const override;
    QString DisplayText() const override;
    qint64 AsInteger() const override;
    double AsFloat() const override;

private:
    bool m_currency = false;
    int m_precision = 0;
};

class TBooleanField : public TField
{
    Q_OBJECT
    // "TrueText;FalseText" used for the displayed text.
    Q_PROPERTY(QString DisplayValues READ DisplayValues WRITE SetDisplayValues)
public:
    Q_INVOKABLE explicit TBooleanField(TComponent *owner = nullptr);
    QString DisplayValues() const { return m_displayValues; }
    void SetDisplayValues(const QString &v) { m_displayValues = v; }
    QString AsString() const override; // "True" / "False", empty for null
    QString DisplayText() const override;
    bool AsBoolean() const override;
    qint64 AsInteger() const override;

protected:
    int DefaultDisplayWidth() const override { return 5; }
    QVariant ValueFromText(const QString &text) const override;

private:
    QString m_displayValues;
};

// Date and time values. The text form follows the locale settings (short date
// format, long time format); DisplayFormat uses the formatter's tokens
// (d m y h n s, "dd.mm.yyyy hh:nn").
class TDateTimeField : public TField
{
    Q_OBJECT
    Q_PROPERTY(QString DisplayFormat READ DisplayFormat WRITE SetDisplayFormat)
public:
    Q_INVOKABLE explicit TDateTimeField(TComponent *owner = nullptr);
    QString DisplayFormat() const { return m_displayFormat; }
    void SetDisplayFormat(const QString &f) { m_displayFormat = f; }
    QString AsString() const override;
    QString DisplayText() const override;
    // Days since 30 December 1899 with the time as a fraction (the classic date-time number).
    double AsFloat() const override;
    QDateTime AsDateTime() const override;

protected:
    TDateTimeField(TComponent *owner, TFieldType type);
    int DefaultDisplayWidth() const override { return 18; }
    QVariant ValueFromText(const QString &text) const override;

private:
    QString m_displayFormat;
};

class TDateField : public TDateTimeField
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TDateField(TComponent *owner = nullptr);

protected:
    int DefaultDisplayWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TTimeField(TComponent *owner = nullptr);

protected:
    int DefaultDisplayWidth() const override { return 8; }
};

// Fixed and variable-length binary values held in the row.
class TBinaryField : public TField
{
    Q_OBJECT
    Q_PROPERTY(int Size READ Size WRITE SetSize)
    Q_CLASSINFO("Default:Size", "16")
public:
    QString AsString() const override;
    QByteArray AsBytes() const override;

protected:
    TBinaryField(TComponent *owner, TFieldType type);
};

class TBytesField : public TBinaryField
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TBytesField(TComponent *owner = nullptr);

protected:
    TBytesField(TComponent *owner, TFieldType type);
};

class TVarBytesField : public TBytesField
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TVarBytesField(TComponent *owner = nullptr);
};

// Large values: binary data, memo text, pictures. The content can be written to a stream.
class TBlobField : public TField
{
    Q_OBJECT
    Q_PROPERTY(int Size READ Size WRITE SetSize)
    Q_CLASSINFO("Default:Size", "0")
public:
    Q_INVOKABLE explicit TBlobField(TComponent *owner = nullptr);
    QString AsString() const override;
    QByteArray AsBytes() const override;
    // Writes the content of the current row; raises when the device cannot be written.
    void SaveToStream(QIODevice *stream) const;
    void SaveToFile(const QString &fileName) const;
    qint64 BlobSize() const { return AsBytes().size(); }
    bool IsBlob() const override { return true; }

protected:
    TBlobField(TComponent *owner, TFieldType type);
};

class TMemoField : public TBlobField
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TMemoField(TComponent *owner = nullptr);
    QString AsString() const override;
    QByteArray AsBytes() const override; // the text as UTF-8
};

class TGraphicField : public TBlobField
{
    Q_OBJECT
public:
    Q_INVOKABLE explicit TGraphicField(TComponent *owner = nullptr);
};

// The field class a column of that type gets (TStringField for ftString ...);
// null for types without a field class (ftCursor, ftUnknown).
const QMetaObject *FieldClassOf(TFieldType type);
// Creates an unattached field of the class for the type.
TField *CreateFieldOfType(TFieldType type, TComponent *owner);
