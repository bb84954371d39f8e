#include "designer/datafieldlist.h"

#include "data/dataset.h"
#include "data/field.h"
#include "definition/designreport.h"
#include "designer/designcanvas.h"
#include "designer/repdesigner.h"

#include <QMimeData>
#include <QScreen>
#include <QVBoxLayout>

TDatafieldTree::TDatafieldTree(QWidget *parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("DatafieldListbox"));
    setHeaderHidden(true);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
}

QStringList TDatafieldTree::mimeTypes() const
{
    return {TDesignCanvas::DatafieldMimeType()};
}

QMimeData *TDatafieldTree::mimeData(const QList<QTreeWidgetItem *> &items) const
{
    if (items.isEmpty() || !items.first()->parent())
        return nullptr;
    QTreeWidgetItem *item = items.first();
    auto *data = new QMimeData;
    data->setData(TDesignCanvas::DatafieldMimeType(), (item->parent()->data(0, Qt::UserRole).toString() +
                                                       "\n" + item->data(0, Qt::UserRole).toString())
                                                          .toUtf8());
    return data;
}

TDatafieldList::TDatafieldList(TQRepDesigner *designer, QWidget *designerWindow)
    : QWidget(designerWindow, Qt::Tool | Qt::WindowStaysOnTopHint), m_designer(designer),
      m_window(designerWindow), m_tree(new TDatafieldTree(this))
{
    setObjectName(QStringLiteral("DatafieldList"));
    setWindowTitle(designer->Text(QStringLiteral("Datafield")));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    resize(WindowWidth, 300);
}

void TDatafieldList::Refill()
{
    m_tree->clear();
    TQRDesignReport *report = m_designer->QReport();
    TComponent *owner = m_designer->Owner();
    if (report && report->Owner())
        owner = report->Owner();
    if (!owner)
        return;
    for (TComponent *c : owner->ComponentList()) {
        auto *dataSet = qobject_cast<TDataSet *>(c);
        if (!dataSet)
            continue;
        auto *node = new QTreeWidgetItem(m_tree, {dataSet->Name().toUpper()});
        node->setData(0, Qt::UserRole, dataSet->Name());
        QStringList fieldNames;
        QList<TField *> fields = dataSet->FieldList();
        for (TField *f : fields) {
            bool show = true;
            if (m_designer->OnShowDatafield)
                m_designer->OnShowDatafield(f, show);
            if (!show)
                continue;
            auto *child =
                new QTreeWidgetItem(node, {f->DisplayLabel().isEmpty() ? f->FieldName() : f->DisplayLabel()});
            child->setData(0, Qt::UserRole, f->FieldName());
        }
        if (m_designer->DatafieldsSorted)
            node->sortChildren(0, Qt::AscendingOrder);
    }
    m_tree->expandAll();
    UpdateVisibility();
}

void TDatafieldList::Place()
{
    if (!m_window)
        return;
    QRect outer = m_window->frameGeometry();
    if (m_window->isMaximized() && m_window->screen())
        outer = m_window->screen()->geometry();
    move(outer.right() - 20 - width(), outer.top() + 50);
}

void TDatafieldList::UpdateVisibility()
{
    const bool wanted = m_designer->ShowDatafieldListbox && m_tree->topLevelItemCount() > 0;
    if (wanted && m_window && m_window->isVisible()) {
        Place();
        show();
    } else if (!wanted) {
        hide();
    }
}
