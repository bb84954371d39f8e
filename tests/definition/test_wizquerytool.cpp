// tabulon-qr2 as a report author uses it on wizard queries: the filters shown
// as readable lines by dump and written back byte for byte by build, and the
// SQL that "sql" prints for one wizard query or for each of them.

#include "testutil.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{
struct ToolRun {
    int code = -1;
    QString out;
    QString err;
};

QString toolPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tabulon-qr2");
}

ToolRun run(const QStringList &args)
{
    QProcess p;
    p.start(toolPath(), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

const char kWizardReport[] = "version $0406\n"
                             "datasets\n"
                             "  object WizSource: TDataSource\n"
                             "    DataSet = Wiz\n"
                             "  end\n"
                             "  object Wiz: TWizQuery\n"
                             "    DatabaseName = 'DEMO'\n"
                             "    SQL.Strings = (\n"
                             "      'stale text')\n"
                             "    TableName = 'customers'\n"
                             "    OrderFields.Strings = (\n"
                             "      '-Country'\n"
                             "      'Company')\n"
                             "    SQLSettings.DelimiterType = delNoQuotes\n"
                             "    Filters = filters (\n"
                             "      'Country' '=' 'Germany' ftString case\n"
                             "      or 'Country' '=' 'France' ftString case)\n"
                             "  end\n"
                             "  object Plain: TQuery\n"
                             "    SQL.Strings = (\n"
                             "      'SELECT 1')\n"
                             "  end\n"
                             "  object Old: TWizQuery\n"
                             "    TableName = 'dbo.parts'\n"
                             "    SQLSettings.DelimiterType = delNoQuotes\n"
                             "    Filters = filters (\n"
                             "      old 'OnHand' '<' '10' numeric\n"
                             "      old or 'Description' 'LIKE' 'bolt' text case)\n"
                             "  end\n"
                             "end\n";
} // namespace

TEST(WizQueryTool, FiltersAsLinesAndTheGeneratedSql)
{
    if (!QFileInfo::exists(toolPath()))
        GTEST_SKIP() << "tabulon-qr2 not built";
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("wiz.txt"));
    const QString file = dir.filePath(QStringLiteral("wiz.QR2"));
    ASSERT_TRUE(testutil::writeFile(text, kWizardReport));
    ToolRun r = run({QStringLiteral("build"), text, file});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    // The filter records are stored as the bytes the text names: count 2, version 101 ...
    const QByteArray bytes = testutil::readFile(file);
    EXPECT_TRUE(bytes.contains(QByteArray(QByteArray("\x07" "Filters" "\x0A", 9) + QByteArray("\x2A\x00\x00\x00\x02\x65\x07", 7) +
                               "Country" + QByteArray("\x00\x00\x07", 3) + "Germany" + QByteArray("\x01\x01", 2))));
    // ... and the older layout without version byte, its type byte a numeric flag.
    EXPECT_TRUE(bytes.contains(QByteArray(QByteArray("\x02\x06", 2) + "OnHand" + QByteArray("\x02\x00\x02", 3) + "10" +
                               QByteArray("\x01\x00\x0B", 3) + "Description" + QByteArray("\x05\x01\x04", 3) + "bolt" +
                               QByteArray("\x00\x01", 2))));

    // dump shows them as lines again, and build after dump gives identical bytes.
    const ToolRun dump = run({QStringLiteral("dump"), file});
    ASSERT_EQ(dump.code, 0) << dump.err.toStdString();
    EXPECT_TRUE(dump.out.contains(QStringLiteral("Filters = filters (\n      'Country' '=' 'Germany' ftString case\n"
                                                 "      or 'Country' '=' 'France' ftString case)")))
        << dump.out.toStdString();
    EXPECT_TRUE(dump.out.contains(QStringLiteral("old or 'Description' 'LIKE' 'bolt' text case)")));
    ASSERT_TRUE(testutil::writeFile(text, dump.out.toUtf8()));
    const QString again = dir.filePath(QStringLiteral("again.QR2"));
    ASSERT_EQ(run({QStringLiteral("build"), text, again}).code, 0);
    EXPECT_EQ(testutil::readFile(again), bytes);

    // Every wizard query in component order, blocks separated by one empty line.
    r = run({QStringLiteral("sql"), file});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("SELECT * FROM 'customers' Q1\n"
                                    "WHERE (Q1.Country = 'Germany')\n"
                                    "   OR (Q1.Country = 'France')\n"
                                    "ORDER BY Q1.Country DESC, Q1.Company\n"
                                    "\n"
                                    "SELECT * FROM 'dbo.parts' Q1\n"
                                    "WHERE (UPPER(Q1.OnHand) < 10)\n"
                                    "   OR (Q1.Description LIKE 'bolt%')\n"));
    // One named query (letter case ignored).
    r = run({QStringLiteral("sql"), file, QStringLiteral("old")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("SELECT * FROM 'dbo.parts' Q1\n")));
    EXPECT_FALSE(r.out.contains(QStringLiteral("customers")));

    // No such wizard query (a plain query does not count), unreadable files, damaged filters, usage.
    r = run({QStringLiteral("sql"), file, QStringLiteral("Plain")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("no wizard query named Plain"))) << r.err.toStdString();
    EXPECT_EQ(run({QStringLiteral("sql"), dir.filePath(QStringLiteral("missing.QR2"))}).code, 1);
    ASSERT_TRUE(testutil::writeFile(text, "version $0406\n"
                                          "datasets\n"
                                          "  object Bad: TWizQuery\n"
                                          "    Filters = {0166}\n"
                                          "  end\n"
                                          "end\n"));
    ASSERT_EQ(run({QStringLiteral("build"), text, file}).code, 0);
    r = run({QStringLiteral("sql"), file});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Bad: the stored filters cannot be read"))) << r.err.toStdString();
    ASSERT_TRUE(testutil::writeFile(text, "version $0406\nend\n"));
    EXPECT_EQ(run({QStringLiteral("sql")}).code, 2);
    EXPECT_EQ(run({QStringLiteral("sql"), file, QStringLiteral("a"), QStringLiteral("b")}).code, 2);
}
