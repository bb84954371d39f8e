#include "editortest.h"

#include "params/model/dialogmodel.h"
#include "params/propform.h"

#include "common/profile.h"
#include "gui/shellactions.h"
#include "testutil.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTest>

using apptest::TModalDriver;

namespace
{

QRect geometryOf(const QWidget *w)
{
    return w ? w->geometry() : QRect();
}

} // namespace

TEST_F(EditorTest, ClicksCreateControlsWithTheLowestFreeNumber)
{
    auto f = open();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("CFG - editor: Nomane"));
    EXPECT_EQ(clickControl(*f, TControlKind::Edit, {10, 10}), QStringLiteral("Edit_1"));
    EXPECT_EQ(f->CurrentTool(), -1) << "the arrow is chosen again";
    EXPECT_TRUE(f->ToolAction(-1)->isChecked());
    // A click with the arrow creates nothing.
    QTest::mouseClick(f->DesignArea(), Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_EQ(f->ControlNames().size(), 1);
    EXPECT_EQ(clickControl(*f, TControlKind::Edit, {10, 40}), QStringLiteral("Edit_2"));
    EXPECT_EQ(clickControl(*f, TControlKind::Edit, {10, 70}), QStringLiteral("Edit_3"));
    EXPECT_EQ(clickControl(*f, TControlKind::IntEdit, {10, 100}), QStringLiteral("IntEdit_1"));
    EXPECT_TRUE(f->Modified());

    f->DeleteControl(QStringLiteral("Edit_2"));
    EXPECT_EQ(f->DesignWidget(QStringLiteral("Edit_2")), nullptr);
    EXPECT_EQ(f->ControlNames(), (QStringList{"Edit_1", "Edit_3", "IntEdit_1"}));
    EXPECT_EQ(clickControl(*f, TControlKind::Edit, {10, 130}), QStringLiteral("Edit_2"));
    EXPECT_EQ(f->ControlNames().last(), QStringLiteral("Edit_2"));

    // The hints of the kind tools.
    QStringList hints;
    for (int kind = 0; kind < ControlKindCount; ++kind)
        hints.append(f->ToolAction(kind)->toolTip());
    EXPECT_EQ(hints, (QStringList{"Edit", "IntEdit", "FloatEdit", "DateEdit", "List", "Table", "Check"}));
}

