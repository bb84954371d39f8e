#pragma once

// Helpers shared by the shell's list views.

#include <QStyledItemDelegate>
#include <QTreeWidgetItem>

// An item that sorts by its text without regard to letter case (the way
// group names and report keys are matched), exact spelling breaking ties.
class TNameSortedItem : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem &other) const override;
};

// A column whose cells cannot be edited in place.
class TReadOnlyDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return nullptr;
    }
};
