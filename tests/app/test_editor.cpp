// The catalogue editor "Reports list" and the report property dialog, driven
// through their widgets and checked on the file's text.

#include "apptest.h"

#include "app/catalogue.h"
#include "app/editform.h"
#include "app/inieditform.h"
#include "app/mainform.h"
#include "common/programdir.h"
#include "gui/usersettings.h"
#include "testutil.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using namespace apptest;

namespace
{
const QByteArray Sample = "[Stock]\n"
                          "[Sales]\n"
                          "monthly=Monthly sales by region\n"
                          "clients=Client list\n"
                          "[Archive]\n"
                          "old=Old report\n";

class EditorTest : public AppTest
{
protected:
    std::unique_ptr<TIniEditForm> open()
    {
        auto form = std::make_unique<TIniEditForm>(catalogue());
        form->show();
        QApplication::processEvents();
        return form;
    }

    struct Commands {
        bool deleteGroup, addReport, deleteReport;
        bool operator==(const Commands &) const = default;
    };
    static Commands enabled(const TIniEditForm &f)
    {
        return {f.DeleteGroupAction()->isEnabled(), f.AddReportAction()->isEnabled(),
                f.DeleteReportAction()->isEnabled()};
    }

    // Fills the property dialog and ends it with OK or Cancel.
    static TModalDriver::Handler fillProperty(const QString &key, const QString &description, bool ok,
                                              QString *shownKey = nullptr,
                                              QString *shownDescription = nullptr)
    {
        return [=](QWidget *w) {
            auto *dialog = qobject_cast<TEditform *>(w);
            ASSERT_NE(dialog, nullptr) << "expected the report property dialog";
            EXPECT_EQ(dialog->windowTitle(), "Report property");
            if (shownKey)
                *shownKey = dialog->FileText();
            if (shownDescription)
                *shownDescription = dialog->DescriptionText();
            dialog->findChild<QLineEdit *>("FileEdit")->setText(key);
            dialog->findChild<QLineEdit *>("DescriptionEdit")->setText(description);
            auto *buttons = dialog->findChild<QDialogButtonBox *>("Buttons");
            QTest::mouseClick(buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
                              Qt::LeftButton);
        };
    }
};
} // namespace

TEST_F(EditorTest, OpensWithSortedGroupsAndTheFirstOneSelected)
{
    writeCatalogue(Sample);
    auto f = open();
    EXPECT_EQ(f->windowTitle(), "Reports list");
    EXPECT_EQ(f->GroupList()->headerItem()->text(0), "Report groups");
    EXPECT_EQ(f->ReportList()->headerItem()->text(0), "File");
    EXPECT_EQ(f->ReportList()->headerItem()->text(1), "Report name");
    EXPECT_EQ(columnTexts(f->GroupList()), (QStringList{"Archive", "Sales", "Stock"}));
    EXPECT_EQ(f->SelectedGroup(), "Archive");
    EXPECT_EQ(f->GroupLabel()->text(), "Archive");
    EXPECT_EQ(columnTexts(f->ReportList()), QStringList{"old"});

    ASSERT_TRUE(f->SelectGroup("sales"));
    EXPECT_EQ(f->GroupLabel()->text(), "Sales");
    EXPECT_EQ(columnTexts(f->ReportList(), 0), (QStringList{"clients", "monthly"}));
    EXPECT_EQ(columnTexts(f->ReportList(), 1), (QStringList{"Client list", "Monthly sales by region"}));
    EXPECT_EQ(enabled(*f), (Commands{true, true, true}));

    // An empty group can take reports but has none to delete.
    ASSERT_TRUE(f->SelectGroup("Stock"));
    EXPECT_TRUE(f->ReportList()->topLevelItemCount() == 0);
    EXPECT_EQ(enabled(*f), (Commands{true, true, false}));
}

TEST_F(EditorTest, SortingIgnoresLetterCase)
{
    writeCatalogue("[beta]\n[Alpha]\n[gamma]\n[Delta]\nz=1\nB=2\na=3\n");
    auto f = open();
    EXPECT_EQ(columnTexts(f->GroupList()), (QStringList{"Alpha", "beta", "Delta", "gamma"}));
    ASSERT_TRUE(f->SelectGroup("Delta"));
    EXPECT_EQ(columnTexts(f->ReportList()), (QStringList{"a", "B", "z"}));
}

TEST_F(EditorTest, WithoutGroupsTheGroupCommandsAreDisabled)
{
    // Both a missing file and a file without sections are an empty catalogue.
    for (bool exists : {false, true}) {
        SCOPED_TRACE(exists ? "file without sections" : "missing file");
        if (exists)
            writeCatalogue("; nothing here\n");
        auto f = open();
        EXPECT_EQ(f->GroupList()->topLevelItemCount(), 0);
        EXPECT_EQ(f->SelectedGroup(), QString());
        EXPECT_EQ(enabled(*f), (Commands{false, false, false}));
        EXPECT_TRUE(f->GroupLabel()->text().isEmpty());
        // The commands do nothing without a selection, and ask nothing.
        f->DeleteGroup();
        f->EditReport();
        f->DeleteReport();
        EXPECT_TRUE(m_prompt.Records().isEmpty());
        EXPECT_EQ(QFile::exists(catalogue()), exists);
    }
}