TEST_F(EditorTest, ADesignControlIsItsWidgetBesideABorderlessCaption)
{
    auto f = open();
    const QString name = clickControl(*f, TControlKind::Edit, {20, 30});
    QLineEdit *caption = f->CaptionEditor(name);
    QWidget *widget = f->DesignWidget(name);
    ASSERT_NE(caption, nullptr);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(caption->objectName(), QStringLiteral("LabelEdit_1"));
    EXPECT_EQ(widget->objectName(), QStringLiteral("Edit_1"));
    EXPECT_TRUE(qobject_cast<QLineEdit *>(widget));
    EXPECT_FALSE(caption->hasFrame());
    EXPECT_EQ(caption->text(), QStringLiteral("Caption"));
    const int cw = f->CaptionWidth(QStringLiteral("Caption"));
    EXPECT_EQ(caption->width(), cw);
    EXPECT_EQ(caption->pos(), QPoint(20, 33));
    EXPECT_EQ(widget->pos(), QPoint(20 + cw + 4, 30));

    // Typing in the caption moves the widget and keeps its width.
    const int widgetWidth = widget->width();
    caption->setFocus();
    caption->end(false);
    QTest::keyClicks(caption, QStringLiteral(" of the customer"));
    const int newCw = f->CaptionWidth(QStringLiteral("Caption of the customer"));
    EXPECT_GT(newCw, cw);
    EXPECT_EQ(caption->width(), newCw);
    EXPECT_EQ(widget->x(), 20 + newCw + 4);
    EXPECT_EQ(widget->width(), widgetWidth);
    EXPECT_EQ(f->Descriptor().Controls[0].Caption, QStringLiteral("Caption of the customer"));

    // The caption is red while it or its widget has the focus.
    EXPECT_EQ(caption->palette().color(QPalette::Text), QColor(Qt::red));
    const QString other = clickControl(*f, TControlKind::Check, {20, 80});
    f->DesignWidget(other)->setFocus();
    EXPECT_NE(caption->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(f->CaptionEditor(other)->palette().color(QPalette::Text), QColor(Qt::red));
    widget->setFocus();
    EXPECT_EQ(caption->palette().color(QPalette::Text), QColor(Qt::red));
}

TEST_F(EditorTest, AltAndCtrlMoveAndSizeWithMouseAndKeys)
{
    auto f = open();
    const QString name = clickControl(*f, TControlKind::IntEdit, {20, 30});
    QWidget *widget = f->DesignWidget(name);
    QLineEdit *caption = f->CaptionEditor(name);
    const QRect start = widget->geometry();
    f->SetModified();

    // Alt + drag: the widget moves by the distance dragged plus 2, the caption follows.
    QWidget *target = widget->childAt(5, 5) ? widget->childAt(5, 5) : widget;
    const QPoint p0 = target->mapFrom(widget, QPoint(5, 5));
    QTest::mousePress(target, Qt::LeftButton, Qt::AltModifier, p0);
    QTest::mouseRelease(target, Qt::LeftButton, Qt::AltModifier, p0 + QPoint(30, 15));
    EXPECT_EQ(widget->pos(), start.topLeft() + QPoint(32, 17));
    EXPECT_EQ(caption->pos(), QPoint(20 + 32, 33 + 17));
    EXPECT_EQ(widget->width(), start.width());

    // Ctrl + drag: the right edge follows the pointer.
    const QPoint q0 = target->mapFrom(widget, QPoint(5, 5));
    QTest::mousePress(target, Qt::LeftButton, Qt::ControlModifier, q0);
    QTest::mouseRelease(target, Qt::LeftButton, Qt::ControlModifier, q0 + QPoint(40, 0));
    EXPECT_EQ(widget->width(), 5 + 40);
    EXPECT_EQ(widget->pos(), start.topLeft() + QPoint(32, 17));

    // Keys on the focused control.
    const QRect before = widget->geometry();
    target->setFocus();
    QTest::keyClick(target, Qt::Key_Right, Qt::AltModifier);
    QTest::keyClick(target, Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(target, Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(target, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(widget->geometry(), QRect(before.x() + 1, before.y() + 2, before.width() - 1, before.height()));
    QTest::keyClick(caption, Qt::Key_Right, Qt::ControlModifier);
    QTest::keyClick(caption, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(widget->geometry(), QRect(before.x() + 1, before.y() + 1, before.width(), before.height()));

    // What will be declared follows the widgets.
    const TEditorControl &c = f->Descriptor().Controls[0];
    EXPECT_EQ(c.X, caption->x());
    EXPECT_EQ(c.Y, caption->y() - 3);
    EXPECT_EQ(c.Width, caption->width() + widget->width() + 4);
}

TEST_F(EditorTest, ALayoutMadeByClicksAndKeysBuildsTheParameterDialog)
{
    auto f = open();
    const QString customer = clickControl(*f, TControlKind::Edit, {10, 10});
    const QString count = clickControl(*f, TControlKind::IntEdit, {10, 40});
    const QString kind = clickControl(*f, TControlKind::List, {10, 70});
    const QString flag = clickControl(*f, TControlKind::Check, {10, 100});

    QLineEdit *caption = f->CaptionEditor(customer);
    caption->selectAll();
    QTest::keyClicks(caption, QStringLiteral("Customer"));
    QTest::keyClick(f->DesignWidget(count)->focusProxy() ? f->DesignWidget(count)->focusProxy()
                                                         : f->DesignWidget(count),
                    Qt::Key_Right, Qt::AltModifier);

    // The LIST's entries and default through its property dialog.
    TModalDriver driver;
    driver.Expect([&](QWidget *modal) {
        auto *p = qobject_cast<TPropForm *>(modal);
        ASSERT_NE(p, nullptr);
        m_prompt.QueueInput(QStringLiteral("North"));
        p->AddEntry();
        m_prompt.QueueInput(QStringLiteral("South"));
        p->AddEntry();
        m_prompt.QueueInput(QStringLiteral("1"));
        p->EditRow(5);
        p->SaveButton()->click();
    });
    f->ShowProperties(kind);
    EXPECT_EQ(driver.Pending(), 0);

    const QString file = path(QStringLiteral("layout.cfg"));
    answerFileDialogs({file});
    // The property dialog took the activation with it; shortcuts need the editor active again.
    QApplication::setActiveWindow(f.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.get()));
    QTest::keyClick(f.get(), Qt::Key_F2);
    EXPECT_EQ(fileDialogsAsked(), 1) << "Save without a current file asks for one";
    EXPECT_EQ(f->FileName(), file);
    EXPECT_FALSE(f->Modified());
    EXPECT_EQ(f->windowTitle(), QStringLiteral("CFG - editor : ") + file);

    TParamDialogModel dialog;
    ASSERT_TRUE(dialog.Build(file)) << dialog.ErrorMessage().toStdString();
    ASSERT_EQ(dialog.ControlCount(), 4);
    EXPECT_EQ(dialog.Control(0)->Name(), customer);
    EXPECT_EQ(dialog.Control(0)->Caption(), QStringLiteral("Customer"));
    EXPECT_EQ(dialog.Control(0)->X(), 10);
    EXPECT_EQ(dialog.Control(1)->Kind(), TControlKind::IntEdit);
    EXPECT_EQ(dialog.Control(1)->X(), 11);
    EXPECT_EQ(dialog.Control(2)->Kind(), TControlKind::List);
    EXPECT_EQ(dialog.Control(2)->Entries(), (QStringList{"North", "South"}));
    EXPECT_EQ(dialog.Control(2)->DefaultText(), QStringLiteral("1"));
    EXPECT_EQ(dialog.Control(3)->Name(), flag);
    EXPECT_EQ(dialog.Control(3)->Kind(), TControlKind::Check);
    const TIniFile ini(file);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Declarations"), customer, QString()),
              QStringLiteral("Edit \"Customer\",10,10,%1").arg(f->Descriptor().Controls[0].Width));
}

TEST_F(EditorTest, TheCloseCheckAsksOnlyAfterChanges)
{
    {
        auto f = open();
        f->close();
        EXPECT_FALSE(f->isVisible());
        EXPECT_TRUE(apptest::messages(m_prompt).isEmpty()) << "closing without changes asks nothing";
    }
    auto f = open();
    clickControl(*f, TControlKind::Edit, {10, 10});
    m_prompt.QueueAnswer(mrCancel);
    f->close();
    EXPECT_TRUE(f->isVisible());
    ASSERT_EQ(apptest::messages(m_prompt).size(), 1);
    const auto asked = apptest::messages(m_prompt).first();
    EXPECT_EQ(asked.text, QStringLiteral("Save current file?"));
    EXPECT_EQ(asked.caption, QStringLiteral("Confirmation"));
    EXPECT_EQ(asked.buttons, TMsgButtons::YesNoCancel);
    EXPECT_EQ(f->ControlNames().size(), 1) << "Cancel keeps everything";

    // Yes without a current file asks for one; cancelling that stops the command.
    m_prompt.QueueAnswer(mrYes);
    f->CreateFile();
    EXPECT_EQ(fileDialogsAsked(), 1);
    EXPECT_EQ(f->ControlNames().size(), 1);

    m_prompt.QueueAnswer(mrNo);
    ASSERT_TRUE(f->CreateFile());
    EXPECT_TRUE(f->ControlNames().isEmpty());
    EXPECT_EQ(f->windowTitle(), QStringLiteral("CFG - editor : Noname"));
    EXPECT_FALSE(f->Modified());

    clickControl(*f, TControlKind::Edit, {10, 10});
    m_prompt.QueueAnswer(mrYes);
    answerFileDialogs({path(QStringLiteral("kept.cfg"))});
    f->close();
    EXPECT_FALSE(f->isVisible());
    EXPECT_TRUE(testutil::readFile(path(QStringLiteral("kept.cfg"))).contains("Edit_1=Edit \"Caption\""));
}

TEST_F(EditorTest, EditDialogForAReportWithoutDescriptorCreatesItOnSave)
{
    TParEditForm::Install();
    ASSERT_TRUE(ShellActions().EditDialog);
    const QString expected = path(QStringLiteral("sales.cfg"));
    TModalDriver driver;
    driver.Expect([&](QWidget *modal) {
        auto *f = qobject_cast<TParEditForm *>(modal);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->FileName(), expected);
        EXPECT_TRUE(f->ControlNames().isEmpty());
        clickControl(*f, TControlKind::Check, {5, 5});
        f->SaveFile();
        f->close();
    });
    ShellActions().EditDialog(nullptr, QStringLiteral("sales"));
    ShellActions().EditDialog = {};
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_EQ(fileDialogsAsked(), 0);
    const TIniFile ini(expected);
    EXPECT_EQ(ini.ReadSection(QStringLiteral("Declarations")), QStringList{"Check_1"});
}

TEST_F(EditorTest, LoadShowsTheFileAndSaveKeepsIt)
{
    const QString file = path(QStringLiteral("orders.cfg"));
    ASSERT_TRUE(testutil::writeFile(file, "[Declarations]\n"
                                          "Region=LIST \"Region, main\",10,20,200\n"
                                          "Odd=Slider \"x\",1,2,3\n"
                                          "Town=table \"Town\",10,50,250\n"
                                          "[Region]\nA=North\nB=South\n"
                                          "[Town]\nname=towns\nvalue=id\ntext=name\n"
                                          "[Defaults]\nRegion=1\n"
                                          "[Assignment]\nP1=CONST.x\nP2=Town.value\n"
                                          "[Assignment_types]\nP2=integer\n"
                                          "[Labels]\nL1=const.Title\n"
                                          "[Other]\nk=v\n"));
    auto f = open();
    answerFileDialogs({file});
    ASSERT_TRUE(f->OpenFile());
    EXPECT_EQ(f->windowTitle(), QStringLiteral("CFG - editor : ") + file);
    EXPECT_EQ(f->ControlNames(), (QStringList{"Region", "Town"}));
    EXPECT_FALSE(f->Modified());
    QLineEdit *caption = f->CaptionEditor(QStringLiteral("Region"));
    QWidget *widget = f->DesignWidget(QStringLiteral("Region"));
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->text(), QStringLiteral("Region, main"));
    EXPECT_EQ(caption->pos(), QPoint(10, 23));
    EXPECT_EQ(geometryOf(widget).left(), 10 + caption->width() + 4);
    EXPECT_EQ(geometryOf(widget).width(), 200 - caption->width() - 4);

    ASSERT_TRUE(f->SaveFile());
    EXPECT_EQ(QString::fromUtf8(testutil::readFile(file)),
              QStringLiteral("[Declarations]\n"
                             "Region=List \"Region, main\",10,20,200\n"
                             "Town=Table \"Town\",10,50,250\n"
                             "[Assignment]\nP1=CONST.Value\nP2=Town.Value\n"
                             "[Assignment_types]\nP1=String\nP2=Integer\n"
                             "[Labels]\nL1=const.Title\n"
                             "[Defaults]\nRegion=1\n"
                             "[Region]\nItem1=North\nItem2=South\n"
                             "[Town]\nDataBase=\nName=towns\nValue=id\nText=name\nFields=\nOrder=\nFilter=\n"
                             "EmptyValue=\nEmptyText=\n"));
}

TEST_F(EditorTest, ADescriptorWithABadNameIsNotLoaded)
{
    const QString good = path(QStringLiteral("good.cfg"));
    ASSERT_TRUE(testutil::writeFile(good, "[Declarations]\nA=Edit \"a\",1,1,100\n"));
    const QString bad = path(QStringLiteral("bad.cfg"));
    ASSERT_TRUE(testutil::writeFile(bad, "[Declarations]\nOk=Edit \"a\",1,1,100\n1st=Edit \"b\",1,30,100\n"));
    auto f = open();
    ASSERT_TRUE(f->LoadFile(good));
    EXPECT_FALSE(f->LoadFile(bad));
    const auto shown = apptest::messages(m_prompt);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.first().text, QStringLiteral("\"1st\" is not a valid component name"));
    EXPECT_TRUE(f->ControlNames().isEmpty());
    EXPECT_TRUE(f->FileName().isEmpty()) << "a later Save must not overwrite the file it could not read";
    EXPECT_EQ(testutil::readFile(bad),
              QByteArray("[Declarations]\nOk=Edit \"a\",1,1,100\n1st=Edit \"b\",1,30,100\n"));
}

