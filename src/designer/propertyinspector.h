#pragma once

// The property inspector: every published property of the single selected
// control, grouped by embedded object (Font, Frame, Size), editable in
// place (a check box for Booleans, a list for enumerations, text for the
// rest). Every change goes through the controller as a changing command.

#include <QPointer>
#include <QTreeWidget>

class QObject;
class TComponent;
class TQRepDesigner;

class TPropertyInspector : public QTreeWidget
{
    Q_OBJECT
public:
    explicit TPropertyInspector(TQRepDesigner *designer, QWidget *parent = nullptr);

    // Shows component's properties (null: none); the same component only refreshes the values.
    void SetComponent(TComponent *component);
    TComponent *Component() const { return m_component; }
    // The row of a dotted property path ("Font.Name"), or null.
    QTreeWidgetItem *Row(const QString &path) const;
    // Writes text into the property at path, as typing it in does; false when it is refused.
    bool Edit(const QString &path, const QString &text);

private:
    void fill(QTreeWidgetItem *parent, QObject *holder, const QString &prefix, int depth);
    void refreshValues();
    void itemEdited(QTreeWidgetItem *item, int column);

    TQRepDesigner *m_designer;
    QPointer<TComponent> m_component;
    bool m_filling = false;
};
