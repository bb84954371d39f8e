#include "editortest.h"

#include "params/chooser.h"
#include "params/editvarform.h"
#include "params/listsform.h"
#include "params/macroform.h"
#include "params/orderform.h"
#include "params/propform.h"
#include "params/varform.h"

#include "common/profile.h"
#include "testutil.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <optional>

using apptest::TModalDriver;

namespace
{

QStringList listTexts(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

void selectText(QListWidget *list, const QString &text)
{
    const auto items = list->findItems(text, Qt::MatchExactly);
    ASSERT_FALSE(items.isEmpty()) << text.toStdString();
    list->setCurrentItem(items.first());
}

TVarRec constant(const QString &name, TVarRec::TBindingKind kind)
{
    TVarRec v;
    v.Name = name;
    v.BindingKind = kind;
    v.SourceKind = TVarRec::Constant;
    v.Source = QStringLiteral("c");
    return v;
}

} // namespace

class PropFormTest : public EditorTest
{
protected:
    // Opens the property dialog of a control and runs `work` in it.
    // Nested windows are answered by `shared`, whose handlers the work queues as it goes.
    void properties(TParEditForm &f, const QString &name, std::function<void(TPropForm *)> work,
                    TModalDriver *shared = nullptr)
    {
        std::optional<TModalDriver> own;
        if (!shared)
            own.emplace();
        TModalDriver &driver = shared ? *shared : *own;
        driver.Expect([&](QWidget *modal) {
            auto *p = qobject_cast<TPropForm *>(modal);
            ASSERT_NE(p, nullptr);
            work(p);
            if (p->isVisible())
                p->reject();
        });
        f.ShowProperties(name);
        EXPECT_EQ(driver.Pending(), 0);
    }
};

TEST_F(PropFormTest, RowsShowTheControlAndSaveAppliesThem)
{
    auto f = open();
    const QString name = clickControl(*f, TControlKind::Edit, {10, 20});
    const TEditorControl c = f->Descriptor().Controls[0];
    f->Descriptor().ParRecs[0].Default = QStringLiteral("x");
    QStringList captions, values;
    properties(*f, name, [&](TPropForm *p) {
        EXPECT_EQ(p->windowTitle(), QStringLiteral("Properties"));
        EXPECT_EQ(p->height(), 167);
        EXPECT_FALSE(p->AdditionalButton()->isEnabled()) << "a plain control has no page";
        EXPECT_TRUE(p->SaveButton()->isEnabled());
        for (int i = 0; i < p->Rows()->topLevelItemCount(); ++i) {
            captions.append(p->Rows()->topLevelItem(i)->text(0));
            values.append(p->RowValue(i));
        }
        m_prompt.QueueInput(QStringLiteral("Customer"));
        p->EditRow(0);
        m_prompt.QueueInput(std::nullopt);
        p->EditRow(1);
        p->SetRowValue(1, QStringLiteral("Who"));
        p->SetRowValue(3, QStringLiteral("30"));
        p->SetRowValue(4, QStringLiteral("60"));
        p->SetRowValue(5, QStringLiteral("Smith"));
        p->SaveButton()->click();
        EXPECT_FALSE(p->isVisible());
    });
    EXPECT_EQ(captions,
              (QStringList{"Name", "Header", "Width", "Х position", "Y position", "Default value"}));
    EXPECT_EQ(values, (QStringList{"Edit_1", "Caption", QString::number(c.Width), "10", "20", "x"}));
    const auto asked = apptest::messages(m_prompt);
    ASSERT_GE(asked.size(), 1);
    EXPECT_EQ(asked.first().caption, QStringLiteral("Ввод"));
    EXPECT_EQ(asked.first().text, QStringLiteral("Введите значение свойства : "));

    EXPECT_EQ(f->ControlNames(), QStringList{"Customer"});
    QWidget *widget = f->DesignWidget(QStringLiteral("Customer"));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->toolTip(), QStringLiteral("Customer"));
    QLineEdit *caption = f->CaptionEditor(QStringLiteral("Customer"));
    EXPECT_EQ(caption->objectName(), QStringLiteral("LabelCustomer"));
    EXPECT_EQ(caption->text(), QStringLiteral("Who"));
    EXPECT_EQ(caption->pos(), QPoint(30, 63));
    EXPECT_EQ(widget->pos(), QPoint(30 + caption->width() + 4, 60));
    EXPECT_EQ(f->Descriptor().FindParRec(QStringLiteral("Customer"))->Default, QStringLiteral("Smith"));
    EXPECT_TRUE(f->Modified());
}

