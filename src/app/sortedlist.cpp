#include "app/sortedlist.h"

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
