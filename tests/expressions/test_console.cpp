// The tabulon-expr console: output lines, datasets, record walks and exit codes.

#include "exprtest.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#ifdef TABULON_EXPR_PROGRAM

namespace
{

struct ConsoleRun {
    int ExitCode = -1;
    QStringList Lines;
    QString Errors;
};

ConsoleRun run(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TABULON_LOCALE", "en_US");
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TABULON_EXPR_PROGRAM), arguments);
    ConsoleRun result;
    if (!process.waitForFinished(60000)) {
        ADD_FAILURE() << "tabulon-expr did not finish";
        process.kill();
        return result;
    }
    result.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    result.Lines = output.split(u'\n');
    if (!result.Lines.isEmpty() && result.Lines.last().isEmpty())
        result.Lines.removeLast();
    result.Errors = QString::fromUtf8(process.readAllStandardError());
    return result;
}

class ConsoleFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        database = dir.filePath("sales.sqlite");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "exprtest-console");
            db.setDatabaseName(database);
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec("CREATE TABLE Orders (Name VARCHAR(20), Amount INTEGER, Price FLOAT)"));
            ASSERT_TRUE(q.exec("INSERT INTO Orders VALUES ('a', 3, 1.5), ('b', 5, 2.5), ('c', 1, 0.25)"));
            ASSERT_TRUE(q.exec("CREATE TABLE Empty (Name VARCHAR(20))"));
            db.close();
        }
        QSqlDatabase::removeDatabase("exprtest-console");
    }

    QTemporaryDir dir;
    QString database;
};

} // namespace

TEST(Console, OneLinePerExpression)
{
    const ConsoleRun r = run({"1 + 2 * 3", "7 / 2", "'Page ' + 3", "1 = 1", "6 / 0", "", "TYPEOF(DATE)"});
    EXPECT_EQ(r.ExitCode, 0) << qPrintable(r.Errors);
    const QStringList expected = {
        "INTEGER\t7", "FLOAT\t3.5",    "STRING\tPage 3", "BOOLEAN\tTrue", "ERROR\tCannot divide by 0",
        "STRING\t ",  "STRING\tSTRING"};
    EXPECT_EQ(r.Lines, expected);
}

// The report-bound functions are known from the start, without a report: colours compute, the
// functions that need the report named Report give an error without a message, and lookups of
// elements find none. Scripts see the same library.
TEST(Console, ReportFunctionsWithoutAReport)
{
    const ConsoleRun r = run({"RED", "RGBCOLOR(255,0,0)", "PAGENUMBER", "ELEMENTEXISTS('x')"});
    EXPECT_EQ(r.ExitCode, 0) << qPrintable(r.Errors);
    EXPECT_EQ(r.Lines, (QStringList{"INTEGER\t255", "INTEGER\t255", "ERROR\t", "BOOLEAN\tFalse"}));

    QTemporaryDir dir;
    const QString script = dir.filePath("bound.script");
    QFile file(script);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Detail.BeforePrint]\nRETURN(RGBCOLOR(255,0,0) + "
               "RED)\n[Detail.OnPrint]\nRETURN(ELEMENTEXISTS('x'))\n"
               "[Detail.AfterPrint]\nRETURN(PAGENUMBER)\n");
    file.close();
    ConsoleRun s = run({"--script", script, "--run", "Detail.BeforePrint"});
    EXPECT_EQ(s.ExitCode, 0) << qPrintable(s.Errors);
    EXPECT_EQ(s.Lines, QStringList{"INTEGER\t510"});
    s = run({"--script", script, "--run", "Detail.OnPrint"});
    EXPECT_EQ(s.Lines, QStringList{"BOOLEAN\tFalse"});
    s = run({"--script", script, "--run", "Detail.AfterPrint"});
    EXPECT_EQ(s.Lines, QStringList{"ERROR\t"});
}

