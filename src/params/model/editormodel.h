#pragma once

#include "params/model/controlkind.h"
#include "params/model/parameters.h"

#include <QList>
#include <QString>
#include <QStringList>

// What the descriptor editor holds of a descriptor, and its reader and whole-file writer.

// A design control: kind, name, caption and declared geometry, in creation order.
struct TEditorControl {
    QString Name;
    TControlKind Kind = TControlKind::Edit;
    QString Caption;
    int X = 0;
    int Y = 0;
    int Width = 0;

    bool operator==(const TEditorControl &) const = default;
};

// The rest of a control: its default and its entries (LIST) or its nine "key=value" query
// settings (TABLE).
struct TParRec {
    enum { Plain = 0, Table = 1, List = 2 };
    QString Name;
    QString Default;
    int Kind = Plain;
    QStringList Strings;

    static int KindFor(TControlKind kind);
    bool operator==(const TParRec &) const = default;
};

// A query-parameter or label binding.
struct TVarRec {
    enum TSourceKind { ControlText = 0, ControlValue = 1, Constant = 2, IniFile = 3 };
    enum TBindingKind { QueryParameter = 1, ReportLabel = 2 };

    QString Name;
    QString Source; // control name, constant text or INI file name
    QString Field;  // a control's field ("Text" or "Value"), or "<section>,<key>" of an INI source
    TSourceKind SourceKind = ControlText;
    TBindingKind BindingKind = QueryParameter;
    TParamDataType DataType = TParamDataType::String; // query parameters only

    // Reads a source the way the editor does: "const." and "ini." only in lower case (after
    // trimming blanks); anything else is a control reference split at the first ".", TEXT when
    // the field in capitals is "TEXT", VALUE otherwise.
    static TVarRec FromSource(const QString &name, const QString &source, TBindingKind bindingKind);
    // The source as the editor writes it: <control>.Text, <control>.Value, const.<text>,
    // ini.<file>,<section>,<key>.
    QString SourceText() const;

    bool operator==(const TVarRec &) const = default;
};

class TEditorDescriptor
{
public:
    QList<TEditorControl> Controls; // creation order
    QList<TParRec> ParRecs;
    QList<TVarRec> Vars; // bindings of both kinds, in model order

    void Clear();
    TParRec *FindParRec(const QString &name);
    const TParRec *FindParRec(const QString &name) const;
    int IndexOfControl(const QString &name) const;

    // The name the editor gives a new control of the kind: its prefix ("Edit_", ...) and the lowest
    // number from 1 up that no control has yet.
    QString NextControlName(TControlKind kind) const;

    // Loads a descriptor: declarations of a known kind (others are dropped), the bindings and the
    // defaults, entries and query settings. A missing file loads as an empty descriptor. On failure
    // (unreadable file, a control name that is no identifier or is taken) returns false with the
    // message and leaves this object as it was.
    bool Load(const QString &fileName, QString &error);

    // Rewrites the whole file: every section is erased, then Declarations, Assignment with
    // Assignment_types, Labels, Defaults (non-empty ones), each LIST's entries as Item1, Item2, ...
    // and each TABLE's nine settings. The file is replaced only once everything is written; on
    // failure it stays as it was and the message says why.
    bool Save(const QString &fileName, QString &error) const;
};
