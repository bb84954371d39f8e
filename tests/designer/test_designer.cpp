// The designer's windows driven as a user drives them: the script editor, the
// expression builder with its pages and validation, the environment editor
// and the element settings dialogs.

#include "common/localesettings.h"
#include "common/prompt.h"
#include "common/screen.h"
#include "data/dataset.h"
#include "data/field.h"
#include "data/table.h"
#include "definition/designbands.h"
#include "definition/designelements.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "designer/elementsettings.h"
#include "designer/environmenteditor.h"
#include "designer/expressionbuilder.h"
#include "designer/scripteditform.h"
#include "expressions/environment.h"
#include "expressions/library.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Readable failure messages.
void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace
{

// Runs handler on the next modal window that opens (from inside its event loop).
void onNextModal(std::function<void(QWidget *)> handler)
{
    QWidget *before = QApplication::activeModalWidget();
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, before, handler] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == before)
            return;
        timer->stop();
        timer->deleteLater();
        handler(modal);
    });
    timer->start();
}

QPushButton *buttonIn(QWidget *w, const QString &caption)
{
    for (QPushButton *b : w->findChildren<QPushButton *>())
        if (b->text() == caption && b->isVisibleTo(w))
            return b;
    return nullptr;
}

void click(QWidget *w, const QString &caption)
{
    QPushButton *b = buttonIn(w, caption);
    ASSERT_TRUE(b) << caption.toStdString();
    QTest::mouseClick(b, Qt::LeftButton);
}