TEST(Console, LocaleAndHelp)
{
    ConsoleRun r = run({"--locale", "de_DE", "5 / 2", "STR(1.25)"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Lines, (QStringList{"FLOAT\t2,5", "STRING\t1,25"}));
    r = run({"--help"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_TRUE(r.Lines.join('\n').contains("--database")) << qPrintable(r.Lines.join('\n'));
}

TEST(Console, BadUsageExitsWithTwo)
{
    const QList<QStringList> cases = {
        {},
        {"--nosuchoption", "1"},
        {"--locale", "xx_NOPE", "1"},
        {"--table", "Orders", "1"},
        {"--each", "1"},
        {"--define", "novalue", "1"},
        {"--define", "=1", "1"},
        {"--database", "/no/such/database.sqlite", "--table", "Orders", "1"},
    };
    for (const QStringList &arguments : cases) {
        const ConsoleRun r = run(arguments);
        EXPECT_EQ(r.ExitCode, 2) << qPrintable(arguments.join(' '));
        EXPECT_FALSE(r.Errors.trimmed().isEmpty()) << qPrintable(arguments.join(' '));
        EXPECT_TRUE(r.Lines.isEmpty()) << qPrintable(arguments.join(' '));
    }
}

TEST_F(ConsoleFixture, MissingTableExitsWithTwo)
{
    const ConsoleRun r = run({"--database", database, "--table", "NoSuchTable", "1"});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_TRUE(r.Errors.contains("NoSuchTable")) << qPrintable(r.Errors);
}

TEST_F(ConsoleFixture, FirstRecordOnceWithoutEach)
{
    const ConsoleRun r = run({"--database", database, "--table", "Orders", "[Orders.Name]", "[Amount] * 2",
                              "SUM([Amount])", "COUNT"});
    EXPECT_EQ(r.ExitCode, 0) << qPrintable(r.Errors);
    EXPECT_EQ(r.Lines, (QStringList{"STRING\ta", "INTEGER\t6", "INTEGER\t0", "INTEGER\t0"}));
}

TEST_F(ConsoleFixture, EachRecordWithAggregates)
{
    const ConsoleRun r = run({"--database", database, "--table", "Orders", "--each", "[Name]",
                              "SUM([Amount])", "COUNT", "MAX([Price])", "AVERAGE([Amount])"});
    EXPECT_EQ(r.ExitCode, 0) << qPrintable(r.Errors);
    const QStringList expected = {
        "STRING\ta", "INTEGER\t3", "INTEGER\t1", "FLOAT\t1.5", "FLOAT\t3",
        "STRING\tb", "INTEGER\t8", "INTEGER\t2", "FLOAT\t2.5", "FLOAT\t4",
        "STRING\tc", "INTEGER\t9", "INTEGER\t3", "FLOAT\t2.5", "FLOAT\t3",
    };
    EXPECT_EQ(r.Lines, expected);
}

TEST_F(ConsoleFixture, EmptyTableWithEachPrintsNothing)
{
    const ConsoleRun r = run({"--database", database, "--table", "Empty", "--each", "[Name]"});
    EXPECT_EQ(r.ExitCode, 0) << qPrintable(r.Errors);
    EXPECT_TRUE(r.Lines.isEmpty());
}

TEST_F(ConsoleFixture, QueriesAndDatasetNames)
{
    ConsoleRun r = run({"--database", database, "--sql", "SELECT Name, Amount FROM Orders WHERE Amount > 2",
                        "--each", "[Query.Name] + ':' + [Query.Amount]"});
    EXPECT_EQ(r.ExitCode, 0) << qPrintable(r.Errors);
    EXPECT_EQ(r.Lines, (QStringList{"STRING\ta:3", "STRING\tb:5"}));

    r = run({"--database", database, "--table", "Orders", "--name", "Sales", "Sales.Name", "Orders.Name"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Lines, (QStringList{"STRING\ta", "ERROR\tUnknown function : ORDERS.NAME"}));

    r = run({"--database", database, "--sql", "SELECT * FROM NoSuchTable", "1"});
    EXPECT_EQ(r.ExitCode, 2);
}

TEST_F(ConsoleFixture, DefinedVariables)
{
    const ConsoleRun r =
        run({"--database", database, "--table", "Orders", "--each", "--define", "DOUBLE=[Amount] * 2",
             "--define", "Label='n=' + [DOUBLE]", "[LABEL]", "SUM([DOUBLE])"});
    EXPECT_EQ(r.ExitCode, 0) << qPrintable(r.Errors);
    EXPECT_EQ(r.Lines, (QStringList{"STRING\tn=6", "INTEGER\t6", "STRING\tn=10", "INTEGER\t16", "STRING\tn=2",
                                    "INTEGER\t18"}));
    const ConsoleRun cyclic = run({"--define", "A=[B]", "--define", "B=[A]", "[A]"});
    EXPECT_EQ(cyclic.ExitCode, 0);
    EXPECT_EQ(cyclic.Lines, QStringList{"ERROR\tRecursive calls not allowed"});
}

TEST_F(ConsoleFixture, DatasetIsFoundByName)
{
    ConsoleRun r = run({"--database", database, "--table", "Orders", "--each", "RECORDCOUNT('orders')",
                        "EOF('Orders')", "FIELDLEN('Orders','Name')", "ISNULL('Orders','Price')"});
    EXPECT_EQ(r.ExitCode, 0) << qPrintable(r.Errors);
    EXPECT_EQ(r.Lines.size(), 12);
    EXPECT_EQ(r.Lines.mid(0, 4),
              (QStringList{"INTEGER\t3", "BOOLEAN\tFalse", "INTEGER\t20", "BOOLEAN\tFalse"}));

    r = run({"--database", database, "--sql", "SELECT * FROM Orders WHERE Amount > 2", "--name", "Big",
             "RECORDCOUNT('Big')", "RECORDCOUNT('Query')", "QUERYPARAM('Big','None')"});
    EXPECT_EQ(r.ExitCode, 0) << qPrintable(r.Errors);
    EXPECT_EQ(r.Lines, (QStringList{"INTEGER\t2", "ERROR\t", "ERROR\t"}));
}

TEST(Console, AnswersPromptsInOrder)
{
    ConsoleRun r = run({"--answer", "No", "--answer", "Ann", "--answer", "cancel", "YESNOBOX('Sure?')",
                        "INPUTBOX('Who', 'Name:', 'who')", "GETVAR('WHO')", "OKCANCELBOX('Go on?')",
                        "YESNOBOX('Again?')", "INPUTBOX('Who', 'Name:', 'who')", "GETVAR('who')"});
    EXPECT_EQ(r.ExitCode, 0) << qPrintable(r.Errors);
    // Without answers left a message box takes its first button and an input box is cancelled.
    EXPECT_EQ(r.Lines, (QStringList{"BOOLEAN\tFalse", "BOOLEAN\tTrue", "STRING\tAnn", "BOOLEAN\tFalse",
                                    "BOOLEAN\tTrue", "BOOLEAN\tFalse", "STRING\tAnn"}));
    const QStringList prompts = r.Errors.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(prompts.size(), 5) << qPrintable(r.Errors);
    EXPECT_TRUE(prompts[0].contains("Sure?") && prompts[0].endsWith("-> No")) << qPrintable(prompts[0]);
    EXPECT_TRUE(prompts[1].contains("Name:") && prompts[1].contains("\"Ann\"")) << qPrintable(prompts[1]);
    // The second input box starts with the variable's value.
    EXPECT_TRUE(prompts[4].contains("[Ann]") && prompts[4].endsWith("cancelled")) << qPrintable(prompts[4]);

    // An answer that is no button of the box takes the first one, and says so.
    r = run({"--answer", "Maybe", "OKCANCELBOX('Go?')"});
    EXPECT_EQ(r.Lines, QStringList{"BOOLEAN\tTrue"});
    EXPECT_TRUE(r.Errors.contains("Maybe")) << qPrintable(r.Errors);
}

// Values as authors store them: text in number columns, integers beyond 32 bits, long texts in
// TEXT columns.
TEST(Console, StoredValuesThatDoNotFitTheirColumns)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString database = dir.filePath("mixed.sqlite");
    const QString notes = QString(600, u'a') + "\nsecond line\n" + QString(387, u'b');
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "exprtest-console-mixed");
        db.setDatabaseName(database);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("CREATE TABLE Mixed (id INTEGER, i INTEGER, r REAL, b BOOLEAN, big INTEGER, "
                           "notes TEXT)"));
        ASSERT_TRUE(q.exec("INSERT INTO Mixed VALUES (1, 10, 1.5, 1, 7, 'x'), "
                           "(2, 'abc', 'x.y', 'maybe', 99999999999, NULL), (3, 30, 3.5, 0, -1, NULL)"));
        ASSERT_TRUE(q.prepare("UPDATE Mixed SET notes = ? WHERE id = 3"));
        q.addBindValue(notes);
        ASSERT_TRUE(q.exec());
        db.close();
    }
    QSqlDatabase::removeDatabase("exprtest-console-mixed");

    // The bad record is an error value in its line; the run goes on to the end.
    ConsoleRun r =
        run({"--database", database, "--table", "Mixed", "--each", "[i]", "[big]", "COUNTER + SUM([id])*0"});
    EXPECT_EQ(r.ExitCode, 0) << qPrintable(r.Errors);
    EXPECT_TRUE(r.Errors.isEmpty()) << qPrintable(r.Errors);
    ASSERT_EQ(r.Lines.size(), 9) << qPrintable(r.Lines.join('|'));
    EXPECT_EQ(r.Lines.at(0), "INTEGER\t10");
    EXPECT_EQ(r.Lines.at(1), "INTEGER\t7");
    EXPECT_EQ(r.Lines.at(2), "INTEGER\t2");
    EXPECT_TRUE(r.Lines.at(3).startsWith("ERROR\t")) << qPrintable(r.Lines.at(3));
    EXPECT_TRUE(r.Lines.at(3).contains("Field \"i\": \"abc\" is not a valid integer value"))
        << qPrintable(r.Lines.at(3));
    EXPECT_EQ(r.Lines.at(4), "FLOAT\t99999999999");
    EXPECT_EQ(r.Lines.at(5), "INTEGER\t4");
    EXPECT_EQ(r.Lines.mid(6), (QStringList{"INTEGER\t30", "INTEGER\t-1", "INTEGER\t6"}));

    r = run({"--database", database, "--table", "Mixed", "--each", "[r]", "[b]"});
    EXPECT_EQ(r.ExitCode, 0) << qPrintable(r.Errors);
    ASSERT_EQ(r.Lines.size(), 6);
    EXPECT_TRUE(r.Lines.at(2).startsWith("ERROR\t") && r.Lines.at(2).contains("x.y"))
        << qPrintable(r.Lines.at(2));
    EXPECT_TRUE(r.Lines.at(3).startsWith("ERROR\t")) << qPrintable(r.Lines.at(3));
    EXPECT_EQ(r.Lines.at(4), "FLOAT\t3.5");

    r = run({"--database", database, "--sql", "SELECT * FROM Mixed WHERE id = 3", "--name", "M",
             "FIELDLEN('M', 'notes')", "MEMOLINE('M', 'notes', 2)", "STRLEN(MEMOLINE('M', 'notes', 1))",
             "STRLEN([notes])", "STRTOINT('00000000012')", "STRTOINT('$000000001')"});
    EXPECT_EQ(r.ExitCode, 0) << qPrintable(r.Errors);
    EXPECT_EQ(r.Lines, (QStringList{"INTEGER\t0", "STRING\tsecond line", "INTEGER\t255", "INTEGER\t255",
                                    "INTEGER\t12", "INTEGER\t1"}));
}

#endif
