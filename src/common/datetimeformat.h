#pragma once

// Shared by the data-field and system-data elements and the date functions of expressions.
// Date-time display masks: d dd ddd dddd ddddd dddddd, m mm mmm mmmm (m and mm right after
// h or hh are minutes), yy yyyy,
// h hh, n nn, s ss, z zzz, t (short time), tt (long time), c (short date and,
// when there is one, long time), am/pm a/p ampm, '/' and ':' for the
// locale's separators, and text in single or double quotes. Other characters
// stand as they are. An empty mask means "c".

#include <QDateTime>
#include <QString>

QString QRFormatDateTime(const QString &mask, const QDateTime &value);
