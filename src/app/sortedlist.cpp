#include "app/sortedlist.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTreeWidget>

bool TNameSortedItem::operator<(const QTreeWidgetItem &other) const
{
    const int sorted = treeWidget() ? treeWidget()->sortColumn() : 0;
    const int column = sorted < 0 ? 0 : sorted;
    const QString a = text(column);
    const QString b = other.text(column);
    const int folded = a.compare(b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return a < b;
}

void TEditableSortedList::StartEditing(QTreeWidgetItem *item, int column)
{
    m_doubleClicked = false;
    editItem(item, column);
}

bool TEditableSortedList::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    // The delayed edit of a click on the selected item comes back with every trigger and no
    // event; after a double click it is dropped.
    if (m_doubleClicked && trigger == AllEditTriggers && !event)
        return false;
    const bool opened = QTreeWidget::edit(index, trigger, event);
    if (opened && state() == EditingState && isSortingEnabled() && !m_sortSuspended) {
        m_sortSuspended = true;
        setSorting(false);
    }
    return opened;
}

void TEditableSortedList::setSorting(bool on)
{
    // Turning sorting on also makes the header clickable and shows its indicator; the lists
    // keep their header as it was set up.
    const bool clickable = header()->sectionsClickable();
    const bool indicator = header()->isSortIndicatorShown();
    setSortingEnabled(on);
    header()->setSectionsClickable(clickable);
    header()->setSortIndicatorShown(indicator);
}

void TEditableSortedList::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTreeWidget::closeEditor(editor, hint);
    resortLater();
}

void TEditableSortedList::resortLater()
{
    if (m_resortPending || !m_sortSuspended)
        return;
    auto resort = [this] {
        m_resortPending = false;
        if (state() == EditingState)
            return; // another editor opened meanwhile; its closing re-sorts
        m_sortSuspended = false;
        setSorting(true);
        if (QTreeWidgetItem *item = currentItem())
            scrollToItem(item);
    };
    // Editing ended by a key re-sorts at once; editing ended by a click elsewhere re-sorts after
    // that click has selected the item under the pointer.
    if (QGuiApplication::mouseButtons() == Qt::NoButton) {
        resort();
        return;
    }
    m_resortPending = true;
    QMetaObject::invokeMethod(this, resort, Qt::QueuedConnection);
}

void TEditableSortedList::mousePressEvent(QMouseEvent *event)
{
    m_doubleClicked = false;
    QTreeWidget::mousePressEvent(event);
}

void TEditableSortedList::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_doubleClicked = true;
    QTreeWidget::mouseDoubleClickEvent(event);
}

void TElidedLabel::SetFullText(const QString &text)
{
    m_fullText = text;
    elide();
}

QSize TElidedLabel::minimumSizeHint() const
{
    // Any width will do: the text is elided to it.
    return {0, QLabel::minimumSizeHint().height()};
}

QSize TElidedLabel::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(m_fullText) + 2 * margin(), QLabel::sizeHint().height()};
}

void TElidedLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    elide();
}

void TElidedLabel::elide()
{
    const int room = contentsRect().width() - 2 * margin();
    const QString shown = fontMetrics().elidedText(m_fullText, Qt::ElideRight, std::max(room, 0));
    setText(shown);
    setToolTip(shown == m_fullText ? QString() : m_fullText);
}
