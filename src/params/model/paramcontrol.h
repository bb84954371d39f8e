#pragma once

#include "params/model/controlkind.h"
#include "params/model/declaration.h"
#include "params/model/macros.h"
#include "params/model/tablequery.h"

#include "common/localesettings.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class TParamControl;

// A dependency made by a control macro in a TABLE filter: when Source changes, Target's query
// parameter Param takes Source's VALUE (or TEXT) and Target's query is opened again.
struct TParamLink {
    bool UseValue = true;
    QString Param; // "param1", ...
    TParamControl *Target = nullptr;
    TParamControl *Source = nullptr;
};

// One declared control of a parameter dialog, without its widgets: declaration, default, content
// and the VALUE and TEXT that bindings and filters read. The parameter dialog keeps the content in
// step with its widgets; without widgets the content is the default.
class TParamControl
{
public:
    TParamControl(const QString &name, TControlKind kind, const TDeclaration &declaration);
    TParamControl(const TParamControl &) = delete;
    TParamControl &operator=(const TParamControl &) = delete;

    const QString &Name() const { return m_name; }
    TControlKind Kind() const { return m_kind; }
    // The type word as the descriptor spells it (the quick-tune save writes it back so).
    const QString &TypeWord() const { return m_typeWord; }

    // Caption and geometry: declared, then as placed by the dialog.
    const QString &Caption() const { return m_caption; }
    void SetCaption(const QString &caption) { m_caption = caption; }
    int X() const { return m_x; }
    int Y() const { return m_y; }
    int Width() const { return m_width; }
    void SetPosition(int x, int y);
    void SetWidth(int width) { m_width = width; }

    // The Defaults entry as read (empty when there is none).
    const QString &DefaultText() const { return m_default; }
    // Reads the default into the content. False with the conversion error's message for a
    // DATEEDIT default that is no date and a FLOATEDIT default that is no number. A TABLE
    // control only keeps the text: its value comes from its query.
    bool ApplyDefault(const QString &text, QString &error, const TLocaleSettings &locale = LocaleSettings());

    // Content per kind.
    const QString &Text() const { return m_text; } // EDIT
    void SetText(const QString &text) { m_text = text; }
    int IntValue() const { return m_int; } // INTEDIT
    void SetIntValue(int value) { m_int = value; }
    double FloatValue() const { return m_float; } // FLOATEDIT, six decimals kept
    void SetFloatValue(double value);
    const QDate &Date() const { return m_date; } // DATEEDIT; null when empty
    void SetDate(const QDate &date) { m_date = date; }
    const QStringList &Entries() const { return m_entries; } // LIST
    void SetEntries(const QStringList &entries);
    int ItemIndex() const { return m_itemIndex; }
    void SetItemIndex(int index);              // out of range selects nothing (-1)
    bool Checked() const { return m_checked; } // CHECK
    void SetChecked(bool checked) { m_checked = checked; }

    // TABLE: settings, expanded filter, query text and parameters.
    const TTableSettings &TableSettings() const { return m_table; }
    void SetTableSettings(const TTableSettings &settings) { m_table = settings; }
    const QString &ExpandedFilter() const { return m_expandedFilter; }
    const QList<TFilterMacro> &FilterMacros() const { return m_filterMacros; }
    void SetExpandedFilter(const TFilterExpansion &expansion);
    // The query's SQL lines.
    QStringList SqlLines() const { return TableSqlLines(m_table, m_expandedFilter); }
    // Query parameter names in order (param1, param2, ...) and their current texts, all empty at
    // first.
    QStringList ParamNames() const;
    QString ParamValue(const QString &param) const;
    bool SetParamValue(const QString &param, const QString &value);
    // The selected row's value field and shown text; empty while nothing is selected.
    const QString &TableValue() const { return m_tableValue; }
    const QString &TableText() const { return m_tableText; }
    void SetTableSelection(const QString &value, const QString &text);

    // Dependent TABLE controls, in the order the links were made.
    const QList<TParamLink> &Links() const { return m_links; }
    void AddLink(const TParamLink &link) { m_links.append(link); }

    // VALUE and TEXT as bindings, links and "Print" read them.
    QString CurrentValue(const TLocaleSettings &locale = LocaleSettings()) const;
    QString CurrentText(const TLocaleSettings &locale = LocaleSettings()) const;

private:
    QString m_name;
    TControlKind m_kind;
    QString m_typeWord;
    QString m_caption;
    int m_x = 0;
    int m_y = 0;
    int m_width = 0;
    QString m_default;

    QString m_text;
    int m_int = 0;
    double m_float = 0;
    QDate m_date;
    QStringList m_entries;
    int m_itemIndex = -1;
    bool m_checked = false;

    TTableSettings m_table;
    QString m_expandedFilter;
    QList<TFilterMacro> m_filterMacros;
    QStringList m_paramValues;
    QString m_tableValue;
    QString m_tableText;

    QList<TParamLink> m_links;
};
