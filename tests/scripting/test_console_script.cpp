// tabulon-expr --script: one section run from a file, its result line and its errors.

#include "testutil.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#ifdef TABULON_EXPR_PROGRAM

namespace
{

struct RunResult {
    int ExitCode = -1;
    QString Out;
    QString Err;
};

RunResult runConsole(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(TABULON_EXPR_PROGRAM), arguments);
    RunResult result;
    if (!process.waitForFinished(30000)) {
        ADD_FAILURE() << "tabulon-expr did not finish";
        process.kill();
        return result;
    }
    result.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.Out = QString::fromUtf8(process.readAllStandardOutput());
    result.Err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

class ConsoleScript : public ::testing::Test
{
protected:
    QString writeScript(const QByteArray &text)
    {
        const QString path = dir.filePath(QStringLiteral("report.script"));
        EXPECT_TRUE(testutil::writeFile(path, text));
        return path;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(ConsoleScript, PrintsTheResultOfTheSection)
{
    const QString file = writeScript("[Title.BeforePrint]\r\nRETURN(FALSE)\r\n[Detail.BeforePrint]\r\n"
                                     "IF (2 > 1)\r\n  RETURN('yes ' + STR(6 * 7));\r\nENDIF\r\n");
    RunResult r = runConsole({"--script", file, "--run", "Detail.BeforePrint"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, QStringLiteral("STRING\tyes 42\n"));
    EXPECT_TRUE(r.Err.isEmpty()) << r.Err.toStdString();
    r = runConsole({"--script", file, "--run", "Title.BeforePrint"});
    EXPECT_EQ(r.Out, QStringLiteral("BOOLEAN\tFalse\n"));
    // A section that is not there: the error-kind start value, nothing on stderr.
    r = runConsole({"--script", file, "--run", "Footer.AfterPrint"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, QStringLiteral("ERROR\t\n"));
}

TEST_F(ConsoleScript, ScriptErrorGoesToStderrAndTheResultIsStillPrinted)
{
    const QString file = writeScript("[Band.OnPrint]\nRETURN(7)\nBREAK\nRETURN(8)\n");
    const RunResult r = runConsole({"--script", file, "--run", "Band.OnPrint"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, QStringLiteral("INTEGER\t7\n"));
    EXPECT_TRUE(r.Err.contains(QStringLiteral("Script error on line 2: BREAK outside of LOOP or IF block\n"
                                              "Line 2: \"BREAK\"")))
        << r.Err.toStdString();
}

TEST_F(ConsoleScript, ReadsFieldsOfTheGivenTable)
{
    const QString db = dir.filePath(QStringLiteral("shop.sqlite"));
    {
        QSqlDatabase c =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("script-console"));
        c.setDatabaseName(db);
        ASSERT_TRUE(c.open());
        QSqlQuery q(c);
        ASSERT_TRUE(q.exec(QStringLiteral("create table parts (name text, qty integer)")));
        ASSERT_TRUE(q.exec(QStringLiteral("insert into parts values ('Bolt', 12), ('Nut', 3)")));
        c.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("script-console"));
    const QString file = writeScript("[Detail.BeforePrint]\nRETURN([parts.name] + ':' + STR([qty]))\n");
    const RunResult r =
        runConsole({"--database", db, "--table", "parts", "--script", file, "--run", "Detail.BeforePrint"});
    EXPECT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_EQ(r.Out, QStringLiteral("STRING\tBolt:12\n"));
}

TEST_F(ConsoleScript, BadUsage)
{
    const QString file = writeScript("[A.B]\nRETURN(1)\n");
    EXPECT_EQ(runConsole({"--script", file}).ExitCode, 2);
    EXPECT_EQ(runConsole({"--run", "A.B"}).ExitCode, 2);
    EXPECT_EQ(runConsole({"--script", file, "--run", "AB"}).ExitCode, 2);
    EXPECT_EQ(runConsole({"--script", file, "--run", "A.B", "1 + 1"}).ExitCode, 2);
    const RunResult missing = runConsole({"--script", dir.filePath(QStringLiteral("none")), "--run", "A.B"});
    EXPECT_EQ(missing.ExitCode, 2);
    EXPECT_TRUE(missing.Err.contains(QStringLiteral("cannot read the script"))) << missing.Err.toStdString();
}

#endif
