// The main window Tfm_main: group menus, commands and the close confirmation.

#include "apptest.h"

#include "app/aboutform.h"
#include "app/designerhost.h"
#include "app/images.h"
#include "app/inieditform.h"
#include "app/listreportform.h"
#include "app/mainform.h"
#include "definition/databasesettings.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "definition/runtimecomponents.h"
#include "gui/helpform.h"
#include "gui/shellactions.h"
#include "gui/usersettings.h"
#include "testutil.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

using namespace apptest;

namespace
{
class MainWindowTest : public AppTest
{
protected:
    void TearDown() override
    {
        ShellActions() = TShellActions();
        AppTest::TearDown();
    }

    std::unique_ptr<Tfm_main> open(const QStringList &arguments = {})
    {
        auto w = std::make_unique<Tfm_main>(arguments);
        w->show();
        QApplication::processEvents();
        return w;
    }

    // Closes the window for good (answering Yes) so that it does not linger.
    static void closeForGood(Tfm_main &w, TScriptedPrompt &prompt)
    {
        prompt.QueueAnswer(mrYes);
        w.close();
    }

    // Display texts of a menu's items: what the user reads.
    static QStringList shown(const QMenu *menu)
    {
        QStringList texts;
        for (const QAction *a : menu->actions()) {
            QString t = a->text();
            t.replace("&&", "\x01");
            t.remove('&');
            t.replace("\x01", "&");
            texts.append(t);
        }
        return texts;
    }

    static QStringList groups(const QMenu *menu)
    {
        QStringList names;
        for (const QAction *a : menu->actions())
            names.append(Tfm_main::GroupOfAction(a));
        return names;
    }

    static QStringList titles(const QMenu *menu)
    {
        QStringList names;
        for (const QAction *a : menu->actions())
            if (!a->isSeparator())
                names.append(a->text().remove('&'));
        return names;
    }
};

bool sameImage(const QIcon &a, const QIcon &b)
{
    return a.pixmap(16, 16).toImage() == b.pixmap(16, 16).toImage();
}
} // namespace

TEST_F(MainWindowTest, GroupMenusFollowTheFileOrderWithCaptionsAsWritten)
{
    writeCatalogue("[Zeta]\nz=Z\n[Alpha]\n[R&D]\np=Prototype\n[Sales & Stock]\n");
    auto w = open();
    for (const QMenu *menu : {w->StartReportMenu(), w->StartButtonMenu()}) {
        SCOPED_TRACE(menu->objectName().toStdString());
        EXPECT_EQ(groups(menu), (QStringList{"Zeta", "Alpha", "R&D", "Sales & Stock"}));
        EXPECT_EQ(shown(menu), (QStringList{"Zeta", "Alpha", "R&D", "Sales & Stock"}));
        for (const QAction *a : menu->actions()) {
            EXPECT_TRUE(sameImage(a->icon(), AppImage(imgGroup)));
            EXPECT_TRUE(a->shortcut().isEmpty());
        }
    }
    EXPECT_EQ(w->StartButton()->menu(), w->StartButtonMenu());
    closeForGood(*w, m_prompt);
}

TEST_F(MainWindowTest, NoSectionsOrNoFileGiveEmptyGroupMenus)
{
    for (bool exists : {false, true}) {
        SCOPED_TRACE(exists ? "file without sections" : "missing file");
        if (exists)
            writeCatalogue("stray=line\n");
        auto w = open();
        EXPECT_TRUE(w->StartReportMenu()->actions().isEmpty());
        EXPECT_TRUE(w->StartButtonMenu()->actions().isEmpty());
        EXPECT_TRUE(messages(m_prompt).isEmpty());
        closeForGood(*w, m_prompt);
        m_prompt.Clear();
    }
}

TEST_F(MainWindowTest, MenusAreRebuiltOnEveryShow)
{
    writeCatalogue("[One]\n");
    auto w = open();
    EXPECT_EQ(groups(w->StartReportMenu()), QStringList{"One"});
    w->hide();
    writeCatalogue("[Two]\n[Three]\n");
    w->show();
    QApplication::processEvents();
    EXPECT_EQ(groups(w->StartReportMenu()), (QStringList{"Two", "Three"}));
    EXPECT_EQ(groups(w->StartButtonMenu()), (QStringList{"Two", "Three"}));
    closeForGood(*w, m_prompt);
}

