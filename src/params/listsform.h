#pragma once

// The profile-file browser "Review ": the sections of a file and the keys of the chosen section;
// its answer is "<section>,<key>".

#include <QDialog>

class QListWidget;
class QPushButton;

class TListsForm : public QDialog
{
    Q_OBJECT
public:
    explicit TListsForm(const QString &fileName, QWidget *parent = nullptr);

    QListWidget *Sections() const { return m_sections; }
    QListWidget *Variables() const { return m_variables; }
    QPushButton *OkButton() const { return m_ok; }
    // "<section>,<key>" of the chosen key, empty when none is chosen.
    QString Answer() const;

    // Shows the browser on a file; the answer on OK, an empty text on Cancel.
    static QString Execute(QWidget *parent, const QString &fileName);

private:
    void showSection();

    QString m_fileName;
    QListWidget *m_sections;
    QListWidget *m_variables;
    QPushButton *m_ok;
};
