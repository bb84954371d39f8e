// tabulon-run as a user runs it: a report file written by the loader, run
// into every format, each output read back by another program where one
// exists, and the exit codes and messages for what goes wrong.

#include "data/query.h"
#include "output/pages/qrprinter.h"
#include "deftest.h"
#include "testutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace
{

struct Result {
    int code = -1;
    QString out, err;
};

// environment: NAME=VALUE entries added to the test's own.
Result runProgram(const QString &program, const QStringList &args, const QStringList &environment = {})
{
    QProcess p;
    if (!environment.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &entry : environment)
            env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
        p.setProcessEnvironment(env);
    }
    p.start(QCoreApplication::applicationDirPath() + QLatin1Char('/') + program, args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

Result runTool(const QStringList &args, const QStringList &environment = {})
{
    return runProgram(QStringLiteral("tabulon-run"), args, environment);
}

QString pdfText(const QString &file)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

class RunTool : public DesignTest
{
protected:
    RunTool()
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("runtool"));
            db.setDatabaseName(dir.filePath(QStringLiteral("towns.sqlite")));
            EXPECT_TRUE(db.open());
            QSqlQuery q(db);
            EXPECT_TRUE(q.exec(QStringLiteral("CREATE TABLE towns (name VARCHAR(20), land VARCHAR(20))")));
            EXPECT_TRUE(q.exec(QStringLiteral("INSERT INTO towns VALUES ('Ulm', 'BW'), ('Bonn', 'NW'), ('Köln', 'NW')")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("runtool"));
        auto *query = new TQuery(form.get());
        query->SetName(QStringLiteral("Towns"));
        query->SetDatabaseName(dir.path());
        query->SetSQL({QStringLiteral("SELECT name FROM towns WHERE land = :land ORDER BY name")});
        // Asked for before every run unless given.
        query->ParamByName(QStringLiteral("land"))->SetBound(true);
        auto *source = new TDataSource(form.get());
        source->SetName(QStringLiteral("TownsSource"));
        source->SetDataSet(query);
        report->SetDataSet(query);
        TQRDesignBand *title = designBand(QR::rbTitle, 100, QStringLiteral("Title"));
        label(title, QStringLiteral("Towns"))->SetName(QStringLiteral("Heading"));
        TQRDesignBand *detail = designBand(QR::rbDetail, 60, QStringLiteral("Detail"));
        auto *name = element<TQRDesignDBText>(detail, 0, 0);
        name->SetDataSet(query);
        name->SetDataField(QStringLiteral("name"));
        reportFile = dir.filePath(QStringLiteral("towns.QR2"));
        dir.setAutoRemove(!qEnvironmentVariableIsSet("TABULON_TEST_KEEP"));
        EXPECT_TRUE(loader->SaveReportFile(reportFile));
        if (!QFileInfo::exists(QCoreApplication::applicationDirPath() + QStringLiteral("/tabulon-run")))
            missingTool = true;
    }
    QString out(const QString &name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QString reportFile;
    bool missingTool = false;
};

TEST_F(RunTool, TextWithParameterAndLabel)
{
    if (missingTool)
        GTEST_SKIP() << "tabulon-run not built";
    const Result r = runTool({reportFile, QStringLiteral("-o"), out(QStringLiteral("t.txt")), QStringLiteral("--param"),
                              QStringLiteral("land=NW"), QStringLiteral("--label"), QStringLiteral("Heading=Towns of NW"),
                              QStringLiteral("--quiet")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QString text = QString::fromUtf8(testutil::readFile(out(QStringLiteral("t.txt"))));
    EXPECT_TRUE(text.contains(QStringLiteral("Towns of NW")));
    EXPECT_TRUE(text.contains(QStringLiteral("Bonn")));
    EXPECT_TRUE(text.contains(QStringLiteral("Köln")));
    EXPECT_FALSE(text.contains(QStringLiteral("Ulm")));
    EXPECT_LT(text.indexOf(QStringLiteral("Bonn")), text.indexOf(QStringLiteral("Köln")));
}

TEST_F(RunTool, PdfIsReadByAnotherProgram)
{
    if (missingTool)
        GTEST_SKIP() << "tabulon-run not built";
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext not installed";
    // Without --param the Bound parameter is asked for, and --answer answers.
    const Result r = runTool({reportFile, QStringLiteral("-o"), out(QStringLiteral("t.pdf")), QStringLiteral("--answer"),
                              QStringLiteral("BW")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("(1 page)")));
    const QString text = pdfText(out(QStringLiteral("t.pdf")));
    EXPECT_TRUE(text.contains(QStringLiteral("Towns")));
    EXPECT_TRUE(text.contains(QStringLiteral("Ulm")));
}

TEST_F(RunTool, EveryFormatWritesItsFiles)
{
    if (missingTool)
        GTEST_SKIP() << "tabulon-run not built";
    const QStringList single = {"t.qrp", "t.rtf", "t.csv", "t.xlsx", "t.pdf"};
    for (const QString &name : single) {
        const Result r = runTool({reportFile, QStringLiteral("-o"), out(name), QStringLiteral("--quiet"),
                                  QStringLiteral("--param"), QStringLiteral("land=BW")});
        EXPECT_EQ(r.code, 0) << name.toStdString() << ": " << r.err.toStdString();
        EXPECT_GT(QFileInfo(out(name)).size(), 0) << name.toStdString();
    }
    for (const QString &ext : {QStringLiteral("png"), QStringLiteral("svg"), QStringLiteral("emf"), QStringLiteral("wmf")}) {
        const Result r = runTool({reportFile, QStringLiteral("-o"), out(QStringLiteral("p.") + ext),
                                  QStringLiteral("--quiet"), QStringLiteral("--param"), QStringLiteral("land=BW")});
        EXPECT_EQ(r.code, 0) << ext.toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(QFileInfo::exists(out(QStringLiteral("p001.") + ext))) << ext.toStdString();
    }
    const QString csv = QString::fromUtf8(testutil::readFile(out(QStringLiteral("t.csv"))));
    EXPECT_TRUE(csv.contains(QStringLiteral("Ulm")));
    // The format can be named when the extension says nothing.
    const Result r = runTool({reportFile, QStringLiteral("-o"), out(QStringLiteral("plain.out")),
                              QStringLiteral("--format"), QStringLiteral("txt"), QStringLiteral("--quiet"),
                              QStringLiteral("--param"), QStringLiteral("land=BW")});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(QString::fromUtf8(testutil::readFile(out(QStringLiteral("plain.out")))).contains(QStringLiteral("Ulm")));
}

TEST_F(RunTool, PageRangeInEveryKindOfOutput)
{
    if (missingTool)
        GTEST_SKIP() << "tabulon-run not built";
    {
        // Enough towns of one land for several pages, numbered so that each page's first is known.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("runtool-pages"));
        db.setDatabaseName(dir.filePath(QStringLiteral("towns.sqlite")));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        db.transaction();
        for (int i = 0; i < 400; ++i)
            ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO towns VALUES ('Town%1', 'XX')").arg(i, 3, 10, QLatin1Char('0'))));
        db.commit();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("runtool-pages"));
    auto run = [this](const QString &name, const QString &pages) {
        return runTool({reportFile, QStringLiteral("-o"), out(name), QStringLiteral("--quiet"),
                        QStringLiteral("--param"), QStringLiteral("land=XX"), QStringLiteral("--pages"), pages});
    };
    const Result all = runTool({reportFile, QStringLiteral("-o"), out(QStringLiteral("all.pdf")),
                                QStringLiteral("--param"), QStringLiteral("land=XX")});
    ASSERT_EQ(all.code, 0) << all.err.toStdString();
    const QString allText = pdfText(out(QStringLiteral("all.pdf")));
    const QStringList allPages = allText.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_GE(allPages.size(), 4) << all.err.toStdString();

    Result r = run(QStringLiteral("p.pdf"), QStringLiteral("2-3"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList pdfPages = pdfText(out(QStringLiteral("p.pdf"))).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_EQ(pdfPages.size(), 2);
    EXPECT_EQ(pdfPages[0], allPages[1]);
    EXPECT_EQ(pdfPages[1], allPages[2]);

    // A single page as numbered pictures: one file.
    r = run(QStringLiteral("one.png"), QStringLiteral("3"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(out(QStringLiteral("one001.png"))));
    EXPECT_FALSE(QFileInfo::exists(out(QStringLiteral("one002.png"))));

    // The stored pages hold the range too; a range past the end is cut at the last page.
    r = run(QStringLiteral("p.qrp"), QStringLiteral("2-999"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = runTool({out(QStringLiteral("p.qrp")), QStringLiteral("-o"), out(QStringLiteral("back.pdf"))});
    TQRPrinter stored;
    ASSERT_TRUE(stored.Load(out(QStringLiteral("p.qrp")))) << stored.ErrorString().toStdString();
    EXPECT_EQ(stored.PageCount(), allPages.size() - 1);

    // The text export keeps the towns of page 2 only.
    r = run(QStringLiteral("p.txt"), QStringLiteral("2-2"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QString text = QString::fromUtf8(testutil::readFile(out(QStringLiteral("p.txt"))));
    const QString firstOfPage2 = allPages[1].split(QLatin1Char('\n'), Qt::SkipEmptyParts).first().trimmed();
    EXPECT_TRUE(text.contains(firstOfPage2)) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Town000")));
    EXPECT_FALSE(text.contains(QStringLiteral("Town399")));

    // Wrong ranges are usage errors; a range after the last page writes nothing.
    EXPECT_EQ(run(QStringLiteral("u.pdf"), QStringLiteral("3-2")).code, 2);
    EXPECT_EQ(run(QStringLiteral("u.pdf"), QStringLiteral("0-2")).code, 2);
    EXPECT_EQ(run(QStringLiteral("u.pdf"), QStringLiteral("two")).code, 2);
    for (const QString &name : {QStringLiteral("late.pdf"), QStringLiteral("late.txt"), QStringLiteral("late.qrp")}) {
        r = run(name, QStringLiteral("99-100"));
        EXPECT_EQ(r.code, 1) << name.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("no page 99"))) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(out(name))) << name.toStdString();
    }
}

TEST_F(RunTool, FailuresAndUsage)
{
    if (missingTool)
        GTEST_SKIP() << "tabulon-run not built";
    Result r = runTool({});
    EXPECT_EQ(r.code, 2);
    r = runTool({QStringLiteral("--help")});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("--param")));
    r = runTool({reportFile, QStringLiteral("-o"), out(QStringLiteral("x.doc"))});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("unknown output format")));

    r = runTool({out(QStringLiteral("missing.QR2")), QStringLiteral("-o"), out(QStringLiteral("x.txt"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("missing.QR2")));

    testutil::writeFile(out(QStringLiteral("bad.QR2")), QByteArray("\x06\x04garbage", 9));
    r = runTool({out(QStringLiteral("bad.QR2")), QStringLiteral("-o"), out(QStringLiteral("x.txt"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("bad.QR2")));
    EXPECT_FALSE(QFileInfo::exists(out(QStringLiteral("x.txt"))));

    r = runTool({reportFile, QStringLiteral("-o"), out(QStringLiteral("x.txt")), QStringLiteral("--param"),
                 QStringLiteral("nosuch=1")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("nosuch")));

    // An output that cannot be written leaves nothing behind and says so.
    r = runTool({reportFile, QStringLiteral("-o"), out(QStringLiteral("no/dir/x.pdf")), QStringLiteral("--quiet"),
                 QStringLiteral("--param"), QStringLiteral("land=BW")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("x.pdf")));

    // Cancelling the parameter's input box cancels the run: exit 1, no output.
    r = runTool({reportFile, QStringLiteral("-o"), out(QStringLiteral("c.txt"))});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("cancelled")));
    EXPECT_FALSE(QFileInfo::exists(out(QStringLiteral("c.txt"))));
}

TEST_F(RunTool, ExpressionConsoleReachesTheReportsElements)
{
    if (!QFileInfo::exists(QCoreApplication::applicationDirPath() + QStringLiteral("/tabulon-expr")))
        GTEST_SKIP() << "tabulon-expr not built";
    const Result r = runProgram(QStringLiteral("tabulon-expr"),
                                {QStringLiteral("--report"), reportFile, QStringLiteral("GETSTRPROP('Heading', 'Caption')"),
                                 QStringLiteral("ELEMENTEXISTS('Detail')"), QStringLiteral("ELEMENTEXISTS('Nothing')")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("STRING\tTowns\nBOOLEAN\tTrue\nBOOLEAN\tFalse\n"));
    const Result bad = runProgram(QStringLiteral("tabulon-expr"),
                                  {QStringLiteral("--report"), out(QStringLiteral("none.QR2")), QStringLiteral("1")});
    EXPECT_EQ(bad.code, 2);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("none.QR2")));
}

} // namespace

// Runs longer than the delay show a progress line of percent and pages on standard error,
// cleared before the closing line; --quiet shows none, and short runs none either.
TEST_F(RunTool, ProgressLineOnStandardError)
{
    if (missingTool)
        GTEST_SKIP() << "tabulon-run not built";
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("runtool-progress"));
        db.setDatabaseName(dir.filePath(QStringLiteral("towns.sqlite")));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        db.transaction();
        for (int i = 0; i < 300; ++i)
            ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO towns VALUES ('Town%1', 'XX')").arg(i)));
        db.commit();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("runtool-progress"));
    const QStringList noDelay{QStringLiteral("TABULON_PROGRESS_AFTER=0")};
    auto args = [this](const QString &name, const QString &land) {
        return QStringList{reportFile, QStringLiteral("-o"), out(name), QStringLiteral("--param"),
                           QStringLiteral("land=") + land};
    };

    for (const QString &format : {QStringLiteral("pdf"), QStringLiteral("xlsx")}) {
        const Result r = runTool(args(QStringLiteral("long.") + format, QStringLiteral("XX")), noDelay);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        static const QRegularExpression line(QStringLiteral("\\rtabulon-run: (\\d+)% \\((\\d+) pages?\\)"));
        QRegularExpressionMatchIterator it = line.globalMatch(r.err);
        ASSERT_TRUE(it.hasNext()) << format.toStdString() << ": " << r.err.toStdString();
        int lines = 0;
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            EXPECT_GE(m.captured(1).toInt(), 0);
            EXPECT_LE(m.captured(1).toInt(), 100);
            EXPECT_GE(m.captured(2).toInt(), 1);
            ++lines;
        }
        // At most four a second: a run of a few pages shows few lines.
        EXPECT_LT(lines, 20);
        const QRegularExpressionMatch closing =
            QRegularExpression(
                QStringLiteral("\\r +\\rtabulon-run: [^\\r\\n]*long\\.%1( \\(\\d+ pages\\))?\\n$")
                    .arg(format))
                .match(r.err);
        EXPECT_TRUE(closing.hasMatch()) << "the progress line is cleared: " << r.err.toStdString();
    }

    const Result quiet = runTool(
        args(QStringLiteral("quiet.pdf"), QStringLiteral("XX")) << QStringLiteral("--quiet"), noDelay);
    ASSERT_EQ(quiet.code, 0) << quiet.err.toStdString();
    EXPECT_TRUE(quiet.err.isEmpty()) << quiet.err.toStdString();

    // Without the testing delay a run of two towns ends long before the second is up.
    const Result shortRun = runTool(args(QStringLiteral("short.pdf"), QStringLiteral("NW")));
    ASSERT_EQ(shortRun.code, 0) << shortRun.err.toStdString();
    EXPECT_FALSE(shortRun.err.contains(QLatin1Char('%'))) << shortRun.err.toStdString();
    EXPECT_TRUE(shortRun.err.contains(QStringLiteral("(1 page)"))) << shortRun.err.toStdString();
}

// What a scheduler sees of the run's boxes and of a run without pages. The report is stored with
// its query open, its Bound parameter still without a value: it runs like one stored closed.
// Boxes the run recovers from (a script error, "Invalid value!" before the question comes again)
// go to standard error and leave the exit code alone, unless --strict; a report whose
// BeforePrint says no fails alike in every format and writes nothing.
TEST_F(RunTool, StoredOpenQueriesRecoverableBoxesAndRunsWithoutPages)
{
    if (missingTool)
        GTEST_SKIP() << "tabulon-run not built";
    auto *towns = qobject_cast<TQuery *>(form->FindComponent(QStringLiteral("Towns")));
    ASSERT_TRUE(towns);
    towns->Close();
    towns->SetSQL({QStringLiteral("SELECT name FROM towns WHERE length(name) > :minlen ORDER BY name")});
    TParam *minlen = towns->ParamByName(QStringLiteral("minlen"));
    minlen->SetDataType(DataTypes::ftInteger);
    minlen->SetBound(true);
    towns->Open();
    ASSERT_TRUE(towns->Active());
    loader->SetScript({QStringLiteral("[Title.BeforePrint]"), QStringLiteral("BREAK")});
    const QString stored = out(QStringLiteral("open.QR2"));
    ASSERT_TRUE(loader->SaveReportFile(stored));
    const auto run = [&](const QString &name, QStringList options) {
        return runTool(QStringList{stored, QStringLiteral("-o"), out(name), QStringLiteral("--quiet")}
                       << options);
    };

    Result r = run(QStringLiteral("given.txt"), {QStringLiteral("--param"), QStringLiteral("minlen=3")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Script error on line 1"))) << r.err.toStdString();
    QString text = QString::fromUtf8(testutil::readFile(out(QStringLiteral("given.txt"))));
    EXPECT_TRUE(text.contains(QStringLiteral("Bonn")) && text.contains(QStringLiteral("Köln")));
    EXPECT_FALSE(text.contains(QStringLiteral("Ulm")));

    // A refused answer is told (the box takes an answer of its own) and the question comes again.
    const QStringList answers{QStringLiteral("--answer"), QStringLiteral("many"), QStringLiteral("--answer"),
                              QStringLiteral("OK"), QStringLiteral("--answer"), QStringLiteral("3")};
    r = run(QStringLiteral("asked.txt"), answers);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Invalid value!"))) << r.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(testutil::readFile(out(QStringLiteral("asked.txt"))))
                    .contains(QStringLiteral("Bonn")));

    r = run(QStringLiteral("strict.txt"), QStringList(answers) << QStringLiteral("--strict"));
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Invalid value!")));
    EXPECT_FALSE(QFileInfo::exists(out(QStringLiteral("strict.txt"))));
    // A refused answer with no answer left cancels the question, and so the run.
    r = run(QStringLiteral("refused.txt"), {QStringLiteral("--answer"), QStringLiteral("many")});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(QFileInfo::exists(out(QStringLiteral("refused.txt"))));

    loader->SetScript({QStringLiteral("[Report.BeforePrint]"), QStringLiteral("RETURN(FALSE)")});
    const QString nothing = out(QStringLiteral("nothing.QR2"));
    ASSERT_TRUE(loader->SaveReportFile(nothing));
    for (const QString format : {"txt", "csv", "rtf", "xlsx", "pdf", "qrp", "png"}) {
        const QString name = QStringLiteral("none.") + format;
        r = runTool({nothing, QStringLiteral("-o"), out(name), QStringLiteral("--param"),
                     QStringLiteral("minlen=3")});
        EXPECT_EQ(r.code, 1) << name.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("the report produced no pages"))) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(out(name))) << name.toStdString();
        EXPECT_FALSE(QFileInfo::exists(out(QStringLiteral("none001.png"))));
    }
}
