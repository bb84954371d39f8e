#include "params/model/paramcontrol.h"

#include "params/model/controlvalues.h"

TParamControl::TParamControl(const QString &name, TControlKind kind, const TDeclaration &declaration)
    : m_name(name), m_kind(kind), m_typeWord(declaration.TypeWord), m_caption(declaration.Caption),
      m_x(declaration.X), m_y(declaration.Y), m_width(declaration.Width)
{
}

void TParamControl::SetPosition(int x, int y)
{
    m_x = x;
    m_y = y;
}

bool TParamControl::ApplyDefault(const QString &text, QString &error, const TLocaleSettings &locale)
{
    m_default = text;
    switch (m_kind) {
    case TControlKind::Edit:
        m_text = text;
        return true;
    case TControlKind::IntEdit:
        m_int = IntEditDefault(text);
        return true;
    case TControlKind::FloatEdit:
        return FloatEditDefault(text, m_float, error, locale);
    case TControlKind::DateEdit:
        return DateEditDefault(text, m_date, error);
    case TControlKind::List:
        m_itemIndex = ListDefault(text, int(m_entries.size()));
        return true;
    case TControlKind::Table:
        return true;
    case TControlKind::Check:
        m_checked = CheckDefault(text);
        return true;
    }
    return true;
}

void TParamControl::SetFloatValue(double value)
{
    m_float = RoundFloatEdit(value);
}

void TParamControl::SetEntries(const QStringList &entries)
{
    m_entries = entries;
    if (m_itemIndex >= m_entries.size())
        m_itemIndex = -1;
}

void TParamControl::SetItemIndex(int index)
{
    m_itemIndex = index >= 0 && index < m_entries.size() ? index : -1;
}

void TParamControl::SetExpandedFilter(const TFilterExpansion &expansion)
{
    m_expandedFilter = expansion.Filter;
    m_filterMacros = expansion.Macros;
    m_paramValues = QStringList();
    for (qsizetype i = 0; i < m_filterMacros.size(); ++i)
        m_paramValues.append(QString());
}

QStringList TParamControl::ParamNames() const
{
    QStringList names;
    for (const TFilterMacro &macro : m_filterMacros)
        names.append(macro.Param);
    return names;
}

QString TParamControl::ParamValue(const QString &param) const
{
    for (qsizetype i = 0; i < m_filterMacros.size(); ++i)
        if (m_filterMacros.at(i).Param.compare(param, Qt::CaseInsensitive) == 0)
            return m_paramValues.at(i);
    return QString();
}

bool TParamControl::SetParamValue(const QString &param, const QString &value)
{
    for (qsizetype i = 0; i < m_filterMacros.size(); ++i) {
        if (m_filterMacros.at(i).Param.compare(param, Qt::CaseInsensitive) == 0) {
            m_paramValues[i] = value;
            return true;
        }
    }
    return false;
}

void TParamControl::SetTableSelection(const QString &value, const QString &text)
{
    m_tableValue = value;
    m_tableText = text;
}

QString TParamControl::CurrentValue(const TLocaleSettings &locale) const
{
    switch (m_kind) {
    case TControlKind::Edit:
        return m_text;
    case TControlKind::IntEdit:
        return QString::number(m_int);
    case TControlKind::FloatEdit:
        return FloatEditValue(m_float, locale);
    case TControlKind::DateEdit:
        return DateEditValue(m_date);
    case TControlKind::List:
        return QString::number(m_itemIndex);
    case TControlKind::Table:
        return m_tableValue;
    case TControlKind::Check:
        return m_checked ? QStringLiteral("1") : QStringLiteral("0");
    }
    return QString();
}

QString TParamControl::CurrentText(const TLocaleSettings &locale) const
{
    switch (m_kind) {
    case TControlKind::Edit:
        return m_text;
    case TControlKind::IntEdit:
        return QString::number(m_int);
    case TControlKind::FloatEdit:
        return FloatEditValue(m_float, locale);
    case TControlKind::DateEdit:
        return DateEditText(m_date, locale);
    case TControlKind::List:
        return m_itemIndex >= 0 ? m_entries.at(m_itemIndex) : QString();
    case TControlKind::Table:
        return m_tableText;
    case TControlKind::Check:
        return m_checked ? QStringLiteral("On") : QStringLiteral("Off");
    }
    return QString();
}
