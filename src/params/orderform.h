#pragma once

// The creation-order list "Creation order": the design controls in the order the dialog will
// create them, with editing, deleting and moving.

#include <QDialog>

class QPushButton;
class QTreeWidget;
class TParEditForm;

class TOrderForm : public QDialog
{
    Q_OBJECT
public:
    // The list, created the first time it is needed and reused afterwards.
    static TOrderForm *Instance();
    // Lists the dialog in the language template (a window of its own, not the shared one).
    static void RegisterTranslation();

    // Shows the editor's controls; its "&Close" marks the editor modified.
    void Execute(TParEditForm *editor);

    QTreeWidget *List() const { return m_list; }
    QPushButton *EditButton() const { return m_edit; }
    QPushButton *DeleteButton() const { return m_delete; }
    QPushButton *UpButton() const { return m_up; }
    QPushButton *DownButton() const { return m_down; }

    void EditControl();
    void DeleteControl();
    void MoveControl(int delta);

protected:
    void done(int result) override;

private:
    TOrderForm();
    void fill(int currentRow);
    void updateButtons();
    int currentRow() const;

    TParEditForm *m_editor = nullptr;
    QTreeWidget *m_list;
    QPushButton *m_edit;
    QPushButton *m_delete;
    QPushButton *m_up;
    QPushButton *m_down;
};
