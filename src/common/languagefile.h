#pragma once

// Translating windows from a language file.
//
// A language file holds one section per window, named after the window. Its keys
// are a name and a suffix: the window's name + ".Caption" for the window's caption,
// a component's name + ".Caption" / ".Hint", and a component's name + ".Item" + n
// (from 1) for the n-th entry of its Items, of the pages of a tabbed notebook, of
// its Lines or of a loader's RuntimeMessages (there a whole "key=text" line).
//
// The translator knows windows only through TTranslatable views, so that windows of
// any toolkit (and the component owners of non-visual windows) are translated by
// the same rules; the GUI library makes the views of widget windows.

#include "common/component.h"
#include "common/speedyinifile.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

// What a translation can read and change on one named part of a window.
class TTranslatable
{
public:
    virtual ~TTranslatable();
    // The part's name, the first half of its keys.
    virtual QString Name() const = 0;
    // Caption and hint, where the part has them.
    virtual bool HasCaption() const { return false; }
    virtual QString Caption() const { return QString(); }
    virtual void SetCaption(const QString &) {}
    virtual bool HasHint() const { return false; }
    virtual QString Hint() const { return QString(); }
    virtual void SetHint(const QString &) {}
    // Entries replaced one by one (list entries, the pages of a tabbed notebook).
    virtual QStringList Items() const { return {}; }
    virtual void SetItems(const QStringList &) {}
    // A text of lines, replaced as a whole.
    virtual QStringList Lines() const { return {}; }
    virtual void SetLines(const QStringList &) {}
    // Message lines "key=text" of a loader or designer component.
    virtual QStringList RuntimeMessages() const { return {}; }
    virtual void SetRuntimeMessages(const QStringList &) {}
};

// A window as the translator sees it: its caption and its named parts in order.
struct TTranslatableWindow {
    std::function<QString()> Caption; // null: the window has no caption
    std::function<void(const QString &)> SetCaption;
    std::vector<std::unique_ptr<TTranslatable>> Parts; // every named component
};

// A view of any object through its published properties Caption, Hint, Items, Lines
// and RuntimeMessages (string lists); the name is the component name or objectName.
class TPropertyTranslatable : public TTranslatable
{
public:
    explicit TPropertyTranslatable(QObject *object) : m_object(object) {}
    // True when object has any property a translation can set.
    static bool Applies(const QObject *object);

    QString Name() const override;
    bool HasCaption() const override;
    QString Caption() const override;
    void SetCaption(const QString &text) override;
    bool HasHint() const override;
    QString Hint() const override;
    void SetHint(const QString &text) override;
    QStringList Items() const override;
    void SetItems(const QStringList &items) override;
    QStringList Lines() const override;
    void SetLines(const QStringList &lines) override;
    QStringList RuntimeMessages() const override;
    void SetRuntimeMessages(const QStringList &lines) override;

private:
    QObject *m_object;
};

// Adds a view of every named component owner holds that a translation can reach.
void AddComponentParts(TTranslatableWindow &window, const TComponent *owner);

// Applies section of file to window (the algorithm every window runs when it is created).
void ApplyLanguageSection(const TSpeedyIniFile &file, const QString &section, TTranslatableWindow &window);
// The lines of a language file's section that set every text of window to what it is
// now: "[section]" and one line per key; reading them back changes no text. Texts a
// line cannot hold (line breaks, more than the line length) are left out.
QStringList LanguageSectionLines(const QString &section, const TTranslatableWindow &window);

// The component placed on a window that translates it: FormName is the section.
class TLanguageIniFile : public TComponent
{
    Q_OBJECT
    Q_PROPERTY(QString FormName READ FormName WRITE SetFormName)
    Q_PROPERTY(QString IniFileName READ IniFileName WRITE SetIniFileName)

public:
    Q_INVOKABLE explicit TLanguageIniFile(TComponent *owner = nullptr);

    // The window's section in the language file.
    QString FormName() const { return m_formName; }
    void SetFormName(const QString &name) { m_formName = name; }
    // The language file; empty means the configured one.
    QString IniFileName() const { return m_iniFileName; }
    void SetIniFileName(const QString &name) { m_iniFileName = name; }

    // Applies FormName's section to window; without a FormName shows
    // "Property "FormName" not set!" and changes nothing. False when nothing was applied.
    bool Translate(TTranslatableWindow &window) const;

    // The process-wide cache of the language file fileName: read at the first use
    // and again whenever another file name is asked for. A file that cannot be read
    // is reported once and gives null until another name is asked for.
    static const TSpeedyIniFile *Cached(const QString &fileName);
    // Drops the cache (the next use reads the file again).
    static void ClearCache();

private:
    QString m_formName;
    QString m_iniFileName;
};

// The language file the program's windows are translated from; empty when none is
// configured (the windows then keep their built-in texts).
QString ConfiguredLanguageFile();
void SetConfiguredLanguageFile(const QString &fileName);

// Translates window with the configured language file, when there is one.
void TranslateWithLanguageFile(TTranslatableWindow &window, const QString &section);
// Translates the named components of a non-visual window (a component owner) the same way.
void TranslateComponents(TComponent *owner, const QString &section);

// The windows a language template lists: every window registers the lines of its section,
// made from a freshly created window with its built-in texts.
using TLanguageSectionWriter = std::function<QStringList()>;
void RegisterLanguageSection(const QString &section, TLanguageSectionWriter writer);
// The registered sections in the order of registration (a section registered again replaces the first).
QList<QPair<QString, TLanguageSectionWriter>> LanguageSections();
// Writes every registered window's section to fileName (UTF-8); false with *error set when
// the file cannot be written.
bool WriteLanguageTemplate(const QString &fileName, QString *error);
