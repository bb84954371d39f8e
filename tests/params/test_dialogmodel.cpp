#include "paramtest.h"

#include "params/model/dialogmodel.h"
#include "params/model/messages.h"

#include "common/profile.h"
#include "common/programdir.h"

#include <QMap>

namespace
{

// Stands in for the dialog's TABLE queries: rows per table and parameter values.
class TFakeQueries : public TParamBuildSite
{
public:
    QMap<QString, QList<QPair<QString, QString>>> rows; // "towns(North)" -> (value, text)
    QStringList built;
    QStringList requeries;
    QString failOpening;

    bool ControlBuilt(TParamControl &control, QString &error) override
    {
        built.append(control.Name());
        if (control.Kind() != TControlKind::Table)
            return true;
        if (control.Name() == failOpening) {
            error = ParamMessages::QueryOpenError(control.Name(), QStringLiteral("no such table"));
            return false;
        }
        if (control.DefaultText() == control.TableSettings().EmptyValue)
            selectFirst(control);
        else
            control.SetTableSelection(control.DefaultText(), QStringLiteral("(default)"));
        return true;
    }

    void Requery(TParamControl &table) override
    {
        requeries.append(key(table));
        selectFirst(table);
    }

private:
    static QString key(const TParamControl &table)
    {
        QStringList values;
        for (const QString &p : table.ParamNames())
            values.append(table.ParamValue(p));
        return table.TableSettings().Name + u'(' + values.join(u',') + u')';
    }

    void selectFirst(TParamControl &table)
    {
        const auto r = rows.value(key(table));
        if (r.isEmpty())
            table.SetTableSelection(QString(), QString());
        else
            table.SetTableSelection(r.first().first, r.first().second);
    }
};

class DialogModel : public TParamFiles
{
protected:
    TParamDialogModel model;

    void SetUp() override { model.SetIniBaseDir(dir.path()); }

    bool build(const QString &text, TParamBuildSite *site = nullptr)
    {
        return model.Build(write(QStringLiteral("report.cfg"), text), site);
    }

    // The build's error for a descriptor of one EDIT named Edit1 and the given extra lines.
    QString errorWith(const QString &lines)
    {
        EXPECT_FALSE(build(QStringLiteral("[Declarations]\nEdit1=Edit \"E\",0,0,10\n") + lines));
        return model.ErrorMessage();
    }
};

} // namespace

TEST_F(DialogModel, NoDescriptorOrNoSectionsGiveAnEmptyDialog)
{
    ASSERT_TRUE(model.Build(path(QStringLiteral("missing.cfg"))));
    EXPECT_EQ(model.ControlCount(), 0);

    ASSERT_TRUE(build(QStringLiteral("[Something]\nx=1\n[Defaults]\nA=1\n")));
    EXPECT_EQ(model.ControlCount(), 0);
    EXPECT_TRUE(model.Assignments().isEmpty());
    EXPECT_TRUE(model.Labels().isEmpty());
    QList<TReportParameter> parameters;
    QString error;
    ASSERT_TRUE(model.MakeParameters(parameters, error));
    EXPECT_TRUE(parameters.isEmpty());
}

TEST_F(DialogModel, AnUnreadableDescriptorIsAnError)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.cfg")));
    EXPECT_FALSE(model.Build(path(QStringLiteral("folder.cfg"))));
    EXPECT_TRUE(model.ErrorMessage().startsWith(QStringLiteral("Cannot read profile file")))
        << model.ErrorMessage().toStdString();
}

