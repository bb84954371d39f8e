#include "paramtest.h"

#include "params/model/descriptorcheck.h"

#include "common/localesettings.h"

#include <QProcess>

namespace
{

const char SampleDescriptor[] = "[Declarations]\n"
                                "Region=List \"Region, name\",10,20,150\n"
                                "Kind=edit \"Kind\",10,50,150\n"
                                "Towns=TABLE \"Town\",10,80,200\n"
                                "Flag=Check \"Only active\",10,110,100\n"
                                "Sum=FloatEdit \"Sum\",10,140,100\n"
                                "Day=DateEdit \"Day\",10,170,100\n"
                                "Count=IntEdit \"N\",x,1,2\n"
                                "[Region]\nItem1=North\nItem2=South\n"
                                "[Defaults]\nRegion=1\nKind=abc\nFlag=1\nSum=1,234.5\nDay=20240115\n"
                                "[Towns]\n"
                                "database=demo\nname=towns\nvalue=id\ntext=name\n"
                                "filter=R = {region.Value} AND K = {Kind.text} AND X={INI.sets.ini,main,x}\n"
                                "order=name\n"
                                "[Assignment]\n"
                                "P1=Region.TEXT\nP2=CONST.a.b\nP3=Day.Text\nP4={INI.sets.ini,main,x}.value\n"
                                "P5=Towns.Value\nP6=Count.Value\n"
                                "[Assignment_types]\nP3=date\nP6=Integer\n"
                                "[Labels]\nL1=ini.sets.ini,main,title\nL2=Flag.TEXT\n"
                                "[Other]\nx=1\n";

const char SampleIni[] = "[main]\nx=Sum\ntitle=\"Hello world\"\n";

QStringList sampleLines(const QString &day)
{
    return {
        QStringLiteral("control Region LIST \"Region, name\" 10 20 150"),
        QStringLiteral("control Kind EDIT \"Kind\" 10 50 150"),
        QStringLiteral("control Towns TABLE \"Town\" 10 80 200"),
        QStringLiteral(
            "sql Towns SELECT id,name FROM towns WHERE R = :param1 AND K = :param2 AND X=Sum ORDER BY name"),
        QStringLiteral("link region.VALUE -> Towns:param1"),
        QStringLiteral("link Kind.TEXT -> Towns:param2"),
        QStringLiteral("control Flag CHECK \"Only active\" 10 110 100"),
        QStringLiteral("control Sum FLOATEDIT \"Sum\" 10 140 100"),
        QStringLiteral("control Day DATEEDIT \"Day\" 10 170 100"),
        QStringLiteral("control Count INTEDIT \"N\" 0 1 2"),
        QStringLiteral("param P1 String South"),
        QStringLiteral("param P2 String a.b"),
        QStringLiteral("param P3 Date ") + day,
        QStringLiteral("param P4 String 1234.5"),
        QStringLiteral("param P5 String "),
        QStringLiteral("param P6 Integer 0"),
        QStringLiteral("label L1 Hello world"),
        QStringLiteral("label L2 On"),
    };
}

struct TRun {
    int exitCode = -1;
    QString out;
    QString err;
};

TRun runTool(const QStringList &args, const QString &workDir = QString())
{
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(TABULON_CFG_TOOL), args);
    TRun run;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = p.exitCode();
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

} // namespace

class DescriptorCheck : public TParamFiles
{
protected:
    QString day() const { return LocaleSettings().DateToStr(QDate(2024, 1, 15)); }
};

TEST_F(DescriptorCheck, ListsControlsQueriesLinksParametersAndLabels)
{
    write(QStringLiteral("sets.ini"), QLatin1String(SampleIni));
    const TDescriptorCheck check =
        CheckDescriptor(write(QStringLiteral("a.cfg"), QString::fromUtf8(SampleDescriptor)), dir.path());
    EXPECT_TRUE(check.Succeeded);
    EXPECT_EQ(check.Lines, sampleLines(day()));
}

TEST_F(DescriptorCheck, StopsAtTheFirstErrorAfterWhatWasBuilt)
{
    const TDescriptorCheck check =
        CheckDescriptor(write(QStringLiteral("a.cfg"), QStringLiteral("[Declarations]\n"
                                                                      "A=Edit \"A\",1,2,3\n"
                                                                      "T=Table \"T\",0,0,0\n"
                                                                      "[T]\nfilter=x={A.Caption}\n"
                                                                      "[Assignment]\nP=A.Value\n")),
                        dir.path());
    EXPECT_FALSE(check.Succeeded);
    EXPECT_EQ(check.Lines,
              QStringList({QStringLiteral("control A EDIT \"A\" 1 2 3"),
                           QStringLiteral("error Unknown field \"CAPTION\" in table description \"T\"!")}));
}

TEST_F(DescriptorCheck, ToolPrintsTheReportAndExitsByOutcome)
{
    write(QStringLiteral("sets.ini"), QLatin1String(SampleIni));
    const QString cfg = write(QStringLiteral("a.cfg"), QString::fromUtf8(SampleDescriptor));
    // INI files are found beside the descriptor whatever the working directory.
    TRun run = runTool({QStringLiteral("check"), cfg}, QDir::tempPath());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, sampleLines(day()).join(u'\n') + u'\n');

    const QString bad =
        write(QStringLiteral("bad.cfg"), QStringLiteral("[Declarations]\nX=Spinner \"X\",0,0,0\n"));
    run = runTool({QStringLiteral("check"), bad});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, QStringLiteral("error Unknown type \"Spinner\"!\n"));
}

TEST_F(DescriptorCheck, ToolLooksUpIniFilesInTheNamedProgramDirectory)
{
    QTemporaryDir home;
    ASSERT_TRUE(
        testutil::writeFile(QDir(home.path()).filePath(QStringLiteral("SETS.INI")), "[main]\nx=Elsewhere\n"));
    write(QStringLiteral("sets.ini"), QStringLiteral("[main]\nx=Beside\n"));
    const QString cfg = write(QStringLiteral("a.cfg"), QStringLiteral("[Labels]\nL=INI.sets.ini,main,x\n"));
    TRun run = runTool({QStringLiteral("check"), QStringLiteral("--program-dir"), home.path(), cfg});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("label L Elsewhere\n"));
    run = runTool({QStringLiteral("check"), cfg});
    EXPECT_EQ(run.out, QStringLiteral("label L Beside\n"));
}

TEST_F(DescriptorCheck, ToolUsageAndUnreadableFiles)
{
    TRun run = runTool({QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("tabulon-cfg check")));

    const QString cfg = write(QStringLiteral("a.cfg"), QStringLiteral("[Declarations]\n"));
    for (const QStringList &args :
         {QStringList(), QStringList({QStringLiteral("check")}), QStringList({QStringLiteral("verify"), cfg}),
          QStringList({QStringLiteral("check"), cfg, cfg}),
          QStringList({QStringLiteral("check"), QStringLiteral("--x"), cfg}),
          QStringList({QStringLiteral("check"), cfg, QStringLiteral("--program-dir")}),
          QStringList({QStringLiteral("check"), QStringLiteral("--program-dir"),
                       path(QStringLiteral("nodir")), cfg})}) {
        run = runTool(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_FALSE(run.err.isEmpty());
    }

    run = runTool({QStringLiteral("check"), path(QStringLiteral("missing.cfg"))});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("missing.cfg")));
    run = runTool({QStringLiteral("check"), dir.path()});
    EXPECT_EQ(run.exitCode, 2);

    // An empty descriptor is a valid, empty dialog.
    run = runTool({QStringLiteral("check"), cfg});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.isEmpty());
}
