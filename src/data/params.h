#pragma once

// Query parameters: the names written after ":" in a query's SQL, in order of
// appearance, each with a data type, a Bound mark and a value.
//
// Setting a value through one of the As... setters makes the parameter Bound
// and, when its DataType is still ftUnknown, gives it the setter's type.
// Otherwise the value is converted to DataType; a value that does not convert
// (a text that is no date for a date parameter) raises EDatabaseError naming
// the parameter and leaves it unchanged. Texts are read with the locale
// settings (dates in the short date format, decimal separator) and also in
// ISO form ("2024-03-01", "1.5").

#include "common/component.h"
#include "data/dberrors.h"
#include "data/fieldtypes.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QVariant>

class TField;
class TParams;

class TParam : public TPersistent
{
    Q_OBJECT
    Q_PROPERTY(DataTypes::TFieldType DataType READ DataType WRITE SetDataType)
    Q_CLASSINFO("Default:DataType", "ftUnknown")
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(DataTypes::TParamType ParamType READ ParamType WRITE SetParamType)
    Q_CLASSINFO("Default:ParamType", "ptUnknown")
    Q_PROPERTY(QVariant Value READ Value WRITE SetValue STORED false)
public:
    explicit TParam(TParams *owner = nullptr, const QString &name = QString(),
                    TFieldType dataType = ftUnknown, TParamType paramType = ptInput);

    QString Name() const { return m_name; }
    void SetName(const QString &name) { m_name = name; }
    TFieldType DataType() const { return m_dataType; }
    // Changing the type converts a present value; a value that does not convert is cleared.
    void SetDataType(TFieldType type);
    TParamType ParamType() const { return m_paramType; }
    void SetParamType(TParamType type) { m_paramType = type; }
    bool Bound() const { return m_bound; }
    void SetBound(bool on) { m_bound = on; }
    bool IsNull() const { return m_value.isNull(); }
    // No value; the Bound mark stays.
    void Clear() { m_value = QVariant(); }

    // The value in its storage form: QString, qint64, double, bool, QDate, QTime, QDateTime.
    QVariant Value() const { return m_value; }
    void SetValue(const QVariant &value);

    // Text form: dates in the short date format, times in the long time
    // format, numbers with the locale's decimal separator, "True"/"False"; empty for none.
    QString AsString() const;
    QString Text() const { return AsString(); }
    qint64 AsInteger() const;
    double AsFloat() const;
    bool AsBoolean() const;
    QDate AsDate() const;
    QTime AsTime() const;
    QDateTime AsDateTime() const;

    // "Set as text": an empty text stays the empty text for string
    // parameters and clears typed ones.
    void SetAsString(const QString &text);
    void SetText(const QString &text) { SetAsString(text); }
    void SetAsInteger(qint64 v);
    void SetAsSmallInt(int v);
    void SetAsWord(int v);
    void SetAsFloat(double v);
    void SetAsCurrency(double v);
    void SetAsBCD(double v);
    void SetAsBoolean(bool v);
    void SetAsDate(const QDate &v);
    void SetAsTime(const QTime &v);
    void SetAsDateTime(const QDateTime &v);
    void SetAsMemo(const QString &text);
    // Takes the field's type (when this parameter has none) and its current value.
    void AssignField(const TField *field);
    // Copies name, type, kind, Bound and value.
    void Assign(const TPersistent *source) override;
    void AssignValue(const TParam &other);

    TParams *Collection() const { return m_owner; }
    // The value as the database driver gets it.
    QVariant BindValue() const;

private:
    void store(const QVariant &value, TFieldType setterType);
    [[noreturn]] void invalid(const QString &text) const;

    TParams *m_owner = nullptr;
    QString m_name;
    TFieldType m_dataType = ftUnknown;
    TParamType m_paramType = ptInput;
    bool m_bound = false;
    QVariant m_value;
};

class TParams : public QObject
{
    Q_OBJECT
public:
    explicit TParams(TComponent *owner = nullptr);
    ~TParams() override;

    // The component the parameters belong to (their query), for messages.
    TComponent *Owner() const { return m_owner; }

    int Count() const { return int(m_items.size()); }
    TParam *Items(int index) const;
    TParam *operator[](int index) const { return Items(index); }
    // The first parameter of that name (case ignored); null when absent.
    TParam *FindParam(const QString &name) const;
    // As FindParam; raises when absent.
    TParam *ParamByName(const QString &name) const;
    TParam *CreateParam(TFieldType type, const QString &name, TParamType paramType = ptInput);
    void RemoveParam(TParam *param);
    void Clear();
    // Copies the values (type, Bound and value) of every parameter of source
    // onto the parameters of this list with the same names.
    void AssignValues(const TParams &source);
    // Replaces the list by a copy of source.
    void Assign(const TParams &source);
    QStringList Names() const;
    // True when every parameter of the list has a value.
    bool AllBound() const;

    // Fills the list from SQL: one parameter per ":name" outside string
    // literals, quoted identifiers and comments ("::" casts are not
    // parameters; ":" followed by a quoted name takes the name inside the
    // quotes). Parameters of the previous list keep their type, Bound mark
    // and value when their name comes again. Returns the SQL with each
    // parameter replaced by "?" and comments left out.
    QString ParseSQL(const QString &sql, bool createParams);

private:
    TComponent *m_owner;
    QList<TParam *> m_items;
};