TEST_F(DialogModel, ControlsInDeclarationOrderWithTheirDefaults)
{
    ASSERT_TRUE(build(QStringLiteral("[declarations]\n"
                                     "Total=edit \"Total, net\",10,20,150\n"
                                     "Kind=LIST \"Kind\",10,40,100\n"
                                     "Count=IntEdit \"Count\",10,60,80\n"
                                     "Flag=Check \"Only open\",10,80,90\n"
                                     "[Kind]\n"
                                     "b=First\n"
                                     "a=Second, with comma\n"
                                     "[DEFAULTS]\n"
                                     "total= net \n"
                                     "kind=1\n"
                                     "Count=x\n"
                                     "Flag=1\n")))
        << model.ErrorMessage().toStdString();
    ASSERT_EQ(model.ControlCount(), 4);
    const TParamControl *total = model.Control(0);
    EXPECT_EQ(total->Name(), QStringLiteral("Total"));
    EXPECT_EQ(total->Kind(), TControlKind::Edit);
    EXPECT_EQ(total->TypeWord(), QStringLiteral("edit"));
    EXPECT_EQ(total->Caption(), QStringLiteral("Total, net"));
    EXPECT_EQ(total->X(), 10);
    EXPECT_EQ(total->Y(), 20);
    EXPECT_EQ(total->Width(), 150);
    EXPECT_EQ(total->CurrentValue(), QStringLiteral("net"));

    const TParamControl *kind = model.FindControl(QStringLiteral("KIND"));
    ASSERT_EQ(kind, model.Control(1));
    EXPECT_EQ(kind->Entries(), QStringList({QStringLiteral("First"), QStringLiteral("Second, with comma")}));
    EXPECT_EQ(kind->CurrentValue(), QStringLiteral("1"));
    EXPECT_EQ(kind->CurrentText(), QStringLiteral("Second, with comma"));
    EXPECT_EQ(model.Control(2)->CurrentValue(), QStringLiteral("0"));
    EXPECT_TRUE(model.Control(3)->Checked());
    EXPECT_EQ(model.FindControl(QStringLiteral("nothing")), nullptr);
}

TEST_F(DialogModel, TableQueryText)
{
    const QString descriptor = QStringLiteral("[Declarations]\n"
                                              "A=Table \"A\",0,0,10\n"
                                              "B=Table \"B\",0,0,10\n"
                                              "C=Table \"C\",0,0,10\n"
                                              "[A]\n"
                                              "DataBase=demo\nNAME=towns\nValue=id\nText=name\n"
                                              "[B]\n"
                                              "fields=id, name, region\nname=towns\nvalue=id\ntext=name\n"
                                              "filter=region > 1\norder=name desc\n"
                                              "emptytext=(all)\nemptyvalue=-1\n"
                                              "[C]\n"
                                              "name=t\nvalue=v\ntext=x\nfilter={INI.vals.ini,s,empty}\n");
    EXPECT_FALSE(build(descriptor));
    EXPECT_EQ(model.ErrorMessage(), QStringLiteral("Required value not found in .INI file fo table \"C\"!"));
    EXPECT_EQ(model.ControlCount(), 2);

    write(QStringLiteral("vals.ini"), QStringLiteral("[s]\nempty=\"\"\n"));
    ASSERT_TRUE(build(descriptor)) << model.ErrorMessage().toStdString();
    EXPECT_EQ(model.Control(0)->SqlLines(),
              QStringList({QStringLiteral("SELECT id,name"), QStringLiteral("FROM towns")}));
    EXPECT_EQ(model.Control(0)->TableSettings().Database, QStringLiteral("demo"));
    EXPECT_EQ(model.Control(1)->SqlLines(),
              QStringList({QStringLiteral("SELECT id, name, region"), QStringLiteral("FROM towns"),
                           QStringLiteral("WHERE region > 1"), QStringLiteral("ORDER BY name desc")}));
    EXPECT_EQ(model.Control(1)->TableSettings().EmptyText, QStringLiteral("(all)"));
    EXPECT_EQ(model.Control(1)->TableSettings().EmptyValue, QStringLiteral("-1"));
    EXPECT_EQ(model.Control(2)->SqlLines(),
              QStringList({QStringLiteral("SELECT v,x"), QStringLiteral("FROM t")}))
        << "a filter that expands to nothing gives no WHERE line";
}

TEST_F(DialogModel, BuildErrorsStopAtTheFirst)
{
    EXPECT_FALSE(build(QStringLiteral("[Declarations]\n"
                                      "A=Edit \"A\",0,0,10\n"
                                      "B=Combo \"B\",0,0,10\n"
                                      "C=Lisst \"C\",0,0,10\n"
                                      "[Assignment]\nP=nothing.Value\n")));
    EXPECT_EQ(model.ErrorMessage(), QStringLiteral("Unknown type \"Combo\"!"));
    EXPECT_EQ(model.ControlCount(), 1);
    EXPECT_TRUE(model.Assignments().isEmpty());

    // More declarations follow Edit1 in its section.
    EXPECT_EQ(errorWith(QStringLiteral("E2=\n")), QStringLiteral("Unknown type \"\"!"));
    EXPECT_EQ(errorWith(QStringLiteral("D=DateEdit \"D\",0,0,1\n[Defaults]\nD=20241301\n")),
              QStringLiteral("'20241301' is not a valid date"));
    EXPECT_EQ(errorWith(QStringLiteral("F=FloatEdit \"F\",0,0,1\n[Defaults]\nF=one\n")),
              QStringLiteral("'one' is not a valid floating point value"));
    EXPECT_EQ(model.ControlCount(), 1) << "the failing control is abandoned";
}

