#include "data/sqlvalues.h"

#include "data/connection.h"

#include <QDateTime>

QVariant DriverValue(const TDbConnection &connection, const QVariant &value)
{
    if (!connection.IsSqlite())
        return value;
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.isNull() ? QVariant(QMetaType::fromType<QString>())
                              : QVariant(value.toDate().toString(QStringLiteral("yyyy-MM-dd")));
    case QMetaType::QTime: {
        if (value.isNull())
            return QVariant(QMetaType::fromType<QString>());
        const QTime t = value.toTime();
        return QVariant(t.toString(t.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss")));
    }
    case QMetaType::QDateTime: {
        if (value.isNull())
            return QVariant(QMetaType::fromType<QString>());
        const QDateTime dt = value.toDateTime();
        return QVariant(dt.toString(dt.time().msec() ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                                     : QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
    case QMetaType::Bool:
        return value.isNull() ? QVariant(QMetaType::fromType<qint64>())
                              : QVariant(qint64(value.toBool() ? 1 : 0));
    default:
        return value;
    }
}