TEST_F(EditorTest, AddGroupAsksForANameAndAppendsAnEmptySection)
{
    auto f = open(); // the file does not exist yet
    m_prompt.QueueInput(QString("Stock"));
    f->AddGroupAction()->trigger();
    ASSERT_EQ(m_prompt.Records().size(), 1);
    const auto &asked = m_prompt.Records().first();
    EXPECT_EQ(asked.kind, TScriptedPrompt::Record::Input);
    EXPECT_EQ(asked.caption, "New group");
    EXPECT_EQ(asked.text, "Enter new group name :");
    EXPECT_EQ(asked.initialValue, "");
    EXPECT_EQ(catalogueText(), QByteArray("[Stock]\n"));
    EXPECT_EQ(columnTexts(f->GroupList()), QStringList{"Stock"});

    m_prompt.QueueInput(QString("R&D"));
    f->AddGroup();
    EXPECT_EQ(catalogueText(), QByteArray("[Stock]\n[R&D]\n"));
    EXPECT_EQ(columnTexts(f->GroupList()), (QStringList{"R&D", "Stock"}));
    EXPECT_EQ(f->SelectedGroup(), "R&D");
    EXPECT_EQ(f->GroupLabel()->text(), "R&D");
    EXPECT_EQ(enabled(*f), (Commands{true, true, false}));
}

TEST_F(EditorTest, AddGroupCancelledEmptyOrDuplicateChangesNothing)
{
    writeCatalogue(Sample);
    auto f = open();
    m_prompt.QueueInput(std::nullopt);
    f->AddGroup();
    m_prompt.QueueInput(QString(""));
    f->AddGroup();
    m_prompt.QueueInput(QString("   "));
    f->AddGroup();
    m_prompt.QueueInput(QString("sales")); // exists, in another case
    f->AddGroup();
    EXPECT_EQ(catalogueText(), Sample);
    EXPECT_EQ(columnTexts(f->GroupList()), (QStringList{"Archive", "Sales", "Stock"}));
    EXPECT_EQ(f->SelectedGroup(), "Sales");
    EXPECT_TRUE(messages(m_prompt).size() == 4); // the four prompts, no error box
}

TEST_F(EditorTest, AnInvalidGroupNameIsReported)
{
    writeCatalogue(Sample);
    auto f = open();
    m_prompt.QueueInput(QString("Bad]name"));
    f->AddGroup();
    ASSERT_EQ(m_prompt.Records().size(), 2);
    EXPECT_EQ(m_prompt.Records().at(1).type, mtError);
    EXPECT_EQ(m_prompt.Records().at(1).caption, "Error");
    EXPECT_EQ(catalogueText(), Sample);
    EXPECT_EQ(f->GroupList()->topLevelItemCount(), 3);
}

TEST_F(EditorTest, DeleteGroupAsksAndLeavesNoGroupSelected)
{
    writeCatalogue(Sample);
    auto f = open();
    ASSERT_TRUE(f->SelectGroup("Sales"));

    m_prompt.QueueAnswer(mrNo);
    f->DeleteGroupAction()->trigger();
    ASSERT_EQ(m_prompt.Records().size(), 1);
    const auto &asked = m_prompt.Records().first();
    EXPECT_EQ(asked.caption, "Delete confirmation");
    EXPECT_EQ(asked.text, "Selected group will be deleted.\nContinue?");
    EXPECT_EQ(asked.type, mtInformation);
    EXPECT_EQ(asked.buttons, TMsgButtons::YesNo);
    EXPECT_EQ(catalogueText(), Sample);
    EXPECT_EQ(f->SelectedGroup(), "Sales");

    m_prompt.QueueAnswer(mrYes);
    f->DeleteGroup();
    EXPECT_EQ(catalogueText(), QByteArray("[Stock]\n[Archive]\nold=Old report\n"));
    EXPECT_EQ(columnTexts(f->GroupList()), (QStringList{"Archive", "Stock"}));
    EXPECT_EQ(f->SelectedGroup(), QString());
    EXPECT_EQ(f->ReportList()->topLevelItemCount(), 0);
    EXPECT_TRUE(f->GroupLabel()->text().isEmpty());
    EXPECT_EQ(enabled(*f), (Commands{false, false, false}));

    // Until another group is selected.
    ASSERT_TRUE(f->SelectGroup("Archive"));
    EXPECT_EQ(enabled(*f), (Commands{true, true, true}));
}

