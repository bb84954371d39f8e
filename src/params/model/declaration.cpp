#include "params/model/declaration.h"

namespace
{

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

int numberOrZero(const QString &text)
{
    int value = 0;
    return ParseDecimalInteger(text, value) ? value : 0;
}

} // namespace

bool ParseDecimalInteger(const QString &text, int &value)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t.at(i) == u'+' || t.at(i) == u'-'))
        negative = t.at(i++) == u'-';
    if (i >= t.size())
        return false;
    qint64 result = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
        result = result * 10 + (c - u'0');
        if (result > qint64(2147483648LL))
            return false;
    }
    if (negative)
        result = -result;
    if (result > 2147483647LL || result < -2147483648LL)
        return false;
    value = int(result);
    return true;
}

TDeclaration ParseDeclaration(const QString &value)
{
    TDeclaration d;
    qsizetype blank = -1;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (isBlank(value.at(i))) {
            blank = i;
            break;
        }
    }
    d.TypeWord = blank < 0 ? value : value.left(blank);

    const qsizetype open = value.indexOf(u'"');
    if (open < 0)
        return d;
    const qsizetype close = value.indexOf(u'"', open + 1);
    if (close < 0) {
        d.Caption = value.mid(open + 1);
        return d;
    }
    d.Caption = value.mid(open + 1, close - open - 1);

    const qsizetype c1 = value.indexOf(u',', close + 1);
    if (c1 < 0)
        return d;
    const qsizetype c2 = value.indexOf(u',', c1 + 1);
    if (c2 < 0) {
        d.X = numberOrZero(value.mid(c1 + 1));
        return d;
    }
    d.X = numberOrZero(value.mid(c1 + 1, c2 - c1 - 1));
    const qsizetype c3 = value.indexOf(u',', c2 + 1);
    if (c3 < 0) {
        d.Y = numberOrZero(value.mid(c2 + 1));
        return d;
    }
    d.Y = numberOrZero(value.mid(c2 + 1, c3 - c2 - 1));
    d.Width = numberOrZero(value.mid(c3 + 1));
    return d;
}

QString FormatDeclaration(const QString &typeWord, const QString &caption, int x, int y, int width)
{
    return QStringLiteral("%1 \"%2\",%3,%4,%5")
        .arg(typeWord, caption, QString::number(x), QString::number(y), QString::number(width));
}
