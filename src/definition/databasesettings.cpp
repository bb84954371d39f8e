#include "definition/databasesettings.h"

#include <iterator>

namespace
{
// Longest text a setting keeps, as the report file stores it.
constexpr qsizetype MaxSettingLength = 255;

// Field, string, table and date delimiters (left, right) and the wildcard of each preset.
struct TPreset {
    const char *texts[TQRDatabaseSettings::SettingCount];
};

const TPreset &presetOf(TQRDatabaseSettings::TDelimiterType type)
{
    static const TPreset presets[] = {
        {{"", "", "", "", "", "", "", "", ""}},                  // delCustom (no preset)
        {{"", "", "'", "'", "'", "'", "'", "'", "%"}},           // delNoQuotes
        {{"'", "'", "'", "'", "'", "'", "'", "'", "%"}},         // delSingleQuotes
        {{"\"", "\"", "\"", "\"", "\"", "\"", "\"", "\"", "%"}}, // delDoubleQuotes
        {{"\"", "\"", "'", "'", "\"", "\"", "'", "'", "%"}},     // delOracle
        {{"[", "]", "\"", "\"", "[", "]", "#", "#", "*"}},       // delAccess
    };
    const int index = int(type);
    return presets[index >= 0 && index < int(std::size(presets)) ? index : 0];
}
} // namespace

TQRDatabaseSettings::TQRDatabaseSettings(TComponent *owner) : TPersistent(owner), m_owner(owner) {}

QString TQRDatabaseSettings::PresetText(TDelimiterType type, TSetting which)
{
    if (type == delCustom || which < 0 || which >= SettingCount)
        return QString();
    return QString::fromLatin1(presetOf(type).texts[which]);
}

void TQRDatabaseSettings::SetDelimiterType(TDelimiterType type)
{
    if (type < delCustom || type > delAccess)
        return; // invalid values are ignored
    m_type = type;
    if (type == delCustom) {
        if (m_owner && m_owner->ComponentState().testFlag(TComponent::csLoading))
            for (QString &t : m_texts)
                t.clear();
        return;
    }
    for (int i = 0; i < SettingCount; ++i)
        m_texts[i] = PresetText(type, TSetting(i));
}

void TQRDatabaseSettings::SetSetting(TSetting which, const QString &text)
{
    if (which < 0 || which >= SettingCount)
        return;
    const QString value = text.left(MaxSettingLength);
    if (m_type != delCustom && value != PresetText(m_type, which))
        m_type = delCustom;
    m_texts[which] = value;
}

void TQRDatabaseSettings::Assign(const TPersistent *source)
{
    const auto *other = qobject_cast<const TQRDatabaseSettings *>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    m_type = other->m_type;
    for (int i = 0; i < SettingCount; ++i)
        m_texts[i] = other->m_texts[i];
}