TEST_F(EditorTest, RecentFilesAreRememberedAndReopenDropsMissingOnes)
{
    const QString a = path(QStringLiteral("a.cfg"));
    const QString b = path(QStringLiteral("b.cfg"));
    ASSERT_TRUE(testutil::writeFile(a, "[Declarations]\nA=Edit \"a\",1,1,100\n"));
    ASSERT_TRUE(testutil::writeFile(b, "[Declarations]\nB=Check \"b\",1,1,100\n"));
    {
        auto f = open();
        ASSERT_TRUE(f->LoadFile(a));
        ASSERT_TRUE(f->LoadFile(b));
        EXPECT_EQ(f->RecentFiles(), (QStringList{b, a}));
        EXPECT_EQ(f->ReopenMenu()->actions().size(), 2);
        f->move(40, 50);
        f->close();
    }
    auto f = open();
    EXPECT_EQ(f->RecentFiles(), (QStringList{b, a}));
    ASSERT_TRUE(QFile::remove(b));
    EXPECT_FALSE(f->ReopenFile(b));
    EXPECT_EQ(f->RecentFiles(), QStringList{a});
    f->ReopenMenu()->actions().first()->trigger();
    EXPECT_EQ(f->FileName(), a);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("CFG - editor: ") + a);
    EXPECT_EQ(f->ControlNames(), QStringList{"A"});
}

