#pragma once

// The two-list chooser: items move between an "available" and a "selected" list; the result is
// the selected list in its order.

#include <QDialog>
#include <QList>
#include <QPushButton>
#include <QStringList>

class QLabel;
class QListWidget;

// A button of the descriptor editor's list dialogs: named for tests, never the default button,
// calling slot in the dialog.
template <typename Slot>
QPushButton *ListDialogButton(QWidget *dialog, const QString &text, const QString &name, Slot slot)
{
    auto *b = new QPushButton(text, dialog);
    b->setObjectName(name);
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, dialog, slot);
    return b;
}

// Lays a list dialog out: the list, and beside it a column of buttons with close at the bottom.
void LayOutListDialog(QWidget *dialog, QWidget *list, const QList<QPushButton *> &buttons,
                      QPushButton *close);

class TTwoListChooser : public QDialog
{
    Q_OBJECT
public:
    TTwoListChooser(const QString &title, const QString &availableLabel, const QString &selectedLabel,
                    QWidget *parent = nullptr);

    // Fills both lists; available items that are also selected are offered only once, in the
    // selected list.
    void SetItems(const QStringList &available, const QStringList &selected);
    QStringList Selected() const;

    QListWidget *AvailableList() const { return m_available; }
    QListWidget *SelectedList() const { return m_selected; }

    // Moves the current item of one list to the other (or all of them).
    void SelectCurrent();
    void DeselectCurrent();
    void SelectAll();
    void DeselectAll();
    // Moves the current selected item up (-1) or down (+1).
    void MoveSelected(int delta);

    // Shows the chooser; true with the new selection on OK.
    static bool Execute(QWidget *parent, const QString &title, const QString &availableLabel,
                        const QString &selectedLabel, const QStringList &available, QStringList &selected);

private:
    static void moveItem(QListWidget *from, QListWidget *to, int row);

    QListWidget *m_available;
    QListWidget *m_selected;
};
