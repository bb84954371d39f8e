#include "expressions/datafield.h"

#include "data/dataset.h"
#include "data/field.h"

#include <QCoreApplication>

#include <limits>

TQREvElementDataField::TQREvElementDataField(TDataSet *dataSet, int position, TField *field)
    : m_dataSet(dataSet), m_position(position), m_field(field), m_kind(kindOf(field)),
      m_fieldName(field ? field->FieldName() : QString())
{
}

TQREvElementDataField::Kind TQREvElementDataField::kindOf(const TField *field)
{
    if (!field)
        return Kind::Unknown;
    // Binary blobs are deliberately absent: expressions have no kind for them. Memo fields read as
    // strings, since every text column without a declared length is one (SQLite TEXT,
    // PostgreSQL text); large integers read like integers, so that 64-bit keys and counts print
    // right.
    if (qobject_cast<const TStringField *>(field) || qobject_cast<const TMemoField *>(field) ||
        field->DataType() == ftMemo || field->DataType() == ftFmtMemo)
        return Kind::String;
    if (qobject_cast<const TIntegerField *>(field) || qobject_cast<const TLargeintField *>(field))
        return Kind::Integer;
    if (qobject_cast<const TFloatField *>(field) || qobject_cast<const TBCDField *>(field))
        return Kind::Float;
    if (qobject_cast<const TBooleanField *>(field))
        return Kind::Boolean;
    if (qobject_cast<const TDateTimeField *>(field))
        return Kind::DateTime;
    return Kind::Unknown;
}

void TQREvElementDataField::Yield(TQRFiFo &, TQREvValue &value)
{
    TDataSet *dataSet = m_dataSet.data();
    if (dataSet && dataSet->DefaultFields()) {
        // Fields the dataset creates on every open: fetch the current object by position.
        TField *current =
            m_position >= 0 && m_position < dataSet->FieldCount() ? dataSet->Fields(m_position) : nullptr;
        if (current != m_field.data()) {
            m_field = current;
            m_kind = kindOf(current);
        }
    }
    const TField *field = m_field.data();
    if (!field) {
        value.SetError(
            QCoreApplication::translate("TQREvaluator", "Field %1 is not available").arg(m_fieldName));
        return;
    }
    try {
        switch (m_kind) {
        case Kind::String:
        case Kind::DateTime:
            value.SetString(field->AsString());
            break;
        case Kind::Integer: {
            // A value beyond 32 bits goes on as a floating value rather than as a wrong integer.
            const qint64 number = field->AsInteger();
            if (number >= std::numeric_limits<qint32>::min() && number <= std::numeric_limits<qint32>::max())
                value.SetInteger(qint32(number));
            else
                value.SetFloat(double(number));
            break;
        }
        case Kind::Float:
            value.SetFloat(field->AsFloat());
            break;
        case Kind::Boolean:
            value.SetBoolean(field->AsBoolean());
            break;
        case Kind::Unknown:
            value.SetError(QCoreApplication::translate("TQREvaluator", "Field %1 is of unknown type")
                               .arg(field->FieldName()));
            break;
        }
    } catch (const EDatabaseError &e) {
        // A stored value that does not convert (text in a number column) is this record's
        // error, not the end of the run.
        value.SetError(e.Message());
    }
}

TQREvElement *QREvCreateFieldElement(const TQRDatasetList &datasets, const QString &name)
{
    const qsizetype dot = name.indexOf(u'.');
    const QString datasetPart = dot < 0 ? QString() : name.left(dot);
    const QString fieldPart = dot < 0 ? name : name.mid(dot + 1);
    for (TDataSet *dataSet : datasets) {
        if (!dataSet)
            continue;
        if (!datasetPart.isEmpty() && dataSet->Name().compare(datasetPart, Qt::CaseInsensitive) != 0)
            continue;
        if (TField *field = dataSet->FindField(fieldPart))
            return new TQREvElementDataField(dataSet, field->Index(), field);
        // A named dataset is the only one searched.
        if (!datasetPart.isEmpty())
            return nullptr;
    }
    return nullptr;
}
