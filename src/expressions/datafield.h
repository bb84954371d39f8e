#pragma once

// The element that reads a dataset field of the current record.

#include "data/dataset.h"
#include "data/field.h"
#include "expressions/datasets.h"
#include "expressions/elements.h"

#include <QPointer>

class TQREvElementDataField : public TQREvElement
{
public:
    TQREvElementDataField(TDataSet *dataSet, int position, TField *field);
    // By the field's class: strings and memos as text, integer classes (large integers too) as integers, or
    // as floating values beyond 32 bits; floating, currency and BCD as floating, booleans, dates
    // and times as their value's text; any other class is the error "Field NAME is of unknown
    // type". A stored value that does not convert gives an error value with the reason.
    void Yield(TQRFiFo &form, TQREvValue &value) override;

    TDataSet *DataSet() const { return m_dataSet.data(); }
    int Position() const { return m_position; }
    TField *Field() const { return m_field.data(); }

private:
    enum class Kind : std::uint8_t { String, Integer, Float, Boolean, DateTime, Unknown };
    static Kind kindOf(const TField *field);

    QPointer<TDataSet> m_dataSet;
    int m_position;
    QPointer<TField> m_field;
    Kind m_kind;
    QString m_fieldName;
};

// The variable step's field part: "DATASET.FIELD" or "FIELD" (case ignored) searched in the list;
// a new field element, or null when no dataset of the list has that field.
TQREvElement *QREvCreateFieldElement(const TQRDatasetList &datasets, const QString &name);
