#include "common/speedyinifile.h"

#include "common/codepage.h"
#include "common/prompt.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace
{
QString upper(const QString &s)
{
    return s.toUpper();
}

// Language files are UTF-8 (with or without a byte order mark) or in the 8-bit code page.
QString decodeFile(QByteArray bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? DecodeCodePage(bytes) : text;
}

bool keyLess(const QPair<QString, QString> &a, const QString &key)
{
    return a.first < key;
}
} // namespace

bool TSpeedyIniFile::Load(const QString &fileName)
{
    m_fileName.clear();
    m_sections.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        Prompt().ShowError(QStringLiteral("File ") + fileName + QStringLiteral(" not found!"));
        return false;
    }
    const QString text = decodeFile(file.readAll());
    int current = -1;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        line = line.left(MaxLineLength);
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const QString name = upper(line.mid(1, line.size() - 2).toString());
            auto it = std::find_if(m_sections.begin(), m_sections.end(),
                                   [&](const TSection &s) { return s.Name == name; });
            if (it == m_sections.end()) {
                m_sections.append(TSection{name, {}});
                current = int(m_sections.size()) - 1;
            } else {
                current = int(it - m_sections.begin()); // a repeated section adds to the first
            }
            continue;
        }
        if (current < 0)
            continue; // entries before the first section belong to no window
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = upper(line.left(eq).toString());
        const QStringView rest = line.mid(eq + 1);
        const QString value = rest.size() >= 2 ? rest.mid(1, rest.size() - 2).toString() : QString();
        auto &keys = m_sections[current].Keys;
        auto at = std::lower_bound(keys.begin(), keys.end(), key, keyLess);
        if (at == keys.end() || at->first != key)
            keys.insert(at, {key, value});
    }
    std::sort(m_sections.begin(), m_sections.end(),
              [](const TSection &a, const TSection &b) { return a.Name < b.Name; });
    m_fileName = fileName;
    return true;
}

const TSpeedyIniFile::TSection *TSpeedyIniFile::findSection(const QString &section) const
{
    const QString name = upper(section);
    auto it = std::lower_bound(m_sections.begin(), m_sections.end(), name,
                               [](const TSection &s, const QString &n) { return s.Name < n; });
    return it != m_sections.end() && it->Name == name ? &*it : nullptr;
}

QString TSpeedyIniFile::Read(const QString &section, const QString &key, const QString &defaultValue) const
{
    const TSection *s = findSection(section);
    if (!s)
        return defaultValue;
    const QString name = upper(key);
    auto it = std::lower_bound(s->Keys.begin(), s->Keys.end(), name, keyLess);
    return it != s->Keys.end() && it->first == name ? it->second : defaultValue;
}

bool TSpeedyIniFile::Exists(const QString &section, const QString &key) const
{
    const TSection *s = findSection(section);
    if (!s)
        return false;
    const QString name = upper(key);
    auto it = std::lower_bound(s->Keys.begin(), s->Keys.end(), name, keyLess);
    return it != s->Keys.end() && it->first == name;
}
