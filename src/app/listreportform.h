#pragma once

// "Available reports": the launcher that lists one catalogue group's reports
// in file order and starts them.

#include <QDialog>

#include <memory>

class QAction;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TReportDesignerDialog;

class TListReportForm : public QDialog
{
    Q_OBJECT
public:
    // catalogueFile is a bare file name looked up in the program directory.
    TListReportForm(const QString &catalogueFile, const QString &group, QWidget *parent = nullptr);
    ~TListReportForm() override;

    // Creates the launcher, shows it modally and destroys it when it closes.
    static void Execute(QWidget *parent, const QString &catalogueFile, const QString &group);

    QString CatalogueFile() const { return m_catalogueFile; }
    QString Group() const { return m_group; }

    // Reads the group's reports into the list (done on every show). False when
    // the group has none: the list is then replaced by "Reports not found!".
    bool FillList();

    // The selected row's report name (key) and description; empty when none.
    QString SelectedReport() const;
    QString SelectedDescription() const;

    QTreeWidget *List() const { return m_list; }
    QLabel *NotFoundLabel() const { return m_notFound; }
    QPushButton *StartButton() const { return m_start; } // null when reports cannot be started
    QPushButton *CloseButton() const { return m_close; }
    QAction *EditReportAction() const { return m_editReport; }
    // The run-time component "Edit report" opens the designer through (undo enabled).
    TReportDesignerDialog *DesignerDialog() const { return m_designerDialog.get(); }
    QAction *EditDialogAction() const { return m_editDialog; } // null until the descriptor editor exists

    // The file "Edit report" opens for a report name.
    static QString ReportFileName(const QString &reportName);

public Q_SLOTS:
    void StartReport();
    void EditReport();
    void EditDialog();

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    QTreeWidgetItem *selectedRow() const;

    QString m_catalogueFile;
    QString m_group;
    QTreeWidget *m_list;
    QLabel *m_notFound;
    QPushButton *m_start = nullptr;
    QPushButton *m_close;
    std::unique_ptr<TReportDesignerDialog> m_designerDialog;
    QAction *m_editReport = nullptr;
    QAction *m_editDialog = nullptr;
};