TEST_F(EditorTest, RenamingAGroupMovesItsSectionToTheEndWithSortedReports)
{
    writeCatalogue(Sample);
    auto f = open();
    ASSERT_TRUE(f->SelectGroup("Sales"));
    editInPlace(f->GroupList(), findItem(f->GroupList(), "Sales"), 0, "Turnover");
    EXPECT_EQ(catalogueText(),
              QByteArray("[Stock]\n[Archive]\nold=Old report\n"
                         "[Turnover]\nclients=Client list\nmonthly=Monthly sales by region\n"));
    EXPECT_EQ(columnTexts(f->GroupList()), (QStringList{"Archive", "Stock", "Turnover"}));
    EXPECT_EQ(f->SelectedGroup(), "Turnover");
    EXPECT_EQ(f->GroupLabel()->text(), "Turnover");
    EXPECT_EQ(columnTexts(f->ReportList()), (QStringList{"clients", "monthly"}));
    EXPECT_TRUE(m_prompt.Records().isEmpty());
}

TEST_F(EditorTest, RenamingAnEmptyGroupKeepsAnEmptySection)
{
    writeCatalogue(Sample);
    auto f = open();
    ASSERT_TRUE(f->SelectGroup("Stock"));
    // "Edit group" starts the in-place editing of the selected group.
    f->EditGroupAction()->trigger();
    QLineEdit *editor = openEditor(f->GroupList());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "Stock");
    editor->selectAll();
    QTest::keyClicks(editor, "Warehouse");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the editor commits from the event loop
    EXPECT_EQ(catalogueText(), QByteArray("[Sales]\nmonthly=Monthly sales by region\nclients=Client list\n"
                                          "[Archive]\nold=Old report\n[Warehouse]\n"));
}

TEST_F(EditorTest, RenamingOntoAnotherGroupOrToNothingIsUndone)
{
    writeCatalogue(Sample);
    auto f = open();
    ASSERT_TRUE(f->SelectGroup("Sales"));
    editInPlace(f->GroupList(), findItem(f->GroupList(), "Sales"), 0, "archive");
    EXPECT_EQ(catalogueText(), Sample);
    ASSERT_EQ(m_prompt.Records().size(), 1);
    EXPECT_EQ(m_prompt.Records().first().type, mtError);
    EXPECT_EQ(columnTexts(f->GroupList()), (QStringList{"Archive", "Sales", "Stock"}));

    editInPlace(f->GroupList(), findItem(f->GroupList(), "Sales"), 0, "  ");
    EXPECT_EQ(catalogueText(), Sample);
    EXPECT_EQ(columnTexts(f->GroupList()), (QStringList{"Archive", "Sales", "Stock"}));
}

TEST_F(EditorTest, AddReportUsesThePropertyDialog)
{
    writeCatalogue(Sample);
    auto f = open();
    ASSERT_TRUE(f->SelectGroup("Stock"));
    TModalDriver driver;
    QString shownKey, shownDescription;
    driver.Expect(fillProperty("levels", "Stock levels", true, &shownKey, &shownDescription));
    f->AddReportAction()->trigger();
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_EQ(shownKey, "");
    EXPECT_EQ(shownDescription, "NONAME Report");
    EXPECT_EQ(catalogueText(),
              QByteArray("[Stock]\nlevels=Stock levels\n[Sales]\nmonthly=Monthly sales by region\n"
                         "clients=Client list\n[Archive]\nold=Old report\n"));
    EXPECT_EQ(columnTexts(f->ReportList()), QStringList{"levels"});
    EXPECT_EQ(enabled(*f), (Commands{true, true, true}));
}

TEST_F(EditorTest, AddReportCancelledOrWithoutFileChangesNothing)
{
    writeCatalogue(Sample);
    auto f = open();
    ASSERT_TRUE(f->SelectGroup("Stock"));
    TModalDriver driver;
    driver.Expect(fillProperty("levels", "Stock levels", false));
    driver.Expect(fillProperty("", "No file", true));
    driver.Expect(fillProperty("   ", "Blank file", true));
    f->AddReport();
    f->AddReport();
    f->AddReport();
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_EQ(catalogueText(), Sample);
    EXPECT_EQ(f->ReportList()->topLevelItemCount(), 0);
    EXPECT_FALSE(f->DeleteReportAction()->isEnabled());
}

TEST_F(EditorTest, AddingAnExistingKeyReplacesItsDescription)
{
    writeCatalogue(Sample);
    auto f = open();
    ASSERT_TRUE(f->SelectGroup("Sales"));
    TModalDriver driver;
    driver.Expect(fillProperty("Monthly", "Sales per month", true));
    f->AddReport();
    EXPECT_EQ(catalogueText(), QByteArray("[Stock]\n[Sales]\nmonthly=Sales per month\nclients=Client list\n"
                                          "[Archive]\nold=Old report\n"));
    // The list mirrors the file: still one row per key.
    EXPECT_EQ(columnTexts(f->ReportList(), 0), (QStringList{"clients", "monthly"}));
    EXPECT_EQ(columnTexts(f->ReportList(), 1), (QStringList{"Client list", "Sales per month"}));
}

