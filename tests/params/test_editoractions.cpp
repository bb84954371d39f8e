#include "paramtest.h"

#include "params/model/editormodel.h"

// The editor's rules on its model, without a window.

namespace
{

// Captions measured as 5 pixels per character, so widths are easy to follow.
int fiveEach(const QString &text)
{
    return int(text.size()) * 5;
}

TVarRec binding(const QString &name, TVarRec::TBindingKind kind)
{
    TVarRec v;
    v.Name = name;
    v.BindingKind = kind;
    v.SourceKind = TVarRec::Constant;
    v.Source = name;
    return v;
}

QStringList varNames(const TEditorDescriptor &d)
{
    QStringList names;
    for (const TVarRec &v : d.Vars)
        names.append(v.Name);
    return names;
}

} // namespace

TEST(EditorActions, CreatedControlsAreNamedByKindAndReuseTheLowestFreeNumber)
{
    TEditorDescriptor d;
    EXPECT_EQ(d.AddControl(TControlKind::Edit, 10, 20, 150), QStringLiteral("Edit_1"));
    EXPECT_EQ(d.AddControl(TControlKind::Edit, 10, 50, 150), QStringLiteral("Edit_2"));
    EXPECT_EQ(d.AddControl(TControlKind::Edit, 10, 80, 150), QStringLiteral("Edit_3"));
    EXPECT_EQ(d.AddControl(TControlKind::List, 10, 110, 150), QStringLiteral("List_1"));
    EXPECT_EQ(d.AddControl(TControlKind::Table, 10, 140, 150), QStringLiteral("Table_1"));
    ASSERT_EQ(d.ParRecs.size(), 5);
    EXPECT_EQ(d.ParRecs[3].Kind, TParRec::List);
    EXPECT_EQ(d.ParRecs[4].Kind, TParRec::Table);
    EXPECT_EQ(d.ParRecs[0].Kind, TParRec::Plain);
    EXPECT_EQ(d.Controls[0].Caption, QStringLiteral("Caption"));

    ASSERT_TRUE(d.DeleteControl(QStringLiteral("edit_2")));
    EXPECT_EQ(d.Controls.size(), 4);
    EXPECT_EQ(d.FindParRec(QStringLiteral("Edit_2")), nullptr);
    EXPECT_EQ(d.AddControl(TControlKind::Edit, 0, 0, 100), QStringLiteral("Edit_2"));
    EXPECT_EQ(d.Controls.last().Name, QStringLiteral("Edit_2"))
        << "a new control goes last in creation order";
    EXPECT_FALSE(d.DeleteControl(QStringLiteral("Nothing")));
}

TEST(EditorActions, DeletingAControlKeepsTheBindingsThatNameIt)
{
    TEditorDescriptor d;
    d.AddControl(TControlKind::Edit, 0, 0, 100);
    TVarRec v =
        TVarRec::FromSource(QStringLiteral("P"), QStringLiteral("Edit_1.Text"), TVarRec::QueryParameter);
    d.Vars.append(v);
    d.DeleteControl(QStringLiteral("Edit_1"));
    ASSERT_EQ(d.Vars.size(), 1);
    EXPECT_EQ(d.Vars[0].SourceText(), QStringLiteral("Edit_1.Text"));
}

TEST(EditorActions, RenamesMustBeFreeIdentifiers)
{
    TEditorDescriptor d;
    d.AddControl(TControlKind::Edit, 0, 0, 100);
    d.AddControl(TControlKind::Check, 0, 30, 100);
    QString error;
    EXPECT_FALSE(d.RenameControl(QStringLiteral("Edit_1"), QStringLiteral("2nd"), error));
    EXPECT_EQ(error, QStringLiteral("\"2nd\" is not a valid component name"));
    EXPECT_FALSE(d.RenameControl(QStringLiteral("Edit_1"), QStringLiteral("Has blank"), error));
    EXPECT_FALSE(d.RenameControl(QStringLiteral("Edit_1"), QString(), error));
    EXPECT_FALSE(d.RenameControl(QStringLiteral("Edit_1"), QStringLiteral("CHECK_1"), error));
    EXPECT_EQ(error, QStringLiteral("A component named CHECK_1 already exists"));
    EXPECT_EQ(d.Controls[0].Name, QStringLiteral("Edit_1")) << "a refused rename changes nothing";

    ASSERT_TRUE(d.RenameControl(QStringLiteral("Edit_1"), QStringLiteral("EDIT_1"), error))
        << "a control may change the case of its own name";
    ASSERT_TRUE(d.RenameControl(QStringLiteral("Edit_1"), QStringLiteral("Customer"), error));
    EXPECT_EQ(d.Controls[0].Name, QStringLiteral("Customer"));
    ASSERT_NE(d.FindParRec(QStringLiteral("Customer")), nullptr);
    EXPECT_EQ(d.FindParRec(QStringLiteral("Edit_1")), nullptr);
    EXPECT_EQ(d.NextControlName(TControlKind::Edit), QStringLiteral("Edit_1"));
}

