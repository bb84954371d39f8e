// The catalogue file operations behind the editor, checked on the file's text.

#include "apptest.h"

#include "app/catalogue.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using apptest::AppTest;

namespace
{
class CatalogueTest : public AppTest
{
};

const QByteArray SalesAndStock = "[Sales]\nmonthly=Monthly sales by region\nclients=Client list\n[Stock]\n";
} // namespace

TEST_F(CatalogueTest, ReadsGroupsAndReportsInFileOrder)
{
    writeCatalogue("[Zeta]\nb=Second\na=First\n[Alpha]\n[Mid]\nx = \"  quoted  \"\n");
    TCatalogue c(catalogue());
    EXPECT_EQ(c.Groups(), (QStringList{"Zeta", "Alpha", "Mid"}));
    EXPECT_EQ(c.Reports("zeta"), (QList<TCatalogueReport>{{"b", "Second"}, {"a", "First"}}));
    EXPECT_TRUE(c.Reports("Alpha").isEmpty());
    EXPECT_EQ(c.Reports("Mid"), (QList<TCatalogueReport>{{"x", "  quoted  "}}));
    EXPECT_TRUE(c.GroupExists("ALPHA"));
    EXPECT_FALSE(c.GroupExists("Beta"));
}

TEST_F(CatalogueTest, MissingFileIsEmptyAndFirstGroupCreatesIt)
{
    TCatalogue c(catalogue());
    EXPECT_TRUE(c.Groups().isEmpty());
    EXPECT_FALSE(QFile::exists(catalogue()));
    ASSERT_TRUE(c.AddGroup("Sales")) << c.LastError().toStdString();
    EXPECT_EQ(catalogueText(), QByteArray("[Sales]\n"));
    ASSERT_TRUE(c.AddGroup("Stock"));
    EXPECT_EQ(catalogueText(), QByteArray("[Sales]\n[Stock]\n"));
}

TEST_F(CatalogueTest, AddGroupRefusesDuplicatesAndInvalidNames)
{
    writeCatalogue(SalesAndStock);
    TCatalogue c(catalogue());
    EXPECT_FALSE(c.AddGroup("sales"));
    EXPECT_FALSE(c.LastError().isEmpty());
    EXPECT_FALSE(c.AddGroup("   "));
    EXPECT_FALSE(c.AddGroup("Bad]name"));
    EXPECT_TRUE(c.LastError().contains("]"));
    EXPECT_EQ(catalogueText(), SalesAndStock);
    // An empty group keeps its header line even though it holds no lines.
    ASSERT_TRUE(c.AddGroup("  R&D  "));
    EXPECT_EQ(catalogueText(), SalesAndStock + "[R&D]\n");
    EXPECT_TRUE(c.Reports("R&D").isEmpty());
}

TEST_F(CatalogueTest, RenameMovesTheSectionToTheEndWithTheGivenReports)
{
    writeCatalogue(SalesAndStock);
    TCatalogue c(catalogue());
    ASSERT_TRUE(c.RenameGroup("Sales", "Turnover",
                              {{"clients", "Client list"}, {"monthly", "Monthly sales by region"}}));
    EXPECT_EQ(catalogueText(),
              QByteArray("[Stock]\n[Turnover]\nclients=Client list\nmonthly=Monthly sales by region\n"));

    // A group without reports keeps an empty section under its new name.
    ASSERT_TRUE(c.RenameGroup("Stock", "Warehouse", {}));
    EXPECT_EQ(catalogueText(),
              QByteArray("[Turnover]\nclients=Client list\nmonthly=Monthly sales by region\n[Warehouse]\n"));

    // Only the spelling changes.
    ASSERT_TRUE(c.RenameGroup("Turnover", "TURNOVER", c.Reports("Turnover")));
    EXPECT_EQ(c.Groups(), (QStringList{"Warehouse", "TURNOVER"}));
    EXPECT_EQ(c.Reports("TURNOVER").size(), 2);
}

