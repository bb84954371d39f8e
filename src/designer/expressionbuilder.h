#pragma once

// The expression builder ("Expression Wizard"): composes an expression from
// database fields, functions and variables on five pages and validates it.
// TQRExpressionBuilder works for a printable element at run time;
// TQRDExpressionBuilder is the designer's, which hides host components and
// the colour constants.

#include "expressions/value.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;
class TComponent;
class TDataSet;
class TQREvEnvironment;
struct TQRLibraryEntry;

class TQRExpressionBuilder : public QDialog
{
    Q_OBJECT
public:
    // The pages, in their order in the page stack.
    enum TBuilderPage { MainPage, FieldPage, FunctionPage, ParameterPage, VariablePage };

    explicit TQRExpressionBuilder(QWidget *parent = nullptr);

    // heading replaces "Enter expression:" when not empty; element (or designer root) decides
    // the datasets; local is the local environment (may be null).
    void Setup(const QString &heading, const QString &expression, TComponent *element,
               TQREvEnvironment *local);
    // Shows the builder modally; true when the user confirmed.
    bool Execute();
    // The expression text with every CR LF pair removed.
    QString Expression() const;

    // The datasets offered on the field page, by the names shown there.
    virtual QList<QPair<QString, TDataSet *>> AvailableDatasets() const;
    // The field list of a dataset: shown text and the field name that OK inserts.
    virtual QList<QPair<QString, QString>> DatasetFields(TDataSet *dataSet) const;
    // Whether a function of the library appears under "All".
    virtual bool ListsFunction(const TQRLibraryEntry &entry) const;

    // Computes the text once and gives the message "Valida&te" shows.
    QString ValidationMessage() const;
    // The message text for a computed value.
    static QString ValidationText(const TQREvValue &value);
    // The page captions of the function categories, numbered from 0.
    static QStringList FunctionCategories();

    // Widgets, reachable for the designer's tests and for embedding.
    QLabel *HeadingLabel() const { return m_heading; }
    QPlainTextEdit *ExpressionEdit() const { return m_edit; }
    QStackedWidget *Pages() const { return m_pages; }
    QListWidget *DatasetList() const { return m_datasetList; }
    QListWidget *FieldList() const { return m_fieldList; }
    QListWidget *CategoryList() const { return m_categoryList; }
    QListWidget *FunctionList() const { return m_functionList; }
    QLabel *SyntaxLabel() const { return m_syntax; }
    QLabel *ExplanationLabel() const { return m_explanation; }
    QListWidget *VariableList() const { return m_variableList; }
    QLabel *VariableValueLabel() const { return m_variableValue; }
    // The argument rows' labels and edit lines on the parameter page.
    QList<QLabel *> ArgumentLabels() const { return m_argLabels; }
    QList<QLineEdit *> ArgumentEdits() const { return m_argEdits; }
    QList<QPushButton *> ArgumentButtons() const { return m_argButtons; }
    // The button of the main page with that caption, or null.
    QPushButton *Button(const QString &caption) const;

    // Inserts text at the cursor in place of the selection.
    void InsertText(const QString &text);
    // Page actions the buttons run.
    void ShowPage(TBuilderPage page);
    void AcceptField();      // field page OK
    void ContinueFunction(); // function page "Continue"
    void AcceptParameters(); // parameter page OK
    void AcceptVariable();   // variable page OK
    void Validate();         // "Valida&te"
    void ModifyVariables();  // "&Modify variables"
    // Opens a nested builder for argument index (0-based).
    void EditArgument(int index);

protected:
    // A new builder of the same kind, for nested arguments and the environment editor.
    virtual TQRExpressionBuilder *NewBuilder(QWidget *parent) const;
    // The datasets computed expressions may read.
    QList<TDataSet *> ValidationDatasets() const;
    TComponent *Element() const;
    // The component whose components are the window's.
    TComponent *Window() const;

private:
    void buildMainPage();
    void buildFieldPage();
    void buildFunctionPage();
    void buildParameterPage();
    void buildVariablePage();
    void fillDatasets();
    void fillFields();
    void fillFunctions();
    void fillVariables();
    void showFunction();
    void showVariable();
    const TQRLibraryEntry *selectedFunction() const;

    QPointer<TComponent> m_element;
    TQREvEnvironment *m_local = nullptr;
    QLabel *m_heading;
    QPlainTextEdit *m_edit;
    QStackedWidget *m_pages;
    QList<QPushButton *> m_mainButtons;
    QListWidget *m_datasetList;
    QListWidget *m_fieldList;
    QListWidget *m_categoryList;
    QListWidget *m_functionList;
    QLabel *m_syntax;
    QLabel *m_explanation;
    QWidget *m_argumentBox;
    QVBoxLayout *m_argumentLayout;
    QLabel *m_parameterTitle;
    QList<QLabel *> m_argLabels;
    QList<QLineEdit *> m_argEdits;
    QList<QPushButton *> m_argButtons;
    QString m_parameterFunction;
    QString m_parameterSyntax;
    QListWidget *m_variableList;
    QLabel *m_variableValue;
};

class TQRDExpressionBuilder : public TQRExpressionBuilder
{
    Q_OBJECT
public:
    explicit TQRDExpressionBuilder(QWidget *parent = nullptr);

    QList<QPair<QString, TDataSet *>> AvailableDatasets() const override;
    QList<QPair<QString, QString>> DatasetFields(TDataSet *dataSet) const override;
    bool ListsFunction(const TQRLibraryEntry &entry) const override;

protected:
    TQRExpressionBuilder *NewBuilder(QWidget *parent) const override;
};