TEST_F(MainWindowTest, AGroupItemWithAmpersandOpensExactlyThatGroup)
{
    writeCatalogue("[R&D]\nproto=Prototype\n[RD]\nother=Other\n");
    auto w = open();
    TModalDriver driver;
    QString group, catalogueName;
    QStringList rows;
    driver.Expect([&](QWidget *modal) {
        auto *launcher = qobject_cast<TListReportForm *>(modal);
        ASSERT_NE(launcher, nullptr);
        group = launcher->Group();
        catalogueName = launcher->CatalogueFile();
        rows = columnTexts(launcher->List(), 1);
        QTest::mouseClick(launcher->CloseButton(), Qt::LeftButton);
    });
    w->StartButtonMenu()->actions().at(0)->trigger();
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_EQ(group, "R&D");
    EXPECT_EQ(catalogueName, "reports.ini");
    EXPECT_EQ(rows, QStringList{"Prototype"});

    driver.Expect([&](QWidget *modal) {
        auto *launcher = qobject_cast<TListReportForm *>(modal);
        ASSERT_NE(launcher, nullptr);
        group = launcher->Group();
        launcher->reject();
    });
    w->StartReportMenu()->actions().at(1)->trigger();
    EXPECT_EQ(group, "RD");
    closeForGood(*w, m_prompt);
}

TEST_F(MainWindowTest, AnsweringNoToCloseKeepsTheProgramRunning)
{
    writeCatalogue("[One]\n");
    auto w = open();
    const QPoint place = w->pos();
    m_prompt.QueueAnswer(mrNo);
    EXPECT_FALSE(w->close());
    ASSERT_EQ(m_prompt.Records().size(), 1);
    const auto &asked = m_prompt.Records().first();
    EXPECT_EQ(asked.text, "Close Tabulon?");
    EXPECT_EQ(asked.caption, "Exit");
    EXPECT_EQ(asked.type, mtConfirmation);
    EXPECT_EQ(asked.buttons, TMsgButtons::YesNo);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->pos(), place);
    EXPECT_EQ(groups(w->StartReportMenu()), QStringList{"One"});

    // "Exit" asks the same question; Yes closes.
    m_prompt.QueueAnswer(mrYes);
    w->ExitAction()->trigger();
    EXPECT_EQ(m_prompt.Records().size(), 2);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->ExitAction()->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4));
}

TEST_F(MainWindowTest, MenusAndToolbarOfferOnlyTheToolsThatExist)
{
    {
        auto w = open();
        EXPECT_EQ(w->windowTitle(), "Tabulon");
        QStringList menuTitles;
        for (const QAction *a : w->menuBar()->actions())
            menuTitles.append(a->text().remove('&'));
        EXPECT_EQ(menuTitles, (QStringList{"Reports", "File", "?"}));
        // The designer is always reached through the window's run-time component.
        EXPECT_EQ(titles(w->ReportsMenu()), (QStringList{"Designer", "Start report"}));
        EXPECT_EQ(titles(w->FileMenu()), (QStringList{"Reports list", "Exit"}));
        EXPECT_EQ(titles(w->HelpMenu()), (QStringList{"Contents", "About"}));
        EXPECT_EQ(w->TuningDialogueAction(), nullptr);
        EXPECT_EQ(w->ExitAction()->toolTip(), "Close program");
        closeForGood(*w, m_prompt);
    }

    QStringList calls;
    QRDesignerWindowHook() = [&](TQRDesignerWindowSettings &s) {
        calls.append("design:" + s.FileName + (s.UndoMenuVisible ? ",undo" : ""));
    };
    ShellActions().EditDialog = [&](QWidget *, const QString &name) { calls.append("dialog:" + name); };
    auto w = open();
    ASSERT_NE(w->DesignerAction(), nullptr);
    ASSERT_NE(w->TuningDialogueAction(), nullptr);
    EXPECT_EQ(titles(w->ReportsMenu()), (QStringList{"Designer", "Start report"}));
    EXPECT_EQ(titles(w->FileMenu()), (QStringList{"Reports list", "Tuning dialogue", "Exit"}));
    EXPECT_EQ(w->DesignerAction()->toolTip(), "Report designer");
    EXPECT_TRUE(w->ToolBar()->actions().contains(w->DesignerAction()));
    w->DesignerAction()->trigger();
    w->TuningDialogueAction()->trigger();
    EXPECT_EQ(calls, (QStringList{"design:", "dialog:"}));
    QRDesignerWindowHook() = nullptr;
    closeForGood(*w, m_prompt);
}