TEST_F(DialogModel, ATableMayOnlyUseControlsAboveIt)
{
    EXPECT_FALSE(build(QStringLiteral("[Declarations]\n"
                                      "T=Table \"T\",0,0,1\n"
                                      "Later=Edit \"L\",0,0,1\n"
                                      "[T]\nfilter=a={Later.Value} and b={T.Value}\n")));
    EXPECT_EQ(model.ErrorMessage(), QStringLiteral("Control \"Later\" must be declared before \"T\" !"));
    EXPECT_FALSE(build(QStringLiteral("[Declarations]\n"
                                      "T=Table \"T\",0,0,1\n"
                                      "[T]\nfilter=b={t.Value}\n")));
    EXPECT_EQ(model.ErrorMessage(), QStringLiteral("Control \"t\" must be declared before \"T\" !"));
}

TEST_F(DialogModel, BindingErrorMessages)
{
    EXPECT_EQ(errorWith(QStringLiteral("[Assignment]\nP=Nobody.Value\n")),
              QStringLiteral("Control \"Nobody\" not declared!"));
    EXPECT_EQ(errorWith(QStringLiteral("[Assignment]\nP=Edit1Value\n")),
              QStringLiteral("Control \"\" not declared!"));
    EXPECT_EQ(errorWith(QStringLiteral("[Assignment]\nP=edit1.Caption\n")),
              QStringLiteral("Unknown field \"Caption\" in section Assignment!"));
    EXPECT_EQ(errorWith(QStringLiteral("[Labels]\nL=Edit1.Size\n")),
              QStringLiteral("Unknown field \"Size\" in section Assignment!"));
    EXPECT_EQ(errorWith(QStringLiteral("[Labels]\nL=Edit1.\n")),
              QStringLiteral("Unknown field \"\" in section Assignment!"));
    EXPECT_EQ(errorWith(QStringLiteral("[Assignment]\nP=INI.nofile.ini,s,k\n")),
              QStringLiteral("Required value not found in .INI file for variable \"P\"!"));
    EXPECT_EQ(errorWith(QStringLiteral("[Labels]\nTitle=CONST.{ini.nofile.ini,s,k}\n")),
              QStringLiteral("Required value not found in .INI file for variable \"Title\"!"));
    EXPECT_EQ(errorWith(QStringLiteral("[Assignment]\nP={Edit1.Value}\n")),
              QStringLiteral("Edit1 -macros not supported for variables (P)!"));
    EXPECT_EQ(errorWith(QStringLiteral("[Assignment]\nOk=const.1\n[Labels]\nL={CONST.x}\n")),
              QStringLiteral("CONST -macros not supported for variables (L)!"));
}

