#include "common/languagefile.h"

#include "common/prompt.h"

#include <QFile>
#include <QHash>
#include <QMetaProperty>

namespace
{
QString itemKey(const QString &name, int n)
{
    return name + QStringLiteral(".Item") + QString::number(n);
}

// A text a language line can hold: no line break, and the whole line within the reader's limit.
bool fitsLine(const QString &key, const QString &value)
{
    return !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')) &&
           key.size() + 1 + TSpeedyIniFile::QuoteValue(value).size() <= TSpeedyIniFile::MaxLineLength;
}

void addLine(QStringList &lines, const QString &key, const QString &value)
{
    if (fitsLine(key, value))
        lines.append(key + QLatin1Char('=') + TSpeedyIniFile::QuoteValue(value));
}

bool hasStringProperty(const QObject *object, const char *name, int type)
{
    const int index = object->metaObject()->indexOfProperty(name);
    return index >= 0 && object->metaObject()->property(index).metaType().id() == type &&
           object->metaObject()->property(index).isWritable();
}

QStringList listProperty(const QObject *object, const char *name)
{
    return hasStringProperty(object, name, QMetaType::QStringList) ? object->property(name).toStringList()
                                                                   : QStringList();
}

void setListProperty(QObject *object, const char *name, const QStringList &list)
{
    if (hasStringProperty(object, name, QMetaType::QStringList))
        object->setProperty(name, list);
}

struct TCache {
    QString fileName;                     // the name last asked for
    std::unique_ptr<TSpeedyIniFile> file; // null when that file could not be read
};

TCache &cache()
{
    static TCache c;
    return c;
}

QString &configuredFile()
{
    static QString name;
    return name;
}

bool &writingTemplate()
{
    static bool writing = false;
    return writing;
}

QList<QPair<QString, TLanguageSectionWriter>> &sectionWriters()
{
    static QList<QPair<QString, TLanguageSectionWriter>> writers;
    return writers;
}
} // namespace

TTranslatable::~TTranslatable() = default;

// --- TPropertyTranslatable ----------------------------------------------------------------------

bool TPropertyTranslatable::Applies(const QObject *object)
{
    return hasStringProperty(object, "Caption", QMetaType::QString) ||
           hasStringProperty(object, "Hint", QMetaType::QString) ||
           hasStringProperty(object, "Items", QMetaType::QStringList) ||
           hasStringProperty(object, "Lines", QMetaType::QStringList) ||
           hasStringProperty(object, "RuntimeMessages", QMetaType::QStringList);
}

QString TPropertyTranslatable::Name() const
{
    if (auto *c = qobject_cast<TComponent *>(m_object))
        return c->Name();
    return m_object->objectName();
}

bool TPropertyTranslatable::HasCaption() const
{
    return hasStringProperty(m_object, "Caption", QMetaType::QString);
}

QString TPropertyTranslatable::Caption() const
{
    return HasCaption() ? m_object->property("Caption").toString() : QString();
}

void TPropertyTranslatable::SetCaption(const QString &text)
{
    if (HasCaption())
        m_object->setProperty("Caption", text);
}

bool TPropertyTranslatable::HasHint() const
{
    return hasStringProperty(m_object, "Hint", QMetaType::QString);
}

QString TPropertyTranslatable::Hint() const
{
    return HasHint() ? m_object->property("Hint").toString() : QString();
}

void TPropertyTranslatable::SetHint(const QString &text)
{
    if (HasHint())
        m_object->setProperty("Hint", text);
}

QStringList TPropertyTranslatable::Items() const
{
    return listProperty(m_object, "Items");
}

void TPropertyTranslatable::SetItems(const QStringList &items)
{
    setListProperty(m_object, "Items", items);
}

QStringList TPropertyTranslatable::Lines() const
{
    return listProperty(m_object, "Lines");
}

void TPropertyTranslatable::SetLines(const QStringList &lines)
{
    setListProperty(m_object, "Lines", lines);
}

QStringList TPropertyTranslatable::RuntimeMessages() const
{
    return listProperty(m_object, "RuntimeMessages");
}

void TPropertyTranslatable::SetRuntimeMessages(const QStringList &lines)
{
    setListProperty(m_object, "RuntimeMessages", lines);
}

void AddComponentParts(TTranslatableWindow &window, const TComponent *owner)
{
    if (!owner)
        return;
    for (TComponent *c : owner->ComponentList())
        if (!c->Name().isEmpty() && TPropertyTranslatable::Applies(c))
            window.Parts.push_back(std::make_unique<TPropertyTranslatable>(c));
}

// --- applying a section -------------------------------------------------------------------------

void ApplyLanguageSection(const TSpeedyIniFile &file, const QString &section, TTranslatableWindow &window)
{
    const auto value = [&](const QString &key, QString *text) {
        if (!file.Exists(section, key))
            return false;
        *text = file.Read(section, key);
        return true;
    };
    QString text;
    if (window.SetCaption && value(section + QStringLiteral(".Caption"), &text))
        window.SetCaption(text);
    for (const auto &part : window.Parts) {
        const QString name = part->Name();
        if (name.isEmpty())
            continue;
        if (value(name + QStringLiteral(".Caption"), &text))
            part->SetCaption(text);
        if (value(name + QStringLiteral(".Hint"), &text))
            part->SetHint(text);

        QStringList items = part->Items();
        if (!items.isEmpty()) {
            bool changed = false;
            for (int n = 1; n <= items.size(); ++n)
                if (value(itemKey(name, n), &text)) {
                    items[n - 1] = text;
                    changed = true;
                }
            if (changed)
                part->SetItems(items);
        }

        // A text of lines is replaced as a whole, up to and with the first empty line.
        if (!part->Lines().isEmpty() && file.Exists(section, itemKey(name, 1))) {
            QStringList lines;
            for (int n = 1;; ++n) {
                const QString line = file.Read(section, itemKey(name, n));
                lines.append(line);
                if (line.isEmpty())
                    break;
            }
            part->SetLines(lines);
        }

        QStringList messages = part->RuntimeMessages();
        if (!messages.isEmpty()) {
            bool changed = false;
            for (int n = 1; n <= messages.size(); ++n)
                if (value(itemKey(name, n), &text)) {
                    messages[n - 1] = text;
                    changed = true;
                }
            if (changed)
                part->SetRuntimeMessages(messages);
        }
    }
}

