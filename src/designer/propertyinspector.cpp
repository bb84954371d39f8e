#include "designer/propertyinspector.h"

#include "common/component.h"
#include "common/properties.h"
#include "designer/repdesigner.h"

#include <QComboBox>
#include <QHeaderView>
#include <QMetaEnum>

namespace
{
constexpr int PathRole = Qt::UserRole;
constexpr int CheckRole = Qt::UserRole + 1; // a Boolean shown as a check box

QTreeWidgetItem *findRow(QTreeWidgetItem *item, const QString &path)
{
    if (item->data(0, PathRole).toString().compare(path, Qt::CaseInsensitive) == 0)
        return item;
    for (int i = 0; i < item->childCount(); ++i)
        if (QTreeWidgetItem *found = findRow(item->child(i), path))
            return found;
    return nullptr;
}
} // namespace

TPropertyInspector::TPropertyInspector(TQRepDesigner *designer, QWidget *parent)
    : QTreeWidget(parent), m_designer(designer)
{
    setObjectName(QStringLiteral("PropertyInspector"));
    setColumnCount(2);
    setHeaderLabels({tr("Property"), tr("Value")});
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::SelectedClicked);
    connect(this, &QTreeWidget::itemChanged, this, &TPropertyInspector::itemEdited);
}

void TPropertyInspector::SetComponent(TComponent *component)
{
    if (component == m_component && component) {
        refreshValues();
        return;
    }
    m_filling = true;
    clear();
    m_component = component;
    if (component)
        fill(invisibleRootItem(), component, QString(), 0);
    expandAll();
    m_filling = false;
}

void TPropertyInspector::fill(QTreeWidgetItem *parent, QObject *holder, const QString &prefix, int depth)
{
    for (const TPropInfo &info : PublishedProperties(holder)) {
        const QString path = prefix + info.Name();
        auto *row = new QTreeWidgetItem(parent, {info.Name()});
        row->setData(0, PathRole, path);
        if (info.Kind == TPropKind::Object) {
            if (QObject *embedded = info.Property.read(holder).value<QObject *>(); embedded && depth < 3)
                fill(row, embedded, path + QLatin1Char('.'), depth + 1);
            continue;
        }
        const bool writable = info.Writable() && info.Kind != TPropKind::Other;
        if (info.Kind == TPropKind::Boolean) {
            row->setData(0, CheckRole, true);
            if (!writable)
                row->setFlags(row->flags() & ~Qt::ItemIsEnabled);
        } else if (info.Kind == TPropKind::Enumeration && writable) {
            auto *combo = new QComboBox(this);
            const QMetaEnum e = info.Property.enumerator();
            for (int i = 0; i < e.keyCount(); ++i)
                combo->addItem(QString::fromLatin1(e.key(i)));
            setItemWidget(row, 1, combo);
            connect(combo, &QComboBox::textActivated, this,
                    [this, path](const QString &text) { Edit(path, text); });
        } else if (writable) {
            row->setFlags(row->flags() | Qt::ItemIsEditable);
        }
    }
    if (parent == invisibleRootItem())
        refreshValues();
}

void TPropertyInspector::refreshValues()
{
    if (!m_component)
        return;
    const bool was = m_filling;
    m_filling = true;
    QList<QTreeWidgetItem *> pending{invisibleRootItem()};
    while (!pending.isEmpty()) {
        QTreeWidgetItem *item = pending.takeLast();
        for (int i = 0; i < item->childCount(); ++i)
            pending.append(item->child(i));
        const QString path = item->data(0, PathRole).toString();
        if (path.isEmpty() || item->childCount() > 0)
            continue;
        TPropInfo info;
        if (!ResolvePropertyPath(m_component, path, &info) || info.Kind == TPropKind::Object)
            continue;
        const QString text = GetPropertyText(m_component, path);
        if (item->data(0, CheckRole).toBool())
            item->setCheckState(1, text == QLatin1String("True") ? Qt::Checked : Qt::Unchecked);
        else if (auto *combo = qobject_cast<QComboBox *>(itemWidget(item, 1)))
            combo->setCurrentText(text);
        else
            item->setText(1, text);
    }
    m_filling = was;
}

QTreeWidgetItem *TPropertyInspector::Row(const QString &path) const
{
    return findRow(invisibleRootItem(), path);
}

bool TPropertyInspector::Edit(const QString &path, const QString &text)
{
    if (!m_component)
        return false;
    if (GetPropertyText(m_component, path) == text)
        return true;
    m_designer->TakeSnapshot();
    const bool ok = SetPropertyText(m_component, path, text);
    refreshValues();
    m_designer->UpdateInfoPanel();
    m_designer->UpdatePropertyStrip();
    if (m_designer->OnRepaint)
        m_designer->OnRepaint();
    return ok;
}

void TPropertyInspector::itemEdited(QTreeWidgetItem *item, int column)
{
    if (m_filling || column != 1)
        return;
    const QString path = item->data(0, PathRole).toString();
    if (item->data(0, CheckRole).toBool())
        Edit(path, item->checkState(1) == Qt::Checked ? QStringLiteral("True") : QStringLiteral("False"));
    else if (!Edit(path, item->text(1)))
        refreshValues(); // a refused value shows the property's value again
}
