#include "paramtest.h"

#include "params/model/dialogmodel.h"
#include "params/model/editormodel.h"

#include <QFile>

namespace
{

TEditorDescriptor sampleDescriptor()
{
    TEditorDescriptor d;
    d.Controls = {
        {QStringLiteral("Edit_1"), TControlKind::Edit, QStringLiteral("Name"), 10, 20, 150},
        {QStringLiteral("List_1"), TControlKind::List, QStringLiteral("Kind, sort"), 10, 50, 100},
        {QStringLiteral("Table_1"), TControlKind::Table, QStringLiteral("Town"), 10, 80, 200},
        {QStringLiteral("Check_1"), TControlKind::Check, QStringLiteral("Flag"), 10, 110, 90},
    };
    d.ParRecs = {
        {QStringLiteral("Edit_1"), QStringLiteral("Smith"), TParRec::Plain, {}},
        {QStringLiteral("List_1"),
         QStringLiteral("1"),
         TParRec::List,
         {QStringLiteral("North"), QStringLiteral("South")}},
        {QStringLiteral("Table_1"),
         QString(),
         TParRec::Table,
         {QStringLiteral("name=towns"), QStringLiteral("VALUE=id"), QStringLiteral("text=name"),
          QStringLiteral("filter=r = {List_1.Value}"), QStringLiteral("extra=zzz")}},
        {QStringLiteral("Check_1"), QString(), TParRec::Plain, {}},
    };
    TVarRec p1;
    p1.Name = QStringLiteral("P1");
    p1.Source = QStringLiteral("Edit_1");
    p1.Field = QStringLiteral("Text");
    p1.SourceKind = TVarRec::ControlText;
    TVarRec l1;
    l1.Name = QStringLiteral("L1");
    l1.Source = QStringLiteral("Title");
    l1.SourceKind = TVarRec::Constant;
    l1.BindingKind = TVarRec::ReportLabel;
    TVarRec p2;
    p2.Name = QStringLiteral("P2");
    p2.Source = QStringLiteral("firm.ini");
    p2.Field = QStringLiteral("Main,Name");
    p2.SourceKind = TVarRec::IniFile;
    p2.DataType = TParamDataType::Date;
    d.Vars = {p1, l1, p2};
    return d;
}

} // namespace

class EditorDescriptor : public TParamFiles
{
};

TEST_F(EditorDescriptor, SaveWritesSectionsAndKeysInTheirOrder)
{
    write(QStringLiteral("r.cfg"), QStringLiteral("[Old]\nx=1\n[Declarations]\nGone=Edit \"G\",0,0,0\n"));
    QString error;
    ASSERT_TRUE(sampleDescriptor().Save(path(QStringLiteral("r.cfg")), error)) << error.toStdString();
    EXPECT_EQ(read(QStringLiteral("r.cfg")), QStringLiteral("[Declarations]\n"
                                                            "Edit_1=Edit \"Name\",10,20,150\n"
                                                            "List_1=List \"Kind, sort\",10,50,100\n"
                                                            "Table_1=Table \"Town\",10,80,200\n"
                                                            "Check_1=Check \"Flag\",10,110,90\n"
                                                            "[Assignment]\n"
                                                            "P1=Edit_1.Text\n"
                                                            "P2=ini.firm.ini,Main,Name\n"
                                                            "[Assignment_types]\n"
                                                            "P1=String\n"
                                                            "P2=Date\n"
                                                            "[Labels]\n"
                                                            "L1=const.Title\n"
                                                            "[Defaults]\n"
                                                            "Edit_1=Smith\n"
                                                            "List_1=1\n"
                                                            "[List_1]\n"
                                                            "Item1=North\n"
                                                            "Item2=South\n"
                                                            "[Table_1]\n"
                                                            "DataBase=\n"
                                                            "Name=towns\n"
                                                            "Value=id\n"
                                                            "Text=name\n"
                                                            "Fields=\n"
                                                            "Order=\n"
                                                            "Filter=r = {List_1.Value}\n"
                                                            "EmptyValue=\n"
                                                            "EmptyText=\n"));
}