TEST_F(EditorTest, PickingAFileGivesItsNameWithoutDirectoryAndExtension)
{
    writeCatalogue(Sample);
    auto f = open();
    ASSERT_TRUE(f->SelectGroup("Stock"));
    TEditform::SetFileChooser([](QWidget *) { return QStringLiteral("C:\\Reports\\monthly.sales.qr2"); });
    TModalDriver driver;
    driver.Expect([](QWidget *w) {
        auto *dialog = qobject_cast<TEditform *>(w);
        ASSERT_NE(dialog, nullptr);
        QTest::mouseClick(dialog->findChild<QToolButton *>("ChooseButton"), Qt::LeftButton);
        EXPECT_EQ(dialog->FileText(), "monthly.sales");
        dialog->accept();
    });
    f->AddReport();
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_EQ(catalogueText(),
              QByteArray("[Stock]\nmonthly.sales=NONAME Report\n[Sales]\nmonthly=Monthly sales by "
                         "region\nclients=Client list\n[Archive]\nold=Old report\n"));
    EXPECT_EQ(columnTexts(f->ReportList(), 0), QStringList{"monthly.sales"});
}

TEST_F(EditorTest, EditReportByDoubleClickRewritesTheLine)
{
    writeCatalogue(Sample);
    auto f = open();
    ASSERT_TRUE(f->SelectGroup("Sales"));
    TModalDriver driver;
    QString shownKey, shownDescription;
    driver.Expect(fillProperty("weekly", "Weekly sales", true, &shownKey, &shownDescription));
    doubleClick(f->ReportList(), findItem(f->ReportList(), "monthly"));
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_EQ(shownKey, "monthly");
    EXPECT_EQ(shownDescription, "Monthly sales by region");
    EXPECT_EQ(catalogueText(), QByteArray("[Stock]\n[Sales]\nclients=Client list\nweekly=Weekly sales\n"
                                          "[Archive]\nold=Old report\n"));
    EXPECT_EQ(columnTexts(f->ReportList(), 0), (QStringList{"clients", "weekly"}));
    EXPECT_EQ(columnTexts(f->ReportList(), 1), (QStringList{"Client list", "Weekly sales"}));

    // Cancel, and OK with an emptied file field, change nothing.
    const QByteArray before = catalogueText();
    driver.Expect(fillProperty("other", "Other", false));
    driver.Expect(fillProperty("", "Other", true));
    ASSERT_TRUE(f->SelectReport("clients"));
    f->EditReportAction()->trigger();
    f->EditReport();
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_EQ(catalogueText(), before);
    EXPECT_EQ(columnTexts(f->ReportList(), 1), (QStringList{"Client list", "Weekly sales"}));
}

TEST_F(EditorTest, EditReportOntoAnotherKeyLeavesOneRow)
{
    writeCatalogue(Sample);
    auto f = open();
    ASSERT_TRUE(f->SelectGroup("Sales"));
    ASSERT_TRUE(f->SelectReport("monthly"));
    TModalDriver driver;
    driver.Expect(fillProperty("clients", "Clients again", true));
    f->EditReport();
    EXPECT_EQ(catalogueText(),
              QByteArray("[Stock]\n[Sales]\nclients=Clients again\n[Archive]\nold=Old report\n"));
    EXPECT_EQ(columnTexts(f->ReportList(), 0), QStringList{"clients"});
    EXPECT_EQ(columnTexts(f->ReportList(), 1), QStringList{"Clients again"});
}

TEST_F(EditorTest, EditReportWithoutSelectionDoesNothing)
{
    writeCatalogue(Sample);
    auto f = open();
    ASSERT_TRUE(f->SelectGroup("Sales"));
    f->ReportList()->clearSelection();
    TModalDriver driver; // any dialog would be a failure
    f->EditReport();
    f->DeleteReport();
    QApplication::processEvents();
    EXPECT_EQ(driver.Unexpected(), 0);
    EXPECT_TRUE(m_prompt.Records().isEmpty());
    EXPECT_EQ(catalogueText(), Sample);
}