TEST_F(PropFormTest, BadNamesAndNumbersAreRefusedWithTheirMessage)
{
    auto f = open();
    const QString first = clickControl(*f, TControlKind::Edit, {10, 20});
    clickControl(*f, TControlKind::Edit, {10, 60});
    properties(*f, first, [&](TPropForm *p) {
        p->SetRowValue(0, QStringLiteral("Edit_2"));
        p->SetRowValue(1, QStringLiteral("Lost"));
        p->SaveButton()->click();
        EXPECT_TRUE(p->isVisible()) << "the dialog stays open";
        p->SetRowValue(0, QStringLiteral("9lives"));
        p->SaveButton()->click();
        p->SetRowValue(0, QStringLiteral("Edit_1"));
        p->SetRowValue(3, QStringLiteral("12"));
        p->SetRowValue(4, QStringLiteral("abc"));
        p->SaveButton()->click();
        EXPECT_TRUE(p->isVisible());
    });
    const auto shown = apptest::messages(m_prompt);
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown[0].text, QStringLiteral("A component named Edit_2 already exists"));
    EXPECT_EQ(shown[1].text, QStringLiteral("\"9lives\" is not a valid component name"));
    EXPECT_EQ(shown[2].text, QStringLiteral("'abc' is not a valid integer value"));
    EXPECT_EQ(f->ControlNames(), (QStringList{"Edit_1", "Edit_2"}));
    // The steps before the bad number stay applied.
    EXPECT_EQ(f->CaptionEditor(first)->text(), QStringLiteral("Lost"));
    EXPECT_EQ(f->CaptionEditor(first)->x(), 12);
    EXPECT_EQ(f->Descriptor().Controls[0].Y, 20);
}

TEST_F(PropFormTest, TheListPageAddsEditsAndDeletesEntries)
{
    auto f = open();
    const QString name = clickControl(*f, TControlKind::List, {10, 20});
    f->Descriptor().FindParRec(name)->Strings = {"North", "South", "East"};
    properties(*f, name, [&](TPropForm *p) {
        EXPECT_TRUE(p->AdditionalButton()->isEnabled());
        p->AdditionalButton()->click();
        EXPECT_EQ(p->height(), 451);
        EXPECT_EQ(listTexts(p->Entries()), (QStringList{"North", "South", "East"}));
        p->Entries()->setCurrentRow(1);
        m_prompt.QueueInput(QStringLiteral("West"));
        p->EditEntry();
        EXPECT_EQ(listTexts(p->Entries()), (QStringList{"North", "East", "West"}));
        m_prompt.QueueInput(QString());
        p->AddEntry();
        m_prompt.QueueInput(QStringLiteral("Centre"));
        p->AddEntry();
        p->Entries()->setCurrentRow(0);
        m_prompt.QueueInput(QString());
        p->EditEntry();
        p->DeleteEntry();
        p->AdditionalButton()->click();
        EXPECT_EQ(p->height(), 167);
        p->SaveButton()->click();
    });
    EXPECT_EQ(f->Descriptor().FindParRec(name)->Strings, (QStringList{"East", "West", "Centre"}));
    const auto asked = apptest::messages(m_prompt);
    ASSERT_GE(asked.size(), 2);
    EXPECT_EQ(asked[0].caption, QStringLiteral("Edit"));
    EXPECT_EQ(asked[0].text, QStringLiteral("Enter string value :"));
    EXPECT_EQ(asked[0].initialValue, QStringLiteral("South"));
    EXPECT_EQ(asked[1].caption, QStringLiteral("Add"));

    // An empty list page keeps the entries.
    properties(*f, name, [&](TPropForm *p) {
        while (p->Entries()->count() > 0) {
            p->Entries()->setCurrentRow(0);
            p->DeleteEntry();
        }
        p->SaveButton()->click();
    });
    EXPECT_EQ(f->Descriptor().FindParRec(name)->Strings, (QStringList{"East", "West", "Centre"}));
}

