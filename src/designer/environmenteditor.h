#pragma once

// The environment editor ("User Defined Functions Edtor"): lists the
// variables of the local environment or of the global one and adds, edits,
// renames and deletes them.

#include <QDialog>
#include <functional>

class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTableWidgetItem;
class TQREvEnvironment;
class TQRExpressionBuilder;

class TQREnvironmentEditor : public QDialog
{
    Q_OBJECT
public:
    // local may be null: then only the global environment is offered.
    explicit TQREnvironmentEditor(TQREvEnvironment *local, QWidget *parent = nullptr);

    // Makes the builder that "..." and "&Edit" open (default: the run-time builder).
    void SetBuilderFactory(std::function<TQRExpressionBuilder *(QWidget *)> factory);

    // The environment the grid shows.
    TQREvEnvironment *Environment() const;
    // Switches between the local (true) and the global environment.
    void ShowLocal(bool local);
    // Reloads the grid from the environment.
    void Refresh();

    // "&Add": shows the new-entry group; "&OK" in it adds, "&Cancel" hides it.
    void BeginAdd();
    void ConfirmAdd();
    void CancelAdd();
    // "&Edit": the builder on the row's expression; a confirmed text is applied as if typed.
    void EditRow(int row);
    // "&Delete": removes the selected variable.
    void DeleteRow(int row);
    // The builder for the new entry's expression ("...").
    void BuildNewExpression();

    // Widgets, for the designer's tests.
    QTableWidget *Grid() const { return m_grid; }
    QRadioButton *LocalChoice() const { return m_localChoice; }
    QRadioButton *GlobalChoice() const { return m_globalChoice; }
    QGroupBox *NewEntryGroup() const { return m_newEntry; }
    QLineEdit *NewNameEdit() const { return m_newName; }
    QLineEdit *NewExpressionEdit() const { return m_newExpression; }

private:
    void cellChanged(QTableWidgetItem *item);
    // Runs a builder on text; true and the new text when confirmed.
    bool build(QString &text);

    TQREvEnvironment *m_local;
    bool m_showLocal;
    bool m_filling = false;
    std::function<TQRExpressionBuilder *(QWidget *)> m_builderFactory;
    QTableWidget *m_grid;
    QRadioButton *m_localChoice;
    QRadioButton *m_globalChoice;
    QGroupBox *m_newEntry;
    QLineEdit *m_newName;
    QLineEdit *m_newExpression;
};
