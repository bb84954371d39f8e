#include "gui/translatewindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMetaEnum>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTreeWidget>

#include <memory>

namespace
{
class TWidgetTranslatable : public TTranslatable
{
public:
    explicit TWidgetTranslatable(QObject *object) : m_object(object) {}

    QString Name() const override { return m_object->objectName(); }

    bool HasCaption() const override
    {
        return (qobject_cast<QLabel *>(m_object) || qobject_cast<QAbstractButton *>(m_object) ||
                qobject_cast<QGroupBox *>(m_object) || qobject_cast<QAction *>(m_object) ||
                qobject_cast<QMenu *>(m_object)) &&
               !Caption().isEmpty();
    }
    QString Caption() const override
    {
        if (auto *w = qobject_cast<QLabel *>(m_object))
            return w->text();
        if (auto *w = qobject_cast<QAbstractButton *>(m_object))
            return w->text();
        if (auto *w = qobject_cast<QGroupBox *>(m_object))
            return w->title();
        if (auto *w = qobject_cast<QAction *>(m_object))
            return w->text();
        if (auto *w = qobject_cast<QMenu *>(m_object))
            return w->title();
        return QString();
    }
    void SetCaption(const QString &text) override
    {
        if (auto *w = qobject_cast<QLabel *>(m_object))
            w->setText(text);
        else if (auto *w = qobject_cast<QAbstractButton *>(m_object))
            w->setText(text);
        else if (auto *w = qobject_cast<QGroupBox *>(m_object))
            w->setTitle(text);
        else if (auto *w = qobject_cast<QAction *>(m_object)) {
            // A tool tip and a button text that only repeat the caption follow it.
            const bool tipRepeats = w->toolTip() == stripped(w->text());
            const bool iconRepeats = w->iconText() == stripped(w->text());
            w->setText(text);
            if (tipRepeats)
                w->setToolTip(stripped(text));
            if (iconRepeats)
                w->setIconText(stripped(text));
        } else if (auto *w = qobject_cast<QMenu *>(m_object))
            w->setTitle(text);
    }

    bool HasHint() const override { return m_object->isWidgetType() || qobject_cast<QAction *>(m_object); }
    QString Hint() const override
    {
        if (auto *w = qobject_cast<QWidget *>(m_object))
            return w->toolTip();
        if (auto *a = qobject_cast<QAction *>(m_object))
            return a->toolTip() == stripped(a->text()) ? QString() : a->toolTip();
        return QString();
    }
    void SetHint(const QString &text) override
    {
        if (auto *w = qobject_cast<QWidget *>(m_object))
            w->setToolTip(text);
        else if (auto *a = qobject_cast<QAction *>(m_object))
            a->setToolTip(text);
    }

    QStringList Items() const override
    {
        QStringList items;
        if (auto *w = qobject_cast<QComboBox *>(m_object)) {
            for (int i = 0; i < w->count(); ++i)
                items.append(w->itemText(i));
        } else if (auto *w = qobject_cast<QListWidget *>(m_object)) {
            for (int i = 0; i < w->count(); ++i)
                items.append(w->item(i)->text());
        } else if (auto *w = qobject_cast<QTabWidget *>(m_object)) {
            for (int i = 0; i < w->count(); ++i)
                items.append(w->tabText(i));
        } else if (auto *w = qobject_cast<QTreeWidget *>(m_object)) {
            // The column titles, or for a list of fixed rows without titles the rows' captions.
            if (!w->isHeaderHidden())
                for (int i = 0; i < w->columnCount(); ++i)
                    items.append(w->headerItem()->text(i));
            else
                for (int i = 0; i < w->topLevelItemCount(); ++i)
                    items.append(w->topLevelItem(i)->text(0));
        } else if (auto *w = qobject_cast<QTableWidget *>(m_object)) {
            for (int i = 0; i < w->columnCount(); ++i)
                if (QTableWidgetItem *item = w->horizontalHeaderItem(i))
                    items.append(item->text());
        }
        return items;
    }
    void SetItems(const QStringList &items) override
    {
        if (auto *w = qobject_cast<QComboBox *>(m_object)) {
            for (int i = 0; i < w->count() && i < items.size(); ++i)
                w->setItemText(i, items[i]);
        } else if (auto *w = qobject_cast<QListWidget *>(m_object)) {
            for (int i = 0; i < w->count() && i < items.size(); ++i)
                w->item(i)->setText(items[i]);
        } else if (auto *w = qobject_cast<QTabWidget *>(m_object)) {
            for (int i = 0; i < w->count() && i < items.size(); ++i)
                w->setTabText(i, items[i]);
        } else if (auto *w = qobject_cast<QTreeWidget *>(m_object)) {
            if (!w->isHeaderHidden())
                for (int i = 0; i < w->columnCount() && i < items.size(); ++i)
                    w->headerItem()->setText(i, items[i]);
            else
                for (int i = 0; i < w->topLevelItemCount() && i < items.size(); ++i)
                    w->topLevelItem(i)->setText(0, items[i]);
        } else if (auto *w = qobject_cast<QTableWidget *>(m_object)) {
            int n = 0;
            for (int i = 0; i < w->columnCount() && n < items.size(); ++i)
                if (QTableWidgetItem *item = w->horizontalHeaderItem(i))
                    item->setText(items[n++]);
        }
    }

