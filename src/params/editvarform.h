#pragma once

// The binding editor "Query parameter" / "Report label": name, source (constant, INI value or
// control field) and, for query parameters, the data type.

#include "params/macroform.h"
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
    QLineEdit *FileEdit() const { return m_source.File; }
    QLineEdit *VariableEdit() const { return m_source.Variable; }
    QPushButton *VariableButton() const { return m_source.Browse; }
    QComboBox *ControlBox() const { return m_source.Controls; }
    QComboBox *FieldBox() const { return m_source.Field; }
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
    TSourceEditors m_source;
    QComboBox *m_type = nullptr;
    QPushButton *m_ok;
};
