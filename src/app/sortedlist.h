#pragma once

// Helpers shared by the shell's list views.

#include <QLabel>
#include <QStyledItemDelegate>
#include <QTreeWidget>
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

// A sorted list whose items are edited in place.
//
// A double click is a command of its own: the click before it on a selected
// item must not open an editor later (it would otherwise open while the
// command's dialog is up and stay open after it). While an editor is open the
// list does not re-sort, so that a click which ends the editing selects the
// item that was under the pointer; it re-sorts right after.
class TEditableSortedList : public QTreeWidget
{
public:
    using QTreeWidget::QTreeWidget;
    // Opens the in-place editor on the item at once (a command, not a click).
    void StartEditing(QTreeWidgetItem *item, int column = 0);

protected:
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void setSorting(bool on);
    void resortLater();

    bool m_doubleClicked = false; // since the last single press
    bool m_sortSuspended = false; // by an open editor
    bool m_resortPending = false;
};

// A one-line label that shows as much of its text as fits, ending in "...",
// with the whole text as its tooltip when it is cut.
class TElidedLabel : public QLabel
{
public:
    using QLabel::QLabel;
    // The whole text; what the label shows is this text elided to its width.
    void SetFullText(const QString &text);
    QString FullText() const { return m_fullText; }
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void elide();

    QString m_fullText;
};