TEST_F(EditorDescriptor, LoadReadsKnownKindsAndTheEditorsSourceForms)
{
    write(QStringLiteral("r.cfg"), QStringLiteral("[Declarations]\n"
                                                  "a=edit \"A, b\",1,2,3\n"
                                                  "Odd=Slider \"S\",1,1,1\n"
                                                  "t=TABLE \"T\",4,5,6\n"
                                                  "[Assignment]\n"
                                                  "c1=const.x.y\n"
                                                  "c2=CONST.x\n"
                                                  "i1= ini.firm.ini,Main,Name \n"
                                                  "i2=INI.firm.ini,Main,Name\n"
                                                  "t1=a.text\n"
                                                  "v1=a.anything\n"
                                                  "n1=a\n"
                                                  "[Assignment_types]\n"
                                                  "c1=float\nc2=DATE\ni1=Integer\ni2=text\n"
                                                  "[Labels]\nl=A.TEXT\n"
                                                  "[t]\nname=towns\nEmptyText=(none)\n"));
    TEditorDescriptor d;
    QString error;
    ASSERT_TRUE(d.Load(path(QStringLiteral("r.cfg")), error)) << error.toStdString();
    ASSERT_EQ(d.Controls.size(), 2) << "an unknown kind is dropped";
    EXPECT_EQ(d.Controls[0],
              (TEditorControl{QStringLiteral("a"), TControlKind::Edit, QStringLiteral("A, b"), 1, 2, 3}));
    EXPECT_EQ(d.Controls[1].Kind, TControlKind::Table);
    ASSERT_EQ(d.ParRecs.size(), 2);
    EXPECT_EQ(d.ParRecs[1].Kind, TParRec::Table);
    EXPECT_EQ(d.ParRecs[1].Strings,
              QStringList({QStringLiteral("name=towns"), QStringLiteral("EmptyText=(none)")}));

    ASSERT_EQ(d.Vars.size(), 8);
    const auto source = [&](int i) { return d.Vars.at(i).SourceText(); };
    EXPECT_EQ(d.Vars[0].SourceKind, TVarRec::Constant);
    EXPECT_EQ(d.Vars[0].Source, QStringLiteral("x.y"));
    EXPECT_EQ(d.Vars[0].DataType, TParamDataType::Float);
    // Capital prefixes are control references.
    EXPECT_EQ(d.Vars[1].SourceKind, TVarRec::ControlValue);
    EXPECT_EQ(d.Vars[1].Source, QStringLiteral("CONST"));
    EXPECT_EQ(source(1), QStringLiteral("CONST.Value"));
    EXPECT_EQ(d.Vars[1].DataType, TParamDataType::Date);
    EXPECT_EQ(d.Vars[2].SourceKind, TVarRec::IniFile);
    EXPECT_EQ(d.Vars[2].Source, QStringLiteral("firm.ini"));
    EXPECT_EQ(d.Vars[2].Field, QStringLiteral("Main,Name"));
    EXPECT_EQ(d.Vars[2].DataType, TParamDataType::Integer);
    EXPECT_EQ(source(3), QStringLiteral("INI.Value"));
    EXPECT_EQ(d.Vars[3].DataType, TParamDataType::String);
    EXPECT_EQ(source(4), QStringLiteral("a.Text"));
    EXPECT_EQ(source(5), QStringLiteral("a.Value"));
    EXPECT_EQ(source(6), QStringLiteral(".Value")) << "without a dot the name part is empty";
    EXPECT_EQ(d.Vars[7].BindingKind, TVarRec::ReportLabel);
    EXPECT_EQ(source(7), QStringLiteral("A.Text"));
}

