// "tabulon-qr2 new" as an author runs it: each style made over the demo
// database, run with tabulon-run into a PDF that pdftotext reads back, and
// the exit codes for what goes wrong.

#include "testutil.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#if defined(TABULON_DEMO_DIR)
namespace
{
struct Result {
    int code = -1;
    QString out, err;
};

Result run(const QString &program, const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TABULON_HOME"), QStringLiteral(TABULON_DEMO_DIR));
    env.insert(QStringLiteral("TABULON_LOCALE"), QStringLiteral("en_US"));
    p.setProcessEnvironment(env);
    const QString path = program.startsWith(QLatin1String("tabulon"))
                             ? QCoreApplication::applicationDirPath() + QLatin1Char('/') + program
                             : program;
    p.start(path, args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

Result newReport(const QStringList &args)
{
    return run(QStringLiteral("tabulon-qr2"), QStringList{QStringLiteral("new")} + args);
}

// The text of pages first..last of the report run to PDF.
QString runToText(const QString &report, const QString &pdf, int first = 1, int last = 1)
{
    const Result r = run(QStringLiteral("tabulon-run"), {report, QStringLiteral("-o"), pdf, QStringLiteral("--quiet")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(first),
                                             QStringLiteral("-l"), QString::number(last), pdf, QStringLiteral("-")})
        .out;
}
} // namespace

TEST(NewReport, EveryStyleOverTheDemoDatabaseRuns)
{
    if (!QFileInfo::exists(QCoreApplication::applicationDirPath() + QStringLiteral("/tabulon-run")))
        GTEST_SKIP() << "tabulon-run not built";
    QTemporaryDir dir;
    auto file = [&dir](const char *name) { return dir.filePath(QString::fromLatin1(name)); };
    const QStringList demo{QStringLiteral("--database"), QStringLiteral("DEMO")};

    Result r = newReport(QStringList{file("list.QR2"), "--style", "list"} + demo +
                         QStringList{"--table", "customers", "--fields", "Company,City,Country", "--title",
                                     "Customers by name", "--lines", "horizontal,box", "--bands",
                                     "title,pageheader,pagefooter"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QString text = runToText(file("list.QR2"), file("list.pdf"));
    EXPECT_TRUE(text.contains(QStringLiteral("Customers by name")));
    // Column headers above the values, one row per customer.
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Company +City +Country"))));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Pearl Store Inc +Sydney +Australia"))));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Dolphin Partners +Lyon +France"))));

    // Form style: one record a page, the title on the first only.
    r = newReport(QStringList{file("form.QR2"), "--style", "form"} + demo +
                  QStringList{"--table", "parts", "--fields", "Description,OnHand", "--header-font", "12"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    text = runToText(file("form.QR2"), file("form.pdf"), 1, 2);
    const QStringList pages = text.split(QLatin1Char('\f'));
    ASSERT_GE(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Report")));
    EXPECT_TRUE(pages[0].contains(QRegularExpression(QStringLiteral("Description +Deluxe Compass 3"))));
    EXPECT_TRUE(pages[0].contains(QRegularExpression(QStringLiteral("OnHand +329"))));
    EXPECT_FALSE(pages[0].contains(QStringLiteral("Sport Camera 3")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Sport Camera 3")));

    // Tabular: the records follow each other on the page.
    r = newReport(QStringList{file("tabular.QR2"), "--style", "tabular"} + demo +
                  QStringList{"--table", "employees", "--fields", "LastName,FirstName", "--lines", "vertical",
                              "--orientation", "landscape", "--columns", "2", "--column-space", "5"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    text = runToText(file("tabular.QR2"), file("tabular.pdf"));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("LastName +Walker"))));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("LastName +Miller"))));

    // Single form from a query: the first record alone.
    r = newReport(QStringList{file("single.QR2"), "--style", "single"} + demo +
                  QStringList{"--sql", "SELECT Company, Phone FROM customers ORDER BY CustNo", "--title",
                              "First customer"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    text = runToText(file("single.QR2"), file("single.pdf"), 1, 3);
    EXPECT_TRUE(text.contains(QStringLiteral("First customer")));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Company +Pearl Store Inc"))));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Phone +402-480-3379"))));
    EXPECT_FALSE(text.contains(QStringLiteral("Dolphin Partners")));
    EXPECT_FALSE(text.contains(QLatin1Char('\f') + QStringLiteral("First customer")));

    // Labels from the demo's label sheets: three across, filled column by column.
    r = newReport(QStringList{file("labels.QR2"), "--style", "labels"} + demo +
                  QStringList{"--table", "customers", "--fields", "Company,City", "--label-format",
                              QStringLiteral(TABULON_DEMO_DIR "/labels.QLF:A4 3 x 8")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    text = runToText(file("labels.QR2"), file("labels.pdf"));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("^Company +Pearl Store Inc +Company +\\S"),
                                                 QRegularExpression::MultilineOption)))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("^Company +Dolphin Partners +Company +\\S"),
                                                 QRegularExpression::MultilineOption)));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("^City +Sydney +City +\\S"),
                                                 QRegularExpression::MultilineOption)));
    r = newReport({file("sheet.QR2"), "--style", "labels", "--no-dataset", "--label", "60,30,3,8,5,0"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = run(QStringLiteral("tabulon-qr2"), {QStringLiteral("info"), file("sheet.QR2")});
    EXPECT_TRUE(r.out.contains(QStringLiteral("band LabelBand TQRDesignLoopband"))) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("RowSpace")));

    // What goes wrong: the cause and exit code 1; bad usage 2; nothing written.
    r = newReport(QStringList{file("bad.QR2"), "--style", "list"} + demo + QStringList{"--table", "nosuch"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("nosuch"))) << r.err.toStdString();
    r = newReport(QStringList{file("bad.QR2"), "--style", "list"} + demo +
                  QStringList{"--table", "customers", "--fields", "Company,Nope"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Nope")));
    r = newReport({file("bad.QR2"), "--style", "list", "--database", file("missing.sqlite"), "--table", "t"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("missing.sqlite")));
    r = newReport({file("bad.QR2"), "--style", "labels", "--no-dataset", "--label-format",
                   QStringLiteral(TABULON_DEMO_DIR "/labels.QLF:No such sheet")});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(QFileInfo::exists(file("bad.QR2")));
    EXPECT_EQ(newReport({file("bad.QR2"), "--style", "list", "--no-dataset"}).code, 2);
    EXPECT_EQ(newReport({file("bad.QR2"), "--style", "poster", "--no-dataset"}).code, 2);
    EXPECT_EQ(newReport(QStringList{file("bad.QR2"), "--style", "list"} + demo).code, 2);
    EXPECT_EQ(newReport(QStringList{file("bad.QR2"), "--style", "list", "--columns", "10"} + demo +
                        QStringList{"--table", "customers"})
                  .code,
              2);
    EXPECT_FALSE(QFileInfo::exists(file("bad.QR2")));
}
#endif