TEST_F(PropFormTest, TheTablePageEditsTheQuerySettingsOverTheDatabase)
{
    writeDatabase();
    auto f = open();
    const QString name = clickControl(*f, TControlKind::Table, {10, 20});
    TModalDriver driver;
    const auto work = [&](TPropForm *p) {
        // "&Table" chooser, then "&Fields", then "&Sorting".
        expectNested([&](QWidget *modal) {
            auto *c = qobject_cast<TTwoListChooser *>(modal);
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(c->windowTitle(), QStringLiteral("Choose tables"));
            EXPECT_EQ(listTexts(c->AvailableList()), (QStringList{"regions", "towns"}));
            selectText(c->AvailableList(), QStringLiteral("towns"));
            c->SelectCurrent();
            c->accept();
        });
        expectNested([&](QWidget *modal) {
            auto *c = qobject_cast<TTwoListChooser *>(modal);
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(c->windowTitle(), QStringLiteral("Choose fields"));
            EXPECT_EQ(listTexts(c->SelectedList()), QStringList{"name"});
            EXPECT_EQ(listTexts(c->AvailableList()), (QStringList{"id", "region"}))
                << "chosen fields are not offered";
            selectText(c->AvailableList(), QStringLiteral("id"));
            c->SelectCurrent();
            c->accept();
        });
        expectNested([&](QWidget *modal) {
            auto *c = qobject_cast<TTwoListChooser *>(modal);
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(listTexts(c->SelectedList()), QStringList{"name"});
            EXPECT_EQ(listTexts(c->AvailableList()), (QStringList{"id", "name", "region"}))
                << "sorting offers all";
            c->DeselectAll();
            selectText(c->AvailableList(), QStringLiteral("region"));
            c->SelectCurrent();
            c->accept();
        });
        EXPECT_TRUE(p->AdditionalButton()->isEnabled());
        EXPECT_FALSE(p->SaveButton()->isEnabled()) << "database, table, visible and value field are needed";
        p->AdditionalButton()->click();
        EXPECT_EQ(p->height(), 451);
        EXPECT_NE(p->DatabaseBox()->findText(QStringLiteral("demo")), -1);
        p->DatabaseBox()->setCurrentText(QStringLiteral("demo"));
        EXPECT_FALSE(p->FieldsButton()->isEnabled());
        p->ChooseTables();
        EXPECT_EQ(p->TableEdit()->text(), QStringLiteral("towns"));
        EXPECT_TRUE(p->FieldsButton()->isEnabled());
        EXPECT_TRUE(p->SortingButton()->isEnabled());
        EXPECT_EQ(p->FieldListQuery().SqlText(), QStringLiteral("select * from towns"));
        p->FieldsEdit()->setText(QStringLiteral("name"));
        p->ChooseFields();
        EXPECT_EQ(p->FieldsEdit()->text(), QStringLiteral("name,id"));
        p->SortingEdit()->setText(QStringLiteral("name"));
        p->ChooseSorting();
        EXPECT_EQ(p->SortingEdit()->text(), QStringLiteral("region"));

        // "Show SQL" with empty fields, filter and sorting.
        p->FieldsEdit()->clear();
        p->SortingEdit()->setText(QStringLiteral("  "));
        p->VisibleFieldEdit()->setText(QStringLiteral("name"));
        EXPECT_FALSE(p->SaveButton()->isEnabled());
        p->ValueFieldEdit()->setText(QStringLiteral("id"));
        EXPECT_TRUE(p->SaveButton()->isEnabled());
        p->ShowSql();
        p->FilterEdit()->setText(QStringLiteral("region = 1"));
        p->SortingEdit()->setText(QStringLiteral("name"));
        p->ShowSql();
        p->EmptyTextEdit()->setText(QStringLiteral("(any)"));
        p->EmptyValueEdit()->setText(QStringLiteral("0"));
        p->SaveButton()->click();
    };
    properties(*f, name, work, &driver);
    EXPECT_EQ(driver.Pending(), 0);
    const auto shown = apptest::messages(m_prompt);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0].caption, QStringLiteral("Final query is:"));
    EXPECT_EQ(shown[0].text, QStringLiteral("SELECT id,name\nFROM towns\n"));
    EXPECT_EQ(shown[1].text, QStringLiteral("SELECT id,name\nFROM towns\nWHERE region = 1\nORDER BY name\n"));
    const TTableSettings s = TTableSettings::FromStrings(f->Descriptor().FindParRec(name)->Strings);
    EXPECT_EQ(s.Database, QStringLiteral("demo"));
    EXPECT_EQ(s.Name, QStringLiteral("towns"));
    EXPECT_EQ(s.Value, QStringLiteral("id"));
    EXPECT_EQ(s.Text, QStringLiteral("name"));
    EXPECT_EQ(s.Filter, QStringLiteral("region = 1"));
    EXPECT_EQ(s.Order, QStringLiteral("name"));
    EXPECT_EQ(s.EmptyText, QStringLiteral("(any)"));
    EXPECT_EQ(s.EmptyValue, QStringLiteral("0"));
}

