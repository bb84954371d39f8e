#pragma once

// The two-list chooser: items move between an "available" and a "selected" list; the result is
// the selected list in its order.

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QPushButton;

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