TEST_F(EditorTest, EditingAReportKeyInPlaceMovesItsLine)
{
    writeCatalogue(Sample);
    auto f = open();
    ASSERT_TRUE(f->SelectGroup("Sales"));
    editInPlace(f->ReportList(), findItem(f->ReportList(), "clients"), 0, "customers");
    EXPECT_EQ(catalogueText(),
              QByteArray("[Stock]\n[Sales]\nmonthly=Monthly sales by region\ncustomers=Client list\n"
                         "[Archive]\nold=Old report\n"));
    EXPECT_EQ(columnTexts(f->ReportList(), 0), (QStringList{"customers", "monthly"}));

    // A key that cannot stand in the file is refused and the row keeps its key.
    editInPlace(f->ReportList(), findItem(f->ReportList(), "monthly"), 0, "a=b");
    EXPECT_EQ(m_prompt.Records().size(), 1);
    EXPECT_EQ(columnTexts(f->ReportList(), 0), (QStringList{"customers", "monthly"}));
    EXPECT_TRUE(catalogueText().contains("monthly=Monthly sales by region\n"));
}

TEST_F(EditorTest, EditingAKeyInPlaceOntoAnotherKeyLeavesOneRow)
{
    writeCatalogue(Sample);
    auto f = open();
    ASSERT_TRUE(f->SelectGroup("Sales"));
    editInPlace(f->ReportList(), findItem(f->ReportList(), "clients"), 0, "Monthly");
    // The old line goes; the other key's line takes the moved description.
    EXPECT_EQ(catalogueText(),
              QByteArray("[Stock]\n[Sales]\nmonthly=Client list\n[Archive]\nold=Old report\n"));
    EXPECT_EQ(columnTexts(f->ReportList(), 0), QStringList{"monthly"});
    EXPECT_EQ(columnTexts(f->ReportList(), 1), QStringList{"Client list"});
}

TEST_F(EditorTest, OnlyTheReportKeyIsEditableInPlace)
{
    writeCatalogue(Sample);
    auto f = open();
    ASSERT_TRUE(f->SelectGroup("Sales"));
    QTreeWidgetItem *row = findItem(f->ReportList(), "clients");
    f->ReportList()->editItem(row, 1);
    EXPECT_EQ(openEditor(f->ReportList()), nullptr);
    f->ReportList()->editItem(row, 0);
    EXPECT_NE(openEditor(f->ReportList()), nullptr);
}

TEST_F(EditorTest, DeletingTheLastReportKeepsTheGroup)
{
    writeCatalogue(Sample);
    auto f = open();
    ASSERT_TRUE(f->SelectGroup("Archive"));
    ASSERT_TRUE(f->SelectReport("old"));

    m_prompt.QueueAnswer(mrNo);
    f->DeleteReportAction()->trigger();
    EXPECT_EQ(catalogueText(), Sample);
    ASSERT_EQ(m_prompt.Records().size(), 1);
    EXPECT_EQ(m_prompt.Records().first().caption, "Delete confirmation");
    EXPECT_EQ(m_prompt.Records().first().text, "Selected report will be deleted.\nContinue?");
    EXPECT_EQ(m_prompt.Records().first().type, mtInformation);
    EXPECT_EQ(m_prompt.Records().first().buttons, TMsgButtons::YesNo);

    m_prompt.QueueAnswer(mrYes);
    f->DeleteReport();
    EXPECT_EQ(catalogueText(),
              QByteArray("[Stock]\n[Sales]\nmonthly=Monthly sales by region\nclients=Client list\n"
                         "[Archive]\n"));
    EXPECT_EQ(f->ReportList()->topLevelItemCount(), 0);
    EXPECT_EQ(columnTexts(f->GroupList()), (QStringList{"Archive", "Sales", "Stock"}));

    ASSERT_TRUE(f->SelectGroup("Sales"));
    ASSERT_TRUE(f->SelectGroup("Archive"));
    EXPECT_EQ(enabled(*f), (Commands{true, true, false}));
}

TEST_F(EditorTest, CloseButtonClosesTheEditorAndTheFileStays)
{
    writeCatalogue(Sample);
    TModalDriver driver;
    bool sawEditor = false;
    driver.Expect([&](QWidget *w) {
        auto *editor = qobject_cast<TIniEditForm *>(w);
        ASSERT_NE(editor, nullptr);
        sawEditor = true;
        QTest::mouseClick(editor->findChild<QPushButton *>("CloseButton"), Qt::LeftButton);
    });
    TIniEditForm::Execute(nullptr, catalogue());
    EXPECT_TRUE(sawEditor);
    EXPECT_EQ(catalogueText(), Sample);
}

TEST_F(EditorTest, RemembersWindowPlaceAndColumnWidths)
{
    writeCatalogue(Sample);
    {
        auto f = open();
        f->move(40, 50);
        f->resize(700, 420);
        f->Splitter()->setSizes({300, 380});
        QApplication::processEvents();
        f->ReportList()->setColumnWidth(0, 180);
        f->accept();
    }
    auto g = open();
    EXPECT_EQ(g->pos(), QPoint(40, 50));
    EXPECT_EQ(g->size(), QSize(700, 420));
    EXPECT_EQ(g->Splitter()->sizes().at(0), 300);
    EXPECT_EQ(g->ReportList()->columnWidth(0), 180);
}