TEST_F(PropFormTest, DatabaseFailuresAreReportedInTheirBoxes)
{
    writeDatabase();
    auto f = open();
    const QString name = clickControl(*f, TControlKind::Table, {10, 20});
    properties(*f, name, [&](TPropForm *p) {
        p->DatabaseBox()->setCurrentText(QStringLiteral("demo"));
        p->TableEdit()->setText(QStringLiteral("nosuch"));
        p->ChooseFields();
        p->DatabaseBox()->setCurrentText(path(QStringLiteral("missing")));
        p->ChooseTables();
    });
    const auto shown = apptest::messages(m_prompt);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0].text, QStringLiteral("Не могу открыть таблицу : demo.nosuch"));
    EXPECT_EQ(shown[0].caption, QStringLiteral("Ошибка."));
    EXPECT_EQ(shown[0].type, mtError);
    EXPECT_EQ(shown[1].text,
              QStringLiteral(
                  "Database connection error encountered.\nProbably connection parameters are incorrect."));
    EXPECT_EQ(shown[1].caption, QStringLiteral("Error"));
    EXPECT_EQ(shown[1].type, mtError);
}

TEST_F(PropFormTest, TheMacroBuilderInsertsAFilterMacroAtTheCaret)
{
    auto f = open();
    clickControl(*f, TControlKind::Edit, {10, 20});
    const QString table = clickControl(*f, TControlKind::Table, {10, 60});
    TModalDriver driver;
    const auto work = [&](TPropForm *p) {
        expectNested([&](QWidget *modal) {
            auto *m = qobject_cast<TMacroForm *>(modal);
            ASSERT_NE(m, nullptr);
            EXPECT_EQ(m->windowTitle(), QStringLiteral("Macros generator"));
            m->ControlChoice()->setChecked(true);
            EXPECT_EQ(m->FieldBox()->currentText(), QStringLiteral("Text"));
            m->ControlBox()->setCurrentText(QStringLiteral("Edit_1"));
            m->FieldBox()->setCurrentText(QStringLiteral("Value"));
            m->accept();
        });
        expectNested([&](QWidget *modal) { static_cast<QDialog *>(modal)->reject(); });
        p->FilterEdit()->setText(QStringLiteral("id =  and 1=1"));
        p->FilterEdit()->setCursorPosition(5);
        p->ChooseFilterMacro();
        EXPECT_EQ(p->FilterEdit()->text(), QStringLiteral("id = {Edit_1.Value} and 1=1"));
        p->ChooseFilterMacro(); // cancelled: nothing inserted
        EXPECT_EQ(p->FilterEdit()->text(), QStringLiteral("id = {Edit_1.Value} and 1=1"));
    };
    properties(*f, table, work, &driver);
    EXPECT_EQ(driver.Pending(), 0);
}

