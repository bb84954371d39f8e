#include "params/model/tablequery.h"

namespace
{

struct TKey {
    const char *name;
    QString TTableSettings::*field;
};

const TKey TableKeys[] = {
    {"DataBase", &TTableSettings::Database},   {"Name", &TTableSettings::Name},
    {"Value", &TTableSettings::Value},         {"Text", &TTableSettings::Text},
    {"Fields", &TTableSettings::Fields},       {"Order", &TTableSettings::Order},
    {"Filter", &TTableSettings::Filter},       {"EmptyValue", &TTableSettings::EmptyValue},
    {"EmptyText", &TTableSettings::EmptyText},
};

const TKey *findKey(const QString &key)
{
    const QString k = key.trimmed();
    for (const TKey &entry : TableKeys)
        if (k.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return &entry;
    return nullptr;
}

} // namespace

QStringList TTableSettings::Keys()
{
    QStringList keys;
    for (const TKey &entry : TableKeys)
        keys.append(QLatin1String(entry.name));
    return keys;
}

QString TTableSettings::Setting(const QString &key) const
{
    const TKey *k = findKey(key);
    return k ? this->*(k->field) : QString();
}

bool TTableSettings::SetSetting(const QString &key, const QString &value)
{
    const TKey *k = findKey(key);
    if (!k)
        return false;
    this->*(k->field) = value;
    return true;
}

TTableSettings TTableSettings::FromStrings(const QStringList &keyValues)
{
    TTableSettings s;
    // The first line of a key counts, as in the profile file it came from.
    QStringList seen;
    for (const QString &line : keyValues) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed().toCaseFolded();
        if (seen.contains(key))
            continue;
        seen.append(key);
        s.SetSetting(key, line.mid(eq + 1));
    }
    return s;
}

QStringList TTableSettings::ToStrings() const
{
    QStringList lines;
    for (const TKey &entry : TableKeys)
        lines.append(QLatin1String(entry.name) + u'=' + this->*(entry.field));
    return lines;
}

QString TTableSettings::SelectList() const
{
    return Fields.isEmpty() ? Value + u',' + Text : Fields;
}

QStringList TableSqlLines(const TTableSettings &settings, const QString &expandedFilter)
{
    QStringList lines;
    lines.append(QStringLiteral("SELECT ") + settings.SelectList());
    lines.append(QStringLiteral("FROM ") + settings.Name);
    if (!expandedFilter.isEmpty())
        lines.append(QStringLiteral("WHERE ") + expandedFilter);
    if (!settings.Order.isEmpty())
        lines.append(QStringLiteral("ORDER BY ") + settings.Order);
    return lines;
}

QString ShowSqlText(const TTableSettings &settings)
{
    const QString fields =
        settings.Fields.trimmed().isEmpty() ? settings.Value + u',' + settings.Text : settings.Fields;
    QString text =
        QStringLiteral("SELECT ") + fields + u'\n' + QStringLiteral("FROM ") + settings.Name + u'\n';
    if (!settings.Filter.trimmed().isEmpty())
        text += QStringLiteral("WHERE ") + settings.Filter + u'\n';
    if (!settings.Order.trimmed().isEmpty())
        text += QStringLiteral("ORDER BY ") + settings.Order + u'\n';
    return text;
}
