#pragma once

// The macro builder "Macros generator": builds the text of a TABLE filter macro, either an INI
// value ("ini.<file>,<section>,<key>") or a control's field ("<control>.Text"/".Value").

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The filter of the file fields of the macro builder and the binding editor.
QString ProfileFileFilter();
// Asks for a profile file with that filter, "INI - файлы" preselected; empty when cancelled.
QString ChooseProfileFile(QWidget *parent, const QString &current);

class TMacroForm : public QDialog
{
    Q_OBJECT
public:
    explicit TMacroForm(const QStringList &controls, QWidget *parent = nullptr);

    QRadioButton *IniChoice() const { return m_ini; }
    QRadioButton *ControlChoice() const { return m_control; }
    QLineEdit *FileEdit() const { return m_file; }
    QLineEdit *VariableEdit() const { return m_variable; }
    QPushButton *VariableButton() const { return m_browse; }
    QComboBox *ControlBox() const { return m_controls; }
    QComboBox *FieldBox() const { return m_field; }
    // The macro text as OK returns it.
    QString Result() const;

    // Shows the builder; its text on OK, an empty text on Cancel.
    static QString Execute(QWidget *parent, const QStringList &controls);

private:
    void updateEnabled();

    QRadioButton *m_ini;
    QRadioButton *m_control;
    QLineEdit *m_file;
    QPushButton *m_fileButton;
    QLineEdit *m_variable;
    QPushButton *m_browse;
    QComboBox *m_controls;
    QComboBox *m_field;
};
