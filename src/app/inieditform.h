#pragma once

// "Reports list": the catalogue editor. Groups on the left, the selected
// group's reports on the right, both sorted by name and editable in place.
// Every change goes to the file at once.

#include "app/catalogue.h"
#include "app/sortedlist.h"

#include <QDialog>

class QAction;
class QLabel;
class QPushButton;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;

class TIniEditForm : public QDialog
{
    Q_OBJECT
public:
    explicit TIniEditForm(const QString &fileName, QWidget *parent = nullptr);
    ~TIniEditForm() override;

    // The file the editor works on: the first command-line argument when there
    // is one, else the catalogue of the program directory, found by the same
    // lookup as the menus use (TCatalogue::ProgramCatalogue).
    static QString CatalogueFileName(const QStringList &arguments);

    // Creates the editor on that file, shows it modally and destroys it.
    static void Execute(QWidget *parent, const QString &fileName);

    QString FileName() const { return m_catalogue.FileName(); }

    // The selected group (empty when none) and the report list's rows.
    QString SelectedGroup() const;
    QStringList GroupNames() const;               // in list order
    QList<TCatalogueReport> ShownReports() const; // in list order

    QTreeWidget *GroupList() const { return m_groups; }
    QTreeWidget *ReportList() const { return m_reports; }
    QLabel *GroupLabel() const { return m_groupLabel; }
    QSplitter *Splitter() const { return m_splitter; }

    QAction *AddGroupAction() const { return m_addGroup; }
    QAction *EditGroupAction() const { return m_editGroup; }
    QAction *DeleteGroupAction() const { return m_deleteGroup; }
    QAction *AddReportAction() const { return m_addReport; }
    QAction *EditReportAction() const { return m_editReport; }
    QAction *DeleteReportAction() const { return m_deleteReport; }

    // Selects a group by name (case ignored); false when there is none.
    bool SelectGroup(const QString &name);
    bool SelectReport(const QString &key);

public Q_SLOTS:
    void AddGroup();
    void EditGroup();
    void DeleteGroup();
    void AddReport();
    void EditReport();
    void DeleteReport();

protected:
    void done(int result) override;

private:
    void groupSelectionChanged();
    void groupItemChanged(QTreeWidgetItem *item, int column);
    void reportItemChanged(QTreeWidgetItem *item, int column);
    void updateReportCommands();

    QTreeWidgetItem *selectedGroupItem() const;
    QTreeWidgetItem *selectedReportItem() const;
    QTreeWidgetItem *findGroupItem(const QString &name) const;
    QTreeWidgetItem *findReportItem(const QString &key, const QTreeWidgetItem *except = nullptr) const;
    QTreeWidgetItem *addGroupItem(const QString &name);
    QTreeWidgetItem *addReportItem(const TCatalogueReport &report);
    void setReportItem(QTreeWidgetItem *item, const TCatalogueReport &report);
    QString fileSpelling(const QString &key, const QTreeWidgetItem *except) const;
    void removeOtherReportItems(const QString &key, const QTreeWidgetItem *keep);
    QList<TCatalogueReport> reportsInListOrder(const QString &group) const;
    void showError(const QString &message);

    TCatalogue m_catalogue;
    TEditableSortedList *m_groups;
    TEditableSortedList *m_reports;
    QSplitter *m_splitter;
    TElidedLabel *m_groupLabel;
    QPushButton *m_close;
    QAction *m_addGroup;
    QAction *m_editGroup;
    QAction *m_deleteGroup;
    QAction *m_addReport;
    QAction *m_editReport;
    QAction *m_deleteReport;
    QString m_shownGroup; // the group whose reports the right pane shows
    int m_updating = 0;   // >0 while the lists are changed by the program
};