TEST_F(MainWindowTest, DesignerComponentCarriesTheShellSettings)
{
    auto w = open();
    const TReportDesignerDialog *d = w->DesignerDialog();
    ASSERT_NE(d, nullptr);
    using D = TReportDesignerDialog;
    EXPECT_EQ(d->Version(), "1.30");
    EXPECT_EQ(d->UserSettings(), D::TUserSettings(D::AllowSQLEdit | D::AllowDatasetEdit | D::AllowBlockEdit |
                                                  D::AllowScriptEdit));
    EXPECT_EQ(d->EditorSettings(),
              D::TEditorSettings(D::AutoEditAfterInsert | D::ShowDatafieldListbox | D::DatafieldsSorted));
    EXPECT_TRUE(d->ScriptsEnabled());
    EXPECT_TRUE(d->PrintIfEmpty());
    EXPECT_FALSE(d->UsePrinterSettings() || d->UseModalPreview() || d->DefaultDatabaseOnly() ||
                 d->SaveLoadPrinterSetup() || d->UseDataModules() || d->ShowFilterBeforePrint());
    EXPECT_EQ(d->PrinterSettings()->Copies(), 1);
    EXPECT_EQ(d->SQLSettings()->DelimiterType(), TQRDatabaseSettings::delCustom);
    EXPECT_EQ(d->DefaultFileExtension(), ".QR2");
    EXPECT_EQ(d->DefaultFileFilter(), "Reports|*.QR2");

    // Without the designer window the command says so instead of doing nothing.
    QRDesignerWindowHook() = nullptr;
    EnsureDesignerWindowHook();
    w->DesignerAction()->trigger();
    ASSERT_FALSE(m_prompt.Records().isEmpty());
    EXPECT_EQ(m_prompt.Records().constLast().text, QString::fromLatin1(DesignerMissingMessage()));
    QRDesignerWindowHook() = nullptr;
    closeForGood(*w, m_prompt);
}

TEST_F(MainWindowTest, ReportsListEditsTheCatalogueAndRebuildsTheMenus)
{
    writeCatalogue("[Sales]\nm=Monthly\n[Stock]\n");
    auto w = open();
    TModalDriver driver;
    QString editedFile;
    driver.Expect([&](QWidget *modal) {
        auto *editor = qobject_cast<TIniEditForm *>(modal);
        ASSERT_NE(editor, nullptr);
        editedFile = editor->FileName();
        // Rename one group, delete another, add a third.
        ASSERT_TRUE(editor->SelectGroup("Sales"));
        editInPlace(editor->GroupList(), findItem(editor->GroupList(), "Sales"), 0, "Turnover");
        ASSERT_TRUE(editor->SelectGroup("Stock"));
        m_prompt.QueueAnswer(mrYes);
        editor->DeleteGroup();
        m_prompt.QueueInput(QString("New & improved"));
        editor->AddGroup();
        // The menus change only when the editor closes.
        EXPECT_EQ(groups(w->StartReportMenu()), (QStringList{"Sales", "Stock"}));
        QTest::mouseClick(editor->findChild<QPushButton *>("CloseButton"), Qt::LeftButton);
    });
    w->ReportsListAction()->trigger();
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_EQ(editedFile, catalogue());
    EXPECT_EQ(catalogueText(), QByteArray("[Turnover]\nm=Monthly\n[New & improved]\n"));
    EXPECT_EQ(groups(w->StartReportMenu()), (QStringList{"Turnover", "New & improved"}));
    EXPECT_EQ(groups(w->StartButtonMenu()), (QStringList{"Turnover", "New & improved"}));
    closeForGood(*w, m_prompt);
}

TEST_F(MainWindowTest, ReportsListOpensTheFileOfTheFirstArgument)
{
    writeCatalogue("[Main]\n");
    ASSERT_TRUE(testutil::writeFile(path("other.ini"), "[Other]\n"));
    auto w = open({"tabulon", path("other.ini")});
    TModalDriver driver;
    QStringList shownGroups;
    driver.Expect([&](QWidget *modal) {
        auto *editor = qobject_cast<TIniEditForm *>(modal);
        ASSERT_NE(editor, nullptr);
        shownGroups = editor->GroupNames();
        editor->accept();
    });
    w->ReportsListAction()->trigger();
    EXPECT_EQ(shownGroups, QStringList{"Other"});
    EXPECT_EQ(groups(w->StartReportMenu()), QStringList{"Main"}); // the menus keep showing reports.ini
    closeForGood(*w, m_prompt);
}