TEST_F(EditorTest, CorruptRememberedLayoutIsIgnored)
{
    ASSERT_TRUE(testutil::writeFile(UserSettingsDir() + "/IniEditor.Ini",
                                    "[TIniEditForm]\nLeft=abc\nTop=-99999\nWidth=-5\nHeight=zz\n"
                                    "[TIniEditForm.Reports]\nColumn0=0\nColumn1=999999\n"));
    auto f = std::make_unique<TIniEditForm>(catalogue());
    EXPECT_EQ(f->size(), QSize(600, 380));
    EXPECT_GE(f->ReportList()->columnWidth(0), 16);
}

TEST_F(EditorTest, EditsTheFileOfTheFirstArgument)
{
    EXPECT_EQ(TIniEditForm::CatalogueFileName({"tabulon", path("other.ini")}), path("other.ini"));
    // Without an argument: "Reports.Ini" in the program directory, in whatever case it exists.
    EXPECT_EQ(TIniEditForm::CatalogueFileName({"tabulon"}), ProgramDir() + "Reports.Ini");
    writeCatalogue(Sample);
    EXPECT_EQ(TIniEditForm::CatalogueFileName({"tabulon"}), catalogue());
    EXPECT_EQ(TIniEditForm::CatalogueFileName({}), catalogue());
}

// The report property dialog on its own.

TEST(EditformKey, DropsDirectoryAndExtension)
{
    EXPECT_EQ(TEditform::KeyFromFileName("C:\\Reports\\monthly.sales.qr2"), "monthly.sales");
    EXPECT_EQ(TEditform::KeyFromFileName("/home/u/reports/Clients.QR2"), "Clients");
    EXPECT_EQ(TEditform::KeyFromFileName("plain"), "plain");
    EXPECT_EQ(TEditform::KeyFromFileName("dir.v2/report"), "report");
    EXPECT_EQ(TEditform::KeyFromFileName("C:\\x\\.qr2"), "");
    EXPECT_EQ(TEditform::KeyFromFileName(""), "");
}

TEST_F(EditorTest, PropertyDialogReportsAcceptanceOnlyForOkWithAFile)
{
    struct Case {
        QString file;
        bool ok;
        bool accepted;
    };
    for (const Case &c : {Case{"new", true, true}, Case{"new", false, false}, Case{"", true, false}}) {
        SCOPED_TRACE(c.file.toStdString() + (c.ok ? " OK" : " Cancel"));
        TModalDriver driver;
        driver.Expect(fillProperty(c.file, "Described", c.ok));
        QString key = "old", description = "Old";
        EXPECT_EQ(TEditform::Execute(nullptr, key, description), c.accepted);
        EXPECT_EQ(key, c.accepted ? "new" : "old");
        EXPECT_EQ(description, c.accepted ? "Described" : "Old");
    }
}

TEST_F(EditorTest, CancelledFileChoiceKeepsTheField)
{
    TEditform::SetFileChooser([](QWidget *) { return QString(); });
    TEditform dialog;
    dialog.SetValues("kept", "Kept");
    dialog.ChooseFile();
    EXPECT_EQ(dialog.FileText(), "kept");
    EXPECT_EQ(dialog.DescriptionText(), "Kept");
}

// What keyboard users and quick clickers run into.

namespace
{
// Shows the editor as the active window, so that its shortcuts and focus work as for a user.
void activate(QWidget *w)
{
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
}

QPoint cellCentre(const QTreeWidget *list, QTreeWidgetItem *item)
{
    const QRect rect = list->visualItemRect(item);
    return {list->columnViewportPosition(0) + 8, rect.center().y()};
}
} // namespace

