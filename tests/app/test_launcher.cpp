// The launcher "Available reports".

#include "apptest.h"

#include "app/listreportform.h"
#include "common/programdir.h"
#include "definition/designreport.h"
#include "definition/loader.h"
#include "definition/runtimecomponents.h"
#include "gui/shellactions.h"
#include "testutil.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using namespace apptest;

namespace
{
struct TCall {
    QString tool, first, second;
    bool operator==(const TCall &) const = default;
};

class LauncherTest : public AppTest
{
protected:
    void TearDown() override
    {
        ShellActions() = TShellActions();
        QRDesignerWindowHook() = nullptr;
        AppTest::TearDown();
    }

    // Installs recording stand-ins for the tools the launcher hands over to.
    void installTools()
    {
        ShellActions().StartReport = [this](QWidget *parent, const QString &name,
                                            const QString &description) {
            EXPECT_NE(parent, nullptr);
            m_calls.append({"start", name, description});
        };
        QRDesignerWindowHook() = [this](TQRDesignerWindowSettings &s) {
            m_calls.append({"design", s.FileName, s.UndoMenuVisible ? "undo" : ""});
        };
        ShellActions().EditDialog = [this](QWidget *, const QString &name) {
            m_calls.append({"dialog", name, {}});
        };
    }

    std::unique_ptr<TListReportForm> open(const QString &group)
    {
        auto form = std::make_unique<TListReportForm>("reports.ini", group);
        form->show();
        QApplication::processEvents();
        return form;
    }

    int beeps() const
    {
        int n = 0;
        for (const auto &r : m_prompt.Records())
            n += r.kind == TScriptedPrompt::Record::Beep;
        return n;
    }

    QList<TCall> m_calls;
};

const QByteArray Sample = "[Sales]\n"
                          "zeta=Last by name, first in file\n"
                          "alpha=Alpha report\n"
                          "blank=\n"
                          "[Stock]\n"
                          "[R&D]\n"
                          "proto=Prototype\n";
} // namespace