TEST_F(EditorTest, TheMacroBuilderAndTheBrowserReadProfileFiles)
{
    const QString ini = path(QStringLiteral("firm.ini"));
    ASSERT_TRUE(testutil::writeFile(ini, "[Main]\nName=Acme\nTown=Oslo\n[Bank]\nAccount=1\n"));
    TMacroForm m({QStringLiteral("Edit_1")});
    EXPECT_TRUE(m.IniChoice()->isChecked());
    EXPECT_FALSE(m.VariableButton()->isEnabled()) << "no file yet";
    m.FileEdit()->setText(ini);
    EXPECT_TRUE(m.VariableButton()->isEnabled());
    TModalDriver driver;
    driver.Expect([&](QWidget *modal) {
        auto *l = qobject_cast<TListsForm *>(modal);
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->windowTitle(), QStringLiteral("Review \"") + ini + u'"');
        EXPECT_EQ(listTexts(l->Sections()), (QStringList{"Main", "Bank"}));
        EXPECT_EQ(listTexts(l->Variables()), (QStringList{"Name", "Town"}))
            << "the first section's keys at opening";
        EXPECT_FALSE(l->OkButton()->isEnabled());
        l->Sections()->setCurrentRow(1);
        EXPECT_EQ(listTexts(l->Variables()), QStringList{"Account"});
        l->Variables()->setCurrentRow(0);
        EXPECT_TRUE(l->OkButton()->isEnabled());
        l->accept();
    });
    m.VariableButton()->click();
    EXPECT_EQ(m.VariableEdit()->text(), QStringLiteral("Bank,Account"));
    EXPECT_EQ(m.Result(), QStringLiteral("ini.") + ini + QStringLiteral(",Bank,Account"));
}

// Every caption with a mnemonic leads to its control, so that it shows the mnemonic and not a
// literal "&"; the file and variable captions of the shared source editors lead to their edits.
TEST_F(EditorTest, SourceCaptionsShowTheirMnemonics)
{
    TMacroForm macro({QStringLiteral("Edit_1")});
    TVarRec binding;
    binding.BindingKind = TVarRec::QueryParameter;
    TEditVarForm editor(binding, {QStringLiteral("Edit_1")});
    const auto buddyOf = [](QWidget &dialog, const QString &caption) -> QWidget * {
        for (QLabel *label : dialog.findChildren<QLabel *>())
            if (label->text() == caption)
                return label->buddy();
        ADD_FAILURE() << "no caption " << caption.toStdString();
        return nullptr;
    };
    EXPECT_EQ(buddyOf(macro, QStringLiteral("&File:")), macro.FileEdit());
    EXPECT_EQ(buddyOf(macro, QStringLiteral("&Variable name: ")), macro.VariableEdit());
    EXPECT_EQ(buddyOf(editor, QStringLiteral("&File :")), editor.FileEdit());
    EXPECT_EQ(buddyOf(editor, QStringLiteral("&Variable : ")), editor.VariableEdit());
    for (QDialog *dialog : {static_cast<QDialog *>(&macro), static_cast<QDialog *>(&editor)}) {
        for (QLabel *label : dialog->findChildren<QLabel *>()) {
            if (label->text().contains(u'&'))
                EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
        }
    }
}

