#pragma once

#include "params/model/paramcontrol.h"
#include "params/model/parameters.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

class TIniFile;

// An Assignment (query parameter) or Labels (label caption) binding of a descriptor.
struct TReportBinding {
    QString Name;                     // as written
    QString Source;                   // the source as read, before its macros are replaced
    TParamControl *Control = nullptr; // none for CONST and INI sources
    bool UseValue = true;             // VALUE, else TEXT (control sources only)
    QString FixedText;                // the CONST text or the INI value, read once while building
    TParamDataType DataType = TParamDataType::String; // Assignment bindings only

    // The fixed text, or the control's VALUE or TEXT as it is now.
    QString CurrentValue() const;
};

// What the parameter dialog adds to a build: the widgets and the TABLE queries.
class TParamBuildSite
{
public:
    virtual ~TParamBuildSite();
    // Called for each control in declaration order once it is read (declaration, entries, TABLE
    // settings with their expanded filter, default), before the next one is read. The dialog
    // creates the widgets here and opens a TABLE control's query. Returning false stops the build
    // with `error`.
    virtual bool ControlBuilt(TParamControl &control, QString &error);
    // A query parameter of the TABLE control changed: close its query, open it again with
    // ParamNames()/ParamValue() and select the first row (SetTableSelection), or leave the
    // selection empty when there are no rows.
    virtual void Requery(TParamControl &table);
};

// A parameter dialog built from a dialogue descriptor, without widgets: the controls in
// declaration order, the query-parameter and label bindings, the TABLE dependencies, the typed
// parameters of "Print" and the quick-tune save.
class TParamDialogModel
{
public:
    TParamDialogModel();
    ~TParamDialogModel();
    TParamDialogModel(const TParamDialogModel &) = delete;
    TParamDialogModel &operator=(const TParamDialogModel &) = delete;

    // Where profile files named without a directory in INI sources and macros are looked up:
    // the program directory unless set.
    void SetIniBaseDir(const QString &dir);
    QString IniBaseDir() const;

    // Reads and builds the descriptor: the controls (with their defaults), then the Assignment and
    // Labels bindings, then fires every control's links once. A missing file gives an empty
    // dialog. Stops at the first failure: false, with ErrorMessage() saying why; what was built up
    // to then stays available.
    bool Build(const QString &descriptorFile, TParamBuildSite *site = nullptr);
    const QString &ErrorMessage() const { return m_error; }
    const QString &FileName() const { return m_fileName; }

    int ControlCount() const { return int(m_controls.size()); }
    TParamControl *Control(int index) const { return m_controls.at(index).get(); }
    // A control by name, without regard to case; null when there is none.
    TParamControl *FindControl(const QString &name) const;

    const QList<TReportBinding> &Assignments() const { return m_assignments; }
    const QList<TReportBinding> &Labels() const { return m_labels; }

    // Hands the control's VALUE or TEXT to each dependent TABLE control whose parameter does not
    // hold it yet; those requery and fire their own links in turn. Call after every change of a
    // control's content.
    void FireLinks(TParamControl &control);

    // The typed parameters of "Print", one per assignment in Assignment order. With a dump file
    // ("Export to textfile") each is also written to section "Variables" as var<i>. Stops at the
    // first value that does not convert, with the conversion error's message.
    bool MakeParameters(QList<TReportParameter> &parameters, QString &error, TIniFile *dump = nullptr) const;
    // Writes the label values to section "labels" of the dump file as var<i>.
    bool DumpLabels(TIniFile &dump, QString &error) const;

    // The quick-tune "Save": rewrites the Declarations line of each control with its type word as
    // read and its current caption, position and width; nothing else of the file changes.
    bool SaveDeclarations(const QString &descriptorFile, QString &error) const;

private:
    void clear();
    bool fail(const QString &message);
    bool buildControl(const TIniFile &ini, const QString &name);
    bool buildBinding(const TIniFile &ini, const QString &section, const QString &name, bool assignment);

    QString m_iniBaseDir;
    QString m_fileName;
    QString m_error;
    TParamBuildSite *m_site = nullptr;
    std::vector<std::unique_ptr<TParamControl>> m_controls;
    QList<TReportBinding> m_assignments;
    QList<TReportBinding> m_labels;
};
