#pragma once

// The data field list: a small tool window beside the designer window with a
// tree of the report's datasets and their fields. Dragging a field onto the
// report creates a data field element there.

#include <QPointer>
#include <QTreeWidget>
#include <QWidget>

class TQRepDesigner;

// The tree: dragging a field node carries "dataset\nfield".
class TDatafieldTree : public QTreeWidget
{
    Q_OBJECT
public:
    explicit TDatafieldTree(QWidget *parent = nullptr);

protected:
    QMimeData *mimeData(const QList<QTreeWidgetItem *> &items) const override;
    QStringList mimeTypes() const override;
};

class TDatafieldList : public QWidget
{
    Q_OBJECT
public:
    // The window's width.
    static constexpr int WindowWidth = 160;

    TDatafieldList(TQRepDesigner *designer, QWidget *designerWindow);

    // The tree named "DatafieldListbox".
    QTreeWidget *Tree() const { return m_tree; }
    // Fills the tree from the report's datasets (names in upper case, fields by
    // display label, sorted when the designer says so, filtered by OnShowDatafield).
    void Refill();
    // Places the window 20 pixels left of the designer window's right edge (of
    // the screen's when it is maximised) and 50 pixels below its top.
    void Place();
    // Shown when the designer wants the list and the tree is not empty.
    void UpdateVisibility();

private:
    TQRepDesigner *m_designer;
    QPointer<QWidget> m_window;
    TDatafieldTree *m_tree;
};