TEST_F(EditorTest, DoubleClickOnTheSelectedReportLeavesNoEditorOpen)
{
    writeCatalogue(Sample);
    auto f = open();
    activate(f.get());
    ASSERT_TRUE(f->SelectGroup("Sales"));
    QTreeWidget *list = f->ReportList();
    ASSERT_TRUE(f->SelectReport("monthly"));
    list->setFocus();
    TModalDriver driver;
    driver.Expect([](QWidget *w) {
        // The dialog stays up longer than the click that began the double click would wait
        // before editing in place.
        QTest::qWait(QApplication::doubleClickInterval() + 300);
        qobject_cast<QDialog *>(w)->reject();
    });
    const QPoint at = cellCentre(list, findItem(list, "monthly"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(driver.Pending(), 0);
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    EXPECT_EQ(openEditor(list), nullptr);
    // The next keystrokes rename nothing.
    QTest::keyClicks(list, "xyz");
    QApplication::processEvents();
    EXPECT_EQ(catalogueText(), Sample);
    // A single click on the selected report still starts in-place editing.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::qWait(QApplication::doubleClickInterval() + 200);
    EXPECT_NE(openEditor(list), nullptr);
}

TEST_F(EditorTest, ClickingAnotherGroupEndsTheRenameAndSelectsTheClickedGroup)
{
    writeCatalogue(Sample);
    auto f = open();
    activate(f.get());
    QTreeWidget *groups = f->GroupList();
    ASSERT_EQ(columnTexts(groups), (QStringList{"Archive", "Sales", "Stock"}));
    ASSERT_TRUE(f->SelectGroup("Archive"));
    f->EditGroup();
    QLineEdit *editor = openEditor(groups);
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->hasFocus());
    editor->selectAll();
    QTest::keyClicks(editor, "Zeta");
    // "Sales" sits in the second row; after the rename "Stock" would.
    QTest::mouseClick(groups->viewport(), Qt::LeftButton, {}, cellCentre(groups, findItem(groups, "Sales")));
    QApplication::processEvents();
    EXPECT_EQ(f->SelectedGroup(), "Sales");
    EXPECT_EQ(f->GroupLabel()->text(), "Sales");
    EXPECT_EQ(columnTexts(f->ReportList()), (QStringList{"clients", "monthly"}));
    EXPECT_EQ(columnTexts(groups), (QStringList{"Sales", "Stock", "Zeta"}));
    EXPECT_EQ(catalogueText(), QByteArray("[Stock]\n[Sales]\nmonthly=Monthly sales by region\n"
                                          "clients=Client list\n[Zeta]\nold=Old report\n"));
    // The header stays as it was set up.
    EXPECT_FALSE(groups->header()->sectionsClickable());
    EXPECT_FALSE(groups->header()->isSortIndicatorShown());
}

TEST_F(EditorTest, MenusLauncherAndEditorAgreeOnOneCatalogueWhateverItsSpelling)
{
    ASSERT_TRUE(testutil::writeFile(path("reports.ini"), "[Lower]\na=A\n"));
    ASSERT_TRUE(testutil::writeFile(path("Reports.Ini"), "[Upper]\nb=B\n"));
    const QString file = TIniEditForm::CatalogueFileName({"tabulon"});
    EXPECT_EQ(file, TCatalogue::ProgramCatalogue());
    EXPECT_EQ(FindFileInDir(ProgramDir(), Tfm_main::CatalogueFile()), file);
    auto f = std::make_unique<TIniEditForm>(file);
    EXPECT_EQ(f->GroupNames(), QStringList{"Lower"});

    // With one spelling only, both find it.
    QFile::remove(path("reports.ini"));
    EXPECT_EQ(TIniEditForm::CatalogueFileName({"tabulon"}), path("Reports.Ini"));
    EXPECT_EQ(TCatalogue::ProgramCatalogue(), path("Reports.Ini"));
}

TEST_F(EditorTest, KeyboardCommandsInTheFocusedList)
{
    writeCatalogue(Sample);
    auto f = open();
    activate(f.get());
    QTreeWidget *groups = f->GroupList();
    QTreeWidget *reports = f->ReportList();

    // Groups: Insert adds, F2 and Enter edit in place, Delete deletes.
    groups->setFocus();
    ASSERT_TRUE(f->SelectGroup("Stock"));
    m_prompt.QueueInput(QStringLiteral("Keys"));
    QTest::keyClick(groups, Qt::Key_Insert);
    EXPECT_EQ(f->SelectedGroup(), "Keys");
    EXPECT_TRUE(catalogueText().endsWith("[Keys]\n")) << catalogueText().toStdString();
    for (Qt::Key key : {Qt::Key_F2, Qt::Key_Return, Qt::Key_Enter}) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        groups->setFocus();
        QTest::keyClick(groups, key);
        QLineEdit *editor = openEditor(groups);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->text(), "Keys");
        // Delete inside the editor edits the text; it deletes no group.
        QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClick(editor, Qt::Key_Escape);
        QApplication::processEvents();
        EXPECT_EQ(openEditor(groups), nullptr);
    }
    EXPECT_TRUE(m_prompt.Records().size() == 1);
    groups->setFocus();
    m_prompt.QueueAnswer(mrYes);
    QTest::keyClick(groups, Qt::Key_Delete);
    ASSERT_EQ(messages(m_prompt).size(), 2);
    EXPECT_EQ(messages(m_prompt).last().text, "Selected group will be deleted.\nContinue?");
    EXPECT_FALSE(catalogueText().contains("[Keys]"));

    // Reports: Insert adds, F2 and Enter open the property dialog, Delete deletes.
    ASSERT_TRUE(f->SelectGroup("Sales"));
    ASSERT_TRUE(f->SelectReport("clients"));
    reports->setFocus();
    TModalDriver driver;
    driver.Expect(fillProperty("added", "Added by key", true));
    QTest::keyClick(reports, Qt::Key_Insert);
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_TRUE(catalogueText().contains("added=Added by key\n"));
    for (Qt::Key key : {Qt::Key_F2, Qt::Key_Return, Qt::Key_Enter}) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        QString shownKey;
        driver.Expect(fillProperty("x", "x", false, &shownKey));
        activate(f.get()); // the closed dialog took the activation along
        reports->setFocus();
        QTest::keyClick(reports, key);
        EXPECT_EQ(driver.Pending(), 0);
        EXPECT_EQ(shownKey, "added");
    }
    m_prompt.QueueAnswer(mrYes);
    activate(f.get());
    reports->setFocus();
    QTest::keyClick(reports, Qt::Key_Delete);
    EXPECT_EQ(messages(m_prompt).last().text, "Selected report will be deleted.\nContinue?");
    EXPECT_FALSE(catalogueText().contains("added="));
    EXPECT_EQ(driver.Unexpected(), 0);
}