TEST_F(DialogModel, BindingSources)
{
    write(QStringLiteral("Settings.INI"), QStringLiteral("[Firm]\nName=Acme Ltd\nKey=Name\nNone=<Нету>\n"));
    ASSERT_TRUE(build(QStringLiteral("[Declarations]\n"
                                     "Who=Edit \"Who\",0,0,10\n"
                                     "Kind=List \"Kind\",0,0,10\n"
                                     "[Kind]\nItem1=Alpha\nItem2=Beta\n"
                                     "[Defaults]\nWho=Smith\nKind=1\n"
                                     "[Assignment]\n"
                                     "Dotted=CONST.a.b\n"
                                     "Lower=const.3.5\n"
                                     "Empty=Const.\n"
                                     "FromIni=ini.settings.ini,Firm,Name\n"
                                     "Nested=INI.settings.ini,Firm,{INI.settings.ini,firm,key}\n"
                                     "WhoText=WHO.text\n"
                                     "KindValue=kind.VALUE\n"
                                     "KindText=Kind.Text\n"
                                     "[Assignment_types]\n"
                                     "lower=float\nKindValue=INTEGER\nWhoText=Memo\n"
                                     "[Labels]\n"
                                     "lTitle=CONST.Report of {INI.settings.ini,Firm,Name}\n"
                                     "lKind=Kind.Text\n")))
        << model.ErrorMessage().toStdString();
    const QList<TReportBinding> &a = model.Assignments();
    ASSERT_EQ(a.size(), 8);
    const auto value = [&](int i) { return a.at(i).CurrentValue(); };
    EXPECT_EQ(a.at(0).Name, QStringLiteral("Dotted"));
    EXPECT_EQ(value(0), QStringLiteral("a.b"));
    EXPECT_EQ(value(1), QStringLiteral("3.5"));
    EXPECT_EQ(a.at(1).DataType, TParamDataType::Float);
    EXPECT_EQ(value(2), QString());
    EXPECT_EQ(value(3), QStringLiteral("Acme Ltd"));
    EXPECT_EQ(value(4), QStringLiteral("Acme Ltd"));
    EXPECT_EQ(a.at(4).Control, nullptr);
    EXPECT_EQ(value(5), QStringLiteral("Smith"));
    EXPECT_EQ(a.at(5).Control, model.Control(0));
    EXPECT_EQ(a.at(5).DataType, TParamDataType::String) << "an unknown type is a string";
    EXPECT_EQ(value(6), QStringLiteral("1"));
    EXPECT_EQ(a.at(6).DataType, TParamDataType::Integer);
    EXPECT_EQ(value(7), QStringLiteral("Beta"));
    EXPECT_EQ(a.at(7).DataType, TParamDataType::String);

    ASSERT_EQ(model.Labels().size(), 2);
    EXPECT_EQ(model.Labels().at(0).CurrentValue(), QStringLiteral("Report of Acme Ltd"));
    // Control sources are read when asked, fixed ones once.
    model.Control(1)->SetItemIndex(0);
    write(QStringLiteral("Settings.INI"), QStringLiteral("[Firm]\nName=Changed\n"));
    EXPECT_EQ(model.Labels().at(1).CurrentValue(), QStringLiteral("Alpha"));
    EXPECT_EQ(value(3), QStringLiteral("Acme Ltd"));

    // "<Нету>" counts as missing in a source as in a macro.
    EXPECT_EQ(errorWith(QStringLiteral("[Assignment]\nP=INI.settings.ini,Firm,None\n")),
              QStringLiteral("Required value not found in .INI file for variable \"P\"!"));
}

TEST_F(DialogModel, IniFilesWithoutADirectoryAreLookedUpInTheProgramDirectory)
{
    TParamDialogModel plain;
    EXPECT_EQ(plain.IniBaseDir(), ProgramDir());
    SetProgramDir(dir.path());
    write(QStringLiteral("firm.ini"), QStringLiteral("[F]\nN=Home\n"));
    QTemporaryDir elsewhere;
    const QString cfg = elsewhere.filePath(QStringLiteral("r.cfg"));
    ASSERT_TRUE(testutil::writeFile(cfg, "[Labels]\nL=INI.firm.ini,F,N\n"));
    const bool built = plain.Build(cfg);
    SetProgramDir(QString());
    ASSERT_TRUE(built) << plain.ErrorMessage().toStdString();
    EXPECT_EQ(plain.Labels().at(0).CurrentValue(), QStringLiteral("Home"));
}