TEST_F(CatalogueTest, RenameOntoAnotherGroupIsRefusedAndLosesNothing)
{
    writeCatalogue(SalesAndStock);
    TCatalogue c(catalogue());
    EXPECT_FALSE(c.RenameGroup("Sales", "stock", c.Reports("Sales")));
    EXPECT_TRUE(c.LastError().contains("already exists"));
    EXPECT_FALSE(c.RenameGroup("Sales", "", c.Reports("Sales")));
    EXPECT_FALSE(c.RenameGroup("Sales", "New", {{"bad=key", "x"}}));
    EXPECT_EQ(catalogueText(), SalesAndStock);
}

TEST_F(CatalogueTest, ReportLinesAreReplacedInPlaceOrAppended)
{
    writeCatalogue(SalesAndStock);
    TCatalogue c(catalogue());
    // An existing key (whatever its case) gets the new description on its own line.
    ASSERT_TRUE(c.PutReport("Sales", {"MONTHLY", "Sales per month"}));
    EXPECT_EQ(catalogueText(),
              QByteArray("[Sales]\nmonthly=Sales per month\nclients=Client list\n[Stock]\n"));
    ASSERT_TRUE(c.PutReport("Stock", {"levels", "Stock levels"}));
    EXPECT_EQ(
        catalogueText(),
        QByteArray("[Sales]\nmonthly=Sales per month\nclients=Client list\n[Stock]\nlevels=Stock levels\n"));
    EXPECT_FALSE(c.PutReport("Stock", {"a=b", "x"}));
    EXPECT_FALSE(c.PutReport("Stock", {"[x", "x"}));
    EXPECT_FALSE(c.PutReport("Stock", {" ", "x"}));
    EXPECT_FALSE(c.PutReport("Stock", {"ok", "two\nlines"}));
    EXPECT_EQ(c.Reports("Stock").size(), 1);
}

TEST_F(CatalogueTest, ReplaceReportWritesTheNewLineAtTheEnd)
{
    writeCatalogue(SalesAndStock);
    TCatalogue c(catalogue());
    ASSERT_TRUE(c.ReplaceReport("Sales", "monthly", {"weekly", "Weekly sales"}));
    EXPECT_EQ(catalogueText(), QByteArray("[Sales]\nclients=Client list\nweekly=Weekly sales\n[Stock]\n"));
    // Same key, new spelling and description: the line is written anew at the end.
    ASSERT_TRUE(c.ReplaceReport("Sales", "clients", {"Clients", "All clients"}));
    EXPECT_EQ(catalogueText(), QByteArray("[Sales]\nweekly=Weekly sales\nClients=All clients\n[Stock]\n"));
    // A key that cannot be written keeps the old line.
    EXPECT_FALSE(c.ReplaceReport("Sales", "weekly", {"a=b", "x"}));
    EXPECT_EQ(c.Reports("Sales").size(), 2);
    EXPECT_EQ(c.Reports("Sales").first(), (TCatalogueReport{"weekly", "Weekly sales"}));
}

TEST_F(CatalogueTest, DeletingTheLastReportKeepsTheEmptyGroup)
{
    writeCatalogue("[Sales]\nmonthly=Monthly\n[Stock]\nlevels=Levels\n");
    TCatalogue c(catalogue());
    ASSERT_TRUE(c.DeleteReport("Sales", "MONTHLY"));
    EXPECT_EQ(catalogueText(), QByteArray("[Sales]\n[Stock]\nlevels=Levels\n"));
    EXPECT_EQ(c.Groups(), (QStringList{"Sales", "Stock"}));
    ASSERT_TRUE(c.DeleteGroup("stock"));
    EXPECT_EQ(catalogueText(), QByteArray("[Sales]\n"));
}

TEST_F(CatalogueTest, AnUnwritableFileIsReportedAndKept)
{
    writeCatalogue(SalesAndStock);
    // A directory in the file's place cannot be read or written.
    TCatalogue c(path("sub"));
    ASSERT_TRUE(QDir(m_dir.path()).mkpath("sub"));
    EXPECT_TRUE(c.Groups().isEmpty());
    EXPECT_FALSE(c.AddGroup("New"));
    EXPECT_FALSE(c.LastError().isEmpty());
    EXPECT_TRUE(QFileInfo(path("sub")).isDir());
}