TEST_F(EditorTest, ContextMenusTooltipsAndTheStateOfTheEditCommands)
{
    writeCatalogue(Sample);
    auto f = open();
    // Each list offers its three commands in its context menu.
    EXPECT_EQ(f->GroupList()->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(f->GroupList()->actions(),
              (QList<QAction *>{f->AddGroupAction(), f->EditGroupAction(), f->DeleteGroupAction()}));
    EXPECT_EQ(f->ReportList()->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_EQ(f->ReportList()->actions(),
              (QList<QAction *>{f->AddReportAction(), f->EditReportAction(), f->DeleteReportAction()}));
    // Every toolbar command names its key.
    const QString ins = QKeySequence(Qt::Key_Insert).toString(QKeySequence::NativeText);
    const QString del = QKeySequence(Qt::Key_Delete).toString(QKeySequence::NativeText);
    EXPECT_EQ(f->AddGroupAction()->toolTip(), "Add group (" + ins + ")");
    EXPECT_EQ(f->EditGroupAction()->toolTip(), "Edit group (F2)");
    EXPECT_EQ(f->DeleteGroupAction()->toolTip(), "Delete group (" + del + ")");
    EXPECT_EQ(f->AddReportAction()->toolTip(), "Add report (" + ins + ")");
    EXPECT_EQ(f->EditReportAction()->toolTip(), "Edit report (F2)");
    EXPECT_EQ(f->DeleteReportAction()->toolTip(), "Delete report (" + del + ")");
    for (QAction *a : f->GroupList()->actions() + f->ReportList()->actions())
        EXPECT_FALSE(a->shortcut().isEmpty()) << a->text().toStdString();

    // "Edit group" and "Edit report" need a selection.
    ASSERT_TRUE(f->SelectGroup("Sales"));
    EXPECT_TRUE(f->EditGroupAction()->isEnabled());
    EXPECT_FALSE(f->EditReportAction()->isEnabled());
    ASSERT_TRUE(f->SelectReport("clients"));
    EXPECT_TRUE(f->EditReportAction()->isEnabled());
    f->ReportList()->clearSelection();
    EXPECT_FALSE(f->EditReportAction()->isEnabled());
    m_prompt.QueueAnswer(mrYes);
    f->DeleteGroup();
    EXPECT_FALSE(f->EditGroupAction()->isEnabled());
    EXPECT_FALSE(f->EditReportAction()->isEnabled());
}

TEST_F(EditorTest, ALongGroupNameIsElidedWithTheWholeNameAsTooltip)
{
    const QString longName = "Quarterly sales of every branch and region " + QString(120, u'x') + " end";
    writeCatalogue("[" + longName.toUtf8() + "]\n[Short]\n");
    auto f = open();
    ASSERT_TRUE(f->SelectGroup(longName));
    QLabel *label = f->GroupLabel();
    EXPECT_NE(label->text(), longName);
    EXPECT_TRUE(label->text().startsWith("Quarterly sales")) << label->text().toStdString();
    EXPECT_TRUE(label->text().endsWith(QChar(0x2026))) << label->text().toStdString();
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width());
    EXPECT_EQ(label->toolTip(), longName);
    // The window did not grow to hold the name.
    EXPECT_LE(f->width(), 800);
    // A wider window shows more of it.
    const int shown = int(label->text().size());
    f->resize(f->width() + 300, f->height());
    QApplication::processEvents();
    EXPECT_GT(label->text().size(), shown);
    ASSERT_TRUE(f->SelectGroup("Short"));
    EXPECT_EQ(label->text(), "Short");
    EXPECT_TRUE(label->toolTip().isEmpty());
}

TEST_F(EditorTest, TabGoesFromTheFileToTheDescriptionThenToTheChoiceButton)
{
    TEditform dialog;
    dialog.show();
    activate(&dialog);
    auto *file = dialog.findChild<QLineEdit *>("FileEdit");
    auto *description = dialog.findChild<QLineEdit *>("DescriptionEdit");
    auto *choose = dialog.findChild<QToolButton *>("ChooseButton");
    file->setFocus();
    ASSERT_TRUE(file->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), description);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), choose);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), file);
}