TEST_F(DialogModel, LinksUpdateDependentTablesInCascade)
{
    TFakeQueries queries;
    queries.rows[QStringLiteral("towns(North)")] = {{QStringLiteral("1"), QStringLiteral("Oslo")},
                                                    {QStringLiteral("2"), QStringLiteral("Bergen")}};
    queries.rows[QStringLiteral("towns(South)")] = {{QStringLiteral("3"), QStringLiteral("Rome")}};
    queries.rows[QStringLiteral("streets(1)")] = {{QStringLiteral("10"), QStringLiteral("Main st")}};
    ASSERT_TRUE(
        build(QStringLiteral("[Declarations]\n"
                             "Region=List \"Region\",5,5,100\n"
                             "Towns=Table \"Town\",5,30,100\n"
                             "Streets=Table \"Street\",5,60,100\n"
                             "[Region]\na=North\nb=South\n"
                             "[Defaults]\nRegion=0\n"
                             "[Towns]\nname=towns\nvalue=id\ntext=name\nfilter=region = {Region.Text}\n"
                             "[Streets]\nname=streets\nvalue=id\ntext=name\nfilter=town = {TOWNS.value}\n"),
              &queries))
        << model.ErrorMessage().toStdString();
    EXPECT_EQ(queries.built,
              QStringList({QStringLiteral("Region"), QStringLiteral("Towns"), QStringLiteral("Streets")}));
    TParamControl *region = model.Control(0);
    TParamControl *towns = model.Control(1);
    TParamControl *streets = model.Control(2);
    ASSERT_EQ(region->Links().size(), 1);
    EXPECT_FALSE(region->Links().at(0).UseValue);
    EXPECT_EQ(region->Links().at(0).Target, towns);
    EXPECT_EQ(region->Links().at(0).Source, region);
    EXPECT_EQ(region->Links().at(0).Param, QStringLiteral("param1"));
    ASSERT_EQ(towns->Links().size(), 1);
    EXPECT_TRUE(towns->Links().at(0).UseValue);

    // The build's final firing puts the initial values through.
    EXPECT_EQ(queries.requeries, QStringList({QStringLiteral("towns(North)"), QStringLiteral("streets(1)")}));
    EXPECT_EQ(towns->CurrentValue(), QStringLiteral("1"));
    EXPECT_EQ(streets->CurrentText(), QStringLiteral("Main st"));

    region->SetItemIndex(1);
    model.FireLinks(*region);
    EXPECT_EQ(towns->ParamValue(QStringLiteral("param1")), QStringLiteral("South"));
    EXPECT_EQ(towns->CurrentText(), QStringLiteral("Rome"));
    EXPECT_EQ(streets->ParamValue(QStringLiteral("param1")), QStringLiteral("3"));
    EXPECT_EQ(streets->CurrentValue(), QString()) << "no rows leave the value empty";

    // A parameter that already holds the text is not set again.
    const qsizetype before = queries.requeries.size();
    model.FireLinks(*region);
    model.FireLinks(*towns);
    EXPECT_EQ(queries.requeries.size(), before);
}

TEST_F(DialogModel, ASiteErrorStopsTheBuild)
{
    TFakeQueries queries;
    queries.failOpening = QStringLiteral("Towns");
    EXPECT_FALSE(build(QStringLiteral("[Declarations]\n"
                                      "Region=Edit \"Region\",0,0,1\n"
                                      "Towns=Table \"T\",0,0,1\n"
                                      "Later=Edit \"L\",0,0,1\n"
                                      "[Towns]\nfilter=r={Region.Value}\n"),
                       &queries));
    EXPECT_EQ(model.ErrorMessage(), QStringLiteral("Error opening \"Towns\" with message:\nno such table"));
    EXPECT_EQ(queries.built, QStringList({QStringLiteral("Region"), QStringLiteral("Towns")}));
    EXPECT_EQ(model.ControlCount(), 2);
}