TEST_F(EditorTest, TheBindingsListEditsOneKindAndKeepsPlaces)
{
    auto f = open();
    clickControl(*f, TControlKind::Edit, {10, 20});
    TEditorDescriptor &d = f->Descriptor();
    d.Vars = {constant("P1", TVarRec::QueryParameter), constant("L1", TVarRec::ReportLabel),
              constant("P2", TVarRec::QueryParameter), constant("P3", TVarRec::QueryParameter)};
    d.Vars[2].DataType = TParamDataType::Date;
    TModalDriver driver;
    driver.Expect([&](QWidget *modal) {
        auto *v = qobject_cast<TVarForm *>(modal);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->windowTitle(), QStringLiteral("Query parameters"));
        QTreeWidget *list = v->List();
        EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Parameter name"));
        EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("Association"));
        EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("Data type"));
        EXPECT_EQ(apptest::columnTexts(list), (QStringList{"P1", "P2", "P3"}));
        EXPECT_EQ(apptest::columnTexts(list, 1), (QStringList{"const.c", "const.c", "const.c"}));
        EXPECT_EQ(apptest::columnTexts(list, 2), (QStringList{"String", "Date", "String"}));
        EXPECT_TRUE(v->UpButton()->isVisibleTo(v));
        EXPECT_FALSE(v->UpButton()->isEnabled()) << "on the first row";

        // Moving P2 up skips the label between.
        list->setCurrentItem(list->topLevelItem(1));
        v->UpButton()->click();
        EXPECT_EQ(apptest::columnTexts(list), (QStringList{"P2", "P1", "P3"}));
        list->setCurrentItem(list->topLevelItem(2));
        EXPECT_FALSE(v->DownButton()->isEnabled()) << "on the last row";

        // Renaming the middle binding keeps its place.
        list->setCurrentItem(list->topLevelItem(1));
        expectNested([&](QWidget *editor) {
            auto *e = qobject_cast<TEditVarForm *>(editor);
            ASSERT_NE(e, nullptr);
            EXPECT_EQ(e->windowTitle(), QStringLiteral("Query parameter"));
            EXPECT_EQ(e->NameEdit()->text(), QStringLiteral("P1"));
            EXPECT_TRUE(e->ConstantChoice()->isChecked());
            e->NameEdit()->clear();
            EXPECT_FALSE(e->OkButton()->isEnabled());
            e->NameEdit()->setText(QStringLiteral("Renamed"));
            e->ControlChoice()->setChecked(true);
            e->FieldBox()->setCurrentText(QStringLiteral("Value"));
            e->TypeBox()->setCurrentText(QStringLiteral("Integer"));
            e->OkButton()->click();
        });
        v->EditButton()->click();
        EXPECT_EQ(apptest::columnTexts(list), (QStringList{"P2", "Renamed", "P3"}));
        EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("Edit_1.Value"));
        EXPECT_EQ(list->topLevelItem(1)->text(2), QStringLiteral("Integer"));

        // Adding: a new String binding at the end.
        expectNested([&](QWidget *editor) {
            auto *e = qobject_cast<TEditVarForm *>(editor);
            ASSERT_NE(e, nullptr);
            EXPECT_EQ(e->TypeBox()->currentText(), QStringLiteral("String"));
            e->NameEdit()->setText(QStringLiteral("P4"));
            e->IniChoice()->setChecked(true);
            EXPECT_FALSE(e->VariableButton()->isEnabled());
            e->FileEdit()->setText(QStringLiteral("firm.ini"));
            e->VariableEdit()->setText(QStringLiteral("Main,Name"));
            e->OkButton()->click();
        });
        v->AddButton()->click();
        EXPECT_EQ(apptest::columnTexts(list, 1).last(), QStringLiteral("ini.firm.ini,Main,Name"));

        list->setCurrentItem(list->topLevelItem(0));
        v->DeleteButton()->click();
        EXPECT_EQ(apptest::columnTexts(list), (QStringList{"Renamed", "P3", "P4"}));
        v->accept();
    });
    f->EditQueryParameters();
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_TRUE(f->Modified()) << "closing the list marks the editor";
    QStringList names;
    for (const TVarRec &v : d.Vars)
        names.append(v.Name);
    EXPECT_EQ(names, (QStringList{"L1", "Renamed", "P3", "P4"}));

    // The list is reused, so a fresh driver answers it the second time.
    TModalDriver labels;
    labels.Expect([&](QWidget *modal) {
        auto *v = qobject_cast<TVarForm *>(modal);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->windowTitle(), QStringLiteral("Report labels"));
        EXPECT_EQ(v->List()->headerItem()->text(0), QStringLiteral("Label name"));
        EXPECT_EQ(v->List()->columnCount(), 2);
        EXPECT_FALSE(v->UpButton()->isVisibleTo(v));
        EXPECT_EQ(apptest::columnTexts(v->List()), QStringList{"L1"});
        v->reject();
    });
    f->EditLabels();
    EXPECT_EQ(labels.Pending(), 0);
}