TEST(EditorActions, MovingABindingSkipsBindingsOfTheOtherKind)
{
    TEditorDescriptor d;
    d.Vars = {binding("P1", TVarRec::QueryParameter), binding("L1", TVarRec::ReportLabel),
              binding("L2", TVarRec::ReportLabel), binding("P2", TVarRec::QueryParameter),
              binding("P3", TVarRec::QueryParameter)};
    EXPECT_EQ(d.MoveVar(3, -1), 0);
    EXPECT_EQ(varNames(d), (QStringList{"P2", "L1", "L2", "P1", "P3"}));
    EXPECT_EQ(d.MoveVar(0, -1), -1) << "the first of its kind cannot move up";
    EXPECT_EQ(d.MoveVar(4, 1), -1) << "the last of its kind cannot move down";
    EXPECT_EQ(d.MoveVar(0, 1), 3);
    EXPECT_EQ(varNames(d), (QStringList{"P1", "L1", "L2", "P2", "P3"}));
    EXPECT_EQ(d.MoveVar(2, -1), 1);
    EXPECT_EQ(varNames(d), (QStringList{"P1", "L2", "L1", "P2", "P3"}));
    EXPECT_EQ(d.VarIndexes(TVarRec::ReportLabel), (QList<int>{1, 2}));
}

TEST(EditorActions, CreationOrderMovesWithinItsBounds)
{
    TEditorDescriptor d;
    d.AddControl(TControlKind::Edit, 0, 0, 100);
    d.AddControl(TControlKind::List, 0, 0, 100);
    EXPECT_FALSE(d.MoveControl(0, -1));
    EXPECT_FALSE(d.MoveControl(1, 1));
    ASSERT_TRUE(d.MoveControl(1, -1));
    EXPECT_EQ(d.Controls[0].Name, QStringLiteral("List_1"));
}

TEST(EditorActions, EditingAListEntryMovesItToTheEnd)
{
    QStringList entries{"North", "South", "East"};
    EditListEntry(entries, 1, QStringLiteral("West"));
    EXPECT_EQ(entries, (QStringList{"North", "East", "West"}));
    EditListEntry(entries, 7, QStringLiteral("Ignored"));
    EXPECT_EQ(entries.size(), 3);
}

TEST(EditorActions, GeometryFollowsTheCaption)
{
    TEditorControl c{QStringLiteral("Edit_1"), TControlKind::Edit, QStringLiteral("Name"), 10, 20, 150};
    EXPECT_EQ(c.CaptionTop(), 23);
    EXPECT_EQ(c.WidgetLeft(fiveEach(c.Caption)), 10 + 20 + 4);
    EXPECT_EQ(c.WidgetWidth(fiveEach(c.Caption)), 150 - 20 - 4);
    // A longer caption pushes the widget right and keeps its width.
    c.SetCaption(QStringLiteral("Customer"), fiveEach(QStringLiteral("Name")),
                 fiveEach(QStringLiteral("Customer")));
    EXPECT_EQ(c.WidgetLeft(40), 54);
    EXPECT_EQ(c.WidgetWidth(40), 126);
    EXPECT_EQ(c.Width, 170);
    c.SetWidgetWidth(40, 100);
    EXPECT_EQ(c.Width, 144);
}