TEST_F(LauncherTest, ListsTheGroupsReportsInFileOrder)
{
    writeCatalogue(Sample);
    auto f = open("sales");
    EXPECT_EQ(f->windowTitle(), "Available reports");
    EXPECT_EQ(f->List()->headerItem()->text(0), "File");
    EXPECT_EQ(f->List()->headerItem()->text(1), "Report name");
    EXPECT_EQ(f->List()->columnWidth(1), 200);
    EXPECT_EQ(columnTexts(f->List(), 0), (QStringList{"zeta", "alpha", "blank"}));
    EXPECT_EQ(columnTexts(f->List(), 1),
              (QStringList{"Last by name, first in file", "Alpha report", "Noname report"}));
    EXPECT_TRUE(f->List()->isVisible());
    EXPECT_FALSE(f->NotFoundLabel()->isVisible());
    EXPECT_EQ(beeps(), 0);
    EXPECT_EQ(f->List()->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(f->List()->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(LauncherTest, AGroupWithoutReportsShowsReportsNotFound)
{
    writeCatalogue(Sample);
    installTools();
    for (const QString group : {"Stock", "No such group"}) {
        SCOPED_TRACE(group.toStdString());
        m_prompt.Clear();
        auto f = open(group);
        EXPECT_TRUE(f->NotFoundLabel()->isVisible());
        EXPECT_EQ(f->NotFoundLabel()->text(), "Reports not found!");
        EXPECT_TRUE(f->NotFoundLabel()->font().bold());
        EXPECT_GT(f->NotFoundLabel()->font().pointSizeF(), f->font().pointSizeF());
        EXPECT_FALSE(f->List()->isVisible());
        ASSERT_NE(f->StartButton(), nullptr);
        EXPECT_FALSE(f->StartButton()->isVisible());
        EXPECT_TRUE(f->CloseButton()->isVisible());
        EXPECT_EQ(beeps(), 1);
        f->StartReport();
        EXPECT_TRUE(m_calls.isEmpty());
    }
}

TEST_F(LauncherTest, AMissingCatalogueIsAnEmptyGroup)
{
    auto f = open("Sales");
    EXPECT_TRUE(f->NotFoundLabel()->isVisible());
    EXPECT_EQ(beeps(), 1);
}

TEST_F(LauncherTest, ListIsFilledAgainOnEveryShow)
{
    writeCatalogue("[Stock]\n");
    auto f = open("Stock");
    EXPECT_TRUE(f->NotFoundLabel()->isVisible());
    f->hide();
    writeCatalogue("[Stock]\nlevels=Stock levels\n");
    f->show();
    QApplication::processEvents();
    EXPECT_FALSE(f->NotFoundLabel()->isVisible());
    EXPECT_EQ(columnTexts(f->List()), QStringList{"levels"});
}

TEST_F(LauncherTest, LongGroupNamesStillFindTheirSection)
{
    const QString longName = "A group name that is a good deal longer than thirty-two characters";
    writeCatalogue("[" + longName.toUtf8() + "]\nr=Report\n");
    auto f = open(longName);
    EXPECT_EQ(f->Group(), longName);
    EXPECT_EQ(columnTexts(f->List()), QStringList{"r"});
}

TEST_F(LauncherTest, WithoutToolsNoCommandIsOffered)
{
    writeCatalogue(Sample);
    auto f = open("Sales");
    EXPECT_EQ(f->StartButton(), nullptr);
    EXPECT_EQ(f->EditDialogAction(), nullptr);
    // The designer is reached through the launcher's own component.
    ASSERT_NE(f->EditReportAction(), nullptr);
    EXPECT_EQ(f->List()->actions(), QList<QAction *>{f->EditReportAction()});
    // Commands called anyway do nothing.
    f->List()->setCurrentItem(f->List()->topLevelItem(0));
    f->StartReport();
    f->EditDialog();
    doubleClick(f->List(), f->List()->topLevelItem(0));
    EXPECT_TRUE(m_calls.isEmpty());
}

TEST_F(LauncherTest, CommandsNeedASelectedRow)
{
    writeCatalogue(Sample);
    installTools();
    auto f = open("Sales");
    ASSERT_NE(f->StartButton(), nullptr);
    EXPECT_EQ(f->StartButton()->text(), "Start report");
    ASSERT_NE(f->EditReportAction(), nullptr);
    EXPECT_EQ(f->EditReportAction()->text(), "Edit report");
    ASSERT_NE(f->EditDialogAction(), nullptr);
    EXPECT_EQ(f->EditDialogAction()->text(), "Edit dialog");
    EXPECT_EQ(f->List()->contextMenuPolicy(), Qt::ActionsContextMenu);

    f->List()->clearSelection();
    QTest::mouseClick(f->StartButton(), Qt::LeftButton);
    f->EditReportAction()->trigger();
    f->EditDialogAction()->trigger();
    EXPECT_TRUE(m_calls.isEmpty());
}

TEST_F(LauncherTest, StartEditAndEditDialogHandOverTheSelectedReport)
{
    writeCatalogue(Sample);
    installTools();
    auto f = open("Sales");
    f->List()->setCurrentItem(findItem(f->List(), "alpha"));
    QTest::mouseClick(f->StartButton(), Qt::LeftButton);
    f->EditReportAction()->trigger();
    f->EditDialogAction()->trigger();
    f->List()->setCurrentItem(findItem(f->List(), "zeta"));
    f->EditReportAction()->trigger(); // no file yet: the designer gets the name to create
    doubleClick(f->List(), findItem(f->List(), "blank"));
    EXPECT_EQ(m_calls, (QList<TCall>{{"start", "alpha", "Alpha report"},
                                     {"design", ProgramDir() + "alpha.qr2", "undo"},
                                     {"dialog", "alpha", {}},
                                     {"design", ProgramDir() + "zeta.qr2", "undo"},
                                     {"start", "blank", "Noname report"}}));
    EXPECT_TRUE(f->isVisible()); // the launcher stays open
}

// The first report is chosen when the list opens: Enter and "Start report" start it at once.
TEST_F(LauncherTest, TheFirstReportIsChosenWhenTheListOpens)
{
    writeCatalogue(Sample);
    installTools();
    auto f = open("Sales");
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.get()));
    EXPECT_EQ(f->List()->selectedItems(), QList<QTreeWidgetItem *>{f->List()->topLevelItem(0)});
    EXPECT_TRUE(f->List()->hasFocus());
    QTest::keyClick(f->List(), Qt::Key_Return);
    QTest::mouseClick(f->StartButton(), Qt::LeftButton);
    EXPECT_EQ(m_calls, (QList<TCall>{{"start", "zeta", "Last by name, first in file"},
                                     {"start", "zeta", "Last by name, first in file"}}));
}

TEST_F(LauncherTest, GroupWithAmpersandIsItsOwnGroup)
{
    writeCatalogue(Sample);
    auto f = open("R&D");
    EXPECT_EQ(columnTexts(f->List(), 1), QStringList{"Prototype"});
}

TEST_F(LauncherTest, RemembersItsLayoutAndKeepsItsMinimumSize)
{
    writeCatalogue(Sample);
    {
        auto f = open("Sales");
        EXPECT_EQ(f->minimumSize(), QSize(325, 208));
        f->move(30, 40);
        f->resize(500, 320);
        f->List()->setColumnWidth(0, 111);
        QTest::mouseClick(f->CloseButton(), Qt::LeftButton);
        EXPECT_FALSE(f->isVisible());
    }
    auto g = open("Sales");
    EXPECT_EQ(g->pos(), QPoint(30, 40));
    EXPECT_EQ(g->size(), QSize(500, 320));
    EXPECT_EQ(g->List()->columnWidth(0), 111);
    g->resize(10, 10);
    EXPECT_EQ(g->size(), QSize(325, 208));
}