QStringList itemTexts(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

// Saves a window's picture when TABULON_SCREENSHOT_DIR names a directory (for looking at by hand).
void screenshot(QWidget *w, const QString &name)
{
    w->show();
    QApplication::processEvents();
    const QPixmap picture = w->grab();
    EXPECT_FALSE(picture.isNull());
    const QString dir = qEnvironmentVariable("TABULON_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(picture.save(dir + u'/' + name + QStringLiteral(".png")));
    }
}

class DesignerWindows : public ::testing::Test
{
protected:
    DesignerWindows()
    {
        LocaleSettings().Load(QStringLiteral("en_US"));
        report->SetName(QStringLiteral("Report"));
        loader->SetName(QStringLiteral("Loader"));
        detail = new TQRDesignBand(form.get());
        detail->SetName(QStringLiteral("Detail"));
        detail->SetBandType(QR::rbDetail);
        detail->SetParent(report);
        report->SetModified(false);
    }

    TScriptedPrompt prompt;
    TPromptGuard promptGuard{&prompt};
    std::unique_ptr<TForm> form = std::make_unique<TForm>();
    TQRDesignReport *report = new TQRDesignReport(form.get());
    TQRDLoader *loader = new TQRDLoader(form.get());
    TQRDesignBand *detail;
};

// --- Script editor ---

TEST_F(DesignerWindows, ScriptEditorPagesForReportAndBand)
{
    loader->SetScript({QStringLiteral("[Report.StartPage]"), QStringLiteral("SETVAR('a', 1)"),
                       QStringLiteral("SETVAR('b', 2)"), QStringLiteral("[Detail.AfterPrint]"),
                       QStringLiteral("RETURN(TRUE)")});
    TScriptEditForm reportEditor(loader, report, report);
    EXPECT_EQ(reportEditor.windowTitle(), QStringLiteral("Script"));
    QStringList captions;
    for (int i = 0; i < reportEditor.Tabs()->count(); ++i)
        captions << reportEditor.Tabs()->tabText(i);
    EXPECT_EQ(captions,
              (QStringList{"Before Print", "After Print", "After Preview", "On start page", "On end page"}));
    EXPECT_EQ(reportEditor.ScriptPages()[3].Edit->toPlainText(),
              QStringLiteral("SETVAR('a', 1)\nSETVAR('b', 2)"));
    EXPECT_TRUE(reportEditor.ScriptPages()[0].Edit->toPlainText().isEmpty());
    EXPECT_TRUE(buttonIn(reportEditor.Tabs()->widget(0), QStringLiteral("Insert expression ...")));

    TScriptEditForm bandEditor(loader, detail, report);
    ASSERT_EQ(bandEditor.Tabs()->count(), 2);
    EXPECT_EQ(bandEditor.Tabs()->tabText(1), QStringLiteral("After Print"));
    EXPECT_EQ(bandEditor.ScriptPages()[1].Edit->toPlainText(), QStringLiteral("RETURN(TRUE)"));
    screenshot(&reportEditor, QStringLiteral("script-editor"));
}

TEST_F(DesignerWindows, ScriptEditorConfirmRewritesSectionsAndMarksTheReport)
{
    const QStringList original = {QStringLiteral("[Detail.BeforePrint]"), QStringLiteral("RETURN(FALSE)"),
                                  QStringLiteral("[Detail.AfterPrint]"),  QStringLiteral("SETVAR('x', 1)"),
                                  QStringLiteral("[Report.EndPage]"),     QStringLiteral("SETVAR('y', 2)")};
    loader->SetScript(original);

    // Cancelling changes nothing.
    {
        TScriptEditForm editor(loader, detail, report);
        editor.ScriptPages()[0].Edit->setPlainText(QStringLiteral("changed"));
        editor.show();
        click(&editor, QStringLiteral("Cancel"));
        EXPECT_EQ(editor.result(), QDialog::Rejected);
    }
    EXPECT_EQ(loader->Script(), original);
    EXPECT_FALSE(report->Modified());

    // An emptied page loses its section, header included; an edited one moves to the end.
    TScriptEditForm editor(loader, detail, report);
    editor.ScriptPages()[0].Edit->clear();
    editor.ScriptPages()[1].Edit->setPlainText(QStringLiteral("SETVAR('x', 3)\nSETVAR('z', 4)"));
    editor.show();
    click(&editor, QStringLiteral("OK"));
    EXPECT_EQ(editor.result(), QDialog::Accepted);
    EXPECT_EQ(loader->Script(), (QStringList{"[Report.EndPage]", "SETVAR('y', 2)", "[Detail.AfterPrint]",
                                             "SETVAR('x', 3)", "SETVAR('z', 4)"}));
    EXPECT_TRUE(report->Modified());
}

TEST_F(DesignerWindows, ScriptEditorInsertsABuiltExpressionForTheSelection)
{
    loader->SetScript({QStringLiteral("[Detail.BeforePrint]"), QStringLiteral("SETFONTCOLOR('Label1', X)")});
    TScriptEditForm editor(loader, detail, report);
    QPlainTextEdit *edit = editor.ScriptPages()[0].Edit;
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(23);
    cursor.setPosition(24, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
    QString seen;
    onNextModal([&seen](QWidget *w) {
        auto *builder = qobject_cast<TQRDExpressionBuilder *>(w);
        ASSERT_TRUE(builder);
        seen = builder->ExpressionEdit()->toPlainText();
        builder->ExpressionEdit()->setPlainText(QStringLiteral("RED"));
        click(builder, QStringLiteral("OK"));
    });
    editor.show();
    click(editor.Tabs()->widget(0), QStringLiteral("Insert expression ..."));
    EXPECT_EQ(seen, QStringLiteral("X"));
    EXPECT_EQ(edit->toPlainText(), QStringLiteral("SETFONTCOLOR('Label1', RED)"));
}

// --- Expression builder ---

TEST_F(DesignerWindows, BuilderValidationMessages)
{
    TQRExpressionBuilder builder;
    EXPECT_EQ(builder.windowTitle(), QStringLiteral("Expression Wizard"));
    builder.Setup(QString(), QStringLiteral("''"), report, report->Functions());
    EXPECT_EQ(builder.HeadingLabel()->text(), QStringLiteral("Enter expression:"));
    EXPECT_EQ(builder.ExpressionEdit()->textCursor().selectedText(), QStringLiteral("''"));
    builder.show();
    click(&builder, QStringLiteral("Valida&te"));
    builder.ExpressionEdit()->setPlainText(QStringLiteral("1/0"));
    click(&builder, QStringLiteral("Valida&te"));
    builder.ExpressionEdit()->setPlainText(QStringLiteral("1.5 * 2 = 3"));
    click(&builder, QStringLiteral("Valida&te"));
    builder.ExpressionEdit()->setPlainText(QStringLiteral("[PAGENUMBER] + 2"));
    click(&builder, QStringLiteral("Valida&te"));
    ASSERT_EQ(prompt.Records().size(), 4);
    EXPECT_EQ(prompt.Records()[0].text, QStringLiteral("There are no errors. The result is : "));
    EXPECT_EQ(prompt.Records()[1].text, QStringLiteral("ERROR: Cannot divide by 0"));
    EXPECT_EQ(prompt.Records()[2].text, QStringLiteral("There are no errors. The result is : True"));
    EXPECT_EQ(prompt.Records()[3].text, QStringLiteral("There are no errors. The result is : 2"));
    // Validation leaves the environments as they were.
    EXPECT_FALSE(report->Functions()->IsEngaged());
}

TEST_F(DesignerWindows, BuilderMainPageEditing)
{
    TQRExpressionBuilder builder;
    builder.Setup(QStringLiteral("Print when:"), QStringLiteral("1"), report, nullptr);
    EXPECT_EQ(builder.HeadingLabel()->text(), QStringLiteral("Print when:"));
    screenshot(&builder, QStringLiteral("builder-main"));
    // The selected start text is replaced by what is inserted.
    click(&builder, QStringLiteral("<>"));
    EXPECT_EQ(builder.ExpressionEdit()->toPlainText(), QStringLiteral(" <> "));
    click(&builder, QStringLiteral("And"));
    EXPECT_EQ(builder.ExpressionEdit()->toPlainText(), QStringLiteral(" <>  And "));
    click(&builder, QStringLiteral("&Clear"));
    EXPECT_TRUE(builder.ExpressionEdit()->toPlainText().isEmpty());
    builder.ExpressionEdit()->setPlainText(QStringLiteral("1 +\r\n2\n+ 3"));
    EXPECT_EQ(builder.Expression(), QStringLiteral("1 +2+ 3"));
    click(&builder, QStringLiteral("OK"));
    EXPECT_EQ(builder.result(), QDialog::Accepted);
}

TEST_F(DesignerWindows, BuilderFunctionCategoriesAndArguments)
{
    TQRExpressionBuilder runtime;
    runtime.Setup(QString(), QString(), report, nullptr);
    runtime.show();
    click(&runtime, QStringLiteral("&Function"));
    EXPECT_EQ(runtime.Pages()->currentIndex(), TQRExpressionBuilder::FunctionPage);
    EXPECT_EQ(itemTexts(runtime.CategoryList()),
              (QStringList{"All", "Date & time", "Math & trig", "Statistical", "Database", "Logical",
                           "Information", "Other"}));
    // "All" follows the library's registration order and includes the colour constants.
    const QStringList all = itemTexts(runtime.FunctionList());
    EXPECT_EQ(all.size(), EvFunctionLibrary().Count());
    EXPECT_EQ(all, EvFunctionLibrary().Names());
    EXPECT_TRUE(all.contains(QStringLiteral("RED")));
    runtime.CategoryList()->setCurrentRow(7);
    const QStringList other = itemTexts(runtime.FunctionList());
    EXPECT_TRUE(other.contains(QStringLiteral("SETFONTCOLOR")));
    EXPECT_FALSE(other.contains(QStringLiteral("RED")));
    for (const QString &name : other)
        EXPECT_TRUE(EvFunctionLibrary().Find(name)->ArgumentSignature.startsWith(u'7')) << name.toStdString();
    runtime.CategoryList()->setCurrentRow(2);
    EXPECT_TRUE(itemTexts(runtime.FunctionList()).contains(QStringLiteral("ABS")));

    // A function with arguments opens the parameter page.
    runtime.CategoryList()->setCurrentRow(0);
    runtime.FunctionList()->setCurrentRow(int(all.indexOf(QStringLiteral("RGBCOLOR"))));
    EXPECT_EQ(runtime.SyntaxLabel()->text(), QStringLiteral("RGBCOLOR(<RED>,<GREEN>,<BLUE>)"));
    EXPECT_TRUE(runtime.SyntaxLabel()->font().bold());
    EXPECT_TRUE(runtime.ExplanationLabel()->text().startsWith(QStringLiteral("Converts RGB color values")));
    screenshot(&runtime, QStringLiteral("builder-functions"));
    click(&runtime, QStringLiteral("Continue"));
    EXPECT_EQ(runtime.Pages()->currentIndex(), TQRExpressionBuilder::ParameterPage);
    ASSERT_EQ(runtime.ArgumentLabels().size(), 3);
    EXPECT_EQ(runtime.ArgumentLabels()[0]->text(), QStringLiteral("Argument 1 - numeric value"));
    EXPECT_EQ(runtime.ArgumentLabels()[2]->text(), QStringLiteral("Argument 3 - numeric value"));
    screenshot(&runtime, QStringLiteral("builder-arguments"));

    // "..." nests a builder headed with the argument's number and the syntax.
    QString nestedHeading;
    onNextModal([&nestedHeading](QWidget *w) {
        auto *nested = qobject_cast<TQRExpressionBuilder *>(w);
        ASSERT_TRUE(nested);
        nestedHeading = nested->HeadingLabel()->text();
        nested->ExpressionEdit()->setPlainText(QStringLiteral("ABS(-1)"));
        click(nested, QStringLiteral("OK"));
    });
    QTest::mouseClick(runtime.ArgumentButtons()[0], Qt::LeftButton);
    EXPECT_EQ(nestedHeading, QStringLiteral("Enter 1. parameter for RGBCOLOR(<RED>,<GREEN>,<BLUE>)"));
    runtime.ArgumentEdits()[1]->setText(QStringLiteral("2"));
    runtime.ArgumentEdits()[2]->setText(QStringLiteral("3"));
    click(runtime.Pages()->currentWidget(), QStringLiteral("OK"));
    EXPECT_EQ(runtime.Pages()->currentIndex(), TQRExpressionBuilder::MainPage);
    EXPECT_EQ(runtime.ExpressionEdit()->toPlainText(), QStringLiteral("RGBCOLOR(ABS(-1),2,3)"));

    // A function without arguments is inserted by name.
    click(&runtime, QStringLiteral("&Function"));
    runtime.FunctionList()->setCurrentRow(int(all.indexOf(QStringLiteral("PAGENUMBER"))));
    click(runtime.Pages()->currentWidget(), QStringLiteral("Continue"));
    EXPECT_EQ(runtime.ExpressionEdit()->toPlainText(), QStringLiteral("RGBCOLOR(ABS(-1),2,3)PAGENUMBER"));

    // The argument captions of the other letters.
    click(&runtime, QStringLiteral("&Function"));
    runtime.FunctionList()->setCurrentRow(int(all.indexOf(QStringLiteral("SETFONTSTYLE"))));
    click(runtime.Pages()->currentWidget(), QStringLiteral("Continue"));
    ASSERT_EQ(runtime.ArgumentLabels().size(), 5);
    EXPECT_EQ(runtime.ArgumentLabels()[0]->text(), QStringLiteral("Argument 1 - text Value"));
    EXPECT_EQ(runtime.ArgumentLabels()[1]->text(), QStringLiteral("Argument 2 - logical value"));
    click(runtime.Pages()->currentWidget(), QStringLiteral("Cancel"));
    EXPECT_EQ(runtime.Pages()->currentIndex(), TQRExpressionBuilder::MainPage);

    // The designer's builder leaves out the colour constants.
    TQRDExpressionBuilder designer;
    designer.Setup(QString(), QString(), report, nullptr);
    designer.ShowPage(TQRExpressionBuilder::FunctionPage);
    const QStringList designerAll = itemTexts(designer.FunctionList());
    EXPECT_FALSE(designerAll.contains(QStringLiteral("RED")));
    EXPECT_FALSE(designerAll.contains(QStringLiteral("WHITE")));
    EXPECT_TRUE(designerAll.contains(QStringLiteral("RGBCOLOR")));
    EXPECT_EQ(designerAll.size(), all.size() - 15);
}

TEST_F(DesignerWindows, BuilderDatasetsAndFields)
{
    auto *table = new TTable(form.get());
    table->SetName(QStringLiteral("Customers"));
    auto addField = [](TTable *table, const QString &name, const QString &label, bool visible) {
        auto *f = new TStringField(table);
        f->SetName(table->Name() + name);
        f->SetFieldName(name);
        if (!label.isEmpty())
            f->SetDisplayLabel(label);
        f->SetVisible(visible);
        f->SetDataSet(table);
        return f;
    };
    addField(table, QStringLiteral("NAME"), QString(), true);
    addField(table, QStringLiteral("CITY"), QStringLiteral("Town"), true);
    addField(table, QStringLiteral("SECRET"), QString(), false);
    addField(table, QStringLiteral("HIDDEN"), QString(), true)->SetName(QStringLiteral("__Hidden"));
    auto *source = new TDataSource(form.get());
    source->SetName(QStringLiteral("CustomersSource"));
    source->SetDataSet(table);
    // A dataset behind a host data source, and one without visible fields, stay out.
    auto *hostTable = new TTable(form.get());
    hostTable->SetName(QStringLiteral("HostTable"));
    addField(hostTable, QStringLiteral("X"), QString(), true);
    auto *hostSource = new TDataSource(form.get());
    hostSource->SetName(QStringLiteral("__Host"));
    hostSource->SetDataSet(hostTable);
    auto *emptyTable = new TTable(form.get());
    emptyTable->SetName(QStringLiteral("Empty"));
    auto *emptySource = new TDataSource(form.get());
    emptySource->SetName(QStringLiteral("EmptySource"));
    emptySource->SetDataSet(emptyTable);

    TQRDExpressionBuilder designer;
    designer.Setup(QString(), QString(), report, nullptr);
    designer.show();
    click(&designer, QStringLiteral("&Database field"));
    EXPECT_EQ(itemTexts(designer.DatasetList()), QStringList{"Customers"});
    EXPECT_EQ(itemTexts(designer.FieldList()), (QStringList{"NAME", "CITY  (Town)"}));
    designer.FieldList()->setCurrentRow(1);
    screenshot(&designer, QStringLiteral("builder-fields"));
    click(designer.Pages()->currentWidget(), QStringLiteral("OK"));
    EXPECT_EQ(designer.ExpressionEdit()->toPlainText(), QStringLiteral("Customers.CITY"));

    // The run-time builder lists every dataset of the window and every field by name.
    TQRExpressionBuilder runtime;
    runtime.Setup(QString(), QString(), report, nullptr);
    runtime.ShowPage(TQRExpressionBuilder::FieldPage);
    EXPECT_EQ(itemTexts(runtime.DatasetList()), (QStringList{"Customers", "HostTable", "Empty"}));
    EXPECT_EQ(itemTexts(runtime.FieldList()), (QStringList{"NAME", "CITY", "SECRET", "HIDDEN"}));
}

TEST_F(DesignerWindows, BuilderVariablesAndTheEnvironmentEditor)
{
    report->Functions()->AddVariable(QStringLiteral("Total"), QStringLiteral("40 + 2"));
    TQRExpressionBuilder builder;
    builder.Setup(QString(), QString(), report, report->Functions());
    builder.show();
    click(&builder, QStringLiteral("&Variable"));
    const QStringList names = itemTexts(builder.VariableList());
    ASSERT_GE(names.size(), 4 + GlobalEvEnvironment().Count());
    EXPECT_EQ(names.mid(0, 4), (QStringList{"PAGENUMBER", "COLUMNNUMBER", "REPORTTITLE", "TOTAL"}));
    EXPECT_TRUE(names.contains(QStringLiteral("APPNAME")));
    builder.VariableList()->setCurrentRow(3);
    EXPECT_EQ(builder.VariableValueLabel()->text(), QStringLiteral("Value : 40 + 2"));

    // "&Modify variables" edits the local environment; the list follows.
    onNextModal([](QWidget *w) {
        auto *editor = qobject_cast<TQREnvironmentEditor *>(w);
        ASSERT_TRUE(editor);
        EXPECT_TRUE(editor->LocalChoice()->isChecked());
        click(editor, QStringLiteral("&Add"));
        editor->NewNameEdit()->setText(QStringLiteral("extra"));
        editor->NewExpressionEdit()->setText(QStringLiteral("1"));
        click(editor, QStringLiteral("&OK"));
        click(editor, QStringLiteral("Close"));
    });
    click(builder.Pages()->currentWidget(), QStringLiteral("&Modify variables"));
    EXPECT_TRUE(itemTexts(builder.VariableList()).contains(QStringLiteral("EXTRA")));
    builder.VariableList()->setCurrentRow(3);
    click(builder.Pages()->currentWidget(), QStringLiteral("OK"));
    EXPECT_EQ(builder.ExpressionEdit()->toPlainText(), QStringLiteral("TOTAL"));
}

// --- Environment editor ---

TEST_F(DesignerWindows, EnvironmentEditorAddEditTypeAndDelete)
{
    TQREvEnvironment local;
    local.AddVariable(QStringLiteral("A"), QStringLiteral("1"));
    TQREnvironmentEditor editor(&local);
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("User Defined Functions Edtor"));
    EXPECT_EQ(editor.Grid()->horizontalHeaderItem(0)->text(), QStringLiteral("Name"));
    EXPECT_EQ(editor.Grid()->horizontalHeaderItem(1)->text(), QStringLiteral("Expression"));
    editor.show();
    ASSERT_EQ(editor.Grid()->rowCount(), 1);

    // Adding, cancelled and confirmed; an existing name changes nothing.
    click(&editor, QStringLiteral("&Add"));
    EXPECT_TRUE(editor.NewEntryGroup()->isVisible());
    editor.NewNameEdit()->setText(QStringLiteral("nope"));
    click(&editor, QStringLiteral("&Cancel"));
    EXPECT_EQ(local.Count(), 1);
    click(&editor, QStringLiteral("&Add"));
    editor.NewNameEdit()->setText(QStringLiteral("b"));
    editor.NewExpressionEdit()->setText(QStringLiteral("[A] + 1"));
    click(&editor, QStringLiteral("&OK"));
    ASSERT_EQ(editor.Grid()->rowCount(), 2);
    EXPECT_EQ(editor.Grid()->item(1, 0)->text(), QStringLiteral("B"));
    click(&editor, QStringLiteral("&Add"));
    editor.NewNameEdit()->setText(QStringLiteral("B"));
    editor.NewExpressionEdit()->setText(QStringLiteral("2"));
    click(&editor, QStringLiteral("&OK"));
    EXPECT_EQ(local.Expression(1), QStringLiteral("[A] + 1"));
    screenshot(&editor, QStringLiteral("environment-editor"));

    // Typing: names in capitals, expressions replaced unless the environment is prepared.
    editor.Grid()->item(0, 0)->setText(QStringLiteral("first"));
    EXPECT_EQ(local.Name(0), QStringLiteral("FIRST"));
    EXPECT_EQ(editor.Grid()->item(0, 0)->text(), QStringLiteral("FIRST"));
    editor.Grid()->item(0, 1)->setText(QStringLiteral("5"));
    EXPECT_EQ(local.Expression(0), QStringLiteral("5"));
    local.Engage();
    editor.Grid()->item(0, 1)->setText(QStringLiteral("6"));
    EXPECT_EQ(local.Expression(0), QStringLiteral("5"));
    EXPECT_EQ(editor.Grid()->item(0, 1)->text(), QStringLiteral("5"));
    local.Disengage();

    // "&Edit" goes through the builder and applies the confirmed text.
    editor.Grid()->setCurrentCell(1, 0);
    onNextModal([](QWidget *w) {
        auto *builder = qobject_cast<TQRExpressionBuilder *>(w);
        ASSERT_TRUE(builder);
        EXPECT_EQ(builder->ExpressionEdit()->toPlainText(), QStringLiteral("[A] + 1"));
        builder->ExpressionEdit()->setPlainText(QStringLiteral("[FIRST] * 2"));
        click(builder, QStringLiteral("OK"));
    });
    click(&editor, QStringLiteral("&Edit"));
    EXPECT_EQ(local.Expression(1), QStringLiteral("[FIRST] * 2"));

    // "&Delete" removes the selected variable.
    editor.Grid()->setCurrentCell(0, 0);
    click(&editor, QStringLiteral("&Delete"));
    ASSERT_EQ(local.Count(), 1);
    EXPECT_EQ(local.Name(0), QStringLiteral("B"));
    EXPECT_EQ(editor.Grid()->rowCount(), 1);

    // The global choice shows the global environment.
    editor.GlobalChoice()->click();
    EXPECT_EQ(editor.Environment(), &GlobalEvEnvironment());
    EXPECT_EQ(editor.Grid()->rowCount(), GlobalEvEnvironment().Count());
}

TEST_F(DesignerWindows, EnvironmentEditorWithoutLocalOffersOnlyTheGlobal)
{
    TQREnvironmentEditor editor(nullptr);
    EXPECT_FALSE(editor.LocalChoice()->isEnabled());
    EXPECT_TRUE(editor.GlobalChoice()->isChecked());
    editor.ShowLocal(true);
    EXPECT_EQ(editor.Environment(), &GlobalEvEnvironment());
    // Deleting with nothing selected does nothing.
    const int count = GlobalEvEnvironment().Count();
    editor.DeleteRow(-1);
    EXPECT_EQ(GlobalEvEnvironment().Count(), count);
}

// --- Element settings ---

TEST_F(DesignerWindows, TextSettingsWriteBackOnOK)
{
    report->SetUnits(QRUnits::MM);
    auto *label = new TQRDesignLabel(form.get());
    label->SetParent(detail);
    label->SetCaption(QStringLiteral("Old"));
    label->SetAutoSize(false);
    TQRLabelSettingsDialog dialog(label);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Text Settings"));
    EXPECT_EQ(dialog.TextEdit()->toPlainText(), QStringLiteral("Old"));
    dialog.TextEdit()->setPlainText(QStringLiteral("New"));
    dialog.WidthEdit()->setValue(25);
    dialog.HeightEdit()->setValue(8);
    dialog.TransparentCheck()->setChecked(true);
    dialog.StretchCheck()->setChecked(true);
    screenshot(&dialog, QStringLiteral("text-settings"));
    click(&dialog, QStringLiteral("Cancel"));
    EXPECT_EQ(label->Caption(), QStringLiteral("Old"));
    dialog.show();
    click(&dialog, QStringLiteral("OK"));
    EXPECT_EQ(label->Caption(), QStringLiteral("New"));
    EXPECT_DOUBLE_EQ(label->Size()->NativeValue(TQRPrintableSize::WidthIndex), 250);
    EXPECT_DOUBLE_EQ(label->Size()->NativeValue(TQRPrintableSize::HeightIndex), 80);
    EXPECT_TRUE(label->Transparent());
    EXPECT_TRUE(label->AutoStretch());
    EXPECT_FALSE(label->AutoSize());
}

TEST_F(DesignerWindows, ExpressionSettingsWriteBackOnOK)
{
    auto *element = new TQRDesignExpr(form.get());
    element->SetParent(detail);
    element->SetExpression(QStringLiteral("1"));
    TQRExprSettingsDialog dialog(element);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Expression settings"));
    dialog.show();
    onNextModal([](QWidget *w) {
        auto *builder = qobject_cast<TQRExpressionBuilder *>(w);
        ASSERT_TRUE(builder);
        EXPECT_FALSE(qobject_cast<TQRDExpressionBuilder *>(w));
        builder->ExpressionEdit()->setPlainText(QStringLiteral("SUM(2)"));
        click(builder, QStringLiteral("OK"));
    });
    click(&dialog, QStringLiteral("..."));
    EXPECT_EQ(dialog.ExpressionEdit()->text(), QStringLiteral("SUM(2)"));
    EXPECT_EQ(element->Expression(), QStringLiteral("1"));
    dialog.MaskEdit()->setText(QStringLiteral("#,##0.00"));
    QFont font(QStringLiteral("Courier New"), 14);
    font.setBold(true);
    dialog.SetPendingFont(font, clRed);
    dialog.SetPendingBackground(clYellow);
    screenshot(&dialog, QStringLiteral("expression-settings"));
    click(&dialog, QStringLiteral("OK"));
    EXPECT_EQ(element->Expression(), QStringLiteral("SUM(2)"));
    EXPECT_EQ(element->Mask(), QStringLiteral("#,##0.00"));
    EXPECT_EQ(element->Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(element->Font()->Size(), 14);
    EXPECT_EQ(element->Font()->Style(), TFont::TFontStyles(TFont::fsBold));
    EXPECT_EQ(element->Font()->Color(), clRed);
    EXPECT_EQ(element->Color(), clYellow);
}

} // namespace