class PropertiesSave : public ::testing::Test
{
protected:
    void SetUp() override
    {
        d.AddControl(TControlKind::Edit, 10, 20, 150);
        d.AddControl(TControlKind::List, 10, 50, 150);
        d.FindParRec(QStringLiteral("List_1"))->Strings = {"a", "b"};
    }
    TControlProperties rows(const QString &name) const
    {
        const TEditorControl &c = d.Controls.at(d.IndexOfControl(name));
        return {name, c.Caption, QString::number(c.Width), QString::number(c.X), QString::number(c.Y), {},
                {},   {}};
    }
    bool apply(QString name, const TControlProperties &p)
    {
        modified = false;
        return d.ApplyProperties(name, p, fiveEach, modified, error);
    }
    TEditorDescriptor d;
    bool modified = false;
    QString error;
};

TEST_F(PropertiesSave, AppliesEveryRow)
{
    TControlProperties p = rows(QStringLiteral("Edit_1"));
    p.Name = QStringLiteral("Customer");
    p.Header = QStringLiteral("Who");
    p.X = QStringLiteral("30");
    p.Y = QStringLiteral("40");
    p.Width = QStringLiteral("200");
    p.Default = QStringLiteral("Smith");
    ASSERT_TRUE(apply(QStringLiteral("Edit_1"), p)) << error.toStdString();
    EXPECT_TRUE(modified);
    EXPECT_EQ(d.Controls[0], (TEditorControl{QStringLiteral("Customer"), TControlKind::Edit,
                                             QStringLiteral("Who"), 30, 40, 200}));
    EXPECT_EQ(d.FindParRec(QStringLiteral("Customer"))->Default, QStringLiteral("Smith"));
}

TEST_F(PropertiesSave, EmptyRowsLeaveNameAndGeometryAlone)
{
    TControlProperties p;
    p.Header = QStringLiteral("Name");
    ASSERT_TRUE(apply(QStringLiteral("Edit_1"), p));
    EXPECT_FALSE(modified) << "only the rename step marks the editor";
    EXPECT_EQ(d.Controls[0].Name, QStringLiteral("Edit_1"));
    EXPECT_EQ(d.Controls[0].X, 10);
    EXPECT_EQ(d.Controls[0].Y, 20);
    // "Caption" (35) became "Name" (20): the widget keeps its width, the whole gets narrower.
    EXPECT_EQ(d.Controls[0].Width, 135);
}

TEST_F(PropertiesSave, ABadNumberStopsAtItsStepAndKeepsTheStepsBefore)
{
    TControlProperties p = rows(QStringLiteral("Edit_1"));
    p.Header = QStringLiteral("New");
    p.X = QStringLiteral("33");
    p.Y = QStringLiteral("4x");
    p.Width = QStringLiteral("99");
    EXPECT_FALSE(apply(QStringLiteral("Edit_1"), p));
    EXPECT_EQ(error, QStringLiteral("'4x' is not a valid integer value"));
    EXPECT_EQ(d.Controls[0].Caption, QStringLiteral("New"));
    EXPECT_EQ(d.Controls[0].X, 33);
    EXPECT_EQ(d.Controls[0].Y, 20);
    EXPECT_NE(d.Controls[0].Width, 99);
}

TEST_F(PropertiesSave, ARefusedRenameAppliesNothing)
{
    TControlProperties p = rows(QStringLiteral("Edit_1"));
    p.Name = QStringLiteral("List_1");
    p.Header = QStringLiteral("Changed");
    p.X = QStringLiteral("99");
    EXPECT_FALSE(apply(QStringLiteral("Edit_1"), p));
    EXPECT_EQ(error, QStringLiteral("A component named List_1 already exists"));
    EXPECT_FALSE(modified);
    EXPECT_EQ(d.Controls[0].Caption, QStringLiteral("Caption"));
    EXPECT_EQ(d.Controls[0].X, 10);
}

TEST_F(PropertiesSave, AnEmptyListPageKeepsTheEntries)
{
    TControlProperties p = rows(QStringLiteral("List_1"));
    p.ListEntries = QStringList();
    ASSERT_TRUE(apply(QStringLiteral("List_1"), p));
    EXPECT_EQ(d.FindParRec(QStringLiteral("List_1"))->Strings, (QStringList{"a", "b"}));
    p.ListEntries = QStringList{"c"};
    ASSERT_TRUE(apply(QStringLiteral("List_1"), p));
    EXPECT_EQ(d.FindParRec(QStringLiteral("List_1"))->Strings, (QStringList{"c"}));
}
