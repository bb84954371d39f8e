#include "data/fieldtypes.h"

#include <QMetaEnum>

QString FieldTypeIdent(TFieldType type)
{
    const QMetaEnum e = QMetaEnum::fromType<TFieldType>();
    const char *key = e.valueToKey(type);
    return key ? QString::fromLatin1(key) : QString::number(int(type));
}

QString FieldTypeName(TFieldType type)
{
    switch (type) {
    case ftString:
    case ftFixedChar:
        return QStringLiteral("String");
    case ftWideString:
        return QStringLiteral("WideString");
    case ftSmallint:
        return QStringLiteral("Smallint");
    case ftInteger:
        return QStringLiteral("Integer");
    case ftWord:
        return QStringLiteral("Word");
    case ftBoolean:
        return QStringLiteral("Boolean");
    case ftFloat:
        return QStringLiteral("Float");
    case ftCurrency:
        return QStringLiteral("Currency");
    case ftBCD:
        return QStringLiteral("BCD");
    case ftDate:
        return QStringLiteral("Date");
    case ftTime:
        return QStringLiteral("Time");
    case ftDateTime:
        return QStringLiteral("DateTime");
    case ftBytes:
        return QStringLiteral("Bytes");
    case ftVarBytes:
        return QStringLiteral("VarBytes");
    case ftAutoInc:
        return QStringLiteral("AutoInc");
    case ftBlob:
        return QStringLiteral("Blob");
    case ftMemo:
    case ftFmtMemo:
        return QStringLiteral("Memo");
    case ftGraphic:
        return QStringLiteral("Graphic");
    case ftLargeint:
        return QStringLiteral("Largeint");
    default:
        return FieldTypeIdent(type).mid(2);
    }
}