TEST_F(EditorDescriptor, LoadRefusesBadNamesAndKeepsWhatItHad)
{
    TEditorDescriptor d = sampleDescriptor();
    QString error;
    write(QStringLiteral("bad.cfg"),
          QStringLiteral("[Declarations]\nok=Edit \"\",0,0,0\n1st=Edit \"\",0,0,0\n"));
    EXPECT_FALSE(d.Load(path(QStringLiteral("bad.cfg")), error));
    EXPECT_EQ(error, QStringLiteral("\"1st\" is not a valid component name"));
    write(QStringLiteral("bad.cfg"), QStringLiteral("[Declarations]\nmy name=Edit \"\",0,0,0\n"));
    EXPECT_FALSE(d.Load(path(QStringLiteral("bad.cfg")), error));
    EXPECT_EQ(error, QStringLiteral("\"my name\" is not a valid component name"));
    EXPECT_EQ(d.Controls, sampleDescriptor().Controls);

    // A name that is no identifier is harmless on a line of an unknown kind: that line is dropped.
    write(QStringLiteral("odd.cfg"), QStringLiteral("[Declarations]\nmy name=Knob \"\",0,0,0\n"));
    ASSERT_TRUE(d.Load(path(QStringLiteral("odd.cfg")), error));
    EXPECT_TRUE(d.Controls.isEmpty());

    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.cfg")));
    EXPECT_FALSE(d.Load(path(QStringLiteral("folder.cfg")), error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot read profile file")));
}

TEST_F(EditorDescriptor, AMissingFileLoadsEmptyAndSaveCreatesIt)
{
    TEditorDescriptor d = sampleDescriptor();
    QString error;
    ASSERT_TRUE(d.Load(path(QStringLiteral("new.cfg")), error));
    EXPECT_TRUE(d.Controls.isEmpty());
    EXPECT_TRUE(d.Vars.isEmpty());
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("new.cfg"))));
    d.Controls.append({QStringLiteral("Edit_1"), TControlKind::Edit, QStringLiteral("Caption"), 5, 6, 7});
    ASSERT_TRUE(d.Save(path(QStringLiteral("new.cfg")), error)) << error.toStdString();
    EXPECT_EQ(read(QStringLiteral("new.cfg")),
              QStringLiteral("[Declarations]\nEdit_1=Edit \"Caption\",5,6,7\n"));
    // Only the descriptor is left in the directory.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({QStringLiteral("new.cfg")}));
}

TEST_F(EditorDescriptor, AFailedSaveLeavesTheFileAsItWas)
{
    const QString original = QStringLiteral("[Declarations]\nX=Edit \"X\",1,1,1\n[Keep]\na=b\n");
    write(QStringLiteral("r.cfg"), original);
    QString error;

    TEditorDescriptor quoted = sampleDescriptor();
    quoted.Controls[0].Caption = QStringLiteral("Say \"hi\"");
    EXPECT_FALSE(quoted.Save(path(QStringLiteral("r.cfg")), error));
    EXPECT_EQ(error, QStringLiteral("The caption of \"Edit_1\" cannot contain a double quote"));

    TEditorDescriptor badKey = sampleDescriptor();
    badKey.Vars[1].Name = QStringLiteral("a=b");
    EXPECT_FALSE(badKey.Save(path(QStringLiteral("r.cfg")), error));
    EXPECT_TRUE(error.contains(QStringLiteral("not a valid key name"))) << error.toStdString();

    TEditorDescriptor lineBreak = sampleDescriptor();
    lineBreak.ParRecs[0].Default = QStringLiteral("two\nlines");
    EXPECT_FALSE(lineBreak.Save(path(QStringLiteral("r.cfg")), error));

    EXPECT_EQ(read(QStringLiteral("r.cfg")), original);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("r.cfg")}))
        << "no temporary copy is left behind";
}

TEST_F(EditorDescriptor, SaveKeepsTheFilesPermissions)
{
    write(QStringLiteral("r.cfg"), QStringLiteral("[Declarations]\n"));
    const QFile::Permissions perms =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup;
    ASSERT_TRUE(QFile::setPermissions(path(QStringLiteral("r.cfg")), perms));
    QString error;
    ASSERT_TRUE(sampleDescriptor().Save(path(QStringLiteral("r.cfg")), error)) << error.toStdString();
    const int ownerGroupOther = 0xF0FF; // not the bits that depend on who asks
    EXPECT_EQ(int(QFile::permissions(path(QStringLiteral("r.cfg")))) & ownerGroupOther,
              int(perms) & ownerGroupOther);
}

