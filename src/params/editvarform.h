#pragma once

// The binding editor "Query parameter" / "Report label": name, source (constant, INI value or
// control field) and, for query parameters, the data type.

#include "params/model/editormodel.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TEditVarForm : public QDialog
{
    Q_OBJECT
public:
    TEditVarForm(const TVarRec &binding, const QStringList &controls, QWidget *parent = nullptr);

    QLineEdit *NameEdit() const { return m_name; }
    QRadioButton *ConstantChoice() const { return m_constant; }
    QRadioButton *IniChoice() const { return m_ini; }
    QRadioButton *ControlChoice() const { return m_control; }
    QLineEdit *ValueEdit() const { return m_value; }
    QLineEdit *FileEdit() const { return m_file; }
    QLineEdit *VariableEdit() const { return m_variable; }
    QPushButton *VariableButton() const { return m_browse; }
    QComboBox *ControlBox() const { return m_controls; }
    QComboBox *FieldBox() const { return m_field; }
    QComboBox *TypeBox() const { return m_type; } // null for labels
    QPushButton *OkButton() const { return m_ok; }

    // The binding as OK stores it.
    TVarRec Result() const;

    // Edits the binding; true (and the binding replaced) on OK.
    static bool Execute(QWidget *parent, TVarRec &binding, const QStringList &controls);

private:
    void updateEnabled();

    TVarRec m_binding;
    QLineEdit *m_name;
    QRadioButton *m_constant;
    QRadioButton *m_ini;
    QRadioButton *m_control;
    QLineEdit *m_value;
    QLineEdit *m_file;
    QPushButton *m_fileButton;
    QLineEdit *m_variable;
    QPushButton *m_browse;
    QComboBox *m_controls;
    QComboBox *m_field;
    QComboBox *m_type = nullptr;
    QPushButton *m_ok;
};
