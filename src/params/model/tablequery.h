#pragma once

#include <QString>
#include <QStringList>

// The query settings of a TABLE control: its own descriptor section's nine keys.
struct TTableSettings {
    QString Database;   // database alias
    QString Name;       // table written after FROM
    QString Fields;     // select list; empty means Value + "," + Text
    QString Value;      // field that is the control's VALUE
    QString Text;       // field shown in the list, the control's TEXT
    QString Filter;     // condition after WHERE, may hold macros
    QString Order;      // sort list after ORDER BY
    QString EmptyText;  // text of the extra "no selection" entry; empty means none
    QString EmptyValue; // VALUE of that entry

    // The nine keys in the order the descriptor editor writes them:
    // DataBase, Name, Value, Text, Fields, Order, Filter, EmptyValue, EmptyText.
    static QStringList Keys();
    // A setting by key, without regard to case; empty for an unknown key.
    QString Setting(const QString &key) const;
    // False for an unknown key.
    bool SetSetting(const QString &key, const QString &value);

    // Reads "key=value" strings (unknown keys are ignored, missing ones stay empty).
    static TTableSettings FromStrings(const QStringList &keyValues);
    // The nine settings as "key=value" strings, in the editor's order.
    QStringList ToStrings() const;

    // The select list: Fields, or Value + "," + Text when Fields is empty.
    QString SelectList() const;

    bool operator==(const TTableSettings &) const = default;
};

// The lines of a TABLE control's query: "SELECT " + select list, "FROM " + table, then
// "WHERE " + filter only when the expanded filter is not empty and "ORDER BY " + order only when
// the order is not empty.
QStringList TableSqlLines(const TTableSettings &settings, const QString &expandedFilter);

// The text the descriptor editor's "Show SQL" box shows for the settings as they stand (filter
// macros unexpanded): every line ends with a line break, blank-only parts count as empty.
QString ShowSqlText(const TTableSettings &settings);