TEST_F(EditorTest, TheCreationOrderListReordersEditsAndDeletes)
{
    auto f = open();
    clickControl(*f, TControlKind::Edit, {10, 20});
    clickControl(*f, TControlKind::List, {10, 50});
    clickControl(*f, TControlKind::Check, {10, 80});
    const QString file = path(QStringLiteral("order.cfg"));
    answerFileDialogs({file});
    ASSERT_TRUE(f->SaveFile());
    TModalDriver driver;
    driver.Expect([&](QWidget *modal) {
        auto *o = qobject_cast<TOrderForm *>(modal);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->windowTitle(), QStringLiteral("Creation order"));
        EXPECT_EQ(o->List()->headerItem()->text(0), QStringLiteral("Control element"));
        EXPECT_EQ(apptest::columnTexts(o->List()), (QStringList{"Edit_1", "List_1", "Check_1"}));
        o->List()->setCurrentItem(o->List()->topLevelItem(2));
        o->UpButton()->click();
        EXPECT_EQ(apptest::columnTexts(o->List()), (QStringList{"Edit_1", "Check_1", "List_1"}));
        o->List()->setCurrentItem(o->List()->topLevelItem(0));
        expectNested([&](QWidget *props) {
            auto *p = qobject_cast<TPropForm *>(props);
            ASSERT_NE(p, nullptr);
            p->SetRowValue(0, QStringLiteral("Customer"));
            p->SaveButton()->click();
        });
        o->EditButton()->click();
        EXPECT_EQ(apptest::columnTexts(o->List()), (QStringList{"Customer", "Check_1", "List_1"}));
        o->List()->setCurrentItem(o->List()->topLevelItem(1));
        o->DeleteButton()->click();
        EXPECT_EQ(apptest::columnTexts(o->List()), (QStringList{"Customer", "List_1"}));
        o->accept();
    });
    f->EditCreationOrder();
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_TRUE(f->Modified());
    EXPECT_EQ(f->DesignWidget(QStringLiteral("Check_1")), nullptr);
    ASSERT_NE(f->DesignWidget(QStringLiteral("List_1")), nullptr);
    EXPECT_EQ(f->DesignWidget(QStringLiteral("List_1"))->y(), 50) << "widgets stay with their controls";
    ASSERT_TRUE(f->SaveFile());
    EXPECT_EQ(TIniFile(file).ReadSection(QStringLiteral("Declarations")),
              (QStringList{"Customer", "List_1"}));
}
