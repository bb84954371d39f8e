#pragma once

// Enumerations of the dataset layer. The identifiers and ordinals are those
// that report files and the query wizard's filters store.

#include <QObject>
#include <QString>

namespace DataTypes
{
Q_NAMESPACE

enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftCursor,
    ftFixedChar,
    ftWideString,
    ftLargeint
};
Q_ENUM_NS(TFieldType)

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };
Q_ENUM_NS(TFieldKind)

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };
Q_ENUM_NS(TParamType)

enum TDataSetState { dsInactive, dsBrowse, dsCalcFields };
Q_ENUM_NS(TDataSetState)

enum TIndexOption { ixPrimary = 0x1, ixUnique = 0x2, ixDescending = 0x4, ixCaseInsensitive = 0x8 };
Q_DECLARE_FLAGS(TIndexOptions, TIndexOption)
Q_FLAG_NS(TIndexOptions)

} // namespace DataTypes

Q_DECLARE_OPERATORS_FOR_FLAGS(DataTypes::TIndexOptions)

using TFieldType = DataTypes::TFieldType;
using TFieldKind = DataTypes::TFieldKind;
using TParamType = DataTypes::TParamType;
using TDataSetState = DataTypes::TDataSetState;
using TIndexOption = DataTypes::TIndexOption;
using TIndexOptions = DataTypes::TIndexOptions;
using enum DataTypes::TFieldType;
using enum DataTypes::TFieldKind;
using enum DataTypes::TParamType;
using enum DataTypes::TDataSetState;
using enum DataTypes::TIndexOption;

// The identifier of a field type ("ftInteger") and a readable name ("Integer")
// for messages.
QString FieldTypeIdent(TFieldType type);
QString FieldTypeName(TFieldType type);