TEST_F(EditorDescriptor, NewControlsTakeTheLowestFreeNumber)
{
    TEditorDescriptor d;
    for (int i = 0; i < 3; ++i) {
        TEditorControl c;
        c.Name = d.NextControlName(TControlKind::Edit);
        d.Controls.append(c);
    }
    EXPECT_EQ(d.Controls[0].Name, QStringLiteral("Edit_1"));
    EXPECT_EQ(d.Controls[1].Name, QStringLiteral("Edit_2"));
    EXPECT_EQ(d.Controls[2].Name, QStringLiteral("Edit_3"));
    d.Controls.removeAt(1);
    EXPECT_EQ(d.NextControlName(TControlKind::Edit), QStringLiteral("Edit_2"));
    EXPECT_EQ(d.NextControlName(TControlKind::IntEdit), QStringLiteral("IntEdit_1"));
    d.Controls[0].Name = QStringLiteral("EDIT_2");
    EXPECT_EQ(d.NextControlName(TControlKind::Edit), QStringLiteral("Edit_1"));
    d.Controls.append({QStringLiteral("edit_1"), TControlKind::Edit, QString(), 0, 0, 0});
    EXPECT_EQ(d.NextControlName(TControlKind::Edit), QStringLiteral("Edit_4")) << "names match in any case";
}

TEST_F(EditorDescriptor, RoundTripKeepsEverythingOfKnownKindsAndDropsTheRest)
{
    write(QStringLiteral("firm.ini"), QStringLiteral("[Main]\nName=Acme\n"));
    write(QStringLiteral("r.cfg"),
          QStringLiteral("[Notes]\nauthor=me\n"
                         "[declarations]\n"
                         "Region=list \"Region, all\",10,20,150\n"
                         "Junk=Gauge \"J\",0,0,0\n"
                         "Towns=table \"Town\",10,50,200\n"
                         "Day=DATEEDIT \"Day\",10,80,120\n"
                         "Count=intedit \"N\",10,110,80\n"
                         "Sum=FLOATEDIT \"Sum\",10,140,80\n"
                         "Flag=CHECK \"Flag\",10,170,80\n"
                         "Who=EDIT \"Who\",10,200,80\n"
                         "[REGION]\nfirst=North\nsecond=South\n"
                         "[Towns]\ndatabase=demo\nname=towns\nvalue=id\ntext=name\n"
                         "filter=region = {Region.Text} and x = '{ini.firm.ini,Main,Name}'\n"
                         "order=name\nemptytext=(any)\nemptyvalue=0\nstray=1\n"
                         "[Defaults]\nRegion=1\nDay=20240105\nFlag=1\nWho=\" me \"\n"
                         "Junk=7\n"
                         "[Assignment]\npRegion=Region.Value\npDay=Day.text\n"
                         "pFirm=ini.firm.ini,Main,Name\n"
                         "[Assignment_types]\npRegion=integer\n"
                         "pDay=date\n"
                         "[Labels]\nlTitle=const.Sales, by region\nlWho=Who.Text\n"
                         "[Junk]\na=1\n"));
    TEditorDescriptor first;
    QString error;
    ASSERT_TRUE(first.Load(path(QStringLiteral("r.cfg")), error)) << error.toStdString();
    ASSERT_TRUE(first.Save(path(QStringLiteral("r.cfg")), error)) << error.toStdString();

    TEditorDescriptor second;
    ASSERT_TRUE(second.Load(path(QStringLiteral("r.cfg")), error)) << error.toStdString();
    EXPECT_EQ(second.Controls, first.Controls);
    EXPECT_EQ(second.Vars, first.Vars);
    ASSERT_EQ(second.ParRecs.size(), first.ParRecs.size());
    for (int i = 0; i < first.ParRecs.size(); ++i) {
        EXPECT_EQ(second.ParRecs[i].Name, first.ParRecs[i].Name);
        EXPECT_EQ(second.ParRecs[i].Default, first.ParRecs[i].Default);
        if (first.ParRecs[i].Kind == TParRec::Table)
            EXPECT_EQ(TTableSettings::FromStrings(second.ParRecs[i].Strings),
                      TTableSettings::FromStrings(first.ParRecs[i].Strings));
        else
            EXPECT_EQ(second.ParRecs[i].Strings, first.ParRecs[i].Strings);
    }

    const QString text = read(QStringLiteral("r.cfg"));
    for (const char *gone : {"[Notes]", "[Junk]", "Junk=", "stray", "Gauge"})
        EXPECT_FALSE(text.contains(QLatin1String(gone))) << gone;
    for (const char *written :
         {"Region=List \"Region, all\",10,20,150", "Towns=Table ", "Day=DateEdit ", "Count=IntEdit ",
          "Sum=FloatEdit ", "Flag=Check ", "Who=Edit ", "pFirm=String", "Who=\" me \""})
        EXPECT_TRUE(text.contains(QLatin1String(written))) << written;

    // The dialog reads the rewritten file to the same controls, defaults, entries, settings and
    // bindings.
    TParamDialogModel dialog;
    dialog.SetIniBaseDir(dir.path());
    ASSERT_TRUE(dialog.Build(path(QStringLiteral("r.cfg")))) << dialog.ErrorMessage().toStdString();
    ASSERT_EQ(dialog.ControlCount(), 7);
    const TParamControl *region = dialog.FindControl(QStringLiteral("Region"));
    EXPECT_EQ(region->Caption(), QStringLiteral("Region, all"));
    EXPECT_EQ(region->Entries(), QStringList({QStringLiteral("North"), QStringLiteral("South")}));
    EXPECT_EQ(region->CurrentText(), QStringLiteral("South"));
    const TParamControl *towns = dialog.FindControl(QStringLiteral("Towns"));
    EXPECT_EQ(towns->TableSettings().Database, QStringLiteral("demo"));
    EXPECT_EQ(towns->TableSettings().EmptyText, QStringLiteral("(any)"));
    EXPECT_EQ(towns->TableSettings().EmptyValue, QStringLiteral("0"));
    EXPECT_EQ(towns->SqlLines(), QStringList({QStringLiteral("SELECT id,name"), QStringLiteral("FROM towns"),
                                              QStringLiteral("WHERE region = :param1 and x = 'Acme'"),
                                              QStringLiteral("ORDER BY name")}));
    EXPECT_EQ(dialog.FindControl(QStringLiteral("Day"))->Date(), QDate(2024, 1, 5));
    EXPECT_TRUE(dialog.FindControl(QStringLiteral("Flag"))->Checked());
    EXPECT_EQ(dialog.FindControl(QStringLiteral("Who"))->CurrentText(), QStringLiteral(" me "));
    ASSERT_EQ(dialog.Assignments().size(), 3);
    EXPECT_EQ(dialog.Assignments()[0].CurrentValue(), QStringLiteral("1"));
    EXPECT_EQ(dialog.Assignments()[0].DataType, TParamDataType::Integer);
    EXPECT_EQ(dialog.Assignments()[1].DataType, TParamDataType::Date);
    EXPECT_EQ(dialog.Assignments()[2].CurrentValue(), QStringLiteral("Acme"));
    ASSERT_EQ(dialog.Labels().size(), 2);
    EXPECT_EQ(dialog.Labels()[0].CurrentValue(), QStringLiteral("Sales, by region"));
    EXPECT_EQ(dialog.Labels()[1].CurrentValue(), QStringLiteral(" me "));
}