TEST_F(MainWindowTest, FixedSizeAndRememberedPosition)
{
    auto w = open();
    EXPECT_EQ(w->width(), 321);
    EXPECT_EQ(w->ToolBar()->height(), 29);
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    // First placed in the centre of the screen.
    const QRect area = w->screen()->availableGeometry();
    EXPECT_LE(std::abs(w->geometry().center().x() - area.center().x()), 2);
    w->move(70, 80);
    closeForGood(*w, m_prompt);
    w.reset();

    auto again = open();
    EXPECT_EQ(again->pos(), QPoint(70, 80));
    closeForGood(*again, m_prompt);
}

TEST_F(MainWindowTest, APositionOffTheScreenIsNotRestored)
{
    ASSERT_TRUE(
        testutil::writeFile(UserSettingsDir() + "/Tabulon.ini", "[Tfm_main]\nLeft=90000\nTop=90000\n"));
    auto w = open();
    EXPECT_TRUE(w->screen()->availableGeometry().contains(w->geometry().center()));
    closeForGood(*w, m_prompt);
}

TEST_F(MainWindowTest, ContentsShowsTheHelpTopics)
{
    auto w = open();
    TModalDriver driver;
    QList<int> reached;
    QString contentsText;
    driver.Expect([&](QWidget *modal) {
        auto *help = qobject_cast<THelpForm *>(modal);
        ASSERT_NE(help, nullptr);
        contentsText = help->Browser()->toPlainText();
        EXPECT_EQ(help->CurrentTopic(), 0);
        for (int topic : THelpForm::Topics()) {
            if (help->GoToTopic(topic) && !help->Browser()->toPlainText().isEmpty())
                reached.append(help->CurrentTopic());
        }
        EXPECT_FALSE(help->GoToTopic(4711));
        EXPECT_EQ(help->CurrentTopic(), 0);
        help->reject();
    });
    w->ContentsAction()->trigger();
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_EQ(reached, THelpForm::Topics());
    EXPECT_TRUE(reached.contains(htMainWindow));
    EXPECT_TRUE(reached.contains(htDescriptorEditor));
    EXPECT_EQ(htMainWindow, 1001);
    EXPECT_EQ(htDescriptorEditor, 1004);
    EXPECT_TRUE(contentsText.contains(THelpForm::TopicTitle(htMainWindow)));
    EXPECT_TRUE(contentsText.contains(THelpForm::TopicTitle(htDescriptorEditor)));
    closeForGood(*w, m_prompt);
}

TEST_F(MainWindowTest, AboutShowsTheAboutBox)
{
    auto w = open();
    TModalDriver driver;
    QString title;
    driver.Expect([&](QWidget *modal) {
        title = modal->windowTitle();
        EXPECT_NE(qobject_cast<TAboutForm *>(modal), nullptr);
        static_cast<QDialog *>(modal)->accept();
    });
    w->AboutAction()->trigger();
    EXPECT_EQ(driver.Pending(), 0);
    EXPECT_EQ(title, "About");
    closeForGood(*w, m_prompt);
}

TEST(AppImages, EveryImageIsDrawnAndOutOfRangeIsEmpty)
{
    for (int i = 0; i < imgCount; ++i) {
        SCOPED_TRACE(i);
        const QImage image = AppImage(i).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        int painted = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                painted += qAlpha(image.pixel(x, y)) > 0;
        EXPECT_GT(painted, 20);
    }
    // Images that stand for different things look different.
    EXPECT_NE(AppImage(imgGroup).pixmap(16, 16).toImage(), AppImage(imgReport).pixmap(16, 16).toImage());
    EXPECT_NE(AppImage(imgGroup).pixmap(16, 16).toImage(), AppImage(imgGroupOpen).pixmap(16, 16).toImage());
    EXPECT_TRUE(AppImage(-1).isNull());
    EXPECT_TRUE(AppImage(imgCount).isNull());
}
