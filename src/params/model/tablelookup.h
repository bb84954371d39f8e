#pragma once

#include "params/model/dialogmodel.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TQuery;

// The rows of a TABLE control's query and its selection: what the lookup drop-down shows and
// what the control's VALUE and TEXT are. Kept apart from the widget so that a batch run and the
// tests select rows exactly as the dialog does.
class TTableLookup
{
public:
    struct TRow {
        QString Value; // the `value` field as text
        QString Text;  // the `text` field
    };

    explicit TTableLookup(TParamControl &control);
    ~TTableLookup();
    TTableLookup(const TTableLookup &) = delete;
    TTableLookup &operator=(const TTableLookup &) = delete;

    TParamControl &Control() const { return m_control; }
    // The query against the control's database (its SQL is the control's query text).
    TQuery *Query() const { return m_query.get(); }

    // Sets every query parameter to the control's parameter text and opens the query. False with
    // "Error opening ..." and the database's message when it cannot be opened.
    bool Open(QString &error);
    // After a parameter changed: the value is cleared, the query reopened with the new parameter
    // texts and the first row selected (nothing when there are no rows). False with the opening
    // error; the lookup is then empty.
    bool Requery(QString &error);

    // The rows read by the last open.
    const QList<TRow> &Rows() const { return m_rows; }
    // Whether the drop-down starts with the extra empty entry (a non-empty `emptytext`).
    bool HasEmptyEntry() const;
    // The drop-down's entries: the empty entry (when there is one), then the rows' texts.
    QStringList EntryTexts() const;
    // The entry showing the control's value, -1 when none does.
    int SelectedEntry() const;
    // Selects an entry of EntryTexts (the empty entry stands for `emptyvalue`).
    void SelectEntry(int entry);
    // Sets the value as the drop-down's key: the text is the matching row's (or the empty
    // entry's), else empty.
    void SetValue(const QString &value);
    // Moves to the first row and takes its value; with no rows the value stays empty.
    void SelectFirstRow();
    // The start of a control: the default as value, then the first row when it equals `emptyvalue`.
    void ApplyDefault();

private:
    bool open(QString &error);

    TParamControl &m_control;
    std::unique_ptr<TQuery> m_query;
    QList<TRow> m_rows;
};

// A build site that opens the TABLE controls' queries and keeps them in step with their
// parameters; the parameter dialog adds its widgets on top, a batch run uses it as it is.
class TTableBuildSite : public TParamBuildSite
{
public:
    TTableBuildSite();
    ~TTableBuildSite() override;

    bool ControlBuilt(TParamControl &control, QString &error) override;
    void Requery(TParamControl &table) override;

    // The lookup of a TABLE control, null for other controls.
    TTableLookup *Lookup(const TParamControl *control) const;
    // The message of the last failed reopen (shown by the dialog), empty when there was none.
    const QString &RequeryError() const { return m_requeryError; }

protected:
    // Called after a TABLE control's rows or selection changed through the build or a requery.
    virtual void TableChanged(TTableLookup &) {}

private:
    std::vector<std::unique_ptr<TTableLookup>> m_lookups;
    QString m_requeryError;
};
