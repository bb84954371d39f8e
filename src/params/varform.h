#pragma once

// The bindings list: the query-parameter bindings ("Query parameters") or the label bindings
// ("Report labels") of the descriptor being edited.

#include "params/model/editormodel.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;
class TParEditForm;

class TVarForm : public QDialog
{
    Q_OBJECT
public:
    // The list, created the first time it is needed and reused afterwards.
    static TVarForm *Instance();
    // Lists the dialog in the language template (a window of its own, not the shared one).
    static void RegisterTranslation();

    // Shows the bindings of one kind; its "&Close" marks the editor modified.
    void Execute(TParEditForm *editor, TVarRec::TBindingKind kind);

    QTreeWidget *List() const { return m_list; }
    QPushButton *AddButton() const { return m_add; }
    QPushButton *EditButton() const { return m_edit; }
    QPushButton *DeleteButton() const { return m_delete; }
    QPushButton *UpButton() const { return m_up; }
    QPushButton *DownButton() const { return m_down; }

    void AddBinding();
    void EditBinding();
    void DeleteBinding();
    void MoveBinding(int delta);

protected:
    void done(int result) override;

private:
    TVarForm();
    void fill(int currentRow);
    void updateButtons();
    int currentVarIndex() const;
    QString layoutSection() const;

    TParEditForm *m_editor = nullptr;
    TVarRec::TBindingKind m_kind = TVarRec::QueryParameter;
    QTreeWidget *m_list;
    QPushButton *m_add;
    QPushButton *m_edit;
    QPushButton *m_delete;
    QPushButton *m_up;
    QPushButton *m_down;
};