TEST_F(DialogModel, TypedParametersAndTheTextDump)
{
    write(QStringLiteral("vals.ini"), QStringLiteral("[s]\nk=X\n"));
    ASSERT_TRUE(
        build(QStringLiteral("[Declarations]\n"
                             "Name=Edit \"Name\",0,0,100\n"
                             "Count=IntEdit \"Count\",0,0,100\n"
                             "Amount=FloatEdit \"Amount\",0,0,100\n"
                             "Zero=FloatEdit \"Zero\",0,0,100\n"
                             "Day=DateEdit \"Day\",0,0,100\n"
                             "Flag=Check \"Flag\",0,0,100\n"
                             "[Defaults]\nName=Smith\nCount=12\nAmount=2.5\nDay=20240315\nFlag=1\n"
                             "[Assignment]\n"
                             "pName=Name.Text\npCount=Count.Value\npAmount=Amount.value\npZero=Zero.VALUE\n"
                             "pDay=Day.Text\npConst=const.17\n"
                             "[Assignment_types]\n"
                             "pCount=integer\npAmount=FLOAT\npZero=Float\npDay=Date\npConst=Integer\n"
                             "[Labels]\nlTitle=CONST.Report, {INI.vals.ini,s,k}\nlFlag=Flag.Text\n")))
        << model.ErrorMessage().toStdString();
    TIniFile dump(path(QStringLiteral("report.txt")));
    QList<TReportParameter> p;
    QString error;
    ASSERT_TRUE(model.MakeParameters(p, error, &dump)) << error.toStdString();
    ASSERT_EQ(p.size(), 6);
    EXPECT_EQ(p[0].Name, QStringLiteral("pName"));
    EXPECT_EQ(p[0].Value, QVariant(QStringLiteral("Smith")));
    EXPECT_EQ(p[1].DataType, TParamDataType::Integer);
    EXPECT_EQ(p[1].Value, QVariant(12));
    EXPECT_EQ(p[2].Value, QVariant(2.5));
    EXPECT_EQ(p[3].Value, QVariant(0.0)) << "a number field at 0 is the number 0";
    EXPECT_EQ(p[4].Value, QVariant(QDate(2024, 3, 15)));
    EXPECT_EQ(p[5].Value, QVariant(17));
    ASSERT_TRUE(model.DumpLabels(dump, error));

    const QString day = LocaleSettings().DateToStr(QDate(2024, 3, 15));
    EXPECT_EQ(read(QStringLiteral("report.txt")), QStringLiteral("[Variables]\n"
                                                                 "var0=@pName = <Smith>\n"
                                                                 "var1=@pCount = <12>\n"
                                                                 "var2=@pAmount = <2.5>\n"
                                                                 "var3=@pZero = <>\n"
                                                                 "var4=@pDay = <%1>\n"
                                                                 "var5=@pConst = <17>\n"
                                                                 "[labels]\n"
                                                                 "var0=@lTitle = <Report, X>\n"
                                                                 "var1=@lFlag = <On>\n")
                                                      .arg(day));
}

TEST_F(DialogModel, ValuesThatDoNotConvertStopTheRun)
{
    ASSERT_TRUE(build(QStringLiteral("[Declarations]\n"
                                     "Name=Edit \"Name\",0,0,100\n"
                                     "Day=DateEdit \"Day\",0,0,100\n"
                                     "[Defaults]\nName=Smith\nDay=20240315\n"
                                     "[Assignment]\nfirst=Name.Text\nbyValue=Day.Value\nlast=Name.Text\n"
                                     "[Assignment_types]\nbyValue=Date\n")));
    TIniFile dump(path(QStringLiteral("report.txt")));
    QList<TReportParameter> p;
    QString error;
    EXPECT_FALSE(model.MakeParameters(p, error, &dump));
    EXPECT_EQ(error, QStringLiteral("''20240315'' is not a valid date"));
    EXPECT_EQ(p.size(), 1);
    EXPECT_EQ(read(QStringLiteral("report.txt")), QStringLiteral("[Variables]\nvar0=@first = <Smith>\n"));

    ASSERT_TRUE(build(QStringLiteral("[Declarations]\nName=Edit \"Name\",0,0,100\n[Defaults]\nName=Smith\n"
                                     "[Assignment]\nn=Name.Text\n[Assignment_types]\nn=Integer\n")));
    p.clear();
    EXPECT_FALSE(model.MakeParameters(p, error));
    EXPECT_EQ(error, QStringLiteral("'Smith' is not a valid integer value"));
}

TEST_F(DialogModel, QuickTuneSaveRewritesOnlyDeclarationLines)
{
    const QString original = QStringLiteral("; layout\n"
                                            "[Declarations]\n"
                                            "Name=edit \"Name\",1,2,3\n"
                                            "Count = INTEDIT \"Count, n\",4,5,6\n"
                                            "[Defaults]\n"
                                            "Name=x\n"
                                            "[Extra]\n"
                                            "k=v\n");
    ASSERT_TRUE(build(original));
    TParamControl *name = model.Control(0);
    name->SetPosition(10, 20);
    name->SetWidth(300);
    name->SetCaption(QStringLiteral("Full name"));
    QString error;
    ASSERT_TRUE(model.SaveDeclarations(path(QStringLiteral("report.cfg")), error)) << error.toStdString();
    QString expected = original;
    expected.replace(QStringLiteral("Name=edit \"Name\",1,2,3"),
                     QStringLiteral("Name=edit \"Full name\",10,20,300"));
    EXPECT_EQ(read(QStringLiteral("report.cfg")), expected);

    // A descriptor that cannot be written is reported, not lost.
    EXPECT_FALSE(model.SaveDeclarations(dir.path(), error));
    EXPECT_FALSE(error.isEmpty());
}
