#pragma once

#include "params/model/controlkind.h"
#include "params/model/parameters.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What the descriptor editor holds of a descriptor, and its reader and whole-file writer.

// A design control: kind, name, caption and declared geometry, in creation order.
struct TEditorControl {
    QString Name;
    TControlKind Kind = TControlKind::Edit;
    QString Caption;
    int X = 0;
    int Y = 0;
    int Width = 0;

    // Geometry on the design area for a caption editor `captionWidth` pixels wide: the caption
    // editor stands at (X, Y + 3), the widget 4 pixels right of it at (X + captionWidth + 4, Y)
    // and takes the rest of the declared width.
    int CaptionTop() const { return Y + 3; }
    int WidgetLeft(int captionWidth) const { return X + captionWidth + 4; }
    int WidgetWidth(int captionWidth) const { return Width - captionWidth - 4; }
    // A new caption keeps the widget's width; the widget moves to stay 4 pixels right of it.
    void SetCaption(const QString &text, int oldCaptionWidth, int newCaptionWidth);
    // The declared width for a widget `widgetWidth` pixels wide.
    void SetWidgetWidth(int captionWidth, int widgetWidth) { Width = captionWidth + widgetWidth + 4; }

    bool operator==(const TEditorControl &) const = default;
};

// The six rows of the property dialog, as typed ("" leaves Name, Width and the positions alone).
struct TControlProperties {
    QString Name;
    QString Header;
    QString Width;
    QString X;
    QString Y;
    QString Default;
    std::optional<QStringList> ListEntries;   // a LIST's entry page (applied only when not empty)
    std::optional<QStringList> TableSettings; // a TABLE's nine "key=value" settings
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

    // Adds a control made by a click: the next free name of its kind, the caption "Caption", the
    // declared place and width, an empty TParRec; it goes last in the creation order.
    QString AddControl(TControlKind kind, int x, int y, int width);
    // Removes the control, its TParRec and its place in the creation order. Bindings that name
    // it stay.
    bool DeleteControl(const QString &name);
    // Renames a control and its TParRec. Refused with the message when the new name is no
    // identifier or another control has it (names compare without regard to case).
    bool RenameControl(const QString &oldName, const QString &newName, QString &error);
    // Exchanges the control at `index` with its neighbour in the creation order (delta -1 or +1).
    bool MoveControl(int index, int delta);

    // The indexes in Vars of the bindings of one kind, in model order.
    QList<int> VarIndexes(TVarRec::TBindingKind kind) const;
    // Exchanges the binding at `index` with the previous (delta -1) or next (+1) binding of the
    // same kind, skipping bindings of the other kind; returns its new index, -1 when there is none.
    int MoveVar(int index, int delta);

    // The property dialog's "Save", step by step: rename (and store the default), caption,
    // x, y, width, LIST entries, TABLE settings. Stops at the first step that fails with its
    // message; the steps before it stay applied. `captionWidth` measures a caption editor.
    // `modified` is set once the rename step has run.
    bool ApplyProperties(QString &controlName, const TControlProperties &properties,
                         const std::function<int(const QString &)> &captionWidth, bool &modified,
                         QString &error);

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

// Editing an entry of a LIST's entry page: the old text is removed and the new one appended.
void EditListEntry(QStringList &entries, int index, const QString &text);
// The conversion error of a property row that is not a whole number.
QString NotAnIntegerMessage(const QString &text);