    QStringList Lines() const override
    {
        QString text;
        if (auto *w = qobject_cast<QPlainTextEdit *>(m_object))
            text = w->toPlainText();
        else if (auto *w = qobject_cast<QTextEdit *>(m_object))
            text = w->toPlainText();
        return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }
    void SetLines(const QStringList &lines) override
    {
        if (auto *w = qobject_cast<QPlainTextEdit *>(m_object))
            w->setPlainText(lines.join(QLatin1Char('\n')));
        else if (auto *w = qobject_cast<QTextEdit *>(m_object))
            w->setPlainText(lines.join(QLatin1Char('\n')));
    }

private:
    // An action's tool tip and button text default to its text without the "&" of its shortcut
    // letter and without "...".
    static QString stripped(QString text)
    {
        text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
        text.remove(QLatin1Char('&'));
        text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
        text.remove(QStringLiteral("..."));
        return text.trimmed();
    }

    QObject *m_object;
};

const char *const ShowsDataProperty = "tabulonShowsData";

bool isPart(const QObject *object)
{
    const QString name = object->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_")) &&
           !object->property(ShowsDataProperty).toBool();
}

// The first named widget of a layout item (a field that is a row of widgets is named by its first).
QString itemName(QLayoutItem *item)
{
    if (!item)
        return QString();
    if (QWidget *w = item->widget())
        return w->objectName();
    if (QLayout *layout = item->layout())
        for (int i = 0; i < layout->count(); ++i) {
            const QString name = itemName(layout->itemAt(i));
            if (!name.isEmpty())
                return name;
        }
    return QString();
}

void nameLabel(QLabel *label, const QString &fieldName)
{
    if (label && label->objectName().isEmpty() && !fieldName.isEmpty())
        label->setObjectName(fieldName + QStringLiteral("Label"));
}

// Labels that a layout made for a field, labels with a buddy and the standard buttons of button
// boxes get names from what they belong to, so that a language file reaches them too.
void nameUnnamedParts(QWidget *window)
{
    for (QFormLayout *form : window->findChildren<QFormLayout *>())
        for (int row = 0; row < form->rowCount(); ++row) {
            QLayoutItem *label = form->itemAt(row, QFormLayout::LabelRole);
            if (label && label->widget())
                nameLabel(qobject_cast<QLabel *>(label->widget()),
                          itemName(form->itemAt(row, QFormLayout::FieldRole)));
        }
    for (QLabel *label : window->findChildren<QLabel *>())
        if (label->buddy())
            nameLabel(label, label->buddy()->objectName());
    const QMetaObject &meta = QDialogButtonBox::staticMetaObject;
    const QMetaEnum standard = meta.enumerator(meta.indexOfEnumerator("StandardButtons"));
    for (QDialogButtonBox *box : window->findChildren<QDialogButtonBox *>())
        for (QAbstractButton *button : box->buttons())
            if (button->objectName().isEmpty())
                if (const char *key = box->standardButton(button) == QDialogButtonBox::NoButton
                                          ? nullptr
                                          : standard.valueToKey(box->standardButton(button))) {
                    const QString name = QString::fromLatin1(key);
                    button->setObjectName((name == QLatin1String("Ok") ? QStringLiteral("OK") : name) +
                                          QStringLiteral("Button"));
                }
}

void addParts(TTranslatableWindow &window, const QObject *parent)
{
    for (QObject *child : parent->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (widget && widget->isWindow() && !qobject_cast<QMenu *>(widget))
            continue; // a window of its own
        if (isPart(child)) {
            if (child->isWidgetType() || qobject_cast<QAction *>(child))
                window.Parts.push_back(std::make_unique<TWidgetTranslatable>(child));
            else if (TPropertyTranslatable::Applies(child))
                window.Parts.push_back(std::make_unique<TPropertyTranslatable>(child));
        }
        addParts(window, child);
    }
}

QList<QPair<QString, std::function<QWidget *()>>> &languageWindows()
{
    static QList<QPair<QString, std::function<QWidget *()>>> windows;
    return windows;
}
} // namespace

TTranslatableWindow TranslatableWidgetWindow(QWidget *window, const TComponent *components)
{
    TTranslatableWindow view;
    view.Caption = [window] { return window->windowTitle(); };
    view.SetCaption = [window](const QString &text) { window->setWindowTitle(text); };
    nameUnnamedParts(window);
    addParts(view, window);
    AddComponentParts(view, components);
    return view;
}

void MarkShowsData(QObject *part)
{
    if (part)
        part->setProperty(ShowsDataProperty, true);
}

void TranslateWindow(QWidget *window, const QString &section, const TComponent *components)
{
    if (!window || ConfiguredLanguageFile().isEmpty())
        return;
    TTranslatableWindow view = TranslatableWidgetWindow(window, components);
    TranslateWithLanguageFile(view, section);
}

QList<QPair<QString, std::function<QWidget *()>>> LanguageWindows()
{
    return languageWindows();
}

void RegisterLanguageWindow(const QString &section, std::function<QWidget *()> create, bool captionIsData)
{
    auto &windows = languageWindows();
    windows.removeIf([&](const auto &w) { return w.first.compare(section, Qt::CaseInsensitive) == 0; });
    windows.append({section, create});
    RegisterLanguageSection(section, [section, create, captionIsData] {
        std::unique_ptr<QWidget> window(create());
        if (!window)
            return QStringList();
        TTranslatableWindow view = TranslatableWidgetWindow(window.get());
        if (captionIsData)
            view.Caption = nullptr;
        return LanguageSectionLines(section, view);
    });
}
