#pragma once

// Query parameters around a report run: before the run, parameters marked
// Bound that still have no value are asked from the user; afterwards every
// parameter gets back the value it had, so that values typed in are used for
// one run only and are never saved with the report.

#include <QString>
#include <QStringList>

#include <functional>

class TComponent;
class TQuery;

// Looks up a user message by key ("GetQueryParamCaption" ...).
using TQRMessageLookup = std::function<QString(const QString &key)>;
// Raised before a query's parameters are asked for; setting doCancel cancels the run.
using TQRBeforeGetQueryParams = std::function<void(TQuery *query, bool &doCancel)>;

// The default texts of the messages the data settings show: "GetQueryParamCaption",
// "GetQueryParamPrompt", "Invalid value", "Error opening database", "DefaultTableName".
// Empty for any other key.
QString DataSettingsDefaultMessage(const QString &key);

// Replaces the first "%s" of format by argument ("%%" gives "%").
QString FormatMessageText(const QString &format, const QString &argument);

class TQRQueryParamKeeper
{
public:
    // Marker lines of the saved list.
    static const QString NullMarker;  // "{QRDNULL}": no value, or no Bound mark
    static const QString BlankMarker; // "{QRDBLANK}": the empty text

    // Before a run: puts back what an earlier preparation saved, then for every
    // query of the report data sources of owner (names not beginning with "__")
    // names an unnamed query "Query<n>", saves its parameters, raises
    // beforeGetQueryParams, asks through the prompt service for every Bound
    // parameter without value, and reopens the query when a parameter
    // changed. Open errors are shown and the preparation goes on. False when
    // the run is cancelled; every parameter is then as before. messages may be
    // empty (the default texts are used).
    bool Prepare(TComponent *owner, const TQRBeforeGetQueryParams &beforeGetQueryParams = {},
                 const TQRMessageLookup &messages = {});

    // After a run (and before a report is saved): gives every parameter of the
    // report queries of owner its saved value back and empties the saved list.
    void Restore(TComponent *owner);

    // The saved lines, "Query.Param=value".
    const QStringList &SavedParams() const { return m_saved; }
    void Clear() { m_saved.clear(); }

    // The queries of the report data sources of owner, in component order, each once.
    static QList<TQuery *> ReportQueries(TComponent *owner);

private:
    void save(TQuery *query);
    bool savedValue(const QString &query, const QString &param, QString *value) const;
    bool askParameters(TQuery *query, const TQRMessageLookup &messages);
    bool changed(TQuery *query) const;

    QStringList m_saved;
};