QStringList LanguageSectionLines(const QString &section, const TTranslatableWindow &window)
{
    QStringList lines{QLatin1Char('[') + section + QLatin1Char(']')};
    if (window.Caption)
        addLine(lines, section + QStringLiteral(".Caption"), window.Caption());
    // Parts that share a name cannot be told apart by a language file: none of them is offered.
    QHash<QString, int> uses;
    for (const auto &part : window.Parts)
        ++uses[part->Name().toUpper()];
    for (const auto &part : window.Parts) {
        const QString name = part->Name();
        if (name.isEmpty() || uses.value(name.toUpper()) > 1)
            continue;
        if (part->HasCaption())
            addLine(lines, name + QStringLiteral(".Caption"), part->Caption());
        const QString hint = part->Hint();
        if (part->HasHint() && (!hint.isEmpty() || part->HasCaption()))
            addLine(lines, name + QStringLiteral(".Hint"), hint);
        const QStringList items = part->Items();
        for (int n = 1; n <= items.size(); ++n)
            addLine(lines, itemKey(name, n), items[n - 1]);
        // Reading lines back stops at the first empty one and keeps it, so only a text whose
        // one empty line is its last comes back unchanged; other texts are left to the translator.
        const QStringList text = part->Lines();
        if (!text.isEmpty() && text.indexOf(QString()) == text.size() - 1) {
            bool fits = true;
            for (int n = 1; n < text.size(); ++n)
                fits = fits && fitsLine(itemKey(name, n), text[n - 1]);
            for (int n = 1; fits && n < text.size(); ++n)
                addLine(lines, itemKey(name, n), text[n - 1]);
        }
        const QStringList messages = part->RuntimeMessages();
        for (int n = 1; n <= messages.size(); ++n)
            addLine(lines, itemKey(name, n), messages[n - 1]);
    }
    return lines;
}

// --- TLanguageIniFile ---------------------------------------------------------------------------

TLanguageIniFile::TLanguageIniFile(TComponent *owner) : TComponent(owner) {}

bool TLanguageIniFile::Translate(TTranslatableWindow &window) const
{
    if (m_formName.isEmpty()) {
        Prompt().ShowError(QStringLiteral("Property \"FormName\" not set!"));
        return false;
    }
    const QString fileName = m_iniFileName.isEmpty() ? ConfiguredLanguageFile() : m_iniFileName;
    if (fileName.isEmpty())
        return false;
    const TSpeedyIniFile *file = Cached(fileName);
    if (!file)
        return false;
    ApplyLanguageSection(*file, m_formName, window);
    return true;
}

const TSpeedyIniFile *TLanguageIniFile::Cached(const QString &fileName)
{
    TCache &c = cache();
    if (fileName != c.fileName) {
        c.file.reset();
        c.fileName = fileName;
        auto file = std::make_unique<TSpeedyIniFile>();
        if (file->Load(fileName))
            c.file = std::move(file);
    }
    return c.file.get();
}

void TLanguageIniFile::ClearCache()
{
    cache() = TCache();
}

QString ConfiguredLanguageFile()
{
    return configuredFile();
}

void SetConfiguredLanguageFile(const QString &fileName)
{
    configuredFile() = fileName;
}

void TranslateWithLanguageFile(TTranslatableWindow &window, const QString &section)
{
    if (ConfiguredLanguageFile().isEmpty() || writingTemplate())
        return;
    TLanguageIniFile translator;
    translator.SetFormName(section);
    translator.Translate(window);
}

void TranslateComponents(TComponent *owner, const QString &section)
{
    if (!owner || ConfiguredLanguageFile().isEmpty() || writingTemplate())
        return;
    TTranslatableWindow window;
    AddComponentParts(window, owner);
    TranslateWithLanguageFile(window, section);
}

// --- the template -------------------------------------------------------------------------------

void RegisterLanguageSection(const QString &section, TLanguageSectionWriter writer)
{
    auto &writers = sectionWriters();
    for (auto &w : writers)
        if (w.first.compare(section, Qt::CaseInsensitive) == 0) {
            w.second = std::move(writer);
            return;
        }
    writers.append({section, std::move(writer)});
}

QList<QPair<QString, TLanguageSectionWriter>> LanguageSections()
{
    return sectionWriters();
}

bool WriteLanguageTemplate(const QString &fileName, QString *error)
{
    // The template holds the built-in texts: no window translates itself while it is made.
    writingTemplate() = true;
    QStringList lines;
    for (const auto &w : sectionWriters()) {
        if (!lines.isEmpty())
            lines.append(QString());
        lines += w.second();
    }
    writingTemplate() = false;
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()) < 0 || !file.flush()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