TEST_F(EditorTest, SaveAsWritesANewFileAndCancelChangesNothing)
{
    auto f = open();
    clickControl(*f, TControlKind::DateEdit, {10, 10});
    EXPECT_FALSE(f->SaveFileAs());
    EXPECT_TRUE(f->Modified());
    EXPECT_TRUE(f->FileName().isEmpty());
    const QString file = path(QStringLiteral("new.cfg"));
    answerFileDialogs({file});
    QTest::keyClick(f.get(), Qt::Key_F2, Qt::ShiftModifier);
    EXPECT_EQ(f->FileName(), file);
    EXPECT_FALSE(f->Modified());
    EXPECT_TRUE(testutil::readFile(file).contains("DateEdit_1=DateEdit \"Caption\""));
}

// Pictures of the editor with a descriptor and of the property dialog's TABLE page; written to
// $TABULON_SCREENSHOT_DIR when that is set, so that the look can be checked by eye.
TEST_F(EditorTest, ScreenshotsOfTheEditorAndTheTablePage)
{
    writeDatabase();
    const QString file = path(QStringLiteral("orders.cfg"));
    ASSERT_TRUE(testutil::writeFile(
        file, "[Declarations]\n"
              "Customer=Edit \"Customer\",16,16,260\n"
              "Count=IntEdit \"Copies\",16,48,160\n"
              "Rate=FloatEdit \"Rate, %\",16,80,180\n"
              "Since=DateEdit \"Orders since\",16,112,240\n"
              "Region=List \"Region\",16,144,220\n"
              "Town=Table \"Town\",16,176,260\n"
              "Totals=Check \"Show totals\",16,208,200\n"
              "[Region]\nItem1=North\nItem2=South\n"
              "[Town]\nDataBase=demo\nName=towns\nValue=id\nText=name\nFields=\n"
              "Order=name\nFilter=region = {Region.Value}\nEmptyValue=0\nEmptyText=(any)\n"));
    auto f = open();
    ASSERT_TRUE(f->LoadFile(file));
    f->resize(520, 330);
    f->DesignWidget(QStringLiteral("Rate"))->setFocus();
    const QString dir = qEnvironmentVariable("TABULON_SCREENSHOT_DIR");
    const QPixmap editor = f->grab();
    EXPECT_FALSE(editor.isNull());
    if (!dir.isEmpty())
        EXPECT_TRUE(editor.save(dir + QStringLiteral("/descriptor-editor.png")));

    TModalDriver driver;
    driver.Expect([&](QWidget *modal) {
        auto *p = qobject_cast<TPropForm *>(modal);
        ASSERT_NE(p, nullptr);
        p->AdditionalButton()->click();
        QApplication::processEvents();
        const QPixmap page = p->grab();
        EXPECT_EQ(page.height(), 451);
        EXPECT_EQ(p->TableEdit()->text(), QStringLiteral("towns"));
        if (!dir.isEmpty())
            EXPECT_TRUE(page.save(dir + QStringLiteral("/property-table-page.png")));
        p->reject();
    });
    f->ShowProperties(QStringLiteral("Town"));
    EXPECT_EQ(driver.Pending(), 0);
}
