#pragma once

// The script editor ("Script"): one page per event of a report or band, each
// with the lines of that event's section and "Insert expression ...".
// Confirming rewrites the sections in the loader's script and marks the
// report changed; cancelling changes nothing.

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QStringList>

class QPlainTextEdit;
class QTabWidget;
class TComponent;
class TQRDLoader;
class TQRDesignReport;

class TScriptEditForm : public QDialog
{
    Q_OBJECT
public:
    // The events of one page.
    struct TScriptPage {
        QString Caption;
        QString Event;
        QPlainTextEdit *Edit = nullptr;
    };

    // element is the report or one of its bands; the loader holds the script.
    TScriptEditForm(TQRDLoader *loader, TComponent *element, TQRDesignReport *report,
                    QWidget *parent = nullptr);

    // The script with the pages' sections rewritten, as confirming writes it.
    QStringList EditedScript() const;
    // Writes EditedScript into the loader and marks the report changed (what OK does).
    void Apply();
    // "Insert expression ...": the builder on the page's selection; a confirmed text replaces it.
    void InsertExpression(int page);

    // The pages in table order, for the designer's tests.
    const QList<TScriptPage> &ScriptPages() const { return m_pages; }
    QTabWidget *Tabs() const { return m_tabs; }

private:
    QPointer<TQRDLoader> m_loader;
    QPointer<TComponent> m_element;
    QPointer<TQRDesignReport> m_report;
    QTabWidget *m_tabs;
    QList<TScriptPage> m_pages;
};