TEST(TableSettings, KeysStringsAndShowSql)
{
    EXPECT_EQ(
        TTableSettings::Keys(),
        QStringList({QStringLiteral("DataBase"), QStringLiteral("Name"), QStringLiteral("Value"),
                     QStringLiteral("Text"), QStringLiteral("Fields"), QStringLiteral("Order"),
                     QStringLiteral("Filter"), QStringLiteral("EmptyValue"), QStringLiteral("EmptyText")}));
    TTableSettings s = TTableSettings::FromStrings(
        {QStringLiteral("NAME=towns"), QStringLiteral("value=id=x"), QStringLiteral("Text=name"),
         QStringLiteral("name=second"), QStringLiteral("bogus=1"), QStringLiteral("no equals sign")});
    EXPECT_EQ(s.Name, QStringLiteral("towns")) << "the first line of a key counts";
    EXPECT_EQ(s.Value, QStringLiteral("id=x"));
    EXPECT_FALSE(s.SetSetting(QStringLiteral("bogus"), QStringLiteral("1")));
    EXPECT_EQ(TTableSettings::FromStrings(s.ToStrings()), s);

    EXPECT_EQ(ShowSqlText(s), QStringLiteral("SELECT id=x,name\nFROM towns\n"));
    s.Fields = QStringLiteral("   ");
    s.Filter = QStringLiteral("a = {Region.Value}");
    s.Order = QStringLiteral("name");
    EXPECT_EQ(ShowSqlText(s),
              QStringLiteral("SELECT id=x,name\nFROM towns\nWHERE a = {Region.Value}\nORDER BY name\n"));
}
