#pragma once

// The macro builder "Macros generator": builds the text of a TABLE filter macro, either an INI
// value ("ini.<file>,<section>,<key>") or a control's field ("<control>.Text"/".Value").

#include <QDialog>

class QComboBox;
class QFormLayout;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The filter of the file fields of the macro builder and the binding editor.
QString ProfileFileFilter();
// Asks for a profile file with that filter, "INI - файлы" preselected; empty when cancelled.
QString ChooseProfileFile(QWidget *parent, const QString &current);

// The source editors the macro builder and the binding editor share: a profile file with its
// "..." button and a variable chosen from its lists, or a control and its field. Built as
// children of parent, with the buttons already asking through dialog.
struct TSourceEditors {
    TSourceEditors(QWidget *parent, QWidget *dialog, const QStringList &controls);
    // Enables the profile editors (the variable only once a file is named) or the control ones.
    void SetEnabled(bool ini, bool control) const;
    // Adds the file row and the variable row to a form, their captions naming the edits.
    void AddProfileRows(QFormLayout *form, const QString &fileCaption, const QString &variableCaption) const;

    QLineEdit *File;          // the profile file
    QPushButton *FileButton;  // asks for the file
    QLineEdit *Variable;      // the variable in it
    QPushButton *Browse;      // chooses the variable from the file's lists
    QComboBox *Controls;      // the control
    QComboBox *Field;         // "Text" or "Value"
    QHBoxLayout *FileRow;     // the file and its button, for a form row
    QHBoxLayout *VariableRow; // the variable and its button, for a form row
};

class TMacroForm : public QDialog
{
    Q_OBJECT
public:
    explicit TMacroForm(const QStringList &controls, QWidget *parent = nullptr);

    QRadioButton *IniChoice() const { return m_ini; }
    QRadioButton *ControlChoice() const { return m_control; }
    QLineEdit *FileEdit() const { return m_source.File; }
    QLineEdit *VariableEdit() const { return m_source.Variable; }
    QPushButton *VariableButton() const { return m_source.Browse; }
    QComboBox *ControlBox() const { return m_source.Controls; }
    QComboBox *FieldBox() const { return m_source.Field; }
    // The macro text as OK returns it.
    QString Result() const;

    // Shows the builder; its text on OK, an empty text on Cancel.
    static QString Execute(QWidget *parent, const QStringList &controls);

private:
    void updateEnabled();

    QRadioButton *m_ini;
    QRadioButton *m_control;
    TSourceEditors m_source;
};
